// Detection quality: sub-pixel positioning and training on templates of parts
// that sat apart, on a textured part with sensor noise.
#include "TestSupport.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

#include "EngineRig.h"
#include "inspect/RoiRules.h"
#include "platform/vision/ImageTransform.h"

namespace {
constexpr int kW = 400;
constexpr int kH = 300;
const cv::Rect kPositionBox(50, 40, 300, 220);
const cv::Rect kDefectBox(70, 60, 260, 180);
const cv::Rect kPlate(90, 80, 80, 60);  // flat inside the judged box

// A textured plate with a flat insert, a ring and bars: what a mould shows.
cv::Mat Part()
{
    cv::Mat m(kH, kW, CV_8UC1);
    cv::RNG rng(5);
    rng.fill(m, cv::RNG::UNIFORM, 60, 200);
    cv::GaussianBlur(m, m, cv::Size(0, 0), 2.0);
    m.convertTo(m, CV_8U, 4.0, -3.0 * 130);  // a grain of about 20 grey levels
    cv::rectangle(m, kPlate, cv::Scalar(205), cv::FILLED);
    cv::circle(m, cv::Point(260, 150), 35, cv::Scalar(30), 6);
    cv::rectangle(m, cv::Rect(120, 180, 150, 10), cv::Scalar(235), cv::FILLED);
    return m;
}

// Part -> frame: turned by `angle` degrees about the frame centre, then shifted.
cv::Matx23d Motion(double dx, double dy, double angle)
{
    return FrameMotion(kW, kH, dx, dy, angle);
}

cv::Mat Shot(const cv::Mat& part, const cv::Matx23d& motion, int noiseSeed)
{
    cv::Mat out;
    cv::warpAffine(part, out, cv::Mat(motion), part.size(), cv::INTER_CUBIC, cv::BORDER_REFLECT101);
    if (noiseSeed) {
        cv::Mat noise(kH, kW, CV_16SC1);
        cv::RNG(uint64_t(noiseSeed)).fill(noise, cv::RNG::NORMAL, 0, 2.0);
        cv::Mat sum;
        out.convertTo(sum, CV_16S);
        sum += noise;
        sum.convertTo(out, CV_8U);
    }
    return out;
}

// A machined face: flat plates with straight edges and a bore, little texture.
cv::Mat FlatFace()
{
    cv::Mat m(kH, kW, CV_8UC1, cv::Scalar(110));
    cv::rectangle(m, cv::Rect(80, 60, 150, 110), cv::Scalar(170), cv::FILLED);
    cv::rectangle(m, cv::Rect(200, 130, 110, 90), cv::Scalar(60), cv::FILLED);
    cv::rectangle(m, cv::Rect(110, 190, 60, 40), cv::Scalar(200), cv::FILLED);
    cv::circle(m, cv::Point(280, 95), 22, cv::Scalar(35), cv::FILLED);
    cv::GaussianBlur(m, m, cv::Size(0, 0), 1.0);
    return m;
}

// Vertical stripes everywhere: no place of their own to find.
cv::Mat Stripes()
{
    cv::Mat m(kH, kW, CV_8UC1, cv::Scalar(60));
    for (int x = 0; x < kW; x += 16)
        cv::rectangle(m, cv::Rect(x, 0, 8, kH), cv::Scalar(190), cv::FILLED);
    cv::GaussianBlur(m, m, cv::Size(0, 0), 1.0);
    return m;
}

// Light that changes across the frame: a ramp of +-`ramp` grey levels from
// left to right and `dim` grey levels taken in the top left corner.
cv::Mat Relit(const cv::Mat& frame, double ramp, double dim)
{
    cv::Mat out(frame.size(), CV_8UC1);
    for (int y = 0; y < frame.rows; ++y)
        for (int x = 0; x < frame.cols; ++x) {
            const double r2 = (x * x + y * y) / (0.45 * kW * 0.45 * kW);
            const double d = ramp * (2.0 * x / (frame.cols - 1) - 1.0) - dim * std::exp(-r2);
            out.at<uchar>(y, x) = cv::saturate_cast<uchar>(frame.at<uchar>(y, x) + d);
        }
    return out;
}

// Largest distance between where the engine's alignment puts a corner of the
// judged box and where the exact inverse motion puts it.
double Residual(const cv::Matx23d& motion, double ax, double ay, double turn, cv::Point2d centre)
{
    return AlignResidual(motion, ax, ay, turn, centre, kDefectBox);
}

InspectParams Positioning(int angleRange)
{
    InspectParams p;
    p.motionCorrect = 0;
    p.angleRange = angleRange;
    p.detectOn[0] = 1;
    p.detectOn[1] = 0;
    return p;
}

// A finely grained face (a cast or eroded surface): detail of a pixel or two,
// which defocus changes most.
cv::Mat FineGrain()
{
    cv::Mat m(kH, kW, CV_32F);
    cv::RNG(9).fill(m, cv::RNG::NORMAL, 128, 40);
    cv::GaussianBlur(m, m, cv::Size(0, 0), 0.9);
    cv::Mat out;
    m.convertTo(out, CV_8U);
    cv::rectangle(out, kPlate, cv::Scalar(205), cv::FILLED);
    return out;
}

// A foreign sliver `size` px long and half as wide with anti-aliased edges,
// `contrast` grey levels off the mean of what it covers (negative: darker).
void PutSliver(cv::Mat& part, cv::Point centre, int size, int contrast)
{
    constexpr int kUp = 4;
    const int side = size + 4;
    cv::Mat big = cv::Mat::zeros(side * kUp, side * kUp, CV_8UC1);
    cv::ellipse(big, cv::Point(side * kUp / 2, side * kUp / 2), cv::Size(size * kUp / 2, size * kUp / 4), 30, 0,
                360, cv::Scalar(255), cv::FILLED);
    cv::Mat cover;
    cv::resize(big, cover, cv::Size(side, side), 0, 0, cv::INTER_AREA);
    cv::Mat under = part(cv::Rect(centre.x - side / 2, centre.y - side / 2, side, side));
    const double grey = cv::mean(under, cover > 127)[0] + contrast;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double a = cover.at<uchar>(y, x) / 255.0;
            under.at<uchar>(y, x) = cv::saturate_cast<uchar>((1 - a) * under.at<uchar>(y, x) + a * grey);
        }
}

// Templates of five cycles whose parts sat up to 8 px and 2.5 degrees apart.
void TrainOnMovedParts(EngineRig& rig, const cv::Mat& part, int sensitivity = 45)
{
    const double poses[5][3] = {{0, 0, 0}, {6.4, -3.2, 1.8}, {-7.1, 4.6, -2.3}, {2.2, 7.7, 0.9}, {-4.8, -6.1, -1.2}};
    for (int k = 0; k < 5; ++k)
        rig.SetTemplate(0, k, Shot(part, Motion(poses[k][0], poses[k][1], poses[k][2]), 10 + k));
    rig.AddRect(0, RoiCode::Position, kPositionBox, 10, 10, 10);
    rig.AddRect(0, RoiCode::Defect, kDefectBox, 3, sensitivity, 100);
    rig.Build();
}
}  // namespace

class TestInspectQuality : public QObject {
    Q_OBJECT
private slots:
    void alignsBelowAPixel_data()
    {
        QTest::addColumn<int>("angleRange");
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<double>("angle");
        QTest::addColumn<bool>("covered");
        QTest::newRow("shift and turn") << 5 << 3.37 << -2.61 << 0.73 << false;
        QTest::newRow("far shift, turned back") << 5 << -8.55 << 6.25 << -2.64 << false;
        QTest::newRow("half pixel only") << 5 << 0.5 << -0.5 << 0.0 << false;
        QTest::newRow("shift only, fractional") << 0 << 4.28 << 7.71 << 0.0 << false;
        QTest::newRow("foreign plate over the model") << 5 << -2.3 << 1.7 << 1.1 << true;
    }
    void alignsBelowAPixel()
    {
        QFETCH(int, angleRange);
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(double, angle);
        QFETCH(bool, covered);
        const InspectParams p = Positioning(angleRange);
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH, 0, 5);
        const cv::Mat part = Part();
        rig.SetTemplate(0, 0, part);
        rig.AddRect(0, RoiCode::Position, kPositionBox, 10, 10, 10);
        rig.Build();

        const cv::Matx23d motion = Motion(dx, dy, angle);
        cv::Mat frame = Shot(part, motion, 3);
        if (covered)  // left in the mould over a corner of the positioning area
            cv::rectangle(frame, cv::Rect(60, 50, 60, 50), cv::Scalar(250), cv::FILLED);
        double ax = 0, ay = 0, turn = 0;
        cv::Point2d centre;
        QVERIFY(rig.engine->Position(0, p, frame, ax, ay, turn, centre));
        const double worst = Residual(motion, ax, ay, turn, centre);
        QVERIFY2(worst < 0.3, qPrintable(QStringLiteral("residual %1 px").arg(worst)));

        if (covered)
            return;
        // The aligned frame the judgement reads shows the part where it was taught.
        rig.SetFrame(frame);
        rig.engine->ShapeMatch(0, p);
        const double meanDiff = cv::norm(rig.Inspect()(kDefectBox), part(kDefectBox), cv::NORM_L1) / kDefectBox.area();
        QVERIFY2(meanDiff < 3.0, qPrintable(QString::number(meanDiff)));
    }

    // The fine fit keeps to a tenth of a pixel where single pixels tell
    // little: soft edges under sensor noise, and a frame brighter than the
    // template whose highlights clip at white.
    void fineFitHoldsWherePixelsTellLittle_data()
    {
        QTest::addColumn<double>("soften");  // Gaussian sigma of the part's edges, px
        QTest::addColumn<double>("gain");    // frame against template
        QTest::newRow("soft edges under noise") << 3.0 << 1.0;
        QTest::newRow("brighter frame, highlights clipped") << 1.0 << 1.25;
    }
    void fineFitHoldsWherePixelsTellLittle()
    {
        QFETCH(double, soften);
        QFETCH(double, gain);
        const InspectParams p = Positioning(5);
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH, 0, 5);
        cv::Mat part(kH, kW, CV_8UC1, cv::Scalar(110));
        // A bright face to the left whose one edge runs through the model.
        cv::rectangle(part, cv::Rect(0, 0, 170, kH), cv::Scalar(215), cv::FILLED);
        cv::rectangle(part, cv::Rect(200, 130, 110, 90), cv::Scalar(60), cv::FILLED);
        cv::rectangle(part, cv::Rect(110, 190, 60, 40), cv::Scalar(235), cv::FILLED);
        cv::circle(part, cv::Point(280, 95), 22, cv::Scalar(35), cv::FILLED);
        cv::GaussianBlur(part, part, cv::Size(0, 0), soften);
        rig.SetTemplate(0, 0, Shot(part, Motion(0, 0, 0), 31));
        rig.AddRect(0, RoiCode::Position, kPositionBox, 10, 10, 10);
        rig.Build();

        // Several cycles: one lucky draw of the noise proves nothing.
        const double poses[6][3] = {{3.4, -2.7, 0.8}, {-6.2, 5.1, -1.9}, {0.5, 0.5, 0.0},
                                    {8.3, 1.6, 2.6}, {-2.9, -7.4, -0.6}, {4.7, 6.9, 1.3}};
        double worst = 0;
        for (int k = 0; k < 6; ++k) {
            const cv::Matx23d motion = Motion(poses[k][0], poses[k][1], poses[k][2]);
            cv::Mat frame;
            Shot(part, motion, 40 + k).convertTo(frame, CV_8U, gain);
            double ax = 0, ay = 0, turn = 0;
            cv::Point2d centre;
            QVERIFY(rig.engine->Position(0, p, frame, ax, ay, turn, centre));
            worst = std::max(worst, Residual(motion, ax, ay, turn, centre));
        }
        QVERIFY2(worst <= 0.1, qPrintable(QStringLiteral("residual %1 px").arg(worst)));
    }

    // Positioning either places the part to a tenth of a pixel or says it
    // could not: a frame it cannot place is held with a reason, never judged
    // as if aligned.
    void poseUsedOnlyWhenCertain_data()
    {
        QTest::addColumn<int>("scene");  // 0 flat face, 1 stripes
        QTest::addColumn<double>("dx");
        QTest::addColumn<double>("dy");
        QTest::addColumn<double>("angle");
        QTest::addColumn<double>("ramp");
        QTest::addColumn<double>("blur");
        QTest::addColumn<bool>("present");
        QTest::addColumn<bool>("placed");  // expected: aligned and judged
        QTest::newRow("flat face moved and turned") << 0 << 6.3 << -4.1 << 1.7 << 0.0 << 0.0 << true << true;
        QTest::newRow("flat face under a ramp and a dim corner") << 0 << -7.6 << 3.2 << -2.4 << 12.0 << 0.0 << true << true;
        QTest::newRow("flat face slightly defocused") << 0 << 2.4 << 8.8 << 0.6 << -9.0 << 0.8 << true << true;
        QTest::newRow("part missing") << 0 << 0.0 << 0.0 << 0.0 << 0.0 << 0.0 << false << false;
        QTest::newRow("stripes: no place of their own") << 1 << 5.5 << 2.0 << 0.0 << 0.0 << 0.0 << true << false;
    }
    void poseUsedOnlyWhenCertain()
    {
        QFETCH(int, scene);
        QFETCH(double, dx);
        QFETCH(double, dy);
        QFETCH(double, angle);
        QFETCH(double, ramp);
        QFETCH(double, blur);
        QFETCH(bool, present);
        QFETCH(bool, placed);
        const InspectParams p = Positioning(5);
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH, 0, 5);
        const cv::Mat part = scene == 0 ? FlatFace() : Stripes();
        rig.SetTemplate(0, 0, Shot(part, Motion(0, 0, 0), 21));
        rig.AddRect(0, RoiCode::Position, kPositionBox, 10, 10, 10);
        rig.AddRect(0, RoiCode::Defect, kDefectBox, 3, 45, 20);
        rig.Build();

        const cv::Matx23d motion = Motion(dx, dy, angle);
        cv::Mat frame = present ? Shot(part, motion, 22) : Flat(kW, kH, 120);
        if (blur > 0)
            cv::GaussianBlur(frame, frame, cv::Size(0, 0), blur);
        frame = Relit(frame, ramp, std::abs(ramp));
        double ax = 0, ay = 0, turn = 0;
        cv::Point2d centre;
        const bool used = rig.engine->Position(0, p, frame, ax, ay, turn, centre);
        QCOMPARE(used, placed);
        if (used) {
            const double r = Residual(motion, ax, ay, turn, centre);
            QVERIFY2(r <= 0.1, qPrintable(QStringLiteral("residual %1 px").arg(r)));
        }

        rig.SetFrame(frame);
        rig.Step(0);
        QCOMPARE(bool(rig.widget->poseLost), !placed);
        if (placed) {
            // Light that changes across the part is not a difference.
            QVERIFY2(rig.widget->cameraOK, qPrintable(QString::number(rig.widget->roiValue[0][1])));
            return;
        }
        // Held, with the reason in the operation log and no area to blame.
        QVERIFY(!rig.widget->cameraOK);
        QCOMPARE(rig.widget->roiOK[0][1], uint8_t(1));
        QCOMPARE(rig.widget->roiValue[0][1], 0);
        QCOMPARE(globals.host.lines.size(), 1);
        QVERIFY(globals.host.lines.front().contains(QLatin1String("POSITION LOST")));
    }

    void frameAlignedWhereJudgedUntilShown()
    {
        // Positioning writes the judged boxes only; whatever shows the frame
        // first has the rest written: exactly the whole-frame alignment, with
        // nothing of the frame before.
        const InspectParams p = Positioning(5);
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH, 0, 5);
        const cv::Mat part = Part();
        rig.SetTemplate(0, 0, part);
        rig.AddRect(0, RoiCode::Position, kPositionBox, 10, 10, 10);
        const cv::Rect box(120, 90, 80, 60);
        rig.AddRect(0, RoiCode::Defect, box, 3, 45, 100);
        rig.Build();
        const cv::Mat frame = Shot(part, Motion(4.6, -2.2, 1.3), 8);
        rig.SetFrame(frame);
        cv::Mat(kH, kW, CV_8UC1, rig.widget->inspectFrame.data()).setTo(77);  // an earlier frame
        rig.engine->ShapeMatch(0, p);
        QVERIFY(rig.widget->InspectPartial());
        double ax = 0, ay = 0, turn = 0;
        cv::Point2d centre;
        QVERIFY(rig.engine->Position(0, p, frame, ax, ay, turn, centre));
        cv::Mat whole(kH, kW, CV_8UC1);
        QVERIFY(TransformImage(frame, whole, cv::Point2f(float(ax), float(ay)), cv::Point2f(centre), turn));
        const cv::Mat raw(kH, kW, CV_8UC1, rig.widget->inspectFrame.data());
        QCOMPARE(cv::norm(raw(box), whole(box), cv::NORM_INF), 0.0);
        QVERIFY(cv::countNonZero(raw == 77) > kW * kH / 2);
        QCOMPARE(cv::norm(rig.Inspect(), whole, cv::NORM_INF), 0.0);
        QVERIFY(!rig.widget->InspectPartial());

        // Without positioning the frame is copied whole at once.
        InspectParams off = p;
        off.motionCorrect = -1;
        rig.engine->ShapeMatch(0, off);
        QVERIFY(!rig.widget->InspectPartial());
        QCOMPARE(cv::norm(raw, frame, cv::NORM_INF), 0.0);
    }

    void trainingOnMovedPartsKeepsSpreadAtNoise()
    {
        RigGlobals globals(kW, kH, Positioning(5));
        EngineRig rig(kW, kH, 0, 5);
        TrainOnMovedParts(rig, Part());
        const GrayMatch& gm = rig.engine->Matcher(0, 1);
        QVERIFY(gm.IsValid());
        // Inside the flat insert, away from its rim: only the noise (sigma 2) varies.
        const cv::Rect flat(kPlate.x - kDefectBox.x + 3, kPlate.y - kDefectBox.y + 3, kPlate.width - 6, kPlate.height - 6);
        double most = 0;
        cv::minMaxLoc(gm.spread()(flat), nullptr, &most);
        const double mean = cv::mean(gm.spread()(flat))[0];
        QVERIFY2(most <= 9.0 && mean <= 4.0, qPrintable(QStringLiteral("spread max %1 mean %2").arg(most).arg(mean)));
    }

    void smallChipCaughtOnTexture()
    {
        const InspectParams p = Positioning(5);
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH, 0, 5);
        const cv::Mat part = Part();
        TrainOnMovedParts(rig, part);

        const cv::Matx23d motion = Motion(-5.3, 3.9, 1.4);
        rig.SetFrame(Shot(part, motion, 99));
        rig.Step(0);
        QVERIFY2(rig.widget->cameraOK, qPrintable(QString::number(rig.widget->roiValue[0][1])));

        // A 12 px chip, 50 grey levels darker than the texture under it.
        cv::Mat dirty = part.clone();
        const cv::Rect chip(200, 95, 12, 12);
        dirty(chip) -= cv::Scalar(50);
        rig.SetFrame(Shot(dirty, motion, 99));
        rig.Step(0);
        QVERIFY2(!rig.widget->cameraOK, qPrintable(QString::number(rig.widget->roiValue[0][1])));
    }

    // At the settings a setter is told to start from (sensitivity 45, filter
    // 3, area 20) a sliver 8 px long and 30 grey levels off, under a light
    // ramp, counts with its faint rim and not only with the core that passes
    // the tolerance; the same cycle without it stays good.
    void smallFaintChipCountsWhole_data()
    {
        QTest::addColumn<int>("scene");  // 0 grained plate, 1 fine grain
        QTest::addColumn<double>("blur");
        QTest::addColumn<int>("contrast");
        QTest::newRow("dark on grain, sharp") << 0 << 0.0 << -30;
        QTest::newRow("bright on grain, 0.8 px") << 0 << 0.8 << 30;
        QTest::newRow("dark on fine grain, 0.8 px") << 1 << 0.8 << -30;
        QTest::newRow("bright on fine grain, sharp") << 1 << 0.0 << 30;
    }
    void smallFaintChipCountsWhole()
    {
        QFETCH(int, scene);
        QFETCH(double, blur);
        QFETCH(int, contrast);
        InspectParams p = Positioning(5);
        p.filterSize = 3;
        p.defectArea = 20;
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH, 0, 5);
        const cv::Mat part = scene == 0 ? Part() : FineGrain();
        TrainOnMovedParts(rig, part);

        const cv::Matx23d motion = Motion(3.7, -4.4, 1.1);
        auto shoot = [&](const cv::Mat& face) {
            cv::Mat f = Shot(face, motion, 0);
            if (blur > 0)
                cv::GaussianBlur(f, f, cv::Size(0, 0), blur);
            return Relit(Shot(f, Motion(0, 0, 0), 41), 12.0, 0.0);  // sensor noise after the blur
        };
        rig.SetFrame(shoot(part));
        rig.Step(0);
        QVERIFY2(rig.widget->cameraOK, qPrintable(QString::number(rig.widget->roiValue[0][1])));

        cv::Mat dirty = part.clone();
        PutSliver(dirty, cv::Point(110, 215), 8, contrast);
        rig.SetFrame(shoot(dirty));
        rig.Step(0);
        QVERIFY2(!rig.widget->cameraOK, qPrintable(QString::number(rig.widget->roiValue[0][1])));
    }

    // A good cycle slightly out of focus, dimmer and unevenly lit, judged at
    // the strictest sensitivity with no area to spare, stays good; a small
    // chip on it is still found.
    void defocusedGoodCycleStaysGood_data()
    {
        QTest::addColumn<int>("scene");  // 0 grained plate, 1 fine grain
        QTest::addColumn<double>("blur");
        QTest::newRow("grained plate, sharp") << 0 << 0.0;
        QTest::newRow("grained plate, 0.9 px") << 0 << 0.9;
        QTest::newRow("fine grain, 0.5 px") << 1 << 0.5;
        QTest::newRow("fine grain, 0.8 px") << 1 << 0.8;
        QTest::newRow("fine grain, 0.95 px") << 1 << 0.95;
    }
    void defocusedGoodCycleStaysGood()
    {
        QFETCH(int, scene);
        QFETCH(double, blur);
        const InspectParams p = Positioning(5);
        RigGlobals globals(kW, kH, p);
        EngineRig rig(kW, kH, 0, 5);
        const cv::Mat part = scene == 0 ? Part() : FineGrain();
        TrainOnMovedParts(rig, part, 200);

        const cv::Matx23d motion = Motion(4.2, -3.1, -1.6);
        auto shoot = [&](const cv::Mat& face) {
            cv::Mat f = Shot(face, motion, 0);
            if (blur > 0)
                cv::GaussianBlur(f, f, cv::Size(0, 0), blur);
            f.convertTo(f, CV_8U, 0.88, 4);
            return Relit(Shot(f, Motion(0, 0, 0), 77), 10.0, 8.0);  // sensor noise after the blur
        };
        rig.SetFrame(shoot(part));
        rig.Step(0);
        QVERIFY(rig.widget->cameraOK);
        QCOMPARE(rig.widget->roiValue[0][1], 0);

        cv::Mat dirty = part.clone();
        cv::circle(dirty, cv::Point(250, 120), 5, cv::Scalar(70), cv::FILLED);  // a 10 px flake
        rig.SetFrame(shoot(dirty));
        rig.Step(0);
        QVERIFY2(rig.widget->roiValue[0][1] >= 20, qPrintable(QString::number(rig.widget->roiValue[0][1])));
    }
};

MOJU_TEST_CORE_MAIN(TestInspectQuality)
#include "test_inspect_quality.moc"
