#include "ViewHost.h"

namespace {
ViewHost* gHost = nullptr;
}

ViewHost& ViewHost::instance()
{
    static ViewHost none;
    return gHost ? *gHost : none;
}

void ViewHost::setInstance(ViewHost* host)
{
    gHost = host;
}
