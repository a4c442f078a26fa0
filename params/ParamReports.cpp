#include "ParamReports.h"

namespace {
ParamReports* gReports = nullptr;
}

ParamReports& ParamReports::instance()
{
    static ParamReports silent;
    return gReports ? *gReports : silent;
}

void ParamReports::setInstance(ParamReports* reports)
{
    gReports = reports;
}
