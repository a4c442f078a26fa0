// The engine's own image kernels give exactly the pixels of the plain
// reference they replace, on pictures of every size (views into larger
// images included) and content.
#include "TestSupport.h"

#include "platform/vision/BandSelect.h"
#include "platform/vision/BilinearRead.h"
#include "platform/vision/CBlobResult.h"
#include "platform/vision/DirectionBits.h"
#include "platform/vision/FindShape.h"
#include "platform/vision/GridStats.h"
#include "platform/vision/LightingFit.h"
#include "platform/vision/NormalSums.h"
#include "platform/vision/Opening.h"
#include "platform/vision/PoseRefine.h"
#include "platform/vision/Pyramid.h"
#include "platform/vision/SoftCut.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {
// Noise, hard black/white, and smooth shaded content; every fourth one a view
// that has pixels of its parent around it.
cv::Mat Picture(cv::RNG& rng, int t, int w, int h)
{
    cv::Mat parent(h + 6, w + 6, CV_8UC1);
    switch (t % 3) {
    case 0:
        rng.fill(parent, cv::RNG::UNIFORM, 0, 256);
        break;
    case 1:
        rng.fill(parent, cv::RNG::UNIFORM, 0, 2);
        parent *= 255;
        break;
    default:
        rng.fill(parent, cv::RNG::NORMAL, 128, 50);
        cv::GaussianBlur(parent, parent, cv::Size(5, 5), 1.5);
    }
    if (t % 4 == 3)
        return parent(cv::Rect(rng.uniform(0, 7), rng.uniform(0, 7), w, h));
    return parent(cv::Rect(0, 0, w, h)).clone();
}

cv::Size SizeOf(cv::RNG& rng, int t)
{
    // Every small size first (where only the edge paths run), then larger ones.
    if (t < 144)
        return cv::Size(1 + t % 12, 1 + t / 12);
    return cv::Size(rng.uniform(1, 260), rng.uniform(1, 160));
}

// What the shape search compared with before: cv::Sobel's sums, binned per pixel.
cv::Mat ReferenceBits(const cv::Mat& img, int minMag)
{
    cv::Mat gx, gy;
    cv::Sobel(img, gx, CV_16S, 1, 0, 3, 1, 0, cv::BORDER_REPLICATE);
    cv::Sobel(img, gy, CV_16S, 0, 1, 3, 1, 0, cv::BORDER_REPLICATE);
    cv::Mat bits(img.size(), CV_8UC1);
    for (int y = 0; y < img.rows; ++y)
        for (int x = 0; x < img.cols; ++x)
            bits.at<uchar>(y, x) = DirectionBits::BitOf(gx.at<short>(y, x), gy.at<short>(y, x), minMag * minMag);
    return bits;
}

cv::Mat ReferenceSpread(const cv::Mat& bits)
{
    cv::Mat out = cv::Mat::zeros(bits.size(), CV_8UC1);
    for (int y = 0; y < bits.rows; ++y)
        for (int x = 0; x < bits.cols; ++x)
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if (y + dy >= 0 && y + dy < bits.rows && x + dx >= 0 && x + dx < bits.cols)
                        out.at<uchar>(y, x) |= bits.at<uchar>(y + dy, x + dx);
    return out;
}

bool Same(const cv::Mat& a, const cv::Mat& b)
{
    return a.size() == b.size() && a.type() == b.type() && cv::norm(a, b, cv::NORM_INF) == 0;
}

// The same double to the last bit.
bool Same(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
}  // namespace

class TestVisionKernels : public QObject {
    Q_OBJECT
private slots:
    void pyramidEqualsPyrDown();
    void directionBitsEqualSobelBins();
    void bilinearCrossEqualsFiveReads();
    void openingEqualsMorphologyEx();
    void bandSelectEqualsInRangeAndMasks();
    void preparedLightingFitEqualsPlainFit();
    void lightingPlaneEqualsPlainFit();
    void gridStatsEqualMeanStdDev();
    void maskedPictureEqualsPlainLoops();
    void blobsEqualConnectedComponents();
    void normalSumsEqualRunningSums();
    void turnedPointsEqualPlainRounding();
    void noiseEqualsPlainMedian();
    void softCutEqualsGaussianBlur();
};

void TestVisionKernels::pyramidEqualsPyrDown()
{
    cv::RNG rng(11);
    cv::Mat mine;
    for (int t = 0; t < 600; ++t) {
        const cv::Size s = SizeOf(rng, t);
        const cv::Mat src = Picture(rng, t, s.width, s.height);
        cv::Mat ref;
        cv::pyrDown(src, ref);
        PyrDownGrey(src, mine);
        QVERIFY2(Same(ref, mine), qPrintable(QStringLiteral("%1 x %2, case %3").arg(s.width).arg(s.height).arg(t)));
    }
}

void TestVisionKernels::directionBitsEqualSobelBins()
{
    // One object reused over changing sizes, as the search reuses it.
    cv::RNG rng(12);
    DirectionBits bits;
    cv::Mat spread;
    for (int t = 0; t < 600; ++t) {
        const cv::Size s = SizeOf(rng, t);
        const cv::Mat src = Picture(rng, t, s.width, s.height);
        const int minMag = rng.uniform(0, 80);
        const QString what = QStringLiteral("%1 x %2, case %3").arg(s.width).arg(s.height).arg(t);
        const cv::Mat ref = ReferenceBits(src, minMag);
        bits.Compute(src, minMag);
        QVERIFY2(Same(ref, bits.Bits()), qPrintable(what));
        bits.Spread(spread);
        QVERIFY2(Same(ReferenceSpread(ref), spread), qPrintable(what));
        // Without the picture's border, as the finer search levels read it.
        cv::Mat inner = ref.clone();
        inner.row(0).setTo(0);
        inner.row(inner.rows - 1).setTo(0);
        inner.col(0).setTo(0);
        inner.col(inner.cols - 1).setTo(0);
        bits.ClearBorder();
        bits.Spread(spread);
        QVERIFY2(Same(inner, bits.Bits()) && Same(ReferenceSpread(inner), spread), qPrintable(what));
    }
}

void TestVisionKernels::bilinearCrossEqualsFiveReads()
{
    // Wide enough for coordinates past 1024 and 2048, where x + 1 may round.
    cv::Mat img(40, 2100, CV_8UC1);
    cv::RNG rng(13);
    rng.fill(img, cv::RNG::UNIFORM, 0, 256);
    for (int t = 0; t < 200000; ++t) {
        double x = rng.uniform(-2.0, 2101.0);
        double y = rng.uniform(-2.0, 41.0);
        switch (t % 4) {
        case 0:  // just below a power of two, or an integer
            x = std::nextafter(double(1 << rng.uniform(0, 12)), 0.0) - (t % 8 == 0 ? 1.0 : 0.0);
            break;
        case 1:
            y = std::nextafter(double(1 << rng.uniform(0, 6)), 0.0);
            break;
        case 2:
            x = std::floor(x) + std::ldexp(1.0, -rng.uniform(1, 50));
            break;
        default:
            break;
        }
        double v, l, r, u, d, v5, l5, r5, u5, d5;
        const bool inside = Bilinear(img, x, y, v5) && Bilinear(img, x - 1, y, l5) && Bilinear(img, x + 1, y, r5)
            && Bilinear(img, x, y - 1, u5) && Bilinear(img, x, y + 1, d5);
        const QString at = QStringLiteral("(%1, %2)").arg(x, 0, 'g', 17).arg(y, 0, 'g', 17);
        QVERIFY2(BilinearCross(img, x, y, v, l, r, u, d) == inside, qPrintable(at));
        if (inside)
            QVERIFY2(Same(v, v5) && Same(l, l5) && Same(r, r5) && Same(u, u5) && Same(d, d5), qPrintable(at));
    }
}

void TestVisionKernels::openingEqualsMorphologyEx()
{
    // Sparse specks and blobs (difference images), dense noise, empty pictures.
    cv::RNG rng(14);
    for (int t = 0; t < 600; ++t) {
        const cv::Size s = SizeOf(rng, t);
        cv::Mat img = Picture(rng, t, s.width, s.height).clone();
        if (t % 5 == 1)
            img = img > 200;
        else if (t % 5 == 2)
            img.setTo(0);
        const int k = t % 7 == 6 ? 5 : 3;
        const cv::Mat element = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(k, k));
        cv::Mat ref;
        cv::morphologyEx(img, ref, cv::MORPH_OPEN, element);
        const bool any = OpenEllipse(img, k, k == 3 ? cv::Mat() : element);
        const QString what = QStringLiteral("%1 x %2, case %3").arg(s.width).arg(s.height).arg(t);
        QVERIFY2(Same(ref, img), qPrintable(what));
        QVERIFY2(any == (cv::countNonZero(ref) > 0), qPrintable(what));
    }
    // Only the box around what is set is opened: blobs anywhere in an empty
    // picture, at its edges or away from them; the box given back holds all
    // that is left.
    for (int t = 0; t < 400; ++t) {
        const cv::Size s = SizeOf(rng, t);
        // Some pictures are views whose rows are followed by set bytes (the
        // 3 x 3 pass reads only the view; morphologyEx would read its parent).
        const int k = t % 7 == 6 ? 5 : 3;
        cv::Mat parent(s.height, s.width + (t % 3 == 1 && k == 3 ? 7 : 0), CV_8UC1, cv::Scalar(255));
        cv::Mat img = parent(cv::Rect(0, 0, s.width, s.height));
        img.setTo(0);
        const int x0 = t % 3 == 0 ? 0 : rng.uniform(0, s.width), y0 = t % 5 == 0 ? 0 : rng.uniform(0, s.height);
        const int x1 = t % 4 == 0 ? s.width : rng.uniform(x0 + 1, s.width + 1);
        const int y1 = t % 7 == 0 ? s.height : rng.uniform(y0 + 1, s.height + 1);
        const cv::Rect part(x0, y0, x1 - x0, y1 - y0);
        cv::Mat in = img(part);
        Picture(rng, t, part.width, part.height).copyTo(in);
        if (t % 2)
            in.setTo(0, in < 150);
        const QString what = QStringLiteral("%1 x %2, box %3 %4 %5 %6, case %7")
                                 .arg(s.width).arg(s.height).arg(x0).arg(y0).arg(part.width).arg(part.height).arg(t);
        // cv::boundingRect misses columns of pictures a few pixels wide: the points' own box.
        std::vector<cv::Point> set;
        cv::findNonZero(img, set);
        QVERIFY2(NonZeroBounds(img) == (set.empty() ? cv::Rect() : cv::boundingRect(set)), qPrintable(what));
        // Pixels side by side that a 2 x 2 erosion keeps (sparse specks too);
        // OpenCV's box taken over the rows that hold any pixel.
        // Also the picture's border alone, where the two anchors differ.
        cv::Mat rim = img > 240;
        if (s.width > 2 && s.height > 2)
            rim(cv::Rect(1, 1, s.width - 2, s.height - 2)).setTo(0);
        for (const cv::Mat& m : {img, cv::Mat(img > 240), rim}) {
            cv::Mat eroded, other;
            cv::erode(m, eroded, cv::Mat::ones(2, 2, CV_8U));
            QVERIFY2(AnyErodedByTwo(m) == (cv::countNonZero(eroded) > 0), qPrintable(what));
            cv::erode(m, other, cv::Mat::ones(2, 2, CV_8U), cv::Point(0, 0));
            QVERIFY2(AnyErodedByTwo(m, true) == (cv::countNonZero(other) > 0), qPrintable(what));
            QVERIFY2(AnyErodedByTwoEither(m) == (cv::countNonZero(eroded | other) > 0), qPrintable(what));
            cv::Mat crossed;
            cv::erode(m, crossed, cv::getStructuringElement(cv::MORPH_CROSS, cv::Size(3, 3)));
            QVERIFY2(AnyErodedByCross(m) == (cv::countNonZero(crossed) > 0), qPrintable(what));
            QVERIFY2(AnyErodedByTwoOrCross(m) == (cv::countNonZero(eroded | other | crossed) > 0), qPrintable(what));
            const cv::Range rows = NonZeroRows(m);
            QVERIFY2(rows.empty() == set.empty() || &m != &img, qPrintable(what));
            if (!rows.empty())
                QVERIFY2(cv::boundingRect(m.rowRange(rows)) + cv::Point(0, rows.start) == cv::boundingRect(m), qPrintable(what));
        }
        const cv::Mat element = cv::getStructuringElement(cv::MORPH_ELLIPSE, cv::Size(k, k));
        cv::Mat ref;
        cv::morphologyEx(img.clone(), ref, cv::MORPH_OPEN, element);
        QVERIFY2(AnyNonZero(img) == !NonZeroBounds(img).empty(), qPrintable(what));
        cv::Rect kept(-1, -1, -1, -1);
        const bool any = OpenEllipse(img, k, k == 3 ? cv::Mat() : element, &kept);
        QVERIFY2(Same(ref, img), qPrintable(what));
        QVERIFY2(any == (cv::countNonZero(ref) > 0), qPrintable(what));
        QVERIFY2((kept & cv::Rect(0, 0, s.width, s.height)) == kept, qPrintable(what));
        QVERIFY2(cv::countNonZero(ref) == (kept.empty() ? 0 : cv::countNonZero(ref(kept))), qPrintable(what));
    }
}

void TestVisionKernels::bandSelectEqualsInRangeAndMasks()
{
    // Bands at both ends of the grey scale, one grey wide, the whole scale;
    // masks with values other than 255 (their bits are kept).
    const int bands[][2] = {{0, 50}, {200, 255}, {0, 255}, {128, 128}, {0, 0}, {255, 255}, {37, 201}};
    cv::RNG rng(21);
    for (int t = 0; t < 400; ++t) {
        const cv::Size s = SizeOf(rng, t);
        const cv::Mat window = Picture(rng, t, s.width, s.height);
        const cv::Mat a = Picture(rng, t + 1, s.width, s.height) > 60;
        cv::Mat b = Picture(rng, t + 2, s.width, s.height);
        const int lower = bands[t % 7][0], upper = bands[t % 7][1];
        cv::Mat ref;
        cv::inRange(window, cv::Scalar(lower), cv::Scalar(upper), ref);
        cv::bitwise_and(ref, a, ref);
        cv::bitwise_and(ref, b, ref);
        cv::Mat out;
        SelectBand(window, lower, upper, a, b, out);
        QVERIFY2(Same(ref, out), qPrintable(QStringLiteral("%1 x %2, band %3..%4").arg(s.width).arg(s.height).arg(lower).arg(upper)));
    }
}

void TestVisionKernels::preparedLightingFitEqualsPlainFit()
{
    // References as training makes them (fractional means of grey levels),
    // some with tiny values whose cross sum is not exact in integers;
    // windows brighter or darker, with and without a foreign patch.
    cv::RNG rng(15);
    int exact = 0, inexact = 0;
    for (int t = 0; t < 400; ++t) {
        const cv::Size s(rng.uniform(1, 90), rng.uniform(1, 90));
        cv::Mat ref(s, CV_32FC1);
        rng.fill(ref, cv::RNG::UNIFORM, 0.0, 255.0);
        if (t % 3 == 1)
            ref.at<float>(0, 0) = float(rng.uniform(1e-7, 0.4));
        cv::Mat use = Picture(rng, 0, s.width, s.height) > 20;
        cv::Mat tol(s, CV_32FC1);
        rng.fill(tol, cv::RNG::UNIFORM, 1.0, 30.0);
        cv::Mat win;
        ref.convertTo(win, CV_8U, rng.uniform(0.6, 1.4), rng.uniform(-30.0, 30.0));
        cv::Mat noise(s, CV_8UC1);
        rng.fill(noise, cv::RNG::UNIFORM, 0, 4);
        win += noise;
        if (t % 2 == 0)
            win(cv::Rect(0, 0, (s.width + 1) / 2, (s.height + 2) / 3)).setTo(t % 4 == 0 ? 255 : 0);
        PreparedLightingFit fit;
        fit.Prepare(ref, use);
        (fit.ExactCross() ? exact : inexact)++;
        const cv::Mat noTol;
        for (const cv::Mat* tl : {static_cast<const cv::Mat*>(&tol), &noTol}) {
            const Lighting a = FitLighting(ref, win, use, *tl);
            const Lighting b = fit.Estimate(ref, win, use, *tl);
            QVERIFY2(Same(a.gain, b.gain) && Same(a.offset, b.offset), qPrintable(QString::number(t)));
        }
    }
    QVERIFY(exact > 100 && inexact > 50);  // both ways of summing ran
}

void TestVisionKernels::lightingPlaneEqualsPlainFit()
{
    // References in floats and in bytes, sizes off the lanes' multiples,
    // masks with holes, lighting that tilts and bends, clipped pixels (or
    // hues, where 0 and 255 are values), a foreign patch that the second fit
    // leaves out.
    cv::RNG rng(17);
    for (int t = 0; t < 300; ++t) {
        const cv::Size s(rng.uniform(5, 70), rng.uniform(5, 70));
        cv::Mat ref(s, CV_32FC1);
        rng.fill(ref, cv::RNG::UNIFORM, 0.0, 255.0);
        cv::GaussianBlur(ref, ref, cv::Size(0, 0), 1.0 + t % 3);
        const cv::Mat use = t % 5 == 0 ? cv::Mat(s, CV_8UC1, cv::Scalar(255)) : Picture(rng, t, s.width, s.height) > 30;
        cv::Mat tol(s, CV_32FC1);
        rng.fill(tol, cv::RNG::UNIFORM, 1.0, 12.0);
        cv::Mat win(s, CV_8UC1);
        const double gain = rng.uniform(0.7, 1.4), offset = rng.uniform(-40.0, 40.0), tilt = rng.uniform(-0.8, 0.8);
        for (int r = 0; r < s.height; ++r)
            for (int c = 0; c < s.width; ++c)
                win.at<uchar>(r, c) = cv::saturate_cast<uchar>(gain * ref.at<float>(r, c) + offset + tilt * (c - r)
                                                               + 0.01 * c * c + rng.uniform(-3, 4));
        if (t % 2 == 0)
            win(cv::Rect(s.width / 3, s.height / 4, s.width / 3, s.height / 3)).setTo(rng.uniform(0, 256));
        if (t % 4 == 3)
            ref.convertTo(ref, CV_8U);  // a reference of whole grey levels, kept in bytes
        PreparedLightingPlane plane;
        plane.Prepare(ref, use);
        // A softened copy fitted next takes the window's sums the first fit kept.
        cv::Mat soft;
        ref.convertTo(soft, CV_32F);
        cv::GaussianBlur(soft, soft, cv::Size(0, 0), 0.8);
        PreparedLightingPlane softPlane;
        softPlane.Prepare(soft, use, &plane);
        PreparedLightingPlane softSameUse;  // lent the sums that do not read the reference
        softSameUse.Prepare(soft, use, &plane, true);
        auto same = [](const LightingPlane& a, const LightingPlane& b) {
            return Same(a.gain, b.gain) && Same(a.offset, b.offset) && Same(a.slopeX, b.slopeX)
                   && Same(a.slopeY, b.slopeY) && Same(a.bendX, b.bendX) && Same(a.bendY, b.bendY);
        };
        for (const bool clips : {true, false}) {
            const QString at = QStringLiteral("%1 x %2, case %3, clips %4").arg(s.width).arg(s.height).arg(t).arg(clips);
            PreparedLightingPlane::WindowSums kept;
            const LightingPlane a = plane.EstimatePlain(ref, win, use, tol, clips);
            const LightingPlane b = plane.Estimate(ref, win, use, tol, clips, &kept);
            QVERIFY2(same(a, b), qPrintable(at));
            const LightingPlane c = softPlane.Estimate(soft, win, use, tol, clips, &kept);
            QVERIFY2(same(softPlane.EstimatePlain(soft, win, use, tol, clips), c), qPrintable(at + " softened"));
            QVERIFY2(same(softSameUse.EstimatePlain(soft, win, use, tol, clips), c), qPrintable(at + " same use"));
        }
    }
}

void TestVisionKernels::gridStatsEqualMeanStdDev()
{
    cv::RNG rng(16);
    for (int t = 0; t < 300; ++t) {
        const cv::Size s = SizeOf(rng, t + 100);
        const cv::Mat img = Picture(rng, t, s.width, s.height);
        cv::Mat mask = Picture(rng, t + 1, s.width, s.height) > 90;  // 0 or 255
        if (t % 4 == 0)
            mask.setTo(t % 8 == 0 ? 0 : 255);
        std::vector<int> cols, rows;
        const int grid = 1 + t % 4;
        for (int i = 0; i <= grid; ++i) {
            cols.push_back(i * s.width / grid);
            rows.push_back(i * s.height / grid);
        }
        GridStats stats;
        stats.SetGrid(cols, rows, mask);
        GreyStats whole;
        std::vector<GreyStats> cells;
        stats.Measure(img, whole, cells);
        auto check = [&](const cv::Rect& r, const GreyStats& g) {
            cv::Scalar mean, sd;
            cv::meanStdDev(img(r), mean, sd, mask(r));
            return Same(mean[0], g.mean) && Same(sd[0], g.sd);
        };
        QVERIFY2(check(cv::Rect(0, 0, s.width, s.height), whole), qPrintable(QString::number(t)));
        for (int j = 0; j < grid; ++j)
            for (int i = 0; i < grid; ++i) {
                const cv::Rect r(cols[size_t(i)], rows[size_t(j)], cols[size_t(i) + 1] - cols[size_t(i)],
                                 rows[size_t(j) + 1] - rows[size_t(j)]);
                if (r.area() > 0)
                    QVERIFY2(check(r, cells[size_t(j * grid + i)]), qPrintable(QStringLiteral("%1 cell %2 %3").arg(t).arg(i).arg(j)));
            }
    }
}

void TestVisionKernels::maskedPictureEqualsPlainLoops()
{
    // The similarity window's masked picture, its mean and its centring,
    // sixteen pixels at a time, against the plain per-pixel loops and
    // cv::mean: masks of any non-zero value, rows of any length, views.
    cv::RNG rng(18);
    for (int t = 0; t < 300; ++t) {
        const cv::Size s = SizeOf(rng, t);
        const cv::Mat grey = Picture(rng, t, s.width, s.height);
        cv::Mat mask = Picture(rng, t + 1, s.width, s.height).clone();
        mask.setTo(0, mask < 100);
        if (t % 5 == 0)
            mask.setTo(t % 10 == 0 ? 0 : 255);
        const uchar fill = uchar(rng.uniform(0, 256));
        cv::Mat out(s, CV_8UC1), asFloat(s, CV_32FC1);
        for (int y = 0; y < s.height; ++y)
            MaskedGreyRow(grey.ptr<uchar>(y), mask.ptr<uchar>(y), fill, out.ptr<uchar>(y), asFloat.ptr<float>(y),
                          s.width);
        cv::Mat plain(s, CV_8UC1, cv::Scalar(fill));
        grey.copyTo(plain, mask);
        cv::Mat plainFloat;
        plain.convertTo(plainFloat, CV_32F);
        const QString what = QStringLiteral("%1 x %2, case %3").arg(s.width).arg(s.height).arg(t);
        QVERIFY2(Same(out, plain) && Same(asFloat, plainFloat), qPrintable(what));

        cv::Mat parent(s.height, s.width + (t % 4 == 3 ? 5 : 0), CV_32FC1);
        rng.fill(parent, cv::RNG::UNIFORM, -300.0, 300.0);
        const cv::Mat values = parent(cv::Rect(0, 0, s.width, s.height));
        QVERIFY2(Same(MaskedMean(values, mask), cv::mean(values, mask)[0]), qPrintable(what));
        const float mean = float(rng.uniform(-200.0, 200.0));
        cv::Mat centred = values.clone();
        for (int y = 0; y < s.height; ++y)
            CentreRow(centred.ptr<float>(y), mask.ptr<uchar>(y), mean, s.width);
        for (int y = 0; y < s.height; ++y)
            for (int x = 0; x < s.width; ++x) {
                const float v = values.at<float>(y, x);
                const float want = mask.at<uchar>(y, x) ? v - mean : 0.f;
                QVERIFY2(std::memcmp(&want, &centred.at<float>(y, x), sizeof want) == 0, qPrintable(what));
            }
    }
}

void TestVisionKernels::blobsEqualConnectedComponents()
{
    // Specks, blobs that join below their first rows, spirals of noise,
    // full and empty pictures: OpenCV's 8-connected labels, each region's
    // area and box, in the scan order of its first pixel.
    cv::RNG rng(17);
    for (int t = 0; t < 400; ++t) {
        const cv::Size s = SizeOf(rng, t);
        const int density = t % 4 == 0 ? 128 : (t % 4 == 1 ? 200 : 240);
        cv::Mat img = Picture(rng, t, s.width, s.height) > density;
        if (t % 9 == 8)
            img.setTo(t % 2 ? 255 : 0);
        cv::Mat labels;
        const int n = cv::connectedComponents(img, labels, 8, CV_32S);
        std::vector<int> order(size_t(std::max(n, 1)), -1);
        std::vector<cv::Rect> boxes;
        std::vector<int> areas;
        for (int y = 0; y < labels.rows; ++y)
            for (int x = 0; x < labels.cols; ++x) {
                const int l = labels.at<int>(y, x);
                if (l <= 0)
                    continue;
                if (order[size_t(l)] < 0) {
                    order[size_t(l)] = int(boxes.size());
                    boxes.emplace_back(x, y, 1, 1);
                    areas.push_back(0);
                }
                const size_t b = size_t(order[size_t(l)]);
                boxes[b] |= cv::Rect(x, y, 1, 1);
                ++areas[b];
            }
        const CBlobResult blobs(img, cv::Mat(), 0);
        const QString what = QStringLiteral("%1 x %2, case %3").arg(s.width).arg(s.height).arg(t);
        QVERIFY2(blobs.GetNumBlobs() == int(boxes.size()), qPrintable(what));
        for (size_t b = 0; b < boxes.size(); ++b)
            QVERIFY2(blobs.GetBlob(int(b)).Area() == areas[b] && blobs.GetBlob(int(b)).GetBoundingBox() == boxes[b],
                     qPrintable(what));
    }
}

void TestVisionKernels::normalSumsEqualRunningSums()
{
    constexpr int k = kPoseUnknowns;
    cv::RNG rng(29);
    for (int t = 0; t < 200; ++t) {
        const bool turn = t % 2 == 0;
        double fast[k * k] = {}, plain[k * k] = {};
        for (int i = 0; i < 50; ++i) {
            double w[k], j[k];
            for (int m = 0; m < k; ++m) {
                j[m] = rng.uniform(-300.0, 300.0);
                w[m] = j[m] * rng.uniform(0.0, 1.0);
            }
            if (!turn)
                j[2] = w[2] = 0.0;  // as the fit passes them without a turn
            AddWeightedOuter(fast, w, j, turn);
            for (int m = 0; m < k; ++m)
                for (int n = m; n < k; ++n)
                    plain[m * k + n] += w[m] * j[n];
        }
        for (int e = 0; e < k * k; ++e)
            QVERIFY2(Same(fast[e], plain[e]), qPrintable(QStringLiteral("case %1, entry %2").arg(t).arg(e)));
    }
}

void TestVisionKernels::turnedPointsEqualPlainRounding()
{
    FindShape::Level lv;
    cv::RNG rng(31);
    for (int i = 0; i < 3000; ++i) {
        const float r = i < 40 ? float(i) * 0.5f : rng.uniform(-900.f, 900.f);
        lv.points.push_back({r, rng.uniform(-600.f, 600.f), rng.uniform(0.f, 180.f)});
    }
    for (float a = -180.f; a <= 180.f; a += 0.73f) {
        FindShape::Rotation rot;
        rot.Turn(lv, a);
        const float rad = a * float(CV_PI) / 180.f;
        const float c = std::cos(rad), s = std::sin(rad);
        for (size_t i = 0; i < lv.points.size(); ++i) {
            const FindShape::EdgePoint& p = lv.points[i];
            float deg = std::fmod(p.angle + a, 180.f);
            if (deg < 0)
                deg += 180.f;
            const int bin = int(std::floor(deg / (180.f / DirectionBits::kBins) + 0.5f)) % DirectionBits::kBins;
            const FindShape::RotPoint& q = rot.points[i];
            QVERIFY2(q.dx == int(std::lround(c * p.x - s * p.y)) && q.dy == int(std::lround(s * p.x + c * p.y))
                         && q.bin == bin,
                     qPrintable(QStringLiteral("angle %1, point %2").arg(a).arg(i)));
        }
    }
}

// Sensor noise as the pose fit reads it: the 3 x 3 operator's size on a grid
// of about 4096 places, clipped pixels left out, its median taken.
void TestVisionKernels::noiseEqualsPlainMedian()
{
    auto reference = [](const cv::Mat& img, const cv::Rect& region) {
        const cv::Rect r = region & cv::Rect(1, 1, img.cols - 2, img.rows - 2);
        if (r.empty())
            return 0.0;
        const int step = std::max(1, int(std::sqrt(double(r.area()) / 4096)));
        std::vector<int> sizes;
        for (int y = r.y; y < r.br().y; y += step)
            for (int x = r.x; x < r.br().x; x += step) {
                const int v = img.at<uchar>(y, x);
                if (v == 0 || v == 255)
                    continue;
                auto at = [&](int dx, int dy) { return int(img.at<uchar>(y + dy, x + dx)); };
                sizes.push_back(std::abs(at(-1, -1) + at(1, -1) + at(-1, 1) + at(1, 1)
                                         - 2 * (at(0, -1) + at(0, 1) + at(-1, 0) + at(1, 0)) + 4 * v));
            }
        if (sizes.size() < 16)
            return 0.0;
        std::sort(sizes.begin(), sizes.end());
        const double sigma = sizes[sizes.size() / 2] / (6.0 * 0.6745);
        return sigma * sigma;
    };
    cv::RNG rng(23);
    // Large pictures first and small ones after, so every read of a small
    // region follows one of many more places.
    for (int t = 0; t < 240; ++t) {
        const cv::Size s = t < 40 ? cv::Size(rng.uniform(150, 400), rng.uniform(150, 300)) : SizeOf(rng, t - 40);
        const cv::Mat img = Picture(rng, t, s.width, s.height);
        // Inside, across the rim and wholly outside.
        const cv::Rect region(rng.uniform(-20, s.width), rng.uniform(-20, s.height), rng.uniform(0, s.width + 40),
                              rng.uniform(0, s.height + 40));
        QVERIFY2(Same(PoseRefine::Noise(img, region), reference(img, region)), qPrintable(QString::number(t)));
    }
}

MOJU_TEST_CORE_MAIN(TestVisionKernels)
void TestVisionKernels::softCutEqualsGaussianBlur()
{
    // Cuts of views that blur with their parents' pixels, rims, whole pictures.
    cv::RNG rng(23);
    for (int t = 0; t < 400; ++t) {
        const cv::Size s = SizeOf(rng, t);
        const cv::Mat src = Picture(rng, t, s.width, s.height);
        const int x = rng.uniform(0, s.width), y = rng.uniform(0, s.height);
        const cv::Rect cut = t % 5 == 0 ? cv::Rect(0, 0, s.width, s.height)
                                        : cv::Rect(x, y, rng.uniform(1, s.width - x + 1), rng.uniform(1, s.height - y + 1));
        cv::Mat ref, mine;
        cv::GaussianBlur(src(cut), ref, cv::Size(3, 3), 0.8, 0.8, cv::BORDER_REPLICATE);
        SoftCut(src, cut, 0.8, mine);
        QVERIFY2(Same(ref, mine), qPrintable(QStringLiteral("cut, case %1").arg(t)));
        // Two asks: the second grows what the first made on every side it passes.
        SoftBox box;
        box.Start(src, cut, 0.8);
        for (int k = 0; k < 2; ++k) {
            const cv::Point a(rng.uniform(-5, cut.width + 5), rng.uniform(-5, cut.height + 5));
            box.Want(cv::Rect(a, a + cv::Point(rng.uniform(1, 40), rng.uniform(1, 40))), src);
            const cv::Rect made = box.Made();
            QVERIFY2(made.empty() || Same(ref(made), box.Picture()(made)), qPrintable(QStringLiteral("box, case %1").arg(t)));
        }
    }
}

#include "test_vision_kernels.moc"
