#include "WarnBox.h"

#include "ColorButton.h"
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
    m_confirm = new ColorButton(LanStr(121), this);
    placeForText();
    connect(m_confirm, &QPushButton::clicked, this, &QDialog::accept);
    // Messages from below the widgets go to the shared popup from now on.
    SetOperatorMessageSink(&ShowInSharedWarnBox);
}

void WarnBox::setText(const QString& text)
{
    m_text = text;
    placeForText();
    update();
}

void WarnBox::placeForText()
{
    const DialogGeometry g = CurrentDialogGeometry();
    const QRect area(QPoint(0, 5), QPoint(g.box.width() - 1, g.box.height() / 2 + 4));
    m_layout = LayOutMessage(m_text, g, area);
    setGeometry(m_layout.box);
    m_confirm->setGeometry(QRect(QPoint(g.confirmX, g.buttonY) + m_layout.buttonShift, g.button));
}

QList<PlacedText> WarnBox::PaintedTexts() const
{
    return PaintedMessage(m_layout);
}

void WarnBox::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    PaintMessageBox(p, size(), m_layout);
}

void WarnBox::showEvent(QShowEvent* event)
{
    placeForText();
    MainWindowHooks& hooks = MainWindowHooks::instance();
    if (hooks.lcdOff()) {
        hooks.LCDOnOff(1);
        if (hooks.screenOffTime() > 0)
            hooks.restartLcdTimer(hooks.screenOffTime() * 1000);
    }
    QDialog::showEvent(event);
}
