#pragma once
// Value box of every numeric setting: caption, "- 5" "- 1" number "+ 1" "+ 5".
// The value is kept in scale units (rawValue) and clamped into [min, max],
// except that 0 may stay below min when use0 is set.
#include <QWidget>

class ColorButton;
class EditParam;
class QHBoxLayout;
class QLabel;

class EditBox : public QWidget {
    Q_OBJECT
public:
    // showType 0: integer display; 2: rawValue/scale.
    EditBox(int min, int max, QWidget* parent, const QString& caption, const QString& unit,
            int showType = 0, int scale = 1);

    int value() const { return rawValue; }
    void setInputValue(int v) { rawValue = v; }
    void setValue(int v);
    void setValue();  // shows rawValue
    void setUse0(bool use0) { m_use0 = use0; }
    bool use0() const { return m_use0; }
    void setText(const QString& caption);
    QString text() const { return m_caption; }
    int getType() const { return m_showType; }
    int scale() const { return m_scale; }
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    void setSampleShow();
    void setLabelColor(const QColor& color);

    EditParam* edit() const { return m_edit; }
    ColorButton* addOneButton() const { return m_add1; }
    ColorButton* subOneButton() const { return m_sub1; }
    ColorButton* addFiveButton() const { return m_add5; }
    ColorButton* subFiveButton() const { return m_sub5; }
    QLabel* captionLabel() const { return m_label; }

signals:
    void valueChanged(int rawValue);

public slots:
    void CheckRange();
    void AddOne();
    void SubOne();
    void AddFive();
    void SubFive();

protected:
    void paintEvent(QPaintEvent*) override {}

private:
    void step(int delta);

    EditParam* m_edit;
    ColorButton* m_add1;
    ColorButton* m_sub1;
    ColorButton* m_add5;
    ColorButton* m_sub5;
    QLabel* m_label;
    QHBoxLayout* m_layout;
    int m_min;
    int m_max;
    int m_size = 4;
    int rawValue = 0;
    bool m_use0 = false;
    int m_scale;
    int m_showType;
    QString m_caption;
};
