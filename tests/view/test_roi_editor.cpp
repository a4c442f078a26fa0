// The ROI editor driven as a setter does it, by touch on a full-screen
// camera view and through the editor column: drawing each kind of area,
// moving slowly and fast, resizing past the opposite edge, deleting, the
// parameter panel and its preview. Edits reach the edit set only.
#include "ViewRig.h"

#include "foundation/MainGlobals.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "inspect/RoiRules.h"
#include "params/CammerSingleton.h"
#include "view/CammerWidget.h"
#include "view/DrawROIWidget.h"
#include "view/RoiPanel.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Slider.h"

#include <QApplication>
#include <QMouseEvent>

namespace {
void Touch(QWidget* w, QEvent::Type type, QPoint at)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

// A finger put down at `from`, moved in `steps` equal moves to `to`, lifted.
void Drag(QWidget* w, QPoint from, QPoint to, int steps = 4)
{
    Touch(w, QEvent::MouseButtonPress, from);
    for (int i = 1; i <= steps; ++i)
        Touch(w, QEvent::MouseMove, from + (to - from) * i / steps);
    Touch(w, QEvent::MouseButtonRelease, to);
}

void Tap(QWidget* w, QPoint at)
{
    Touch(w, QEvent::MouseButtonPress, at);
    Touch(w, QEvent::MouseButtonRelease, at);
}

// The editor open on camera 0's templates, drawing page.
struct Editor {
    explicit Editor(int cameras = 1) : rig(cameras)
    {
        rig.host.state.selCamera = 0;
        column = new DrawROIWidget;
        rig.host.column = column;
        column->Reset(true);
        w = rig.widget();
    }
    ~Editor() { delete column; }
    CammerSingleton& edit() { return *w->editSet; }
    CammerSingleton& live() { return *w->liveSet; }
    QRect rect(int j) { return OrderedRect(edit().rect[0][j]); }

    ViewRig rig;
    DrawROIWidget* column = nullptr;
    CammerWidget* w = nullptr;
    PopupAnswerer answers;
};
}  // namespace

class TestRoiEditor : public QObject {
    Q_OBJECT
private slots:
    void wideCircleMovesUpToTheEdge()
    {
        Editor e;
        const int s = gShowW / 20;
        e.column->SlotDrawCircle();
        Drag(e.w, QPoint(10 * s, 6 * s), QPoint(18 * s, 8 * s));
        QCOMPARE(e.edit().count[0], 1);
        const Circle& c = e.edit().circle[0][0];
        QCOMPARE(c.outerRadius, s);
        QCOMPARE(c.width(), c.height());
        Drag(e.w, QPoint(c.centerX, c.centerY), QPoint(gShowW - 1, c.centerY), 8);
        QVERIFY2(c.centerX + c.outerRadius >= gShowW - 3, qPrintable(QString::number(c.centerX + c.outerRadius)));
    }

    void drawingEachKind()
    {
        Editor e;
        QCOMPARE(gSource, 0);
        const int s = gShowW / 20;  // a comfortable finger's length
        // Rectangle dragged from bottom-right to top-left: stored in order.
        e.column->SlotDrawRect();
        Drag(e.w, QPoint(8 * s, 6 * s), QPoint(4 * s, 3 * s));
        QCOMPARE(e.edit().count[0], 1);
        QCOMPARE(e.rect(0), QRect(QPoint(4 * s, 3 * s), QPoint(8 * s, 6 * s)));
        QCOMPARE(e.edit().rect[0][0].topLeft(), QPoint(4 * s, 3 * s));
        QCOMPARE(e.edit().algorithm[0][0], 0);
        QVERIFY(!e.w->editMasks[0][0].empty());
        QCOMPARE(e.w->selectedRoi, 0);
        QCOMPARE(e.rig.host.edit.drawKind, 0);

        // 10 px is kept, 9 px dropped.
        e.column->SlotDrawRect();
        Drag(e.w, QPoint(s, s), QPoint(s + 9, s + 20));
        QCOMPARE(e.edit().count[0], 1);
        e.column->SlotDrawRect();
        Drag(e.w, QPoint(s, s), QPoint(s + 10, s + 10));
        QCOMPARE(e.edit().count[0], 2);
        QCOMPARE(e.edit().sensibility[0][1], e.edit().sensibility[0][0]);  // the previous area's limits

        // A circle dragged up and left is dropped; down and right kept.
        e.column->SlotDrawCircle();
        Drag(e.w, QPoint(12 * s, 8 * s), QPoint(10 * s, 6 * s));
        QCOMPARE(e.edit().count[0], 2);
        e.column->SlotDrawCircle();
        Drag(e.w, QPoint(10 * s, 6 * s), QPoint(14 * s, 10 * s));
        QCOMPARE(e.edit().count[0], 3);
        QCOMPARE(e.edit().roi_type[0][2], int(CammerSingleton::kCircle));
        QCOMPARE(e.edit().circle[0][2].outerRadius, 2 * s);

        // A polygon tapped point by point and closed on its first point.
        e.column->SlotDrawPloygn();
        QCOMPARE(e.column->polygonButton->text(), LanStr(33));
        Tap(e.w, QPoint(2 * s, 12 * s));
        Tap(e.w, QPoint(6 * s, 12 * s));
        e.column->SlotDrawPloygn();  // two points cannot close it
        QCOMPARE(e.column->polygonButton->text(), LanStr(33));
        Tap(e.w, QPoint(4 * s, 16 * s));
        Tap(e.w, QPoint(2 * s + 5, 12 * s - 5));
        QCOMPARE(e.edit().count[0], 4);
        QCOMPARE(e.edit().polygon[0][3].Count(), 3);
        QCOMPARE(e.column->polygonButton->text(), LanStr(53));

        // A gesture of five points is discarded, of six kept.
        e.column->SlotDrawHand();
        Touch(e.w, QEvent::MouseButtonPress, QPoint(15 * s, 2 * s));
        for (int i = 1; i <= 5; ++i)
            Touch(e.w, QEvent::MouseMove, QPoint(15 * s + i * 10, 2 * s + (i % 2) * 30));
        Touch(e.w, QEvent::MouseButtonRelease, QPoint(15 * s + 50, 2 * s));
        QCOMPARE(e.edit().count[0], 4);
        e.column->SlotDrawHand();
        Touch(e.w, QEvent::MouseButtonPress, QPoint(15 * s, 2 * s));
        for (int i = 1; i <= 6; ++i)
            Touch(e.w, QEvent::MouseMove, QPoint(15 * s + i * 10, 2 * s + (i % 2) * 30));
        Touch(e.w, QEvent::MouseButtonRelease, QPoint(15 * s + 60, 2 * s));
        QCOMPARE(e.edit().count[0], 5);
        QCOMPARE(e.edit().polygon[0][4].Count(), 6);

        // A tap outside the selected area only drops the selection; the next picks.
        Tap(e.w, QPoint(5 * s, 4 * s));
        QCOMPARE(e.w->selectedRoi, -1);
        Tap(e.w, QPoint(5 * s, 4 * s));
        QCOMPARE(e.w->selectedRoi, 0);
        // Copy mode: the next press puts a copy of the selected area there.
        e.column->SlotCopyArea();
        Tap(e.w, QPoint(12 * s, 9 * s));
        QCOMPARE(e.answers.seen().last().text, LanStr(38));
        QCOMPARE(e.edit().count[0], 6);
        QCOMPARE(e.rect(5).size(), e.rect(0).size());
        QVERIFY((e.rect(5).center() - QPoint(12 * s, 9 * s)).manhattanLength() <= 2);
        QCOMPARE(e.w->selectedRoi, 5);
        QVERIFY(!e.rig.host.edit.copyMode);

        // Nothing of it reached the live set.
        QCOMPARE(e.live().count[0], 0);
    }

    void firstAreaTakesTheFirstEnabledFunction_data()
    {
        QTest::addColumn<bool>("polygon");
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("maxArea");
        QTest::newRow("rectangle, white count") << false << int(RoiCode::WhiteNum) << 0x640001;
        QTest::newRow("polygon, white count") << true << int(RoiCode::WhiteNum) << 0x20001;
        QTest::newRow("rectangle, spot") << false << int(RoiCode::Spot) << 500;
        // Similarity sets no area limit: the defect default stays.
        QTest::newRow("rectangle, similarity") << false << int(RoiCode::Similarity) << 100;
    }
    void firstAreaTakesTheFirstEnabledFunction()
    {
        QFETCH(bool, polygon);
        QFETCH(int, code);
        QFETCH(int, maxArea);
        Editor e;
        e.rig.para.enableWhiteNumber = 1;
        e.rig.para.enableBlackNumber = 1;
        e.rig.para.enableSpot = code == RoiCode::Spot;
        e.rig.para.enableSimilarity = code == RoiCode::Similarity;
        const int s = gShowW / 20;
        if (polygon) {
            e.column->SlotDrawPloygn();
            for (QPoint p : {QPoint(s, s), QPoint(4 * s, s), QPoint(2 * s, 4 * s)})
                Tap(e.w, p);
            e.column->SlotDrawPloygn();
        } else {
            e.column->SlotDrawRect();
            Drag(e.w, QPoint(s, s), QPoint(4 * s, 4 * s));
        }
        QCOMPARE(e.edit().count[0], 1);
        QCOMPARE(e.edit().algorithm[0][0], code);
        QCOMPARE(e.edit().max_area[0][0], maxArea);
    }

    void movingSlowlyAndFastAndResizingPastTheEdge()
    {
        Editor e;
        const int s = gShowW / 20;
        e.column->SlotDrawRect();
        Drag(e.w, QPoint(4 * s, 4 * s), QPoint(8 * s, 8 * s));
        const QRect drawn = e.rect(0);

        // A slow drag, one view pixel at a time, still moves the area.
        const QPoint grab = drawn.center();
        Touch(e.w, QEvent::MouseButtonPress, grab);
        for (int i = 1; i <= 40; ++i)
            Touch(e.w, QEvent::MouseMove, grab + QPoint(i, 0));
        Touch(e.w, QEvent::MouseButtonRelease, grab + QPoint(40, 0));
        const int threshold = int(std::ceil(RoiTouch::kDragThreshold * ShowScaleW()));
        QVERIFY2(e.rect(0).left() - drawn.left() >= 40 - threshold,
                 qPrintable(QStringLiteral("moved %1").arg(e.rect(0).left() - drawn.left())));
        QCOMPARE(e.rect(0).size(), drawn.size());

        // A fast one in one move.
        const QRect before = e.rect(0);
        Drag(e.w, before.center(), before.center() + QPoint(-2 * s, s), 1);
        QCOMPARE(e.rect(0), before.translated(-2 * s, s));
        QCOMPARE(e.live().count[0], 0);

        // The bottom-right corner dragged past the top-left: an ordered
        // rectangle whose mask has the box's size.
        const QRect r = e.rect(0);
        Drag(e.w, r.bottomRight(), r.topLeft() - QPoint(s, s), 3);
        const QRect flipped = e.rect(0);
        QCOMPARE(e.edit().rect[0][0].topLeft(), flipped.topLeft());
        QCOMPARE(flipped.topLeft(), r.topLeft() - QPoint(s, s));
        const cv::Rect box = e.edit().RoiBox(0, 0);
        QVERIFY(box.width > 0 && box.height > 0);
        QCOMPARE(e.w->editMasks[0][0].cols, box.width);
        QCOMPARE(e.w->editMasks[0][0].rows, box.height);

        // A circle's radii stay ordered whatever the pad asks.
        e.column->SlotDrawCircle();
        Drag(e.w, QPoint(12 * s, 2 * s), QPoint(14 * s, 4 * s));
        QCOMPARE(e.w->selectedRoi, 1);
        e.w->touch().handle = 0;  // inner radius
        for (int i = 0; i < 30; ++i)
            e.w->SlotAdd10();
        const Circle& c = e.edit().circle[0][1];
        QVERIFY(c.innerRadius < c.outerRadius);
        e.w->touch().handle = 1;
        for (int i = 0; i < 30; ++i)
            e.w->SlotSub10();
        QVERIFY(c.outerRadius >= 0 && c.innerRadius < std::max(c.outerRadius, 1));
    }

    void deletingOneAndAll()
    {
        Editor e;
        const int s = gShowW / 20;
        for (int k = 0; k < 3; ++k) {
            e.column->SlotDrawRect();
            Drag(e.w, QPoint((2 + 5 * k) * s, 2 * s), QPoint((5 + 5 * k) * s, 5 * s));
        }
        QCOMPARE(e.edit().count[0], 3);
        FrameBytes& ignore = e.w->ignorePointMask[0];
        std::fill(ignore.begin(), ignore.end(), uint8_t(255));
        // Nothing selected: refused.
        e.w->DeselectROI();
        e.column->SlotDeleteROI();
        QCOMPARE(e.answers.seen().value(0).text, LanStr(65));
        Tap(e.w, QPoint(8 * s, 3 * s));
        QCOMPARE(e.w->selectedRoi, 1);
        e.answers.queue(0);  // "no"
        e.column->SlotDeleteROI();
        QCOMPARE(e.edit().count[0], 3);
        e.column->SlotDeleteROI();
        QCOMPARE(e.edit().count[0], 2);
        QCOMPARE(e.w->selectedRoi, -1);
        QCOMPARE(e.rect(1).left(), 12 * s);

        e.column->SlotDeleteAllROI();
        QCOMPARE(e.edit().count[0], 0);
        // Ignored points stay until the edit is saved, in memory and on disk.
        QVERIFY(std::all_of(ignore.begin(), ignore.end(), [](uint8_t v) { return v == 255; }));
        QVERIFY(!QFile::exists(e.w->GroupFile(0, QStringLiteral("ignorepoint.bmp"))));
        QVERIFY(e.w->HasIgnoreClears(0));
        // Opening the editor again forgets what was not saved.
        e.column->Reset(true);
        QVERIFY(!e.w->HasIgnoreClears(0));
    }

    void panelWritesTheEditSetAndPreviews()
    {
        Editor e;
        // The template the editor shows: three bright spots in the area.
        FrameBytes t = ZeroFrameBytes(size_t(e.w->CammerWidgetData::layout().colorLen()));
        QVERIFY(e.w->TemplateFrame(0, 0, t));
        for (const QRect& spot : {QRect(100, 100, 6, 6), QRect(140, 120, 6, 6), QRect(180, 150, 6, 6)})
            for (int y = spot.top(); y <= spot.bottom(); ++y)
                std::fill_n(t.begin() + y * ViewRig::kW + spot.left(), spot.width(), uint8_t(250));
        QVERIFY(e.w->SetTemplate(0, 0, t));
        e.column->SlotDrawRect();
        Drag(e.w, ViewRig::ToView(QRect(80, 80, 160, 120)).topLeft(), ViewRig::ToView(QRect(80, 80, 160, 120)).bottomRight());
        QCOMPARE(e.w->selectedRoi, 0);
        CammerSingleton& s = e.edit();
        e.rig.para.enableWhiteNumber = 1;
        e.rig.para.enableSpot = 1;
        e.rig.para.showAllParams = 1;
        e.w->ShowHideROIPara();

        // The function button walks the switched-on codes: 0 (defect), 1, 7, then 0.
        QCOMPARE(s.algorithm[0][0], 0);
        e.w->SlotChangeFunc();
        QCOMPARE(s.algorithm[0][0], int(RoiCode::Spot));
        QCOMPARE(s.min_size[0][0], 12800);
        QVERIFY(e.w->paraSwitchButton->isVisibleTo(e.w));
        // Spot: the first slider edits the low byte, then the second, each keeping the other.
        e.w->slider[0]->setValue(30);
        QCOMPARE(s.min_size[0][0], 50 * 256 + 30);
        e.w->SlotChangeParaSow();
        QCOMPARE(e.w->slider[0]->value(), 50);
        e.w->slider[0]->setValue(200);
        QCOMPARE(s.min_size[0][0], 200 * 256 + 30);
        e.w->slider[0]->setValue(999);  // beyond the grey scale
        QCOMPARE(s.min_size[0][0], 255 * 256 + 30);

        e.w->SlotChangeFunc();
        QCOMPARE(s.algorithm[0][0], int(RoiCode::WhiteNum));
        QCOMPARE(s.max_area[0][0], 0x640001);
        // The count limits: low half, then high half.
        e.w->slider[2]->setValue(2);
        QCOMPARE(s.max_area[0][0], 0x640002);
        e.w->SlotChangeParaSow();
        e.w->slider[2]->setValue(5);
        QCOMPARE(s.max_area[0][0], 0x50002);
        // The preview measured the area on the template: three white spots.
        e.w->slider[1]->setValue(200);
        QCOMPARE(s.sensibility[0][0], 200);
        QCOMPARE(e.rig.host.drawHints, 6);  // every limit change shows the hint
        QCOMPARE(int(e.w->previewShown), 1);
        QCOMPARE(e.w->roiValue[0][0], 3);

        // A stored value outside a slider's range is shown clamped, never written back.
        s.max_area[0][0] = 0x7FFF0001;
        s.min_size[0][0] = 500;
        e.w->ShowHideROIPara();
        QCOMPARE(s.max_area[0][0], 0x7FFF0001);
        QCOMPARE(s.min_size[0][0], 500);
        QCOMPARE(int(e.w->previewShown), 0);

        e.w->SlotChangeFunc();
        QCOMPARE(s.algorithm[0][0], 0);
        // A code the editor does not know reads as defect and changes to the next one.
        s.algorithm[0][0] = 42;
        e.w->ShowHideROIPara();
        QCOMPARE(e.w->funcButton->text(), LanStr(25));
        e.w->SlotChangeFunc();
        QCOMPARE(s.algorithm[0][0], 0);
        // Nothing switched on: the function stays and nothing hangs.
        e.rig.para.enableDefect = e.rig.para.enableSpot = e.rig.para.enableWhiteNumber = 0;
        s.algorithm[0][0] = 5;
        e.w->SlotChangeFunc();
        QCOMPARE(s.algorithm[0][0], 5);

        // The output number is for step 0 only.
        e.rig.para.prodNgPulseNoAlarm = 1;
        e.w->ShowHideROIPara();
        QVERIFY(e.w->outputCombo->isVisibleTo(e.w));
        e.w->outputCombo->setCurrentIndex(3);
        QCOMPARE(s.output_point[0], 3);
        e.rig.host.edit.editorStep = 1;
        e.w->SlotOutN(1);
        QCOMPARE(s.output_point[0], 3);
        QCOMPARE(e.live().count[0], 0);
    }

    void functionDefaultsKeepWhatTheyDoNotSet_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("minSize");
        QTest::addColumn<int>("sens");
        QTest::addColumn<int>("maxArea");
        QTest::newRow("black area keeps min_size") << 4 << 77 << 50 << 100;
        QTest::newRow("white area keeps min_size") << 5 << 77 << 200 << 100;
        QTest::newRow("similarity keeps min_size and area") << 6 << 77 << 80 << 888;
        QTest::newRow("distance") << 9 << 1 << 35 << 50;
    }
    void functionDefaultsKeepWhatTheyDoNotSet()
    {
        QFETCH(int, code);
        QFETCH(int, minSize);
        QFETCH(int, sens);
        QFETCH(int, maxArea);
        CammerSingleton s;
        s.min_size[0][0] = 77;
        s.sensibility[0][0] = 1;
        s.max_area[0][0] = 888;
        RoiPanel::WriteDefaults(s, 0, 0, code);
        QCOMPARE(s.algorithm[0][0], code);
        QCOMPARE(s.min_size[0][0], minSize);
        QCOMPARE(s.sensibility[0][0], sens);
        QCOMPARE(s.max_area[0][0], maxArea);
    }

    void movingEveryAreaStopsAtTheEdge()
    {
        Editor e;
        const int s = gShowW / 20;
        e.column->SlotDrawRect();
        Drag(e.w, QPoint(6 * s, 6 * s), QPoint(8 * s, 8 * s));
        e.column->SlotDrawPloygn();
        for (QPoint p : {QPoint(3, 3 * s), QPoint(2 * s, 3 * s), QPoint(s, 5 * s)})
            Tap(e.w, p);
        e.column->SlotDrawPloygn();
        e.column->SlotDrawRect();
        Drag(e.w, QPoint(10 * s, 6 * s), QPoint(12 * s, 8 * s));
        QCOMPARE(e.edit().count[0], 3);
        e.w->SlotMoveAll();
        e.w->SlotMoveAll();
        QCOMPARE(e.w->moveMode, 2);
        const QRect first = e.rect(0);
        const QRect third = e.rect(2);
        e.w->SlotMoveL();
        // The first area moved; the polygon would come within 3 px of the edge: it and the rest stay.
        QCOMPARE(e.rect(0), first.translated(-1, 0));
        QCOMPARE(e.edit().polygon[0][1].points.front(), QPoint(3, 3 * s));
        QCOMPARE(e.rect(2), third);
    }

    void editorColumnPagesAndCameras()
    {
        Editor e(2);
        // "All cameras" with a source other than live picks the last camera.
        QCOMPARE(e.column->cameraCombo->count(), 3);
        e.column->cameraCombo->setCurrentIndex(2);
        QCOMPARE(e.rig.host.state.selCamera, 1);
        // Live: all cameras may be shown; the drawing tools then do nothing.
        e.column->setSource(1);
        e.column->cameraCombo->setCurrentIndex(2);
        QCOMPARE(e.rig.host.state.selCamera, 2);
        e.column->SlotDrawRect();
        QCOMPARE(e.rig.host.edit.drawKind, 0);
        // A tap on a view while all are shown selects that camera.
        Tap(e.rig.widget(1), QPoint(50, 50));
        QCOMPARE(e.rig.host.state.selCamera, 1);
        QVERIFY(e.rig.host.layouts > 0);

        // Template page and drawing page.
        e.column->setSource(0);
        QVERIFY(e.column->pageButton->isVisibleTo(e.column));
        const bool drawing = e.column->rectButton->isVisibleTo(e.column);
        e.column->SlotChangeOp();
        QCOMPARE(e.column->rectButton->isVisibleTo(e.column), !drawing);
        QCOMPARE(e.column->deleteTemplateButton->isVisibleTo(e.column), drawing);
        // The column moves to the other edge and back.
        e.column->SlotShowHide();
        QCOMPARE(e.column->x(), 0);
        e.column->SlotShowHide();
        // Flush with the right edge: all of its 120 or 240 px on the screen.
        QCOMPARE(e.column->x(), gShowW - (gShowW <= 1024 ? 120 : 240));

        // End Set outside an alarm closes the column.
        e.column->show();
        e.column->SlotReturn();
        QCOMPARE(gSource, -1);
        QVERIFY(!e.column->isVisible());
        QCOMPARE(e.rig.host.state.verdictState, int(VerdictIdle));
    }

    void alarmViewAndItsPassword()
    {
        Editor e;
        e.rig.host.state.verdictState = VerdictAlarm;
        e.column->Reset(false);
        QCOMPARE(gSource, 1);
        QVERIFY(e.column->reCheckButton->isVisibleTo(e.column));
        QVERIFY(!e.column->returnButton->isVisibleTo(e.column));
        // A refused password keeps the live image (it keeps refreshing).
        e.rig.host.passwordLevel = 0;
        e.column->setSource(0);
        QCOMPARE(gSource, 1);
        QCOMPARE(e.column->sourceCombo->currentIndex(), 1);
        e.rig.host.passwordLevel = 1;
        e.column->setSource(0);
        QCOMPARE(gSource, 0);
        // End Set during the alarm goes back to the live image, the column stays.
        e.column->show();
        e.column->SlotReturn();
        QCOMPARE(gSource, 1);
        QVERIFY(e.column->isVisible());
    }

    // Pictures for a person to look at when MOJU_SHOTS_DIR names a folder.
    void grabScreens_data() { AddLanguageRows(); }
    void grabScreens()
    {
        MOJU_SKIP_WITHOUT_SHOTS();
        QFETCH(int, lan);
        gLan = lan;
        Editor e;
        e.rig.para.showAllParams = 1;
        e.rig.para.enableSpot = 1;
        e.rig.para.showMouldNumber = 1;
        FrameBytes t = ZeroFrameBytes(size_t(e.w->CammerWidgetData::layout().colorLen()));
        QVERIFY(e.w->TemplateFrame(0, 0, t));
        for (int y = 120; y < 360; ++y)
            std::fill_n(t.begin() + y * ViewRig::kW + 160, 320, uint8_t(60 + (y % 40)));
        QVERIFY(e.w->SetTemplate(0, 0, t));
        e.column->Reset(true);
        const int s = gShowW / 20;
        e.column->SlotDrawCircle();
        Drag(e.w, QPoint(2 * s, 8 * s), QPoint(5 * s, 11 * s));
        e.column->SlotDrawRect();
        Drag(e.w, QPoint(7 * s, 3 * s), QPoint(11 * s, 6 * s));
        e.w->SlotChangeFunc();
        QWidget screen;
        screen.resize(gShowW, gShowH);
        e.w->setParent(&screen);
        e.w->setGeometry(0, 0, gShowW, gShowH);
        e.column->setParent(&screen);
        e.column->SlotChangePage();
        e.w->show();
        e.column->show();
        QVERIFY(screen.grab().save(ShotPath(QStringLiteral("editor-drawing"))));
        e.column->SlotChangeOp();
        e.w->DeselectROI();
        e.w->ShowHideROIPara();
        QVERIFY(screen.grab().save(ShotPath(QStringLiteral("editor-templates"))));
        e.w->setParent(nullptr);
        e.column->setParent(nullptr);
        gLan = 0;
    }
};

MOJU_TEST_MAIN(TestRoiEditor)
#include "test_roi_editor.moc"
