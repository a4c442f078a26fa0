// The parameter audit line: its items, order and form, by language and event.
#include "TestSupport.h"

#include "foundation/uitext.h"
#include "params/WizardPara.h"

namespace {

// English texts of the labels the line uses.
const std::pair<int, const char*> kEnglish[] = {
    {22, "filter Size"}, {24, "Area"}, {510, "Enable the 1st detection"},
    {175, "Enable detection prod"}, {174, "Semiauto"}, {177, "Two same parameters"},
    {176, "Motion correcte"}, {170, "Enable Password"}, {566, "vertically mirror"},
    {565, "Horizontal mirror"}, {244, "Speed"}, {388, "Automatic shading"},
    {337, "No lens optimization"}, {270, "Color camera instead of monochrome"}, {271, "Gray channel instead of color"},
    {519, "Use External Trigger"}, {657, "Refresh image after detection"}, {659, "Prohibit refreshing images after alarm shutdown"},
    {1012, "Timed detection in continuous capture"}, {200, "Display all the parameters"}, {196, "Enable the defect detection algorithm"},
    {197, "Enable the spot detection algorithm"}, {198, "Enable ignore area algorithm"}, {199, "Enable manually editing to locate area"},
    {390, "Enable black area"}, {391, "Enable white area"}, {520, "Enable white number"},
    {561, "Direction recognition"}, {581, "Dist-Measure"}, {397, "Enable similarity"},
    {336, "I-Time"}, {168, "Ejector P"}, {169, "Clamp P"},
    {166, "Pre-Cut"}, {524, "Shake erase time"}, {571, "Number of times not detected"},
    {203, "Iuput 4 synch for"}, {334, "Output 4 synch for"}, {179, "Stop clamping when stopping detection"},
    {178, "Cut ejector when clamping"}, {192, "No ejector signal control in prod"}, {190, "Ejector pulse when NG in prod, don't' alarm"},
    {642, "Clamp pulse when NG in mould, don't alarm"}, {1013, "No alarm stop on prod NG, separate NG and OK outputs"}, {645, "OK and NG pulses: OK to clamp, NG to ejector"},
    {193, "Cut the clamping at fixed time after mold ok"}, {513, "Cut the ejector at fixed time after Prod ok"}, {195, "Open the safety door to lift the alarm"},
    {515, "Cut ejector signal when pro detect alarm"}, {562, "Cut clamp signal when mold detect alarm"}, {660, "Alarm output synchronous ejector pulse"},
    {643, "Stop thimble when stopping detection"}, {202, "OK and NG output pulses"}, {265, "Safety door trigger detection"},
    {213, "Offset"}, {188, "Amplify"}, {181, "Min Spot"},
    {403, "Angle"}, {243, "Scr Off"}, {189, "A-Logout"},
    {185, "Temp number"}, {186, "NG-Rec"}, {187, "OK-Rec"},
    {254, "Display factory param"}, {272, "Display manual snapshot"}, {191, "Automatic generate area"},
    {194, "Don't detect this password protection"}, {341, "Add to template password protection"}, {342, "Ignore alarm point password protection"},
    {556, "stop detect password protection"}, {457, "NG image"}, {201, "Save all as test images"},
    {470, "real-time display ROI"}, {400, "Template auto update"}, {1011, "Continuous capture after an NG on external trigger"},
    {554, "Enable result statistics"}, {471, "display No of mold"}, {558, "Use Log"},
    {572, "skipDetect"}, {1007, "separate Detection signal"}, {586, "camera disconnect"},
    {644, "Enable image adjustment"}, {652, "Display the acquisition mode switch button"}, {653, "Don't display NG number"},
};

// Event 0 in English for the record made by MakeRecord().
const QString kGolden = QStringLiteral(
    "开机时,相机输入信号的检测延时:5,0,0,0,0,0,0,0,0;"
    "NG自动重检次数:0,2;"
    "filter Size:3;"
    "Area:100;"
    "Enable detection prod:0;"
    "Semiauto:0;"
    "Two same parameters:0;"
    "Motion correcte:0;"
    "Enable Password:0;"
    "相机曝光:30,31,32,33,34,35,36,37;"
    "增益调节:0,0,0,0,0,0,0,0;"
    "清晰度:0,0,0,0,0,0,0,0;"
    "真实度:100,100,100,100,100,100,100,100;"
    "Gamma:100,100,100,100,100,100,100,100;"
    "vertically mirror:0,1,0,0,0,0,0,0;"
    "Horizontal mirror:0,0,0,0,0,0,0,0;"
    "Speed:0;"
    "Automatic shading:0;"
    "No lens optimization:0;"
    "Color camera instead of monochrome:0;"
    "Gray channel instead of color:0;"
    "Use External Trigger:0;"
    "Refresh image after detection:0;"
    "Prohibit refreshing images after alarm shutdown:0;"
    "Timed detection in continuous capture:0;"
    "Display all the parameters:0;"
    "Enable the defect detection algorithm:0;"
    "Enable the spot detection algorithm:0;"
    "Enable ignore area algorithm:0;"
    "Enable manually editing to locate area:0;"
    "Enable black area:0;"
    "Enable white area:0;"
    "Enable white number:0;"
    "Direction recognition:0;"
    "Dist-Measure:0;"
    "Enable similarity:0;"
    "端口号:0;"
    "I-Time:0;"
    "Ejector P:0;"
    "Clamp P:0;"
    "Pre-Cut:0;"
    "Shake erase time:0;"
    "Number of times not detected:0;"
    "Iuput 4 synch for:0;"
    "Output 4 synch for:0;"
    "每次检测对应输入信号:0,2,0,0,0,0,0,0,0;"
    "每次检测对应输出信号:0,0,0,0,0,0,0,0,0;"
    "输出信号初始状态:0,0,1,0,0,0,0,0,0;"
    "Stop clamping when stopping detection:0;"
    "Cut ejector when clamping:0;"
    "No ejector signal control in prod:0;"
    "Ejector pulse when NG in prod, don't' alarm:0;"
    "Clamp pulse when NG in mould, don't alarm:0;"
    "No alarm stop on prod NG, separate NG and OK outputs:1;"
    "OK and NG pulses: OK to clamp, NG to ejector:0;"
    "Cut the clamping at fixed time after mold ok:0;"
    "Cut the ejector at fixed time after Prod ok:0;"
    "Open the safety door to lift the alarm:0;"
    "Cut ejector signal when pro detect alarm:0;"
    "Cut clamp signal when mold detect alarm:0;"
    "Alarm output synchronous ejector pulse:0;"
    "Stop thimble when stopping detection:0;"
    "OK and NG output pulses:0;"
    "Safety door trigger detection:0;"
    "Offset:8000;"
    "Amplify:0;"
    "Min Spot:3;"
    "Angle:0;"
    "Scr Off:600;"
    "A-Logout:0;"
    "Temp number:10;"
    "NG-Rec:0;"
    "OK-Rec:0;"
    "Display factory param:0;"
    "Display manual snapshot:0;"
    "Automatic generate area:0;"
    "Don't detect this password protection:0;"
    "Add to template password protection:0;"
    "Ignore alarm point password protection:0;"
    "stop detect password protection:0;"
    "NG image:0;"
    "Save all as test images:0;"
    "real-time display ROI:0;"
    "Template auto update:0;"
    "Continuous capture after an NG on external trigger:0;"
    "Enable result statistics:0;"
    "display No of mold:0;"
    "Use Log:1;"
    "skipDetect:0;"
    "separate Detection signal:0;"
    "camera disconnect:0;"
    "Enable image adjustment:0;"
    "Display the acquisition mode switch button:0;"
    "启用检测周期:0;"
    "Don't display NG number:0;"
    "自定义检测数:2;"
    "检测不按顺序:0;"
    "输出对应的检测号:-1,0,0,0,0,0,0,0;"
    "每次检测对应的输入信号:0,0,0,0,0,0,0,0;"
    "每次检测对应的切断方式:0,0,0,0,0,0,0,0;"
    "排列输出的顺序:0,0,0,0,0,0,0,0;"
    "输入名称排序:0,0,0,0,0,0,0,0;"
    "输出名称排序:0,0,0,0,0,0,0,0;"
);

WizardPara MakeRecord()
{
    WizardPara p;
    p.detectDelay[0] = 5;
    p.recheckCount2 = 2;
    p.motionCorrect = -1;
    for (int c = 0; c < 8; ++c)
        p.exposure[c] = 30 + c;
    p.vMirror[1] = 1;
    p.trigInput[1] = 2;
    p.outputInvert[2] = 1;
    p.customOutputOwner[0] = -1;
    p.useLog = 1;
    p.screenOffTime = 600;
    p.prodNgNoAlarmSplitOutputs = 1;
    return p;
}

}  // namespace

class TestParamAudit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (const auto& [id, text] : kEnglish) {
            gaLanStr[id * 3 + 0] = QStringLiteral("中%1").arg(id);
            gaLanStr[id * 3 + 1] = QString::fromUtf8(text);
        }
    }

    void init() { gLan = 1; }

    void goldenStartLine()
    {
        QCOMPARE(MakeRecord().inserterAllParam(0), kGolden);
    }

    void everyItemOnce()
    {
        const QString line = MakeRecord().inserterAllParam(0);
        QCOMPARE(line.count(QLatin1Char(';')), 103);
    }

    void prefixes_data()
    {
        QTest::addColumn<int>("event");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("start") << 0 << QStringLiteral("开机时,");
        QTest::newRow("opened") << 1 << QStringLiteral("打开系统参数,");
        QTest::newRow("closed") << 2 << QStringLiteral("退出系统参数,");
        QTest::newRow("other") << 7 << QStringLiteral("退出系统参数,");
    }

    void prefixes()
    {
        QFETCH(int, event);
        QFETCH(QString, prefix);
        const QString line = MakeRecord().inserterAllParam(event);
        QVERIFY(line.startsWith(prefix + QStringLiteral("相机输入信号的检测延时:")));
        QCOMPARE(line.mid(prefix.size()), kGolden.mid(4));
    }

    void languageAndMachineType()
    {
        gLan = 0;
        WizardPara p = MakeRecord();
        p.filterSize = 7;
        QString line = p.inserterAllParam(0);
        QVERIFY(line.contains(QStringLiteral(";中22:7;中24:100;中175:0;")));
        QVERIFY(line.contains(QStringLiteral(";中566:0,1,0,0,0,0,0,0;")));
        p.machineType = 4;
        p.motionCorrect = 0;
        line = p.inserterAllParam(0);
        QVERIFY(line.contains(QStringLiteral(";中510:0;")));
        QVERIFY(line.contains(QStringLiteral(";中176:1;")));
    }
};

MOJU_TEST_CORE_MAIN(TestParamAudit)
#include "test_param_audit.moc"
