#include "EditDateTime.h"

#include "C_Type_COM.h"
#include "platform/SystemActions.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QTimeEdit>
#include <QtDebug>

namespace {
constexpr int kClockTimeoutMs = 3000;

QString SpinArrowQss(const char* cls, int px)
{
    return QStringLiteral("%2::up-button{subcontrol-origin:border;subcontrol-position:right;"
                          "image: url(./images/right.png);width: %1px;height: %1px;}"
                          "%2::down-button {subcontrol-origin:border;subcontrol-position:left;"
                          "image: url(./images/left.png);width: %1px;height: %1px;}")
        .arg(px)
        .arg(QLatin1String(cls));
}
}  // namespace

EditDateTime::EditDateTime(const QString& caption, QWidget* parent)
    : QWidget(parent)
    , m_dateTime(QDateTime::currentDateTime())
{
    const bool small = IsSmallLayout();
    const QSize editorSize = small ? QSize(200, 40) : QSize(330, 60);
    setFixedHeight(small ? 50 : 80);
    QFont f(QStringLiteral("wenquanyi"));
    f.setPixelSize(small ? 17 : 30);

    m_caption = new QLabel(caption, this);
    m_caption->setFont(f);
    QPalette pal = m_caption->palette();
    pal.setColor(QPalette::All, QPalette::WindowText, Qt::yellow);
    m_caption->setPalette(pal);
    m_caption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    m_date = new QDateEdit(this);
    m_date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_date->setStyleSheet(SpinArrowQss("QDateEdit", editorSize.height()));
    m_time = new QTimeEdit(this);
    m_time->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    m_time->setStyleSheet(SpinArrowQss("QTimeEdit", editorSize.height()));
    for (QAbstractSpinBox* e : {static_cast<QAbstractSpinBox*>(m_date), static_cast<QAbstractSpinBox*>(m_time)}) {
        e->setFont(f);
        e->setFixedSize(editorSize);
        e->setAlignment(Qt::AlignCenter);
    }

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_caption, 0, 0);
    if (small) {
        grid->addWidget(m_date, 1, 0);
        grid->addWidget(m_time, 1, 1);
    } else {
        grid->addWidget(m_date, 0, 1);
        grid->addWidget(m_time, 0, 2);
    }
    grid->setHorizontalSpacing(small ? 6 : 10);
    grid->setVerticalSpacing(10);
    // No outer margin: the editor sits flush in the clock dialog's corner.
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}

void EditDateTime::ShowDateTime()
{
    const QDateTime now = QDateTime::currentDateTime();
    m_date->setDate(now.date());
    m_time->setTime(now.time());
}

QDateTime EditDateTime::m_getDateTime() const
{
    return QDateTime(m_date->date(), m_time->time());
}

bool EditDateTime::setSysDateTime()
{
    m_dateTime = m_getDateTime();
    const QString text = m_dateTime.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    bool ok = true;
    const ActionResult date = sysRun({QStringLiteral("date"), QStringLiteral("-s"), text}, kClockTimeoutMs);
    if (!date.ok()) {
        qWarning("date -s %s failed (exit %d): clock not set", qPrintable(text), date.exitCode);
        ok = false;
    }
    const ActionResult hw = sysRun({QStringLiteral("hwclock"), QStringLiteral("--systohc")}, kClockTimeoutMs);
    if (!hw.ok()) {
        qWarning("hwclock --systohc failed (exit %d): hardware clock not updated", hw.exitCode);
        ok = false;
    }
    return ok;
}
