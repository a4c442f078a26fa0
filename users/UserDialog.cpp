#include "UserDialog.h"

#include "TitleButton.h"

#include "widgets/Edit.h"
#include "widgets/MainWindowHooks.h"
#include "widgets/NumberInput.h"
#include "widgets/SkinPixmaps.h"
#include "foundation/uitext.h"

#include <QHBoxLayout>
#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const char kTitleBarStyle[] = "color:white;background-color:rgb(80,80,80);font-size:32px";
const char kHintStyle[] = "font-size:28px;color:#03A9F4;font:italic;";
const char kErrorStyle[] = "font-size:28px;color:#F44336;font:italic;";
}  // namespace

UserDialog::UserDialog(const Frame& frame, QWidget* parent)
    : QDialog(parent, Qt::CustomizeWindowHint | Qt::FramelessWindowHint)
    , m_keypadFollows(frame.keypadFollows)
{
    setFixedSize(frame.size);
    auto* titleBar = new QWidget(this);
    titleBar->setAttribute(Qt::WA_StyledBackground);
    titleBar->setStyleSheet(QString::fromLatin1(kTitleBarStyle));
    titleBar->setFixedSize(frame.titleBarWidth, 60);
    auto* title = new QLabel(LanStr(frame.titleId), titleBar);
    m_confirm = TitleButton(TitleButtonKind::Confirm, titleBar);
    m_cancel = TitleButton(TitleButtonKind::Cancel, titleBar);
    auto* bar = new QHBoxLayout(titleBar);
    bar->setContentsMargins(8, 0, frame.titleRightMargin, 0);
    bar->addWidget(title);
    bar->addStretch();
    bar->addWidget(frame.cancelFirst ? m_cancel : m_confirm);
    bar->addWidget(frame.cancelFirst ? m_confirm : m_cancel);

    m_body = new QWidget(this);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(titleBar);
    outer->addWidget(m_body, 1);

    connect(m_cancel, &QPushButton::pressed, this, &QDialog::reject);
    m_closeTimer.setSingleShot(true);
    m_closeTimer.setInterval(500);
    connect(&m_closeTimer, &QTimer::timeout, this, &QDialog::accept);
}

QLabel* UserDialog::makeMessageLabel(QWidget* parent)
{
    m_message = new QLabel(parent);
    m_message->setAlignment(Qt::AlignCenter);
    m_message->setWordWrap(true);
    return m_message;
}

void UserDialog::showHint(const QString& text)
{
    m_message->setStyleSheet(QString::fromLatin1(kHintStyle));
    m_message->setText(text);
}

void UserDialog::showError(const QString& text)
{
    m_message->setStyleSheet(QString::fromLatin1(kErrorStyle));
    m_message->setText(text);
}

void UserDialog::showOutcome(bool ok, const QString& text)
{
    if (!ok) {
        showError(text);
        return;
    }
    showHint(text);
    closeSoon();
}

void UserDialog::closeSoon()
{
    m_closeTimer.start();
}

Edit* UserDialog::makeEdit(QWidget* parent, int height, bool password)
{
    auto* e = new Edit(5, parent, 1);
    e->setFixedHeight(height);
    QFont f = e->font();
    f.setPixelSize(height * 2 / 5);
    e->setFont(f);
    if (password)
        e->setEchoMode(QLineEdit::Password);
    return e;
}

void UserDialog::resetFields(std::initializer_list<Field> fields)
{
    for (const Field& f : fields) {
        f.edit->clear();
        f.edit->setPlaceholderText(LanStr(f.placeholder));
    }
}

void UserDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_keypadFollows && gpNumPad)
        gpNumPad->HideUpdate();
    QDialog::mouseReleaseEvent(event);
}

void UserDialog::hideEvent(QHideEvent* event)
{
    // A close still pending from an earlier success must not end the next run.
    m_closeTimer.stop();
    if (m_keypadFollows) {
        MainWindowHooks& hooks = MainWindowHooks::instance();
        if (QLineEdit* cur = hooks.curEdit()) {
            cur->clearFocus();
            hooks.setCurEdit(nullptr);
        }
        if (gpNumPad)
            gpNumPad->HideUpdate();
    }
    QDialog::hideEvent(event);
}

void UserDialog::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (gpPixmapBG)
        p.drawPixmap(rect(), *gpPixmapBG);
}
