#pragma once
// An ROI (a mould insert) reached its NG warning count: the clamp is held
// until the operator reports the insert replaced.
#include <QDialog>

class ColorButton;
class QLabel;

class ROINGWarnBox : public QDialog {
    Q_OBJECT
public:
    explicit ROINGWarnBox(QWidget* parent = nullptr);
    void setContent();
    // The list in the label: as large as fits (down to a readable size),
    // then the last lines give way to a count of those left out.
    void setList(const QString& text);

    QLabel* content() const { return m_content; }
    ColorButton* silenceButton() const { return m_silence; }
    ColorButton* replacedButton() const { return m_replaced; }

    // The whole warning, as the main window's slot runs it: hold the clamp,
    // show the box modally, clear the warning flag afterwards.
    static void Run(QWidget* parent);

public slots:
    void slotClearWarm(bool);
    void slotCleanSignal(bool);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_content;
    ColorButton* m_silence;
    ColorButton* m_replaced;
};
