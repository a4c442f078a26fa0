#pragma once
// The small panel laid over a camera view for the selected area of the
// editor's step: its function, up to three limit sliders with a live
// preview, the output number, a pad that nudges one corner, vertex, centre
// or radius, next-area, move and move-mode buttons, and the cavity boxes.
// Every change goes straight into the edit set.
#include <QPoint>

#include <opencv2/core.hpp>

class CammerSingleton;
class CammerWidget;
class Slider;
struct WizardPara;

class RoiPanel {
public:
    explicit RoiPanel(CammerWidget& w);

    void ShowHideROIPara();
    void ShowHideCheckBox(bool show);
    void SetCheckBoxState(int row);

    void SlotChangeFunc();
    void SlotChangeParaSow();
    void SlotMinWH(int v);
    void SlotSensitivity(int v);
    void SlotArea(int v);
    void SlotOutN(int i);
    void SlotChangeObject();
    void SlotSize(int mode);
    void SlotMove(int dx, int dy);
    void SlotMoveAll();
    void SlotNextROI();
    void SlotClickCheckBox(int k);
    void SlotCopyArea(QPoint p);
    void CopyPara();

    // The function after `current` that is switched on (0..9, wrapping, the
    // current one tried last); -1 when none is.
    static int NextFunction(const WizardPara& p, int current);
    // Makes the paired steps equal (the right side or the mould step from its
    // pair) in `set` and, when given, its masks.
    static void CopyPairedSteps(CammerSingleton& set, cv::Mat (*masks)[50], int machineType);
    // Limits a function change writes (codes 4, 5, 6 keep what they do not set).
    static void WriteDefaults(CammerSingleton& set, int g, int j, int code);
    // Function and limits of area (fromG, fromJ) to area (toG, toJ).
    static void CopyLimits(CammerSingleton& set, int fromG, int fromJ, int toG, int toJ);

private:
    bool HasSelection() const;
    int Step() const;
    void SetupSliders(int code);
    void ResetSlider(int i, int min, int max, int value, int textId);
    void Place(int rows);
    void HideControls();
    void AfterLimitChange();
    // Rebuilds the frame box and edit mask of area j after its shape changed.
    void Rebuild(int g, int j);

    CammerWidget& m_w;
};
