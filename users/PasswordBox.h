#pragma once
// The password prompt in front of protected operations (gpPasswordBox).
// It knows no accounts: a typed entry opens the master level (2) or the
// system password's level (1) and leaves it in the main window's unlock
// level; a wrong entry keeps it open, so exec() returns only on success or
// Cancel.
#include "widgets/PaintedTextSource.h"

#include <QDateTime>
#include <QDialog>
#include <QList>

#include <functional>

class ColorButton;
class Edit;

class PasswordBox : public QDialog, public PaintedTextSource {
    Q_OBJECT
public:
    explicit PasswordBox(QWidget* parent = nullptr);
    ~PasswordBox() override;

    // Where accept() leaves the level: the main window's unlock level.
    void setLevelTarget(int* level) { m_level = level; }
    // Replaces the clock the master entry is built from (tests).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    Edit* field() const { return m_field; }
    ColorButton* confirmButton() const { return m_confirm; }
    ColorButton* cancelButton() const { return m_cancel; }
    int state() const { return m_state; }
    // The caption it paints (box coordinates: the glyphs' box), for the layout check.
    QList<PlacedText> PaintedTexts() const override;

public slots:
    void accept() override;
    void SlotTextChanged(const QString& text);

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    static constexpr int kWrongEntry = 2;

    ColorButton* m_confirm;
    ColorButton* m_cancel;
    Edit* m_field;
    int m_state = 0;
    int m_ownLevel = 0;
    int* m_level = &m_ownLevel;
    std::function<QDateTime()> m_clock;
};

extern PasswordBox* gpPasswordBox;
