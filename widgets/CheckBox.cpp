#include "CheckBox.h"

#include "C_Type_COM.h"

#include <QEvent>

CheckBox::CheckBox(QWidget* parent, const QString& text)
    : QCheckBox(text, parent)
{
    installEventFilter(this);
    const bool small = IsSmallLayout();
    QPalette pal = palette();
    pal.setColor(QPalette::All, QPalette::WindowText, Qt::yellow);
    setPalette(pal);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(small ? 14 : 28);
    setFont(f);
    setIndicatorSize(small ? 16 : 32);
}

void CheckBox::setIndicatorSize(int px)
{
    setStyleSheet(QStringLiteral("QCheckBox::indicator {width: %1px; height: %2px;} "
                                 "QCheckBox::indicator:checked {border-image: url(images/check.png);}")
                      .arg(px)
                      .arg(px));
}

bool CheckBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == this && event->type() == QEvent::MouseButtonPress)
        m_pressed = 1;
    return QCheckBox::eventFilter(watched, event);
}
