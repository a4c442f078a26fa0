#include "TestSupport.h"

#include <climits>

#include "inspect/RoiRules.h"

// Verdict rules, kernels and reported limits of the function codes.
class TestRoiRules : public QObject {
    Q_OBJECT
private slots:
    void verdict_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("minSize");
        QTest::addColumn<int>("sens");
        QTest::addColumn<int>("maxArea");
        QTest::addColumn<int>("showAll");
        QTest::addColumn<int>("ngTemplate");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("ng");

        // Defect: own limit with showAllParams, else defectArea (100 here).
        QTest::newRow("0 below") << 0 << 3 << 45 << 100 << 1 << 0 << 99 << false;
        QTest::newRow("0 at") << 0 << 3 << 45 << 100 << 1 << 0 << 100 << false;
        QTest::newRow("0 above") << 0 << 3 << 45 << 100 << 1 << 0 << 150 << true;
        QTest::newRow("0 ng-tpl above") << 0 << 3 << 45 << 100 << 1 << 1 << 150 << false;
        QTest::newRow("0 ng-tpl at") << 0 << 3 << 45 << 100 << 1 << 1 << 100 << false;
        QTest::newRow("0 ng-tpl below") << 0 << 3 << 45 << 100 << 1 << 1 << 99 << true;
        QTest::newRow("0 system limit") << 0 << 3 << 45 << 1000 << 0 << 0 << 150 << true;
        QTest::newRow("0 system limit at") << 0 << 3 << 45 << 10 << 0 << 0 << 100 << false;
        // Spot: sensibility .. max_area.
        QTest::newRow("1 below min") << 1 << 12800 << 80 << 500 << 0 << 0 << 79 << true;
        QTest::newRow("1 at min") << 1 << 12800 << 80 << 500 << 0 << 0 << 80 << false;
        QTest::newRow("1 at max") << 1 << 12800 << 80 << 500 << 0 << 0 << 500 << false;
        QTest::newRow("1 above max") << 1 << 12800 << 80 << 500 << 0 << 0 << 501 << true;
        QTest::newRow("4 at") << 4 << 0 << 50 << 100 << 0 << 0 << 100 << false;
        QTest::newRow("4 above") << 4 << 0 << 50 << 100 << 0 << 0 << 101 << true;
        QTest::newRow("5 zero") << 5 << 0 << 200 << 100 << 0 << 0 << 0 << false;
        QTest::newRow("5 above") << 5 << 0 << 200 << 100 << 0 << 0 << 101 << true;
        QTest::newRow("6 at") << 6 << 0 << 80 << 0 << 0 << 0 << 80 << false;
        QTest::newRow("6 below") << 6 << 0 << 80 << 0 << 0 << 0 << 79 << true;
        // Counts: min in bits 0-15, max in bits 16-31.
        QTest::newRow("7 none") << 7 << 1 << 128 << 0x640001 << 0 << 0 << 0 << true;
        QTest::newRow("7 one") << 7 << 1 << 128 << 0x640001 << 0 << 0 << 1 << false;
        QTest::newRow("7 hundred") << 7 << 1 << 128 << 0x640001 << 0 << 0 << 100 << false;
        QTest::newRow("7 101") << 7 << 1 << 128 << 0x640001 << 0 << 0 << 101 << true;
        QTest::newRow("8 max bits unsigned") << 8 << 1 << 128 << int(0xFFFF0002u) << 0 << 0 << 65535 << false;
        QTest::newRow("8 below min") << 8 << 1 << 128 << int(0xFFFF0002u) << 0 << 0 << 1 << true;
    }
    void verdict()
    {
        QFETCH(int, code);
        QFETCH(int, minSize);
        QFETCH(int, sens);
        QFETCH(int, maxArea);
        QFETCH(int, showAll);
        QFETCH(int, ngTemplate);
        QFETCH(int, value);
        QFETCH(bool, ng);
        InspectParams p;
        p.showAllParams = showAll;
        p.ngImageTemplate = ngTemplate;
        p.defectArea = 100;
        QCOMPARE(RoiRules::IsNg(code, value, RoiLimits{minSize, sens, maxArea}, p), ng);
    }

    void distance_data()
    {
        QTest::addColumn<int>("found");
        QTest::addColumn<int>("ref");
        QTest::addColumn<double>("dist");
        QTest::addColumn<bool>("ng");
        QTest::newRow("none") << 0 << 0 << 0.0 << true;
        QTest::newRow("one, one ref, near") << 1 << 1 << 3.0 << false;
        QTest::newRow("one, two refs") << 1 << 2 << 0.0 << true;
        QTest::newRow("two at limit") << 2 << 2 << 50.0 << false;
        QTest::newRow("two 60 apart") << 2 << 2 << 60.0 << true;
        QTest::newRow("two just above") << 2 << 2 << 50.25 << true;
        QTest::newRow("two, one ref") << 2 << 1 << 10.0 << true;
    }
    void distance()
    {
        QFETCH(int, found);
        QFETCH(int, ref);
        QFETCH(double, dist);
        QFETCH(bool, ng);
        QCOMPARE(RoiRules::DistIsNg(found, ref, dist, RoiLimits{1, 35, 50}), ng);
    }

    void kernel_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("minSize");
        QTest::addColumn<int>("showAll");
        QTest::addColumn<int>("kernel");
        QTest::newRow("0 system filter") << 0 << 9 << 0 << 5;
        QTest::newRow("0 own size") << 0 << 9 << 1 << 9;
        QTest::newRow("0 own zero") << 0 << 0 << 1 << 1;
        QTest::newRow("0 own negative") << 0 << -7 << 1 << 1;
        QTest::newRow("0 own huge") << 0 << INT_MAX << 1 << (1 << 20);
        QTest::newRow("1 minSpot") << 1 << 12800 << 0 << 4;
        QTest::newRow("5 minSpot") << 5 << 0 << 0 << 4;
        QTest::newRow("7 radius 1") << 7 << 1 << 0 << 3;
        QTest::newRow("7 radius 0") << 7 << 0 << 0 << 1;
        QTest::newRow("8 negative radius") << 8 << -5 << 0 << 1;
        QTest::newRow("8 INT_MIN") << 8 << INT_MIN << 0 << 1;
        QTest::newRow("8 INT_MAX no wrap") << 8 << INT_MAX << 0 << (1 << 20);
        QTest::newRow("6 always 1") << 6 << 50 << 0 << 1;
    }
    void kernel()
    {
        QFETCH(int, code);
        QFETCH(int, minSize);
        QFETCH(int, showAll);
        QFETCH(int, kernel);
        InspectParams p;
        p.filterSize = 5;
        p.minSpot = 4;
        p.showAllParams = showAll;
        QCOMPARE(RoiRules::KernelSize(code, RoiLimits{minSize, 0, 0}, p), kernel);
    }

    void kernelFit()
    {
        // min_size 20 on 40 x 40: k = 41 >= 40 - 3.
        QVERIFY(RoiRules::KernelTooLarge(8, 41, 40, 40));
        QVERIFY(RoiRules::KernelTooLarge(7, 37, 41, 60));  // m = 40 (even), 37 >= 37
        QVERIFY(!RoiRules::KernelTooLarge(7, 35, 41, 60));
        QVERIFY(!RoiRules::KernelTooLarge(1, 41, 40, 40));  // only counting codes
    }

    void bands_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("minSize");
        QTest::addColumn<int>("sens");
        QTest::addColumn<int>("lower");
        QTest::addColumn<int>("upper");
        QTest::newRow("1 default 0..50") << 1 << 12800 << 80 << 0 << 50;
        QTest::newRow("1 swapped bytes") << 1 << (20 | (200 << 8)) << 0 << 20 << 200;
        QTest::newRow("1 reversed") << 1 << (200 | (20 << 8)) << 0 << 20 << 200;
        QTest::newRow("4 low byte") << 4 << 0 << (0x100 | 50) << 0 << 50;
        QTest::newRow("8") << 8 << 0 << 128 << 0 << 128;
        QTest::newRow("5") << 5 << 0 << 200 << 200 << 255;
        QTest::newRow("7") << 7 << 0 << 128 << 128 << 255;
    }
    void bands()
    {
        QFETCH(int, code);
        QFETCH(int, minSize);
        QFETCH(int, sens);
        QFETCH(int, lower);
        QFETCH(int, upper);
        const GreyBand b = RoiRules::Band(code, RoiLimits{minSize, sens, 0});
        QCOMPARE(b.lower, lower);
        QCOMPARE(b.upper, upper);
    }

    void reportedLimits_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        // Limits: min_size 12800, sensibility 80, max_area 0x640001.
        QTest::newRow("0") << 0 << 0 << 0x640001;
        QTest::newRow("1") << 1 << 80 << 0x640001;
        QTest::newRow("4") << 4 << 0 << 0x640001;
        QTest::newRow("5") << 5 << 0 << 0x640001;
        QTest::newRow("6") << 6 << 80 << -1;
        QTest::newRow("7") << 7 << 1 << 100;
        QTest::newRow("8") << 8 << 1 << 100;
        QTest::newRow("9") << 9 << 0 << 0x640001;
    }
    void reportedLimits()
    {
        QFETCH(int, code);
        QFETCH(int, low);
        QFETCH(int, high);
        const RoiLimits lim{12800, 80, 0x640001};
        QCOMPARE(RoiRules::LowLimit(code, lim), low);
        QCOMPARE(RoiRules::HighLimit(code, lim), high);
    }
};

MOJU_TEST_CORE_MAIN(TestRoiRules)
#include "test_roi_rules.moc"
