// Edge points of the distance ROI on synthetic strips.
#include "TestSupport.h"

#include "inspect/EdgePoint.h"

#include <opencv2/imgproc.hpp>

#include <memory>

namespace {
// Frame whose grey value depends on the column only (or the row when byRow).
cv::Mat columnPicture(int w, int h, const std::function<int(int)>& grey, bool byRow = false)
{
    cv::Mat img(h, w, CV_8UC1);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.at<uchar>(y, x) = cv::saturate_cast<uchar>(grey(byRow ? y : x));
    return img;
}

struct Search {
    std::unique_ptr<RotateRectROI> roi;
    EdgePointDetParam p;
    int result = 0;
};

std::unique_ptr<Search> run(const cv::Mat& img, const cv::Rect& box, int dir, int sensitivity = 10)
{
    auto s = std::make_unique<Search>();
    s->roi.reset(Rect2RotateRect(box, dir));
    s->p.roi = s->roi.get();
    s->p.peakPercent = 1;
    s->p.smoothWidth = 5;
    s->p.sensitivity = sensitivity;
    s->result = clcEdgePoint(img, s->p);
    return s;
}
}  // namespace

class TestEdgePoint : public QObject {
    Q_OBJECT
private slots:
    void rotateRect_data();
    void rotateRect();
    void cornersAtZeroAndNinety();
    void distance();
    void tooNarrowLeavesPoints();
    void edges_data();
    void edges();
    void plateauCentre();
    void directionOneSwapsStrip();
    void colourFrame();
};

void TestEdgePoint::rotateRect_data()
{
    QTest::addColumn<cv::Rect>("box");
    QTest::addColumn<int>("dir");
    QTest::addColumn<double>("cx");
    QTest::addColumn<double>("cy");
    QTest::addColumn<float>("angle");
    QTest::addColumn<float>("w");
    QTest::addColumn<float>("h");
    QTest::newRow("dir 0") << cv::Rect(10, 20, 41, 31) << 0 << 30.0 << 35.0 << 0.f << 41.f << 31.f;
    QTest::newRow("dir 1") << cv::Rect(10, 20, 40, 100) << 1 << 30.0 << 70.0 << 90.f << 100.f << 40.f;
    QTest::newRow("dir 7") << cv::Rect(0, 0, 5, 9) << 7 << 2.0 << 4.0 << 90.f << 9.f << 5.f;
}

void TestEdgePoint::rotateRect()
{
    QFETCH(cv::Rect, box);
    QFETCH(int, dir);
    std::unique_ptr<RotateRectROI> r(Rect2RotateRect(box, dir));
    QTEST(r->cx, "cx");
    QTEST(r->cy, "cy");
    QTEST(r->angle, "angle");
    QTEST(r->width, "w");
    QTEST(r->height, "h");
}

void TestEdgePoint::cornersAtZeroAndNinety()
{
    RotateRectROI r;
    r.cx = 50;
    r.cy = 40;
    r.width = 20;
    r.height = 10;
    std::vector<cv::Point2f> c(7);
    getCornerPoints(r, c);
    QCOMPARE(c.size(), size_t(4));
    QCOMPARE(c[0], cv::Point2f(40, 35));
    QCOMPARE(c[1], cv::Point2f(60, 35));
    QCOMPARE(c[2], cv::Point2f(60, 45));
    QCOMPARE(c[3], cv::Point2f(40, 45));
    r.angle = 90;
    getCornerPoints(r, c);
    QVERIFY(std::abs(c[0].x - 55) < 1e-3 && std::abs(c[0].y - 30) < 1e-3);
    QVERIFY(std::abs(c[2].x - 45) < 1e-3 && std::abs(c[2].y - 50) < 1e-3);
}

void TestEdgePoint::distance()
{
    QCOMPARE(DistP2P(cv::Point2d(0, 0), cv::Point2d(3, 4)), 5.f);
    QCOMPARE(DistP2P(cv::Point2d(1.5, 1), cv::Point2d(1.5, 1)), 0.f);
}

void TestEdgePoint::tooNarrowLeavesPoints()
{
    const cv::Mat img = columnPicture(100, 50, [](int x) { return x < 50 ? 0 : 200; });
    for (const auto& wh : {std::pair<float, float>(0.5f, 20.f), std::pair<float, float>(20.f, 0.5f)}) {
        RotateRectROI r;
        r.cx = 50;
        r.cy = 25;
        r.width = wh.first;
        r.height = wh.second;
        EdgePointDetParam p;
        p.roi = &r;
        p.points = {cv::Point2d(7, 7)};
        p.found = true;
        QCOMPARE(clcEdgePoint(img, p), 0);
        QVERIFY(!p.found);
        QCOMPARE(p.points.size(), size_t(1));
        QCOMPARE(p.points[0], cv::Point2d(7, 7));
    }
}

void TestEdgePoint::edges_data()
{
    QTest::addColumn<QList<int>>("steps");  // columns where the grey level flips
    QTest::addColumn<QList<double>>("xs");  // expected edge points (x); y is the centre line
    QTest::newRow("uniform") << QList<int>{} << QList<double>{};
    QTest::newRow("one step") << QList<int>{100} << QList<double>{100};
    QTest::newRow("two steps") << QList<int>{70, 120} << QList<double>{70, 120};
    QTest::newRow("four steps: first and last") << QList<int>{60, 80, 100, 125} << QList<double>{60, 125};
}

void TestEdgePoint::edges()
{
    QFETCH(QList<int>, steps);
    QFETCH(QList<double>, xs);
    const cv::Mat img = columnPicture(200, 80, [&](int x) {
        int flips = 0;
        for (int s : steps)
            flips += x >= s ? 1 : 0;
        return (flips % 2) ? 180 : 40;
    });
    // Box columns 40..139: strip column i is frame column 40 + i.
    auto s = run(img, cv::Rect(40, 20, 100, 40), 0);
    QCOMPARE(s->result, xs.isEmpty() ? 0 : 1);
    QCOMPARE(s->p.found, !xs.isEmpty());
    QCOMPARE(s->p.strip.size(), cv::Size(100, 40));
    QCOMPARE(int(s->p.gradient.size()), 100);
    QCOMPARE(int(s->p.points.size()), int(xs.size()));
    for (int i = 0; i < xs.size(); ++i) {
        QVERIFY2(std::abs(s->p.points[size_t(i)].x - xs[i]) < 1e-4, qPrintable(QString::number(s->p.points[size_t(i)].x)));
        QCOMPARE(s->p.points[size_t(i)].y, 40.0);
    }
    if (!xs.isEmpty())
        QVERIFY(std::abs(s->p.maxGrad - 140.0 / 5) < 1e-3);  // one step of 140 spread over five entries
}

void TestEdgePoint::plateauCentre()
{
    // A ramp of +20 per column over strip columns 27..35: after smoothing the
    // equal maxima lie at 30..33.
    const cv::Mat img = columnPicture(200, 60, [](int x) {
        const int c = x - 40;
        return 40 + 20 * std::clamp(c - 27, 0, 8);
    });
    auto s = run(img, cv::Rect(40, 10, 100, 40), 0, 5);
    QCOMPARE(s->result, 1);
    QCOMPARE(s->p.points.size(), size_t(1));
    QVERIFY(std::abs(s->p.points[0].x - (90 + 31.5 - 50)) < 1e-4);
}

void TestEdgePoint::directionOneSwapsStrip()
{
    // A horizontal edge at row 60; the box is 40 wide and 100 high.
    const cv::Mat img = columnPicture(120, 160, [](int y) { return y < 60 ? 30 : 220; }, true);
    const cv::Rect box(30, 10, 40, 100);
    auto s = run(img, box, 1);
    QCOMPARE(s->p.strip.cols, 100);
    QCOMPARE(s->p.strip.rows, 40);
    QCOMPARE(s->result, 1);
    QCOMPARE(s->p.points.size(), size_t(1));
    QVERIFY(std::abs(s->p.points[0].x - (box.x + 20)) < 1e-3);
    QVERIFY(std::abs(s->p.points[0].y - 60) < 1.01);
}

void TestEdgePoint::colourFrame()
{
    const cv::Mat grey = columnPicture(200, 80, [](int x) { return x < 100 ? 40 : 180; });
    cv::Mat colour;
    cv::cvtColor(grey, colour, cv::COLOR_GRAY2BGRA);
    auto s = run(colour, cv::Rect(40, 20, 100, 40), 0);
    QCOMPARE(s->p.strip.type(), CV_8UC1);
    QCOMPARE(s->result, 1);
    QVERIFY(std::abs(s->p.points[0].x - 100) < 1e-4);
}

MOJU_TEST_CORE_MAIN(TestEdgePoint)
#include "test_edge_point.moc"
