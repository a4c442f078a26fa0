#pragma once
// The camera side of a main window for tests: station, parameter copies,
// a host that records operation-log lines, and the widgets' camera halves.
#include "SimCamFixture.h"
#include "params/WizardPara.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"

#include <QMutexLocker>
#include <QStringList>

#include "GLogCapture.h"

#include <memory>
#include <vector>

class TestHost : public CameraHost {
public:
    bool settingsDialogVisible() const override { return dialogVisible; }
    void insertRecord(const QString& text) override { records.append(text); }
    void cameraRepaint(int camera) override { repaints.append(camera); }
    bool dialogVisible = false;
    QStringList records;
    QList<int> repaints;
};

struct CameraRig {
    WizardPara live;
    WizardPara edit;
    TestHost host;
    CameraStation station{&live, &edit, &host};
    std::vector<std::unique_ptr<CameraSide>> sides;

    // As the main window builds its eight widgets: open each, count the open ones.
    void build(int count = kMaxCameras)
    {
        for (int i = 0; i < count; ++i) {
            sides.push_back(std::make_unique<CameraSide>(&station, i));
            sides.back()->CameraOpen();
            if (station.camOpen[i])
                ++station.numCamera;
        }
    }
    void startAll()
    {
        for (auto& s : sides)
            s->CameraStart();
    }
    CameraSide& cam(int c) { return *sides[size_t(c)]; }
    // Camera c's family driver (the run's family must be Driver's).
    template <class Driver>
    Driver& driver(int c)
    {
        return *cam(c).driverAs<Driver>();
    }

    bool filled(int c)
    {
        QMutexLocker lock(pMutex[c]);
        return station.isImageFill[c];
    }
    // Takes the frame as the polling loop does: first byte, flag cleared.
    int take(int c)
    {
        QMutexLocker lock(pMutex[c]);
        station.isImageFill[c] = false;
        return cam(c).acqBuffer.empty() ? -1 : cam(c).acqBuffer[0];
    }
};

// Diagnostic lines of the process, for checks on log output.
class LogCapture {
public:
    LogCapture()
    {
        s_self = this;
        m_previous = qInstallMessageHandler(&LogCapture::handler);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_self = nullptr;
    }
    QStringList lines()
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    bool contains(const QString& part)
    {
        for (const QString& l : lines())
            if (l.contains(part))
                return true;
        return false;
    }

private:
    static void handler(QtMsgType, const QMessageLogContext&, const QString& msg)
    {
        if (LogCapture* self = s_self) {
            QMutexLocker lock(&self->m_mutex);
            self->m_lines.append(msg);
        }
    }
    static inline LogCapture* s_self = nullptr;
    QtMessageHandler m_previous = nullptr;
    QMutex m_mutex;
    QStringList m_lines;
};
