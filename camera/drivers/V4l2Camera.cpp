#include "V4l2Camera.h"

#include "camera/CameraGlobals.h"
#include "params/WizardPara.h"
#include "platform/DevicePaths.h"

#include <QFile>
#include <QMutexLocker>

#include <opencv2/imgproc.hpp>

#include <cstdio>

#include "camera/drivers/FfmpegLib.h"

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
    const FfmpegLib* ff = Ffmpeg();  // devices registered as it loads
    if (!ff || !path.startsWith(QLatin1String("/dev/video")))
        return nullptr;
    return ff->av_find_input_format("video4linux2");
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
    const FfmpegLib* ff = Ffmpeg();
    if (!ff)
        return false;
    AVFormatContext* ctx = ff->avformat_alloc_context();
    if (!ctx)
        return false;
    const QByteArray path = DevicePaths::v4l2Device(0).toLocal8Bit();
    bool video = false;
    if (ff->avformat_open_input(&ctx, path.constData(), V4l2InputFormat(QString::fromLocal8Bit(path)), nullptr) == 0) {
        if (ff->avformat_find_stream_info(ctx, nullptr) >= 0)
            for (unsigned i = 0; i < ctx->nb_streams; ++i)
                if (ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
                    video = true;
        ff->avformat_close_input(&ctx);
    } else {
        ctx = nullptr;  // freed by the failed open
    }
    ff->avformat_free_context(ctx);
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
    const FfmpegLib* ff = Ffmpeg();
    if (!ff)
        return false;
    fmtCtx = ff->avformat_alloc_context();
    if (!fmtCtx)
        return false;
    ff->av_dict_set(&avOptions, "framerate", "30", 0);
    AVDictionary* opts = nullptr;
    ff->av_dict_copy(&opts, avOptions, 0);
    if (ff->avformat_open_input(&fmtCtx, path.constData(), V4l2InputFormat(QString::fromLocal8Bit(path)), &opts) != 0) {
        ff->av_dict_free(&opts);
        ff->av_dict_free(&avOptions);
        fmtCtx = nullptr;  // freed by the failed open
        return false;
    }
    ff->av_dict_free(&opts);
    bool ok = ff->avformat_find_stream_info(fmtCtx, nullptr) >= 0;
    videoStream = -1;
    for (unsigned s = 0; ok && s < fmtCtx->nb_streams; ++s)
        if (fmtCtx->streams[s]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            videoStream = int(s);
    ok = ok && videoStream >= 0;
    if (ok) {
        codec = ff->avcodec_find_decoder(fmtCtx->streams[videoStream]->codecpar->codec_id);
        codecCtx = codec ? ff->avcodec_alloc_context3(codec) : nullptr;
        ok = codecCtx && ff->avcodec_parameters_to_context(codecCtx, fmtCtx->streams[videoStream]->codecpar) >= 0;
        if (ok) {
            codecCtx->thread_count = 1;  // the pump is the decoding thread
            ok = ff->avcodec_open2(codecCtx, codec, nullptr) >= 0;
        }
    }
    if (ok) {
        decodedFrame = ff->av_frame_alloc();
        packet = ff->av_packet_alloc();
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
    // Never loaded: nothing of FFmpeg's to free.
    const FfmpegLib* ff = FfmpegIfLoaded();
    if (!ff)
        return;
    ff->avfilter_graph_free(&filterGraph);
    buffersrcCtx = buffersinkCtx = nullptr;
    ff->av_packet_free(&packet);
    ff->av_frame_free(&decodedFrame);
    ff->avcodec_free_context(&codecCtx);
    codec = nullptr;
    if (fmtCtx)
        ff->avformat_close_input(&fmtCtx);
    ff->av_dict_free(&avOptions);
    ff->avformat_free_context(fmtCtx);
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
    const FfmpegLib* ff = Ffmpeg();
    if (!ff)
        return;
    m_filtFrame = ff->av_frame_alloc();
}

void V4l2Camera::pumpEnd()
{
    const FfmpegLib* ff = FfmpegIfLoaded();
    if (!ff)
        return;
    ff->av_frame_free(&m_filtFrame);
}

bool V4l2Camera::pumpPass()
{
    const int c = m_link.index();
    const FfmpegLib* ff = FfmpegIfLoaded();
    if (!ff || !fmtCtx || !packet)
        return true;
    // Read outside the lock: a blocked read must not stall the polling loop.
    if (ff->av_read_frame(fmtCtx, packet) < 0) {
        ff->av_packet_unref(packet);
        return true;  // sleep before the next read
    }
    if (packet->stream_index != videoStream) {
        ff->av_packet_unref(packet);
        return false;
    }
    bool delivered = false;
    {
        QMutexLocker lock(pMutex[c]);
        if (filterGraph && ff->avcodec_send_packet(codecCtx, packet) >= 0) {
            while (ff->avcodec_receive_frame(codecCtx, decodedFrame) >= 0) {
                if (ff->av_buffersrc_add_frame_flags(buffersrcCtx, decodedFrame, AV_BUFFERSRC_FLAG_KEEP_REF) >= 0) {
                    while (ff->av_buffersink_get_frame(buffersinkCtx, m_filtFrame) >= 0) {
                        cv::Mat image = avframe_to_cvmat(m_filtFrame);
                        if (!image.empty()) {
                            if (gisColor)
                                deliverRgbLocked(image.data);
                            else
                                m_link.deliverLocked(image.data, gImageLen);
                            delivered = true;
                        }
                        ff->av_frame_unref(m_filtFrame);
                    }
                }
                ff->av_frame_unref(decodedFrame);
            }
        }
    }
    ff->av_packet_unref(packet);
    return delivered;
}

int V4l2Camera::init_filters(const char* description)
{
    const FfmpegLib* ff = FfmpegIfLoaded();
    if (!ff || !codecCtx || !fmtCtx || videoStream < 0)
        return AVERROR(EINVAL);
    const AVFilter* buffersrc = ff->avfilter_get_by_name("buffer");
    const AVFilter* buffersink = ff->avfilter_get_by_name("buffersink");
    AVFilterInOut* outputs = ff->avfilter_inout_alloc();
    AVFilterInOut* inputs = ff->avfilter_inout_alloc();
    AVFilterGraph* graph = ff->avfilter_graph_alloc();
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
        ret = ff->avfilter_graph_create_filter(&src, buffersrc, "in", args, nullptr, graph);
        if (ret < 0)
            ff->av_log(nullptr, AV_LOG_ERROR, "Cannot create buffer source\n");
        if (ret >= 0) {
            ret = ff->avfilter_graph_create_filter(&sink, buffersink, "out", nullptr, nullptr, graph);
            if (ret < 0)
                ff->av_log(nullptr, AV_LOG_ERROR, "Cannot create buffer sink\n");
        }
        if (ret >= 0) {
            // What av_opt_set_int_list sets for this one-entry list.
            const enum AVPixelFormat fmts[] = {AV_PIX_FMT_GRAY8};
            ret = ff->av_opt_set_bin(sink, "pix_fmts", reinterpret_cast<const uint8_t*>(fmts), int(sizeof(fmts)),
                                     AV_OPT_SEARCH_CHILDREN);
            if (ret < 0)
                ff->av_log(nullptr, AV_LOG_ERROR, "Cannot set output pixel format\n");
        }
        if (ret >= 0) {
            outputs->name = ff->av_strdup("in");
            outputs->filter_ctx = src;
            outputs->pad_idx = 0;
            outputs->next = nullptr;
            inputs->name = ff->av_strdup("out");
            inputs->filter_ctx = sink;
            inputs->pad_idx = 0;
            inputs->next = nullptr;
            ret = ff->avfilter_graph_parse_ptr(graph, description, &inputs, &outputs, nullptr);
            if (ret >= 0)
                ret = ff->avfilter_graph_config(graph, nullptr);
        }
    }
    ff->avfilter_inout_free(&inputs);
    ff->avfilter_inout_free(&outputs);
    if (ret < 0) {
        // Keep the graph that works; never leave one half built.
        ff->avfilter_graph_free(&graph);
        return ret;
    }
    ff->avfilter_graph_free(&filterGraph);
    filterGraph = graph;
    buffersrcCtx = src;
    buffersinkCtx = sink;
    return ret;
}

cv::Mat V4l2Camera::avframe_to_cvmat(AVFrame* frame)
{
    const FfmpegLib* ff = FfmpegIfLoaded();
    const int w = frame->width;
    const int h = frame->height;
    if (!ff)
        return cv::Mat();
    if (w <= 0 || h <= 0 || w > gImageW || h > gImageH) {
        m_link.frameFits(w, h, "V4L2");
        return cv::Mat();
    }
    const int type = gisColor ? CV_8UC3 : CV_8UC1;
    cv::Mat converted(h, w, type);
    SwsContext* sws = ff->sws_getContext(w, h, AVPixelFormat(frame->format), w, h,
                                     gisColor ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_GRAY8, SWS_FAST_BILINEAR, nullptr,
                                     nullptr, nullptr);
    if (!sws)
        return cv::Mat();
    uint8_t* dst[4] = {converted.data, nullptr, nullptr, nullptr};
    int dstStride[4] = {int(converted.step[0]), 0, 0, 0};
    ff->sws_scale(sws, frame->data, frame->linesize, 0, h, dst, dstStride);
    ff->sws_freeContext(sws);
    cv::Mat out(gImageH, gImageW, type, cv::Scalar::all(0));
    converted.copyTo(out(cv::Rect((gImageW - w) / 2, (gImageH - h) / 2, w, h)));
    return out;
}
