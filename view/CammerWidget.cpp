#include "CammerWidget.h"

#include "LiveViewPainter.h"
#include "ResultPicture.h"
#include "RoiPanel.h"
#include "ViewHost.h"
#include "foundation/MainGlobals.h"
#include "records/SaveFialImageThread.h"
#include "camera/CameraGlobals.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "inspect/CammerRecong.h"
#include "network/VUR_Net.h"
#include "params/CammerSingleton.h"
#include "params/WizardPara.h"
#include "platform/vision/ColorConvert.h"
#include "platform/vision/FrameBmp.h"
#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Slider.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QPainter>
#include <QTimer>

#include <algorithm>
#include <cstring>

CammerWidget::CammerWidget(QWidget* parent, int cam, CameraStation* station, bool trainEngine)
    : QWidget(parent)
    , CammerWidgetData(cam)
    , m_touch(std::make_unique<RoiTouch>(*this))
    , m_station(station)
{
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    hide();

    // Buffers of the steps in use; a step added in the settings gets its own
    // when the step count rises (EnsureGroupBuffers).
    FrameLayout layout;
    layout.width = gImageW;
    layout.height = gImageH;
    layout.colour = gisColor != 0;
    layout.templateCount = gTempNum;
    layout.groups = gDNum;
    AllocateBuffers(layout);
    PointDisplayAt(displayBuffer.data());

    if (station) {
        m_side = std::make_unique<CameraSide>(station, cam);  // its filter texts come from the live record
        m_side->CameraOpen();
        if (cameraOpen())
            ++station->numCamera;
    }
    // A camera that did not open still gets the whole widget, so the views,
    // the editor and the settings work without the device.
    BuildPanel();
    m_panel = std::make_unique<RoiPanel>(*this);
    cameraOK = 1;
    LoadTemplates();
    LoadIgnorePoint();

    liveSet = new CammerSingleton(cam);
    liveSet->LoadDatafromFile(this);
    editSet = new CammerSingleton(cam);  // filled by the editor when it opens
    engine = trainEngine ? new CammerRecong(liveSet, this) : new CammerRecong(liveSet, this, CammerRecong::NotTrained);

    if (m_side)
        m_side->CameraStart();
    // Shares are made while the window is built, before the plant client runs:
    // a started link is enough (its client connects later).
    const bool video = gpWPara && gpWPara->netVideoOn == 2 && cameraOpen() && gpWPara->netEnabled && gpNet && gpNet->isInit;
    if (video)
        gpNet->VUR_AddUseMemory(cam, gImageW, gImageH, displayBuffer.data());
    // A colour frame is already the picture the view draws: shown where it lies.
    m_ownDisplay = !layout.colour || video;

    m_liveRepaint = new QTimer(this);
    m_liveRepaint->setSingleShot(true);
    connect(m_liveRepaint, &QTimer::timeout, this, [this] {
        // Not while the engine judges this camera: the pass would wait behind the paint.
        if (Judging())
            m_liveRepaint->start(2);
        else
            update();
    });

    blinkTimer = new QTimer(this);
    connect(blinkTimer, &QTimer::timeout, this, &CammerWidget::TimerShowAlarm);
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
    connect(slider[0], &Slider::valueChanged, this, &CammerWidget::SlotMinWH);
    connect(slider[1], &Slider::valueChanged, this, &CammerWidget::SlotSensitivity);
    connect(slider[2], &Slider::valueChanged, this, &CammerWidget::SlotArea);
    funcLabel = new QLabel(LanStr(2), this);
    QPalette green = funcLabel->palette();
    green.setColor(QPalette::WindowText, Qt::green);
    funcLabel->setPalette(green);
    QFont f(QStringLiteral("wqy-microhei"));
    f.setPixelSize(large ? 30 : 16);
    funcLabel->setFont(f);
    funcButton = new ColorButton(QString(), this, 3);
    connect(funcButton, &ColorButton::clicked, this, &CammerWidget::SlotChangeFunc);
    paraSwitchButton = new ColorButton(LanStr(3), this);
    connect(paraSwitchButton, &ColorButton::clicked, this, &CammerWidget::SlotChangeParaSow);
    outputCombo = new ComboBox(this);
    for (int n = 0; n < 4; ++n)
        outputCombo->addItem(QStringLiteral("N%1").arg(n + 1), n);
    QFont cf(QStringLiteral("wqy-microhei"));
    cf.setPixelSize(large ? 20 : 12);
    outputCombo->setFont(cf);
    outputCombo->setItemHeight(50);
    connect(outputCombo, &ComboBox::currentIndexChanged, this, &CammerWidget::SlotOutN);
    nextRoiButton = new ColorButton(LanStr(4), this);
    connect(nextRoiButton, &ColorButton::clicked, this, &CammerWidget::SlotNextROI);
    handleButton = new ColorButton(QString(), this);
    connect(handleButton, &ColorButton::clicked, this, &CammerWidget::SlotChangeObject);
    void (CammerWidget::*const pads[4])() = {&CammerWidget::SlotAdd10, &CammerWidget::SlotAdd1,
                                             &CammerWidget::SlotSub1, &CammerWidget::SlotSub10};
    for (int k = 0; k < 4; ++k) {
        padButton[k] = new ColorButton(QString(), this);
        padButton[k]->SetRepeat();
        connect(padButton[k], &ColorButton::clicked, this, pads[k]);
    }
    void (CammerWidget::*const moves[4])() = {&CammerWidget::SlotMoveT, &CammerWidget::SlotMoveB,
                                              &CammerWidget::SlotMoveL, &CammerWidget::SlotMoveR};
    for (int k = 0; k < 4; ++k) {
        moveButton[k] = new ColorButton(LanStr(5 + k), this, 4);
        moveButton[k]->SetRepeat();
        connect(moveButton[k], &ColorButton::clicked, this, moves[k]);
    }
    moveAllButton = new ColorButton(LanStr(12), this);
    connect(moveAllButton, &ColorButton::clicked, this, &CammerWidget::SlotMoveAll);

    PlaceMoveButtons();

    // On small screens two rows of eight in the move row would cover the
    // move-all button and run past the screen: they stand under the status
    // line there, as on large screens, left of the editor column.
    const int cw = large ? 130 : 70;
    const int ch = large ? 75 : 30;
    const int pitch = large ? 155 : 72;
    int x0 = large ? 450 : 320;
    const int y0 = 35;
    // Rows of eight where they stand left of the editor column; a narrower
    // screen (1280 px) starts them at the left edge with fewer per row.
    const int right = gShowW - (large ? 240 : 120);
    auto perRow = [&] { return std::clamp((right - x0 + pitch - cw) / pitch, 1, 8); };
    if (perRow() < 8)
        x0 = 5;
    const int columns = perRow();
    for (int k = 0; k < 16; ++k) {
        // Boxes 9 to 16 have their own text ids.
        cavityBox[k] = new CheckBox(this, LanStr(k < 8 ? 460 + k : 596 + k - 8));
        const int col = k % columns;
        const int row = k / columns;
        cavityBox[k]->setGeometry(x0 + col * pitch, y0 + row * ch, cw, ch);
        connect(cavityBox[k], &CheckBox::clicked, this, [this, k] { SlotClickCheckBox(k); });
    }
    for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        w->hide();
}

void CammerWidget::ShowFrame(const FrameBytes& frame)
{
    m_shown = &frame;
    m_displayDirty = true;
    m_shownOverwritten = false;
    // Nothing to convert: a picture kept earlier is let go at once.
    if (!m_ownDisplay)
        SyncDisplay();
}

void CammerWidget::RepaintLive()
{
    if (!Judging() && (!m_lastPaint.isValid() || m_lastPaint.elapsed() >= kLiveRepaintMs)) {
        update();
        return;
    }
    // The frame shown then is the newest one: m_shown names the buffer.
    if (!m_liveRepaint->isActive())
        m_liveRepaint->start(int(std::max<qint64>(2, kLiveRepaintMs - (m_lastPaint.isValid() ? m_lastPaint.elapsed() : kLiveRepaintMs))));
}

QImage CammerWidget::ShownGrey()
{
    if (m_shown == &inspectFrame)
        FinishInspectFrame();
    const FrameLayout& l = CammerWidgetData::layout();
    if (l.colour || !m_shown || m_shownOverwritten || m_shown->size() < size_t(l.imageLen()))
        return QImage();
    return QImage(m_shown->data(), l.width, l.height, l.width, QImage::Format_Grayscale8);
}

void CammerWidget::ShowPicture(const FrameBytes& picture)
{
    m_picture = picture;
    ShowFrame(m_picture);
}

void CammerWidget::ShowRecentNg(int g, int k)
{
    ShowUnpacked([&](FrameBytes& out) { return RecentNgFrame(g, k, out); });
}

void CammerWidget::ShowTemplate(int g, int k)
{
    ShowUnpacked([&](FrameBytes& out) { return TemplateFrame(g, k, out); });
}

// A kept picture widened into the one frame-size picture this widget shows;
// black where none is kept.
template <class Read>
void CammerWidget::ShowUnpacked(Read read)
{
    const size_t len = size_t(CammerWidgetData::layout().colorLen());
    if (m_picture.size() != len)
        m_picture = ZeroFrameBytes(len);
    if (!read(m_picture))
        std::fill(m_picture.begin(), m_picture.end(), uint8_t(0));
    ShowFrame(m_picture);
}

void CammerWidget::PointDisplayAt(uint8_t* pixels)
{
    m_keptGroup = -1;
    m_displayPixels = pixels;
    m_display = QImage(pixels, gImageW, gImageH, QImage::Format_RGB32);
}

void CammerWidget::BeforeFrameWrite(const FrameBytes& buffer, bool shownNext)
{
    // A picture on screen that is not to change: kept before its pixels go.
    const bool keep = !shownNext && !m_displayDirty && m_displayPixels == buffer.data() && displaySharesFrame();
    // The NG frame an alarm holds on screen is in the ring already: the view
    // needs only its own size of it, not a frame more per camera.
    if (keep && !KeepScaled()) {
        std::memcpy(displayBuffer.data(), m_displayPixels, std::min(buffer.size(), displayBuffer.size()));
        PointDisplayAt(displayBuffer.data());
    }
    // A grey picture drawn as it lies and not to change: widened before its
    // pixels go, and drawn from there until something else is shown.
    if (!shownNext && m_shown == &buffer && !CammerWidgetData::layout().colour) {
        SyncDisplay();
        m_shownOverwritten = true;
    }
    CammerWidgetData::BeforeFrameWrite(buffer, shownNext);
}

bool CammerWidget::KeepScaled()
{
    int g = -1, k = -1;
    const QSize size = this->size();
    if (&workBuffer != m_shown || !RingHoldsWorkFrame(&g, &k) || size.isEmpty()
        || size.width() >= gImageW || size.height() >= gImageH)
        return false;
    const CycleState& st = ViewHost::instance().cycle();
    if (IsSelectedCamera() && st.zoomScale > 1.0)
        return false;
    // Nearest pixels, as the painter draws a frame at this size.
    QImage scaled = m_display.scaled(size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    if (scaled.isNull())
        return false;
    m_display = std::move(scaled);
    m_displayPixels = m_display.bits();
    m_keptGroup = g;
    m_keptSlot = k;
    m_keptCount = recentNgCount[g];
    return true;
}

bool CammerWidget::RestoreKept()
{
    // Slot k is written again three NG frames of its step later.
    const int g = m_keptGroup;
    if (g < 0 || recentNgCount[g] >= m_keptCount + 3 || !RecentNgFrame(g, m_keptSlot, displayBuffer))
        return false;
    PointDisplayAt(displayBuffer.data());
    return true;
}

void CammerWidget::WorkBufferMoved(const uint8_t* was)
{
    // A view drawing the old pages would read what the camera writes: it
    // shows the new frame where it now lies (what a copy would have shown).
    if (m_displayPixels == was) {
        PointDisplayAt(workBuffer.data());
        m_displayDirty = true;
    }
}

void CammerWidget::SyncDisplay()
{
    if (m_shown == &inspectFrame)
        FinishInspectFrame();
    if (displayScaled() && !m_displayDirty) {
        const bool zoomed = IsSelectedCamera() && ViewHost::instance().cycle().zoomScale > 1.0;
        if (zoomed || width() > m_display.width() || height() > m_display.height())
            RestoreKept();
    }
    const FrameLayout& l = CammerWidgetData::layout();
    if (!m_displayDirty || !m_shown || m_shown->size() < size_t(l.colorLen())
        || displayBuffer.size() < size_t(l.imageLen()) * 4)
        return;
    m_displayDirty = false;
    if (!m_ownDisplay) {
        // Hands the pages of a picture kept earlier back: the view needs
        // them again only when its frame is overwritten unseen.
        if (!displaySharesFrame())
            displayBuffer = ZeroFrameBytes(displayBuffer.size());
        PointDisplayAt(const_cast<uint8_t*>(m_shown->data()));
        return;
    }
    if (l.colour)
        std::memcpy(displayBuffer.data(), m_shown->data(), size_t(l.colorLen()));
    else
        Gray2RGBA(m_shown->data(), reinterpret_cast<int*>(displayBuffer.data()), l.width, l.height);
}

void CammerWidget::SaveFailImage(int step, int slot)
{
    if (step < 0 || step >= 8 || slot < 0 || slot > 1 || camera < 0 || camera >= 8)
        return;
    FinishInspectFrame();  // the result picture shows the whole aligned frame
    {
        // The slot's older picture, not yet handed to the saver, is replaced
        // anyway: let go before the new one is drawn, not after.
        QMutexLocker lock(pMutexSaveFail);
        if (!gisSaveFail[camera][step][slot]) {
            gpFailImage[camera][step][slot] = QImage();
            gPackedFail[camera][step][slot] = PackedPicture();
            gCodedFail[camera][step][slot] = {};
        }
    }
    int firstNg = 0;
    const bool door = ViewHost::instance().cycle().safetyDoorCycle != 0;
    QImage drawn = ResultPicture::Render(*this, step, slot, door, &firstNg);
    // Kept as RGB888 while it waits for the saver: the same pixels, a quarter
    // less, converted where they lie when Qt can.
    QImage picture = std::move(drawn).convertToFormat(QImage::Format_RGB888);
    QMutexLocker lock(pMutexSaveFail);
    if (picture.width() == gImageW && picture.height() == gImageH) {
        gpFailImage[camera][step][slot] = std::move(picture);
        gPackedFail[camera][step][slot] = PackedPicture();
        gCodedFail[camera][step][slot] = {};
    }
    if (slot == 0 && gFailIndex[camera][step] == 0)
        gFailIndex[camera][step] = firstNg;
}

void CammerWidget::UpdateFailImage(int step, int slot)
{
    if (step < 0 || step >= 8 || slot < 0 || slot > 1 || camera < 0 || camera >= 8)
        return;
    int& code = ViewHost::instance().cycle().imageDecision[camera][step];
    // Noted on the kept picture where it lies: a copy would cost a frame.
    QMutexLocker lock(pMutexSaveFail);
    QImage& picture = gpFailImage[camera][step][slot];
    PackedPicture& packed = gPackedFail[camera][step][slot];
    // A packed picture keeps the rows the lines go into as they are.
    ResultPicture::AddCodeLines(picture.isNull() && !packed.isNull() ? packed.head : picture, &code);
}

void CammerWidget::SaveReTrainImage(int step)
{
    if (step < 0 || step >= kGroups || !EnsureGroupBuffers(step) || templateImages[step].empty())
        return;
    const FrameLayout& l = CammerWidgetData::layout();
    if (workBuffer.size() < size_t(l.colorLen()))
        return;
    // The file and the picture shown come from the frame itself.
    ShowPicture(workBuffer);
    QDir().mkpath(QFileInfo(GroupFile(step, QString())).path());
    const QString path = GroupFile(step, QStringLiteral("template0.bmp"));
    if (!WriteFrameBmp(path, workBuffer.data(), l.width, l.height, l.colour)) {
        // The step still trains on the new template, from memory.
        SetTemplate(step, 0, workBuffer);
        return;
    }
    TemplateFileWritten(step, 0);
    if (gpWPara && ReportsToPlant(*gpWPara))
        gpNet->VUR_SendTempPic(QFileInfo(path).absoluteFilePath());
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
    BeforeFrameWrite(workBuffer, false);
    for (int y = 0; y < l.height; ++y)
        std::memcpy(workBuffer.data() + row * size_t(y), img.constScanLine(y), row);
    return true;
}

QRect CammerWidget::CountdownRect(float sx, float)
{
    // The countdown flows with the status line and the counts: repaint their band.
    const int w = int(sx * float(gShowW));
    return QRect(0, 0, w, LiveViewPainter::StatusBandHeight(w));
}

QList<PlacedText> CammerWidget::PaintedTexts()
{
    return LiveViewPainter(*this, ViewHost::instance()).Texts();
}

QRect CammerWidget::FreeArea() const
{
    ViewHost& host = ViewHost::instance();
    const QPoint origin = mapTo(window(), QPoint(0, 0));
    QRect free = rect();
    free.setBottom(std::min(free.bottom(), host.statusStripTop() - origin.y() - 1));
    for (const QRect& r : host.overlays()) {
        const QRect o = r.translated(-origin) & rect();
        if (o.isEmpty())
            continue;
        if (o.right() >= width() - 1 && o.left() > 0)
            free.setRight(std::min(free.right(), o.left() - 1));
        else if (o.left() <= 0)
            free.setLeft(std::max(free.left(), o.right() + 1));
    }
    return free;
}

void CammerWidget::PlaceMoveButtons()
{
    const bool large = gShowW > 1024;
    const QRect free = FreeArea();
    const int bh = large ? 75 : 30;
    const int gap = large ? 10 : 5;
    int x = std::max(large ? 300 : 380, free.left() + gap);
    // Narrower buttons where the editor column leaves less room.
    const int bw = std::clamp((free.right() - x - 4 * gap - 20) / 5, 1, large ? 200 : 50);
    const int y = free.bottom() - bh - 4;
    for (ColorButton* b : moveButton) {
        b->setGeometry(x, y, bw, bh);
        x += bw + gap;
    }
    moveAllButton->setGeometry(x, y, bw + 20, bh);
}

void CammerWidget::paintEvent(QPaintEvent*)
{
    AwaitJudged();  // what the painter reads may be being judged on a worker
    m_lastPaint.start();
    m_liveRepaint->stop();
    QPainter p(this);
    LiveViewPainter(*this, ViewHost::instance()).Paint(p);
}

void CammerWidget::TimerShowAlarm()
{
    AwaitJudged();
    if (cameraOK) {
        blinkPhase = 0;
        blinkTimer->stop();
    } else if (blinkPhase == 1) {
        blinkPhase = 0;
    } else if (blinkPhase == 0) {
        blinkPhase = 1;
    }
    update();
}

void CammerWidget::mousePressEvent(QMouseEvent* event)
{
    m_touch->Press(event);
    QWidget::mousePressEvent(event);
}

void CammerWidget::mouseMoveEvent(QMouseEvent* event)
{
    m_touch->Move(event);
    QWidget::mouseMoveEvent(event);
}

void CammerWidget::mouseReleaseEvent(QMouseEvent* event)
{
    m_touch->Release(event);
    QWidget::mouseReleaseEvent(event);
}

bool CammerWidget::IsSelectedCamera() const
{
    ViewHost& host = ViewHost::instance();
    return host.cycle().selCamera == camera && camera < host.cameraCount();
}

QPoint CammerWidget::ViewPoint(QPoint wp) const
{
    const CycleState& st = ViewHost::instance().cycle();
    double zoom = 1.0;
    double px = 0;
    double py = 0;
    if (IsSelectedCamera()) {
        zoom = st.zoomScale > 0 ? st.zoomScale : 1.0;
        px = st.zoomOffsetX;
        py = st.zoomOffsetY;
    }
    // A view smaller than the screen (all cameras shown) maps onto full-size view coordinates.
    const double sx = width() > 0 ? double(gShowW) / width() : 1.0;
    const double sy = height() > 0 ? double(gShowH) / height() : 1.0;
    return QPoint(int((wp.x() - px) / zoom * sx), int((wp.y() - py) / zoom * sy));
}

void CammerWidget::MUpdateXYV(int x, int y)
{
    EditorState& ed = ViewHost::instance().editor();
    const CycleState& st = ViewHost::instance().cycle();
    const double zoom = st.zoomScale > 0 ? st.zoomScale : 1.0;
    // The view's own size: above a status strip it is shorter than the screen.
    const int ix = int((x - st.zoomOffsetX) * gImageW / (std::max(width(), 1) * zoom));
    const int iy = int((y - st.zoomOffsetY) * gImageH / (std::max(height(), 1) * zoom));
    ed.imageX = ix;
    ed.imageY = iy;
    const FrameBytes* img = m_shown;
    const FrameLayout& l = CammerWidgetData::layout();
    if (!img || ix < 0 || iy < 0 || ix >= l.width || iy >= l.height || img->size() < size_t(l.colorLen()))
        return;
    const size_t at = size_t(iy) * size_t(l.width) + size_t(ix);
    if (l.colour) {
        quint32 v = 0;
        std::memcpy(&v, img->data() + at * 4, 4);
        ed.pixel = v;
    } else {
        ed.pixel = (*img)[at];
    }
}

bool CammerWidget::PtInRegion(QPoint p)
{
    const int g = ViewHost::instance().editor().editorStep;
    return editSet && selectedRoi >= 0 && selectedRoi < editSet->count[g] && AreaHit(*editSet, g, selectedRoi, p);
}

bool CammerWidget::PtInRect(QPoint p)
{
    const int g = ViewHost::instance().editor().editorStep;
    if (!editSet || g < 0 || g >= kGroups)
        return false;
    const int n = std::clamp(editSet->count[g], 0, int(kMaxRoi));
    const int start = (selectedRoi >= 0 && selectedRoi < n) ? selectedRoi : 0;
    for (int k = 0; k < n; ++k) {
        const int j = (start + k) % n;
        if (AreaHit(*editSet, g, j, p)) {
            selectedRoi = j;
            m_touch->lastTouch = p;
            return true;
        }
    }
    return false;
}

bool CammerWidget::PtInRectMove(QPoint p)
{
    const int g = ViewHost::instance().editor().editorStep;
    if (!editSet || g < 0 || g >= kGroups)
        return false;
    for (int j = 0; j < std::clamp(editSet->count[g], 0, int(kMaxRoi)); ++j)
        if (AreaHit(*editSet, g, j, p))
            return true;
    return false;
}

bool CammerWidget::GetSelectedRect()
{
    const int g = ViewHost::instance().editor().editorStep;
    if (!editSet || g < 0 || g >= kGroups)
        return false;
    for (int j = 0; j < std::clamp(editSet->count[g], 0, int(kMaxRoi)); ++j) {
        if (AreaSelected(*editSet, g, j)) {
            selectedRoi = j;
            return true;
        }
    }
    return false;
}

void CammerWidget::DeselectROI()
{
    ViewHost& host = ViewHost::instance();
    m_touch->Reset();
    host.editor().drawKind = EditorState::DrawNone;
    const int g = host.editor().editorStep;
    if (editSet && g >= 0 && g < kGroups && selectedRoi >= 0 && selectedRoi < kMaxRoi)
        SelectArea(*editSet, g, selectedRoi, false);
    selectedRoi = -1;
}

void CammerWidget::ShowHideROIPara() { m_panel->ShowHideROIPara(); }
void CammerWidget::ShowHideCheckBox(bool show) { m_panel->ShowHideCheckBox(show); }
void CammerWidget::SetCheckBoxState(int row) { m_panel->SetCheckBoxState(row); }
void CammerWidget::SavePolygon() { m_touch->SavePolygon(); }
void CammerWidget::SlotCopyArea(QPoint p) { m_panel->SlotCopyArea(p); }
void CammerWidget::CopyPara() { m_panel->CopyPara(); }
void CammerWidget::SlotMinWH(int v) { m_panel->SlotMinWH(v); }
void CammerWidget::SlotSensitivity(int v) { m_panel->SlotSensitivity(v); }
void CammerWidget::SlotArea(int v) { m_panel->SlotArea(v); }
void CammerWidget::SlotOutN(int i) { m_panel->SlotOutN(i); }
void CammerWidget::SlotChangeFunc() { m_panel->SlotChangeFunc(); }
void CammerWidget::SlotChangeParaSow() { m_panel->SlotChangeParaSow(); }
void CammerWidget::SlotChangeObject() { m_panel->SlotChangeObject(); }
void CammerWidget::SlotSize(int mode) { m_panel->SlotSize(mode); }
void CammerWidget::SlotNextROI() { m_panel->SlotNextROI(); }
void CammerWidget::SlotMove(int dx, int dy) { m_panel->SlotMove(dx, dy); }
void CammerWidget::SlotMoveAll() { m_panel->SlotMoveAll(); }
void CammerWidget::SlotClickCheckBox(int k) { m_panel->SlotClickCheckBox(k); }
