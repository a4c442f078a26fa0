#pragma once
// The multi-detection IO page: for each detection its trigger input, the
// outputs it owns and its cut mode, and whether the detections come in
// order. A child of the settings dialog; Confirm writes the edit copy.
#include "PagePlacer.h"

#include <QWidget>

class CheckBox;
class ColorButton;
class ComboBox;
class IOCheckComBO;
class WizardParaWidget;

class IOWidget : public QWidget {
    Q_OBJECT
public:
    explicit IOWidget(WizardParaWidget* parent);

    // Loads the page (and the naming page's choices) from a record and hides it.
    void initIOWidget(const struct WizardPara& p);
    void ResetOutput();
    void ResetIOName();
    // The page title as it is painted.
    PaintedCaption title() const;

    ComboBox* countCombo = nullptr;
    ColorButton* resetButton = nullptr;
    ColorButton* confirmButton = nullptr;
    IOCheckComBO* rows[8] = {};
    CheckBox* notSequentialBox = nullptr;
    int detections = 2;   // N
    int owner[8] = {};    // per output: the owning detection, -1 none
    int cutMode[8] = {};  // per detection
    int inName[8] = {};   // function-name choices of the naming page
    int outName[8] = {};

public slots:
    void accept();
    void reset();
    void SlotChangeDetectNum(int index);
    void SlotClickCheckBox(int row, int output, int state);
    void SlotChangeTrigin(int row, int input);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Bar(int row, int output, bool barred);
    WizardParaWidget* m_dialog;
    double m_scale = 1;
};
