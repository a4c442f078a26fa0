#include "LostCameraWarnBox.h"

#include "AlarmHost.h"
#include "widgets/WindowStacking.h"
#include "foundation/MainGlobals.h"
#include "foundation/uitext.h"
#include "platform/SystemActions.h"
#include "widgets/ColorButton.h"

#include <QThread>

LostCameraWarnBox* gpLostCameraWarnBox = nullptr;

LostCameraWarnBox::LostCameraWarnBox(QWidget* parent)
    : WarnBox(parent)
{
    WindowStacking::KeepOverAlarms(this);
    setText(AlarmText(587));
    m_confirm->setText(LanStr(209));
    disconnect(m_confirm, nullptr, this, nullptr);
    connect(m_confirm, &QPushButton::clicked, this, &LostCameraWarnBox::acceptShutdown);
    hide();
}

void LostCameraWarnBox::acceptShutdown()
{
    if (gisLost) {
        if (AlarmHost* host = AlarmHost::instance()) {
            host->InsertRecord(QStringLiteral("因丢失相机手动关闭电源"));
            host->StopWTD();
            host->FLushAll();
        }
        QThread::msleep(1000);
        SystemActions::instance().run({QStringLiteral("init"), QStringLiteral("0")});
    }
    accept();
}
