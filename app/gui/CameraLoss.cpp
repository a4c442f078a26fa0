#include "CameraLoss.h"

#include "AlarmHost.h"
#include "LostCameraWarnBox.h"
#include "ReconnectCameraWarnBox.h"
#include "app/ControlPort.h"
#include "foundation/uitext.h"
#include "camera/CameraFamilies.h"
#include "camera/CameraGlobals.h"
#include "params/WizardPara.h"
#include "widgets/WarnBox.h"

#include <QApplication>
#include <QScopedValueRollback>

namespace {
bool lostBoxOption()
{
    return gpWPara && gpWPara->cameraLostOptimize;
}

void record(const QString& text)
{
    if (AlarmHost* host = AlarmHost::instance())
        host->InsertRecord(text);
}
}  // namespace

CameraLoss::CameraLoss(CameraLossPort* port)
    : m_port(port)
{
}

void CameraLoss::PollPass()
{
    if (m_declaring)
        return;
    if (m_port->lostFlag() && lostBoxOption()) {
        for (int c = 0; c < m_port->cameraCount() && m_port->lostFlag() && !gisLost; ++c)
            CameraCheck(c);
    }
}

void CameraLoss::CameraCheck(int camera)
{
    if (gisLost)
        return;
    switch (CameraFamilyOf(m_port->family()).loss) {
    case LossCheck::AtOnce:
        break;
    case LossCheck::Recount:
        if (m_port->recount(false) == m_port->cameraCount()) {
            // Every camera is still listed: reopen the ones whose SDK reported a
            // drop instead of re-enumerating on every pass.
            reopenReported();
            return;
        }
        break;
    case LossCheck::Never:
        return;
    }
    declareLost(camera);
}

void CameraLoss::reopenReported()
{
    const unsigned reported = m_port->takeReported();
    m_port->clearLostFlag();
    bool reopened = false;
    for (int c = 0; c < m_port->cameraCount(); ++c) {
        if (!(reported & (1u << c)))
            continue;
        if (m_port->isOpen(c))
            m_port->stop(c);
        m_port->close(c);
        if (!m_port->open(c)) {
            declareLost(c);
            return;
        }
        m_port->start(c);
        reopened = true;
    }
    // A reopened camera runs at the default speed until the speed is applied again.
    if (reopened)
        m_port->setSpeed();
}

void CameraLoss::declareLost(int camera)
{
    gisLost = 1;
    gLost += 1;
    record(LanStr(332).arg(gLost).arg(camera + 1));
    if (!m_stopped && gpControlIO) {
        gpControlIO->IOSetOut(0, 1);
        gpControlIO->IOFlashOut();
    }
    const bool showBox = lostBoxOption();
    if (showBox && gpLostCameraWarnBox) {
        gpLostCameraWarnBox->show();
        if (QWidget* top = gpLostCameraWarnBox->parentWidget())
            top->window()->repaint();
        // Closing the cameras takes seconds: put the box on screen first. The
        // polling pass must not re-enter the loss handling meanwhile.
        QScopedValueRollback<bool> guard(m_declaring, true);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    for (int c = 0; c < m_port->cameraCount(); ++c) {
        m_port->markNg(c);
        if (m_port->isOpen(c))
            m_port->stop(c);
        m_port->close(c);
    }
    if (!showBox && gpWarnBox) {
        gpWarnBox->setText(LanStr(39));
        gpWarnBox->show();
    }
}

void CameraLoss::CameraRestart()
{
    if (!gisLost || m_declaring)
        return;
    const int n = m_port->recount(true);
    if (n < 0) {
        // This family never recovers without a restart; the frame-rate watch
        // still starts over on every attempt.
        for (int c = 0; c < m_port->cameraCount(); ++c)
            m_port->zeroNoFrameTicks(c);
        return;
    }
    if (n != m_port->cameraCount())
        return;  // try again on the next 3-s pass

    gisLost = 0;
    for (int c = 0; c < m_port->cameraCount(); ++c) {
        if (m_port->open(c))
            m_port->start(c);
    }
    if (gpWarnBox)
        gpWarnBox->hide();
    if (gpLostCameraWarnBox)
        gpLostCameraWarnBox->hide();
    if (gpReconnectCameraWarnBox)
        gpReconnectCameraWarnBox->show();
    record(QStringLiteral("Camera Restart"));

    int failed = -1;
    for (int c = 0; c < m_port->cameraCount(); ++c) {
        m_port->zeroNoFrameTicks(c);
        if (!m_port->isOpen(c))
            failed = c;
    }
    if (failed >= 0) {
        // A camera that did not come back is a new loss, never a partial restart.
        CameraCheck(failed);
        if (!gisLost)
            declareLost(failed);
        return;
    }
    m_port->takeReported();
    m_port->clearLostFlag();
    m_port->setSpeed();
}
