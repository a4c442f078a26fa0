#include "WarnBox.h"

#include "ColorButton.h"
#include "DialogGeometry.h"
#include "MainWindowHooks.h"
#include "foundation/OperatorMessage.h"
#include "foundation/uitext.h"

#include <QPainter>
#include <QtDebug>

WarnBox* gpWarnBox = nullptr;

namespace {
void ShowInSharedWarnBox(const QString& text)
{
    if (!gpWarnBox) {
        qWarning().noquote() << "Operator message:" << text;
        return;
    }
    WarnText(text);
}
}  // namespace

void WarnText(const QString& text)
{
    if (!gpWarnBox)
        return;
    gpWarnBox->setText(text);
    gpWarnBox->exec();
}

WarnBox::WarnBox(QWidget* parent)
    : QDialog(parent, Qt::CustomizeWindowHint)
{
    const DialogGeometry g = CurrentDialogGeometry();
    setGeometry(g.box);
    m_confirm = new ColorButton(LanStr(121), this);
    m_confirm->setGeometry(g.confirmX, g.buttonY, g.button.width(), g.button.height());
    connect(m_confirm, &QPushButton::clicked, this, &QDialog::accept);
    // Messages from below the widgets go to the shared popup from now on.
    SetOperatorMessageSink(&ShowInSharedWarnBox);
}

void WarnBox::setText(const QString& text)
{
    m_text = text;
    update();
}

void WarnBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintDialogBackground(p, rect());
    p.setFont(DialogFont());
    p.setPen(Qt::red);
    p.drawText(QRect(QPoint(0, 5), QPoint(width() - 1, height() / 2 + 4)), Qt::AlignCenter, m_text);
    PaintDialogFrame(p, width(), height());
}

void WarnBox::showEvent(QShowEvent* event)
{
    setGeometry(CurrentDialogGeometry().box);
    MainWindowHooks& hooks = MainWindowHooks::instance();
    if (hooks.lcdOff()) {
        hooks.LCDOnOff(1);
        if (hooks.screenOffTime() > 0)
            hooks.restartLcdTimer(hooks.screenOffTime() * 1000);
    }
    QDialog::showEvent(event);
}
