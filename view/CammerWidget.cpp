#include "CammerWidget.h"

#include "app/MainGlobals.h"
#include "foundation/uitext.h"
#include "camera/CameraGlobals.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "inspect/CammerRecong.h"
#include "network/VUR_Net.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"
#include "platform/vision/ColorConvert.h"
#include "foundation/VisionGlobals.h"
#include "app/SaveFialImageThread.h"
#include "widgets/C_Type_COM.h"
#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Slider.h"
#include "ViewHost.h"

#include <QLabel>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QPainter>
#include <QTimer>

#include <cstring>


CammerWidget::CammerWidget(QWidget* parent, int cam, CameraStation* station)
    : QWidget(parent)
    , CammerWidgetData(cam)
    , m_station(station)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    hide();

    // Every step's buffers exist from the start: a settings change can raise
    // the step count while running. Templates are read for the steps in use.
    FrameLayout layout;
    layout.width = gImageW;
    layout.height = gImageH;
    layout.colour = gisColor != 0;
    layout.templateCount = gTempNum;
    layout.groups = gDNum;
    AllocateBuffers(layout);
    m_display = QImage(displayBuffer.data(), gImageW, gImageH, QImage::Format_RGB32);

    if (station) {
        m_side = std::make_unique<CameraSide>(station, cam);  // its filter texts come from the live record
        m_side->CameraOpen();
        if (cameraOpen())
            ++station->numCamera;
    }
    // A camera that did not open still gets the whole widget, so the views,
    // the editor and the settings work without the device.
    BuildPanel();
    cameraOK = 1;
    LoadTemplates();
    LoadIgnorePoint();
    ReserveAllGroups();

    liveSet = new CammerSingleton(cam);
    liveSet->LoadDatafromFile(this);
    editSet = new CammerSingleton(cam);  // filled by the editor when it opens
    engine = new CammerRecong(liveSet, this);

    if (m_side)
        m_side->CameraStart();
    if (gpWPara && gpWPara->netVideoOn == 2 && cameraOpen() && gpWPara->netEnabled && PlantLinkUp())
        gpNet->VUR_AddUseMemory(cam, gImageW, gImageH, displayBuffer.data());

    blinkTimer = new QTimer(this);  // the alarm blink comes with the live view
}

CammerWidget::~CammerWidget()
{
    if (m_side && cameraOpen()) {
        m_side->CameraStop();
        m_side->CameraClose();
    }
    m_side.reset();
    delete engine;
    delete liveSet;
    delete editSet;
}

bool CammerWidget::cameraOpen() const
{
    return m_station && camera >= 0 && camera < kMaxCameras && m_station->camOpen[camera];
}

void CammerWidget::BuildPanel()
{
    const bool large = gShowW > 1024;
    slider[0] = new Slider(0, 10, 1, 25, this, QString());
    slider[1] = new Slider(0, 255, 1, 25, this, QString());
    slider[2] = new Slider(0, 1000, 1, 50, this, QString());
    funcLabel = new QLabel(LanStr(2), this);
    funcLabel->setStyleSheet(QStringLiteral("color: green"));
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(large ? 30 : 16);
    funcLabel->setFont(f);
    funcButton = new ColorButton(QString(), this, 3);
    paraSwitchButton = new ColorButton(LanStr(3), this);
    outputCombo = new ComboBox(this);
    for (int n = 0; n < 4; ++n)
        outputCombo->addItem(QStringLiteral("N%1").arg(n + 1), n);
    QFont cf(QStringLiteral("wqy-microhei"));
    cf.setPixelSize(large ? 20 : 12);
    outputCombo->setFont(cf);
    outputCombo->setItemHeight(50);
    nextRoiButton = new ColorButton(LanStr(4), this);
    handleButton = new ColorButton(QString(), this);
    for (ColorButton*& b : padButton) {
        b = new ColorButton(QString(), this);
        b->SetRepeat();
    }
    for (int k = 0; k < 4; ++k) {
        moveButton[k] = new ColorButton(LanStr(5 + k), this, 4);
        moveButton[k]->SetRepeat();
    }
    moveAllButton = new ColorButton(QString(), this);
    // The panel's slots belong to the ROI parameter panel, which connects
    // these controls when it is built.

    const int bw = large ? 200 : 50;
    const int bh = large ? 75 : 30;
    const int gap = large ? 10 : 5;
    const int y = gShowH - bh - 5;
    int x = large ? 300 : 380;
    for (ColorButton* b : moveButton) {
        b->setGeometry(x, y, bw, bh);
        x += bw + gap;
    }
    moveAllButton->setGeometry(x, y, bw + 20, bh);

    const int cw = large ? 130 : 50;
    const int ch = large ? 75 : 30;
    const int spacing = large ? 35 : 45;
    const int x0 = large ? 450 : x;
    const int y0 = large ? 35 : y;
    for (int k = 0; k < 16; ++k) {
        // Boxes 9 to 16 have their own text ids.
        cavityBox[k] = new CheckBox(this, LanStr(k < 8 ? 460 + k : 596 + k - 8));
        const int col = k % 8;
        const int row = k / 8;
        cavityBox[k]->setGeometry(x0 + col * (cw - 10 + spacing), y0 + row * ch, cw, ch);
    }
    for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        w->hide();
}

void CammerWidget::ShowFrame(const std::vector<uint8_t>& frame)
{
    m_pendingFrame = &frame;
}

void CammerWidget::SyncDisplay()
{
    const std::vector<uint8_t>* frame = m_pendingFrame;
    m_pendingFrame = nullptr;
    const FrameLayout& l = CammerWidgetData::layout();
    if (!frame || frame->size() < size_t(l.colorLen()) || displayBuffer.size() < size_t(l.imageLen()) * 4)
        return;
    if (l.colour)
        std::memcpy(displayBuffer.data(), frame->data(), size_t(l.colorLen()));
    else
        Gray2RGBA(frame->data(), reinterpret_cast<int*>(displayBuffer.data()), l.width, l.height);
}

void CammerWidget::SaveFailImage(int step, int slot)
{
    const FrameLayout& l = CammerWidgetData::layout();
    if (step < 0 || step >= 8 || slot < 0 || slot > 1 || camera < 0 || camera >= 8)
        return;
    std::vector<uint8_t> picture(size_t(l.imageLen()) * 4);
    if (l.colour)
        std::memcpy(picture.data(), inspectFrame.data(), std::min(picture.size(), inspectFrame.size()));
    else if (inspectFrame.size() >= size_t(l.imageLen()))
        Gray2RGBA(inspectFrame.data(), reinterpret_cast<int*>(picture.data()), l.width, l.height);
    int firstNg = 0;
    if (slot == 0 && liveSet)
        for (int j = 0; j < liveSet->count[step] && j < kMaxRoi && !firstNg; ++j)
            if (!roiOK[step][j])
                firstNg = j + 1;
    QMutexLocker lock(pMutexSaveFail);
    if (uint8_t* dst = gpFailImage[camera][step][slot])
        std::memcpy(dst, picture.data(), picture.size());
    if (slot == 0)
        gFailIndex[camera][step] = firstNg;
}

bool CammerWidget::LoadStandInFrame(const QString& path)
{
    const FrameLayout& l = CammerWidgetData::layout();
    QImage img(path);
    if (img.isNull() || img.width() != l.width || img.height() != l.height)
        return false;
    // Whatever the file's depth, the frame gets its own format: never read
    // past a picture of fewer bytes per pixel.
    img = img.convertToFormat(l.colour ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
    const size_t row = size_t(l.width) * (l.colour ? 4 : 1);
    if (workBuffer.size() < row * size_t(l.height))
        return false;
    for (int y = 0; y < l.height; ++y)
        std::memcpy(workBuffer.data() + row * size_t(y), img.constScanLine(y), row);
    return true;
}

QRect CammerWidget::CountdownRect(float sx, float sy)
{
    if (IsSmallLayout())
        return QRect(int(270 * sx), int(5 * sy), 40, 18);
    return QRect(int(520 * sx), int(5 * sy), 130, 36);
}

void CammerWidget::paintEvent(QPaintEvent*)
{
    // The frame only; areas, results and texts are the live view's.
    SyncDisplay();
    QPainter p(this);
    if (!m_display.isNull())
        p.drawImage(rect(), m_display);
    p.setPen(QColor(0, 0, 139));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CammerWidget::mousePressEvent(QMouseEvent* event)
{
    // The main window's part of a press (zoom point, command column, camera
    // choice) comes first; drawing and editing follow when it does not end it.
    ViewHost::instance().viewPressed(camera, event->position().toPoint());
    QWidget::mousePressEvent(event);
}
