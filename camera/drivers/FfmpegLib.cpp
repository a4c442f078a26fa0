#include "FfmpegLib.h"

#include <QDebug>

#include <dlfcn.h>

#include <atomic>
#include <mutex>

namespace {
std::atomic<const FfmpegLib*> gLoaded{nullptr};

// The major versions the headers were built against (sonames from the build).
void* Open(const char* soname)
{
    void* h = dlopen(soname, RTLD_NOW | RTLD_GLOBAL);
    if (!h)
        qWarning().noquote() << "USB cameras unavailable:" << dlerror();
    return h;
}
}  // namespace

const FfmpegLib* Ffmpeg()
{
    static std::once_flag once;
    static FfmpegLib lib;
    std::call_once(once, [] {
        void* const avutil = Open(MOJU_SONAME_AVUTIL);
        void* const swscale = Open(MOJU_SONAME_SWSCALE);
        void* const avcodec = Open(MOJU_SONAME_AVCODEC);
        void* const avformat = Open(MOJU_SONAME_AVFORMAT);
        void* const avfilter = Open(MOJU_SONAME_AVFILTER);
        void* const avdevice = Open(MOJU_SONAME_AVDEVICE);
        bool all = avutil && swscale && avcodec && avformat && avfilter && avdevice;
#define MOJU_FFMPEG_RESOLVE(libname, name)                                                 \
    if (all) {                                                                             \
        lib.name = reinterpret_cast<decltype(lib.name)>(dlsym(libname, #name));            \
        if (!lib.name) {                                                                   \
            qWarning().noquote() << "USB cameras unavailable: no" << #name;               \
            all = false;                                                                   \
        }                                                                                  \
    }
        MOJU_FFMPEG_CALLS(MOJU_FFMPEG_RESOLVE)
#undef MOJU_FFMPEG_RESOLVE
        if (!all)
            return;
        lib.avdevice_register_all();
        lib.avformat_network_init();
        gLoaded.store(&lib);
    });
    return gLoaded.load();
}

const FfmpegLib* FfmpegIfLoaded()
{
    return gLoaded.load();
}
