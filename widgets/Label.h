#pragma once
// A picture that reports taps.
#include <QLabel>

class Label : public QLabel {
    Q_OBJECT
public:
    Label(QWidget* parent, const QPixmap& pixmap);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
