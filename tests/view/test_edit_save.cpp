// Leaving the ROI editor: what counts as a change, the question, the change
// log, the database and the retraining; ignoring an alarm's pixels; the
// area proposed for a new mould.
#include "ViewRig.h"

#include "foundation/MainGlobals.h"
#include "camera/CameraGlobals.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "inspect/CammerRecong.h"
#include "params/CammerSingleton.h"
#include "view/AreaTexts.h"
#include "view/AutoRegion.h"
#include "view/CammerWidget.h"
#include "view/DrawROIWidget.h"
#include "view/RoiChangeLog.h"

#include <opencv2/imgproc.hpp>

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>

#include <cstring>
#include <QSqlQuery>

namespace {
void Rect(CammerSingleton& s, int g, int j, QRect r, int code = 0, int sens = 45)
{
    s.roi_type[g][j] = CammerSingleton::kRect;
    s.rect[g][j] = ClustomRect(r);
    s.algorithm[g][j] = code;
    s.min_size[g][j] = 3;
    s.sensibility[g][j] = sens;
    s.max_area[g][j] = 100;
    s.count[g] = std::max(s.count[g], j + 1);
}

struct Editing {
    explicit Editing(int cameras = 1) : rig(cameras)
    {
        rig.host.state.selCamera = 0;
        column = new DrawROIWidget;
        rig.host.column = column;
    }
    ~Editing() { delete column; }
    // An area in the live set, trained, then the editor opened on it.
    void LiveArea(int c, int g, QRect view, int code = 0)
    {
        rig.AddLiveRect(c, g, view, code);
    }
    void Open() { column->Reset(true); }
    ViewRig rig;
    DrawROIWidget* column = nullptr;
    PopupAnswerer answers;
};
}  // namespace

class TestEditSave : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void changeLogLines_data()
    {
        QTest::addColumn<int>("scenario");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<bool>("positioning");
        const QString camera2mould = LanStrIn(73, 1).arg(QStringLiteral("2"), LanStrIn(264, 1));
        const QString camera2prod = LanStrIn(73, 1).arg(QStringLiteral("2"), LanStrIn(263, 1));
        QTest::newRow("sensitivity of a defect rectangle")
            << 0
            << QStringList{camera2mould
                           + LanStrIn(99, 1).arg(LanStrIn(74, 1), QStringLiteral("1"), LanStrIn(84, 1),
                                                 LanStrIn(97, 1).arg(LanStrIn(94, 1).arg(QStringLiteral("45"), QStringLiteral("60")), QString(), QString()),
                                                 QString())}
            << false;
        // A new function is named even when no limit changed (each by its own name).
        const QString newFunction = LanStrIn(82, 1) + LanStrIn(25, 1) + LanStrIn(83, 1);
        QTest::newRow("to an ignore area in place")
            << 1 << QStringList{camera2mould + LanStrIn(99, 1).arg(LanStrIn(74, 1), QStringLiteral("1"), newFunction, LanStrIn(17, 1), QString())}
            << false;
        QTest::newRow("lowest grey of a spot")
            << 2
            << QStringList{camera2mould
                           + LanStrIn(99, 1).arg(LanStrIn(74, 1), QStringLiteral("1"), LanStrIn(84, 1),
                                                 LanStrIn(89, 1).arg(LanStrIn(85, 1).arg(QStringLiteral("0"), QStringLiteral("30")), QString(), QString(), QString()),
                                                 QString())}
            << false;
        QTest::newRow("added in one step, deleted in the other")
            << 3
            << QStringList{camera2prod
                               + LanStrIn(80, 1).arg(LanStrIn(74, 1), QStringLiteral("2"),
                                                     LanStrIn(79, 1).arg(QStringLiteral("3"), QStringLiteral("45"), QStringLiteral("100"))),
                           camera2mould + LanStrIn(81, 1).arg(LanStrIn(75, 1), QStringLiteral("1"), LanStrIn(25, 1))}
            << true;
        QTest::newRow("moved and changed function")
            << 4
            << QStringList{camera2mould
                           + LanStrIn(99, 1).arg(LanStrIn(74, 1), QStringLiteral("1"),
                                                 LanStrIn(82, 1) + LanStrIn(25, 1) + LanStrIn(83, 1), LanStrIn(398, 1), LanStrIn(98, 1))}
            << false;
        QTest::newRow("defect to similarity, nothing else")
            << 5 << QStringList{camera2mould + LanStrIn(99, 1).arg(LanStrIn(74, 1), QStringLiteral("1"), newFunction, LanStrIn(398, 1), QString())}
            << false;
        QTest::newRow("cavity marks")
            << 6 << QStringList{camera2mould + LanStrIn(1140, 1).arg(QStringLiteral("4")) + LanStrIn(250, 1) + QStringLiteral(", ")
                                + LanStrIn(1140, 1).arg(QStringLiteral("6")) + LanStrIn(251, 1)}
            << false;
        QTest::newRow("output number")
            << 7 << QStringList{camera2prod + LanStrIn(1141, 1).arg(QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("3"))}
            << false;
        // A machine type without step names: the step's place, not an error text.
        QTest::newRow("step of an unnamed type")
            << 8 << QStringList{LanStrIn(73, 1).arg(QStringLiteral("2"), LanStrIn(478, 1))
                                + LanStrIn(99, 1).arg(LanStrIn(74, 1), QStringLiteral("1"), LanStrIn(84, 1),
                                                      LanStrIn(97, 1).arg(LanStrIn(94, 1).arg(QStringLiteral("45"), QStringLiteral("60")), QString(), QString()),
                                                      QString())}
            << false;
    }
    void changeLogLines()
    {
        QFETCH(int, scenario);
        QFETCH(QStringList, lines);
        QFETCH(bool, positioning);
        const int lan = gLan;
        gLan = kLanEn;
        CammerSingleton live(1);
        Rect(live, 0, 0, QRect(10, 10, 50, 50));
        Rect(live, 1, 0, QRect(100, 100, 50, 50));
        CammerSingleton edit = live;
        switch (scenario) {
        case 0:
            edit.sensibility[1][0] = 60;
            edit.NGCount[1][0] = 9;  // counting is no change of the area
            break;
        case 1:
            edit.algorithm[1][0] = 2;
            edit.sensibility[1][0] = 99;
            break;
        case 2:
            live.algorithm[1][0] = edit.algorithm[1][0] = 1;
            live.min_size[1][0] = edit.min_size[1][0] = 50 * 256;
            edit.min_size[1][0] = 50 * 256 + 30;
            break;
        case 3:
            Rect(edit, 0, 1, QRect(300, 10, 50, 50), 3);
            live.roi_type[1][0] = CammerSingleton::kCircle;
            live.circle[1][0] = Circle(120, 120, 30);
            edit.count[1] = 0;
            break;
        case 4:
            edit.algorithm[1][0] = 6;
            edit.rect[1][0].translate(5, 0);
            break;
        case 5:
            edit.algorithm[1][0] = 6;
            break;
        case 6:
            live.cavity[1][5] = 2;
            edit.cavity[1][3] = 2;
            break;
        case 7:
            edit.output_point[0] = 2;
            break;
        case 8:
            edit.sensibility[1][0] = 60;
            break;
        }
        const RoiChangeLog::Result r = RoiChangeLog::Lines(live, edit, 1, scenario == 8 ? 5 : 0, 2);
        gLan = lan;
        QCOMPARE(r.lines, lines);
        QCOMPARE(r.positioning, positioning);
        QVERIFY(RoiChangeLog::Differ(live, edit));
    }

    void savingAsksOnlyForStoredChanges()
    {
        Editing e;
        CammerWidget* w = e.rig.widget();
        e.LiveArea(0, 0, QRect(100, 100, 200, 150));
        e.Open();
        // Nothing changed: nothing asked. Counting and selecting change nothing either.
        e.column->SlotSaveData();
        w->liveSet->NGCount[0][0] = 4;
        w->selectedRoi = 0;
        SelectArea(*w->editSet, 0, 0, true);
        e.column->SlotSaveData();
        QVERIFY(e.answers.seen().isEmpty());

        w->editSet->sensibility[0][0] = 70;
        e.answers.queue(0);
        e.column->SlotSaveData();
        QCOMPARE(e.answers.seen().value(0).text, LanStr(72));
        QCOMPARE(w->liveSet->sensibility[0][0], 45);
        QCOMPARE(w->editSet->sensibility[0][0], 70);  // kept for the next save
        QVERIFY(e.rig.host.log.isEmpty());

        w->liveSet->NGCount[0][0] = 5;  // the cycle counted on meanwhile
        e.column->SlotSaveData();
        QCOMPARE(w->liveSet->sensibility[0][0], 70);
        QCOMPARE(w->liveSet->NGCount[0][0], 5);
        QVERIFY(!AreaSelected(*w->liveSet, 0, 0));
        QCOMPARE(e.rig.host.log.size(), 1);
        // Stored: a fresh set read from the database has it.
        CammerSingleton stored(0);
        QVERIFY(stored.LoadDatafromFile(nullptr));
        QCOMPARE(stored.count[0], 1);
        QCOMPARE(stored.sensibility[0][0], 70);
        QCOMPARE(stored.NGCount[0][0], 5);

        // A refused save tells the operator and keeps the edit in the open
        // column ("End Set" does not close it), so the setter can retry.
        QSqlQuery(QSqlDatabase::database(QStringLiteral("dbIn"))).exec(QStringLiteral("drop table cammer0"));
        w->editSet->sensibility[0][0] = 80;
        e.answers.clear();
        QVERIFY(e.column->isVisible());
        e.column->SlotReturn();
        QVERIFY(e.column->isVisible());
        QCOMPARE(e.answers.seen().value(1).text, LanStr(1));
        QCOMPARE(w->liveSet->sensibility[0][0], 70);
        QCOMPARE(w->editSet->sensibility[0][0], 80);
        QCOMPARE(e.rig.host.log.size(), 1);
    }

    void retrainingFollowsWhatChanged()
    {
        Editing e(2);
        CammerWidget* w0 = e.rig.widget(0);
        CammerWidget* w1 = e.rig.widget(1);
        // Areas the engines were never trained on.
        for (CammerWidget* w : {w0, w1}) {
            Rect(*w->liveSet, 0, 0, QRect(100, 100, 200, 150));
            w->liveMasks[0][0] = w->liveSet->BuildMask(0, 0);
            QVERIFY(!w->engine->HasGrayMatch(0, 0));
        }
        e.Open();
        e.column->MarkTemplatesChanged(0);
        e.column->SlotSaveData();
        QVERIFY(e.answers.seen().isEmpty());
        QVERIFY(w0->engine->HasGrayMatch(0, 0));   // its templates changed
        QVERIFY(!w1->engine->HasGrayMatch(0, 0));  // nothing of it changed
        QVERIFY(!e.column->templatesChanged(0));

        // A new positioning area rebuilds the shape model: the search window follows it.
        e.rig.para.motionCorrect = 0;
        e.rig.para.positionOffset = 10;
        const QRect frameBox(200, 160, 100, 80);
        Rect(*w1->editSet, 0, 1, ViewRig::ToView(frameBox), 3);
        w1->editMasks[0][1] = w1->editSet->BuildMask(0, 1);
        e.column->SlotSaveData();
        QCOMPARE(e.answers.seen().value(0).text, LanStr(72));
        QCOMPARE(w1->engine->SearchWindow(0), cv::Rect(190, 150, 120, 100));
        QVERIFY(w1->engine->HasGrayMatch(0, 0));  // saved: retrained too
    }

    void pairedStepsAreCopiedAfterTheSave_data()
    {
        QTest::addColumn<int>("machineType");
        QTest::addColumn<int>("sameParams");
        QTest::addColumn<int>("copiedTo");
        QTest::newRow("standard, same parameters") << 0 << 1 << 1;
        QTest::newRow("standard, own parameters") << 0 << 0 << -1;
        QTest::newRow("two-colour") << 1 << 1 << 2;
    }
    void pairedStepsAreCopiedAfterTheSave()
    {
        QFETCH(int, machineType);
        QFETCH(int, sameParams);
        QFETCH(int, copiedTo);
        Editing e;
        e.rig.para.machineType = machineType;
        e.rig.para.twoSameParams = sameParams;
        gDNum = machineType == 0 ? 2 : 4;
        CammerWidget* w = e.rig.widget();
        e.Open();
        Rect(*w->editSet, 0, 0, QRect(100, 100, 200, 150));
        w->editMasks[0][0] = w->editSet->BuildMask(0, 0);
        w->editSet->cavity[1][3] = 2;
        e.column->SlotSaveData();
        const CammerSingleton& live = *w->liveSet;
        QCOMPARE(live.count[0], 1);
        if (copiedTo < 0) {
            QCOMPARE(live.count[1], 0);
        } else {
            QCOMPARE(live.count[copiedTo], 1);
            QCOMPARE(live.rect[copiedTo][0], live.rect[0][0]);
            QVERIFY(!w->liveMasks[copiedTo][0].empty());
        }
        QVERIFY(!RoiChangeLog::Differ(live, *w->editSet));  // the edit set is the saved set
        // The copy into the paired step is told like an edit of that step.
        const QString copied = LanStr(73).arg(QStringLiteral("1"), DetectionName(machineType, copiedTo < 0 ? 1 : copiedTo))
            + LanStr(80).arg(LanStr(74), QStringLiteral("1"), LanStr(78).arg(QStringLiteral("45"), QStringLiteral("3"), QStringLiteral("100")));
        QCOMPARE(e.rig.host.log.contains(copied), copiedTo >= 0);
        gDNum = 2;
    }

    void ignoredAlarmPointsSuppressExactlyTheirPixels()
    {
        Editing e;
        CammerWidget* w = e.rig.widget();
        const QRect small(150, 150, 12, 10);  // 120 px, above the area limit
        const QRect big(420, 200, 60, 50);  // 3000 px
        e.rig.SetFrame(0, 100, 250, small);
        for (int y = big.top(); y <= big.bottom(); ++y)
            std::fill_n(w->workBuffer.begin() + y * ViewRig::kW + big.left(), big.width(), uint8_t(250));
        w->inspectFrame = w->workBuffer;
        e.rig.AddLiveRect(0, 0, ViewRig::ToView(QRect(100, 100, 150, 150)));
        e.rig.AddLiveRect(0, 0, ViewRig::ToView(QRect(380, 150, 200, 150)), 0, 3, 45, 100);
        w->engine->Run(0);
        QCOMPARE(int(w->cameraOK), 0);
        QVERIFY(!w->roiOK[0][0] && !w->roiOK[0][1]);
        const FrameBytes ng = w->ngMap;

        e.rig.host.state.verdictState = VerdictAlarm;
        e.column->Reset(false);
        e.column->SlotIgnoreAlarmPoint();
        QCOMPARE(e.answers.seen().value(0).text, LanStr(113));
        QCOMPARE(e.answers.seen().value(1).text, LanStr(115).arg(2000));
        QCOMPARE(e.rig.host.log, QStringList{LanStr(114).arg(1)});
        const FrameBytes& mask = w->ignorePointMask[0];
        for (int y = 0; y < ViewRig::kH; ++y)
            for (int x = 0; x < ViewRig::kW; ++x) {
                const size_t i = size_t(y) * ViewRig::kW + size_t(x);
                const bool expected = ng[i] && small.contains(x, y);
                if ((mask[i] != 0) != expected)
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
        QVERIFY(QFile::exists(w->GroupFile(0, QStringLiteral("ignorepoint.bmp"))));
        // Retrained: the small defect is ignored, the big one still alarms.
        w->engine->Run(0);
        QVERIFY(w->roiOK[0][0]);
        QVERIFY(!w->roiOK[0][1]);

        // Deleting them all: back to nothing ignored.
        e.column->SlotDeleteIgnorePoint();
        QVERIFY(std::all_of(mask.begin(), mask.end(), [](uint8_t v) { return v == 0; }));
    }

    // A mask that cannot be put in place (a folder stands at its name) is
    // told to the operator and logged; an ROI save then counts as failed,
    // though its areas are stored.
    void ignoreMaskWriteFailureIsTold_data()
    {
        QTest::addColumn<int>("command");
        QTest::newRow("ignore the alarm point") << 0;
        QTest::newRow("delete the ignored points") << 1;
        QTest::newRow("ROI save clearing ignored points") << 2;
    }
    void ignoreMaskWriteFailureIsTold()
    {
        QFETCH(int, command);
        Editing e;
        CammerWidget* w = e.rig.widget();
        const QString path = w->GroupFile(0, QStringLiteral("ignorepoint.bmp"));
        QVERIFY(QDir().mkpath(path));
        if (command < 2) {
            w->cameraOK = 0;
            e.rig.host.state.verdictState = VerdictAlarm;
            e.column->Reset(false);
            if (command == 0)
                e.column->SlotIgnoreAlarmPoint();
            else
                e.column->SlotDeleteIgnorePoint();
        } else {
            e.LiveArea(0, 0, QRect(100, 100, 200, 150));
            e.Open();
            w->DeleteAllROI(0);
            QVERIFY(!e.column->SlotSaveData());
            QCOMPARE(w->liveSet->count[0], 0);
        }
        const QString told = LanStr(1150).arg(QFileInfo(path).absoluteFilePath());
        QCOMPARE(e.answers.seen().last().text, told);
        QCOMPARE(e.rig.host.log.last(), AsLogLine(told));
    }

    void autoRegionIgnoresCameraNoise_data()
    {
        QTest::addColumn<double>("sigma");
        QTest::newRow("sigma 1") << 1.0;
        QTest::newRow("sigma 4") << 4.0;
    }
    void autoRegionIgnoresCameraNoise()
    {
        QFETCH(double, sigma);
        cv::theRNG().state = 39;
        const cv::Rect part(200, 150, 170, 140);
        cv::Mat noise(ViewRig::kH, ViewRig::kW, CV_16SC1);
        cv::Mat a(ViewRig::kH, ViewRig::kW, CV_8UC1, cv::Scalar(100));
        cv::Mat b = a.clone();
        b(part).setTo(200);
        for (cv::Mat* m : {&a, &b}) {
            cv::randn(noise, 0, sigma);
            cv::Mat wide;
            m->convertTo(wide, CV_16SC1);
            wide += noise;
            wide.convertTo(*m, CV_8UC1);
        }
        const AutoRegion::Proposal prop = AutoRegion::Propose(a, b);
        // The part and the 25 px the last widening adds, not the frame.
        const cv::Rect expected(part.x - 25, part.y - 25, part.width + 50, part.height + 50);
        QVERIFY2((prop.frameBox & expected).area() * 10 >= expected.area() * 9
                     && prop.frameBox.area() * 10 <= expected.area() * 11,
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(prop.frameBox.x).arg(prop.frameBox.y)
                                .arg(prop.frameBox.width).arg(prop.frameBox.height)));
    }

    void autoRegionProposesTheDifferingRectangle()
    {
        Editing e;
        CammerWidget* w = e.rig.widget();
        const QRect part(200, 150, 120, 90);
        cv::Mat a(ViewRig::kH, ViewRig::kW, CV_8UC1, cv::Scalar(100));
        cv::Mat b = a.clone();
        QVERIFY(AutoRegion::Propose(a, b).polygon.empty());  // identical: nothing
        cv::line(b, cv::Point(10, 400), cv::Point(600, 400), cv::Scalar(200), 2);
        QVERIFY(AutoRegion::Propose(a, b).polygon.empty());  // too thin to be a part
        b(cv::Rect(part.x(), part.y(), part.width(), part.height())).setTo(200);
        const AutoRegion::Proposal prop = AutoRegion::Propose(a, b);
        QVERIFY(prop.polygon.size() >= 3);
        // The part with the margin the last widening gives (25 px each side).
        const QRect expected = part.adjusted(-25, -25, 25, 25);
        const QRect got(prop.frameBox.x, prop.frameBox.y, prop.frameBox.width, prop.frameBox.height);
        QVERIFY2(std::abs(got.left() - expected.left()) <= 3 && std::abs(got.top() - expected.top()) <= 3
                     && std::abs(got.right() - expected.right()) <= 3 && std::abs(got.bottom() - expected.bottom()) <= 3,
                 qPrintable(QStringLiteral("%1,%2 %3x%4").arg(got.x()).arg(got.y()).arg(got.width()).arg(got.height())));

        // Into the editor: area 0 of the empty step, a defect polygon in view coordinates.
        QVERIFY(w->SetTemplate(0, 0, FrameBytes(a.data, a.data + gImageLen)));
        QVERIFY(w->SetTemplate(1, 0, FrameBytes(b.data, b.data + gImageLen)));
        e.rig.para.filterSize = 4;
        e.rig.para.defectArea = 150;
        e.Open();
        QVERIFY(AutoRegion::Generate(*w, 1, e.rig.para));
        const CammerSingleton& s = *w->editSet;
        QCOMPARE(s.count[1], 1);
        QCOMPARE(s.roi_type[1][0], int(CammerSingleton::kPolygon));
        QCOMPARE(s.algorithm[1][0], 0);
        QCOMPARE(s.min_size[1][0], 4);
        QCOMPARE(s.max_area[1][0], 150);
        // A fifth of the mean difference of the differing pixels (100), less truncation.
        QVERIFY(s.sensibility[1][0] >= 18 && s.sensibility[1][0] <= 20);
        const cv::Rect box = s.RoiBox(1, 0);
        QVERIFY(std::abs(box.x - prop.frameBox.x) <= 2 && std::abs(box.width - prop.frameBox.width) <= 3);
        QVERIFY(!w->editMasks[1][0].empty());
        QCOMPARE(w->liveSet->count[1], 0);
    }
};

MOJU_TEST_MAIN(TestEditSave)
#include "test_edit_save.moc"
