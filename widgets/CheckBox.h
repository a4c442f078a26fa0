#pragma once
// Large touch check box with a picture tick.
#include <QCheckBox>

class CheckBox : public QCheckBox {
    Q_OBJECT
public:
    CheckBox(QWidget* parent, const QString& text);

    int value() const { return checkState() == Qt::Checked ? 1 : 0; }
    void setValue(int v) { setCheckState(v ? Qt::Checked : Qt::Unchecked); }
    bool wasPressed() const { return m_pressed != 0; }
    // Side of the square tick box in pixels (by layout unless set).
    void setIndicatorSize(int px);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_pressed = 0;
};
