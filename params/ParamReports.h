#pragma once
// Where the parameter store reports what it saved: the plant link implements
// it and start-up installs it. Until then nothing is reported.
#include <QString>

class ParamReports {
public:
    virtual ~ParamReports() = default;

    // The link is started and its client alive.
    virtual bool linkUp() const { return false; }
    virtual void paramsSaved() {}
    // One step's ROI set of a camera (both 0-based).
    virtual void roiSetSaved(int camera, int step) { (void)camera; (void)step; }
    // A template picture or ignore-point mask written (absolute path).
    virtual void pictureSaved(const QString& path) { (void)path; }

    static ParamReports& instance();
    static void setInstance(ParamReports* reports);  // nullptr restores the silent default
};
