#pragma once
// Shared alphanumeric keypad (gpNumCharPad): digits, letters on a capital and
// a lower-case page, and a symbol page. It always appends to the current edit.
#include <QWidget>

class ColorButton;
class QButtonGroup;

class NumCharInput : public QWidget {
    Q_OBJECT
public:
    enum Page { Capitals, Lower, Symbols };

    explicit NumCharInput(QWidget* parent = nullptr);
    ~NumCharInput() override;

    Page page() const { return m_page; }
    ColorButton* key(int id) const { return (id >= 0 && id < kKeys) ? m_keys[id] : nullptr; }
    ColorButton* toggleKey() const { return m_toggle; }
    ColorButton* capKey() const { return m_cap; }
    ColorButton* bsKey() const { return m_bs; }
    ColorButton* confirmKey() const { return m_confirm; }

    static constexpr int kKeys = 37;
    // The pad's size on this screen.
    static QSize PadSize();

public slots:
    void SlotChgChar_Punc();
    void setContent(int id);
    void eraseContent();
    void HideUpdate();
    void SlotCap();

protected:
    void mousePressEvent(QMouseEvent*) override {}
    void mouseReleaseEvent(QMouseEvent*) override {}
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void showPage(Page page);

    QButtonGroup* m_group;
    ColorButton* m_keys[kKeys];
    ColorButton* m_toggle;   // symbol / character
    ColorButton* m_cap;      // Capital / Lower
    ColorButton* m_bs;
    ColorButton* m_confirm;
    // Kept as state rather than read back from the captions, which may be
    // equal (or empty) in a language table that lacks them.
    Page m_page = Capitals;
};

extern NumCharInput* gpNumCharPad;
