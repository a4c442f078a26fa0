#include "CameraProbe.h"

#include "CameraGlobals.h"
#include "CameraNetRepair.h"
#include "platform/DevicePaths.h"
#include "platform/camsdk/DvpSdk.h"
#include "platform/camsdk/GalaxySdk.h"
#include "platform/camsdk/UeyeSdk.h"

#include <QFile>
#include <QThread>

#include <cstring>

extern "C" {
#include <libavdevice/avdevice.h>
#include <libavformat/avformat.h>
}

namespace {
std::function<void(int)> gSleeper;

void setFrame(int w, int h)
{
    gImageW = w;
    gImageH = h;
}

int capCount(int n)
{
    // Counts index the eight camera slots, whatever a family reports.
    return std::clamp(n, 0, kMaxCameras);
}

bool probeGalaxy()
{
    using namespace gx;
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
        setFrame(1120, 840);
    else if (gOW == 2048 && gisCut)
        setFrame(1600, 1200);
    else if (gOW == 2592)
        setFrame(1296, gOH / 2);  // binned 2x2, crop or not
    else
        setFrame(gOW, gOH);
    qInfo("find MerCamera count : %u", count);
    gCameraID = CAMERA_GALAXY;
    gFindCamera = capCount(int(count));
    GXCloseDevice(h);
    return true;
}

bool probeUeye()
{
    using namespace ueye;
    CameraUSBDeviceInit();
    INT n = 0;
    if (is_GetNumberOfCameras(&n) != IS_SUCCESS || n <= 0)
        return false;
    HIDS h = 0 | IS_USE_DEVICE_ID;
    if (is_InitCamera(&h, nullptr) != IS_SUCCESS)
        return false;
    SENSORINFO info{};
    if (is_GetSensorInfo(h, &info) != IS_SUCCESS) {
        is_ExitCamera(h);
        return false;
    }
    setFrame(1280, 1024);
    gCameraID = CAMERA_UEYE;
    CameraProbeSleep(3000);
    is_GetNumberOfCameras(&n);
    gFindCamera = capCount(n);
    is_ExitCamera(h);
    return true;
}

bool probeMindVision()
{
    using namespace mind;
    int count = kMindListSize;
    CameraSdkInit(0);
    CameraEnumerateDevice(gCList, &count);
    if (count <= 0)
        return false;
    CameraHandle h = 0;
    if (CameraInit(&gCList[0], -1, -1, &h) != CAMERA_STATUS_SUCCESS)
        return false;
    tSdkCameraCapbility cap{};
    if (CameraGetCapability(h, &cap) != CAMERA_STATUS_SUCCESS) {
        // Without the sensor's size no frame size can be chosen.
        qWarning("CameraGetCapability fail");
        CameraUnInit(h);
        return false;
    }
    gOW = cap.sResolutionRange.iWidthMax;
    gOH = cap.sResolutionRange.iHeightMax;
    gSensorColor = cap.sIspCapacity.bMonoSensor ? 0 : 1;
    switch (gOW) {
    case 1280: gisCut ? setFrame(1120, 840) : setFrame(1280, gOH); break;
    case 2048: gisCut ? setFrame(1600, 1200) : setFrame(2048, gOH); break;
    case 2592:
        if (gisCut && cap.iImageSizeDesc > 0 && cap.pImageSizeDesc) {
            gImageResolution = cap.pImageSizeDesc[0];
            setFrame(gImageResolution.iWidth, gImageResolution.iHeight);
        } else {
            setFrame(2592, gOH);
        }
        break;
    case 3088: gisCut ? setFrame(2592, 1944) : setFrame(3088, gOH); break;
    case 1600: gisCut ? setFrame(1300, 1000) : setFrame(1600, gOH); break;
    default: setFrame(gOW, gOH); break;
    }
    gCameraID = CAMERA_MINDVISION;
    gFindCamera = capCount(count);
    CameraUnInit(h);
    count = kMindListSize;
    CameraEnumerateDevice(gCList, &count);
    return true;
}

bool probeDvp()
{
    using namespace dvp;
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
    setFrame(roi.W, roi.H);
    gCameraID = CAMERA_DVP;
    gFindCamera = capCount(int(count));
    return true;
}

bool probeV4l2()
{
    gFindCamera = capCount(CheckUSBCameraNum());
    if (gFindCamera <= 0)
        return false;
    AVFormatContext* ctx = avformat_alloc_context();
    if (!ctx)
        return false;
    const QByteArray path = DevicePaths::v4l2Device(0).toLocal8Bit();
    bool video = false;
    if (avformat_open_input(&ctx, path.constData(), V4l2InputFormat(QString::fromLocal8Bit(path)), nullptr) == 0) {
        if (avformat_find_stream_info(ctx, nullptr) >= 0)
            for (unsigned i = 0; i < ctx->nb_streams; ++i)
                if (ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
                    video = true;
        avformat_close_input(&ctx);
    } else {
        ctx = nullptr;  // freed by the failed open
    }
    avformat_free_context(ctx);
    if (!video)
        return false;
    gCameraID = CAMERA_V4L2;
    setFrame(960, 540);
    return true;
}

bool probeImv()
{
    using namespace imv;
    Dahua_EnumDevices();
    const int n = gDeviceInfoList.nDevNum;
    if (n <= 0)
        return false;
    bool changed = false;
    for (const IMV_DeviceInfo& info : gDeviceInfoList.list)
        if (CameraNetRepair::instance().autoSetCameraIP(info) == 1)
            changed = true;
    if (changed)
        CameraProbeSleep(6000);
    IMV_HANDLE h = nullptr;
    if (IMV_CreateHandle(&h, modeByCameraKey, gDeviceInfoList.list[0].cameraKey) != IMV_OK)
        return false;
    bool ok = false;
    if (IMV_Open(h) == IMV_OK) {
        int64_t w = 0, hh = 0;
        IMV_GetIntFeatureValue(h, "Width", &w);
        if (IMV_GetIntFeatureValue(h, "Height", &hh) == IMV_OK) {
            setFrame(int(w), int(hh));
            gFindCamera = capCount(n);
            gCameraID = CAMERA_IMV;
            ok = true;
        }
        IMV_Close(h);
    }
    IMV_DestroyHandle(h);
    return ok;
}

bool probeMvs()
{
    using namespace mvs;
    CameraNetRepair::instance().EnsureDeviceReach();
    MV_CC_EnumDevices(MV_GIGE_DEVICE | MV_USB_DEVICE, &gDevList);
    if (gDevList.nDeviceNum == 0)
        return false;
    void* h = nullptr;
    if (MV_CC_CreateHandle(&h, gDevList.pDeviceInfo[0]) != MV_OK)
        return false;
    if (MV_CC_OpenDevice(h, MV_ACCESS_Exclusive, 0) != MV_OK) {
        MV_CC_DestroyHandle(h);
        return false;
    }
    MVCC_STRINGVALUE model{};
    if (MV_CC_GetStringValue(h, "DeviceModelName", &model) != MV_OK)
        model.chCurValue[0] = 0;
    model.chCurValue[sizeof(model.chCurValue) - 1] = 0;
    const size_t len = std::strlen(model.chCurValue);
    gSensorColor = (len > 0 && model.chCurValue[len - 1] == 'M') ? 0 : 1;
    const auto readInt = [h](const char* key, int* out) {
        MVCC_INTVALUE v{};
        if (MV_CC_GetIntValue(h, key, &v) != MV_OK)
            return false;
        *out = int(v.nCurValue);
        return true;
    };
    int w = 0, hh = 0;
    const bool sized = readInt("Width", &w) && readInt("Height", &hh) && w > 0 && hh > 0;
    gOW = w;
    gOH = hh;
    readInt("WidthMax", &gOW);
    readInt("HeightMax", &gOH);
    MV_CC_CloseDevice(h);
    MV_CC_DestroyHandle(h);
    if (!sized) {
        qWarning("MVS: frame size unreadable");
        return false;
    }
    setFrame(w, hh);
    if (gOH > 4095)
        setFrame(2304, 1296);
    gCameraID = CAMERA_MVS;
    gFindCamera = capCount(int(gDevList.nDeviceNum));
    return true;
}
}  // namespace

void CameraProbeSleep(int ms)
{
    if (gSleeper)
        gSleeper(ms);
    else
        QThread::msleep(ulong(ms));
}

void SetCameraProbeSleeper(std::function<void(int)> sleeper)
{
    gSleeper = std::move(sleeper);
}

const AVInputFormat* V4l2InputFormat(const QString& path)
{
    avdevice_register_all();
    if (!path.startsWith(QLatin1String("/dev/video")))
        return nullptr;
    return av_find_input_format("video4linux2");
}

int CheckUSBCameraNum(const QString& devicesFile)
{
    QFile f(devicesFile);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return 0;
    int count = 0;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine();
        if (line.toLower().contains("camera"))
            ++count;
    }
    return count;
}

void Dahua_EnumDevices()
{
    using namespace imv;
    gDeviceInfoList.list.clear();
    IMV_DeviceList list;
    if (IMV_EnumDevices(&list, interfaceTypeAll) == IMV_OK) {
        for (unsigned i = 0; i < list.nDevNum; ++i)
            if (std::strcmp(list.pDevInfo[i].manufactureInfo, "Machine Vision") == 0)
                gDeviceInfoList.list.push_back(list.pDevInfo[i]);
    }
    gDeviceInfoList.nDevNum = int(gDeviceInfoList.list.size());
}

void CheckCameraID()
{
    gSensorColor = 0;
    if (CameraNetRepair::instance().RepairAllCameraIP() > 0)
        CameraProbeSleep(6000);
    if (probeGalaxy() || probeUeye() || probeMindVision() || probeDvp() || probeV4l2() || probeImv() || probeMvs())
        return;
    gCameraID = CAMERA_NONE;
    gFindCamera = 4;
    setFrame(1920, 1080);
}
