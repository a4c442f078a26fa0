// The live view of one camera drawn offscreen: NG boxes at the defect after
// the view scale, outlines at their view coordinates, counts, the alarm
// blink; result pictures for the saver; ignore masks and deleted areas.
#include "ViewRig.h"

#include "records/Counters.h"
#include "foundation/MainGlobals.h"
#include "records/SaveFialImageThread.h"
#include "camera/CameraGlobals.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "inspect/CammerRecong.h"
#include "params/CammerSingleton.h"
#include "view/CammerWidget.h"
#include "view/LiveViewPainter.h"
#include "view/ResultPicture.h"

#include <opencv2/imgcodecs.hpp>

#include <QFile>
#include <QMutexLocker>
#include <QPainter>
#include <QTimer>

namespace {
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kGreen = qRgb(0, 255, 0);
const QRect kDefect(300, 200, 20, 15);     // frame pixels
const QRect kAreaFrame(240, 160, 160, 120);  // frame pixels

// The centre of a frame pixel on a full-screen view.
QPoint OnScreen(double fx, double fy)
{
    return QPoint(int((fx + 0.5) * gShowW / ViewRig::kW), int((fy + 0.5) * gShowH / ViewRig::kH));
}

struct PictureSlots {
    PictureSlots() { std::fill(&gFailIndex[0][0], &gFailIndex[0][0] + 64, 0); }
    ~PictureSlots()
    {
        for (auto& s : gpFailImage[0])
            for (QImage& b : s)
                b = QImage();
    }
    QImage picture(int step, int slot)
    {
        QMutexLocker lock(pMutexSaveFail);
        return gpFailImage[0][step][slot].copy();
    }
};
}  // namespace

class TestLiveView : public QObject {
    Q_OBJECT

    // One camera judging a frame with a bright defect inside its one area.
    void JudgeDefect(ViewRig& rig)
    {
        rig.SetFrame(0, 100, 250, kDefect);
        rig.AddLiveRect(0, 0, ViewRig::ToView(kAreaFrame));
        CammerWidget* w = rig.widget();
        w->engine->ShapeMatch(0, InspectHost::instance().params());
        w->engine->Run(0);
    }

private slots:
    void ngBoxesAtTheDefectAndTheBlink()
    {
        ViewRig rig;
        JudgeDefect(rig);
        CammerWidget* w = rig.widget();
        QCOMPARE(int(w->cameraOK), 0);
        QVERIFY(w->roiMarks[0][0][0][0] >= 1);

        // The alarm view: boxes in red at the defect, scaled to the screen.
        rig.host.state.verdictState = VerdictAlarm;
        gSource = 1;
        QImage img = rig.Grab();
        QVERIFY(HasColourNear(img, OnScreen(kDefect.left(), kDefect.center().y()), kRed));
        QVERIFY(HasColourNear(img, OnScreen(kDefect.center().x(), kDefect.bottom() + 1), kRed));
        QVERIFY(!HasColourNear(img, OnScreen(kDefect.center().x(), kDefect.center().y()), kRed));  // white inside
        // The area's outline is red too (the camera and the area are NG).
        QVERIFY(HasColourNear(img, OnScreen(kAreaFrame.left(), kAreaFrame.center().y()), kRed));

        // The blink fills the NG pixels red every other second.
        w->blinkTimer->start(1000);
        w->TimerShowAlarm();
        QCOMPARE(w->blinkPhase, 1);
        img = rig.Grab();
        QVERIFY(HasColourNear(img, OnScreen(kDefect.center().x(), kDefect.center().y()), kRed, 0));
        w->TimerShowAlarm();
        QCOMPARE(w->blinkPhase, 0);
        img = rig.Grab();
        QVERIFY(!HasColourNear(img, OnScreen(kDefect.center().x(), kDefect.center().y()), kRed, 0));
        // Once the camera is OK again the blink stops.
        w->TimerShowAlarm();
        w->cameraOK = 1;
        w->TimerShowAlarm();
        QCOMPARE(w->blinkPhase, 0);
        QVERIFY(!w->blinkTimer->isActive());
    }

    // A colour frame is shown where it lies: the blink's NG pixels reach the
    // screen but not the judged frame (NG ring, result picture), and a view
    // that is not to follow keeps its picture while the buffer is overwritten.
    // A view frozen on the judged frame keeps it while the buffer takes the
    // next one: a colour frame drawn where it lies, a grey one drawn as it lies.
    void viewKeepsTheJudgedFrame_data()
    {
        QTest::addColumn<bool>("colour");
        QTest::newRow("colour") << true;
        QTest::newRow("grey") << false;
    }

    void viewKeepsTheJudgedFrame()
    {
        QFETCH(bool, colour);
        ViewRig rig(1, 2, 3, colour);
        CammerWidget* w = rig.widget();
        rig.AddLiveRect(0, 0, ViewRig::ToView(kAreaFrame));
        auto fill = [&](FrameBytes& buffer, int v) {
            if (!colour) {
                std::fill_n(buffer.begin(), gImageLen, uint8_t(v));
                return;
            }
            auto* px = reinterpret_cast<quint32*>(buffer.data());
            std::fill(px, px + gImageLen, quint32(qRgb(v, v / 2, 80)));
        };
        const QRgb judgedColour = colour ? qRgb(40, 20, 80) : qRgb(40, 40, 40);
        const QRgb nextColour = colour ? qRgb(200, 100, 80) : qRgb(200, 200, 200);
        FrameBytes& frame = w->judgedFrame();  // the work buffer itself
        fill(frame, 40);
        w->cameraOK = 0;
        w->roiOK[0][0] = 0;
        for (int y = kDefect.top(); y <= kDefect.bottom(); ++y)
            std::fill_n(w->ngMap.begin() + y * ViewRig::kW + kDefect.left(), kDefect.width(), uint8_t(255));
        const FrameBytes judged = frame;
        rig.host.state.verdictState = VerdictAlarm;
        gSource = 1;
        w->ShowFrame(frame);
        w->blinkPhase = 1;
        const QPoint defect = OnScreen(kDefect.center().x(), kDefect.center().y());
        QVERIFY(HasColourNear(rig.Grab(), defect, kRed, 0));
        QVERIFY(frame == judged);

        w->blinkPhase = 0;
        QVERIFY(HasColourNear(rig.Grab(), defect, judgedColour, 0));
        w->BeforeFrameWrite(frame, false);
        fill(frame, 200);
        QVERIFY(HasColourNear(rig.Grab(), defect, judgedColour, 0));
        // Shown again, the new frame is what the view draws.
        w->ShowFrame(frame);
        QVERIFY(HasColourNear(rig.Grab(), defect, nextColour, 0));
    }

    // An NG frame held on screen while the ring holds it is kept at the
    // view's size; zoomed in, the view takes the full frame back.
    void keptNgFrameAtTheViewsSize()
    {
        ViewRig rig(1, 2, 3, true);
        CammerWidget* w = rig.widget();
        FrameBytes& frame = w->judgedFrame();
        auto* px = reinterpret_cast<quint32*>(frame.data());
        std::fill(px, px + gImageLen, quint32(qRgb(40, 60, 80)));
        w->KeepRecentNg(0);
        w->resize(ViewRig::kW / 4, ViewRig::kH / 4);
        gSource = 1;
        w->ShowFrame(frame);
        w->BeforeFrameWrite(frame, false);
        std::fill(px, px + gImageLen, quint32(qRgb(200, 180, 20)));
        QVERIFY(w->displayScaled());
        QCOMPARE(w->displayImage().size(), w->size());
        QCOMPARE(w->displayImage().pixel(3, 3), qRgb(40, 60, 80));
        rig.host.state.selCamera = 0;
        rig.host.state.zoomScale = 2.0;
        QCOMPARE(w->displayImage().size(), QSize(ViewRig::kW, ViewRig::kH));
        QCOMPARE(w->displayImage().pixel(ViewRig::kW - 1, ViewRig::kH - 1), qRgb(40, 60, 80));
        rig.host.state.zoomScale = 1.0;
    }

    void outlinesAtViewCoordinatesAndCounts()
    {
        ViewRig rig;
        CammerWidget* w = rig.widget();
        rig.SetFrame(0, 100);
        const QRect view(gShowW / 4, gShowH / 4, gShowW / 4, gShowH / 4);
        rig.AddLiveRect(0, 0, view);
        rig.host.state.verdictState = VerdictShowing;
        gSource = -1;
        QImage img = rig.Grab();
        QVERIFY(HasColourNear(img, QPoint(view.left(), view.center().y()), kGreen, 1));
        QVERIFY(HasColourNear(img, QPoint(view.center().x(), view.bottom()), kGreen, 1));
        QVERIFY(!HasColourNear(img, view.center(), kGreen, 3));

        // A positioning area is not drawn on the live image.
        w->liveSet->algorithm[0][0] = 3;
        img = rig.Grab();
        QVERIFY(!HasColourNear(img, QPoint(view.left(), view.center().y()), kGreen, 1));

        // The count line changes with the counts (and is green).
        const QRect line = gShowW <= 1024 ? QRect(320, 0, 400, 30) : QRect(750, 0, 800, 50);
        gFailNum[0] = 0;
        gAllNum[0] = 0;
        const QImage before = rig.Grab().copy(line);
        gFailNum[0] = 12345;
        gAllNum[0] = 67890;
        const QImage after = rig.Grab().copy(line);
        QVERIFY(before != after);
        bool green = false;
        for (int y = 0; y < after.height() && !green; ++y)
            for (int x = 0; x < after.width() && !green; ++x)
                green = (after.pixel(x, y) & 0xFFFFFF) == (kGreen & 0xFFFFFF);
        QVERIFY(green);
        gFailNum[0] = gAllNum[0] = 0;
    }

    void distanceAreasDrawOnlyTheirEdgePoints()
    {
        ViewRig rig;
        CammerWidget* w = rig.widget();
        rig.SetFrame(0, 100);
        rig.AddLiveRect(0, 0, ViewRig::ToView(kAreaFrame), 9, 1, 35, 50);
        // Boxes left over from an earlier cycle, and marks far outside the frame.
        w->roiMarks[0][0][0][0] = 150;
        for (int b = 1; b < 100; ++b) {
            w->roiMarks[0][0][b][0] = -5000;
            w->roiMarks[0][0][b][1] = -5000;
            w->roiMarks[0][0][b][2] = 100000;
            w->roiMarks[0][0][b][3] = 100000;
        }
        w->roiMarks[0][0][1][1] = 0;  // no edge found this time
        w->cameraOK = 0;
        w->roiOK[0][0] = 0;
        rig.host.state.verdictState = VerdictAlarm;
        gSource = 1;
        QImage img = rig.Grab();
        QVERIFY(!HasColourNear(img, QPoint(2, gShowH / 2), kRed, 1));  // no box at the frame edge
        // A second area of another kind with the same impossible boxes: clamped, drawn at the edge.
        rig.AddLiveRect(0, 0, ViewRig::ToView(QRect(10, 10, 50, 50)));
        std::memcpy(w->roiMarks[0][1], w->roiMarks[0][0], sizeof w->roiMarks[0][0]);
        w->roiOK[0][1] = 0;
        img = rig.Grab();
        QVERIFY(HasColourNear(img, QPoint(1, gShowH / 2), kRed, 2));
    }

    void resultPicturesMarkTheDefect()
    {
        ViewRig rig;
        PictureSlots pictures;
        JudgeDefect(rig);
        CammerWidget* w = rig.widget();
        w->SaveFailImage(0, 0);
        QCOMPARE(gFailIndex[0][0], 1);
        QImage ng = pictures.picture(0, 0);
        // In frame pixels: the marks enclose the defect.
        QCOMPARE(ng.pixel(kDefect.left(), kDefect.center().y()), kRed);
        QCOMPARE(ng.pixel(kDefect.center().x(), kDefect.top()), kRed);
        QCOMPARE(ng.pixel(kDefect.center().x(), kDefect.center().y()), qRgb(250, 250, 250));
        QCOMPARE(ng.pixel(kAreaFrame.left(), kAreaFrame.center().y()), kRed);
        // A later NG picture of the same step keeps the first marker.
        gFailIndex[0][0] = 3;
        w->SaveFailImage(0, 0);
        QCOMPARE(gFailIndex[0][0], 3);

        // Judged again: the NG picture is noted, then the OK picture.
        int& code = rig.host.state.imageDecision[0][0];
        code = 7;
        const QImage plain = pictures.picture(0, 0);
        w->UpdateFailImage(0, 0);
        QCOMPARE(code, 8);
        QVERIFY(pictures.picture(0, 0) != plain);
        w->UpdateFailImage(0, 1);
        QCOMPARE(code, 10);
        const QImage noted = pictures.picture(0, 0);
        w->UpdateFailImage(0, 0);  // nothing left to add
        QCOMPARE(pictures.picture(0, 0), noted);
        code = 4;
        w->UpdateFailImage(0, 0);
        QCOMPARE(code, 9);

        // Each code's lines on the kept RGB888 picture are the bytes they get
        // on a whole RGB32 frame.
        QCOMPARE(plain.format(), QImage::Format_RGB888);
        for (const int start : {4, 5, 6, 7, 8}) {
            {
                QMutexLocker lock(pMutexSaveFail);
                gpFailImage[0][0][0] = plain.copy();
            }
            QImage whole = plain.convertToFormat(QImage::Format_RGB32);
            int next = start;
            QVERIFY(ResultPicture::AddCodeLines(whole, &next));
            code = start;
            w->UpdateFailImage(0, 0);
            QCOMPARE(code, next);
            const QImage noted = pictures.picture(0, 0);
            QVERIFY(noted != plain);
            QCOMPARE(noted, whole.convertToFormat(QImage::Format_RGB888));
            // Packed while it waits: the same bytes once unpacked.
            {
                QMutexLocker lock(pMutexSaveFail);
                gpFailImage[0][0][0] = QImage();
                gPackedFail[0][0][0] = PackPicture(plain);
            }
            code = start;
            w->UpdateFailImage(0, 0);
            QMutexLocker lock(pMutexSaveFail);
            QCOMPARE(UnpackPicture(std::exchange(gPackedFail[0][0][0], PackedPicture())), noted);
        }
    }

    void ignoredPointsMakeTheCycleOkAndRoundTrip()
    {
        ViewRig rig;
        JudgeDefect(rig);
        CammerWidget* w = rig.widget();
        QCOMPARE(int(w->cameraOK), 0);
        FrameBytes& mask = w->ignorePointMask[0];
        for (int y = kDefect.top() - 2; y <= kDefect.bottom() + 2; ++y)
            std::fill_n(mask.begin() + y * ViewRig::kW + kDefect.left() - 2, kDefect.width() + 4, uint8_t(255));
        mask[7] = 255;
        w->engine->VarTrain(0);
        w->engine->Run(0);
        QCOMPARE(int(w->cameraOK), 1);

        // The file: BMP rows as OpenCV writes them, read back byte for byte.
        QVERIFY(w->SaveIgnorePoint(0));
        const QString path = w->GroupFile(0, QStringLiteral("ignorepoint.bmp"));
        cv::Mat ref(ViewRig::kH, ViewRig::kW, CV_8UC1, mask.data());
        QVERIFY(cv::imwrite("ref.bmp", ref));
        QFile ours(path);
        QFile theirs(QStringLiteral("ref.bmp"));
        QVERIFY(ours.open(QIODevice::ReadOnly) && theirs.open(QIODevice::ReadOnly));
        const QByteArray a = ours.readAll();
        const QByteArray b = theirs.readAll();
        QCOMPARE(a.size(), b.size());
        // Header fields both read the same way; then palette and padded rows equal.
        QCOMPARE(a.mid(0, 2), b.mid(0, 2));
        QCOMPARE(a.mid(10, 16), b.mid(10, 16));  // data offset, header size, width, height
        QCOMPARE(a.mid(28, 2), b.mid(28, 2));    // bits per pixel
        QCOMPARE(a.mid(54), b.mid(54));

        const FrameBytes saved = mask;
        std::fill(mask.begin(), mask.end(), 0);
        w->LoadIgnorePoint();
        QVERIFY(w->ignorePointMask[0] == saved);
        // A mask of another depth or size is not taken.
        QImage colour(ViewRig::kW, ViewRig::kH, QImage::Format_RGB32);
        colour.fill(Qt::white);
        QVERIFY(colour.save(path));
        QImage small(ViewRig::kW - 1, ViewRig::kH, QImage::Format_Grayscale8);
        small.fill(255);
        QVERIFY(small.save(w->GroupFile(1, QStringLiteral("ignorepoint.bmp"))));
        w->LoadIgnorePoint();
        for (int g = 0; g < 2; ++g)
            QVERIFY(std::all_of(w->ignorePointMask[g].begin(), w->ignorePointMask[g].end(), [](uint8_t v) { return v == 0; }));
    }

    void deletingAnAreaMovesItsNeighboursDown()
    {
        ViewRig rig;
        CammerWidget* w = rig.widget();
        for (int j = 0; j < 3; ++j)
            rig.AddLiveRect(0, 0, ViewRig::ToView(QRect(50 + 150 * j, 100, 100 + 10 * j, 100)), 0, 3, 40 + j);
        CammerSingleton& live = *w->liveSet;
        live.NGCount[0][0] = 5;
        live.NGCount[0][1] = 6;
        live.NGCount[0][2] = 7;
        *w->editSet = live;
        w->BackMask();
        std::fill(w->ignorePointMask[0].begin(), w->ignorePointMask[0].end(), uint8_t(255));

        w->DeleteROI(0, 1);
        CammerSingleton& edit = *w->editSet;
        QCOMPARE(edit.count[0], 2);
        QCOMPARE(edit.sensibility[0][1], 42);
        QCOMPARE(edit.NGCount[0][1], 7);
        QCOMPARE(w->editMasks[0][1].cols, w->liveMasks[0][2].cols);
        // Until the edit is saved the ignore points stay, in memory and on disk.
        QCOMPARE(int(w->ignorePointMask[0][size_t(150 * ViewRig::kW + 250)]), 255);
        QVERIFY(!QFile::exists(w->GroupFile(0, QStringLiteral("ignorepoint.bmp"))));
        w->DeleteROI(0, 5);  // beyond the count: nothing
        QCOMPARE(edit.count[0], 2);

        // Counting went on meanwhile; the saved set keeps each area's own counter.
        live.NGCount[0][2] = 9;
        CammerSingleton saved = edit;
        w->CarryNgCounters(saved);
        QCOMPARE(saved.NGCount[0][0], 5);
        QCOMPARE(saved.NGCount[0][1], 9);
        QVERIFY(w->ApplyIgnoreClears(0));
        QCOMPARE(int(w->ignorePointMask[0][size_t(150 * ViewRig::kW + 250)]), 0);
        QCOMPARE(int(w->ignorePointMask[0][size_t(150 * ViewRig::kW + 100)]), 255);
    }

    void statusWordCountsTheReDetections_data()
    {
        QTest::addColumn<int>("run");
        QTest::addColumn<int>("pending");
        QTest::addColumn<int>("left");
        QTest::addColumn<int>("countdown");
        QTest::addColumn<QString>("word");
        QTest::newRow("second of three") << int(RunDetecting) << 1 << 1 << 2 << QStringLiteral("2次重检中");
        QTest::newRow("none done yet") << int(RunDetecting) << 1 << 3 << 2 << LanStrIn(528, 0);
        QTest::newRow("not re-detecting") << int(RunDetecting) << 0 << 1 << 3 << LanStrIn(529, 0);
        QTest::newRow("stopped") << int(RunStopped) << 1 << 1 << 2 << LanStrIn(311, 0);
    }
    void statusWordCountsTheReDetections()
    {
        QFETCH(int, run);
        QFETCH(int, pending);
        QFETCH(int, left);
        QFETCH(int, countdown);
        QFETCH(QString, word);
        LoadLanguageTable();
        WizardPara p;
        p.recheckCount2 = 3;
        CycleState st;
        st.runState = run;
        st.reDetectPending = pending;
        st.reDetectLeft[1] = left;
        st.reDetectLeft[0] = 7;  // another step's count must not leak in
        st.countdownState = countdown;
        QColor colour;
        QCOMPARE(LiveViewPainter::StatusWord(st, p, 1, &colour), word);
    }

    // Pictures for a person to look at when MOJU_SHOTS_DIR names a folder.
    void grabScreens_data() { AddLanguageRows(); }
    void grabScreens()
    {
        MOJU_SKIP_WITHOUT_SHOTS();
        QFETCH(int, lan);
        ViewRig rig;
        gLan = lan;
        JudgeDefect(rig);
        rig.AddLiveRect(0, 0, ViewRig::ToView(QRect(60, 60, 120, 80)), 1, 12800, 80, 500);
        rig.AddLiveRect(0, 0, ViewRig::ToView(QRect(430, 300, 150, 120)), 7, 1, 128, 0x640001);
        rig.widget()->engine->Run(0);
        rig.host.state.verdictState = VerdictAlarm;
        rig.host.state.countdownState = 2;
        rig.host.fps = 25;
        gAllNum[0] = 1532;
        gFailNum[0] = 7;
        gSource = 1;
        QVERIFY(rig.Grab().save(ShotPath(QStringLiteral("liveview-alarm"))));
        PictureSlots pictures;
        rig.widget()->SaveFailImage(0, 0);
        rig.host.state.imageDecision[0][0] = 7;
        rig.widget()->UpdateFailImage(0, 0);
        QVERIFY(pictures.picture(0, 0).save(ShotPath(QStringLiteral("result-ng"))));
        gLan = 0;
        gAllNum[0] = gFailNum[0] = 0;
    }
};

MOJU_TEST_MAIN(TestLiveView)
#include "test_live_view.moc"
