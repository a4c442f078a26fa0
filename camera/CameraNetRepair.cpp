#include "CameraNetRepair.h"

namespace {
CameraNetRepair gDefaultRepair;
CameraNetRepair* gRepair = nullptr;
}

CameraNetRepair& CameraNetRepair::instance()
{
    return gRepair ? *gRepair : gDefaultRepair;
}

void CameraNetRepair::setInstance(CameraNetRepair* repair)
{
    gRepair = repair;
}
