#pragma once
// The command column: the strip of large buttons at the right edge of the
// main screen. It only lays out and shows or hides its buttons; the main
// window connects each to its slot and does the work.
#include <QWidget>

class ColorButton;
class ComboBox;
class QLabel;
class QTimer;

class IndexButton : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 240;
    static constexpr int kLogoHeight = 110;  // a tap above this folds the buttons

    explicit IndexButton(QWidget* parent);

    // Mode 0 hides the column; every mode then sets which buttons show:
    // mode 1 by the shown flag, any other mode all of them.
    void ShowHide(int mode);
    // A tap on a camera view while the column is up: unfolds it.
    void checkShowHide();
    // Step chosen for the combined snapshot (0-based).
    int CurChooseTrig() const;
    void ResetComboChooseManualTrig();
    void ReSetCaptureMode();
    void Reset();
    void SetDetecting(bool detecting);  // start/stop caption
    void SetSkipping(bool skipping);    // skip caption
    int shownFlag() const { return m_shown; }
    QTimer* autoHideTimer() const { return m_autoHide; }

    ColorButton* returnButton = nullptr;
    ColorButton* startStopButton = nullptr;
    ColorButton* systemParaButton = nullptr;
    ColorButton* reTrainButton = nullptr;
    ColorButton* adjustAreaButton = nullptr;
    ColorButton* statisticsButton = nullptr;  // only with statistics enabled at start
    ColorButton* accountButton = nullptr;     // made and wired, never shown
    ColorButton* skipButton = nullptr;
    ColorButton* helpButton = nullptr;
    ColorButton* snapshotButton = nullptr;
    ComboBox* snapshotCombo = nullptr;
    ColorButton* moldSnapshotButton = nullptr;
    ColorButton* proSnapshotButton = nullptr;
    ColorButton* captureModeButton = nullptr;

public slots:
    void SlotShowHideTimeout();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    ColorButton* AddButton(int textId);
    void Relayout();

    QLabel* m_logo = nullptr;
    QTimer* m_autoHide = nullptr;
    int m_shown = 1;
};
