#pragma once
// The camera half of one camera widget: the device of its index in the
// family found at start-up, its frame buffers, its frame pump or SDK
// callbacks, and its image settings.
#include "CameraGlobals.h"
#include "platform/camsdk/DvpSdk.h"
#include "platform/camsdk/GalaxySdk.h"
#include "platform/camsdk/UeyeSdk.h"

#include <QString>

#include <opencv2/core.hpp>

#include <atomic>
#include <memory>
#include <vector>

struct AVFormatContext;
struct AVCodecContext;
struct AVCodec;
struct AVFrame;
struct AVPacket;
struct AVDictionary;
struct AVFilterContext;
struct AVFilterGraph;

class CameraStation;
class CameraThread;
struct WizardPara;

// V4L2 filter pieces from the parameters (C-locale numbers).
QString ContrastPiece(int contrast);
QString GammaPiece(int gamma);
QString SharpenPiece(int sharpness);

class CameraSide {
public:
    CameraSide(CameraStation* station, int camIndex);
    ~CameraSide();
    CameraSide(const CameraSide&) = delete;
    CameraSide& operator=(const CameraSide&) = delete;

    void CameraOpen();
    bool CameraStart();
    void CameraStop();
    void CameraClose();
    void CameraChangeTrig(bool restart);

    void SetExposeTime();
    void SetAdjustPlus();
    void SetSharp();
    void SetContrast();
    void SetGamma();
    void SetHMirror();
    void SetVMirror();
    void SetWB();
    void RestoreDefaultSettings();

    // Steps the live exposure by 1 towards a mean grey of 126-130 and applies
    // it; meanGrey is the widget's brightness from the polling loop. Nothing calls it.
    void AutoChangeExposeTime(int meanGrey);
    // Whether a DVP handle is valid. Nothing calls it.
    bool IsValidHandle(dvp::dvpHandle handle) const;
    // IMV link notification (user data: the CameraSide); not registered.
    static void onDeviceLinkNotify(const imv::IMV_SConnectArg* arg, void* user);

    // V4L2 filter graph: buffer -> description -> buffersink (grey).
    int init_filters(const char* description);
    // One filtered frame as a gImageW x gImageH image, smaller frames centred on black.
    cv::Mat avframe_to_cvmat(AVFrame* frame);
    // The four V4L2 filter pieces joined: contrast, gamma, sharpen, tail.
    QString FilterDescription() const;

    // Frame pump (CameraThread).
    void PumpBegin();
    bool PumpPass();  // false: try again without the pass's sleep
    void PumpEnd();

    // SDK callbacks (user data: the CameraSide).
    static void CameraSnapCallback(mind::CameraHandle h, mind::BYTE* raw, mind::tSdkFrameHead* head, void* ctx);
    static void MindConnectStateCallBack(mind::CameraHandle h, mind::UINT state, mind::UINT param, void* ctx);
    static void ImageCallBack(unsigned char* data, mvs::MV_FRAME_OUT_INFO* info, void* user);
    static void ExceptionImageCallBack(unsigned type, void* user);
    static void FrameCallback(imv::IMV_Frame* frame, void* user);
    static int dvpStreamCallback(dvp::dvpHandle h, dvp::dvpStreamEvent event, void* ctx, dvp::dvpFrame* frame, void* data);

    CameraStation* station;
    int camIndex;

    // uEye
    ueye::HIDS ueyeHandle = 0;
    char* ueyeImageMem = nullptr;
    int ueyeColorMode = 0;
    int ueyeBitsPerPixel = 0;
    int ueyeMemId = 0;
    // Galaxy
    gx::GX_DEV_HANDLE gxHandle = nullptr;
    gx::GX_FRAME_DATA gxFrame{};
    // MindVision
    mind::CameraHandle mindHandle = 0;
    mind::tSdkCameraCapbility mindCapability{};
    bool mindCapabilityRead = false;  // its ranges are known
    // MVS
    void* mvsHandle = nullptr;
    mvs::MV_CC_DEVICE_INFO* mvsDeviceInfo = nullptr;
    mvs::MV_CC_PIXEL_CONVERT_PARAM mvsConvert{};
    // V4L2 through FFmpeg
    AVFormatContext* fmtCtx = nullptr;
    int videoStream = -1;
    AVCodecContext* codecCtx = nullptr;
    const AVCodec* codec = nullptr;
    AVFrame* decodedFrame = nullptr;
    AVPacket* packet = nullptr;
    AVDictionary* avOptions = nullptr;
    AVFilterContext* buffersinkCtx = nullptr;
    AVFilterContext* buffersrcCtx = nullptr;
    AVFilterGraph* filterGraph = nullptr;
    QString filterParts[4];
    // IMV
    imv::IMV_HANDLE imvHandle = nullptr;
    char imvCameraKey[256] = {};
    // DVP
    dvp::dvpCameraInfo dvpCameraInfo{};
    dvp::dvpHandle dvpHandle = 0;
    std::atomic<int> dvpFrameSkip{0};
    int dvpFrameCounter = 0;

    CameraThread* cameraThread = nullptr;

    // Frame buffers.
    std::vector<unsigned char> acqBuffer;   // gColorLen, under pMutex[camIndex]
    std::vector<unsigned char> sdkBuffer;   // 4 * gImageLen
    std::vector<unsigned char> rgbaBuffer;  // gColorLen, colour mode only
    std::vector<unsigned char> gxRawBuffer; // Galaxy frame as the camera sends it

    // Frames delivered and frames dropped for a wrong size (diagnostics).
    std::atomic<int> deliveredFrames{0};
    std::atomic<int> droppedFrames{0};

private:
    const WizardPara& Para() const;
    bool isOpen() const;
    // True when an SDK range read succeeded; else one glog line.
    bool RangeRead(int status, int ok, const char* what) const;
    // Copies one frame into acqBuffer and raises isImageFill.
    void Deliver(const void* data, int bytes);
    void DeliverLocked(const void* data, int bytes);
    // A frame of another size than the run's is dropped with a log line.
    bool FrameFits(int width, int height, const char* source);
    void RebuildFilters();
    void SetV4l2Piece(int index, const QString& piece);
    // Frame format set-up shared by opening and the factory defaults.
    void MindApplyFormat(bool allowPreset);
    void ImvApplyFormat();
    int MvsPixelFormat() const;
    int DvpTargetFormat() const;
    void CloseV4l2();
    bool OpenV4l2(const QByteArray& path);
    bool PumpV4l2();

    AVFrame* m_filtFrame = nullptr;
};
