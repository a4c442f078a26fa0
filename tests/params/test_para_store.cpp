// Storage of the parameter record in table sysparam: every row written in its
// order with its quirks, read back, and the rows the load and save create.
#include "ParaTestDb.h"
#include "TestSupport.h"

#include "foundation/uitext.h"
#include "network/PlantParamReports.h"
#include "network/VUR_Net.h"
#include "params/IOSetup.h"
#include "params/ParaRows.h"
#include "params/WizardPara.h"

#include <QFile>
#include <QRegularExpression>

namespace {

// Every stored field a value of its own (row number * 100 + position),
// except where the load's range checks need a small one.
void FillDistinct(WizardPara& p)
{
    p.detectDelay[0] = 101;
    p.detectDelay[1] = 102;
    p.detectDelay[2] = 103;
    p.detectDelay[3] = 104;
    p.detectDelay[4] = 105;
    p.detectDelay[5] = 106;
    p.detectDelay[6] = 107;
    p.detectDelay[7] = 108;
    p.exposure[0] = 201;
    p.exposure[1] = 202;
    p.exposure[2] = 203;
    p.exposure[3] = 204;
    p.sharpness[0] = 301;
    p.sharpness[1] = 302;
    p.sharpness[2] = 303;
    p.sharpness[3] = 304;
    p.contrast[0] = 401;
    p.contrast[1] = 402;
    p.contrast[2] = 403;
    p.contrast[3] = 404;
    p.gain[0] = 501;
    p.gain[1] = 502;
    p.gain[2] = 503;
    p.gain[3] = 504;
    p.machineType = 4;
    p.mouldMode = 2;
    p.autoExposure = 603;
    p.autoShading = 604;
    p.startupFlag = 605;
    p.enableBlackArea = 606;
    p.enableWhiteArea = 607;
    p.enableSimilarity = 608;
    p.gamma[0] = 701;
    p.gamma[1] = 702;
    p.gamma[2] = 703;
    p.gamma[3] = 704;
    p.gamma[4] = 705;
    p.gamma[5] = 706;
    p.gamma[6] = 707;
    p.gamma[7] = 708;
    p.passwordUsed = 801;
    p.semiAuto = 901;
    p.productDetectOn = 902;
    p.twoSameParams = 903;
    p.motionCorrect = -1;
    p.stopClampOnStop = 905;
    p.preCut = 906;
    p.recheckCount2 = 907;
    p.okImagesKept = 908;
    p.autoGenerateArea = 909;
    p.cutEjectorOnClamp = 1001;
    p.templateCount = 55;
    p.minSpot = 44;
    p.ngImagesKept = 1004;
    p.ejectorPulse = 1005;
    p.clampPulse = 1006;
    p.prodNgPulseNoAlarm = 1007;
    p.cutClampAfterMouldOk = 1008;
    p.noEjectorControlInProd = 1009;
    p.pwdSkipDetect = 1010;
    p.pwdAddTemplate = 1011;
    p.pwdIgnorePoint = 1012;
    p.output4SyncFor = 1014;
    p.positionOffset = 1015;
    p.screenOffTime = 1016;
    p.cameraSpeed = 99;
    p.inputTimeout = 1018;
    p.input4SyncFor = 1101;
    p.doorClearsAlarm = 1102;
    p.amplify = 3;
    p.enableDefect = 1104;
    p.enableSpot = 1105;
    p.enableIgnoreArea = 1106;
    p.enableManualLocate = 1107;
    p.showAllParams = 1108;
    p.autoLogoutTime = 1109;
    p.enableOneNotMold = 1110;
    p.doorTriggersDetect = 1111;
    p.templateAutoUpdate = 1201;
    p.netAddr[0] = 1202;
    p.netAddr[1] = 1203;
    p.netAddr[2] = 1204;
    p.netAddr[3] = 1205;
    p.netAddr[4] = 1206;
    p.netAddr[5] = 1207;
    p.netAddr[6] = 1208;
    p.netAddr[7] = 1209;
    p.netAddr[8] = 1210;
    p.netAddr[9] = 1211;
    p.netAddr[10] = 1212;
    p.netAddr[11] = 1213;
    p.filterSize = 33;
    p.defectArea = 1215;
    p.exposure[4] = 1301;
    p.exposure[5] = 1302;
    p.gain[4] = 1303;
    p.gain[5] = 1304;
    p.sharpness[4] = 1305;
    p.sharpness[5] = 1306;
    p.contrast[4] = 1307;
    p.contrast[5] = 1308;
    p.okNgPulses = 1309;
    p.angleRange = 170;
    p.cutEjectorOnProdAlarm = 1311;
    p.externalTrigger = 1312;
    p.cutClampOnMouldAlarm = 1313;
    p.exposure[6] = 1401;
    p.exposure[7] = 1402;
    p.gain[6] = 1403;
    p.gain[7] = 1404;
    p.sharpness[6] = 1405;
    p.sharpness[7] = 1406;
    p.contrast[6] = 1407;
    p.contrast[7] = 1408;
    p.shakeEraseTime = 1409;
    p.useStatistics = 1410;
    p.hideNgCount = 1411;
    p.pwdStopDetect = 1412;
    p.comPort = 66;
    p.colorCamera = 1502;
    p.grayChannel = 1503;
    p.showManualSnapshot = 1504;
    p.outputInvert[0] = 1505;
    p.outputInvert[1] = 1506;
    p.outputInvert[2] = 1507;
    p.noLensOptimization = 1508;
    p.outputInvert[3] = 1509;
    p.showFactoryParams = 1510;
    p.ngImageTemplate = 1511;
    p.system7Spare = 1512;
    p.showRoiLive = 1513;
    p.showMouldNumber = 1514;
    p.outputInvert[4] = 1515;
    p.outputInvert[5] = 1516;
    p.outputInvert[6] = 1517;
    p.outputInvert[7] = 1518;
    p.outputInvert[8] = 1519;
    p.enableWhiteNumber = 1520;
    p.customDetectCount = 5;
    p.customTrigInput[0] = 1602;
    p.customTrigInput[1] = 1603;
    p.customTrigInput[2] = 1604;
    p.customTrigInput[3] = 1605;
    p.customTrigInput[4] = 1606;
    p.customTrigInput[5] = 1607;
    p.customTrigInput[6] = 1608;
    p.customTrigInput[7] = 1609;
    p.customCutMode[0] = 1610;
    p.customCutMode[1] = 1611;
    p.customCutMode[2] = 1612;
    p.customCutMode[3] = 1613;
    p.customCutMode[4] = 1614;
    p.customCutMode[5] = 1615;
    p.customCutMode[6] = 1616;
    p.customCutMode[7] = 1617;
    p.cutEjectorAfterProdOk = 1618;
    p.useLog = 1619;
    p.system8Spare = 1620;
    p.customOutputOwner[0] = 1701;
    p.customOutputOwner[1] = 1702;
    p.customOutputOwner[2] = 1703;
    p.customOutputOwner[3] = 1704;
    p.customOutputOwner[4] = 1705;
    p.customOutputOwner[5] = 1706;
    p.customOutputOwner[6] = 1707;
    p.customOutputOwner[7] = 1708;
    p.system9Spare = 1709;
    p.notDetectedCount = 77;
    p.skipDetect = 1711;
    p.separateDetectSignal = 1712;
    p.enableDistMeasure = 1713;
    p.prodNgNoAlarmSplitOutputs = 1715;
    p.roiNgWarnCount = 1716;
    p.refreshAfterDetect = 1717;
    p.retestDelay = 1718;
    p.continuousNgLimit = 1719;
    p.noRefreshAfterAlarm = 1720;
    p.inputNameIndex[0] = 1801;
    p.inputNameIndex[1] = 1802;
    p.inputNameIndex[2] = 1803;
    p.inputNameIndex[3] = 1804;
    p.inputNameIndex[4] = 1805;
    p.inputNameIndex[5] = 1806;
    p.inputNameIndex[6] = 1807;
    p.inputNameIndex[7] = 1808;
    p.outputNameIndex[0] = 1809;
    p.outputNameIndex[1] = 1810;
    p.outputNameIndex[2] = 1811;
    p.outputNameIndex[3] = 1812;
    p.outputNameIndex[4] = 1813;
    p.outputNameIndex[5] = 1814;
    p.outputNameIndex[6] = 1815;
    p.outputNameIndex[7] = 1816;
    p.system10Spare = 1817;
    p.mouldNgPulseNoAlarm = 1818;
    p.imageAdjust = 1819;
    p.stopEjectorOnStop = 1820;
    p.system11SpareA[0] = 1901;
    p.system11SpareA[1] = 1902;
    p.system11SpareA[2] = 1903;
    p.system11SpareA[3] = 1904;
    p.system11SpareA[4] = 1905;
    p.system11SpareA[5] = 1906;
    p.system11SpareA[6] = 1907;
    p.system11SpareA[7] = 1908;
    p.system11SpareB[0] = 1909;
    p.system11SpareB[1] = 1910;
    p.system11SpareB[2] = 1911;
    p.system11SpareB[3] = 1912;
    p.system11SpareB[4] = 1913;
    p.system11SpareB[5] = 1914;
    p.system11SpareB[6] = 1915;
    p.system11SpareB[7] = 1916;
    p.cameraLostOptimize = 1917;
    p.ioLinkLostBox = 1918;
    p.detectNotInOrder = 1919;
    p.saveAllAsTest = 1920;
    p.hMirror[0] = 2001;
    p.hMirror[1] = 2002;
    p.hMirror[2] = 2003;
    p.hMirror[3] = 2004;
    p.hMirror[4] = 2005;
    p.hMirror[5] = 2006;
    p.hMirror[6] = 2007;
    p.hMirror[7] = 2008;
    p.vMirror[0] = 2009;
    p.vMirror[1] = 2010;
    p.vMirror[2] = 2011;
    p.vMirror[3] = 2012;
    p.vMirror[4] = 2013;
    p.vMirror[5] = 2014;
    p.vMirror[6] = 2015;
    p.vMirror[7] = 2016;
    p.okNgPulseOutputs = 2017;
    p.showAcqModeButton = 2018;
    p.extTrigNgContinuous = 2019;
    p.continuousTimedDetect = 2020;
    p.detectCycleLog = 2021;
    p.alarmSyncEjectorPulse = 2101;
    p.enableBlackNumber = 2102;
    p.netEnabled = 2201;
    p.netVideoOn = 2202;
    p.netVideoParam = 2203;
    p.netNgVideo = 2204;
    p.netAlarmSms = 2205;
    p.productsPerCycle = 2206;
    p.productsNum = 2207;
    p.productSerial = 2208;
    p.machineTypeSetting = 4;
    gLan = 1;
}

// The rows as the save must write them.
const QList<QPair<QString, QString>> kGoldenRows = {
    {QStringLiteral("trigInDelay"), QStringLiteral("101 102 103 104 105 106 107 108")},
    {QStringLiteral("exposeTime"), QStringLiteral("201 202 203 204")},
    {QStringLiteral("sharp"), QStringLiteral("301 302 303 304")},
    {QStringLiteral("contrast"), QStringLiteral("401 402 403 404")},
    {QStringLiteral("adjustPlus"), QStringLiteral("501 502 503 504")},
    {QStringLiteral("numFailDetect"), QStringLiteral("4 2 603 604 605 606 607 608")},
    {QStringLiteral("numAllDetect"), QStringLiteral("701 702 703 704 705 706 707 708")},
    {QStringLiteral("isPswUsed"), QStringLiteral("801")},
    {QStringLiteral("system1"), QStringLiteral("901 902 903 -1 905 906 907 908 909")},
    {QStringLiteral("system2"), QStringLiteral("1001 55 44 1004 1005 1006 1007 1008 1009 1010 1011 1012 1 1014 1015 1016 99 1018")},
    {QStringLiteral("system3"), QStringLiteral("1101 1102 3 1104 1105 1106 1107 1108 1109 1110 1111")},
    {QStringLiteral("system4"), QStringLiteral("1201 1202 1203 1204 1205 1206 1207 1208 1209 1210 1211 1212 1213 33 1215")},
    {QStringLiteral("system5"), QStringLiteral("1301 1302 1303 1304 1305 1306 1307 1308 1309 170 1311 1312 1313")},
    {QStringLiteral("system6"), QStringLiteral("1401 1402 1403 1404 1405 1406 1407 1408 1409 1410 1411 1412")},
    {QStringLiteral("system7"), QStringLiteral("66 1502 1503 1504 1505 1506 1507 1508 1509 1510 1511 1512 1513 1514 1515 1516 1517 1518 1519 1520")},
    {QStringLiteral("system8"), QStringLiteral("5 1602 1603 1604 1605 1606 1607 1608 1609 1610 1611 1612 1613 1614 1615 1616 1617 1618 1619 1620")},
    {QStringLiteral("system9"), QStringLiteral("1701 1702 1703 1704 1705 1706 1707 1708 1709 77 1711 1712 1713 905 1715 1716 1717 1718 1719 1720")},
    {QStringLiteral("system10"), QStringLiteral("1801 1802 1803 1804 1805 1806 1807 1808 1809 1810 1811 1812 1813 1814 1815 1816 1817 1818 1819 1820")},
    {QStringLiteral("system11"), QStringLiteral("1901 1902 1903 1904 1905 1906 1907 1908 1909 1910 1911 1912 1913 1914 1915 1916 1917 1918 1919 1920")},
    {QStringLiteral("system12"), QStringLiteral("2001 2002 2003 2004 2005 2006 2007 2008 2009 2010 2011 2012 2013 2014 2015 2016 2017 2018 2019 2020 2021")},
    {QStringLiteral("system13"), QStringLiteral("2101 2102 1620 1620 1620 1620 1620 1620 1620 1620 1620 1620 1620 1620 1620 1620 1620 1620 1620 1620")},
    {QStringLiteral("VurNet"), QStringLiteral("2201 2202 2203 2204 2205 2206 2207 2208")},
};

class CountingNet : public VUR_Net {
public:
    void VUR_SendParam() override { ++params; }
    int params = 0;
};

}  // namespace

class TestParaStore : public QObject {
    Q_OBJECT

private:
    TempWorkDir* m_dir = nullptr;
    PlantParamReports m_reports;  // as start-up installs it
    QString m_param;
    QString m_sn;

    QString Row(const QString& key) { return SqliteValue(m_param, key); }

private slots:
    void init()
    {
        m_dir = new TempWorkDir;
        QVERIFY(m_dir->isValid());
        QFile::copy(QStringLiteral("paraGroup/default/PARAM.db"), QStringLiteral("PARAM.db"));
        QFile::copy(QStringLiteral("paraGroup/default/SN.db"), QStringLiteral("SN.db"));
        m_param = m_dir->filePath(QStringLiteral("PARAM.db"));
        m_sn = m_dir->filePath(QStringLiteral("SN.db"));
        QVERIFY(OpenTestDb(QStringLiteral("dbIn"), m_param).isOpen());
        QVERIFY(OpenTestDb(QStringLiteral("dbT"), m_sn).isOpen());
        gLan = 0;
        gpNet = nullptr;
        ParamReports::setInstance(&m_reports);
        std::memset(gSerialNB, 0, sizeof gSerialNB);
    }

    void cleanup()
    {
        CloseTestDb(QStringLiteral("dbIn"));
        CloseTestDb(QStringLiteral("dbT"));
        delete m_dir;
        m_dir = nullptr;
        gpNet = nullptr;
        ParamReports::setInstance(nullptr);
    }

    void goldenRoundTrip()
    {
        WizardPara a;
        FillDistinct(a);
        WizardPara::SetText(a.password, QStringLiteral("pw'1"));
        WizardPara::SetText(a.netUseName, QStringLiteral("Üser"));
        WizardPara::SetText(a.netMsgTechName, QStringLiteral("技术员"));
        WizardPara::SetText(a.netMsgTechNum, QStringLiteral("139"));
        WizardPara::SetText(a.netProName, QStringLiteral("产品'); drop table sysparam; --"));
        WizardPara::SetText(a.netOperator, QStringLiteral("操作员"));
        QVERIFY(a.SaveDatatoFile());

        for (const auto& [key, value] : kGoldenRows)
            QCOMPARE(Row(key), value);
        QCOMPARE(Row(QStringLiteral("password")), QStringLiteral("pw'1"));
        QCOMPARE(Row(QStringLiteral("VurNet_UseName")), QStringLiteral("Üser"));
        QCOMPARE(Row(QStringLiteral("VurNet_MsgTechName")), QStringLiteral("技术员"));
        QCOMPARE(Row(QStringLiteral("VurNet_ProName")), QStringLiteral("产品'); drop table sysparam; --"));
        QCOMPARE(Row(QStringLiteral("VurNet_Operator")), QStringLiteral("操作员"));
        // One row per key: nothing duplicated, nothing lost.
        QCOMPARE(SqliteRows(m_param, QStringLiteral("select count(*), count(distinct name) from sysparam")),
                 QStringList{QStringLiteral("28|28")});

        gLan = 0;
        WizardPara b;
        b.LoadDatafromFile();
        QCOMPARE(gLan, 1);
        // Derived fields follow the machine type; everything stored comes back.
        std::memcpy(a.detectOn, b.detectOn, sizeof a.detectOn);
        std::memcpy(a.trigInput, b.trigInput, sizeof a.trigInput);
        std::memcpy(a.outputOrder, b.outputOrder, sizeof a.outputOrder);
        a.detectCount = b.detectCount;
        a.storedSerialCount = b.storedSerialCount;
        a.paraGroupIndex = b.paraGroupIndex;
        QVERIFY(a == b);

        // Saving what was loaded writes the same rows again.
        gLan = 1;
        QVERIFY(b.SaveDatatoFile());
        for (const auto& [key, value] : kGoldenRows)
            QCOMPARE(Row(key), value);
    }

    void tableCoversEveryRow()
    {
        QStringList keys;
        for (const ParaRow& r : ParaIntRows())
            keys << QString::fromLatin1(r.key);
        for (const ParaTextRow& r : ParaTextRows())
            keys << QString::fromLatin1(r.key);
        QStringList saveOrder = ParaSaveOrder();
        keys.sort();
        saveOrder.sort();
        QCOMPARE(keys, saveOrder);
        QCOMPARE(QString::fromLatin1(FindParaValue(QStringLiteral("system2"), 13)->field), QStringLiteral("gLan"));
        QCOMPARE(QString::fromLatin1(FindParaValue(QStringLiteral("system9"), 14)->field), QStringLiteral("stopClampOnStop"));
        QVERIFY(!FindParaValue(QStringLiteral("system2"), 19));
        QVERIFY(!FindParaValue(QStringLiteral("system2"), 0));
    }

    void machineTypeChangeWaitsForRestart()
    {
        WizardPara p;
        p.LoadDatafromFile();
        SetRow(QStringLiteral("dbIn"), QStringLiteral("numFailDetect"), QStringLiteral("4 0 0 0 0 0 0 0"));
        p.LoadDatafromFile();
        QCOMPARE(p.machineType, 4);
        QCOMPARE(p.machineTypeSetting, 4);
        p.machineTypeSetting = 1;
        QVERIFY(p.SaveDatatoFile());
        QCOMPARE(p.machineType, 4);
        QCOMPARE(Row(QStringLiteral("numFailDetect")), QStringLiteral("1 0 0 0 0 0 0 0"));
        // An unknown type loads as the standard machine and is saved so.
        SetRow(QStringLiteral("dbIn"), QStringLiteral("numFailDetect"), QStringLiteral("7 0 0 0 0 0 0 0"));
        WizardPara q;
        q.LoadDatafromFile();
        QCOMPARE(q.machineType, 0);
        QVERIFY(q.SaveDatatoFile());
        QCOMPARE(Row(QStringLiteral("numFailDetect")).left(2), QStringLiteral("0 "));
    }

    void rowText_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");  // trigInDelay after the load
        QTest::newRow("extra text ignored") << "1 2 3 4 5 6 7 8 junk 9" << "1 2 3 4 5 6 7 8";
        QTest::newRow("short row") << "1 2 3" << "1 2 3 0 0 0 0 0";
        QTest::newRow("word ends the row") << "1 x 3 4 5 6 7 8" << "1 0 0 0 0 0 0 0";
        QTest::newRow("glued text ends the row") << "1 2abc 3 4 5 6 7 8" << "1 2 0 0 0 0 0 0";
        QTest::newRow("octal and hex") << "010 0x1f -3 0 0 0 0 0" << "8 31 -3 0 0 0 0 0";
        QTest::newRow("blanks and tabs") << "  1\t2\n3  4 5 6 7 8 " << "1 2 3 4 5 6 7 8";
        QTest::newRow("empty") << "" << "0 0 0 0 0 0 0 0";
        // Only ASCII digits are digits: an Arabic-Indic three glued to a 7 ends the row after the 7.
        QTest::newRow("non-ASCII digit") << QStringLiteral("7\u06F3 5 6 7 8 9 1 2") << "7 0 0 0 0 0 0 0";
    }

    void rowText()
    {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        SetRow(QStringLiteral("dbIn"), QStringLiteral("trigInDelay"), stored);
        WizardPara p;
        p.LoadDatafromFile();
        QVERIFY(p.SaveDatatoFile());
        QCOMPARE(Row(QStringLiteral("trigInDelay")), expected);
    }

    void missingRowKeepsFieldsAndSaveRestoresIt()
    {
        DeleteRow(QStringLiteral("dbIn"), QStringLiteral("exposeTime"));
        WizardPara p;
        p.exposure[2] = 77;
        p.LoadDatafromFile();
        QCOMPARE(p.exposure[2], 77);
        QCOMPARE(Row(QStringLiteral("exposeTime")), QString());
        QVERIFY(p.SaveDatatoFile());
        QCOMPARE(Row(QStringLiteral("exposeTime")), QStringLiteral("0 0 77 0"));
    }

    void loadInsertsLaterRows()
    {
        for (int i = 7; i <= 13; ++i)
            DeleteRow(QStringLiteral("dbIn"), QStringLiteral("system%1").arg(i));
        WizardPara p;
        p.comPort = 9;
        p.LoadDatafromFile();
        QCOMPARE(p.comPort, 9);  // the inserted values count from the next start
        QCOMPARE(Row(QStringLiteral("system7")), QStringLiteral("0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0 0 0 0"));
        for (int i = 8; i <= 13; ++i)
            QCOMPARE(Row(QStringLiteral("system%1").arg(i)), QStringLiteral("0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0"));
        WizardPara q;
        q.detectCycleLog = 5;
        q.LoadDatafromFile();
        QCOMPARE(q.outputInvert[2], 1);
        QCOMPARE(q.detectCycleLog, 0);  // the twenty-first value is missing from the inserted row
    }

    void plantRowsCreatedBySave()
    {
        for (const char* key : {"VurNet", "VurNet_UseName", "VurNet_MsgTechName", "VurNet_MsgTechNum",
                                "VurNet_ProName", "VurNet_Operator"})
            DeleteRow(QStringLiteral("dbIn"), QString::fromLatin1(key));
        WizardPara p;
        p.LoadDatafromFile();
        QCOMPARE(p.productSerial, 10000);
        WizardPara::SetText(p.netOperator, QStringLiteral("Li"));
        QVERIFY(p.SaveDatatoFile());
        QCOMPARE(Row(QStringLiteral("VurNet")), QStringLiteral("0 1 3 0 0 6 1 10000"));
        QCOMPARE(Row(QStringLiteral("VurNet_Operator")), QStringLiteral("Li"));
        QCOMPARE(SqliteRows(m_param, QStringLiteral("select count(*) from sysparam where name='VurNet_UseName'")),
                 QStringList{QStringLiteral("1")});
    }

    void saveChkDBItem()
    {
        WizardPara p;
        p.SaveChkDBItem(QStringLiteral("newKey"));
        p.SaveChkDBItem(QStringLiteral("newKey"));
        QCOMPARE(SqliteRows(m_param, QStringLiteral("select value from sysparam where name='newKey'")),
                 QStringList{QStringLiteral("0")});
        p.SaveChkDBItem(QStringLiteral("it's"));
        QCOMPARE(Row(QStringLiteral("it''s")), QStringLiteral("0"));
    }

    void texts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString ascii99(99, QLatin1Char('a'));
        QTest::newRow("99 bytes") << ascii99 << ascii99;
        QTest::newRow("100 bytes cut") << ascii99 + QLatin1Char('b') << ascii99;
        // 33 three-byte characters are 99 bytes; one more would split at byte 99.
        const QString han33(33, QChar(0x4E2D));
        QTest::newRow("cut on a character") << han33 + QChar(0x6587) << han33;
        QTest::newRow("two-byte at the edge") << QString(98, QLatin1Char('a')) + QChar(0xE9) << QString(98, QLatin1Char('a'));
        QTest::newRow("quote") << QStringLiteral("a'b\"c") << QStringLiteral("a'b\"c");
        QTest::newRow("NUL ends the text") << QStringLiteral("ab") + QChar(0) + QStringLiteral("cd") << QStringLiteral("ab");
    }

    void texts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        WizardPara p;
        p.LoadDatafromFile();
        WizardPara::SetText(p.password, text);
        WizardPara::SetText(p.netProName, text);
        QCOMPARE(WizardPara::Text(p.password), expected);
        QVERIFY(p.SaveDatatoFile());
        QCOMPARE(Row(QStringLiteral("password")), expected);
        WizardPara q;
        q.LoadDatafromFile();
        QCOMPARE(WizardPara::Text(q.password), expected);
        QCOMPARE(WizardPara::Text(q.netProName), expected);
        QVERIFY(q == p);  // the record equals itself after a save and load
        // A longer text stored by something else is cut the same way on load.
        SetRow(QStringLiteral("dbIn"), QStringLiteral("VurNet_Operator"), text);
        q.LoadDatafromFile();
        QCOMPARE(WizardPara::Text(q.netOperator), expected);
        QCOMPARE(Row(QStringLiteral("system1")), QStringLiteral("0 1 0 -1 0 0 0 0 0"));
    }

    void recordComparesAsValue()
    {
        WizardPara a, b;
        QVERIFY(a == b);
        b.netAddr[11] = 1;
        QVERIFY(a != b);
        b = a;
        WizardPara::SetText(a.netOperator, QStringLiteral("long text here"));
        WizardPara::SetText(a.netOperator, QStringLiteral("x"));
        WizardPara::SetText(b.netOperator, QStringLiteral("x"));
        QVERIFY(a == b);  // nothing of the longer text stays behind the NUL
    }

    void defaultDatabaseLoadsUnchanged()
    {
        WizardPara p;
        p.LoadDatafromFile();
        QCOMPARE(p.enableDefect, 1);
        QCOMPARE(p.exposure[7], 30);
        QCOMPARE(p.screenOffTime, 600);
        const QStringList before = SqliteRows(m_param, QStringLiteral("select name, value from sysparam order by name"));
        QVERIFY(p.SaveDatatoFile());
        QCOMPARE(SqliteRows(m_param, QStringLiteral("select name, value from sysparam order by name")), before);
    }

    void plantLinkGetsParamsOnlyWhenUp()
    {
        CountingNet net;
        gpNet = &net;
        WizardPara p;
        p.LoadDatafromFile();
        p.netEnabled = 1;
        QVERIFY(p.SaveDatatoFile());
        QCOMPARE(net.params, 0);  // not started
        net.isInit = true;
        QVERIFY(p.SaveDatatoFile());
        QCOMPARE(net.params, 0);  // no client
        net.isAlive = true;
        QVERIFY(p.SaveDatatoFile());
        QCOMPARE(net.params, 1);
        p.netEnabled = 0;
        QVERIFY(p.SaveDatatoFile());
        QCOMPARE(net.params, 1);
        QCOMPARE(Row(QStringLiteral("VurNet")).left(2), QStringLiteral("0 "));
    }

    void refusedSaveIsReportedAndWritesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("read-only file") << "readonly";
        QTest::newRow("one row refused") << "trigger";
        QTest::newRow("connection closed") << "closed";
    }
    void refusedSaveIsReportedAndWritesNothing()
    {
        QFETCH(QString, how);
        CountingNet net;
        net.isInit = net.isAlive = true;
        gpNet = &net;
        WizardPara p;
        p.LoadDatafromFile();
        p.netEnabled = 1;
        QVERIFY(p.SaveDatatoFile());
        QCOMPARE(net.params, 1);
        const QStringList before = SqliteRows(m_param, QStringLiteral("select name, value from sysparam order by name"));
        if (how == QLatin1String("readonly")) {
            CloseTestDb(QStringLiteral("dbIn"));
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("dbIn"));
            db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            db.setDatabaseName(m_param);
            QVERIFY(db.open());
        } else if (how == QLatin1String("trigger")) {
            // A row late in the save order is refused: the earlier ones must not stay written.
            QSqlQuery q(QSqlDatabase::database(QStringLiteral("dbIn")));
            QVERIFY(q.exec(QStringLiteral("create trigger refuse before update on sysparam when new.name='system9' "
                                          "begin select raise(abort, 'refused'); end")));
        } else {
            QSqlDatabase::database(QStringLiteral("dbIn"), false).close();
        }
        p.exposure[0] = 9;
        p.netAddr[0] = 10;
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Parameters not saved")));
        QVERIFY(!p.SaveDatatoFile());
        QCOMPARE(net.params, 1);  // the plant hears nothing of a record that was not stored
        if (how == QLatin1String("trigger"))
            QVERIFY(SqliteRows(m_param, QStringLiteral("drop trigger refuse")).isEmpty());
        QCOMPARE(SqliteRows(m_param, QStringLiteral("select name, value from sysparam order by name")), before);
    }

    void sysAddFile()
    {
        QFile::remove(QStringLiteral("sysadd.txt"));
        WizardPara p;
        p.paraGroupIndex = 5;
        p.LoadDatafromFile();
        QCOMPARE(p.paraGroupIndex, 0);
        QFile f(QStringLiteral("sysadd.txt"));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("0"));
        f.close();
        p.paraGroupIndex = 3;
        p.SaveAddFile();
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("3\n"));
        f.close();
        WizardPara q;
        q.LoadDatafromFile();
        QCOMPARE(q.paraGroupIndex, 3);
        // The group index is a plain decimal number, zero-padded or not.
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("010\n");
        f.close();
        q.LoadDatafromFile();
        QCOMPARE(q.paraGroupIndex, 10);
    }

    void serialNumbers()
    {
        SetRow(QStringLiteral("dbT"), QStringLiteral("serialNB0"), QStringLiteral("ABCDEFGH"));   // 8: too short
        SetRow(QStringLiteral("dbT"), QStringLiteral("serialNB1"), QStringLiteral("ABCDEFGHI"));  // 9
        SetRow(QStringLiteral("dbT"), QStringLiteral("serialNB2"), QString(99, QLatin1Char('S')));
        SetRow(QStringLiteral("dbT"), QStringLiteral("serialNB3"), QString(100, QLatin1Char('T')));
        DeleteRow(QStringLiteral("dbT"), QStringLiteral("serialNB4"));
        SetRow(QStringLiteral("dbT"), QStringLiteral("serialNB5"), QStringLiteral("ABCDEFGHI") + QChar(0) + QStringLiteral("xyz"));
        std::strcpy(gSerialNB[0], "kept0");
        std::strcpy(gSerialNB[3], "kept3");
        std::strcpy(gSerialNB[4], "gone4");
        WizardPara p;
        p.LoadDatafromFile();
        QCOMPARE(p.storedSerialCount, 3);
        QCOMPARE(QByteArray(gSerialNB[0]), QByteArray("kept0"));
        QCOMPARE(QByteArray(gSerialNB[1]), QByteArray("ABCDEFGHI"));
        QCOMPARE(QByteArray(gSerialNB[2]), QByteArray(99, 'S'));
        QCOMPARE(QByteArray(gSerialNB[3]), QByteArray("kept3"));
        QCOMPARE(QByteArray(gSerialNB[4]), QByteArray("0"));
        QCOMPARE(SqliteValue(m_sn, QStringLiteral("serialNB4")), QStringLiteral("0"));
        // Nothing after a NUL is kept.
        QCOMPARE(QByteArray(gSerialNB[5], sizeof gSerialNB[5]), QByteArray("ABCDEFGHI").leftJustified(100, '\0'));
    }
};

MOJU_TEST_CORE_MAIN(TestParaStore)
#include "test_para_store.moc"
