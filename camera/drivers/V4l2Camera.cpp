#include "V4l2Camera.h"

#include "camera/CameraGlobals.h"
#include "params/WizardPara.h"
#include "platform/DevicePaths.h"

#include <QFile>
#include <QMutexLocker>

#include <opencv2/imgproc.hpp>

#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

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

const AVInputFormat* V4l2InputFormat(const QString& path)
{
    avdevice_register_all();
    if (!path.startsWith(QLatin1String("/dev/video")))
        return nullptr;
    return av_find_input_format("video4linux2");
}

V4l2Camera::~V4l2Camera()
{
    release();
}

bool V4l2Camera::Probe()
{
    gFindCamera = CapCameraCount(CheckUSBCameraNum());
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
    SetFrameSize(960, 540);
    return true;
}

int V4l2Camera::Recount(bool)
{
    return CheckUSBCameraNum();
}

void V4l2Camera::prepare(const WizardPara& live)
{
    const int i = m_link.index();
    filterParts[0] = ContrastPiece(live.contrast[i]);
    filterParts[1] = GammaPiece(live.gamma[i]);
    filterParts[2] = SharpenPiece(live.sharpness[i]);
}

bool V4l2Camera::open(const char*)
{
    bool opened = openPath(DevicePaths::v4l2Device(m_link.index()).toLocal8Bit());
    for (int n = gFindCamera; !opened && n <= 63; ++n)
        opened = openPath(DevicePaths::v4l2Device(n).toLocal8Bit());
    return opened;
}

bool V4l2Camera::openPath(const QByteArray& path)
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
        release();
        return false;
    }
    return true;
}

void V4l2Camera::release()
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

void V4l2Camera::close()
{
    QMutexLocker lock(pMutex[m_link.index()]);
    release();
}

QString V4l2Camera::FilterDescription() const
{
    return filterParts[0] + filterParts[1] + filterParts[2] + filterParts[3];
}

void V4l2Camera::setPiece(int index, const QString& piece)
{
    // The pump uses the graph under the same lock.
    QMutexLocker lock(pMutex[m_link.index()]);
    filterParts[index] = piece;
    const QByteArray desc = FilterDescription().toLatin1();
    init_filters(desc.constData());
}

void V4l2Camera::setSharpness(int s)
{
    setPiece(2, SharpenPiece(s));
}

void V4l2Camera::setContrast(int c)
{
    setPiece(0, ContrastPiece(c));
}

void V4l2Camera::setGamma(int y)
{
    setPiece(1, GammaPiece(y));
}

void V4l2Camera::restoreDefaults(WizardPara& edit, const WizardPara&)
{
    const int i = m_link.index();
    edit.contrast[i] = 140;
    edit.gamma[i] = 40;
    edit.sharpness[i] = 0;
    // The graph is rebuilt by the next setter.
    QMutexLocker lock(pMutex[i]);
    filterParts[0] = ContrastPiece(140);
    filterParts[1] = GammaPiece(40);
    filterParts[2] = SharpenPiece(0);
    filterParts[3].clear();
}

void V4l2Camera::pumpBegin()
{
    m_filtFrame = av_frame_alloc();
}

void V4l2Camera::pumpEnd()
{
    av_frame_free(&m_filtFrame);
}

bool V4l2Camera::pumpPass()
{
    const int c = m_link.index();
    if (!fmtCtx || !packet)
        return true;
    // Read outside the lock: a blocked read must not stall the polling loop.
    if (av_read_frame(fmtCtx, packet) < 0) {
        av_packet_unref(packet);
        return true;  // sleep before the next read
    }
    if (packet->stream_index != videoStream) {
        av_packet_unref(packet);
        return false;
    }
    bool delivered = false;
    {
        QMutexLocker lock(pMutex[c]);
        if (filterGraph && avcodec_send_packet(codecCtx, packet) >= 0) {
            while (avcodec_receive_frame(codecCtx, decodedFrame) >= 0) {
                if (av_buffersrc_add_frame_flags(buffersrcCtx, decodedFrame, AV_BUFFERSRC_FLAG_KEEP_REF) >= 0) {
                    while (av_buffersink_get_frame(buffersinkCtx, m_filtFrame) >= 0) {
                        cv::Mat image = avframe_to_cvmat(m_filtFrame);
                        if (!image.empty()) {
                            if (gisColor)
                                deliverRgbLocked(image.data);
                            else
                                m_link.deliverLocked(image.data, gImageLen);
                            delivered = true;
                        }
                        av_frame_unref(m_filtFrame);
                    }
                }
                av_frame_unref(decodedFrame);
            }
        }
    }
    av_packet_unref(packet);
    return delivered;
}

int V4l2Camera::init_filters(const char* description)
{
    if (!codecCtx || !fmtCtx || videoStream < 0)
        return AVERROR(EINVAL);
    const AVFilter* buffersrc = avfilter_get_by_name("buffer");
    const AVFilter* buffersink = avfilter_get_by_name("buffersink");
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    AVFilterGraph* graph = avfilter_graph_alloc();
    AVFilterContext* src = nullptr;
    AVFilterContext* sink = nullptr;
    int ret = 0;
    if (!outputs || !inputs || !graph || !buffersrc || !buffersink) {
        ret = AVERROR(ENOMEM);
    } else {
        graph->nb_threads = 1;  // filters run on the pump thread
        const AVRational tb = fmtCtx->streams[videoStream]->time_base;
        char args[512];
        std::snprintf(args, sizeof(args), "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                      codecCtx->width, codecCtx->height, int(codecCtx->pix_fmt), tb.num, tb.den,
                      codecCtx->sample_aspect_ratio.num, codecCtx->sample_aspect_ratio.den);
        ret = avfilter_graph_create_filter(&src, buffersrc, "in", args, nullptr, graph);
        if (ret < 0)
            av_log(nullptr, AV_LOG_ERROR, "Cannot create buffer source\n");
        if (ret >= 0) {
            ret = avfilter_graph_create_filter(&sink, buffersink, "out", nullptr, nullptr, graph);
            if (ret < 0)
                av_log(nullptr, AV_LOG_ERROR, "Cannot create buffer sink\n");
        }
        if (ret >= 0) {
            const enum AVPixelFormat fmts[] = {AV_PIX_FMT_GRAY8, AV_PIX_FMT_NONE};
            ret = av_opt_set_int_list(sink, "pix_fmts", fmts, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
            if (ret < 0)
                av_log(nullptr, AV_LOG_ERROR, "Cannot set output pixel format\n");
        }
        if (ret >= 0) {
            outputs->name = av_strdup("in");
            outputs->filter_ctx = src;
            outputs->pad_idx = 0;
            outputs->next = nullptr;
            inputs->name = av_strdup("out");
            inputs->filter_ctx = sink;
            inputs->pad_idx = 0;
            inputs->next = nullptr;
            ret = avfilter_graph_parse_ptr(graph, description, &inputs, &outputs, nullptr);
            if (ret >= 0)
                ret = avfilter_graph_config(graph, nullptr);
        }
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    if (ret < 0) {
        // Keep the graph that works; never leave one half built.
        avfilter_graph_free(&graph);
        return ret;
    }
    avfilter_graph_free(&filterGraph);
    filterGraph = graph;
    buffersrcCtx = src;
    buffersinkCtx = sink;
    return ret;
}

cv::Mat V4l2Camera::avframe_to_cvmat(AVFrame* frame)
{
    const int w = frame->width;
    const int h = frame->height;
    if (w <= 0 || h <= 0 || w > gImageW || h > gImageH) {
        m_link.frameFits(w, h, "V4L2");
        return cv::Mat();
    }
    const int type = gisColor ? CV_8UC3 : CV_8UC1;
    cv::Mat converted(h, w, type);
    SwsContext* sws = sws_getContext(w, h, AVPixelFormat(frame->format), w, h,
                                     gisColor ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_GRAY8, SWS_FAST_BILINEAR, nullptr,
                                     nullptr, nullptr);
    if (!sws)
        return cv::Mat();
    uint8_t* dst[4] = {converted.data, nullptr, nullptr, nullptr};
    int dstStride[4] = {int(converted.step[0]), 0, 0, 0};
    sws_scale(sws, frame->data, frame->linesize, 0, h, dst, dstStride);
    sws_freeContext(sws);
    cv::Mat out(gImageH, gImageW, type, cv::Scalar::all(0));
    converted.copyTo(out(cv::Rect((gImageW - w) / 2, (gImageH - h) / 2, w, h)));
    return out;
}
