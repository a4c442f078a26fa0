#pragma once
// Shared modal question with YES and NO (gpChooseBox): exec() returns 1 for YES.
#include "DialogGeometry.h"
#include "PaintedTextSource.h"

#include <QDialog>
#include <QList>

class ColorButton;

class ChooseBox : public QDialog, public PaintedTextSource {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    explicit ChooseBox(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }

    ColorButton* yesButton() const { return m_yes; }
    ColorButton* noButton() const { return m_no; }
    // The question as painted (box coordinates), for the layout check.
    QList<PlacedText> PaintedTexts() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The question's area in the standard box.
    virtual QRect textArea(const DialogGeometry& g) const;
    // Box, question and buttons for the current text (a long one widens the box).
    virtual void placeForText();

    ColorButton* m_yes;
    ColorButton* m_no;
    QString m_text;
    MessageLayout m_layout;
};

extern ChooseBox* gpChooseBox;

// Asks in gpChooseBox; true for YES (no box: no).
bool AskText(const QString& text);

// Picks the number of touch-calibration points (4, 9 or 25).
class ComboBox;
class ChooseCaliNumWidget : public ChooseBox {
    Q_OBJECT
public:
    explicit ChooseCaliNumWidget(QWidget* parent = nullptr);
    ComboBox* combo() const { return m_combo; }
    // Calibration points of the chosen entry.
    int points() const;

protected:
    QRect textArea(const DialogGeometry& g) const override;
    void placeForText() override;

private:
    ComboBox* m_combo = nullptr;
};
