// The IO set-up that follows from the machine type, and the IO names.
#include "TestSupport.h"

#include "foundation/uitext.h"
#include "params/IOSetup.h"
#include "params/IOTables.h"
#include "params/WizardPara.h"

#include <QFile>

namespace {

class FakeHost : public IOSetupHost {
public:
    void SetMouldSide(int side) override { mouldSide = side; }
    int OpenCameraCount() const override { return cameras; }
    void CreateShape(int camera, int step) override { calls << QStringLiteral("shape %1 %2").arg(camera).arg(step); }
    void VarTrain(int camera, int step) override { calls << QStringLiteral("train %1 %2").arg(camera).arg(step); }
    int mouldSide = -9;
    int cameras = 0;
    QStringList calls;
};

QString Join(const int* v, int n)
{
    QStringList s;
    for (int i = 0; i < n; ++i)
        s << QString::number(v[i]);
    return s.join(QLatin1Char(','));
}

void FillTexts()
{
    for (int id : {301, 302, 303, 304, 305, 306, 307, 376, 377, 378, 379, 380, 381, 382})
        for (int lan = 0; lan < 3; ++lan)
            gaLanStr[id * 3 + lan] = QStringLiteral("t%1/%2").arg(id).arg(lan);
}

}  // namespace

class TestIOSetup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { FillTexts(); }
    void init()
    {
        gLan = 1;
        gDNum = 0;
        for (QString& n : gaName)
            n.clear();
    }

    void derive_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mouldMode");
        QTest::addColumn<int>("semiAuto");
        QTest::addColumn<int>("product");  // productDetectOn as stored
        QTest::addColumn<int>("pulse");    // prodNgPulseNoAlarm
        QTest::addColumn<QString>("detectOn");  // steps 0-3
        QTest::addColumn<QString>("trigInput"); // steps 0-3
        QTest::addColumn<int>("dnum");
        QTest::addColumn<int>("side");          // -9: unchanged
        QTest::addColumn<int>("invert");        // outputInvert[4..7]
        QTest::addColumn<int>("mouldModeAfter");

        QTest::newRow("standard") << 0 << 0 << 0 << 1 << 0 << "1,1,0,0" << "0,0,0,0" << 2 << -9 << 1 << 0;
        QTest::newRow("standard semi-auto") << 0 << 0 << 1 << 1 << 0 << "1,1,0,0" << "0,2,0,0" << 2 << -9 << 1 << 0;
        QTest::newRow("standard product value kept") << 0 << 0 << 0 << 5 << 0 << "5,1,0,0" << "0,0,0,0" << 2 << -9 << 1 << 0;
        QTest::newRow("standard pulse") << 0 << 0 << 0 << 0 << 1 << "0,1,0,0" << "0,0,0,0" << 2 << -9 << 0 << 0;
        QTest::newRow("auto parts") << 3 << 0 << 1 << 0 << 0 << "0,1,0,0" << "0,2,0,0" << 2 << -9 << 1 << 0;
        QTest::newRow("two-colour left") << 1 << 0 << 0 << 5 << 0 << "1,1,0,0" << "0,2,0,0" << 4 << 1 << 0 << 0;
        QTest::newRow("two-colour right") << 1 << 1 << 1 << 1 << 0 << "0,0,1,1" << "0,3,0,0" << 4 << 0 << 0 << 1;
        QTest::newRow("two-colour both") << 1 << 2 << 0 << 0 << 0 << "0,1,0,1" << "0,255,0,0" << 4 << -9 << 0 << 2;
        QTest::newRow("two-colour bad mode") << 1 << 9 << 0 << 1 << 0 << "1,1,0,0" << "0,2,0,0" << 4 << 1 << 0 << 0;
        QTest::newRow("two-colour negative mode") << 1 << -1 << 0 << 1 << 0 << "1,1,0,0" << "0,2,0,0" << 4 << 1 << 0 << 0;
        QTest::newRow("turntable left") << 2 << 0 << 0 << 1 << 0 << "1,1,0,0" << "0,0,0,0" << 4 << 1 << 0 << 0;
        QTest::newRow("turntable left semi") << 2 << 0 << 1 << 1 << 0 << "1,1,0,0" << "0,2,0,0" << 4 << 1 << 0 << 0;
        QTest::newRow("turntable right") << 2 << 1 << 0 << 1 << 0 << "0,0,1,1" << "3,3,0,0" << 4 << 0 << 0 << 1;
        QTest::newRow("turntable right semi") << 2 << 1 << 1 << 0 << 0 << "0,0,0,1" << "3,2,0,0" << 4 << 0 << 0 << 1;
        QTest::newRow("turntable both") << 2 << 3 << 0 << 1 << 0 << "1,1,1,1" << "255,255,0,0" << 4 << -9 << 0 << 3;
        QTest::newRow("turntable both semi") << 2 << 2 << 1 << 1 << 0 << "1,1,1,1" << "255,2,0,0" << 4 << -9 << 0 << 2;
        // Type 5 has no set-up, but the cycle divides by the step count.
        QTest::newRow("type 5") << 5 << 0 << 0 << 1 << 0 << "0,1,0,0" << "0,0,0,0" << 2 << -9 << 0 << 0;
    }

    void derive()
    {
        QFETCH(int, type);
        QFETCH(int, mouldMode);
        QFETCH(int, semiAuto);
        QFETCH(int, product);
        QFETCH(int, pulse);
        WizardPara p;
        p.machineType = type;
        p.mouldMode = mouldMode;
        p.semiAuto = semiAuto;
        p.productDetectOn = product;
        p.prodNgPulseNoAlarm = pulse;
        FakeHost host;
        DeriveIOSetup(p, &host);
        QTEST(Join(p.detectOn, 4), "detectOn");
        QTEST(Join(p.trigInput, 4), "trigInput");
        QTEST(gDNum.load(), "dnum");
        QTEST(host.mouldSide, "side");
        QTEST(p.mouldMode, "mouldModeAfter");
        QFETCH(int, invert);
        if (type != 5)
            QCOMPARE(Join(p.outputInvert + 4, 4), QStringList(4, QString::number(invert)).join(QLatin1Char(',')));
        QVERIFY(host.calls.isEmpty());
    }

    void splitOutputsAlsoClearInversion()
    {
        WizardPara p;
        p.prodNgNoAlarmSplitOutputs = 1;
        std::fill(std::begin(p.outputInvert), std::end(p.outputInvert), 1);
        DeriveIOSetup(p, nullptr);
        QCOMPARE(Join(p.outputInvert, 9), QStringLiteral("1,1,1,1,0,0,0,0,1"));
    }

    void multiDetection_data()
    {
        QTest::addColumn<int>("product");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("owners");
        QTest::addColumn<QString>("trigRows");
        QTest::addColumn<QString>("detectOn");
        QTest::addColumn<QString>("trigInput");
        QTest::addColumn<QString>("order");
        // Rows 2 and 0 trigger from TriginNo[3] = input 5 and TriginNo[6] = input 8.
        QTest::newRow("three steps") << 1 << 3 << "2,-1,0,0,0,0,0,0" << "6,0,3,0,0,0,0,0"
                                     << "1,0,1,0,0,0,0,0" << "4,-1,7,-1,-1,-1,-1,-1" << "2,-1,0,0,0,0,0,0";
        QTest::newRow("first step off") << 0 << 3 << "2,-1,0,0,0,0,0,0" << "6,0,3,0,0,0,0,0"
                                        << "0,0,1,0,0,0,0,0" << "-1,-1,7,-1,-1,-1,-1,-1" << "2,-1,0,0,0,0,0,0";
        QTest::newRow("eight steps") << 1 << 8 << "0,1,2,3,4,5,6,7" << "0,1,2,3,4,5,6,7"
                                     << "1,1,1,1,1,1,1,1" << "0,2,3,4,5,6,7,8" << "0,1,2,3,4,5,6,7";
        // Stored values outside the tables must not index past them.
        QTest::newRow("owner out of range") << 1 << 2 << "8,-2,0,0,0,0,0,0" << "0,0,0,0,0,0,0,0"
                                            << "0,0,0,0,0,0,0,0" << "-1,-1,-1,-1,-1,-1,-1,-1" << "-1,-1,0,0,0,0,0,0";
        QTest::newRow("trigger row out of range") << 1 << 2 << "0,1,0,0,0,0,0,0" << "9,-3,0,0,0,0,0,0"
                                                  << "1,1,0,0,0,0,0,0" << "0,0,-1,-1,-1,-1,-1,-1" << "0,1,0,0,0,0,0,0";
    }

    void multiDetection()
    {
        QFETCH(int, product);
        QFETCH(int, count);
        QFETCH(QString, owners);
        QFETCH(QString, trigRows);
        WizardPara p;
        p.machineType = 4;
        p.productDetectOn = product;
        p.customDetectCount = count;
        const QStringList o = owners.split(QLatin1Char(','));
        const QStringList t = trigRows.split(QLatin1Char(','));
        for (int i = 0; i < 8; ++i) {
            p.customOutputOwner[i] = o[i].toInt();
            p.customTrigInput[i] = t[i].toInt();
        }
        DeriveIOSetup(p, nullptr);
        QTEST(Join(p.detectOn, 8), "detectOn");
        QTEST(Join(p.trigInput, 8), "trigInput");
        QCOMPARE(gDNum.load(), count);
        QCOMPARE(p.detectCount, count);
        QCOMPARE(p.trigInput[8], 0);
        QTEST(Join(p.outputOrder, 8), "order");
    }

    void multiDetectionRetrainsOpenCameras()
    {
        WizardPara p;
        p.machineType = 4;
        p.productDetectOn = 1;
        p.customDetectCount = 3;
        p.customOutputOwner[0] = 0;
        p.customOutputOwner[1] = -1;
        p.customOutputOwner[2] = 1;
        FakeHost host;
        DeriveIOSetup(p, &host);
        QVERIFY(host.calls.isEmpty());  // no camera open yet
        host.cameras = 2;
        DeriveIOSetup(p, &host);
        QCOMPARE(host.calls, (QStringList{"shape 0 0", "train 0 0", "shape 0 2", "train 0 2",
                                          "shape 1 0", "train 1 0", "shape 1 2", "train 1 2"}));
    }

    void names_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("names");
        QTest::newRow("standard") << 0 << "t301/1,t302/1,t303/1,t304/1,t305/1,t306/1,t307/1,t304/1";
        QTest::newRow("auto parts") << 3 << "t301/1,t302/1,t303/1,t304/1,t305/1,t306/1,t307/1,t304/1";
        QTest::newRow("two-colour") << 1 << "t301/1,t302/1,t376/1,t377/1,t305/1,t378/1,t307/1,t304/1";
        QTest::newRow("turntable") << 2 << "t379/1,t380/1,t381/1,t382/1,t378/1,t306/1,t307/1,t304/1";
        QTest::newRow("type 5 unchanged") << 5 << ",,,,,,,";
    }

    void names()
    {
        QFETCH(int, type);
        WizardPara p;
        p.machineType = type;
        DeriveIOSetup(p, nullptr, IONames::Load);
        QStringList got;
        for (int i = 0; i < 8; ++i)
            got << gaName[i];
        QTEST(got.join(QLatin1Char(',')), "names");
        QVERIFY(gaName[8].isEmpty());
        // A settings accept renames only the multi-detection IO.
        gaName[0] = QStringLiteral("keep");
        DeriveIOSetup(p, nullptr, IONames::Accept);
        QCOMPARE(gaName[0], QStringLiteral("keep"));
    }

    void multiDetectionNames()
    {
        WizardPara p;
        p.machineType = 4;
        const int in[8] = {0, 15, 1, 2, 3, 4, 5, 99};
        const int out[8] = {13, 0, 1, 2, 3, 4, 5, -1};
        std::copy(in, in + 8, p.inputNameIndex);
        std::copy(out, out + 8, p.outputNameIndex);
        DeriveIOSetup(p, nullptr, IONames::Accept);
        QStringList got;
        for (const QString& n : gaName)
            got << n;
        QCOMPARE(got, (QStringList{"Mol op", "t302/1", "Neu C O", "clo door", "op door", "Thim O", "Thim I",
                                   "Mol val", "Mol op", "Mac mov", "Al clam", "t307/1", "Al thim", "Neu A I",
                                   "Neu A O", "Neu B I", "Neu B O", "Al clam"}));
        gLan = 0;
        DeriveIOSetup(p, nullptr, IONames::Accept);
        QCOMPARE(gaName[0], QStringLiteral("开模到位"));
        QCOMPARE(gaName[9], QStringLiteral("机手动作"));
    }

    void nameFile()
    {
        TempWorkDir dir(false);
        QFile f(QStringLiteral("name.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("开模\nSafety door\n\nx\n");
        f.close();
        for (int type : {0, 4}) {
            for (QString& n : gaName)
                n = QStringLiteral("old");
            WizardPara p;
            p.machineType = type;
            DeriveIOSetup(p, nullptr, IONames::Load);
            QCOMPARE(gaName[0], QStringLiteral("开模"));
            QCOMPARE(gaName[1], QStringLiteral("Safety door"));
            QCOMPARE(gaName[2], QString());
            QCOMPARE(gaName[3], QStringLiteral("x"));
            QCOMPARE(gaName[7], QString());
            QCOMPARE(gaName[8], QStringLiteral("old"));
            QCOMPARE(gaName[17], QStringLiteral("old"));
        }
    }

    void tables()
    {
        QCOMPARE(Join(TriginNo, 8), QStringLiteral("1,3,4,5,6,7,8,9"));
        QCOMPARE(Join(OutputNo, 8), QStringLiteral("2,4,5,6,7,8,9,1"));
        QCOMPARE(InName(15, 2), QStringLiteral("中子C退"));
        QCOMPARE(OutName(8, 1), QStringLiteral("Al thread"));
        QCOMPARE(QString::fromUtf8(gCustomOutputName[2][1]), QStringLiteral("Output 4"));
    }
};

MOJU_TEST_CORE_MAIN(TestIOSetup)
#include "test_io_setup.moc"
