#include "TestSupport.h"

#include "AlarmDoubles.h"
#include "app/gui/ContinuousNgWarnBox.h"
#include "app/gui/LostCameraWarnBox.h"
#include "app/gui/LostComWarnBox.h"
#include "app/gui/ROINGWarnBox.h"
#include "app/gui/ReconnectCameraWarnBox.h"
#include "app/gui/TimingWarnBox.h"
#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"
#include "widgets/ColorButton.h"

#include <QLabel>

#include <memory>

class TestAlarmBoxes : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void continuousNgRelease_data()
    {
        QTest::addColumn<bool>("alarm");
        QTest::addColumn<int>("preCut");
        QTest::addColumn<int>("cutClamp");
        QTest::addColumn<int>("mouldPulse");
        QTest::addColumn<int>("clampOut");
        QTest::addColumn<int>("alarmOut");
        QTest::addColumn<int>("counter");
        QTest::newRow("outside alarm, no clamp option") << false << 0 << 0 << 0 << 1 << 0 << 0;
        QTest::newRow("outside alarm, pre-cut") << false << 5 << 0 << 0 << 0 << 0 << 0;
        QTest::newRow("outside alarm, clamp cut on mould alarm") << false << 0 << 1 << 0 << 0 << 0 << 0;
        QTest::newRow("outside alarm, mould NG pulse") << false << 0 << 0 << 1 << 0 << 0 << 0;
        QTest::newRow("inside alarm") << true << 5 << 1 << 1 << 1 << 1 << 5;
    }
    void continuousNgRelease()
    {
        QFETCH(bool, alarm);
        QFETCH(int, preCut);
        QFETCH(int, cutClamp);
        QFETCH(int, mouldPulse);
        Rig rig;
        rig.host.alarm = alarm;
        rig.para.preCut = preCut;
        rig.para.cutClampOnMouldAlarm = cutClamp;
        rig.para.mouldNgPulseNoAlarm = mouldPulse;
        rig.setOutputs({0, 2});
        ContinuousNgWarnBox box;
        QCOMPARE(PublishedOut(0), 1);  // being made changes nothing
        QCOMPARE(rig.host.continuousNg, 5);
        box.show();
        box.confirmButton()->click();
        QVERIFY(!box.isVisible());
        QTEST(PublishedOut(0), "clampOut");
        QTEST(PublishedOut(2), "alarmOut");
        QTEST(rig.host.continuousNg, "counter");
    }

    void lostIoLink()
    {
        Rig rig;
        LostComWarnBox box;
        gisLostCom = 1;
        box.Poll(true, false);  // option off: nothing at all
        QVERIFY(!box.isVisible());
        QVERIFY(rig.host.records.isEmpty());

        box.Poll(true, true);
        QVERIFY(box.isVisible());
        QCOMPARE(box.text(), AlarmText(589));
        QCOMPARE(rig.host.records, QStringList{QStringLiteral("IO通讯异常")});
        box.Poll(true, true);  // still lost: one line only
        QCOMPARE(rig.host.records.size(), 1);

        // Confirmed while still lost: it comes back.
        box.confirmButton()->click();
        QTRY_VERIFY(box.isVisible());

        gisLostCom = 0;
        box.Poll(false, true);
        QCOMPARE(box.text(), AlarmText(590));
        QVERIFY(box.isVisible());  // stays until confirmed

        // Lost again before anyone confirmed: the box must not keep saying "reconnected".
        gisLostCom = 1;
        box.Poll(true, true);
        QCOMPARE(box.text(), AlarmText(589));
        QCOMPARE(rig.host.records, (QStringList{QStringLiteral("IO通讯异常"), QStringLiteral("IO通讯异常")}));
        gisLostCom = 0;
        box.Poll(false, true);
        QCOMPARE(box.text(), AlarmText(590));
        box.confirmButton()->click();
        QTest::qWait(20);
        QVERIFY(!box.isVisible());
    }

    void boxTexts_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<int>("lan");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("button");
        QTest::newRow("lost camera, English") << 0 << 1 << "camera disconnect" << "Shut Down";
        QTest::newRow("reconnect, English") << 1 << 1 << "camera reconnect" << "Confirm";
        QTest::newRow("reconnect, Chinese") << 1 << 0 << "相机通讯失败，现已重新连接." << gaLanStr[121 * 3];
        QTest::newRow("continuous NG") << 2 << 1 << "成品检测多次检测NG，导致报警停机!" << "Confirm";
        QTest::newRow("timing") << 3 << 1 << "定时报警时间到" << "Confirm";
    }
    void boxTexts()
    {
        QFETCH(int, box);
        QFETCH(int, lan);
        const int was = gLan;
        gLan = lan;
        std::unique_ptr<WarnBox> w;
        switch (box) {
        case 0: w = std::make_unique<LostCameraWarnBox>(); break;
        case 1: w = std::make_unique<ReconnectCameraWarnBox>(); break;
        case 2: w = std::make_unique<ContinuousNgWarnBox>(); break;
        default: w = std::make_unique<TimingWarnBox>(); break;
        }
        gLan = was;
        QTEST(w->text(), "text");
        QTEST(w->confirmButton()->text(), "button");
        QVERIFY(!w->isVisible());
    }

    void alarmTextsNeverEmpty()
    {
        const int lan = gLan;
        gLan = 2;  // the lost-camera and IO texts have no traditional Chinese
        LostCameraWarnBox lost;
        QVERIFY(!lost.text().isEmpty());
        QCOMPARE(lost.text(), gaLanStr[587 * 3]);
        gLan = lan;
    }

    void shutdownOnlyWhenCamerasLost()
    {
        TempWorkDir wd(false);
        Rig rig;
        LostCameraWarnBox box;
        gisLost = 0;
        box.show();
        box.confirmButton()->click();
        QVERIFY(!box.isVisible());
        QVERIFY(SystemActionLines().isEmpty());
        QCOMPARE(rig.host.flushed, 0);

        gisLost = 1;
        box.show();
        box.confirmButton()->click();
        QVERIFY(!box.isVisible());
        QCOMPARE(rig.host.records, QStringList{QStringLiteral("因丢失相机手动关闭电源")});
        QCOMPARE(rig.host.stopWtd, 1);
        QCOMPARE(rig.host.flushed, 1);
        const QStringList actions = SystemActionLines();
        QCOMPARE(actions.size(), 1);
        QVERIFY(actions.first().endsWith(QStringLiteral(" init 0")));
        gisLost = 0;
    }

    void roiWarning()
    {
        Rig rig;
        PopupAnswerer answer;
        answer.queueAction([](QDialog* d) {
            auto* box = static_cast<ROINGWarnBox*>(d);
            QCOMPARE(PublishedOut(0), 1);  // clamp held while the box is up
            QCOMPARE(box->content()->text(), QStringLiteral("camera 1 step 1 area 2: 500"));
            QCOMPARE(box->size(), QSize(750, 450));
            QCOMPARE(box->pos(), QPoint(gShowW / 2 - 375, gShowH / 2 - 225));
            QCOMPARE(box->content()->objectName(), QStringLiteral("pContent"));
            QCOMPARE(box->content()->size(), QSize(650, 350));
            QCOMPARE(box->content()->font().pixelSize(), 35);
            QVERIFY(box->content()->geometry().bottom() < box->silenceButton()->geometry().top());
            QCOMPARE(box->silenceButton()->text(), QStringLiteral("解除报警声"));
            QCOMPARE(box->replacedButton()->text(), QStringLiteral("镶件更换完成"));
            QCOMPARE(box->silenceButton()->size(), QSize(200, 80));
            QCOMPARE(box->replacedButton()->size(), QSize(200, 80));
            QVERIFY(box->silenceButton()->geometry().right() < box->replacedButton()->geometry().left());
            box->silenceButton()->click();
            box->silenceButton()->click();
            QVERIFY(box->isVisible());
            QCOMPARE(PublishedOut(2), 0);
            box->replacedButton()->click();
        });
        rig.setOutputs({2});
        ROINGWarnBox::Run(nullptr);
        QCOMPARE(answer.seen().size(), 1);
        QCOMPARE(rig.host.clearedWarn, 1);
        QCOMPARE(PublishedOut(0), 0);
        QCOMPARE(PublishedOut(2), 0);
        QCOMPARE(rig.host.roiWarning, (QList<bool>{true, false}));
    }

    void timingBoxHide()
    {
        Rig rig;
        rig.setOutputs({0, 2});
        TimingWarnBox box;
        QVERIFY(!box.isVisible());
        QCOMPARE(rig.host.timingTime, 0);  // made hidden without releasing anything
        QCOMPARE(PublishedOut(0), 1);
        box.show();
        box.hide();
        QVERIFY(rig.host.timingTime > 0);
        QCOMPARE(PublishedOut(0), 0);
        QCOMPARE(PublishedOut(2), 0);
    }
};

MOJU_TEST_MAIN(TestAlarmBoxes)
#include "test_alarm_boxes.moc"
