#include "CameraSide.h"

#include "CameraProbe.h"
#include "CameraStation.h"
#include "CameraThread.h"
#include "platform/DevicePaths.h"
#include "foundation/GLog.h"

#include <QMutexLocker>

#include <cstdio>
#include <algorithm>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

namespace {
// Serials of 9 characters and more select the device; shorter ones open by index.
bool hasSerial(const char* s, size_t maxLen = kSerialSize - 1)
{
    const size_t n = std::strlen(s);
    return n >= 9 && n <= maxLen;
}

void copyText(char* dst, size_t size, const char* src)
{
    const size_t n = std::min(std::strlen(src), size - 1);
    std::memcpy(dst, src, n);
    dst[n] = 0;
}
}  // namespace

// Each value is worked out in double and kept as a float before printing;
// float arithmetic would change the last printed digit of high gammas.
QString ContrastPiece(int c)
{
    return QString::asprintf("eq=contrast=%f:", double(float(c * 0.02 - 2.0)));
}

QString GammaPiece(int y)
{
    return QString::asprintf("gamma=%f,", double(float(y * 0.0396 + 0.1)));
}

QString SharpenPiece(int s)
{
    return QString::asprintf("unsharp=5:5:%f", double(float(s * 0.05)));
}

CameraSide::CameraSide(CameraStation* station_, int camIndex_)
    : station(station_), camIndex(camIndex_)
{
    acqBuffer.assign(size_t(gColorLen), 0);
    sdkBuffer.assign(size_t(4) * size_t(gImageLen), 0);
    if (gisColor)
        rgbaBuffer.assign(size_t(gColorLen), 0);
    gxRawBuffer.assign(size_t(gImageLen), 0);
    if (camIndex < 0 || camIndex >= kMaxCameras)
        return;  // no slot: the side stays closed for good
    const WizardPara& p = *station->livePara;
    filterParts[0] = ContrastPiece(p.contrast[camIndex]);
    filterParts[1] = GammaPiece(p.gamma[camIndex]);
    filterParts[2] = SharpenPiece(p.sharpness[camIndex]);
    station->cameras[camIndex] = this;
}

CameraSide::~CameraSide()
{
    if (isOpen()) {
        CameraStop();
        CameraClose();
    }
    delete cameraThread;
    if (camIndex >= 0 && camIndex < kMaxCameras && station->cameras[camIndex] == this)
        station->cameras[camIndex] = nullptr;
}

bool CameraSide::isOpen() const
{
    return camIndex >= 0 && camIndex < kMaxCameras && station->camOpen[camIndex];
}

const WizardPara& CameraSide::Para() const
{
    return station->SetterPara();
}

void CameraSide::CameraOpen()
{
    const int i = camIndex;
    if (i < 0 || i >= kMaxCameras)
        return;
    if (station->camOpen[i]) {
        // Opening again releases the device held so far instead of leaking it.
        CameraStop();
        CameraClose();
    }
    station->camOpen[i] = 0;
    if (i >= gFindCamera)
        return;
    const char* serial = gSerialNB[i];

    switch (gCameraID) {
    case CAMERA_GALAXY: {
        using namespace gx;
        GX_STATUS st;
        if (!hasSerial(serial)) {
            st = GXOpenDeviceByIndex(uint32_t(i + 1), &gxHandle);
        } else {
            GX_OPEN_PARAM p;
            p.pszContent = serial;
            p.openMode = GX_OPEN_SN;
            p.accessMode = GX_ACCESS_EXCLUSIVE;
            st = GXOpenDevice(&p, &gxHandle);
        }
        if (st != GX_STATUS_SUCCESS) {
            gxHandle = nullptr;
            return;
        }
        GXSetInt(gxHandle, GX_INT_ACQUISITION_SPEED_LEVEL, 0);
        if (gImageW * 2 == gOW) {
            for (int f : {GX_INT_BINNING_H, GX_INT_BINNING_V, GX_INT_DECIMATION_H, GX_INT_DECIMATION_V})
                GXSetInt(gxHandle, f, 2);
            GXSetInt(gxHandle, GX_INT_OFFSET_X, 0);
            GXSetInt(gxHandle, GX_INT_OFFSET_Y, 0);
        } else {
            GXSetInt(gxHandle, GX_INT_OFFSET_X, (gOW - gImageW) / 2);
            GXSetInt(gxHandle, GX_INT_OFFSET_Y, (gOH - gImageH) / 2);
        }
        GXSetInt(gxHandle, GX_INT_WIDTH, gImageW);
        GXSetInt(gxHandle, GX_INT_HEIGHT, gImageH);
        GXSetEnum(gxHandle, GX_ENUM_SHARPNESS_MODE, 1);
        GXSetBool(gxHandle, GX_BOOL_GAMMA_ENABLE, true);
        gxFrame = GX_FRAME_DATA();
        gxFrame.pImgBuf = gxRawBuffer.data();
        gxFrame.nBufSize = int32_t(gxRawBuffer.size());
        break;
    }
    case CAMERA_UEYE: {
        using namespace ueye;
        if (hasSerial(serial, 19)) {
            INT n = 0;
            is_GetNumberOfCameras(&n);
            bool found = false;
            for (INT id = 1; id <= n && !found; ++id) {
                HIDS h = HIDS(id) | IS_USE_DEVICE_ID;
                if (is_InitCamera(&h, nullptr) != IS_SUCCESS)
                    continue;
                CAMINFO info;
                if (is_GetCameraInfo(h, &info) == IS_SUCCESS && std::strcmp(info.SerNo, serial) == 0) {
                    ueyeHandle = h;
                    found = true;
                } else {
                    is_ExitCamera(h);
                }
            }
            if (!found)
                return;
        } else {
            HIDS h = HIDS(i + 1) | IS_USE_DEVICE_ID;
            if (is_InitCamera(&h, nullptr) != IS_SUCCESS)
                return;
            ueyeHandle = h;
        }
        ueyeColorMode = IS_CM_MONO8;
        ueyeBitsPerPixel = 8;
        is_SetColorMode(ueyeHandle, ueyeColorMode);
        const INT alloc = is_AllocImageMem(ueyeHandle, gImageW, gImageH, ueyeBitsPerPixel, &ueyeImageMem, &ueyeMemId);
        if (alloc != IS_SUCCESS || !ueyeImageMem) {
            // Without image memory the camera can deliver nothing: leave it closed.
            GLogInfo(QStringLiteral("is_AllocImageMem fail, ErrorCode[%1]").arg(alloc));
            ueyeImageMem = nullptr;
            is_ExitCamera(ueyeHandle);
            ueyeHandle = 0;
            return;
        }
        is_SetImageMem(ueyeHandle, ueyeImageMem, ueyeMemId);
        IS_SIZE_2D size;
        size.s32Width = gImageW;
        size.s32Height = gImageH;
        is_VAV(ueyeHandle, IS_VAV_CMD_SET_IMAGE_SIZE, &size, sizeof(size));
        double off = 0;
        is_SetAutoParameter(ueyeHandle, IS_SET_ENABLE_AUTO_GAIN, &off, nullptr);
        is_SetAutoParameter(ueyeHandle, IS_SET_ENABLE_AUTO_SHUTTER, &off, nullptr);
        is_SetHardwareGamma(ueyeHandle, IS_SET_HW_GAMMA_ON);
        uint32_t clock = 5;
        is_PixelClock(ueyeHandle, IS_PIXELCLOCK_CMD_SET, &clock, sizeof(clock));
        break;
    }
    case CAMERA_MINDVISION: {
        using namespace mind;
        CameraSdkStatus st;
        if (!hasSerial(serial)) {
            st = CameraInit(&gCList[i], -1, -1, &mindHandle);
            GLogInfo(QStringLiteral("CameraInit 2 %1").arg(st));
        } else {
            int match = -1;
            for (int k = 0; k < std::min(gFindCamera, kMindListSize) && match < 0; ++k)
                if (std::strcmp(gCList[k].acSn, serial) == 0)
                    match = k;
            if (match < 0) {
                station->host->insertRecord(QStringLiteral("Mind Fail = %1").arg(-1));
                return;
            }
            station->host->insertRecord(QStringLiteral("Mind Open %1 = %2").arg(i + 1).arg(QString::fromLatin1(serial)));
            st = CameraInit(&gCList[match], -1, -1, &mindHandle);
            GLogInfo(QStringLiteral("CameraInit 1 %1").arg(st));
        }
        if (st != CAMERA_STATUS_SUCCESS) {
            station->host->insertRecord(QStringLiteral("Mind Fail = %1").arg(st));
            mindHandle = 0;
            return;
        }
        mindCapability = tSdkCameraCapbility{};
        const CameraSdkStatus cap = CameraGetCapability(mindHandle, &mindCapability);
        mindCapabilityRead = cap == CAMERA_STATUS_SUCCESS;
        if (!mindCapabilityRead)
            GLogInfo(QStringLiteral("CameraGetCapability fail, ErrorCode[%1]").arg(cap));
        MindApplyFormat(true);
        CameraSetFrameSpeed(mindHandle, 0);
        CameraSetConnectionStatusCallback(mindHandle, &CameraSide::MindConnectStateCallBack, this);
        CameraSetCallbackFunction(mindHandle, &CameraSide::CameraSnapCallback, this, nullptr);
        CameraCommonCall(mindHandle, "set_online_detect_interval(500)", nullptr, 0);
        break;
    }
    case CAMERA_MVS: {
        using namespace mvs;
        mvs::MV_CC_DEVICE_INFO* info = nullptr;
        const int listed = std::min<int>(gFindCamera, int(gDevList.nDeviceNum));
        if (!hasSerial(serial)) {
            if (i < int(gDevList.nDeviceNum))
                info = gDevList.pDeviceInfo[i];
        } else {
            for (int k = 0; k < listed && !info; ++k)
                if (gDevList.pDeviceInfo[k]->nTLayerType == MV_GIGE_DEVICE
                    && std::strcmp(gDevList.pDeviceInfo[k]->SpecialInfo.stGigEInfo.chSerialNumber, serial) == 0)
                    info = gDevList.pDeviceInfo[k];
        }
        if (!info || MV_CC_CreateHandle(&mvsHandle, info) != MV_OK) {
            mvsHandle = nullptr;
            return;
        }
        mvsDeviceInfo = info;
        if (MV_CC_OpenDevice(mvsHandle, MV_ACCESS_Exclusive, 0) != MV_OK) {
            MV_CC_DestroyHandle(mvsHandle);
            mvsHandle = nullptr;
            return;
        }
        MV_CC_SetEnumValue(mvsHandle, "UserSetSelector", 0);
        MV_CC_SetCommandValue(mvsHandle, "UserSetLoad");
        MV_CC_SetBoolValue(mvsHandle, "SharpnessEnable", true);
        MV_CC_SetBoolValue(mvsHandle, "GammaEnable", true);
        MV_CC_SetIntValue(mvsHandle, "Width", unsigned(gImageW));
        MV_CC_SetIntValue(mvsHandle, "Height", unsigned(gImageH));
        MV_CC_SetIntValue(mvsHandle, "GevHeartbeatTimeout", 500);
        mvsConvert = MV_CC_PIXEL_CONVERT_PARAM();
        mvsConvert.nWidth = static_cast<unsigned short>(gImageW);
        mvsConvert.nHeight = static_cast<unsigned short>(gImageH);
        mvsConvert.nSrcDataLen = unsigned(gImageLen);
        mvsConvert.nDstBufferSize = 3u * unsigned(gImageLen);
        MV_CC_RegisterImageCallBackEx(mvsHandle, &CameraSide::ImageCallBack, this);
        MV_CC_RegisterExceptionCallBack(mvsHandle, &CameraSide::ExceptionImageCallBack, this);
        MV_CC_SetEnumValue(mvsHandle, "PixelFormat", unsigned(MvsPixelFormat()));
        break;
    }
    case CAMERA_IMV: {
        using namespace imv;
        if (hasSerial(serial, 19)) {
            char key[kSerialSize];
            copyText(key, sizeof(key), serial);
            if (IMV_CreateHandle(&imvHandle, modeByCameraKey, key) != IMV_OK) {
                imvHandle = nullptr;
                return;
            }
            if (IMV_OpenEx(imvHandle, accessPermissionControl) != IMV_OK) {
                IMV_DestroyHandle(imvHandle);
                imvHandle = nullptr;
                return;
            }
        } else {
            const int listed = std::min(gFindCamera, gDeviceInfoList.nDevNum);
            for (int k = 0; k < listed && !imvHandle; ++k) {
                IMV_HANDLE h = nullptr;
                if (IMV_CreateHandle(&h, modeByCameraKey, gDeviceInfoList.list[size_t(k)].cameraKey) != IMV_OK)
                    continue;
                if (!IMV_IsOpen(h) && IMV_OpenEx(h, accessPermissionControl) == IMV_OK)
                    imvHandle = h;
                else
                    IMV_DestroyHandle(h);
            }
            if (!imvHandle)
                return;
        }
        IMV_DeviceInfo info;
        IMV_GetDeviceInfo(imvHandle, &info);
        copyText(imvCameraKey, sizeof(imvCameraKey), info.cameraKey);
        IMV_SetEnumFeatureSymbol(imvHandle, "UserSetSelector", "Default");
        IMV_ExecuteCommandFeature(imvHandle, "UserSetLoad");
        IMV_SetEnumFeatureSymbol(imvHandle, "UserSetDefault", "Default");
        ImvApplyFormat();
        IMV_AttachGrabbing(imvHandle, &CameraSide::FrameCallback, this);
        break;
    }
    case CAMERA_V4L2: {
        bool opened = OpenV4l2(DevicePaths::v4l2Device(i).toLocal8Bit());
        for (int n = gFindCamera; !opened && n <= 63; ++n)
            opened = OpenV4l2(DevicePaths::v4l2Device(n).toLocal8Bit());
        if (!opened)
            return;
        break;
    }
    case CAMERA_DVP: {
        using namespace dvp;
        if (dvpEnum(dvpUint32(i), &dvpCameraInfo) != DVP_STATUS_OK)
            return;
        if (dvpOpenByName(dvpCameraInfo.FriendlyName, OPEN_NORMAL, &dvpHandle) != DVP_STATUS_OK) {
            dvpHandle = 0;
            return;
        }
        dvpSetGammaState(dvpHandle, true);
        dvpSetContrastState(dvpHandle, true);
        dvpSetSharpnessState(dvpHandle, true);
        dvpSetTargetFormat(dvpHandle, DvpTargetFormat());
        dvpSetConfigString(dvpHandle, "HdrEnable", "false");
        dvpSetAeOperation(dvpHandle, AE_OP_OFF);
        dvpSetTriggerSource(dvpHandle, 1);
        dvpSetRoi(dvpHandle, dvpRegion{0, 0, gImageW, gImageH});
        dvpRegisterStreamCallback(dvpHandle, &CameraSide::dvpStreamCallback, STREAM_EVENT_FRAME_THREAD, this);
        break;
    }
    default:
        break;  // family 0: open without a device
    }
    station->camOpen[i] = 1;

    delete cameraThread;
    cameraThread = new CameraThread(this);
    CameraChangeTrig(true);
    SetAdjustPlus();
    SetExposeTime();
    SetContrast();
    SetSharp();
    SetGamma();
    SetHMirror();
    SetVMirror();
}

void CameraSide::MindApplyFormat(bool allowPreset)
{
    using namespace mind;
    if (allowPreset && gOW == 2592 && gisCut) {
        CameraSetImageResolution(mindHandle, &gImageResolution);
    } else {
        tSdkImageResolution res;
        res.iIndex = 0xFF;
        res.iHOffsetFOV = (gOW - gImageW) / 2;
        res.iVOffsetFOV = (gOH - gImageH) / 2;
        res.iWidthFOV = res.iWidth = gImageW;
        res.iHeightFOV = res.iHeight = gImageH;
        CameraSetImageResolution(mindHandle, &res);
    }
    if (!gSensorColor) {
        CameraSetIspOutFormat(mindHandle, CAMERA_MEDIA_TYPE_MONO8);
        CameraSetMonochrome(mindHandle, false);
        return;
    }
    CameraSetWbMode(mindHandle, false);
    if (!gisColor) {
        if (gOW == 2048)
            CameraSetMonochrome(mindHandle, true);
        else
            CameraSetMediaType(mindHandle, 1);
        CameraSetIspOutFormat(mindHandle, CAMERA_MEDIA_TYPE_MONO8);
    } else {
        if (gOW == 2048)
            CameraSetMonochrome(mindHandle, false);
        else
            CameraSetMediaType(mindHandle, 0);
        CameraSetIspOutFormat(mindHandle, CAMERA_MEDIA_TYPE_RGB8);
    }
}

void CameraSide::ImvApplyFormat()
{
    using namespace imv;
    IMV_SetIntFeatureValue(imvHandle, "Width", gImageW);
    IMV_SetIntFeatureValue(imvHandle, "Height", gImageH);
    IMV_SetBoolFeatureValue(imvHandle, "AcquisitionFrameRateEnable", true);
    IMV_SetDoubleFeatureValue(imvHandle, "AcquisitionFrameRate", 20.0);
    IMV_SetEnumFeatureValue(imvHandle, "SharpnessEnabled", 1);
    IMV_SetIntFeatureValue(imvHandle, "GevHeartbeatTimeout", 1000);
    IMV_SetEnumFeatureSymbol(imvHandle, "PixelFormat", "Mono8");
}

int CameraSide::MvsPixelFormat() const
{
    return int((!gSensorColor || !gisColor) ? mvs::PixelType_Gvsp_Mono8 : mvs::PixelType_Gvsp_BayerRG8);
}

int CameraSide::DvpTargetFormat() const
{
    return (!gisColor || !gSensorColor) ? dvp::FORMAT_MONO : dvp::FORMAT_BGR24;
}

bool CameraSide::OpenV4l2(const QByteArray& path)
{
    fmtCtx = avformat_alloc_context();
    if (!fmtCtx)
        return false;
    av_dict_set(&avOptions, "framerate", "30", 0);
    AVDictionary* opts = nullptr;
    av_dict_copy(&opts, avOptions, 0);
    if (avformat_open_input(&fmtCtx, path.constData(), V4l2InputFormat(QString::fromLocal8Bit(path)), &opts) != 0) {
        av_dict_free(&opts);
        av_dict_free(&avOptions);
        fmtCtx = nullptr;  // freed by the failed open
        return false;
    }
    av_dict_free(&opts);
    bool ok = avformat_find_stream_info(fmtCtx, nullptr) >= 0;
    videoStream = -1;
    for (unsigned s = 0; ok && s < fmtCtx->nb_streams; ++s)
        if (fmtCtx->streams[s]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            videoStream = int(s);
    ok = ok && videoStream >= 0;
    if (ok) {
        codec = avcodec_find_decoder(fmtCtx->streams[videoStream]->codecpar->codec_id);
        codecCtx = codec ? avcodec_alloc_context3(codec) : nullptr;
        ok = codecCtx && avcodec_parameters_to_context(codecCtx, fmtCtx->streams[videoStream]->codecpar) >= 0;
        if (ok) {
            codecCtx->thread_count = 1;  // the pump is the decoding thread
            ok = avcodec_open2(codecCtx, codec, nullptr) >= 0;
        }
    }
    if (ok) {
        decodedFrame = av_frame_alloc();
        packet = av_packet_alloc();
        ok = decodedFrame && packet;
    }
    if (!ok) {
        CloseV4l2();
        return false;
    }
    return true;
}

void CameraSide::CloseV4l2()
{
    avfilter_graph_free(&filterGraph);
    buffersrcCtx = buffersinkCtx = nullptr;
    av_packet_free(&packet);
    av_frame_free(&decodedFrame);
    avcodec_free_context(&codecCtx);
    codec = nullptr;
    if (fmtCtx)
        avformat_close_input(&fmtCtx);
    av_dict_free(&avOptions);
    avformat_free_context(fmtCtx);
    fmtCtx = nullptr;
    videoStream = -1;
}

bool CameraSide::CameraStart()
{
    if (!isOpen())
        return false;
    switch (gCameraID) {
    case CAMERA_GALAXY: gx::GXSendCommand(gxHandle, gx::GX_COMMAND_ACQUISITION_START); break;
    case CAMERA_UEYE: ueye::is_CaptureVideo(ueyeHandle, ueye::IS_WAIT); break;
    case CAMERA_MINDVISION: mind::CameraPlay(mindHandle); break;
    case CAMERA_MVS: mvs::MV_CC_StartGrabbing(mvsHandle); break;
    case CAMERA_IMV: {
        if (!imvHandle)
            return false;
        const int r = imv::IMV_StartGrabbing(imvHandle);
        if (r != imv::IMV_OK) {
            std::printf("start grabbing failed! ErrorCode[%d]\n", r);
            GLogInfo(QStringLiteral("start grabbing failed! ErrorCode[%1]").arg(r));
            return false;
        }
        break;
    }
    case CAMERA_DVP: {
        bool valid = false;
        dvp::dvpIsValid(dvpHandle, &valid);
        if (!valid)
            return false;
        dvp::dvpStreamState state = dvp::STATE_STOPED;
        if (dvp::dvpGetStreamState(dvpHandle, &state) != dvp::DVP_STATUS_OK)
            return false;
        if (state == dvp::STATE_STOPED)
            dvp::dvpStart(dvpHandle);
        break;
    }
    default:
        break;
    }
    if (!cameraThread)
        cameraThread = new CameraThread(this);
    // A pump told to stop may still be finishing its pass: let it end first.
    if (!cameraThread->isRun.load())
        cameraThread->waitDone();
    cameraThread->isRun.store(true);
    if (!cameraThread->isRunning())
        cameraThread->start(QThread::InheritPriority);
    return true;
}

void CameraSide::CameraStop()
{
    if (!isOpen())
        return;
    switch (gCameraID) {
    case CAMERA_GALAXY: gx::GXSendCommand(gxHandle, gx::GX_COMMAND_ACQUISITION_STOP); break;
    case CAMERA_UEYE: ueye::is_StopLiveVideo(ueyeHandle, ueye::IS_FORCE_VIDEO_STOP); break;
    case CAMERA_MINDVISION:
        if (mindHandle > 0)
            mind::CameraStop(mindHandle);
        break;
    case CAMERA_MVS: mvs::MV_CC_StopGrabbing(mvsHandle); break;
    case CAMERA_IMV: imv::IMV_StopGrabbing(imvHandle); break;
    case CAMERA_DVP: {
        bool valid = false;
        dvp::dvpIsValid(dvpHandle, &valid);
        dvp::dvpStreamState state = dvp::STATE_STOPED;
        if (valid && dvp::dvpGetStreamState(dvpHandle, &state) == dvp::DVP_STATUS_OK && state == dvp::STATE_STARTED)
            dvp::dvpStop(dvpHandle);
        break;
    }
    default:
        break;
    }
    if (cameraThread)
        cameraThread->isRun.store(false);
}

void CameraSide::CameraClose()
{
    if (!isOpen())
        return;
    station->camOpen[camIndex] = 0;
    if (cameraThread) {
        cameraThread->isRun.store(false);
        cameraThread->waitDone();
        delete cameraThread;
        cameraThread = nullptr;
    }
    switch (gCameraID) {
    case CAMERA_GALAXY:
        gx::GXCloseDevice(gxHandle);
        gxHandle = nullptr;
        break;
    case CAMERA_UEYE:
        ueye::is_FreeImageMem(ueyeHandle, ueyeImageMem, ueyeMemId);
        ueyeImageMem = nullptr;
        ueye::is_ExitCamera(ueyeHandle);
        ueyeHandle = 0;
        break;
    case CAMERA_MINDVISION:
        if (mindHandle > 0)
            mind::CameraUnInit(mindHandle);
        mindHandle = 0;
        break;
    case CAMERA_MVS:
        mvs::MV_CC_CloseDevice(mvsHandle);
        mvs::MV_CC_DestroyHandle(mvsHandle);
        mvsHandle = nullptr;
        break;
    case CAMERA_IMV:
        if (imvHandle) {
            imv::IMV_Close(imvHandle);
            imv::IMV_DestroyHandle(imvHandle);
            imvHandle = nullptr;
        }
        break;
    case CAMERA_V4L2: {
        QMutexLocker lock(pMutex[camIndex]);
        CloseV4l2();
        break;
    }
    case CAMERA_DVP:
        dvp::dvpClose(dvpHandle);
        dvpHandle = 0;
        break;
    default:
        break;
    }
}

void CameraSide::CameraChangeTrig(bool restart)
{
    if (!isOpen())
        return;
    const bool external = station->livePara->externalTrigger != 0;
    switch (gCameraID) {
    case CAMERA_GALAXY:
        // Galaxy cameras always run free.
        if (restart)
            gx::GXSendCommand(gxHandle, gx::GX_COMMAND_ACQUISITION_STOP);
        gx::GXSetEnum(gxHandle, gx::GX_ENUM_ACQUISITION_MODE, 2);
        gx::GXSetEnum(gxHandle, gx::GX_ENUM_TRIGGER_MODE, 0);
        if (restart)
            gx::GXSendCommand(gxHandle, gx::GX_COMMAND_ACQUISITION_START);
        break;
    case CAMERA_MINDVISION:
        mind::CameraSetTriggerMode(mindHandle, external ? mind::TRIGGER_HARDWARE : mind::TRIGGER_CONTINUOUS);
        break;
    case CAMERA_MVS:
        if (external) {
            mvs::MV_CC_SetEnumValue(mvsHandle, "TriggerMode", 1);
            mvs::MV_CC_SetEnumValue(mvsHandle, "TriggerSource", 0);
        } else {
            mvs::MV_CC_SetEnumValue(mvsHandle, "TriggerMode", 0);
        }
        break;
    case CAMERA_IMV:
        if (external) {
            imv::IMV_SetEnumFeatureSymbol(imvHandle, "TriggerMode", "On");
            imv::IMV_SetEnumFeatureSymbol(imvHandle, "TriggerSource", "Line1");
        } else {
            imv::IMV_SetEnumFeatureSymbol(imvHandle, "TriggerMode", "Off");
        }
        break;
    case CAMERA_DVP:
        dvp::dvpSetTriggerState(dvpHandle, external);
        break;
    default:
        break;
    }
    {
        // A frame taken under the old mode is dropped.
        QMutexLocker lock(pMutex[camIndex]);
        station->isImageFill[camIndex] = false;
    }
    station->host->cameraRepaint(camIndex);
}
