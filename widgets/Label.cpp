#include "Label.h"

#include <QMouseEvent>

Label::Label(QWidget* parent, const QPixmap& pixmap)
    : QLabel(parent)
{
    setScaledContents(true);
    setPixmap(pixmap);
}

void Label::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QLabel::mousePressEvent(event);
}
