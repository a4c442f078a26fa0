// Shapes, range checks, blobs, frame transforms and pixel conversions.
#include "TestSupport.h"

#include "platform/vision/CBlobResult.h"
#include "platform/vision/CheckInRange.h"
#include "platform/vision/Circle.h"
#include "platform/vision/ClustomRect.h"
#include "platform/vision/ColorConvert.h"
#include "platform/vision/ImageTransform.h"
#include "platform/vision/RePolygon.h"
#include "foundation/VisionGlobals.h"

#include <QImage>
#include <QScopeGuard>
#include <opencv2/imgproc.hpp>

#include <climits>
#include <cmath>

namespace {
void setSizes(int imageW, int imageH, int showW, int showH)
{
    gImageW = imageW;
    gImageH = imageH;
    gShowW = showW;
    gShowH = showH;
}
}  // namespace

class TestVisionShapes : public QObject {
    Q_OBJECT
private slots:
    void init() { setSizes(1920, 1080, 1920, 1080); }

    void rectBox_data();
    void rectBox();
    void rectViewToFrame();
    void circleMask_data();
    void circleMask();
    void circleViewToFrameIsEllipse();
    void circleRadiusWord();
    void circleRectRoundTrip();
    void polygonTriangle();
    void polygonDegenerate();
    void polygonViewToFrame();
    void handlesAndContains();
    void checkInRangeInt();
    void checkInRangeRect_data();
    void checkInRangeRect();
    void blobs();
    void blobsMaskAndBackground();
    void moveImage();
    void moveImageWritesEveryPixel();
    void transformImageRotates();
    void transformRefusesOtherSize();
    void frameWarpRectsEqualWholeWarp_data();
    void frameWarpRectsEqualWholeWarp();
    void colourConversions();
};

void TestVisionShapes::rectBox_data()
{
    QTest::addColumn<QRect>("view");
    QTest::addColumn<QRect>("box");  // cv box as QRect(x, y, w, h); empty = none
    QTest::newRow("plain") << QRect(QPoint(10, 20), QPoint(59, 49)) << QRect(10, 20, 50, 30);
    QTest::newRow("inverted") << QRect(QPoint(59, 49), QPoint(10, 20)) << QRect(10, 20, 50, 30);
    QTest::newRow("single pixel") << QRect(QPoint(5, 5), QPoint(5, 5)) << QRect(5, 5, 1, 1);
    QTest::newRow("clipped left top") << QRect(QPoint(-30, -10), QPoint(9, 9)) << QRect(0, 0, 10, 10);
    QTest::newRow("clipped right bottom") << QRect(QPoint(1900, 1070), QPoint(2500, 1500)) << QRect(1900, 1070, 20, 10);
    QTest::newRow("wholly outside") << QRect(QPoint(2000, 10), QPoint(2100, 50)) << QRect();
    QTest::newRow("far edges") << QRect(QPoint(INT_MIN + 1, 20), QPoint(INT_MAX, INT_MAX)) << QRect(0, 20, 1920, 1060);
    QTest::newRow("default") << QRect() << QRect();
}

void TestVisionShapes::rectBox()
{
    QFETCH(QRect, view);
    QFETCH(QRect, box);
    ClustomRect r(view);
    const cv::Mat m = r.UpdateMask();
    const cv::Rect b = r.BoxRect();
    QCOMPARE(QRect(b.x, b.y, b.width, b.height), box);
    if (box.isEmpty()) {
        QVERIFY(m.empty());
        QVERIFY(r.box.isEmpty());
        return;
    }
    QCOMPARE(m.type(), CV_8UC1);
    QCOMPARE(m.cols, box.width());
    QCOMPARE(m.rows, box.height());
    QCOMPARE(cv::countNonZero(m == 255), box.width() * box.height());
}

void TestVisionShapes::rectViewToFrame()
{
    setSizes(1920, 1080, 1024, 768);
    ClustomRect whole(0, 0, 1023, 767);
    whole.setImageRect();
    QCOMPARE(whole.BoxRect(), cv::Rect(0, 0, 1920, 1080));

    // View pixel 100 covers frame 187.5..189.4: the box starts at 187 and
    // ends before the frame pixel of view 200 (375).
    ClustomRect r(100, 100, 199, 199);
    r.setImageRect();
    QCOMPARE(r.box.x1, 187);
    QCOMPARE(r.box.x2, 374);
    QCOMPARE(r.box.y1, 140);
    QCOMPARE(r.box.y2, 280);
    QCOMPARE(r.UpdateMask().size(), cv::Size(188, 141));
    // A far right edge reaches the frame's edge, not a one-pixel column.
    ClustomRect far(100, 100, 2000000000, 199);
    far.setImageRect();
    QCOMPARE(far.BoxRect(), cv::Rect(187, 140, 1920 - 187, 141));
}

void TestVisionShapes::circleMask_data()
{
    QTest::addColumn<int>("outer");
    QTest::addColumn<int>("inner");
    QTest::newRow("ring 30/50") << 50 << 30;
    QTest::newRow("disc 50") << 50 << 0;
    QTest::newRow("ring 10/200") << 200 << 10;
}

void TestVisionShapes::circleMask()
{
    QFETCH(int, outer);
    QFETCH(int, inner);
    Circle c(400, 300, outer, inner);
    const cv::Mat m = c.UpdateMask();
    QCOMPARE(c.BoxRect(), cv::Rect(400 - outer, 300 - outer, 2 * outer + 1, 2 * outer + 1));
    const double area = CV_PI * (outer * outer - inner * inner);
    const int n = cv::countNonZero(m);
    QVERIFY2(std::abs(n - area) < 0.01 * area, qPrintable(QStringLiteral("%1 vs %2").arg(n).arg(area)));
    // The centre pixel is inside exactly for a disc; the outer rim points are in.
    QCOMPARE(m.at<uchar>(outer, outer) != 0, inner == 0);
    QVERIFY(m.at<uchar>(outer, 0) != 0);
    QVERIFY(m.at<uchar>(0, outer) != 0);
    QCOMPARE(m.at<uchar>(0, 0), uchar(0));
    if (inner > 0)
        QVERIFY(m.at<uchar>(outer, outer + inner) != 0);  // inner rim belongs to the ring
    // Every set pixel lies within the ring.
    for (int y = 0; y < m.rows; ++y)
        for (int x = 0; x < m.cols; ++x)
            if (m.at<uchar>(y, x)) {
                const int d2 = (x - outer) * (x - outer) + (y - outer) * (y - outer);
                QVERIFY(d2 <= outer * outer && d2 >= inner * inner);
            }
}

void TestVisionShapes::circleViewToFrameIsEllipse()
{
    setSizes(1920, 1080, 1024, 768);
    Circle c(512, 384, 100, 0);
    const cv::Mat m = c.UpdateMask();
    const double rx = 100 * 1920.0 / 1024, ry = 100 * 1080.0 / 768;
    const double area = CV_PI * rx * ry;
    QVERIFY(std::abs(cv::countNonZero(m) - area) < 0.01 * area);
    QVERIFY(std::abs(m.cols - 2 * rx) <= 2);
    QVERIFY(std::abs(m.rows - 2 * ry) <= 2);
}

void TestVisionShapes::circleRadiusWord()
{
    Circle c(200, 150, 50, 30);
    QCOMPARE(c.RadiusWord(), quint32(1966130));
    c.SetRadiusWord(1966130);
    QCOMPARE(c.outerRadius, 50);
    QCOMPARE(c.innerRadius, 30);
    // Inner at or above outer is pulled below it; all bits set stay in range.
    c.SetRadiusWord(60u * 65536u + 50u);
    QCOMPARE(c.outerRadius, 50);
    QCOMPARE(c.innerRadius, 49);
    c.SetRadiusWord(0xFFFFFFFFu);
    QCOMPARE(c.outerRadius, 65535);
    QCOMPARE(c.innerRadius, 65534);
    QCOMPARE(c.RadiusWord(), 65534u * 65536u + 65535u);  // above INT_MAX, still exact
    c.SetRadiusWord(0);
    QVERIFY(c.UpdateMask().empty());
    QVERIFY(c.box.isEmpty());
}

void TestVisionShapes::circleRectRoundTrip()
{
    Circle c(300, 200, 40, 10);
    QCOMPARE(QRect(c), QRect(QPoint(260, 160), QPoint(340, 240)));
    c.translate(5, -3);
    c.UpdateAll();
    QCOMPARE(c.centerX, 305);
    QCOMPARE(c.centerY, 197);
    QCOMPARE(c.outerRadius, 40);
    QCOMPARE(c.innerRadius, 10);
    c.Resize(1, QPoint(), QPoint(305 + 20, 197));
    QCOMPARE(c.outerRadius, 20);
    c.Resize(0, QPoint(), QPoint(305 + 30, 197));  // inner beyond outer: clamped
    QCOMPARE(c.innerRadius, 19);
}

void TestVisionShapes::polygonTriangle()
{
    const QPoint pts[] = {{10, 10}, {90, 10}, {50, 80}};
    RePolygon p(3, pts);
    const cv::Mat m = p.UpdateMask();
    QCOMPARE(p.BoxRect(), cv::Rect(10, 10, 81, 71));
    const int n = cv::countNonZero(m);
    // 2800 inside, plus at most the boundary pixels (perimeter about 241).
    QVERIFY2(n >= 2800 && n <= 2800 + 245, qPrintable(QString::number(n)));
    QCOMPARE(m.at<uchar>(70, 0), uchar(0));   // below-left of the slanted edge
    QCOMPARE(m.at<uchar>(70, 80), uchar(0));
    QVERIFY(m.at<uchar>(30, 40) != 0);
    QVERIFY(p.Contains(QPoint(50, 30)));
    QVERIFY(!p.Contains(QPoint(15, 70)));
}

void TestVisionShapes::polygonDegenerate()
{
    RePolygon none(0, nullptr);
    QVERIFY(none.UpdateMask().empty());
    QVERIFY(none.box.isEmpty());
    const QPoint one[] = {{5, 6}};
    RePolygon single(1, one);
    const cv::Mat m = single.UpdateMask();
    QCOMPARE(m.size(), cv::Size(1, 1));
    QCOMPARE(m.at<uchar>(0, 0), uchar(255));
    // Far outside the frame: empty, no exception.
    const QPoint far[] = {{5000, 5000}, {6000, 5000}, {6000, 7000}};
    RePolygon out(3, far);
    QVERIFY(out.UpdateMask().empty());
    // More than 8096 points are cut.
    std::vector<QPoint> many(9000, QPoint(1, 1));
    RePolygon big(int(many.size()), many.data());
    QCOMPARE(big.Count(), RePolygon::kMaxPoints);
}

void TestVisionShapes::polygonViewToFrame()
{
    setSizes(1920, 1080, 1024, 768);
    const QPoint pts[] = {{0, 0}, {1023, 0}, {1023, 767}, {0, 767}};
    RePolygon p(4, pts);
    const cv::Mat m = p.UpdateMask();
    QCOMPARE(p.BoxRect(), cv::Rect(0, 0, 1920, 1080));
    QVERIFY(cv::countNonZero(m) > 1900 * 1070);
}

void TestVisionShapes::handlesAndContains()
{
    ClustomRect r(100, 100, 200, 150);
    int h = -1;
    QVERIFY(r.PtInCtrl(QPoint(103, 98), &h));
    QCOMPARE(h, 0);
    QVERIFY(r.PtInCtrl(QPoint(199, 151), &h));
    QCOMPARE(h, 1);
    QVERIFY(!r.PtInCtrl(QPoint(150, 125), &h));
    QVERIFY(r.Contains(QPoint(150, 125)));
    r.Resize(1, QPoint(200, 150), QPoint(220, 170));
    QCOMPARE(r.bottomRight(), QPoint(220, 170));
    r.Resize(0, QPoint(100, 100), QPoint(90, 95));
    QCOMPARE(r.topLeft(), QPoint(90, 95));

    Circle c(300, 300, 50, 20);
    QVERIFY(c.PtInCtrl(QPoint(320, 300), &h));
    QCOMPARE(h, 0);
    QVERIFY(c.PtInCtrl(QPoint(350, 302), &h));
    QCOMPARE(h, 1);
    QVERIFY(c.PtInCtrl(QPoint(300, 300), &h));
    QCOMPARE(h, 2);
    QVERIFY(c.Contains(QPoint(300, 340)));
    QVERIFY(!c.Contains(QPoint(300, 310)));  // in the hole

    const QPoint pts[] = {{10, 10}, {90, 10}, {50, 80}};
    RePolygon p(3, pts);
    QVERIFY(p.PtInCtrl(QPoint(88, 12), &h));
    QCOMPARE(h, 1);
    p.Resize(2, QPoint(50, 80), QPoint(50, -500), 1.f, 1.f);
    QCOMPARE(p.points[2], QPoint(50, 0));  // clamped into the view

    ClustomRect a(1, 2, 3, 4), b(1, 2, 3, 4);
    b.SetSelected(true);
    QVERIFY(a == b);  // selection is not part of the value
    b.translate(1, 0);
    QVERIFY(a != b);
}

void TestVisionShapes::checkInRangeInt()
{
    setSizes(1920, 1080, 1024, 768);
    int v = -5;
    CheckInRange(&v, 1);
    QCOMPARE(v, 0);
    v = 5000;
    CheckInRange(&v, 1);
    QCOMPARE(v, 1023);
    v = 5000;
    CheckInRange(&v, 0);
    QCOMPARE(v, 767);
    v = 300;
    CheckInRange(&v, 0);
    QCOMPARE(v, 300);
    CheckInRange(static_cast<int*>(nullptr), 0);
}

void TestVisionShapes::checkInRangeRect_data()
{
    QTest::addColumn<QRect>("in");
    QTest::addColumn<bool>("move");
    QTest::addColumn<QRect>("out");
    auto R = [](int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r, b)); };
    QTest::newRow("inside") << R(10, 10, 100, 100) << true << R(10, 10, 100, 100);
    QTest::newRow("moved off left keeps size") << R(-20, 10, 80, 60) << true << R(0, 10, 100, 60);
    QTest::newRow("moved off bottom right") << R(1000, 700, 1100, 800) << true << R(923, 667, 1023, 767);
    QTest::newRow("resized off left clamps") << R(-20, 10, 80, 60) << false << R(0, 10, 80, 60);
    QTest::newRow("resized off right clamps") << R(900, 10, 1200, 900) << false << R(900, 10, 1023, 767);
    QTest::newRow("inverted is ordered") << R(80, 60, 10, 10) << false << R(10, 10, 80, 60);
    QTest::newRow("larger than view") << R(-10, -10, 2000, 2000) << true << R(0, 0, 1023, 767);
}

void TestVisionShapes::checkInRangeRect()
{
    setSizes(1920, 1080, 1024, 768);
    QFETCH(QRect, in);
    QFETCH(bool, move);
    QFETCH(QRect, out);
    ClustomRect r(in);
    CheckInRange(&r, move);
    QCOMPARE(QRect(r), out);
}

void TestVisionShapes::blobs()
{
    cv::Mat img = cv::Mat::zeros(100, 100, CV_8UC1);
    cv::rectangle(img, cv::Rect(10, 10, 5, 4), cv::Scalar(255), cv::FILLED);  // 20
    img.at<uchar>(14, 15) = 255;  // diagonal neighbour: same blob (8-connected)
    cv::rectangle(img, cv::Rect(50, 5, 3, 3), cv::Scalar(7), cv::FILLED);     // 9, any non-zero
    cv::rectangle(img, cv::Rect(0, 90, 100, 10), cv::Scalar(255), cv::FILLED); // 1000
    CBlobResult res(img, cv::Mat(), 0);
    QCOMPARE(res.GetNumBlobs(), 3);
    // Scan order of the first pixel: (5,50) row 5 first, then row 10, then row 90.
    QCOMPARE(res.GetBlob(0).Area(), 9.0);
    QCOMPARE(res.GetBlob(0).GetBoundingBox(), cv::Rect(50, 5, 3, 3));
    QCOMPARE(res.GetBlob(1).Area(), 21.0);
    QCOMPARE(res.GetBlob(1).GetBoundingBox(), cv::Rect(10, 10, 6, 5));
    QCOMPARE(res.GetBlob(2).Area(), 1000.0);
    QCOMPARE(res.TotalArea(), 1030.0);
    QCOMPARE(res.GetBlob(3).Area(), 0.0);
    QCOMPARE(res.GetBlob(-1).Area(), 0.0);
    QCOMPARE(CBlobResult(cv::Mat::zeros(10, 10, CV_8UC1)).GetNumBlobs(), 0);
    QCOMPARE(CBlobResult(cv::Mat()).GetNumBlobs(), 0);
}

void TestVisionShapes::blobsMaskAndBackground()
{
    cv::Mat img(20, 20, CV_8UC1, cv::Scalar(100));
    cv::rectangle(img, cv::Rect(2, 2, 4, 4), cv::Scalar(0), cv::FILLED);
    // Background 100: the dark square is the blob.
    CBlobResult res(img, cv::Mat(), 100);
    QCOMPARE(res.GetNumBlobs(), 1);
    QCOMPARE(res.GetBlob(0).Area(), 16.0);
    // The mask hides half of it.
    cv::Mat mask = cv::Mat::zeros(20, 20, CV_8UC1);
    mask(cv::Rect(0, 0, 4, 20)).setTo(255);
    CBlobResult masked(img, mask, 100);
    QCOMPARE(masked.GetNumBlobs(), 1);
    QCOMPARE(masked.GetBlob(0).Area(), 8.0);
}

void TestVisionShapes::moveImage()
{
    cv::Mat src(40, 60, CV_8UC1);
    cv::randu(src, 1, 255);
    cv::Mat dst(40, 60, CV_8UC1, cv::Scalar(77));
    uchar* before = dst.data;
    QVERIFY(MoveImage(src, dst, 13, -7));
    QCOMPARE(dst.data, before);
    QCOMPARE(dst.at<uchar>(0, 13), src.at<uchar>(7, 0));
    QCOMPARE(dst.at<uchar>(32, 59), src.at<uchar>(39, 46));
    QCOMPARE(dst.at<uchar>(10, 12), uchar(0));   // uncovered left strip
    QCOMPARE(dst.at<uchar>(33, 20), uchar(0));   // uncovered bottom strip
    QCOMPARE(cv::countNonZero(dst), (60 - 13) * (40 - 7));
    QVERIFY(MoveImage(src, dst, 100, 0));
    QCOMPARE(cv::countNonZero(dst), 0);
    cv::Mat wrong(10, 10, CV_8UC1);
    QVERIFY(!MoveImage(src, wrong, 1, 1));
    QVERIFY(!MoveImage(src, src, 1, 1));  // same memory
}

void TestVisionShapes::moveImageWritesEveryPixel()
{
    // Every direction of shift against a pixel-by-pixel reference, on a
    // destination full of an earlier frame's value.
    cv::Mat src(23, 31, CV_8UC1);
    cv::randu(src, 1, 255);
    for (int dx : {-31, -5, 0, 7, 30})
        for (int dy : {-4, 0, 3, 23}) {
            cv::Mat dst(src.size(), CV_8UC1, cv::Scalar(77));
            QVERIFY(MoveImage(src, dst, dx, dy));
            cv::Mat expected(src.size(), CV_8UC1, cv::Scalar(0));
            for (int y = 0; y < src.rows; ++y)
                for (int x = 0; x < src.cols; ++x) {
                    const int sx = x - dx, sy = y - dy;
                    if (sx >= 0 && sy >= 0 && sx < src.cols && sy < src.rows)
                        expected.at<uchar>(y, x) = src.at<uchar>(sy, sx);
                }
            QVERIFY2(cv::countNonZero(dst != expected) == 0, qPrintable(QStringLiteral("%1, %2").arg(dx).arg(dy)));
        }
}

void TestVisionShapes::transformImageRotates()
{
    cv::Mat src = cv::Mat::zeros(101, 101, CV_8UC1);
    src.at<uchar>(50, 80) = 255;  // 30 px right of the centre
    cv::Mat dst(101, 101, CV_8UC1, cv::Scalar(9));
    uchar* before = dst.data;
    // +90 degrees turns +x towards +y (image axes): the point lands below the centre.
    QVERIFY(TransformImage(src, dst, cv::Point2f(0, 0), cv::Point2f(50, 50), 90.0));
    QCOMPARE(dst.data, before);
    cv::Point loc;
    cv::minMaxLoc(dst, nullptr, nullptr, nullptr, &loc);
    QCOMPARE(loc, cv::Point(50, 80));
    QCOMPARE(dst.at<uchar>(0, 0), uchar(0));
    // Offset first, then the turn about the centre.
    QVERIFY(TransformImage(src, dst, cv::Point2f(-10, 0), cv::Point2f(50, 50), 90.0));
    cv::minMaxLoc(dst, nullptr, nullptr, nullptr, &loc);
    QCOMPARE(loc, cv::Point(50, 70));
}

void TestVisionShapes::transformRefusesOtherSize()
{
    cv::Mat src = cv::Mat::zeros(20, 20, CV_8UC1);
    cv::Mat dst(10, 20, CV_8UC1, cv::Scalar(5));
    uchar* before = dst.data;
    QVERIFY(!TransformImage(src, dst, cv::Point2f(1, 1), cv::Point2f(5, 5), 10));
    QCOMPARE(dst.data, before);
    QCOMPARE(dst.at<uchar>(0, 0), uchar(5));
}

void TestVisionShapes::frameWarpRectsEqualWholeWarp_data()
{
    QTest::addColumn<bool>("wide");
    QTest::newRow("sse2") << false;
    // Only where the processor has AVX2; otherwise the same as above.
    QTest::newRow("avx2 where present") << true;
}

void TestVisionShapes::frameWarpRectsEqualWholeWarp()
{
    QFETCH(bool, wide);
    FrameWarp::AllowWideBlend(wide);
    if (wide && !FrameWarp::WideBlend())
        QSKIP("no AVX2 on this processor");
    const auto restore = qScopeGuard([] { FrameWarp::AllowWideBlend(true); });
    // A frame aligned only where it is judged must show there exactly the
    // pixels the whole-frame alignment writes, for shifts, fractional shifts,
    // turns and the slight turns a positioned part shows, shifts a hair off
    // whole pixels, boxes inside, across and beyond the frame edge.
    cv::Mat src(240, 320, CV_8UC1);
    cv::RNG rng(77);
    rng.fill(src, cv::RNG::UNIFORM, 0, 256);
    cv::Mat whole(src.size(), CV_8UC1), part(src.size(), CV_8UC1);
    for (int t = 0; t < 400; ++t) {
        FrameWarp w;
        const int kind = t % 5;
        const double turn[] = {0.0, 0.0, rng.uniform(-30.0, 30.0), rng.uniform(-3.0, 3.0), 0.0};
        if (kind == 0)
            w.SetShift(rng.uniform(-30, 31), rng.uniform(-30, 31));
        else if (kind == 4)
            w.SetTransform(cv::Point2f(float(rng.uniform(-20, 21) + rng.uniform(-0.03, 0.03)),
                                       float(rng.uniform(-20, 21) + rng.uniform(-0.03, 0.03))),
                           cv::Point2f(160.f, 120.f), 0.0);
        else
            w.SetTransform(cv::Point2f(float(rng.uniform(-20.0, 20.0)), float(rng.uniform(-20.0, 20.0))),
                           cv::Point2f(float(rng.uniform(0.0, 320.0)), float(rng.uniform(0.0, 240.0))), turn[kind]);
        QVERIFY(w.Apply(src, whole));
        part.setTo(0);
        cv::Mat written = cv::Mat::zeros(src.size(), CV_8UC1);
        for (int k = 0; k < 6; ++k) {
            const cv::Rect r(rng.uniform(-40, 330), rng.uniform(-40, 250), rng.uniform(1, 120), rng.uniform(1, 90));
            QVERIFY(w.ApplyRect(src, part, r));
            written(r & cv::Rect(0, 0, 320, 240)).setTo(255);
        }
        cv::Mat diff;
        cv::absdiff(whole, part, diff);
        diff.setTo(0, written == 0);
        QVERIFY2(cv::countNonZero(diff) == 0, qPrintable(QStringLiteral("transform %1: %2 pixels differ").arg(t).arg(cv::countNonZero(diff))));
        QCOMPARE(cv::countNonZero(part & (written == 0)), 0);  // nothing outside the boxes
    }
    // Turns beyond 45 degrees: source columns no longer step one per pixel
    // and rows jump, which the grouped blend must leave to the single one.
    for (int t = 0; t < 40; ++t) {
        FrameWarp w;
        const double a = (t % 2 ? 1 : -1) * rng.uniform(45.0, 180.0);
        w.SetTransform(cv::Point2f(float(rng.uniform(-20.0, 20.0)), float(rng.uniform(-20.0, 20.0))),
                       cv::Point2f(160.f, 120.f), a);
        QVERIFY(w.Apply(src, whole));
        const cv::Rect r(rng.uniform(0, 200), rng.uniform(0, 150), rng.uniform(20, 120), rng.uniform(1, 90));
        part.setTo(0);
        QVERIFY(w.ApplyRect(src, part, r));
        const cv::Rect in = r & cv::Rect(0, 0, 320, 240);
        QVERIFY2(cv::countNonZero(whole(in) != part(in)) == 0, qPrintable(QStringLiteral("turn %1 degrees").arg(a)));
    }
}

void TestVisionShapes::colourConversions()
{
    const int rgba[4] = {int(0xFFFFFFFF), int(0xFFFF0000), int(0xFF00FF00), int(0xFF0000FF)};
    unsigned char grey[4], hue[4];
    RGBA2Gray(grey, rgba, 2, 2);
    QCOMPARE(int(grey[0]), 255);
    QCOMPARE(int(grey[1]), 76);
    QCOMPARE(int(grey[2]), 149);
    QCOMPARE(int(grey[3]), 28);
    RGBA2Hue(hue, rgba, 4, 1);
    QCOMPARE(int(hue[0]), 0);
    QCOMPARE(int(hue[1]), 0);
    QCOMPARE(int(hue[2]), 85);
    QCOMPARE(int(hue[3]), 170);

    const unsigned char g[3] = {0, 128, 255};
    int out[3];
    Gray2RGBA(g, out, 3, 1);
    QCOMPARE(quint32(out[1]), 0xFF808080u);
    // A view wraps the buffer as RGB32 without a copy.
    QImage view(reinterpret_cast<uchar*>(out), 3, 1, QImage::Format_RGB32);
    QCOMPARE(view.pixel(2, 0), qRgb(255, 255, 255));

    const unsigned char rgb[6] = {10, 20, 30, 200, 100, 0};
    unsigned char packed[8];
    RGB2RGBA(rgb, packed, 2, 1);
    QImage v2(packed, 2, 1, QImage::Format_RGB32);
    QCOMPARE(v2.pixel(0, 0), qRgb(10, 20, 30));
    QCOMPARE(v2.pixel(1, 0), qRgb(200, 100, 0));
}

MOJU_TEST_CORE_MAIN(TestVisionShapes)
#include "test_vision_shapes.moc"
