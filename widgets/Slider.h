#pragma once
// Hand-painted horizontal slider: caption, value field, "- 1", track, "+ 1".
// The handle is dragged (slow moves add up), the buttons step with
// auto-repeat, and a tap on the value field opens the numeric pad.
#include "PaintedTextSource.h"

#include <QAbstractSlider>

class ColorButton;
class Edit;

class Slider : public QAbstractSlider, public PaintedTextSource {
    Q_OBJECT
public:
    Slider(int min, int max, int pageStep, int value, QWidget* parent, const QString& name);

    void Reset(int min, int max, int pageStep, int value, const QString& name);

    ColorButton* addButton() const { return m_add; }
    ColorButton* subButton() const { return m_sub; }
    Edit* valueField() const { return m_edit; }
    int trackWidth() const { return m_trackW; }
    int trackOffset() const { return m_trackOffset; }
    int trackLength() const { return m_trackLen; }
    int handleX() const;
    bool dragging() const { return m_dragX >= 0; }
    // Value field picture, in slider coordinates.
    QRect valueFieldRect() const;
    QList<PlacedText> PaintedTexts() const override;

public slots:
    void Add();
    void Sub();
    void SetText(const QString& text);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void layoutTrack();
    void syncTrack();
    int trackStart() const;
    int filledWidth() const;
    void cancelDrag() { m_dragX = m_dragY = -1; }

    ColorButton* m_add;
    ColorButton* m_sub;
    Edit* m_edit;
    int m_trackW = 0;
    int m_trackOffset = 0;
    int m_trackLen = 0;
    int m_handleX = 0;
    int m_handleY = 3;
    int m_handleW = 10;
    int m_handleH = 0;
    int m_dragX = -1;
    int m_dragY = -1;
    QSize m_laidOut;
};
