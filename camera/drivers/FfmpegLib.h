#pragma once
// FFmpeg, loaded when a USB camera is first used rather than linked: its
// libraries (filters, devices and all they pull in) map some 29 MB that a
// panel with only industrial cameras never uses.
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

#define MOJU_FFMPEG_CALLS(X)                                                                                     \
    X(avformat, avformat_alloc_context) X(avformat, avformat_open_input) X(avformat, avformat_find_stream_info) \
    X(avformat, avformat_close_input) X(avformat, avformat_free_context) X(avformat, av_read_frame)              \
    X(avformat, av_find_input_format) X(avformat, avformat_network_init) X(avdevice, avdevice_register_all)      \
    X(avcodec, avcodec_find_decoder) X(avcodec, avcodec_alloc_context3) X(avcodec, avcodec_parameters_to_context) \
    X(avcodec, avcodec_open2) X(avcodec, avcodec_free_context) X(avcodec, avcodec_send_packet)                   \
    X(avcodec, avcodec_receive_frame) X(avcodec, av_packet_alloc) X(avcodec, av_packet_free)                     \
    X(avcodec, av_packet_unref) X(avfilter, avfilter_get_by_name) X(avfilter, avfilter_inout_alloc)              \
    X(avfilter, avfilter_inout_free) X(avfilter, avfilter_graph_alloc) X(avfilter, avfilter_graph_free)          \
    X(avfilter, avfilter_graph_create_filter) X(avfilter, avfilter_graph_parse_ptr)                              \
    X(avfilter, avfilter_graph_config) X(avfilter, av_buffersrc_add_frame_flags)                                 \
    X(avfilter, av_buffersink_get_frame) X(avutil, av_frame_alloc) X(avutil, av_frame_free)                      \
    X(avutil, av_frame_unref) X(avutil, av_dict_set) X(avutil, av_dict_copy) X(avutil, av_dict_free)             \
    X(avutil, av_log) X(avutil, av_strdup) X(avutil, av_opt_set_bin)     \
    X(swscale, sws_getContext) X(swscale, sws_scale) X(swscale, sws_freeContext)

struct FfmpegLib {
#define MOJU_FFMPEG_POINTER(lib, name) decltype(&::name) name = nullptr;
    MOJU_FFMPEG_CALLS(MOJU_FFMPEG_POINTER)
#undef MOJU_FFMPEG_POINTER
};

// Loads FFmpeg on first use (devices registered); null when a library or
// call is missing, so no USB camera is found.
const FfmpegLib* Ffmpeg();
// The library when it was loaded before, else null: never loads it.
const FfmpegLib* FfmpegIfLoaded();
