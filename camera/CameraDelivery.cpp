// Frames into each camera's acqBuffer: the pump passes, the SDK callbacks,
// and the V4L2 decode, filter and conversion.
#include "CameraSide.h"

#include "CameraStation.h"
#include "CameraThread.h"
#include "foundation/GLog.h"
#include "platform/vision/ColorConvert.h"

#include <QMutexLocker>
#include <QThread>

#include <opencv2/imgproc.hpp>

#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}


void CameraSide::DeliverLocked(const void* data, int bytes)
{
    const int n = std::min(bytes, gColorLen);
    if (n > 0 && int(acqBuffer.size()) >= n)
        std::memcpy(acqBuffer.data(), data, size_t(n));
    station->isImageFill[camIndex] = true;
    ++deliveredFrames;
}

void CameraSide::Deliver(const void* data, int bytes)
{
    QMutexLocker lock(pMutex[camIndex]);
    DeliverLocked(data, bytes);
}

bool CameraSide::FrameFits(int width, int height, const char* source)
{
    if (width == gImageW && height == gImageH)
        return true;
    const int n = ++droppedFrames;
    // One line for the first drop and then every hundredth, not one per frame.
    if (n == 1 || n % 100 == 0)
        qWarning("camera %d: %s frame %dx%d dropped, the run uses %dx%d (%d dropped)", camIndex + 1, source,
                 width, height, gImageW, gImageH, n);
    return false;
}

// ---- pump ----

void CameraSide::PumpBegin()
{
    m_filtFrame = av_frame_alloc();
}

void CameraSide::PumpEnd()
{
    av_frame_free(&m_filtFrame);
}

bool CameraSide::PumpPass()
{
    const int c = camIndex;
    switch (gCameraID) {
    case CAMERA_GALAXY: {
        if (gx::GXGetImage(gxHandle, &gxFrame, 100) != gx::GX_STATUS_SUCCESS || gxFrame.nStatus != 0)
            return true;
        if (!FrameFits(gxFrame.nWidth, gxFrame.nHeight, "Galaxy"))
            return true;
        int contrast;
        {
            QMutexLocker lock(pMutex[c]);
            contrast = gContrast[c];
        }
        const int bytes = std::min(gxFrame.nImgSize, int(gxRawBuffer.size()));
        gx::DxContrast(gxRawBuffer.data(), sdkBuffer.data(), bytes, contrast);
        Deliver(sdkBuffer.data(), bytes);
        return true;
    }
    case CAMERA_UEYE: {
        if (!ueyeImageMem)
            return true;
        // The memory holds one 8-bit frame; a frame counts only when its content changed.
        const int bytes = std::min(gImageLen, gColorLen);
        ueye::is_LockSeqBuf(ueyeHandle, ueyeMemId, ueyeImageMem);
        if (std::memcmp(ueyeImageMem, acqBuffer.data(), size_t(bytes)) != 0)
            Deliver(ueyeImageMem, bytes);
        ueye::is_UnlockSeqBuf(ueyeHandle, ueyeMemId, ueyeImageMem);
        return true;
    }
    case CAMERA_V4L2:
        return PumpV4l2();
    default:
        return true;  // callback families: the pump only sleeps
    }
}

bool CameraSide::PumpV4l2()
{
    const int c = camIndex;
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
                            if (gisColor) {
                                RGB2RGBA(image.data, rgbaBuffer.data(), gImageW, gImageH);
                                DeliverLocked(rgbaBuffer.data(), gColorLen);
                            } else {
                                DeliverLocked(image.data, gImageLen);
                            }
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

int CameraSide::init_filters(const char* description)
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

cv::Mat CameraSide::avframe_to_cvmat(AVFrame* frame)
{
    const int w = frame->width;
    const int h = frame->height;
    if (w <= 0 || h <= 0 || w > gImageW || h > gImageH) {
        FrameFits(w, h, "V4L2");
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

// ---- SDK callbacks ----

void CameraSide::CameraSnapCallback(mind::CameraHandle h, mind::BYTE* raw, mind::tSdkFrameHead* head, void* ctx)
{
    auto* self = static_cast<CameraSide*>(ctx);
    if (!self || !head || !self->FrameFits(head->iWidth, head->iHeight, "MindVision"))
        return;
    if (head->uBytes > self->sdkBuffer.size())
        return;
    mind::CameraImageProcess(h, raw, self->sdkBuffer.data(), head);
    if (gisColor && head->uiMediaType == mind::CAMERA_MEDIA_TYPE_RGB8) {
        RGB2RGBA(self->sdkBuffer.data(), self->rgbaBuffer.data(), gImageW, gImageH);
        self->Deliver(self->rgbaBuffer.data(), gColorLen);
    } else {
        self->Deliver(self->sdkBuffer.data(), std::min(int(head->uBytes), gImageLen));
    }
}

void CameraSide::MindConnectStateCallBack(mind::CameraHandle, mind::UINT state, mind::UINT, void* ctx)
{
    auto* self = static_cast<CameraSide*>(ctx);
    if (self && state == mind::CAMERA_DISCONNECTED)
        self->station->ReportLost(self->camIndex);
}

void CameraSide::ImageCallBack(unsigned char* data, mvs::MV_FRAME_OUT_INFO* info, void* user)
{
    auto* self = static_cast<CameraSide*>(user);
    if (!info || !self || !data)
        return;
    if (!self->FrameFits(info->nWidth, info->nHeight, "MVS"))
        return;
    QMutexLocker lock(pMutex[self->camIndex]);
    if (gSensorColor && gisColor) {
        mvs::MV_CC_PIXEL_CONVERT_PARAM& conv = self->mvsConvert;
        conv.enSrcPixelType = info->enPixelType;
        conv.pSrcData = data;
        conv.nSrcDataLen = std::min(info->nFrameLen, unsigned(gImageLen));
        conv.enDstPixelType = mvs::PixelType_Gvsp_RGB8_Packed;
        conv.pDstBuffer = self->rgbaBuffer.data();
        if (mvs::MV_CC_ConvertPixelType(self->mvsHandle, &conv) != mvs::MV_OK)
            return;
        RGB2RGBA(self->rgbaBuffer.data(), self->acqBuffer.data(), gImageW, gImageH);
        self->station->isImageFill[self->camIndex] = true;
        ++self->deliveredFrames;
    } else {
        self->DeliverLocked(data, int(std::min(info->nFrameLen, unsigned(gImageLen))));
    }
}

void CameraSide::ExceptionImageCallBack(unsigned type, void* user)
{
    auto* self = static_cast<CameraSide*>(user);
    if (self && type == mvs::MV_EXCEPTION_DEV_DISCONNECT)
        self->station->ReportLost(self->camIndex);
}

void CameraSide::FrameCallback(imv::IMV_Frame* frame, void* user)
{
    auto* self = static_cast<CameraSide*>(user);
    if (!self) {
        std::printf("pCammerWidget is NULL!\n");
        GLogInfo(QStringLiteral("pCammerWidget is NULL!"));
        return;
    }
    if (!frame || !frame->pData
        || !self->FrameFits(int(frame->frameInfo.width), int(frame->frameInfo.height), "IMV"))
        return;
    self->Deliver(frame->pData, int(std::min(frame->frameInfo.size, unsigned(gImageLen))));
}

int CameraSide::dvpStreamCallback(dvp::dvpHandle, dvp::dvpStreamEvent, void* ctx, dvp::dvpFrame* frame, void* data)
{
    auto* self = static_cast<CameraSide*>(ctx);
    if (!self || !frame || !data)
        return 0;
    self->dvpFrameCounter += 1;
    if (self->dvpFrameCounter <= self->dvpFrameSkip.load())
        return 0;
    self->dvpFrameCounter = 0;
    if (!self->FrameFits(frame->iWidth, frame->iHeight, "DVP"))
        return 0;
    if (frame->format == dvp::FORMAT_BGR24 && gisColor) {
        RGB2RGBA(static_cast<unsigned char*>(data), self->rgbaBuffer.data(), gImageW, gImageH);
        self->Deliver(self->rgbaBuffer.data(), gColorLen);
    } else {
        self->Deliver(data, int(std::min(frame->uBytes, unsigned(gImageLen))));
    }
    return 0;
}
