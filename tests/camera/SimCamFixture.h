#pragma once
// Simulated camera devices laid out in a temporary folder for one test case.
#include "camera/CameraGlobals.h"
#include "camera/CameraProbe.h"
#include "platform/camsdk/SimCamHub.h"

#include <QDir>
#include <QImage>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>
#include <QVariant>

class SimCamFolder {
public:
    SimCamFolder()
    {
        qputenv("MOJU_SIMCAM", m_root.path().toLocal8Bit());
        // No USB camera path on the build host.
        qputenv("MOJU_V4L2_DEVICE", m_root.filePath(QStringLiteral("no-video%d")).toLocal8Bit());
        simcam::SimCamHub::instance().reset();
        SetCameraProbeSleeper([this](int ms) { sleeps.append(ms); });
        gCameraID = CAMERA_NONE;
        gFindCamera = 0;
        gSensorColor = 0;
        gisCut = 0;
        gisColor = 0;
        for (int n = 0; n < kMaxCameras; ++n) {
            SetSerialNB(n, "0");
            gCamNO[n] = n;
            gContrast[n] = 0;
        }
        CreateCameraMutexes();
    }
    ~SimCamFolder()
    {
        SetCameraProbeSleeper({});
        simcam::SimCamHub::instance().reset();
        qunsetenv("MOJU_SIMCAM");
        qunsetenv("MOJU_V4L2_DEVICE");
    }

    QString devicePath(const QString& family, const QString& serial) const
    {
        return m_root.filePath(family + QLatin1Char('/') + serial);
    }

    // One device; frames are grey pictures of the given values (none: flat frames).
    void add(const QString& family, const QString& serial, const QMap<QString, QVariant>& ini = {},
             const QList<int>& frameValues = {}, QSize frameSize = QSize(64, 48))
    {
        const QString dir = devicePath(family, serial);
        QDir().mkpath(dir);
        if (!ini.isEmpty()) {
            QSettings s(dir + QStringLiteral("/device.ini"), QSettings::IniFormat);
            for (auto it = ini.begin(); it != ini.end(); ++it)
                s.setValue(it.key(), it.value());
            s.sync();
        }
        for (int k = 0; k < frameValues.size(); ++k) {
            QImage img(frameSize, QImage::Format_Grayscale8);
            img.fill(frameValues[k]);
            img.save(dir + QStringLiteral("/f%1.png").arg(k, 3, 10, QLatin1Char('0')));
        }
    }

    // Pulls the device's cable (its folder goes away) and plugs it back in.
    void unplug(const QString& family, const QString& serial)
    {
        QDir().mkpath(m_root.filePath(QStringLiteral(".unplugged")));
        QDir().rename(devicePath(family, serial), m_root.filePath(QStringLiteral(".unplugged/") + serial));
    }
    void replug(const QString& family, const QString& serial)
    {
        QDir().rename(m_root.filePath(QStringLiteral(".unplugged/") + serial), devicePath(family, serial));
    }

    simcam::DevicePtr device(const QString& family, const QString& serial)
    {
        return simcam::SimCamHub::instance().find(family, serial);
    }

    QString root() const { return m_root.path(); }
    QList<int> sleeps;

private:
    QTemporaryDir m_root;
};

// Sets the run's frame size as the main window does after the probe.
inline void SetRunFrame(int w, int h, int colour = 0)
{
    gImageW = w;
    gImageH = h;
    gisColor = colour;
    DeriveFrameLengths();
}
