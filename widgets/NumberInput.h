#pragma once
// Shared numeric keypad (gpNumPad). It types into the main window's current
// edit; value boxes get each digit as a range-checked value at once.
#include <QWidget>

class ColorButton;
class QButtonGroup;

class NumberInput : public QWidget {
    Q_OBJECT
public:
    explicit NumberInput(QWidget* parent = nullptr);
    ~NumberInput() override;

    bool firstKey() const { return m_firstKey; }
    // Digit key 0..9, BS and Confirm.
    ColorButton* digitKey(int digit) const;
    ColorButton* bsKey() const { return m_bs; }
    ColorButton* confirmKey() const { return m_confirm; }

signals:
    void chkpassword();

public slots:
    void setContent(int id);
    void eraseContent();
    void eraseAll();
    void HideUpdate();

protected:
    void mousePressEvent(QMouseEvent*) override {}
    void mouseReleaseEvent(QMouseEvent*) override {}
    void paintEvent(QPaintEvent* event) override;

private:
    QButtonGroup* m_group;
    ColorButton* m_keys[10];  // by id: "1".."9" are ids 0..8, "0" is id 9
    ColorButton* m_confirm;
    ColorButton* m_bs;
    bool m_firstKey = true;  // next digit replaces the field
};

extern NumberInput* gpNumPad;

// Background and outline shared by both pads.
void PaintKeypad(QWidget* pad, QPaintEvent* event);
