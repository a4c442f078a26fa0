#include "CameraSide.h"

#include "CameraFamilies.h"
#include "CameraGlobals.h"
#include "CameraState.h"
#include "CameraThread.h"
#include "params/WizardPara.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>

CameraSide::CameraSide(CameraState* station_, int camIndex_)
    : station(station_), camIndex(camIndex_)
{
    acqBuffer = ZeroFrameBytes(size_t(gColorLen));
    m_driver = CameraFamilyOf(gCameraID).makeDriver(*this);
    if (!hasSlot())
        return;
    m_driver->prepare(*station->livePara);
    station->cameras[camIndex] = this;
}

CameraSide::~CameraSide()
{
    if (isOpen()) {
        CameraStop();
        CameraClose();
    }
    delete cameraThread;
    if (hasSlot() && station->cameras[camIndex] == this)
        station->cameras[camIndex] = nullptr;
}

bool CameraSide::hasSlot() const
{
    return camIndex >= 0 && camIndex < kMaxCameras;
}

bool CameraSide::isOpen() const
{
    return hasSlot() && station->camOpen[camIndex];
}

const WizardPara& CameraSide::Para() const
{
    return station->SetterPara();
}

void CameraSide::CameraOpen()
{
    const int i = camIndex;
    if (!hasSlot())
        return;  // no slot among the eight: stays closed for good
    if (station->camOpen[i]) {
        // Opening again releases the device held so far instead of leaking it.
        CameraStop();
        CameraClose();
    }
    station->camOpen[i] = 0;
    if (i >= gFindCamera || !m_driver->open(gSerialNB[i]))
        return;
    station->camOpen[i] = 1;

    delete cameraThread;
    cameraThread = new CameraThread(m_driver.get());
    CameraChangeTrig(true);
    SetAdjustPlus();
    SetExposeTime();
    SetContrast();
    SetSharp();
    SetGamma();
    SetHMirror();
    SetVMirror();
}

bool CameraSide::CameraStart()
{
    if (!isOpen() || !m_driver->start())
        return false;
    if (!cameraThread)
        cameraThread = new CameraThread(m_driver.get());
    // A pump told to stop may still be finishing its pass: let it end first.
    if (!cameraThread->isRun.load())
        cameraThread->waitDone();
    cameraThread->isRun.store(true);
    if (!cameraThread->isRunning())
        cameraThread->start(QThread::InheritPriority);
    return true;
}

void CameraSide::CameraStop()
{
    if (!isOpen())
        return;
    m_driver->stop();
    if (cameraThread)
        cameraThread->isRun.store(false);
}

void CameraSide::CameraClose()
{
    if (!isOpen())
        return;
    station->camOpen[camIndex] = 0;
    if (cameraThread) {
        cameraThread->isRun.store(false);
        cameraThread->waitDone();
        delete cameraThread;
        cameraThread = nullptr;
    }
    m_driver->close();
}

void CameraSide::CameraChangeTrig(bool restart)
{
    if (!isOpen())
        return;
    m_driver->trigger(station->livePara->externalTrigger != 0, restart);
    {
        // A frame taken under the old mode is dropped.
        QMutexLocker lock(pMutex[camIndex]);
        station->isImageFill[camIndex] = false;
    }
    station->host->cameraRepaint(camIndex);
}

// ---- image settings ----

void CameraSide::SetExposeTime()
{
    if (!isOpen())
        return;
    const WizardPara& p = Para();
    if (m_driver->setExposure(p.exposure[camIndex], p.autoExposure != 0, p.autoShading != 0))
        SetWB();
}

void CameraSide::SetAdjustPlus()
{
    if (isOpen() && m_driver->setGain(Para().gain[camIndex]))
        SetWB();
}

void CameraSide::SetSharp()
{
    if (isOpen())
        m_driver->setSharpness(Para().sharpness[camIndex]);
}

void CameraSide::SetContrast()
{
    if (isOpen())
        m_driver->setContrast(Para().contrast[camIndex]);
}

void CameraSide::SetGamma()
{
    if (isOpen())
        m_driver->setGamma(Para().gamma[camIndex]);
}

void CameraSide::SetHMirror()
{
    if (isOpen())
        m_driver->setMirror(false, Para().hMirror[camIndex] != 0);
}

void CameraSide::SetVMirror()
{
    if (isOpen())
        m_driver->setMirror(true, Para().vMirror[camIndex] != 0);
}

void CameraSide::SetWB()
{
    // White balance only for colour frames from a colour sensor.
    if (isOpen() && gisColor && gSensorColor)
        m_driver->whiteBalance();
}

void CameraSide::RestoreDefaultSettings()
{
    if (hasSlot())
        m_driver->restoreDefaults(*station->editPara, *station->livePara);
}

void CameraSide::AutoChangeExposeTime(int meanGrey)
{
    if (!isOpen())
        return;
    int& e = station->livePara->exposure[camIndex];
    if (meanGrey > 130)
        e = std::max(e - 1, 0);
    else if (meanGrey < 126)
        e = std::min(e + 1, 10000);  // the parameter's own range
    SetExposeTime();
}

// ---- what the driver asks ----

void CameraSide::deliverLocked(const void* data, int bytes)
{
    if (!station->takesFrames.load(std::memory_order_relaxed))
        return;
    if (station->LetsGo(camIndex)) {
        ++deliveredFrames;  // the frame period stays what the camera sends
        return;
    }
    const int64_t at = FrameClockNs();  // before the copy: the frame was taken before it
    const int n = std::min(bytes, gColorLen);
    if (n > 0 && int(acqBuffer.size()) >= n)
        std::memcpy(acqBuffer.data(), data, size_t(n));
    station->isImageFill[camIndex] = true;
    station->frameAtNs[camIndex] = at;
    ++deliveredFrames;
    station->FrameCame(camIndex);
}

void CameraSide::deliver(const void* data, int bytes)
{
    QMutexLocker lock(pMutex[camIndex]);
    deliverLocked(data, bytes);
}

void CameraSide::deliverInto(const std::function<bool(unsigned char* acq)>& write)
{
    QMutexLocker lock(pMutex[camIndex]);
    deliverIntoLocked(write);
}

void CameraSide::deliverIntoLocked(const std::function<bool(unsigned char* acq)>& write)
{
    if (acqBuffer.size() < size_t(gColorLen) || !station->takesFrames.load(std::memory_order_relaxed))
        return;
    if (station->LetsGo(camIndex)) {
        ++deliveredFrames;
        return;
    }
    const int64_t at = FrameClockNs();
    if (!write(acqBuffer.data())) {
        // The writer may have left part of its frame: nothing waiting is whole.
        station->isImageFill[camIndex] = false;
        return;
    }
    station->isImageFill[camIndex] = true;
    station->frameAtNs[camIndex] = at;
    ++deliveredFrames;
    station->FrameCame(camIndex);
}

bool CameraSide::frameFits(int width, int height, const char* source)
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

void CameraSide::reportLost()
{
    station->ReportLost(camIndex);
}

void CameraSide::record(const QString& line)
{
    station->host->insertRecord(line);
}

void CameraSide::applySpeedToAll()
{
    station->CameraSetSpeed();
}

void CameraSide::applyMirrors()
{
    SetHMirror();
    SetVMirror();
}
