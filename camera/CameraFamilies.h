#pragma once
// The camera families a run may use, in the order the start-up probe tries
// them. A family is one driver (a file pair under camera/drivers) and one row
// of this table.
#include <memory>
#include <vector>

class CameraDriver;
class CameraLink;

// How a loss report is judged (CameraCheck).
enum class LossCheck {
    AtOnce,   // the cameras count as lost at once
    Recount,  // lost only when the SDK lists a different number of cameras
    Never,    // nothing to lose (no devices)
};

struct CameraFamily {
    int id;                                                   // gCameraID
    bool (*probe)();                                          // true: the run uses this family
    std::unique_ptr<CameraDriver> (*makeDriver)(CameraLink& link);
    int (*recount)(bool forRestart);                          // cameras listed now; null: cannot recount
    LossCheck loss;
    bool storesSerial;   // the stored camera order keeps this family's serials
    bool orderByWidget;  // ... in widget order, whatever the renumbering
};

// Every family with devices, in probe order.
const std::vector<CameraFamily>& CameraFamilies();
// The family of an id; the family without devices for any other id.
const CameraFamily& CameraFamilyOf(int id);
