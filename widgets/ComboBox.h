#pragma once
// Touch-friendly combo box that reports taps.
#include <QComboBox>

class ComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit ComboBox(QWidget* parent = nullptr);

    void setItemHeight(int h);
    void setItemWidth(int w);

signals:
    void clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
