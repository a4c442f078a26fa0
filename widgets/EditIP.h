#pragma once
// Dotted IPv4 editor: four keypad-bound octet fields that report every change
// as the whole address. Each octet is kept within 0..255.
#include <QColor>
#include <QWidget>

class Edit;
class QHBoxLayout;
class QLabel;

class EditIP : public QWidget {
    Q_OBJECT
public:
    EditIP(const QString& caption, QWidget* parent);

    void setGeometry(int x, int y, int w, int h);
    QString getTextIP();
    void setTextIP(const QString& s);
    void setTitleColor(const QColor& color);
    // Another size for the four number fields (the caption takes two of
    // them) and the text; the row's height follows.
    void setCellSize(const QSize& octet, int pixelSize);

    Edit* octet(int i) const { return (i >= 0 && i < 4) ? m_octets[i] : nullptr; }
    QLabel* captionLabel() const { return m_caption; }

signals:
    void textchange(const QString& curtext);

public slots:
    void SlotTextChg_0(const QString& text) { octetChanged(0, text); }
    void SlotTextChg_1(const QString& text) { octetChanged(1, text); }
    void SlotTextChg_2(const QString& text) { octetChanged(2, text); }
    void SlotTextChg_3(const QString& text) { octetChanged(3, text); }
    void SlotPressDot_0() { dotPressed(0); }
    void SlotPressDot_1() { dotPressed(1); }
    void SlotPressDot_2() { dotPressed(2); }

private:
    void octetChanged(int i, const QString& text);
    void dotPressed(int i);

    QLabel* m_caption;
    QLabel* m_dots[3];
    Edit* m_octets[4];
    QHBoxLayout* m_layout;
    QColor m_titleColor = Qt::yellow;
    QString m_lastText;
};
