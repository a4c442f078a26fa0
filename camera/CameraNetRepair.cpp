#include "CameraNetRepair.h"

#include "GigeNetRepair.h"

namespace {
// The real repair; with no interface allowed (a build host) it changes nothing.
GigeNetRepair gDefaultRepair;
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
