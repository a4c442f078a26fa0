#pragma once
// One camera family behind one interface. The camera half (CameraSide) opens,
// starts, stops, closes, triggers and sets its camera through the driver of
// the run's family; the driver hands frames back through a CameraLink.
#include "FramePump.h"
#include "foundation/FrameBytes.h"

#include <QString>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

struct WizardPara;

// What a driver may ask of its camera half.
class CameraLink {
public:
    virtual ~CameraLink() = default;
    virtual int index() const = 0;
    virtual bool isOpen() const = 0;
    // A frame into the acquisition buffer, raising the frame-ready flag;
    // deliverLocked when the caller holds pMutex[index] already.
    virtual void deliver(const void* data, int bytes) = 0;
    virtual void deliverLocked(const void* data, int bytes) = 0;
    // Writes a frame straight into the acquisition buffer under the lock;
    // returning false drops it and any frame still waiting (the buffer may
    // be half written). deliverIntoLocked when pMutex[index] is held already.
    virtual void deliverInto(const std::function<bool(unsigned char* acq)>& write) = 0;
    virtual void deliverIntoLocked(const std::function<bool(unsigned char* acq)>& write) = 0;
    // The acquisition buffer: the detection pass takes its pages with each
    // frame (they change places with its work buffer), so only under
    // pMutex[index]; it holds no earlier frame to compare with.
    virtual const FrameBytes& acquired() const = 0;
    // A frame of another size than the run's is dropped with a log line.
    virtual bool frameFits(int width, int height, const char* source) = 0;
    // The SDK reported the device gone (any thread).
    virtual void reportLost() = 0;
    // One operation-log line.
    virtual void record(const QString& line) = 0;
    // What the factory defaults need around them.
    virtual void stopAcquisition() = 0;
    virtual bool startAcquisition() = 0;
    virtual void applySpeedToAll() = 0;
    virtual void applyMirrors() = 0;
};

// The base is the family without devices: it opens without a device and
// delivers nothing.
class CameraDriver : public FramePump {
public:
    explicit CameraDriver(CameraLink& link) : m_link(link) {}
    CameraDriver(const CameraDriver&) = delete;
    CameraDriver& operator=(const CameraDriver&) = delete;

    // Before the first open: settings the driver keeps itself (the V4L2 filter text).
    virtual void prepare(const WizardPara& live);

    // Opens the device stored as `serial` (9 characters or more) or the one of
    // this camera's index; false leaves the camera closed.
    virtual bool open(const char* serial);
    // Starts acquisition; false when the SDK refuses.
    virtual bool start() { return true; }
    virtual void stop() {}
    // Releases the device (the pump has ended).
    virtual void close() {}
    virtual void trigger(bool external, bool restart);
    // The image settings as parameter values. False from the exposure or the
    // gain skips the white balance that follows them.
    virtual bool setExposure(int exposure, bool autoExposure, bool autoShading);
    virtual bool setGain(int gain);
    virtual void setSharpness(int sharpness);
    virtual void setContrast(int contrast);
    virtual void setGamma(int gamma);
    virtual void setMirror(bool vertical, bool on);
    virtual void whiteBalance() {}
    // Loads the camera's factory or default user set and reads it back into
    // `edit` (a value the camera does not report stays as it was).
    virtual void restoreDefaults(WizardPara& edit, const WizardPara& live);
    // The acquisition speed parameter.
    virtual void applySpeed(int speed);
    // The serial the stored camera order keeps for this camera.
    virtual bool orderSerial(std::string* out) const;

    bool pumpPass() override { return true; }  // SDK callbacks deliver

protected:
    // Serials of 9 characters and more select the device; shorter ones open by index.
    static bool HasSerial(const char* s, size_t maxLen = 99);
    static void CopyText(char* dst, size_t size, const char* src);
    // min + (max - min) * v / d; with intStep a whole step (max - min) / d
    // where the range has one.
    static double MapToRange(double min, double max, int v, int d, bool intStep = false);
    // The inverse of MapToRange, truncated; an empty range reads as 0.
    static int ReadBack(double cur, double min, double max, int d, bool intStep = false);
    // True when an SDK range read succeeded; else one glog line.
    bool RangeRead(int status, int ok, const char* what) const;
    // A packed-RGB frame of the run's size, widened to the RGBA that colour
    // runs keep and delivered; deliverRgbLocked under pMutex[index] already.
    void deliverRgb(const unsigned char* rgb);
    void deliverRgbLocked(const unsigned char* rgb);
    // A packed-RGB frame of `pixels` held in the last three quarters of an
    // RGBA buffer, widened in place: SDKs convert into the acquisition
    // buffer itself instead of a buffer of their own.
    static void WidenTailRgb(unsigned char* buffer, int pixels);

    CameraLink& m_link;

};
