#include "DetectionCycle.h"

#include "ControlPort.h"
#include "IOLink.h"
#include "MainGlobals.h"
#include "camera/CameraGlobals.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "params/CammerWidgetData.h"
#include "params/WizardPara.h"

#include <QMutexLocker>

#include <opencv2/core.hpp>

#include <cstring>

DetectionCycle::DetectionCycle(CycleHost* host, CameraStation* station, QObject* parent)
    : QObject(parent)
    , m_host(host)
    , m_station(station)
{
    runTimer.setSingleShot(true);
    connect(&runTimer, &QTimer::timeout, this, &DetectionCycle::Run);
}

unsigned DetectionCycle::HandOverFrames()
{
    unsigned fresh = 0;
    const int n = std::min(m_host->cameraCount(), kMaxCameras);
    for (int c = 0; c < n; ++c) {
        CammerWidgetData* cam = m_host->cameraData(c);
        CameraSide* side = m_station ? m_station->cameras[c] : nullptr;
        if (!cam || !side || !pMutex[c])
            continue;
        {
            QMutexLocker lock(pMutex[c]);
            if (!m_station->isImageFill[c])
                continue;
            const size_t bytes = std::min({size_t(gColorLen), side->acqBuffer.size(), cam->workBuffer.size()});
            std::memcpy(cam->workBuffer.data(), side->acqBuffer.data(), bytes);
            m_station->isImageFill[c] = false;
        }
        // Brightness over one 8-bit plane of the frame (a quarter of a colour one).
        const cv::Mat plane = cam->GreyView(cam->workBuffer);
        if (!plane.empty())
            cam->brightness = int(cv::mean(plane)[0]);
        if (gpWPara && gpWPara->externalTrigger && state.verdictState != VerdictAlarm)
            m_trigImages |= 1u << c;
        ++frameCount[c];
        fresh |= 1u << c;
    }
    return fresh;
}

void DetectionCycle::Run()
{
    const WizardPara& p = *gpWPara;
    m_host->pollLostComBox(gisLostCom.load() != 0, p.ioLinkLostBox != 0);
    if (m_station && m_station->camLostFlag.load() && p.cameraLostOptimize)
        m_host->cameraCheckPass();
    ++gRunCount;
    if (++m_passesSinceRestart == 50)
        m_host->setWhiteBalance();
    if (gisLost) {
        m_passesSinceRestart = 0;
        if (gpControlIO) {
            gpControlIO->IOSetOut(0, 1);  // the machine may not close unwatched
            gpControlIO->IOFlashOut();
        }
        m_host->cameraRestart();
        inCheckTimer.stop();
        runTimer.start(3000);
        return;
    }
    const unsigned fresh = HandOverFrames();
    if (gisLost) {
        runTimer.start(3);
        return;
    }

    // Live display.
    const bool alarmFrozen = state.verdictState == VerdictAlarm && p.noRefreshAfterAlarm;
    if (!p.externalTrigger && !p.refreshAfterDetect && !alarmFrozen && (gSource == 1 || gSource == -1)) {
        for (int c = 0; c < kMaxCameras; ++c)
            if (fresh & (1u << c))
                m_host->showFrame(c);
    }
    EndPass(3);
}

void DetectionCycle::EndPass(int rearmMs)
{
    if (gpControlIO)
        gpControlIO->IOFlashOut();
    m_host->repaintStatus();
    runTimer.start(rearmMs);
}

void DetectionCycle::StartDetect()
{
    const WizardPara& p = *gpWPara;
    if (gpControlIO) {
        gpControlIO->IOResetAllOut();
        if (p.cutEjectorOnClamp || p.cutEjectorAfterProdOk)
            gpControlIO->IOSetOut(1, 1);
        gpControlIO->IOFlashOut();
    }
    state.verdictState = VerdictIdle;
    state.reDetectPending = 0;
    std::fill(std::begin(state.reDetectLeft), std::end(state.reDetectLeft), 0);
    ResetRun(m_host->cameraCount());
    state.runState = RunDetecting;
}

void DetectionCycle::ResetRun(int camera)
{
    const int n = m_host->cameraCount();
    for (int c = 0; c < n && c < kMaxCameras; ++c) {
        if (camera != n && camera != c)
            continue;
        CammerWidgetData* cam = m_host->cameraData(c);
        if (!cam)
            continue;
        cam->cameraOK = 1;
        for (int s = 0; s < gDNum && s < 8; ++s) {
            std::fill(std::begin(cam->roiOK[s]), std::end(cam->roiOK[s]), uint8_t(1));
            std::fill(std::begin(cam->roiValue[s]), std::end(cam->roiValue[s]), 0);
            state.stepDelayLeft[s] = 0;
        }
    }
    std::fill(std::begin(state.cavityNG), std::end(state.cavityNG), uint8_t(0));
}

void DetectionCycle::StopAll()
{
    for (QTimer* t : findChildren<QTimer*>())
        t->stop();
    runTimer.stop();
    for (QTimer& t : stepTimer)
        t.stop();
    for (QTimer& t : debounceTimer)
        t.stop();
    for (QTimer* t : {&inCheckTimer, &drawHintTimer, &showTimer, &outNGTimer, &outAlarmTimer, &notAllowCloseTimer,
                      &reserveOutputTimer, &notAllowThimbleTimer, &checkTempTimer, &resetAlarmTimer,
                      &sysFunc4OutputTimer, &reCheckTimer, &delayOutput3Timer, &safeDoorTimer, &setAllOutTimer,
                      &output3Timer})
        t->stop();
}
