#pragma once
// The beginner set-up guide over the live view: choose a camera, wait for a
// trigger and set the product and mould delays, resample, then adjust the
// areas, with help pictures beside each step. Nothing constructs it.
#include <QImage>
#include <QLabel>
#include <QWidget>

class ColorButton;
class EditBox;

// What the guide needs of the main window.
class NewUserHost {
public:
    virtual ~NewUserHost() = default;
    virtual int numCamera() const = 0;
    virtual void selectCamera(int camera) = 0;  // selected camera, views laid out again
    virtual void manualTrigger() = 0;           // the manual trigger of trigger 1
    virtual void adjustArea() = 0;
    // Templates taken anew on the next triggers; ignore masks cleared, serials stored.
    virtual void startResampling() = 0;
    virtual void backToDetecting() = 0;
    virtual const unsigned char* liveFrame(int camera) = 0;  // gImageLen*4 bytes or null
};

// Help pictures of the guide and the two delay edits.
class ImageWidget : public QWidget {
    Q_OBJECT
public:
    explicit ImageWidget(QWidget* parent);
    void UpdateState(int step);
    void LabelInit();

    QLabel* picture[3] = {};
    EditBox* productDelay = nullptr;  // trigInDelay value 1
    EditBox* mouldDelay = nullptr;    // trigInDelay value 2
    int enlarged = -1;

public slots:
    void ClickedLabelStep0(int picture);
    void ClickedLabelStep1(int picture);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSize m_outSize;
};

class NewUserWidget : public QWidget {
    Q_OBJECT
public:
    NewUserWidget(NewUserHost* host, QWidget* parent);

    void UpdateState(int& step);
    void ChangeCamera(int camera);

    int step = 0;
    bool waitingForTrigger = true;
    int camera = 0;
    ColorButton* delayButton = nullptr;
    ImageWidget* images = nullptr;

public slots:
    void SlotNext();
    void SlotLast();
    void SlotDelay();
    void SlotAdjustArea();
    void SlotReturn();
    void SlotChangeTemp();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void StoreDelays();

    NewUserHost* m_host;
    int m_cameras;
    QImage m_snapshot[8];
    bool m_snapshotTaken[8] = {};
    bool m_showMould = false;
    QList<QWidget*> m_stepButtons[3];
};
