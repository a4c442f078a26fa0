#include "VisionGlobals.h"

#include <cmath>

int gImageW = 1920;
int gImageH = 1080;
int gShowW = 1024;
int gShowH = 768;
int m_F75111 = 0;

namespace {
// floor(v * num / den) in 64-bit, correct for negative v too.
int scaleFloor(int v, int num, int den)
{
    if (num <= 0 || den <= 0)
        return v;
    const long long p = static_cast<long long>(v) * num;
    long long q = p / den;
    if ((p % den) != 0 && p < 0)
        --q;
    return static_cast<int>(q);
}
}  // namespace

int ViewToFrameX(int viewX) { return scaleFloor(viewX, gImageW, gShowW); }
int ViewToFrameY(int viewY) { return scaleFloor(viewY, gImageH, gShowH); }

double ShowScaleW() { return (gImageW > 0 && gShowW > 0) ? double(gShowW) / gImageW : 1.0; }
double ShowScaleH() { return (gImageH > 0 && gShowH > 0) ? double(gShowH) / gImageH : 1.0; }
