#include "GalaxyCamera.h"

#include "camera/CameraGlobals.h"

#include <QMutexLocker>
#include <QtGlobal>

#include <algorithm>
#include <cmath>

using namespace gx;

GalaxyCamera::GalaxyCamera(CameraLink& link)
    : CameraDriver(link)
{
    m_raw = ZeroFrameBytes(size_t(gImageLen));
    m_adjusted = ZeroFrameBytes(size_t(gImageLen));
}

bool GalaxyCamera::Probe()
{
    const GX_STATUS init = GXInitLib();
    if (init != GX_STATUS_SUCCESS)
        qWarning("%d", init);
    uint32_t count = 0;
    const GX_STATUS st = GXUpdateDeviceList(&count, 20);
    if (st != GX_STATUS_SUCCESS) {
        qWarning("%d", st);
        return false;
    }
    if (count == 0) {
        qInfo("find 0 MerCamera ");
        return false;
    }
    GX_DEV_HANDLE h = nullptr;
    GX_STATUS r = GXOpenDeviceByIndex(1, &h);
    if (r != GX_STATUS_SUCCESS) {
        qWarning("Open MerCamera Error : %d", r);
        return false;
    }
    int64_t w = 0, hh = 0;
    if ((r = GXGetInt(h, GX_INT_WIDTH, &w)) != GX_STATUS_SUCCESS) {
        qWarning("Get MerCamera width Error : %d", r);
        GXCloseDevice(h);
        return false;
    }
    if ((r = GXGetInt(h, GX_INT_HEIGHT, &hh)) != GX_STATUS_SUCCESS) {
        qWarning("Get MerCamera height Error : %d", r);
        GXCloseDevice(h);
        return false;
    }
    gOW = int(w);
    gOH = int(hh);
    if (gOW == 1280 && gisCut)
        SetFrameSize(1120, 840);
    else if (gOW == 2048 && gisCut)
        SetFrameSize(1600, 1200);
    else if (gOW == 2592)
        SetFrameSize(1296, gOH / 2);  // binned 2x2, crop or not
    else
        SetFrameSize(gOW, gOH);
    qInfo("find MerCamera count : %u", count);
    gCameraID = CAMERA_GALAXY;
    gFindCamera = CapCameraCount(int(count));
    GXCloseDevice(h);
    return true;
}

bool GalaxyCamera::open(const char* serial)
{
    GX_STATUS st;
    if (!HasSerial(serial)) {
        st = GXOpenDeviceByIndex(uint32_t(m_link.index() + 1), &handle);
    } else {
        GX_OPEN_PARAM p;
        p.pszContent = serial;
        p.openMode = GX_OPEN_SN;
        p.accessMode = GX_ACCESS_EXCLUSIVE;
        st = GXOpenDevice(&p, &handle);
    }
    if (st != GX_STATUS_SUCCESS) {
        handle = nullptr;
        return false;
    }
    GXSetInt(handle, GX_INT_ACQUISITION_SPEED_LEVEL, 0);
    if (gImageW * 2 == gOW) {
        for (int f : {GX_INT_BINNING_H, GX_INT_BINNING_V, GX_INT_DECIMATION_H, GX_INT_DECIMATION_V})
            GXSetInt(handle, f, 2);
        GXSetInt(handle, GX_INT_OFFSET_X, 0);
        GXSetInt(handle, GX_INT_OFFSET_Y, 0);
    } else {
        GXSetInt(handle, GX_INT_OFFSET_X, (gOW - gImageW) / 2);
        GXSetInt(handle, GX_INT_OFFSET_Y, (gOH - gImageH) / 2);
    }
    GXSetInt(handle, GX_INT_WIDTH, gImageW);
    GXSetInt(handle, GX_INT_HEIGHT, gImageH);
    GXSetEnum(handle, GX_ENUM_SHARPNESS_MODE, 1);
    GXSetBool(handle, GX_BOOL_GAMMA_ENABLE, true);
    m_frame = GX_FRAME_DATA();
    m_frame.pImgBuf = m_raw.data();
    m_frame.nBufSize = int32_t(m_raw.size());
    return true;
}

bool GalaxyCamera::start()
{
    GXSendCommand(handle, GX_COMMAND_ACQUISITION_START);
    return true;
}

void GalaxyCamera::stop()
{
    GXSendCommand(handle, GX_COMMAND_ACQUISITION_STOP);
}

void GalaxyCamera::close()
{
    GXCloseDevice(handle);
    handle = nullptr;
}

void GalaxyCamera::trigger(bool, bool restart)
{
    // Galaxy cameras always run free.
    if (restart)
        GXSendCommand(handle, GX_COMMAND_ACQUISITION_STOP);
    GXSetEnum(handle, GX_ENUM_ACQUISITION_MODE, 2);
    GXSetEnum(handle, GX_ENUM_TRIGGER_MODE, 0);
    if (restart)
        GXSendCommand(handle, GX_COMMAND_ACQUISITION_START);
}

bool GalaxyCamera::setExposure(int e, bool autoExposure, bool autoShading)
{
    if (!autoExposure) {
        GXSetEnum(handle, GX_ENUM_EXPOSURE_AUTO, 0);
        GX_FLOAT_RANGE r{};
        double t = e;
        if (GXGetFloatRange(handle, GX_FLOAT_EXPOSURE_TIME, &r) == GX_STATUS_SUCCESS)
            t = std::trunc(r.dMin + (r.dMax - r.dMin) * e / 100);
        GXSetFloat(handle, GX_FLOAT_EXPOSURE_TIME, t);
    } else {
        GXSetEnum(handle, GX_ENUM_EXPOSURE_AUTO, 1);
    }
    GXSetEnum(handle, GX_ENUM_HDR_MODE, autoShading ? 1 : 0);
    return true;
}

bool GalaxyCamera::setGain(int g)
{
    GX_FLOAT_RANGE r{};
    if (RangeRead(GXGetFloatRange(handle, GX_FLOAT_GAIN, &r), GX_STATUS_SUCCESS, "gain range"))
        GXSetFloat(handle, GX_FLOAT_GAIN, MapToRange(r.dMin, r.dMax, g, 64));
    return true;
}

void GalaxyCamera::setSharpness(int s)
{
    GX_FLOAT_RANGE r{};
    if (RangeRead(GXGetFloatRange(handle, GX_FLOAT_SHARPNESS, &r), GX_STATUS_SUCCESS, "sharpness range"))
        GXSetFloat(handle, GX_FLOAT_SHARPNESS, std::trunc(MapToRange(r.dMin, r.dMax, s, 100)));
}

void GalaxyCamera::setContrast(int c)
{
    // Applied in software by the pump.
    QMutexLocker lock(pMutex[m_link.index()]);
    gContrast[m_link.index()] = c > 150 ? 100 : c - 50;
}

void GalaxyCamera::setGamma(int y)
{
    GX_FLOAT_RANGE r{};
    if (RangeRead(GXGetFloatRange(handle, GX_FLOAT_GAMMA, &r), GX_STATUS_SUCCESS, "gamma range"))
        GXSetFloat(handle, GX_FLOAT_GAMMA, MapToRange(r.dMin, r.dMax, y, 250));
}

bool GalaxyCamera::pumpPass()
{
    const int c = m_link.index();
    if (GXGetImage(handle, &m_frame, 100) != GX_STATUS_SUCCESS || m_frame.nStatus != 0)
        return true;
    if (!m_link.frameFits(m_frame.nWidth, m_frame.nHeight, "Galaxy"))
        return true;
    int contrast;
    {
        QMutexLocker lock(pMutex[c]);
        contrast = gContrast[c];
    }
    const int bytes = std::min(m_frame.nImgSize, int(m_raw.size()));
    DxContrast(m_raw.data(), m_adjusted.data(), bytes, contrast);
    m_link.deliver(m_adjusted.data(), bytes);
    return true;
}
