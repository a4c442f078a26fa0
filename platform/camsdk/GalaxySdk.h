#pragma once
// Stand-in for the Daheng Galaxy camera library (GX calls), backed by the
// simulated devices of family "galaxy". Frames are pulled with GXGetImage.
#include <cstdint>

namespace gx {

using GX_STATUS = int32_t;
using GX_DEV_HANDLE = void*;

enum : GX_STATUS { GX_STATUS_SUCCESS = 0, GX_STATUS_ERROR = -1, GX_STATUS_NOT_FOUND_DEVICE = -3,
                   GX_STATUS_TIMEOUT = -14, GX_STATUS_INVALID_HANDLE = -8 };

// Feature ids (integer 0x1..., float 0x2..., enumeration 0x3..., boolean 0x4..., command 0x7...).
enum : int32_t {
    GX_INT_OFFSET_X = 0x100003EC,
    GX_INT_OFFSET_Y = 0x100003ED,
    GX_INT_WIDTH = 0x100003EE,
    GX_INT_HEIGHT = 0x100003EF,
    GX_INT_BINNING_H = 0x100003F0,
    GX_INT_BINNING_V = 0x100003F1,
    GX_INT_DECIMATION_H = 0x100003F2,
    GX_INT_DECIMATION_V = 0x100003F3,
    GX_INT_ACQUISITION_SPEED_LEVEL = 0x10000BBB,
    GX_FLOAT_EXPOSURE_TIME = 0x20000BC1,
    GX_FLOAT_GAIN = 0x20001393,
    GX_FLOAT_GAMMA = 0x20001397,
    GX_FLOAT_SHARPNESS = 0x2000178B,
    GX_ENUM_ACQUISITION_MODE = 0x30000BB8,
    GX_ENUM_TRIGGER_MODE = 0x30000BBD,
    GX_ENUM_EXPOSURE_AUTO = 0x30000BC2,
    GX_ENUM_SHARPNESS_MODE = 0x3000178A,
    GX_ENUM_HDR_MODE = 0x300036B0,
    GX_BOOL_GAMMA_ENABLE = 0x40001395,
    GX_COMMAND_ACQUISITION_START = 0x70000BB9,
    GX_COMMAND_ACQUISITION_STOP = 0x70000BBA,
};

enum : int32_t { GX_OPEN_SN = 0, GX_ACCESS_EXCLUSIVE = 4 };

struct GX_OPEN_PARAM {
    const char* pszContent = nullptr;
    int32_t openMode = GX_OPEN_SN;
    int32_t accessMode = GX_ACCESS_EXCLUSIVE;
};

struct GX_FLOAT_RANGE {
    double dMin = 0;
    double dMax = 0;
    double dInc = 0;
};

struct GX_FRAME_DATA {
    int32_t nStatus = 0;       // 0 good frame
    void* pImgBuf = nullptr;   // caller's buffer
    int32_t nBufSize = 0;      // bytes the caller's buffer holds
    int32_t nWidth = 0;
    int32_t nHeight = 0;
    int32_t nImgSize = 0;      // bytes of the frame (may exceed nBufSize: then nothing is copied)
    uint64_t nFrameID = 0;
};

GX_STATUS GXInitLib();
GX_STATUS GXCloseLib();
GX_STATUS GXUpdateDeviceList(uint32_t* count, uint32_t timeoutMs);
GX_STATUS GXOpenDeviceByIndex(uint32_t index, GX_DEV_HANDLE* handle);  // index from 1
GX_STATUS GXOpenDevice(const GX_OPEN_PARAM* param, GX_DEV_HANDLE* handle);
GX_STATUS GXCloseDevice(GX_DEV_HANDLE handle);
GX_STATUS GXGetInt(GX_DEV_HANDLE handle, int32_t feature, int64_t* value);
GX_STATUS GXSetInt(GX_DEV_HANDLE handle, int32_t feature, int64_t value);
GX_STATUS GXSetEnum(GX_DEV_HANDLE handle, int32_t feature, int64_t value);
GX_STATUS GXSetBool(GX_DEV_HANDLE handle, int32_t feature, bool value);
GX_STATUS GXSetFloat(GX_DEV_HANDLE handle, int32_t feature, double value);
GX_STATUS GXGetFloatRange(GX_DEV_HANDLE handle, int32_t feature, GX_FLOAT_RANGE* range);
GX_STATUS GXSendCommand(GX_DEV_HANDLE handle, int32_t feature);
GX_STATUS GXGetImage(GX_DEV_HANDLE handle, GX_FRAME_DATA* frame, uint32_t timeoutMs);

// Image-processing call of the Galaxy tools: contrast -50..100 on 8-bit data.
int32_t DxContrast(const void* in, void* out, int32_t length, int32_t contrast);

}  // namespace gx
