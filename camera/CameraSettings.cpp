// Image settings of one camera (exposure, gain, sharpness, contrast, gamma,
// mirrors, white balance) and the factory defaults, per family.
#include "CameraSide.h"

#include "foundation/GLog.h"
#include "params/WizardPara.h"
#include "CameraStation.h"

#include <QMutexLocker>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {
// Whole-number step (max - min) / d where the range allows one; a range
// narrower than d steps keeps the fractional step (a whole one would be 0 and
// pin every value to the minimum). Setters and read-backs share it.
bool wholeStep(double span, int d, bool intStep)
{
    return intStep && int(span) / d > 0;
}

// min + (max - min) * v / d, or min + step * v with a whole step.
double mapValue(double min, double max, int v, int d, bool intStep = false)
{
    const double span = max - min;
    if (wholeStep(span, d, intStep))
        return min + double(int(span) / d) * v;
    return min + span * v / d;
}

// The inverse of mapValue; an empty range reads as 0.
int readBack(double cur, double min, double max, int d, bool intStep = false)
{
    const double span = max - min;
    if (span <= 0)
        return 0;
    if (wholeStep(span, d, intStep))
        return int((cur - min) / double(int(span) / d));
    return int((cur - min) * d / span);
}
}  // namespace

bool CameraSide::RangeRead(int status, int ok, const char* what) const
{
    if (status == ok)
        return true;
    // The camera keeps its previous value rather than one from a range never read.
    GLogInfo(QStringLiteral("camera %1: %2 fail, ErrorCode[%3]").arg(camIndex + 1).arg(QLatin1String(what)).arg(status));
    return false;
}

QString CameraSide::FilterDescription() const
{
    return filterParts[0] + filterParts[1] + filterParts[2] + filterParts[3];
}

void CameraSide::RebuildFilters()
{
    const QByteArray desc = FilterDescription().toLatin1();
    init_filters(desc.constData());
}

void CameraSide::SetV4l2Piece(int index, const QString& piece)
{
    QMutexLocker lock(pMutex[camIndex]);
    filterParts[index] = piece;
    RebuildFilters();
}

void CameraSide::SetExposeTime()
{
    if (!isOpen())
        return;
    const WizardPara& p = Para();
    const int i = camIndex;
    const int e = p.exposure[i];
    const bool autoExp = p.autoExposure != 0;
    const bool shading = p.autoShading != 0;
    switch (gCameraID) {
    case CAMERA_GALAXY: {
        using namespace gx;
        if (!autoExp) {
            GXSetEnum(gxHandle, GX_ENUM_EXPOSURE_AUTO, 0);
            GX_FLOAT_RANGE r{};
            double t = e;
            if (GXGetFloatRange(gxHandle, GX_FLOAT_EXPOSURE_TIME, &r) == GX_STATUS_SUCCESS)
                t = std::trunc(r.dMin + (r.dMax - r.dMin) * e / 100);
            GXSetFloat(gxHandle, GX_FLOAT_EXPOSURE_TIME, t);
        } else {
            GXSetEnum(gxHandle, GX_ENUM_EXPOSURE_AUTO, 1);
        }
        GXSetEnum(gxHandle, GX_ENUM_HDR_MODE, shading ? 1 : 0);
        break;
    }
    case CAMERA_UEYE: {
        double ms = e;
        ueye::is_Exposure(ueyeHandle, ueye::IS_EXPOSURE_CMD_SET_EXPOSURE, &ms, sizeof(ms));
        break;
    }
    case CAMERA_MINDVISION:
        if (!autoExp) {
            mind::CameraSetAeState(mindHandle, false);
            mind::CameraSetExposureTime(mindHandle, e * 1000.0);
        } else {
            mind::CameraSetAeState(mindHandle, true);
        }
        mind::CameraCommonCall(mindHandle, shading ? "set_awdr_enable(true)" : "set_awdr_enable(false)", nullptr, 0);
        break;
    case CAMERA_MVS:
        mvs::MV_CC_SetEnumValue(mvsHandle, "ExposureMode", 0);
        mvs::MV_CC_SetEnumValue(mvsHandle, "ExposureAuto", 0);
        mvs::MV_CC_SetFloatValue(mvsHandle, "ExposureTime", float(e * 1000));
        break;
    case CAMERA_IMV: {
        if (!imvHandle)
            return;
        const int r = imv::IMV_SetDoubleFeatureValue(imvHandle, "ExposureTime", e * 1000.0);
        if (r != imv::IMV_OK) {
            GLogInfo(QStringLiteral("set ExposureTime value = %1 fail, ErrorCode[%2]").arg(e).arg(r));
            return;
        }
        break;
    }
    case CAMERA_DVP:
        if (!autoExp) {
            dvp::dvpSetAeOperation(dvpHandle, dvp::AE_OP_OFF);
            dvp::dvpSetExposure(dvpHandle, e * 1000.0);
        } else {
            dvp::dvpSetAeOperation(dvpHandle, dvp::AE_OP_CONTINUOUS);
        }
        dvp::dvpSetConfigString(dvpHandle, "HdrEnable", shading ? "true" : "false");
        break;
    default:
        break;
    }
    SetWB();
}

void CameraSide::SetAdjustPlus()
{
    if (!isOpen())
        return;
    const int g = Para().gain[camIndex];
    switch (gCameraID) {
    case CAMERA_GALAXY: {
        gx::GX_FLOAT_RANGE r{};
        if (RangeRead(gx::GXGetFloatRange(gxHandle, gx::GX_FLOAT_GAIN, &r), gx::GX_STATUS_SUCCESS, "gain range"))
            gx::GXSetFloat(gxHandle, gx::GX_FLOAT_GAIN, mapValue(r.dMin, r.dMax, g, 64));
        break;
    }
    case CAMERA_UEYE:
        ueye::is_SetHardwareGain(ueyeHandle, g, g, g, g);
        break;
    case CAMERA_MINDVISION: {
        int lo = 0, hi = 0;
        if (RangeRead(mind::CameraGetAeAnalogGainRange(mindHandle, &lo, &hi), mind::CAMERA_STATUS_SUCCESS, "gain range"))
            mind::CameraSetAnalogGain(mindHandle, int(mapValue(lo, hi, g, 64)));
        break;
    }
    case CAMERA_MVS: {
        mvs::MVCC_FLOATVALUE v{};
        if (!RangeRead(mvs::MV_CC_GetGain(mvsHandle, &v), mvs::MV_OK, "gain range"))
            break;
        mvs::MV_CC_SetEnumValue(mvsHandle, "GainAuto", 0);
        mvs::MV_CC_SetFloatValue(mvsHandle, "Gain", v.fMin + (v.fMax - v.fMin) / 64 * g);
        break;
    }
    case CAMERA_IMV: {
        if (!imvHandle)
            return;
        double lo = 0, hi = 0;
        if (!RangeRead(imv::IMV_GetDoubleFeatureMin(imvHandle, "GainRaw", &lo), imv::IMV_OK, "GainRaw range")
            || !RangeRead(imv::IMV_GetDoubleFeatureMax(imvHandle, "GainRaw", &hi), imv::IMV_OK, "GainRaw range"))
            return;
        const double value = mapValue(lo, hi, g, 64);
        const int r = imv::IMV_SetDoubleFeatureValue(imvHandle, "GainRaw", value);
        if (r != imv::IMV_OK) {
            GLogInfo(QStringLiteral("set GainRaw value = %1 fail, ErrorCode[%2]").arg(value, 0, 'g').arg(r));
            return;
        }
        break;
    }
    case CAMERA_DVP: {
        dvp::dvpFloatDescr d{};
        if (RangeRead(dvp::dvpGetAnalogGainDescr(dvpHandle, &d), dvp::DVP_STATUS_OK, "gain range"))
            dvp::dvpSetAnalogGain(dvpHandle, float(mapValue(d.fMin, d.fMax, g, 64)));
        break;
    }
    default:
        break;
    }
    SetWB();
}

void CameraSide::SetSharp()
{
    if (!isOpen())
        return;
    const int s = Para().sharpness[camIndex];
    switch (gCameraID) {
    case CAMERA_GALAXY: {
        gx::GX_FLOAT_RANGE r{};
        if (RangeRead(gx::GXGetFloatRange(gxHandle, gx::GX_FLOAT_SHARPNESS, &r), gx::GX_STATUS_SUCCESS, "sharpness range"))
            gx::GXSetFloat(gxHandle, gx::GX_FLOAT_SHARPNESS, std::trunc(mapValue(r.dMin, r.dMax, s, 100)));
        break;
    }
    case CAMERA_MINDVISION: {
        if (!mindCapabilityRead)
            break;
        const mind::tRange r = mindCapability.sSharpnessRange;
        mind::CameraSetSharpness(mindHandle, int(mapValue(r.iMin, r.iMax, s, 100, true)));
        break;
    }
    case CAMERA_MVS: {
        mvs::MVCC_INTVALUE v{};
        if (RangeRead(mvs::MV_CC_GetSharpness(mvsHandle, &v), mvs::MV_OK, "sharpness range"))
            mvs::MV_CC_SetIntValue(mvsHandle, "Sharpness", unsigned(mapValue(v.nMin, v.nMax, s, 100)));
        break;
    }
    case CAMERA_IMV: {
        if (!imvHandle)
            return;
        int64_t lo = 0, hi = 0;
        if (RangeRead(imv::IMV_GetIntFeatureMin(imvHandle, "Sharpness", &lo), imv::IMV_OK, "Sharpness range")
            && RangeRead(imv::IMV_GetIntFeatureMax(imvHandle, "Sharpness", &hi), imv::IMV_OK, "Sharpness range"))
            imv::IMV_SetIntFeatureValue(imvHandle, "Sharpness", int64_t(mapValue(double(lo), double(hi), s, 100)));
        break;
    }
    case CAMERA_V4L2:
        SetV4l2Piece(2, SharpenPiece(s));
        break;
    case CAMERA_DVP: {
        dvp::dvpIntDescr d{};
        if (RangeRead(dvp::dvpGetSharpnessDescr(dvpHandle, &d), dvp::DVP_STATUS_OK, "sharpness range"))
            dvp::dvpSetSharpness(dvpHandle, int(mapValue(d.iMin, d.iMax, s, 100)));
        break;
    }
    default:
        break;
    }
}

void CameraSide::SetContrast()
{
    if (!isOpen())
        return;
    const int c = Para().contrast[camIndex];
    switch (gCameraID) {
    case CAMERA_GALAXY: {
        // Galaxy contrast is applied in software by the frame pump.
        QMutexLocker lock(pMutex[camIndex]);
        gContrast[camIndex] = c > 150 ? 100 : c - 50;
        break;
    }
    case CAMERA_MINDVISION: {
        if (!mindCapabilityRead)
            break;
        const mind::tRange r = mindCapability.sContrastRange;
        mind::CameraSetContrast(mindHandle, int(mapValue(r.iMin, r.iMax, c, 200, true)));
        break;
    }
    case CAMERA_V4L2:
        SetV4l2Piece(0, ContrastPiece(c));
        break;
    case CAMERA_DVP: {
        dvp::dvpIntDescr d{};
        if (RangeRead(dvp::dvpGetContrastDescr(dvpHandle, &d), dvp::DVP_STATUS_OK, "contrast range"))
            dvp::dvpSetContrast(dvpHandle, int(mapValue(d.iMin, d.iMax, c, 200)));
        break;
    }
    default:
        break;
    }
}

void CameraSide::SetGamma()
{
    if (!isOpen())
        return;
    const int y = Para().gamma[camIndex];
    switch (gCameraID) {
    case CAMERA_GALAXY: {
        gx::GX_FLOAT_RANGE r{};
        if (RangeRead(gx::GXGetFloatRange(gxHandle, gx::GX_FLOAT_GAMMA, &r), gx::GX_STATUS_SUCCESS, "gamma range"))
            gx::GXSetFloat(gxHandle, gx::GX_FLOAT_GAMMA, mapValue(r.dMin, r.dMax, y, 250));
        break;
    }
    case CAMERA_UEYE: {
        ueye::INT v = y;
        ueye::is_Gamma(ueyeHandle, ueye::IS_GAMMA_CMD_SET, &v, sizeof(v));
        break;
    }
    case CAMERA_MINDVISION: {
        if (!mindCapabilityRead)
            break;
        const mind::tRange r = mindCapability.sGammaRange;
        mind::CameraSetGamma(mindHandle, int(mapValue(r.iMin, r.iMax, y, 250, true)));
        break;
    }
    case CAMERA_MVS: {
        mvs::MVCC_FLOATVALUE v{};
        if (RangeRead(mvs::MV_CC_GetGamma(mvsHandle, &v), mvs::MV_OK, "gamma range"))
            mvs::MV_CC_SetFloatValue(mvsHandle, "Gamma", float(mapValue(v.fMin, v.fMax, y, 250)));
        break;
    }
    case CAMERA_IMV: {
        if (!imvHandle)
            return;
        double lo = 0, hi = 0;
        if (RangeRead(imv::IMV_GetDoubleFeatureMin(imvHandle, "Gamma", &lo), imv::IMV_OK, "Gamma range")
            && RangeRead(imv::IMV_GetDoubleFeatureMax(imvHandle, "Gamma", &hi), imv::IMV_OK, "Gamma range"))
            imv::IMV_SetDoubleFeatureValue(imvHandle, "Gamma", mapValue(lo, hi, y, 250));
        break;
    }
    case CAMERA_V4L2:
        SetV4l2Piece(1, GammaPiece(y));
        break;
    case CAMERA_DVP: {
        dvp::dvpIntDescr d{};
        if (RangeRead(dvp::dvpGetGammaDescr(dvpHandle, &d), dvp::DVP_STATUS_OK, "gamma range"))
            dvp::dvpSetGamma(dvpHandle, int(mapValue(d.iMin, d.iMax, y, 250)));
        break;
    }
    default:
        break;
    }
}

void CameraSide::SetHMirror()
{
    if (!isOpen())
        return;
    const bool on = Para().hMirror[camIndex] != 0;
    if (gCameraID == CAMERA_MINDVISION)
        mind::CameraSetMirror(mindHandle, mind::MIRROR_DIRECTION_HORIZONTAL, on);
    else if (gCameraID == CAMERA_IMV && imvHandle)
        imv::IMV_SetBoolFeatureValue(imvHandle, "ReverseX", on);
}

void CameraSide::SetVMirror()
{
    if (!isOpen())
        return;
    const bool on = Para().vMirror[camIndex] != 0;
    if (gCameraID == CAMERA_MINDVISION)
        mind::CameraSetMirror(mindHandle, mind::MIRROR_DIRECTION_VERTICAL, on);
    else if (gCameraID == CAMERA_IMV && imvHandle)
        imv::IMV_SetBoolFeatureValue(imvHandle, "ReverseY", on);
}

void CameraSide::SetWB()
{
    // White balance only for colour frames from a colour sensor.
    if (!isOpen() || !gisColor || !gSensorColor)
        return;
    if (gCameraID == CAMERA_MINDVISION)
        mind::CameraSetOnceWB(mindHandle);
    else if (gCameraID == CAMERA_MVS)
        mvs::MV_CC_SetBalanceWhiteAuto(mvsHandle, mvs::MV_BALANCEWHITE_AUTO_ONCE);
}

void CameraSide::AutoChangeExposeTime(int meanGrey)
{
    if (!isOpen())
        return;
    int& e = station->livePara->exposure[camIndex];
    if (meanGrey > 130)
        e = std::max(e - 1, 0);
    else if (meanGrey < 126)
        e = std::min(e + 1, 10000);  // the parameter's own range
    SetExposeTime();
}

bool CameraSide::IsValidHandle(dvp::dvpHandle handle) const
{
    bool valid = false;
    return dvp::dvpIsValid(handle, &valid) == dvp::DVP_STATUS_OK && valid;
}

void CameraSide::onDeviceLinkNotify(const imv::IMV_SConnectArg* arg, void* user)
{
    const auto* self = static_cast<const CameraSide*>(user);
    if (!arg || !self || arg->event != imv::offLine)
        return;
    std::printf("------cameraKey[%s] : OffLine------\n", self->imvCameraKey);
    std::fflush(stdout);
    GLogInfo(QStringLiteral("------cameraKey[%1] : OffLine------").arg(QString::fromLatin1(self->imvCameraKey)));
}

void CameraSide::RestoreDefaultSettings()
{
    WizardPara& edit = *station->editPara;
    const int i = camIndex;
    switch (gCameraID) {
    case CAMERA_MINDVISION: {
        using namespace mind;
        if (!isOpen())
            return;
        CameraStop();
        CameraLoadParameter(mindHandle, PARAMETER_TEAM_DEFAULT);
        MindApplyFormat(false);
        CameraSetAeState(mindHandle, station->livePara->autoExposure != 0);
        CameraSetFrameSpeed(mindHandle, 0);
        // A value the camera does not report keeps what the dialog shows.
        const auto ok = [](CameraSdkStatus st) { return st == CAMERA_STATUS_SUCCESS; };
        double us = 0;
        if (ok(CameraGetExposureTime(mindHandle, &us)))
            edit.exposure[i] = int(us / 1000);
        int lo = 0, hi = 0, g = 0;
        if (ok(CameraGetAeAnalogGainRange(mindHandle, &lo, &hi)) && ok(CameraGetAnalogGain(mindHandle, &g)))
            edit.gain[i] = readBack(g, lo, hi, 64);
        int v = 0;
        if (mindCapabilityRead) {
            const tSdkCameraCapbility& cap = mindCapability;
            if (ok(CameraGetSharpness(mindHandle, &v)))
                edit.sharpness[i] = readBack(v, cap.sSharpnessRange.iMin, cap.sSharpnessRange.iMax, 100, true);
            if (ok(CameraGetContrast(mindHandle, &v)))
                edit.contrast[i] = readBack(v, cap.sContrastRange.iMin, cap.sContrastRange.iMax, 200, true);
            if (ok(CameraGetGamma(mindHandle, &v)))
                edit.gamma[i] = readBack(v, cap.sGammaRange.iMin, cap.sGammaRange.iMax, 250, true);
        }
        CameraStart();
        station->CameraSetSpeed();
        break;
    }
    case CAMERA_MVS: {
        using namespace mvs;
        if (!isOpen())
            return;
        CameraStop();
        MV_CC_SetEnumValue(mvsHandle, "UserSetSelector", 0);
        MV_CC_SetCommandValue(mvsHandle, "UserSetLoad");
        MV_CC_SetEnumValue(mvsHandle, "PixelFormat", unsigned(MvsPixelFormat()));
        CameraStart();
        MVCC_FLOATVALUE f{};
        if (MV_CC_GetFloatValue(mvsHandle, "ExposureTime", &f) == MV_OK)
            edit.exposure[i] = int(f.fCurValue / 1000);
        if (MV_CC_GetGain(mvsHandle, &f) == MV_OK)
            edit.gain[i] = readBack(f.fCurValue, f.fMin, f.fMax, 64);
        MVCC_INTVALUE n{};
        if (MV_CC_GetSharpness(mvsHandle, &n) == MV_OK)
            edit.sharpness[i] = readBack(n.nCurValue, n.nMin, n.nMax, 100);
        if (MV_CC_GetGamma(mvsHandle, &f) == MV_OK)
            edit.gamma[i] = readBack(f.fCurValue, f.fMin, f.fMax, 250);
        break;
    }
    case CAMERA_IMV: {
        using namespace imv;
        if (!isOpen() || !imvHandle)
            return;
        CameraStop();
        IMV_ExecuteCommandFeature(imvHandle, "UserSetLoad");
        ImvApplyFormat();
        const auto readDouble = [this](const char* name, int d, int* out) {
            double cur = 0, lo = 0, hi = 0;
            if (IMV_GetDoubleFeatureValue(imvHandle, name, &cur) == IMV_OK
                && IMV_GetDoubleFeatureMin(imvHandle, name, &lo) == IMV_OK
                && IMV_GetDoubleFeatureMax(imvHandle, name, &hi) == IMV_OK)
                *out = readBack(cur, lo, hi, d);
        };
        double us = 0;
        if (IMV_GetDoubleFeatureValue(imvHandle, "ExposureTime", &us) == IMV_OK)
            edit.exposure[i] = int(us / 1000);
        readDouble("GainRaw", 64, &edit.gain[i]);
        int64_t icur = 0, ilo = 0, ihi = 0;
        if (IMV_GetIntFeatureValue(imvHandle, "Sharpness", &icur) == IMV_OK
            && IMV_GetIntFeatureMin(imvHandle, "Sharpness", &ilo) == IMV_OK
            && IMV_GetIntFeatureMax(imvHandle, "Sharpness", &ihi) == IMV_OK)
            edit.sharpness[i] = readBack(double(icur), double(ilo), double(ihi), 100);
        readDouble("Gamma", 250, &edit.gamma[i]);
        SetHMirror();
        SetVMirror();
        CameraStart();
        break;
    }
    case CAMERA_DVP: {
        using namespace dvp;
        if (!isOpen())
            return;
        CameraStop();
        dvpLoadDefault(dvpHandle);
        dvpSetAeOperation(dvpHandle, AE_OP_OFF);
        dvpSetTargetFormat(dvpHandle, DvpTargetFormat());
        dvpSetGammaState(dvpHandle, true);
        dvpSetContrastState(dvpHandle, true);
        dvpSetSharpnessState(dvpHandle, true);
        dvpSetRoi(dvpHandle, dvpRegion{0, 0, gImageW, gImageH});
        dvpSetConfigString(dvpHandle, "HdrEnable", edit.autoShading ? "true" : "false");
        double us = 0;
        if (dvpGetExposure(dvpHandle, &us) == DVP_STATUS_OK)
            edit.exposure[i] = int(us / 1000);
        float g = 0;
        if (dvpGetAnalogGain(dvpHandle, &g) == DVP_STATUS_OK)
            edit.gain[i] = int(g);
        int v = 0;
        if (dvpGetSharpness(dvpHandle, &v) == DVP_STATUS_OK)
            edit.sharpness[i] = v;
        if (dvpGetGamma(dvpHandle, &v) == DVP_STATUS_OK)
            edit.gamma[i] = v;
        if (dvpGetContrast(dvpHandle, &v) == DVP_STATUS_OK)
            edit.contrast[i] = v;
        CameraStart();
        break;
    }
    case CAMERA_V4L2: {
        edit.contrast[i] = 140;
        edit.gamma[i] = 40;
        edit.sharpness[i] = 0;
        // The graph is rebuilt by the next setter.
        QMutexLocker lock(pMutex[i]);
        filterParts[0] = ContrastPiece(140);
        filterParts[1] = GammaPiece(40);
        filterParts[2] = SharpenPiece(0);
        filterParts[3].clear();
        break;
    }
    default:
        break;
    }
}
