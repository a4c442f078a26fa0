#include "TestSupport.h"

#include <opencv2/imgproc.hpp>

#include "EngineRig.h"
#include "inspect/InspectStep.h"
#include "inspect/ParamRoi.h"
#include "inspect/RoiRules.h"
#include "foundation/OperatorMessage.h"
#include "foundation/uitext.h"
#include "platform/vision/FrameBmp.h"

#include <QDir>
#include <QFileInfo>

namespace {
QStringList gNotes;
constexpr int kW = 320;
constexpr int kH = 240;

InspectParams Params()
{
    InspectParams p;
    p.motionCorrect = -1;
    p.detectOn[0] = 1;
    p.detectOn[1] = 0;
    p.minSpot = 3;
    p.showAllParams = 1;
    return p;
}

// 3 x 3 dots on a 6-pixel grid inside r.
void Dots(cv::Mat& m, const cv::Rect& r, int n, int grey)
{
    const int perRow = r.width / 6;
    for (int i = 0; i < n; ++i)
        cv::rectangle(m, cv::Rect(r.x + 1 + (i % perRow) * 6, r.y + 1 + (i / perRow) * 6, 3, 3),
                      cv::Scalar(grey), cv::FILLED);
}

cv::Mat Texture(int w, int h, int seed)
{
    cv::Mat m(h, w, CV_8UC1);
    cv::RNG rng(static_cast<uint64_t>(seed));
    rng.fill(m, cv::RNG::UNIFORM, 0, 256);
    cv::GaussianBlur(m, m, cv::Size(5, 5), 1.5);
    return m;
}

// Positioning that turns the frame back, and its model box on PartPicture.
InspectParams Turning()
{
    InspectParams p = Params();
    p.motionCorrect = 0;
    p.angleRange = 30;
    return p;
}

void AddPosition(EngineRig& rig)
{
    rig.AddRect(0, RoiCode::Position, cv::Rect(80, 60, 160, 120), 5, 10, 10);
}

// The part moved by (dx, dy) and turned by `angle` degrees about its centre.
cv::Mat Moved(const cv::Mat& part, double dx, double dy, double angle)
{
    cv::Mat a = cv::getRotationMatrix2D(cv::Point2f(part.cols / 2.f, part.rows / 2.f), angle, 1.0);
    a.at<double>(0, 2) += dx;
    a.at<double>(1, 2) += dy;
    cv::Mat out;
    cv::warpAffine(part, out, a, part.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT, cv::Scalar(40));
    return out;
}
}  // namespace

class TestInspectEngine : public QObject {
    Q_OBJECT
private slots:
    void init() { g_listParamROI.clear(); }

    void judgeByCode_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("minSize");
        QTest::addColumn<int>("sens");
        QTest::addColumn<int>("maxArea");
        QTest::addColumn<int>("ngTemplate");
        QTest::addColumn<QRect>("roi");
        QTest::addColumn<int>("bg");
        QTest::addColumn<int>("fg");
        QTest::addColumn<QRect>("patch");  // painted, frame pixels
        QTest::addColumn<int>("dots");     // 3 x 3 dots inside the ROI
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("marks");
        QTest::addColumn<bool>("ok");

        const QRect roi(40, 40, 120, 100);
        const QRect none;
        // Defect against a flat template; kernel 1 (min_size with showAllParams).
        QTest::newRow("0 150 px, limit 100") << 0 << 1 << 45 << 100 << 0 << roi << 100 << 220 << QRect(60, 60, 15, 10) << 0 << 150 << 1 << false;
        QTest::newRow("0 150 px, ng templates") << 0 << 1 << 45 << 100 << 1 << roi << 100 << 220 << QRect(60, 60, 15, 10) << 0 << 150 << 1 << true;
        QTest::newRow("0 100 px at limit") << 0 << 1 << 45 << 100 << 0 << roi << 100 << 220 << QRect(60, 60, 10, 10) << 0 << 100 << 1 << true;
        QTest::newRow("0 100 px, ng templates") << 0 << 1 << 45 << 100 << 1 << roi << 100 << 220 << QRect(60, 60, 10, 10) << 0 << 100 << 1 << true;
        QTest::newRow("0 clean, ng templates") << 0 << 1 << 45 << 100 << 1 << roi << 100 << 220 << none << 0 << 0 << 0 << false;
        QTest::newRow("0 outside the ROI") << 0 << 1 << 45 << 100 << 0 << roi << 100 << 220 << QRect(200, 60, 15, 10) << 0 << 0 << 0 << true;
        // Opening with minSpot 3 (a cross) takes the 4 corners of a square.
        QTest::newRow("1 spot in range") << 1 << 12800 << 80 << 500 << 0 << roi << 150 << 30 << QRect(60, 60, 10, 10) << 0 << 96 << 1 << true;
        QTest::newRow("1 spot too small") << 1 << 12800 << 80 << 500 << 0 << roi << 150 << 30 << QRect(60, 60, 8, 8) << 0 << 60 << 1 << false;
        QTest::newRow("1 spot too big") << 1 << 12800 << 80 << 500 << 0 << roi << 150 << 30 << QRect(60, 60, 25, 25) << 0 << 621 << 1 << false;
        QTest::newRow("1 grey outside band") << 1 << 12800 << 80 << 500 << 0 << roi << 150 << 60 << QRect(60, 60, 10, 10) << 0 << 0 << 0 << false;
        QTest::newRow("4 black at limit") << 4 << 0 << 50 << 96 << 0 << roi << 150 << 20 << QRect(60, 60, 10, 10) << 0 << 96 << 1 << true;
        QTest::newRow("4 black above") << 4 << 0 << 50 << 95 << 0 << roi << 150 << 20 << QRect(60, 60, 10, 10) << 0 << 96 << 1 << false;
        QTest::newRow("5 white above") << 5 << 0 << 200 << 100 << 0 << roi << 100 << 250 << QRect(60, 60, 12, 12) << 0 << 140 << 1 << false;
        QTest::newRow("5 white clean") << 5 << 0 << 200 << 100 << 0 << roi << 100 << 250 << none << 0 << 0 << 0 << true;
        QTest::newRow("7 no blob") << 7 << 1 << 128 << 0x640001 << 0 << roi << 50 << 220 << none << 0 << 0 << 0 << false;
        QTest::newRow("7 100 blobs") << 7 << 1 << 128 << 0x640001 << 0 << roi << 50 << 220 << none << 100 << 100 << 99 << true;
        QTest::newRow("7 101 blobs") << 7 << 1 << 128 << 0x640001 << 0 << roi << 50 << 220 << none << 101 << 101 << 99 << false;
        QTest::newRow("8 kernel does not fit") << 8 << 20 << 128 << 0x640001 << 0 << QRect(40, 40, 40, 40) << 220 << 10 << QRect(50, 50, 20, 20) << 0 << 0 << 0 << false;
        QTest::newRow("8 one black blob") << 8 << 1 << 128 << 0x640001 << 0 << QRect(40, 40, 40, 40) << 220 << 10 << QRect(50, 50, 20, 20) << 0 << 1 << 1 << true;
    }
    void judgeByCode()
    {
        QFETCH(int, code);
        QFETCH(int, minSize);
        QFETCH(int, sens);
        QFETCH(int, maxArea);
        QFETCH(int, ngTemplate);
        QFETCH(QRect, roi);
        QFETCH(int, bg);
        QFETCH(int, fg);
        QFETCH(QRect, patch);
        QFETCH(int, dots);
        QFETCH(int, value);
        QFETCH(int, marks);
        QFETCH(bool, ok);

        InspectParams p = Params();
        p.ngImageTemplate = ngTemplate;
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH);
        const cv::Rect box(roi.x(), roi.y(), roi.width(), roi.height());
        const int j = rig.AddRect(0, code, box, minSize, sens, maxArea);
        rig.SetTemplate(0, 0, Flat(kW, kH, bg));
        rig.Build();

        cv::Mat frame = Flat(kW, kH, bg);
        if (!patch.isNull())
            cv::rectangle(frame, cv::Rect(patch.x(), patch.y(), patch.width(), patch.height()),
                          cv::Scalar(fg), cv::FILLED);
        Dots(frame, box, dots, fg);
        rig.SetFrame(frame);
        rig.Step(0);

        CammerWidgetData& w = *rig.widget;
        QCOMPARE(w.roiValue[0][j], value);
        QCOMPARE(w.roiMarks[0][j][0][0], marks);
        QCOMPARE(bool(w.roiOK[0][j]), ok);
        QCOMPARE(bool(w.cameraOK), ok);
        QVERIFY(globals.host.lines.isEmpty());
        // The NG map holds the measured pixels of the box and nothing outside it.
        const cv::Mat ng = rig.NgMap();
        if (code != RoiCode::WhiteNum && code != RoiCode::BlackNum)
            QCOMPARE(cv::countNonZero(ng(box)), value);
        QCOMPARE(cv::countNonZero(ng) - cv::countNonZero(ng(box)), 0);
        if (marks > 0 && code != RoiCode::WhiteNum && !patch.isNull()) {
            const int32_t* b = w.roiMarks[0][j][1];
            QVERIFY(b[0] >= patch.x() - 1 && b[1] >= patch.y() - 1);
            QVERIFY(b[2] <= patch.x() + patch.width() && b[3] <= patch.y() + patch.height());
        }
    }

    void similarity()
    {
        RigGlobals globals(kW, kH, Params());
        EngineRig rig(kW, kH);
        const cv::Rect box(50, 50, 100, 80);
        const cv::Mat good = Texture(kW, kH, 1);
        const int j = rig.AddRect(0, RoiCode::Similarity, box, 0, 80, 0);
        rig.SetTemplate(0, 0, good);
        rig.Build();
        QVERIFY(rig.engine->HasSurf(0, j));

        rig.SetFrame(good);
        rig.Step(0);
        QVERIFY(rig.widget->roiValue[0][j] >= 95);
        QVERIFY(rig.widget->cameraOK);

        rig.SetFrame(Texture(kW, kH, 2));
        rig.Step(0);
        QVERIFY(rig.widget->roiValue[0][j] < 80);
        QVERIFY(!rig.widget->roiOK[0][j]);
        QVERIFY(!rig.widget->cameraOK);
    }

    void distMeasure_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("frameBarEnd");  // x where the frame's bright bar ends
        QTest::addColumn<int>("found");
        QTest::addColumn<bool>("ok");
        QTest::newRow("60 apart, limit 50") << 50 << 160 << 2 << false;
        QTest::newRow("60 apart, limit 70") << 70 << 160 << 2 << true;
        QTest::newRow("one edge, two taught") << 70 << 320 << 1 << false;
    }
    void distMeasure()
    {
        QFETCH(int, limit);
        QFETCH(int, frameBarEnd);
        QFETCH(int, found);
        QFETCH(bool, ok);
        RigGlobals globals(kW, kH, Params());
        EngineRig rig(kW, kH);
        auto bar = [](int end) {
            cv::Mat m = Flat(kW, kH, 50);
            cv::rectangle(m, cv::Rect(100, 0, end - 100, kH), cv::Scalar(200), cv::FILLED);
            return m;
        };
        const cv::Rect box(60, 80, 160, 40);
        const int j = rig.AddRect(0, RoiCode::DistMeasure, box, 0, 35, limit);
        rig.SetTemplate(0, 0, bar(160));
        rig.Build();
        const int32_t(*marks)[4] = rig.widget->roiMarks[0][j];
        QCOMPARE(marks[1][0], 2);
        QVERIFY(qAbs(rig.widget->roiValue[0][j] - 60) <= 1);

        rig.SetFrame(bar(frameBarEnd));
        rig.Step(0);
        QCOMPARE(marks[1][1], found);
        if (found == 2)
            QVERIFY(qAbs(rig.widget->roiValue[0][j] - 60) <= 1);
        else
            QVERIFY(qAbs(rig.widget->roiValue[0][j] - 100) <= 1);  // x of the one edge
        QCOMPARE(bool(rig.widget->roiOK[0][j]), ok);
        QCOMPARE(marks[0][0], 0);  // no boxes for a distance ROI
    }

    void ignoreAreaCoversDefect()
    {
        RigGlobals globals(kW, kH, Params());
        EngineRig rig(kW, kH);
        const cv::Rect box(40, 40, 60, 60);
        const int j = rig.AddRect(0, RoiCode::Defect, box, 1, 45, 100);
        rig.AddRect(0, RoiCode::IgnoreArea, cv::Rect(30, 30, 80, 80), 3, 45, 100);
        rig.SetTemplate(0, 0, Flat(kW, kH, 100));
        rig.Build();
        QCOMPARE(cv::countNonZero(rig.engine->IgnoreMask(0, box)), 0);

        cv::Mat frame = Flat(kW, kH, 100);
        cv::rectangle(frame, cv::Rect(50, 50, 30, 30), cv::Scalar(250), cv::FILLED);
        rig.SetFrame(frame);
        rig.Step(0);
        QCOMPARE(rig.widget->roiValue[0][j], 0);
        QVERIFY(rig.widget->cameraOK);
    }

    void ignorePointsSuppressDefect()
    {
        RigGlobals globals(kW, kH, Params());
        EngineRig rig(kW, kH);
        const cv::Rect box(40, 40, 100, 100);
        const int spot = rig.AddRect(0, RoiCode::Spot, box, 12800, 1, 500);
        rig.SetTemplate(0, 0, Flat(kW, kH, 150));
        const cv::Rect defect(60, 60, 20, 20);
        rig.IgnorePoints(0)(defect).setTo(255);
        rig.Build();

        cv::Mat frame = Flat(kW, kH, 150);
        cv::rectangle(frame, defect, cv::Scalar(10), cv::FILLED);
        rig.SetFrame(frame);
        rig.Step(0);
        QCOMPARE(rig.widget->roiValue[0][spot], 0);
        QVERIFY(!rig.widget->roiOK[0][spot]);  // below the minimum area of 1

        // The same defect beside the ignored points is seen.
        cv::rectangle(frame, cv::Rect(100, 100, 20, 20), cv::Scalar(10), cv::FILLED);
        rig.SetFrame(frame);
        rig.Step(0);
        QVERIFY(rig.widget->roiValue[0][spot] > 300);
    }

    void ignoreAreaKeepsPointsAroundItsShape()
    {
        // An ignored point in the corner of a round Ignore Area's box, outside
        // the disc, stays ignored.
        RigGlobals globals(kW, kH, Params());
        EngineRig rig(kW, kH);
        const int spot = rig.AddRect(0, RoiCode::Spot, cv::Rect(20, 20, 120, 120), 12800, 1, 5000);
        const cv::Rect areaBox(40, 40, 61, 61);
        const int area = rig.AddRect(0, RoiCode::IgnoreArea, areaBox, 3, 45, 100);
        cv::Mat disc = cv::Mat::zeros(areaBox.size(), CV_8UC1);
        cv::circle(disc, cv::Point(30, 30), 30, cv::Scalar(255), cv::FILLED);
        rig.widget->liveMasks[0][area] = disc;
        const cv::Rect corner(41, 41, 6, 6);
        rig.IgnorePoints(0)(corner).setTo(1);  // any non-zero value marks a point
        rig.SetTemplate(0, 0, Flat(kW, kH, 150));
        rig.Build();
        QCOMPARE(cv::countNonZero(rig.engine->IgnoreMask(0, corner)), 0);
        QCOMPARE(cv::countNonZero(rig.engine->IgnoreMask(0, cv::Rect(60, 60, 20, 20))), 0);
        // Over the whole frame only the disc and the corner's points are ignored.
        QCOMPARE(cv::countNonZero(rig.engine->IgnoreMask(0, cv::Rect(0, 0, kW, kH))),
                 kW * kH - cv::countNonZero(disc) - corner.area());

        cv::Mat frame = Flat(kW, kH, 150);
        cv::rectangle(frame, corner, cv::Scalar(10), cv::FILLED);
        rig.SetFrame(frame);
        rig.Step(0);
        QCOMPARE(rig.widget->roiValue[0][spot], 0);
    }

    void overlappingRoisKeepEachOthersNgPixels()
    {
        // ROI 0 finds a dark blob; ROI 1's box covers it but finds nothing
        // (it looks for white). The NG map the view paints keeps the blob.
        RigGlobals globals(kW, kH, Params());
        EngineRig rig(kW, kH);
        const int dark = rig.AddRect(0, RoiCode::BlackArea, cv::Rect(40, 40, 60, 60), 0, 50, 20);
        const int white = rig.AddRect(0, RoiCode::WhiteArea, cv::Rect(50, 50, 80, 80), 0, 200, 20);
        rig.SetTemplate(0, 0, Flat(kW, kH, 120));
        rig.Build();
        cv::Mat frame = Flat(kW, kH, 120);
        const cv::Rect blob(60, 60, 12, 12);
        cv::rectangle(frame, blob, cv::Scalar(10), cv::FILLED);
        rig.SetFrame(frame);
        rig.Step(0);
        QVERIFY(!rig.widget->roiOK[0][dark]);
        QVERIFY(rig.widget->roiOK[0][white]);
        QVERIFY(rig.widget->roiValue[0][dark] > 100);
        QCOMPARE(cv::countNonZero(rig.NgMap()(blob)), rig.widget->roiValue[0][dark]);
        QCOMPARE(cv::countNonZero(rig.NgMap()), rig.widget->roiValue[0][dark]);
        // The next step's clean part leaves nothing of the blob on the map.
        rig.SetFrame(Flat(kW, kH, 120));
        rig.Step(0);
        QVERIFY(rig.widget->roiOK[0][dark]);
        QCOMPARE(cv::countNonZero(rig.NgMap()), 0);
    }

    void templateSelection()
    {
        // templateNum 3 with flags 1, 0, 1, 1, 1: templates 0, 2 and 3 are taught.
        // Only template 4 shows the bright patch, so it must not widen the envelope.
        RigGlobals globals(kW, kH, Params());
        EngineRig rig(kW, kH, 0, 5);
        const int j = rig.AddRect(0, RoiCode::Defect, cv::Rect(40, 40, 100, 100), 1, 45, 10);
        cv::Mat withPatch = Flat(kW, kH, 100);
        cv::rectangle(withPatch, cv::Rect(60, 60, 20, 20), cv::Scalar(250), cv::FILLED);
        for (int k : {0, 2, 3})
            rig.SetTemplate(0, k, Flat(kW, kH, 100));
        rig.SetTemplate(0, 4, withPatch);
        rig.widget->templateNum[0] = 3;
        rig.Build();
        rig.SetFrame(withPatch);
        rig.Step(0);
        QCOMPARE(rig.widget->roiValue[0][j], 400);
        QVERIFY(!rig.widget->cameraOK);
    }

    void failuresAreReported()
    {
        InspectParams p = Params();
        p.detectOn[0] = 0;  // group 0 not trained
        p.detectOn[2] = 1;
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH, 3);
        const int untrained = rig.AddRect(0, RoiCode::Spot, cv::Rect(10, 10, 30, 30), 12800, 0, 500);
        const int offFrame = rig.AddRect(2, RoiCode::Spot, cv::Rect(10, 10, 30, 30), 12800, 0, 500);
        const int badMask = rig.AddRect(2, RoiCode::Spot, cv::Rect(50, 50, 30, 30), 12800, 0, 500);
        const int noMask = rig.AddRect(2, RoiCode::Defect, cv::Rect(90, 90, 30, 30), 3, 45, 100);
        const int unknown = rig.AddRect(2, 12, cv::Rect(130, 90, 30, 30), 3, 45, 100);
        rig.SetTemplate(2, 0, Flat(kW, kH, 100));
        rig.Build();
        rig.set->rect[2][offFrame].box = ShapeBox{300, 200, 339, 229};
        rig.widget->liveMasks[2][badMask] = cv::Mat(10, 10, CV_8UC1, cv::Scalar(255));
        rig.widget->liveMasks[2][noMask].release();
        rig.SetFrame(Flat(kW, kH, 100));

        rig.Step(0);
        QVERIFY(!rig.widget->cameraOK);
        QVERIFY(rig.widget->roiOK[0][untrained]);
        QCOMPARE(globals.host.lines, QStringList{QStringLiteral("REG RUN ERROR = 3, 0, -2")});

        globals.host.lines.clear();
        rig.Step(2);
        QVERIFY(!rig.widget->cameraOK);
        QCOMPARE(globals.host.lines,
                 (QStringList{QStringLiteral("REG RUN ERROR = 3, 2, -1"), QStringLiteral("REG RUN ERROR = 3, 2, -1"),
                              QStringLiteral("REG RUN ERROR = 3, 2, -1"), QStringLiteral("REG RUN ERROR = 3, 2, -1")}));
        for (int j : {offFrame, badMask, noMask, unknown})
            QVERIFY(rig.widget->roiOK[2][j]);
        QVERIFY(g_listParamROI.isEmpty());
    }

    void groupsWithoutMeasuredRois()
    {
        InspectParams p = Params();
        p.netEnabled = 1;
        RigGlobals globals(kW, kH, p);
        globals.host.setLastInputNo(1);
        EngineRig rig(kW, kH);
        const int ign = rig.AddRect(0, RoiCode::IgnoreArea, cv::Rect(10, 10, 30, 30), 3, 45, 100);
        const int pos = rig.AddRect(0, RoiCode::Position, cv::Rect(50, 50, 30, 30), 10, 10, 10);
        rig.SetTemplate(0, 0, Flat(kW, kH, 100));
        rig.Build();
        rig.widget->roiValue[0][ign] = 7;
        rig.widget->roiMarks[0][pos][0][0] = 5;
        rig.SetFrame(Flat(kW, kH, 100));
        rig.Step(0);
        rig.Step(1);  // no ROIs at all
        QVERIFY(rig.widget->cameraOK);
        QCOMPARE(rig.widget->roiValue[0][ign], 0);
        QCOMPARE(rig.widget->roiMarks[0][pos][0][0], 0);
        QVERIFY(g_listParamROI.isEmpty());
        QVERIFY(globals.host.lines.isEmpty());
    }

    void resultRecords_data()
    {
        QTest::addColumn<int>("netEnabled");
        QTest::addColumn<int>("lastInput");
        QTest::addColumn<int>("records");
        QTest::newRow("link on, triggered") << 1 << 3 << 3;
        QTest::newRow("link off") << 0 << 3 << 0;
        QTest::newRow("no input") << 1 << 0 << 0;
    }
    void resultRecords()
    {
        QFETCH(int, netEnabled);
        QFETCH(int, lastInput);
        QFETCH(int, records);
        InspectParams p = Params();
        p.netEnabled = netEnabled;
        p.detectOn[0] = 0;
        p.detectOn[4] = 1;
        RigGlobals globals(kW, kH, p);
        globals.host.setLastInputNo(lastInput);
        EngineRig rig(kW, kH, 5);
        rig.AddRect(4, RoiCode::Spot, cv::Rect(10, 10, 40, 40), 12800, 0, 500);
        rig.AddRect(4, RoiCode::Position, cv::Rect(10, 10, 40, 40), 10, 10, 10);
        rig.AddRect(4, RoiCode::WhiteNum, cv::Rect(60, 10, 40, 40), 1, 128, 0x50002);
        rig.AddRect(4, RoiCode::WhiteArea, cv::Rect(110, 10, 40, 40), 0, 200, 100);
        rig.SetTemplate(4, 0, Flat(kW, kH, 100));
        rig.Build();
        rig.SetFrame(Flat(kW, kH, 100));
        rig.Step(4);
        QCOMPARE(g_listParamROI.size(), records);
        if (!records)
            return;
        const param_roi& a = g_listParamROI[0];
        QCOMPARE((QList<int>{a.camera, a.group, a.roi, a.algorithm, a.value, a.low, a.high, a.ok}),
                 (QList<int>{5, 4, 0, 1, 0, 0, 500, 1}));
        const param_roi& b = g_listParamROI[1];  // no blob, below the minimum of 2
        QCOMPARE((QList<int>{b.roi, b.algorithm, b.value, b.low, b.high, b.ok}), (QList<int>{2, 7, 0, 2, 5, 0}));
        const param_roi& c = g_listParamROI[2];  // OK itself, but the camera already failed
        QCOMPARE((QList<int>{c.roi, c.algorithm, c.value, c.low, c.high, c.ok}), (QList<int>{3, 5, 0, 0, 100, 0}));
    }

    void positioningDefaults()
    {
        InspectParams p = Params();
        p.motionCorrect = 0;
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH);
        rig.SetTemplate(0, 0, PartPicture(kW, kH));
        rig.Build();
        QCOMPARE(rig.engine->ModelCx(0), 160);
        QCOMPARE(rig.engine->ModelCy(0), 120);
        QCOMPARE(rig.engine->SearchWindow(0), cv::Rect(0, 0, kW, kH));

        p.positionOffset = 20;
        globals.host.setParams(p);
        rig.AddRect(0, RoiCode::Position, cv::Rect(5, 5, 50, 40), 5, 10, 10);
        rig.engine->CreateShape(0);
        QCOMPARE(rig.engine->SearchWindow(0), cv::Rect(0, 0, 75, 65));
        QCOMPARE(rig.engine->ModelCx(0), 30);
        QCOMPARE(rig.engine->ModelCy(0), 25);

        // A second Position ROI of another size changes nothing: box, mask and
        // speed all come from the first.
        rig.AddRect(0, RoiCode::Position, cv::Rect(100, 80, 120, 90), 9, 10, 10);
        rig.engine->CreateShape(0);
        QCOMPARE(rig.engine->SearchWindow(0), cv::Rect(0, 0, 75, 65));
        QCOMPARE(rig.engine->ModelCx(0), 30);
    }

    void positioningOffPassesThrough()
    {
        RigGlobals globals(kW, kH, Params());
        EngineRig rig(kW, kH);
        rig.SetTemplate(0, 0, PartPicture(kW, kH));
        rig.Build();
        const cv::Mat frame = Moved(PartPicture(kW, kH), 13, -7, 0);
        rig.SetFrame(frame);
        rig.Inspect().setTo(77);
        rig.engine->ShapeMatch(0, Params());
        QCOMPARE(cv::norm(rig.Inspect(), frame, cv::NORM_INF), 0.0);
    }

    void shiftOnlyWritesEveryPixel()
    {
        InspectParams p = Params();
        p.motionCorrect = 0;
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH);
        const cv::Mat part = PartPicture(kW, kH);
        rig.AddRect(0, RoiCode::Position, cv::Rect(80, 60, 160, 120), 5, 10, 10);
        rig.SetTemplate(0, 0, part);
        rig.Build();
        QVERIFY(rig.engine->HasModel(0));
        rig.SetFrame(Moved(part, 13, -7, 0));
        rig.Inspect().setTo(77);  // a value no picture here contains
        rig.engine->ShapeMatch(0, p);
        QCOMPARE(cv::countNonZero(rig.Inspect() == 77), 0);
        const cv::Rect inner(60, 40, 200, 160);
        QVERIFY(cv::norm(rig.Inspect()(inner), part(inner), cv::NORM_L1) / inner.area() < 2.0);
    }

    void alignedFrameIsJudged()
    {
        const InspectParams p = Turning();
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH);
        const cv::Mat part = PartPicture(kW, kH);
        AddPosition(rig);
        const int onPart = rig.AddRect(0, RoiCode::Defect, cv::Rect(85, 65, 150, 110), 5, 45, 50);
        const int beside = rig.AddRect(0, RoiCode::Defect, cv::Rect(10, 20, 50, 50), 5, 45, 50);
        rig.SetTemplate(0, 0, part);
        rig.Build();

        // Unaligned, the moved part fails its ROI: the verdict below rests on the alignment.
        InspectParams off = p;
        off.motionCorrect = -1;
        globals.host.setParams(off);
        rig.SetFrame(Moved(part, 13, -7, 10));
        rig.Step(0);
        QVERIFY(!rig.widget->roiOK[0][onPart]);
        globals.host.setParams(p);

        rig.Step(0);
        QVERIFY2(rig.widget->cameraOK, qPrintable(QStringLiteral("residue %1").arg(rig.widget->roiValue[0][onPart])));

        cv::Mat dirty = part.clone();
        cv::rectangle(dirty, cv::Rect(160, 75, 10, 10), cv::Scalar(0), cv::FILLED);
        rig.SetFrame(Moved(dirty, 13, -7, 10));
        rig.Step(0);
        QVERIFY(!rig.widget->roiOK[0][onPart]);
        QVERIFY(rig.widget->roiOK[0][beside]);
        QVERIFY(!rig.widget->cameraOK);
        QVERIFY(rig.widget->roiValue[0][onPart] > 50);
    }

    void judgedBoxesHoldTheAlignedFrame()
    {
        // Boxes inside other boxes are aligned once, and a distance strip reads
        // a pixel beyond its box: every pixel a judgement reads must already
        // be what the whole aligned frame has there.
        const InspectParams p = Turning();
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH);
        AddPosition(rig);
        const std::vector<cv::Rect> read = {
            cv::Rect(85, 65, 150, 110),   // Defect
            cv::Rect(100, 80, 40, 30),    // Spot inside it
            cv::Rect(85, 65, 150, 110),   // the same box once more
            cv::Rect(199, 149, 62, 21),   // distance strip across the Defect's edge, one pixel beyond
        };
        rig.AddRect(0, RoiCode::Defect, read[0], 5, 45, 50);
        rig.AddRect(0, RoiCode::Spot, read[1], 5, 45, 50);
        rig.AddRect(0, RoiCode::BlackArea, read[2], 0, 50, 50);
        rig.AddRect(0, RoiCode::DistMeasure, cv::Rect(200, 150, 60, 19), 0, 35, 200);
        const cv::Mat part = PartPicture(kW, kH);
        rig.SetTemplate(0, 0, part);
        rig.Build();
        rig.SetFrame(Moved(part, 13, -7, 10));
        cv::Mat raw(kH, kW, CV_8UC1, rig.widget->inspectFrame.data());
        raw.setTo(77);  // what a pixel left unaligned would show
        rig.engine->ShapeMatch(0, p);
        QVERIFY(rig.widget->InspectPartial());
        const cv::Mat judged = raw.clone();
        for (const cv::Rect& r : read)
            QCOMPARE(cv::norm(judged(r), rig.Inspect()(r), cv::NORM_INF), 0.0);
    }

    void preview_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("minSize");
        QTest::addColumn<int>("dots");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("shown");
        QTest::newRow("white num counts") << 7 << 1 << 12 << 12 << 1;
        QTest::newRow("kernel too large") << 7 << 60 << 12 << 0 << 1;
        QTest::newRow("defect has no preview") << 0 << 3 << 12 << 0 << 0;
        QTest::newRow("similarity has no preview") << 6 << 3 << 12 << 0 << 0;
        QTest::newRow("distance without edge") << 9 << 0 << 0 << 0 << 1;
    }
    void preview()
    {
        QFETCH(int, code);
        QFETCH(int, minSize);
        QFETCH(int, dots);
        QFETCH(int, value);
        QFETCH(int, shown);
        RigGlobals globals(kW, kH, Params());
        EngineRig rig(kW, kH);
        const cv::Rect box(40, 40, 120, 100);
        const int j = rig.AddRect(0, code, box, minSize, 128, 0x640001);
        cv::Mat tpl = Flat(kW, kH, 50);
        Dots(tpl, box, dots, 220);
        rig.SetTemplate(0, 0, tpl);
        rig.Build();
        rig.widget->roiValue[0][j] = 99;
        rig.widget->roiMarks[0][j][1][1] = 7;
        rig.NgMap().setTo(1);
        rig.engine->RunTest(0, j);
        QCOMPARE(rig.widget->roiValue[0][j], value);
        QCOMPARE(int(rig.widget->previewShown), shown);
        if (code == RoiCode::DistMeasure)
            QCOMPARE(rig.widget->roiMarks[0][j][1][1], 0);
        if (code == RoiCode::WhiteNum && value)
            QVERIFY(cv::countNonZero(rig.NgMap()(box)) > 0);
        QCOMPARE(cv::countNonZero(rig.NgMap()) - cv::countNonZero(rig.NgMap()(box)), 0);
    }

    void previewIndexChecks()
    {
        RigGlobals globals(kW, kH, Params());
        EngineRig rig(kW, kH);
        rig.AddRect(0, RoiCode::WhiteNum, cv::Rect(40, 40, 60, 60), 1, 128, 0x640001);
        rig.SetTemplate(0, 0, Flat(kW, kH, 50));
        rig.Build();
        rig.widget->roiValue[0][3] = 9;
        rig.NgMap().setTo(1);
        rig.engine->RunTest(0, 3);  // at or above the count
        QCOMPARE(rig.widget->roiValue[0][3], 0);
        QCOMPARE(cv::countNonZero(rig.NgMap()), 0);
        QCOMPARE(int(rig.widget->previewShown), 0);
        rig.engine->RunTest(0, 50);
        rig.engine->RunTest(0, -1);
        rig.engine->RunTest(8, 0);
        // An edit mask that no longer fits its box measures nothing.
        rig.widget->editMasks[0][0] = cv::Mat(5, 5, CV_8UC1, cv::Scalar(255));
        rig.engine->RunTest(0, 0);
        QCOMPARE(int(rig.widget->previewShown), 0);
    }

    void colourFramesJudgedOnHueOrGrey_data()
    {
        QTest::addColumn<bool>("grey");
        QTest::addColumn<int>("value");
        // Red and green of the same grey level: only the hue tells them apart.
        QTest::newRow("hue") << false << 100;
        QTest::newRow("grey") << true << 0;
    }
    void colourFramesJudgedOnHueOrGrey()
    {
        QFETCH(bool, grey);
        QFETCH(int, value);
        InspectParams p = Params();
        p.isGrayHue = grey;
        p.motionCorrect = 0;  // positioning never runs on colour frames
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH, 0, 3, true);
        const cv::Rect box(40, 40, 100, 100);
        const int j = rig.AddRect(0, RoiCode::Defect, box, 1, 45, 50);
        const cv::Scalar red(0, 0, 255, 255), green(0, 130, 0, 255);  // B, G, R, A in memory
        rig.SetTemplate(0, 0, cv::Mat(kH, kW, CV_8UC4, red));
        rig.Build();
        QVERIFY(!rig.engine->HasModel(0));
        cv::Mat frame(kH, kW, CV_8UC4, red);
        cv::rectangle(frame, cv::Rect(60, 60, 10, 10), green, cv::FILLED);
        rig.SetFrame(frame);
        rig.Step(0);
        // The whole RGBA frame passes through unaligned: judged where it lies.
        QVERIFY(&rig.widget->judgedFrame() == &rig.widget->workBuffer);
        QCOMPARE(rig.widget->roiValue[0][j], value);
        QCOMPARE(bool(rig.widget->cameraOK), value <= 50);
    }

    void groupAddedLaterGetsBuffers()
    {
        // The step count rose after start-up: the record has no buffers for
        // group 5 yet. Training gives them (template 0 generated, no ignored
        // points), so the group is judged like any other.
        TempWorkDir dir;
        InspectParams p = Params();
        p.motionCorrect = 0;
        p.detectOn[5] = 1;
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH);
        rig.AddRect(5, RoiCode::Defect, cv::Rect(kW / 4 + 10, kH / 4 + 10, 40, 40), 3, 45, 100);
        rig.widget->templateImages[5].clear();
        rig.widget->templateUsed[5].clear();
        rig.widget->ignorePointMask[5].clear();
        rig.Build();
        QCOMPARE(rig.widget->ignorePointMask[5].size(), size_t(kW * kH));
        QCOMPARE(rig.widget->templateImages[5].size(), size_t(3));
        QVERIFY(rig.engine->HasGrayMatch(5, 0));

        // The generated template: centre half 255, the rest 0.
        cv::Mat frame = Flat(kW, kH, 0);
        frame(cv::Rect(kW / 4, kH / 4, kW / 2 + 1, kH / 2 + 1)).setTo(255);
        rig.SetFrame(frame);
        rig.Step(5);
        QVERIFY(globals.host.lines.isEmpty());
        QVERIFY(rig.widget->cameraOK);
        frame(cv::Rect(kW / 4 + 20, kH / 4 + 20, 14, 14)).setTo(0);
        rig.SetFrame(frame);
        rig.Step(5);
        QVERIFY(!rig.widget->cameraOK);
        QVERIFY(globals.host.lines.isEmpty());
    }

    void unreadableTemplateIsNotTrainedOn_data()
    {
        QTest::addColumn<int>("lost");  // the template whose file goes after start-up
        QTest::newRow("extra template") << 1;
        QTest::newRow("template 0") << 0;
    }

    // Templates are read from their files when training: one that went
    // behind the program's back is reported and never trained on. Without
    // template 0 the step holds; without an extra one it trains on the rest.
    void unreadableTemplateIsNotTrainedOn()
    {
        QFETCH(int, lost);
        TempWorkDir dir;
        RigGlobals globals(kW, kH, Params());
        EngineRig rig(kW, kH);
        rig.AddRect(0, RoiCode::Defect, cv::Rect(kW / 4, kH / 4, 40, 40), 3, 45, 100);
        const cv::Mat good = Texture(kW, kH, 5);
        QVERIFY(QDir().mkpath(QStringLiteral("cammer11")));
        for (int k = 0; k < 2; ++k)
            QVERIFY(WriteFrameBmp(QStringLiteral("cammer11/template%1.bmp").arg(k), good.data, kW, kH, false));
        rig.widget->templateImages[0].clear();
        QVERIFY(rig.widget->EnsureGroupBuffers(0));
        QCOMPARE(rig.widget->templateNum[0], 2);
        const QString gone = QFileInfo(QStringLiteral("cammer11/template%1.bmp").arg(lost)).absoluteFilePath();
        QVERIFY(QFile::remove(gone));
        gNotes.clear();
        SetOperationLogSink([](const QString& text) { gNotes << text; });
        rig.Build();
        SetOperationLogSink(nullptr);
        const QString note = LanStr(1166).arg(1).arg(1).arg(lost).arg(gone);
        QVERIFY2(!gNotes.isEmpty() && gNotes.count(note) == gNotes.size(), qPrintable(gNotes.join('\n')));
        rig.SetFrame(good);
        rig.Step(0);
        QCOMPARE(rig.engine->HasGrayMatch(0, 0), lost != 0);
        QCOMPARE(bool(rig.widget->cameraOK), lost != 0);
        QCOMPARE(rig.widget->templateNum[0], lost != 0 ? 1 : 2);
    }

    void groupOutOfRangeHasNoBuffers()
    {
        CammerWidgetData record(0);
        QVERIFY(!record.EnsureGroupBuffers(0));  // no frame layout yet
        FrameLayout layout;
        layout.width = 8;
        layout.height = 4;
        layout.groups = 1;
        record.AllocateBuffers(layout);
        QVERIFY(!record.EnsureGroupBuffers(-1));
        QVERIFY(!record.EnsureGroupBuffers(CammerWidgetData::kGroups));
        QVERIFY(record.EnsureGroupBuffers(7));
        QCOMPARE(record.ignorePointMask[7].size(), size_t(32));
    }

    void camerasInParallelMatchOneByOne()
    {
        InspectParams p = Params();
        p.netEnabled = 1;
        RigGlobals globals(kW, kH, p);
        globals.host.setLastInputNo(1);
        std::vector<std::unique_ptr<EngineRig>> rigs;
        std::vector<CammerRecong*> engines;
        for (int c = 0; c < 4; ++c) {
            auto rig = std::make_unique<EngineRig>(kW, kH, c);
            rig->AddRect(0, RoiCode::Defect, cv::Rect(40, 40, 100, 100), 1, 45, 50);
            rig->AddRect(0, RoiCode::Spot, cv::Rect(150, 40, 100, 100), 12800, 10, 500);
            rig->SetTemplate(0, 0, Flat(kW, kH, 120));
            rig->Build();
            cv::Mat frame = Flat(kW, kH, 120);
            cv::rectangle(frame, cv::Rect(50 + c * 5, 50, 4 + 3 * c, 10), cv::Scalar(250), cv::FILLED);
            cv::rectangle(frame, cv::Rect(160, 50, 5 + c, 6), cv::Scalar(5), cv::FILLED);
            rig->SetFrame(frame);
            engines.push_back(rig->engine.get());
            rigs.push_back(std::move(rig));
        }
        engines.insert(engines.begin() + 2, nullptr);  // a camera slot without engine

        InspectStep::Run(engines, 0, 1);
        const QList<param_roi> serial = g_listParamROI;
        std::vector<std::vector<int>> values;
        for (auto& r : rigs)
            values.push_back({r->widget->cameraOK, r->widget->roiValue[0][0], r->widget->roiValue[0][1]});
        QCOMPARE(serial.size(), 8);
        QCOMPARE(serial[2].camera, 1);

        g_listParamROI.clear();
        InspectStep::Run(engines, 0, 3);
        QCOMPARE(g_listParamROI.size(), serial.size());
        for (int i = 0; i < serial.size(); ++i)
            QVERIFY(std::memcmp(&serial[i], &g_listParamROI[i], sizeof(param_roi)) == 0);
        for (size_t c = 0; c < rigs.size(); ++c)
            QCOMPARE((std::vector<int>{rigs[c]->widget->cameraOK, rigs[c]->widget->roiValue[0][0],
                                       rigs[c]->widget->roiValue[0][1]}),
                     values[c]);
    }
};

MOJU_TEST_CORE_MAIN(TestInspectEngine)
#include "test_inspect_engine.moc"
