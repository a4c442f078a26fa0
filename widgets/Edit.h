#pragma once
// Line edit bound to the on-screen keypads: touching it makes it the main
// window's current edit and opens the numeric or alphanumeric pad next to it.
#include <QLineEdit>

class Edit : public QLineEdit {
    Q_OBJECT
public:
    // Mode bits read by the toolkit.
    static constexpr quint32 kCharPad = 2;           // alphanumeric pad, else numeric
    static constexpr quint32 kHostGrandparent = 8;   // pad placed in the grandparent
    static constexpr quint32 kHostGreatGrand = 16;   // (bit 3 clear) in the great-grandparent

    // style 1: blue focus border; any other value keeps the default look.
    Edit(int mode, QWidget* parent, int style = 0);
    ~Edit() override;

    quint32 mode() const { return m_mode; }

    int value() const;
    double valueToDouble() const;
    void setValue(int v);
    void setValue(double d);
    void setRange(int min, int max);
    int rangeMin() const { return m_min; }
    int rangeMax() const { return m_max; }
    void init();

    // Gives a field that is not an Edit (one in a dialog of Qt's) the
    // alphanumeric pad: a touch opens it, the field's focus-out closes it.
    static void AttachCharPad(QLineEdit* field);

signals:
    void sig_Dot();

public slots:
    void SlotRange(const QString& text);

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void openKeypad();

    quint32 m_mode;
    int m_min = -1;  // -1: no range
    int m_max = -1;
};
