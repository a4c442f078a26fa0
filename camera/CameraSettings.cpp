// Image settings of one camera (exposure, gain, sharpness, contrast, gamma,
// mirrors, white balance) and the factory defaults, per family.
#include "CameraSide.h"

#include "foundation/GLog.h"
#include "params/WizardPara.h"
#include "CameraStation.h"

#include <QMutexLocker>

#include <cmath>

namespace {
// min + (max - min) * v / d; with intStep the step (max - min) / d is whole first.
double mapValue(double min, double max, int v, int d, bool intStep = false)
{
    if (intStep)
        return min + double(int(max - min) / d) * v;
    return min + (max - min) * v / d;
}

// The inverse of mapValue. A range narrower than d steps gives fractional
// steps instead of a division by zero; an empty range reads as 0.
int readBack(double cur, double min, double max, int d, bool intStep = false)
{
    const double span = max - min;
    if (span <= 0)
        return 0;
    double step = intStep ? double(int(span) / d) : span / d;
    if (step <= 0)
        step = span / d;
    return int((cur - min) / step);
}
}  // namespace

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
            GX_FLOAT_RANGE r;
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
        gx::GX_FLOAT_RANGE r;
        gx::GXGetFloatRange(gxHandle, gx::GX_FLOAT_GAIN, &r);
        gx::GXSetFloat(gxHandle, gx::GX_FLOAT_GAIN, mapValue(r.dMin, r.dMax, g, 64));
        break;
    }
    case CAMERA_UEYE:
        ueye::is_SetHardwareGain(ueyeHandle, g, g, g, g);
        break;
    case CAMERA_MINDVISION: {
        int lo = 0, hi = 0;
        mind::CameraGetAeAnalogGainRange(mindHandle, &lo, &hi);
        mind::CameraSetAnalogGain(mindHandle, int(mapValue(lo, hi, g, 64)));
        break;
    }
    case CAMERA_MVS: {
        mvs::MVCC_FLOATVALUE v;
        mvs::MV_CC_GetGain(mvsHandle, &v);
        mvs::MV_CC_SetEnumValue(mvsHandle, "GainAuto", 0);
        mvs::MV_CC_SetFloatValue(mvsHandle, "Gain", v.fMin + (v.fMax - v.fMin) / 64 * g);
        break;
    }
    case CAMERA_IMV: {
        if (!imvHandle)
            return;
        double lo = 0, hi = 0;
        imv::IMV_GetDoubleFeatureMin(imvHandle, "GainRaw", &lo);
        imv::IMV_GetDoubleFeatureMax(imvHandle, "GainRaw", &hi);
        const double value = mapValue(lo, hi, g, 64);
        const int r = imv::IMV_SetDoubleFeatureValue(imvHandle, "GainRaw", value);
        if (r != imv::IMV_OK) {
            GLogInfo(QStringLiteral("set GainRaw value = %1 fail, ErrorCode[%2]").arg(value, 0, 'g').arg(r));
            return;
        }
        break;
    }
    case CAMERA_DVP: {
        dvp::dvpFloatDescr d;
        dvp::dvpGetAnalogGainDescr(dvpHandle, &d);
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
        gx::GX_FLOAT_RANGE r;
        gx::GXGetFloatRange(gxHandle, gx::GX_FLOAT_SHARPNESS, &r);
        gx::GXSetFloat(gxHandle, gx::GX_FLOAT_SHARPNESS, std::trunc(mapValue(r.dMin, r.dMax, s, 100)));
        break;
    }
    case CAMERA_MINDVISION: {
        const mind::tRange r = mindCapability.sSharpnessRange;
        mind::CameraSetSharpness(mindHandle, int(mapValue(r.iMin, r.iMax, s, 100, true)));
        break;
    }
    case CAMERA_MVS: {
        mvs::MVCC_INTVALUE v;
        mvs::MV_CC_GetSharpness(mvsHandle, &v);
        mvs::MV_CC_SetIntValue(mvsHandle, "Sharpness", unsigned(mapValue(v.nMin, v.nMax, s, 100)));
        break;
    }
    case CAMERA_IMV: {
        if (!imvHandle)
            return;
        int64_t lo = 0, hi = 0;
        imv::IMV_GetIntFeatureMin(imvHandle, "Sharpness", &lo);
        imv::IMV_GetIntFeatureMax(imvHandle, "Sharpness", &hi);
        imv::IMV_SetIntFeatureValue(imvHandle, "Sharpness", int64_t(mapValue(double(lo), double(hi), s, 100)));
        break;
    }
    case CAMERA_V4L2:
        SetV4l2Piece(2, SharpenPiece(s));
        break;
    case CAMERA_DVP: {
        dvp::dvpIntDescr d;
        dvp::dvpGetSharpnessDescr(dvpHandle, &d);
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
        const mind::tRange r = mindCapability.sContrastRange;
        mind::CameraSetContrast(mindHandle, int(mapValue(r.iMin, r.iMax, c, 200, true)));
        break;
    }
    case CAMERA_V4L2:
        SetV4l2Piece(0, ContrastPiece(c));
        break;
    case CAMERA_DVP: {
        dvp::dvpIntDescr d;
        dvp::dvpGetContrastDescr(dvpHandle, &d);
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
        gx::GX_FLOAT_RANGE r;
        gx::GXGetFloatRange(gxHandle, gx::GX_FLOAT_GAMMA, &r);
        gx::GXSetFloat(gxHandle, gx::GX_FLOAT_GAMMA, mapValue(r.dMin, r.dMax, y, 250));
        break;
    }
    case CAMERA_UEYE: {
        ueye::INT v = y;
        ueye::is_Gamma(ueyeHandle, ueye::IS_GAMMA_CMD_SET, &v, sizeof(v));
        break;
    }
    case CAMERA_MINDVISION: {
        const mind::tRange r = mindCapability.sGammaRange;
        mind::CameraSetGamma(mindHandle, int(mapValue(r.iMin, r.iMax, y, 250, true)));
        break;
    }
    case CAMERA_MVS: {
        mvs::MVCC_FLOATVALUE v;
        mvs::MV_CC_GetGamma(mvsHandle, &v);
        mvs::MV_CC_SetFloatValue(mvsHandle, "Gamma", float(mapValue(v.fMin, v.fMax, y, 250)));
        break;
    }
    case CAMERA_IMV: {
        if (!imvHandle)
            return;
        double lo = 0, hi = 0;
        imv::IMV_GetDoubleFeatureMin(imvHandle, "Gamma", &lo);
        imv::IMV_GetDoubleFeatureMax(imvHandle, "Gamma", &hi);
        imv::IMV_SetDoubleFeatureValue(imvHandle, "Gamma", mapValue(lo, hi, y, 250));
        break;
    }
    case CAMERA_V4L2:
        SetV4l2Piece(1, GammaPiece(y));
        break;
    case CAMERA_DVP: {
        dvp::dvpIntDescr d;
        dvp::dvpGetGammaDescr(dvpHandle, &d);
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
        double us = 0;
        CameraGetExposureTime(mindHandle, &us);
        edit.exposure[i] = int(us / 1000);
        int lo = 0, hi = 0, g = 0;
        CameraGetAeAnalogGainRange(mindHandle, &lo, &hi);
        CameraGetAnalogGain(mindHandle, &g);
        edit.gain[i] = readBack(g, lo, hi, 64);
        int v = 0;
        CameraGetSharpness(mindHandle, &v);
        edit.sharpness[i] = readBack(v, mindCapability.sSharpnessRange.iMin, mindCapability.sSharpnessRange.iMax, 100, true);
        CameraGetContrast(mindHandle, &v);
        edit.contrast[i] = readBack(v, mindCapability.sContrastRange.iMin, mindCapability.sContrastRange.iMax, 200, true);
        CameraGetGamma(mindHandle, &v);
        edit.gamma[i] = readBack(v, mindCapability.sGammaRange.iMin, mindCapability.sGammaRange.iMax, 250, true);
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
        MVCC_FLOATVALUE f;
        MV_CC_GetFloatValue(mvsHandle, "ExposureTime", &f);
        edit.exposure[i] = int(f.fCurValue / 1000);
        MV_CC_GetGain(mvsHandle, &f);
        edit.gain[i] = readBack(f.fCurValue, f.fMin, f.fMax, 64);
        MVCC_INTVALUE n;
        MV_CC_GetSharpness(mvsHandle, &n);
        edit.sharpness[i] = readBack(n.nCurValue, n.nMin, n.nMax, 100);
        MV_CC_GetGamma(mvsHandle, &f);
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
        double cur = 0, lo = 0, hi = 0;
        IMV_GetDoubleFeatureValue(imvHandle, "ExposureTime", &cur);
        edit.exposure[i] = int(cur / 1000);
        IMV_GetDoubleFeatureValue(imvHandle, "GainRaw", &cur);
        IMV_GetDoubleFeatureMin(imvHandle, "GainRaw", &lo);
        IMV_GetDoubleFeatureMax(imvHandle, "GainRaw", &hi);
        edit.gain[i] = readBack(cur, lo, hi, 64);
        int64_t icur = 0, ilo = 0, ihi = 0;
        IMV_GetIntFeatureValue(imvHandle, "Sharpness", &icur);
        IMV_GetIntFeatureMin(imvHandle, "Sharpness", &ilo);
        IMV_GetIntFeatureMax(imvHandle, "Sharpness", &ihi);
        edit.sharpness[i] = readBack(double(icur), double(ilo), double(ihi), 100);
        IMV_GetDoubleFeatureValue(imvHandle, "Gamma", &cur);
        IMV_GetDoubleFeatureMin(imvHandle, "Gamma", &lo);
        IMV_GetDoubleFeatureMax(imvHandle, "Gamma", &hi);
        edit.gamma[i] = readBack(cur, lo, hi, 250);
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
        dvpGetExposure(dvpHandle, &us);
        edit.exposure[i] = int(us / 1000);
        float g = 0;
        dvpGetAnalogGain(dvpHandle, &g);
        edit.gain[i] = int(g);
        int v = 0;
        dvpGetSharpness(dvpHandle, &v);
        edit.sharpness[i] = v;
        dvpGetGamma(dvpHandle, &v);
        edit.gamma[i] = v;
        dvpGetContrast(dvpHandle, &v);
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
