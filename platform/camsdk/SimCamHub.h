#pragma once
// Simulated camera devices behind every stand-in camera SDK.
//
// MOJU_SIMCAM names a folder; each sub-folder <family>/<serial>/ is one
// device that serves its BMP/PNG files in name order, in a loop. An optional
// "device.ini" gives model, colour, sensor size and scripted faults. Removing
// the folder unplugs the device, restoring it plugs it back in.
#include <QByteArray>
#include <QMap>
#include <QSize>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace simcam {

// Asked for as channels: the colour picture as an RGGB Bayer mosaic, one
// byte a pixel, as a colour sensor sends it.
constexpr int kMosaic = 4;

struct Frame {
    int width = 0;
    int height = 0;
    int channels = 1;   // 1 grey, 3 RGB (or its mosaic)
    bool mosaic = false; // data is the RGGB mosaic of the colour picture
    quint64 number = 0; // 1-based count of frames this device produced
    bool bad = false;   // scripted incomplete frame
    QByteArray data;
};

class SimDevice {
public:
    SimDevice(const QString& family, const QString& serial, const QString& folder);

    QString family() const { return m_family; }
    QString serial() const { return m_serial; }
    QString folder() const { return m_folder; }

    // Static description from device.ini (with family defaults where absent).
    QString text(const QString& key, const QString& def = QString()) const;
    int number(const QString& key, int def = 0) const;
    double real(const QString& key, double def = 0.0) const;
    bool isColor() const { return number(QStringLiteral("color"), 0) != 0; }
    // Scripted refusal: device.ini "fail" lists calls or features that fail.
    bool refuses(const QString& call) const;

    // Plugged in: the folder exists and no scripted unplug has happened.
    bool present() const;

    // Open bookkeeping (exclusive access like the real devices).
    bool tryOpen();
    void close();
    bool isOpen() const { return m_open.load(); }

    // Every setting a stand-in SDK received, by feature name.
    void record(const QString& name, const QVariant& value);
    QVariant setting(const QString& name) const;
    // Value set, else the device.ini default "<name>Default", else def.
    QVariant current(const QString& name, const QVariant& def) const;
    void forget(const QString& name);
    QVariantMap settings() const;
    int settingCount(const QString& name) const;

    // Acquisition state driven by the stand-ins.
    void setStreaming(bool on);
    bool streaming() const { return m_streaming.load(); }
    void setTriggerMode(bool on);
    bool triggerMode() const { return m_trigger.load(); }
    // A pulse on the hardware trigger line (tests) or a software trigger.
    void trigger();
    // Waits for the next frame as the acquisition mode allows. False on
    // time-out, when not streaming or when the device is gone.
    bool waitFrame(int timeoutMs, Frame& out, int channels);
    // Wakes a waiting waitFrame (stop).
    void wake();
    quint64 framesProduced() const { return m_produced.load(); }
    // Frames whose delivery callback has returned.
    quint64 framesHandled() const { return m_handled.load(); }
    void markHandled() { ++m_handled; }
    // Serve only picture `index` of the folder (name order); -1 serves them
    // all in turn again. Tests switch a scene between good and faulty.
    void showPicture(int index) { m_showPicture.store(index); }
    // Memory of the pictures decoded so far (the stand-in's, not a camera's).
    qint64 decodedBytes() const;
    int fps() const;

private:
    bool makeFrame(Frame& out, int channels);
    std::atomic<int> m_showPicture{-1};
    void loadImages();

    QString m_family, m_serial, m_folder;
    QVariantMap m_ini;
    mutable QMutex m_settingsMutex;
    QVariantMap m_settings;
    QMap<QString, int> m_settingCounts;

    std::atomic<bool> m_open{false};
    std::atomic<bool> m_streaming{false};
    std::atomic<bool> m_trigger{false};
    std::atomic<quint64> m_produced{0};
    std::atomic<quint64> m_handled{0};
    std::atomic<bool> m_unplugged{false};

    std::mutex m_waitMutex;
    std::condition_variable m_waitCond;
    int m_pendingTriggers = 0;
    int m_wakeups = 0;
    qint64 m_nextDueMs = 0;

    mutable QMutex m_imageMutex;
    bool m_imagesLoaded = false;
    std::vector<QString> m_imageFiles;
    // "<channels>:<file>" -> pixels, with size in m_decodedSize; a mosaic is
    // kept instead of its colour picture, a third of it
    QMap<QString, QByteArray> m_decoded;
    QMap<QString, QSize> m_decodedSize;
};

using DevicePtr = std::shared_ptr<SimDevice>;

// Runs an SDK's own delivery thread for one device: frames go to onFrame,
// a lost device to onLost (once).
class SimStream {
public:
    SimStream(DevicePtr device, int channels, std::function<void(const Frame&)> onFrame,
              std::function<void()> onLost = {});
    ~SimStream();
    void setChannels(int channels) { m_channels.store(channels); }

private:
    void loop();
    DevicePtr m_device;
    std::atomic<int> m_channels;
    std::function<void(const Frame&)> m_onFrame;
    std::function<void()> m_onLost;
    std::atomic<bool> m_run{true};
    std::thread m_thread;
};

class SimCamHub {
public:
    static SimCamHub& instance();
    // Present devices of a family, in serial (folder name) order. Rescans
    // the folder; a device keeps its state while its folder exists.
    std::vector<DevicePtr> devices(const QString& family);
    DevicePtr find(const QString& family, const QString& serial);
    // Forget every device (tests between cases).
    void reset();

private:
    QMutex m_mutex;
    QMap<QString, DevicePtr> m_known;  // by folder path
};

}  // namespace simcam
