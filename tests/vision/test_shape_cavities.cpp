// Positioning on a full-size mould picture of many identical cavities: the
// coarse search level cannot tell the cavities apart, the refined search must.
#include "TestSupport.h"

#include "platform/vision/FindShape.h"
#include "platform/vision/ImageTransform.h"

#include <opencv2/imgproc.hpp>

#include <cmath>

namespace {
constexpr int kW = 1920;
constexpr int kH = 1080;

// Identical cavities with small features (pins, ribs, lettering) on a shaded
// plate, and the few large features of the mould itself.
cv::Mat CavityMould(double noise, unsigned seed)
{
    cv::Mat m(kH, kW, CV_8UC1);
    for (int y = 0; y < kH; ++y)
        m.row(y).setTo(60 + y * 40 / kH);
    for (int gy = 0; gy < 6; ++gy)
        for (int gx = 0; gx < 12; ++gx) {
            const cv::Point o(gx * 160 + 10, gy * 180 + 20);
            cv::rectangle(m, cv::Rect(o.x + 15, o.y + 15, 120, 110), cv::Scalar(170), cv::FILLED);
            cv::circle(m, o + cv::Point(75, 70), 22, cv::Scalar(30), cv::FILLED);
            cv::rectangle(m, cv::Rect(o.x + 30, o.y + 110, 60, 8), cv::Scalar(230), cv::FILLED);
            for (int d = 0; d < 8; ++d)
                cv::circle(m, o + cv::Point(25 + d * 12, 30), 2, cv::Scalar(240), cv::FILLED);
        }
    cv::rectangle(m, cv::Rect(300, 200, 700, 420), cv::Scalar(110), 6);
    cv::circle(m, cv::Point(1250, 560), 230, cv::Scalar(210), 10);
    cv::line(m, cv::Point(520, 820), cv::Point(1500, 700), cv::Scalar(15), 12);
    if (noise > 0) {
        cv::Mat n(kH, kW, CV_16SC1);
        cv::RNG rng(seed);
        rng.fill(n, cv::RNG::NORMAL, 0, noise);
        cv::Mat f;
        m.convertTo(f, CV_16SC1);
        cv::add(f, n, f);
        f.convertTo(m, CV_8UC1);
    }
    return m;
}
}  // namespace

class TestShapeCavities : public QObject {
    Q_OBJECT
private slots:
    void findsKnownMove_data();
    void findsKnownMove();
    void boundsLeaveTheResult_data();
    void boundsLeaveTheResult();
};

void TestShapeCavities::findsKnownMove_data()
{
    QTest::addColumn<cv::Rect>("box");
    QTest::addColumn<int>("range");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<double>("angle");
    const cv::Rect centreHalf(kW / 4, kH / 4, kW / 2, kH / 2);
    const cv::Rect smaller((kW - 480) / 2, (kH - 360) / 2, 480, 360);
    QTest::newRow("centre half, own template") << centreHalf << 0 << 0 << 0 << 0.0;
    QTest::newRow("centre half, 1 px") << centreHalf << 0 << 1 << 0 << 0.0;
    QTest::newRow("centre half, 13, -7") << centreHalf << 0 << 13 << -7 << 0.0;
    QTest::newRow("centre half, one cavity pitch less 3 px") << centreHalf << 0 << 157 << 4 << 0.0;
    QTest::newRow("480 x 360, own template") << smaller << 0 << 0 << 0 << 0.0;
    QTest::newRow("480 x 360, 1 px") << smaller << 0 << 0 << 1 << 0.0;
    QTest::newRow("480 x 360, -22, 9") << smaller << 0 << -22 << 9 << 0.0;
    QTest::newRow("centre half, 30 deg, not moved") << centreHalf << 30 << 0 << 0 << 0.0;
    QTest::newRow("centre half, 30 deg, 1 px") << centreHalf << 30 << 1 << 0 << 0.0;
    QTest::newRow("centre half, 13, -7 and 10 deg") << centreHalf << 30 << 13 << -7 << 10.0;
    QTest::newRow("480 x 360, -9, 5 and -4 deg") << smaller << 30 << -9 << 5 << -4.0;
}

void TestShapeCavities::findsKnownMove()
{
    QFETCH(cv::Rect, box);
    QFETCH(int, range);
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(double, angle);
    const cv::Mat templ = CavityMould(2.0, 1);
    const cv::Point C(box.x + box.width / 2, box.y + box.height / 2);
    FindShape fs;
    QVERIFY(fs.CreateShape(templ(box), 0.0, 0, range, C.x, C.y, false, 255,
                           cv::Mat(box.size(), CV_8UC1, cv::Scalar(255)), 5, 0));

    // The mould moved by (dx, dy) and turned by `angle` about the model centre,
    // seen with other camera noise.
    const double a = angle * CV_PI / 180.0, c = std::cos(a), s = std::sin(a);
    cv::Mat m = (cv::Mat_<double>(2, 3) << c, -s, C.x - c * C.x + s * C.y + dx, s, c, C.y - s * C.x - c * C.y + dy);
    cv::Mat frame;
    cv::warpAffine(CavityMould(2.0, 2), frame, m, templ.size(), cv::INTER_LINEAR, cv::BORDER_REPLICATE);

    int x = 0, y = 0;
    double r1 = 0, r2 = 0;
    QVERIFY(fs.Find(frame, 0, &x, &y, &r1, &r2));
    QVERIFY2(std::abs(x + dx) <= 1 && std::abs(y + dy) <= 1,
             qPrintable(QStringLiteral("shift %1,%2 score %3").arg(x).arg(y).arg(r1)));
    QVERIFY2(std::abs(r2 + angle) <= 0.5, qPrintable(QString::number(r2)));
    QVERIFY(r1 >= 0.8);
}

void TestShapeCavities::boundsLeaveTheResult_data()
{
    QTest::addColumn<cv::Rect>("box");
    QTest::addColumn<int>("range");
    QTest::addColumn<double>("minScore");
    QTest::addColumn<unsigned>("seed");
    const cv::Rect centreHalf(kW / 4, kH / 4, kW / 2, kH / 2);
    const cv::Rect cavities(330, 380, 520, 400);
    QTest::newRow("centre half, shift only") << centreHalf << 0 << 0.5 << 11u;
    QTest::newRow("centre half, 30 deg") << centreHalf << 30 << 0.5 << 12u;
    QTest::newRow("cavities, 30 deg, strict") << cavities << 30 << 0.92 << 13u;
    QTest::newRow("cavities, 12 deg, loose") << cavities << 12 << 0.2 << 14u;
}

// The quick search (places ruled out by a bound, spreads read a row at a
// time) must report exactly what the plain one does: on many alike cavities
// the candidates tie and crowd each other, where a bound that dropped a place
// still needed, or one wrong spread, would show.
void TestShapeCavities::boundsLeaveTheResult()
{
    QFETCH(cv::Rect, box);
    QFETCH(int, range);
    QFETCH(double, minScore);
    QFETCH(unsigned, seed);
    const cv::Mat templ = CavityMould(2.0, 1);
    const cv::Point C(box.x + box.width / 2, box.y + box.height / 2);
    FindShape fs;
    QVERIFY(fs.CreateShape(templ(box), 0.0, 0, range, C.x, C.y, false, 255,
                           cv::Mat(box.size(), CV_8UC1, cv::Scalar(255)), 5, 0));
    fs.setMinScore(minScore);
    cv::RNG rng(seed);
    for (int k = 0; k < 3; ++k) {
        const double angle = range > 0 ? rng.uniform(-double(range), double(range)) : 0.0;
        const double dx = rng.uniform(-40.0, 40.0), dy = rng.uniform(-40.0, 40.0);
        const double a = angle * CV_PI / 180.0, c = std::cos(a), s = std::sin(a);
        cv::Mat m = (cv::Mat_<double>(2, 3) << c, -s, C.x - c * C.x + s * C.y + dx, s, c, C.y - s * C.x - c * C.y + dy);
        cv::Mat frame;
        cv::warpAffine(CavityMould(3.0 + k, seed + unsigned(k)), frame, m, templ.size(), cv::INTER_LINEAR,
                       cv::BORDER_REPLICATE);
        // A window that is not the whole frame, so that reads near its edges count.
        const cv::Mat window = frame(cv::Rect(40 * k, 30 * k, kW - 80 * k, kH - 60 * k));
        ShapeFound bounded, full;
        fs.setQuick(true);
        const bool b = fs.Find(window, bounded);
        fs.setQuick(false);
        const bool f = fs.Find(window, full);
        const QString at = QStringLiteral("try %1: %2 %3 %4 / %5 %6 %7")
                               .arg(k)
                               .arg(bounded.x)
                               .arg(bounded.y)
                               .arg(bounded.score)
                               .arg(full.x)
                               .arg(full.y)
                               .arg(full.score);
        QVERIFY2(b == f, qPrintable(at));
        QVERIFY2(bounded.x == full.x && bounded.y == full.y && bounded.score == full.score
                     && bounded.angle == full.angle && bounded.fit == full.fit && bounded.refined == full.refined
                     && bounded.ambiguous == full.ambiguous,
                 qPrintable(at));
    }
}

MOJU_TEST_CORE_MAIN(TestShapeCavities)
#include "test_shape_cavities.moc"
