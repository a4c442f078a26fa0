#include "CameraDriver.h"

#include "CameraGlobals.h"
#include "foundation/GLog.h"
#include "platform/vision/ColorConvert.h"

#include <algorithm>
#include <cstring>

void CameraDriver::prepare(const WizardPara&) {}

bool CameraDriver::open(const char*)
{
    return true;
}

void CameraDriver::trigger(bool, bool) {}

bool CameraDriver::setExposure(int, bool, bool)
{
    return true;
}

bool CameraDriver::setGain(int)
{
    return true;
}

void CameraDriver::setSharpness(int) {}
void CameraDriver::setContrast(int) {}
void CameraDriver::setGamma(int) {}
void CameraDriver::setMirror(bool, bool) {}
void CameraDriver::restoreDefaults(WizardPara&, const WizardPara&) {}
void CameraDriver::applySpeed(int) {}

bool CameraDriver::orderSerial(std::string*) const
{
    return false;
}

bool CameraDriver::HasSerial(const char* s, size_t maxLen)
{
    const size_t n = std::strlen(s);
    return n >= 9 && n <= maxLen;
}

void CameraDriver::CopyText(char* dst, size_t size, const char* src)
{
    const size_t n = std::min(std::strlen(src), size - 1);
    std::memcpy(dst, src, n);
    dst[n] = 0;
}

namespace {
// A range narrower than d steps keeps the fractional step: a whole one would
// be 0 and pin every value to the minimum. Setters and read-backs share it.
bool wholeStep(double span, int d, bool intStep)
{
    return intStep && int(span) / d > 0;
}
}  // namespace

double CameraDriver::MapToRange(double min, double max, int v, int d, bool intStep)
{
    const double span = max - min;
    if (wholeStep(span, d, intStep))
        return min + double(int(span) / d) * v;
    return min + span * v / d;
}

int CameraDriver::ReadBack(double cur, double min, double max, int d, bool intStep)
{
    const double span = max - min;
    if (span <= 0)
        return 0;
    if (wholeStep(span, d, intStep))
        return int((cur - min) / double(int(span) / d));
    return int((cur - min) * d / span);
}

bool CameraDriver::RangeRead(int status, int ok, const char* what) const
{
    if (status == ok)
        return true;
    // The camera keeps its previous value rather than one from a range never read.
    GLogInfo(QStringLiteral("camera %1: %2 fail, ErrorCode[%3]")
                 .arg(m_link.index() + 1)
                 .arg(QLatin1String(what))
                 .arg(status));
    return false;
}

void CameraDriver::deliverRgb(const unsigned char* rgb)
{
    // Widened straight into the acquisition buffer under the lock: a staging
    // copy would cost a frame of memory per camera.
    m_link.deliverInto([rgb](unsigned char* acq) {
        RGB2RGBA(rgb, acq, gImageW, gImageH);
        return true;
    });
}

void CameraDriver::deliverRgbLocked(const unsigned char* rgb)
{
    m_link.deliverIntoLocked([rgb](unsigned char* acq) {
        RGB2RGBA(rgb, acq, gImageW, gImageH);
        return true;
    });
}

void CameraDriver::WidenTailRgb(unsigned char* buffer, int pixels)
{
    // Pixel i is read from 3 * i past the first quarter before 4 * i is
    // written; the write never reaches a pixel not yet read.
    const unsigned char* rgb = buffer + pixels;
    for (long long i = 0; i < pixels; ++i) {
        const uint32_t p = 0xFF000000u | (uint32_t(rgb[3 * i]) << 16) | (uint32_t(rgb[3 * i + 1]) << 8)
                           | uint32_t(rgb[3 * i + 2]);
        std::memcpy(buffer + 4 * i, &p, 4);
    }
}
