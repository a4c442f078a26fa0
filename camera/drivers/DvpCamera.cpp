#include "DvpCamera.h"

#include "camera/CameraGlobals.h"
#include "params/WizardPara.h"

#include <algorithm>

using namespace dvp;

bool DvpCamera::Probe()
{
    dvpUint32 count = 0;
    if (dvpRefresh(&count) != DVP_STATUS_OK) {
        qWarning("find camera fail");
        return false;
    }
    if (count == 0) {
        qInfo("find camera count: 0");
        return false;
    }
    count = std::min<dvpUint32>(count, 16);
    dvpCameraInfo info;
    if (dvpEnum(0, &info) != DVP_STATUS_OK) {
        qWarning("Enumerate fail!");
        return false;
    }
    dvpHandle h = 0;
    if (dvpOpenByName(info.FriendlyName, OPEN_NORMAL, &h) != DVP_STATUS_OK)
        return false;
    dvpSensorInfo sensor{};
    if (dvpGetSensorInfo(h, &sensor) == DVP_STATUS_OK && sensor.isColor)
        gSensorColor = 1;
    dvpRegion roi{};
    const bool sized = dvpGetRoi(h, &roi) == DVP_STATUS_OK && roi.W > 0 && roi.H > 0;
    dvpClose(h);
    if (!sized) {
        qWarning("Get roi fail!");
        return false;
    }
    SetFrameSize(roi.W, roi.H);
    gCameraID = CAMERA_DVP;
    gFindCamera = CapCameraCount(int(count));
    return true;
}

int DvpCamera::Recount(bool)
{
    dvpUint32 n = 0;
    dvpRefresh(&n);
    return int(n);
}

int DvpCamera::TargetFormat()
{
    return (!gisColor || !gSensorColor) ? FORMAT_MONO : FORMAT_BGR24;
}

bool DvpCamera::IsValidHandle(dvpHandle h)
{
    bool valid = false;
    return dvpIsValid(h, &valid) == DVP_STATUS_OK && valid;
}

bool DvpCamera::open(const char*)
{
    if (dvpEnum(dvpUint32(m_link.index()), &cameraInfo) != DVP_STATUS_OK)
        return false;
    if (dvpOpenByName(cameraInfo.FriendlyName, OPEN_NORMAL, &handle) != DVP_STATUS_OK) {
        handle = 0;
        return false;
    }
    dvpSetGammaState(handle, true);
    dvpSetContrastState(handle, true);
    dvpSetSharpnessState(handle, true);
    dvpSetTargetFormat(handle, TargetFormat());
    dvpSetConfigString(handle, "HdrEnable", "false");
    dvpSetAeOperation(handle, AE_OP_OFF);
    dvpSetTriggerSource(handle, 1);
    dvpSetRoi(handle, dvpRegion{0, 0, gImageW, gImageH});
    dvpRegisterStreamCallback(handle, &DvpCamera::dvpStreamCallback, STREAM_EVENT_FRAME_THREAD, this);
    return true;
}

bool DvpCamera::start()
{
    bool valid = false;
    dvpIsValid(handle, &valid);
    if (!valid)
        return false;
    dvpStreamState state = STATE_STOPED;
    if (dvpGetStreamState(handle, &state) != DVP_STATUS_OK)
        return false;
    if (state == STATE_STOPED)
        dvpStart(handle);
    return true;
}

void DvpCamera::stop()
{
    bool valid = false;
    dvpIsValid(handle, &valid);
    dvpStreamState state = STATE_STOPED;
    if (valid && dvpGetStreamState(handle, &state) == DVP_STATUS_OK && state == STATE_STARTED)
        dvpStop(handle);
}

void DvpCamera::close()
{
    dvpClose(handle);
    handle = 0;
}

void DvpCamera::trigger(bool external, bool)
{
    dvpSetTriggerState(handle, external);
}

bool DvpCamera::setExposure(int e, bool autoExposure, bool autoShading)
{
    if (!autoExposure) {
        dvpSetAeOperation(handle, AE_OP_OFF);
        dvpSetExposure(handle, e * 1000.0);
    } else {
        dvpSetAeOperation(handle, AE_OP_CONTINUOUS);
    }
    dvpSetConfigString(handle, "HdrEnable", autoShading ? "true" : "false");
    return true;
}

bool DvpCamera::setGain(int g)
{
    dvpFloatDescr d{};
    if (RangeRead(dvpGetAnalogGainDescr(handle, &d), DVP_STATUS_OK, "gain range"))
        dvpSetAnalogGain(handle, float(MapToRange(d.fMin, d.fMax, g, 64)));
    return true;
}

void DvpCamera::setSharpness(int s)
{
    dvpIntDescr d{};
    if (RangeRead(dvpGetSharpnessDescr(handle, &d), DVP_STATUS_OK, "sharpness range"))
        dvpSetSharpness(handle, int(MapToRange(d.iMin, d.iMax, s, 100)));
}

void DvpCamera::setContrast(int c)
{
    dvpIntDescr d{};
    if (RangeRead(dvpGetContrastDescr(handle, &d), DVP_STATUS_OK, "contrast range"))
        dvpSetContrast(handle, int(MapToRange(d.iMin, d.iMax, c, 200)));
}

void DvpCamera::setGamma(int y)
{
    dvpIntDescr d{};
    if (RangeRead(dvpGetGammaDescr(handle, &d), DVP_STATUS_OK, "gamma range"))
        dvpSetGamma(handle, int(MapToRange(d.iMin, d.iMax, y, 250)));
}

void DvpCamera::restoreDefaults(WizardPara& edit, const WizardPara&)
{
    if (!m_link.isOpen())
        return;
    const int i = m_link.index();
    m_link.stopAcquisition();
    dvpLoadDefault(handle);
    dvpSetAeOperation(handle, AE_OP_OFF);
    dvpSetTargetFormat(handle, TargetFormat());
    dvpSetGammaState(handle, true);
    dvpSetContrastState(handle, true);
    dvpSetSharpnessState(handle, true);
    dvpSetRoi(handle, dvpRegion{0, 0, gImageW, gImageH});
    dvpSetConfigString(handle, "HdrEnable", edit.autoShading ? "true" : "false");
    // The camera's own values, without range mapping.
    double us = 0;
    if (dvpGetExposure(handle, &us) == DVP_STATUS_OK)
        edit.exposure[i] = int(us / 1000);
    float g = 0;
    if (dvpGetAnalogGain(handle, &g) == DVP_STATUS_OK)
        edit.gain[i] = int(g);
    int v = 0;
    if (dvpGetSharpness(handle, &v) == DVP_STATUS_OK)
        edit.sharpness[i] = v;
    if (dvpGetGamma(handle, &v) == DVP_STATUS_OK)
        edit.gamma[i] = v;
    if (dvpGetContrast(handle, &v) == DVP_STATUS_OK)
        edit.contrast[i] = v;
    m_link.startAcquisition();
}

void DvpCamera::applySpeed(int s)
{
    frameSkip.store(s);
}

int DvpCamera::dvpStreamCallback(dvpHandle, dvpStreamEvent, void* ctx, dvpFrame* frame, void* data)
{
    auto* self = static_cast<DvpCamera*>(ctx);
    if (!self || !frame || !data)
        return 0;
    self->frameCounter += 1;
    if (self->frameCounter <= self->frameSkip.load())
        return 0;
    self->frameCounter = 0;
    if (!self->m_link.frameFits(frame->iWidth, frame->iHeight, "DVP"))
        return 0;
    if (frame->format == FORMAT_BGR24 && gisColor)
        self->deliverRgb(static_cast<unsigned char*>(data));
    else
        self->m_link.deliver(data, int(std::min(frame->uBytes, unsigned(gImageLen))));
    return 0;
}
