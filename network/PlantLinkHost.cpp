#include "PlantLinkHost.h"

namespace {
PlantLinkHost* gHost = nullptr;
}

PlantLinkHost& PlantLinkHost::instance()
{
    static PlantLinkHost fallback;
    return gHost ? *gHost : fallback;
}

void PlantLinkHost::setInstance(PlantLinkHost* host)
{
    gHost = host;
}
