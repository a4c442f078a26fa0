// Range checks of the load, at their boundaries, and the function guard.
#include "TestSupport.h"

#include "foundation/uitext.h"
#include "params/ParaChecks.h"
#include "params/ParaRows.h"
#include "params/WizardPara.h"

class TestParaChecks : public QObject {
    Q_OBJECT

private slots:
    void init() { gLan = 0; }

    void check_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("stored");
        QTest::addColumn<int>("loaded");

        struct Case {
            const char* key;
            int position;
            int stored;
            int loaded;
        };
        const Case cases[] = {
            {"exposeTime", 1, 10000, 10000}, {"exposeTime", 1, 10001, 30}, {"exposeTime", 4, -1, 30},
            {"exposeTime", 2, 0, 0}, {"system5", 1, 10001, 30}, {"system6", 2, -5, 30},
            {"adjustPlus", 1, 10000, 10000}, {"adjustPlus", 3, 10001, 32}, {"system5", 4, -1, 32},
            {"system6", 3, 10001, 32},
            {"sharp", 1, 10001, 0}, {"sharp", 2, -1, 0}, {"system5", 5, 10000, 10000}, {"system6", 6, 10001, 0},
            {"contrast", 1, 0, 100}, {"contrast", 2, 1, 1}, {"contrast", 3, 10000, 10000},
            {"contrast", 4, 10001, 100}, {"system5", 8, -1, 100}, {"system6", 7, 0, 100},
            {"numAllDetect", 1, 0, 100}, {"numAllDetect", 8, 10001, 100}, {"numAllDetect", 5, 1, 1},
            {"system8", 1, 1, 2}, {"system8", 1, 2, 2}, {"system8", 1, 8, 8}, {"system8", 1, 9, 2},
            {"numFailDetect", 1, 5, 5}, {"numFailDetect", 1, 6, 0}, {"numFailDetect", 1, -1, 0},
            {"system1", 6, 10001, 0}, {"system1", 6, 10000, 10000}, {"system1", 7, -2, 0},
            {"system4", 14, 0, 3}, {"system4", 14, 100, 100}, {"system4", 14, 101, 3},
            {"system4", 15, 0, 100}, {"system4", 15, 100000, 100000}, {"system4", 15, 100001, 100},
            {"system2", 2, 0, 10}, {"system2", 2, 100, 100}, {"system2", 2, 101, 10},
            {"system2", 4, 20000, 20000}, {"system2", 4, 20001, 0}, {"system1", 8, -1, 0},
            {"system2", 5, 10001, 0}, {"system2", 6, -1, 0},
            {"system1", 4, 0, 0}, {"system1", 4, -1, -1}, {"system1", 4, 1, -1}, {"system1", 4, -2, -1},
            {"system5", 10, 180, 180}, {"system5", 10, 181, 0}, {"system3", 9, 10001, 0},
            {"system3", 3, 4, 4}, {"system3", 3, 5, 0}, {"system3", 3, -1, 0},
            {"system2", 15, 0, 8000}, {"system2", 15, 1, 1}, {"system2", 15, 8001, 8000},
            {"system2", 16, 0, 0}, {"system2", 16, 29, 600}, {"system2", 16, 30, 30},
            {"system2", 16, 9999, 9999}, {"system2", 16, 10000, 600}, {"system2", 16, -1, 600},
            {"system2", 17, 100, 100}, {"system2", 17, 101, 12},
            {"system2", 18, 100000000, 100000000}, {"system2", 18, 100000001, 60}, {"system2", 18, -1, 60},
            {"system2", 13, 2, 2}, {"system2", 13, 3, 0}, {"system2", 13, -1, 0},
            {"system7", 1, 100, 100}, {"system7", 1, 101, 0},
            {"system2", 3, 0, 3}, {"system2", 3, 100, 100}, {"system2", 3, 101, 3},
            {"system9", 10, 0, 0}, {"system9", 10, 1, 1}, {"system9", 10, 100, 100}, {"system9", 10, 101, 0},
            {"system8", 20, 100000001, 0}, {"system8", 20, 100000000, 100000000},
            // Unchecked fields keep whatever was stored.
            {"system9", 16, -7, -7}, {"trigInDelay", 1, -3, -3},
        };
        for (const Case& c : cases)
            QTest::addRow("%s %d = %d", c.key, c.position, c.stored)
                << QString::fromLatin1(c.key) << c.position << c.stored << c.loaded;
    }

    void check()
    {
        QFETCH(QString, key);
        QFETCH(int, position);
        QFETCH(int, stored);
        QFETCH(int, loaded);
        const ParaValue* v = FindParaValue(key, position);
        QVERIFY(v);
        WizardPara p;
        v->read(p) = stored;
        ApplyLoadChecks(p);
        QCOMPARE(v->read(p), loaded);
    }

    void freshRecordPassesEveryCheck()
    {
        WizardPara p;
        const WizardPara before = p;
        ApplyLoadChecks(p);
        QVERIFY(p == before);
    }

    void machineTypeSettingFollows()
    {
        WizardPara p;
        p.machineType = 9;
        p.machineTypeSetting = 3;
        ApplyLoadChecks(p);
        QCOMPARE(p.machineType, 0);
        QCOMPARE(p.machineTypeSetting, 0);
    }

    void functionGuard_data()
    {
        QTest::addColumn<QString>("field");  // the one function switched on, or empty
        QTest::addColumn<int>("defect");
        QTest::newRow("none") << QString() << 1;
        QTest::newRow("black number") << "enableBlackNumber" << 0;
        QTest::newRow("spot") << "enableSpot" << 0;
        QTest::newRow("distance") << "enableDistMeasure" << 0;
        QTest::newRow("ignore area does not count") << "enableIgnoreArea" << 1;
        QTest::newRow("manual locate does not count") << "enableManualLocate" << 1;
    }

    void functionGuard()
    {
        QFETCH(QString, field);
        QFETCH(int, defect);
        WizardPara p;
        for (const ParaRow& row : ParaIntRows())
            for (const ParaValue& v : row.values)
                if (QByteArray(v.field).startsWith("enable"))
                    v.read(p) = QLatin1String(v.field) == field ? 1 : 0;
        ApplyFunctionGuard(p);
        QCOMPARE(p.enableDefect, defect);
    }
};

MOJU_TEST_CORE_MAIN(TestParaChecks)
#include "test_para_checks.moc"
