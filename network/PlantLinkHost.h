#pragma once
// What the plant link reads of the main window: run state, cycle fields,
// the cameras' live ROI sets and pictures for the video shares. The main
// window installs itself; without it the link sees a stopped monitor
// without cameras.
#include <QImage>

class CammerSingleton;

class PlantLinkHost {
public:
    virtual ~PlantLinkHost() = default;
    virtual int runState() const { return 3; }
    // Time between the last two cycle starts, tenths of a second.
    virtual qint64 lastCycleTime() const { return 0; }
    // Why the last alarm was cleared (4 to 8 have a text in message type 20).
    virtual int clearReason() const { return 0; }
    virtual int cameraCount() const { return 0; }
    // Inspected and NG cycles per camera (eight each).
    virtual const int* allCounts() const { return kNoCounts; }
    virtual const int* failCounts() const { return kNoCounts; }
    virtual const CammerSingleton* liveRoiSet(int /*camera*/) const { return nullptr; }
    // The whole main window as one picture (video mode 1).
    virtual QImage screenPicture() { return {}; }
    // Brings a camera's display buffer up to date before it is shared (video mode 2).
    virtual void prepareCameraPicture(int /*camera*/) {}

    static constexpr int kNoCounts[8] = {};

    static PlantLinkHost& instance();
    static void setInstance(PlantLinkHost* host);  // nullptr restores the default
};
