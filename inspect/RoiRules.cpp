#include "RoiRules.h"

#include <algorithm>
#include <cstdint>

namespace RoiRules {

bool UsesGreyBand(int code)
{
    return code == RoiCode::Spot || code == RoiCode::BlackArea || code == RoiCode::WhiteArea
        || code == RoiCode::WhiteNum || code == RoiCode::BlackNum;
}

GreyBand Band(int code, const RoiLimits& lim)
{
    const int sensLow = lim.sensibility & 0xFF;
    switch (code) {
    case RoiCode::Spot: {
        const int a = lim.minSize & 0xFF;
        const int b = (lim.minSize >> 8) & 0xFF;
        return {std::min(a, b), std::max(a, b)};
    }
    case RoiCode::BlackArea:
    case RoiCode::BlackNum:
        return {0, sensLow};
    case RoiCode::WhiteArea:
    case RoiCode::WhiteNum:
        return {sensLow, 255};
    default:
        return {0, 255};
    }
}

int KernelSize(int code, const RoiLimits& lim, const InspectParams& p)
{
    int64_t k = 1;
    switch (code) {
    case RoiCode::Defect:
        k = p.showAllParams ? lim.minSize : p.filterSize;
        break;
    case RoiCode::Spot:
    case RoiCode::BlackArea:
    case RoiCode::WhiteArea:
        k = p.minSpot;
        break;
    case RoiCode::WhiteNum:
    case RoiCode::BlackNum:
        // 64-bit: 2 * INT_MAX + 1 must not wrap into a small or negative size.
        k = 2 * int64_t(lim.minSize) + 1;
        break;
    default:
        k = 1;
    }
    // Beyond 2^20 every window of a frame is covered anyway; keep it an int.
    return int(std::clamp<int64_t>(k, 1, int64_t(1) << 20));
}

bool KernelTooLarge(int code, int kernel, int windowW, int windowH)
{
    if (code != RoiCode::WhiteNum && code != RoiCode::BlackNum)
        return false;
    const int m = std::min(windowW, windowH) & ~1;
    return m - 3 <= kernel;
}

int KernelCap(int windowW, int windowH)
{
    return 2 * (windowW + windowH) + 3;
}

int MinCount(int maxArea)
{
    return maxArea & 0xFFFF;
}

int MaxCount(int maxArea)
{
    return int(uint32_t(maxArea) >> 16);
}

bool IsNg(int code, int value, const RoiLimits& lim, const InspectParams& p)
{
    switch (code) {
    case RoiCode::Defect: {
        const int limit = p.showAllParams ? lim.maxArea : p.defectArea;
        return p.ngImageTemplate ? value < limit : value > limit;
    }
    case RoiCode::Spot:
        return value < lim.sensibility || value > lim.maxArea;
    case RoiCode::BlackArea:
    case RoiCode::WhiteArea:
        return value > lim.maxArea;
    case RoiCode::Similarity:
        return value < lim.sensibility;
    case RoiCode::WhiteNum:
    case RoiCode::BlackNum:
        return value < MinCount(lim.maxArea) || value > MaxCount(lim.maxArea);
    default:
        return false;
    }
}

int LowLimit(int code, const RoiLimits& lim)
{
    switch (code) {
    case RoiCode::Spot:
    case RoiCode::Similarity:
        return lim.sensibility;
    case RoiCode::WhiteNum:
    case RoiCode::BlackNum:
        return MinCount(lim.maxArea);
    default:
        return 0;
    }
}

int HighLimit(int code, const RoiLimits& lim)
{
    switch (code) {
    case RoiCode::Similarity:
        return -1;
    case RoiCode::WhiteNum:
    case RoiCode::BlackNum:
        return MaxCount(lim.maxArea);
    default:
        return lim.maxArea;
    }
}

bool DistIsNg(int foundCount, int refCount, double distance, const RoiLimits& lim)
{
    if (foundCount <= 0)
        return true;
    const int want = foundCount == 1 ? 1 : 2;
    return refCount != want || float(distance) > float(lim.maxArea);
}

}  // namespace RoiRules
