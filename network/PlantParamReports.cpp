#include "PlantParamReports.h"

#include "VUR_Net.h"

bool PlantParamReports::linkUp() const
{
    return PlantLinkUp();
}

void PlantParamReports::paramsSaved()
{
    if (gpNet)
        gpNet->VUR_SendParam();
}

void PlantParamReports::roiSetSaved(int camera, int step)
{
    if (gpNet)
        gpNet->VUR_SendROIParam(camera, step);
}

void PlantParamReports::pictureSaved(const QString& path)
{
    if (gpNet)
        gpNet->VUR_SendTempPic(path);
}
