#pragma once
// The parameter store's reports, sent through the plant link of the process
// (gpNet) as it stands at each call.
#include "params/ParamReports.h"

class PlantParamReports : public ParamReports {
public:
    bool linkUp() const override;
    void paramsSaved() override;
    void roiSetSaved(int camera, int step) override;
    void pictureSaved(const QString& path) override;
};
