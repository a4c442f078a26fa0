#pragma once
// One measured ROI of a detection step, as the plant link reports it.
#include <QList>

struct param_roi {
    int camera = 0;     // camera index, 0-based
    int group = 0;      // detection group (step index)
    int roi = 0;        // ROI index within the group
    int algorithm = 0;  // function code 0..9
    int value = 0;      // measured value
    int low = 0;        // lower limit compared
    int high = 0;       // upper limit compared
    int ok = 1;         // camera verdict right after this ROI
};
Q_DECLARE_TYPEINFO(param_roi, Q_PRIMITIVE_TYPE);

// Records of the current cycle; the verdict sends and clears them.
extern QList<param_roi> g_listParamROI;
