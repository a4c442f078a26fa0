#pragma once
// Stand-in for the DVP camera library (dvp calls), backed by the simulated
// devices of family "dvp". Frames arrive through the stream callback on the
// library's own thread.
#include <cstdint>

namespace dvp {

using dvpHandle = uint32_t;
using dvpStatus = int;
using dvpUint32 = uint32_t;

enum : dvpStatus { DVP_STATUS_OK = 1, DVP_STATUS_FAILED = -1, DVP_STATUS_INVALID_HANDLE = -2,
                   DVP_STATUS_PARAMETER_INVALID = -3 };
enum : int { OPEN_NORMAL = 0x21 };
enum dvpStreamState { STATE_STOPED = 0, STATE_STARTING = 1, STATE_STARTED = 2 };
enum dvpStreamEvent { STREAM_EVENT_FRAME_THREAD = 2 };
enum : int { FORMAT_BGR24 = 10, FORMAT_MONO = 30 };
enum : int { AE_OP_OFF = 0, AE_OP_CONTINUOUS = 2 };

struct dvpCameraInfo {
    char FriendlyName[128] = {};
    char Model[64] = {};
    char SerialNumber[64] = {};
};

struct dvpSensorInfo {
    char Name[64] = {};
    int isColor = 0;
    int maxWidth = 0;
    int maxHeight = 0;
};

struct dvpRegion {
    int X = 0, Y = 0, W = 0, H = 0;
};

struct dvpFloatDescr {
    float fMin = 0, fMax = 0, fStep = 0, fDefault = 0;
};

struct dvpIntDescr {
    int iMin = 0, iMax = 0, iStep = 1, iDefault = 0;
};

struct dvpFrame {
    int format = FORMAT_MONO;
    int iWidth = 0;
    int iHeight = 0;
    unsigned uBytes = 0;
    uint64_t uFrameID = 0;
};

using dvpStreamCallback = int (*)(dvpHandle, dvpStreamEvent, void* context, dvpFrame* frame, void* data);

dvpStatus dvpRefresh(dvpUint32* count);
dvpStatus dvpEnum(dvpUint32 index, dvpCameraInfo* info);
dvpStatus dvpOpenByName(const char* name, int mode, dvpHandle* handle);
dvpStatus dvpClose(dvpHandle h);
dvpStatus dvpIsValid(dvpHandle h, bool* valid);
dvpStatus dvpGetSensorInfo(dvpHandle h, dvpSensorInfo* info);
dvpStatus dvpGetRoi(dvpHandle h, dvpRegion* roi);
dvpStatus dvpSetRoi(dvpHandle h, dvpRegion roi);
dvpStatus dvpSetGammaState(dvpHandle h, bool on);
dvpStatus dvpSetContrastState(dvpHandle h, bool on);
dvpStatus dvpSetSharpnessState(dvpHandle h, bool on);
dvpStatus dvpSetTargetFormat(dvpHandle h, int format);
dvpStatus dvpSetConfigString(dvpHandle h, const char* key, const char* value);
dvpStatus dvpSetAeOperation(dvpHandle h, int op);
dvpStatus dvpSetTriggerSource(dvpHandle h, int source);
dvpStatus dvpSetTriggerState(dvpHandle h, bool on);
dvpStatus dvpRegisterStreamCallback(dvpHandle h, dvpStreamCallback cb, dvpStreamEvent event, void* context);
dvpStatus dvpStart(dvpHandle h);
dvpStatus dvpStop(dvpHandle h);
dvpStatus dvpGetStreamState(dvpHandle h, dvpStreamState* state);
dvpStatus dvpSetExposure(dvpHandle h, double us);
dvpStatus dvpGetExposure(dvpHandle h, double* us);
dvpStatus dvpGetAnalogGainDescr(dvpHandle h, dvpFloatDescr* d);
dvpStatus dvpSetAnalogGain(dvpHandle h, float gain);
dvpStatus dvpGetAnalogGain(dvpHandle h, float* gain);
dvpStatus dvpGetSharpnessDescr(dvpHandle h, dvpIntDescr* d);
dvpStatus dvpSetSharpness(dvpHandle h, int v);
dvpStatus dvpGetSharpness(dvpHandle h, int* v);
dvpStatus dvpGetContrastDescr(dvpHandle h, dvpIntDescr* d);
dvpStatus dvpSetContrast(dvpHandle h, int v);
dvpStatus dvpGetContrast(dvpHandle h, int* v);
dvpStatus dvpGetGammaDescr(dvpHandle h, dvpIntDescr* d);
dvpStatus dvpSetGamma(dvpHandle h, int v);
dvpStatus dvpGetGamma(dvpHandle h, int* v);
dvpStatus dvpLoadDefault(dvpHandle h);

}  // namespace dvp
