#pragma once
// USB cameras through FFmpeg's video4linux2 input: the pump reads, decodes
// and filters (contrast, gamma, sharpening) and converts to the run's size.
#include "camera/CameraDriver.h"

#include <QString>

#include <opencv2/core.hpp>

struct AVFormatContext;
struct AVCodecContext;
struct AVCodec;
struct AVFrame;
struct AVPacket;
struct AVDictionary;
struct AVFilterContext;
struct AVFilterGraph;
struct AVInputFormat;

// V4L2 filter pieces from the parameters (C-locale numbers).
QString ContrastPiece(int contrast);
QString GammaPiece(int gamma);
QString SharpenPiece(int sharpness);

// Lines of the kernel's input-device list that name a camera (any case).
int CheckUSBCameraNum(const QString& devicesFile = QStringLiteral("/proc/bus/input/devices"));
// The FFmpeg input format for V4L2 nodes; none (probe the file) when the
// device pattern was replaced by something that is not a video node.
const AVInputFormat* V4l2InputFormat(const QString& path);

class V4l2Camera : public CameraDriver {
public:
    using CameraDriver::CameraDriver;
    ~V4l2Camera() override;

    static bool Probe();
    static int Recount(bool forRestart);

    void prepare(const WizardPara& live) override;
    bool open(const char* serial) override;
    void close() override;
    void setSharpness(int sharpness) override;
    void setContrast(int contrast) override;
    void setGamma(int gamma) override;
    void restoreDefaults(WizardPara& edit, const WizardPara& live) override;

    void pumpBegin() override;
    bool pumpPass() override;  // false: read again without the pass's sleep
    void pumpEnd() override;

    // Filter graph: buffer -> description -> buffersink (grey).
    int init_filters(const char* description);
    // One filtered frame as a gImageW x gImageH image, smaller frames centred on black.
    cv::Mat avframe_to_cvmat(AVFrame* frame);
    // The four filter pieces joined: contrast, gamma, sharpen, tail.
    QString FilterDescription() const;

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

private:
    bool openPath(const QByteArray& path);
    void release();
    void setPiece(int index, const QString& piece);

    AVFrame* m_filtFrame = nullptr;
};
