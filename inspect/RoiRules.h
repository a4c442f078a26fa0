#pragma once
// The function codes of a ROI and what their three limits mean: grey band,
// kernel size, verdict and the limits reported to the plant link. Kept free of
// images so that every rule can be checked on its own.
#include "InspectHost.h"

namespace RoiCode {
enum : int {
    Defect = 0,
    Spot = 1,
    IgnoreArea = 2,
    Position = 3,
    BlackArea = 4,
    WhiteArea = 5,
    Similarity = 6,
    WhiteNum = 7,
    BlackNum = 8,
    DistMeasure = 9,
};
}

struct RoiLimits {
    int minSize = 0;
    int sensibility = 0;
    int maxArea = 0;
};

struct GreyBand {
    int lower = 0;  // inclusive
    int upper = 0;  // inclusive
};

namespace RoiRules {

// Codes measured by binarising the window with a grey band (1, 4, 5, 7, 8).
bool UsesGreyBand(int code);
GreyBand Band(int code, const RoiLimits& lim);

// Kernel of the opening before blob analysis. Always at least 1; a stored
// limit that is negative, zero or huge is clamped here so it never reaches
// OpenCV (the element would be allocated at that size).
int KernelSize(int code, const RoiLimits& lim, const InspectParams& p);

// A kernel too large for the window of a counting ROI (codes 7, 8): the count
// is then 0.
bool KernelTooLarge(int code, int kernel, int windowW, int windowH);

// Largest kernel worth building for a window: any larger elliptic element
// already covers the whole window from every anchor, so the opening result
// does not change.
int KernelCap(int windowW, int windowH);

// Count limits of codes 7 and 8.
int MinCount(int maxArea);
int MaxCount(int maxArea);

// NG for codes 0, 1, 4, 5, 6, 7, 8 with the measured value (area, score or
// count). Codes 2, 3 and 9 never reach this rule.
bool IsNg(int code, int value, const RoiLimits& lim, const InspectParams& p);

// Limits reported with a result record.
int LowLimit(int code, const RoiLimits& lim);
int HighLimit(int code, const RoiLimits& lim);

// Dist-Measure verdict: found points (0, 1 or 2+), reference count and the
// distance compared with the limit.
bool DistIsNg(int foundCount, int refCount, double distance, const RoiLimits& lim);

}  // namespace RoiRules
