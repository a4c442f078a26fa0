#pragma once
// Shared modal message with a Confirm button (gpWarnBox).
#include "DialogGeometry.h"
#include "PaintedTextSource.h"

#include <QDialog>
#include <QList>

class ColorButton;

class WarnBox : public QDialog, public PaintedTextSource {
    Q_OBJECT
    Q_PROPERTY(QString text READ text WRITE setText)
public:
    explicit WarnBox(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }

    ColorButton* confirmButton() const { return m_confirm; }
    // The message as painted (box coordinates), for the layout check.
    QList<PlacedText> PaintedTexts() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

    ColorButton* m_confirm;
    QString m_text;

private:
    // Box, text and Confirm for the current text (a long one widens the box).
    void placeForText();
    MessageLayout m_layout;
};

extern WarnBox* gpWarnBox;

// Shows the text in gpWarnBox and waits for Confirm (no box: nothing).
void WarnText(const QString& text);
