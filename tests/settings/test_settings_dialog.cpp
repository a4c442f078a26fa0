// The settings dialog over a main-window double: pages and access, loading,
// Confirm with its checks, log line, save and what it applies.
#include "SettingsRig.h"

#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/EditBox.h"
#include "foundation/VisionGlobals.h"
#include "GLogCapture.h"

#include <array>
#include "settings/SettingsChanges.h"

namespace {
int CaptionIdOf(const PopupAnswerer& a, int id)
{
    int n = 0;
    for (const PopupAnswerer::Seen& s : a.seen())
        n += s.text == LanStr(id) ? 1 : 0;
    return n;
}

// Controls shown on the dialog's current page.
QList<QWidget*> Shown(WizardParaWidget& d, int page)
{
    QList<QWidget*> out;
    for (QWidget* w : d.pageControls(page))
        if (w->isVisible())
            out << w;
    return out;
}
}  // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }
    void init() { gLan = 0; }


    void pagesBehindTheMasterLevel_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("password");  // level the password box reaches, -1 refused
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("asked");
        QTest::newRow("camera is open to all") << 1 << 0 << -1 << 1 << 0;
        QTest::newRow("network refused") << 2 << 0 << -1 << 0 << 1;
        QTest::newRow("io with the system password") << 3 << 1 << 1 << 0 << 1;
        QTest::newRow("io with the master password") << 3 << 1 << 2 << 3 << 1;
        QTest::newRow("advanced at the master level") << 4 << 2 << -1 << 4 << 0;
        QTest::newRow("the page shown asks nothing") << 0 << 0 << -1 << 0 << 0;
    }
    void pagesBehindTheMasterLevel()
    {
        QFETCH(int, page);
        QFETCH(int, level);
        QFETCH(int, password);
        QFETCH(int, expected);
        QFETCH(int, asked);
        SettingsRig rig;
        rig.open();
        rig.host.level = level;
        rig.host.passwordGives = password;
        rig.dlg->pageButton[page]->click();
        QCOMPARE(rig.dlg->page(), expected);
        QCOMPARE(rig.host.rootAsked, asked);
        QVERIFY(rig.dlg->pageButton[0]->isVisible());
        // Leaving by any way brings the dialog back on the first page.
        rig.dlg->hide();
        rig.dlg->show();
        QCOMPARE(rig.dlg->page(), 0);
    }

    void loadingReachesNoCamera()
    {
        SettingsRig rig([] { SetStoredValue(QStringLiteral("exposeTime"), 1, 500); });
        rig.open();
        QCOMPARE(rig.dlg->exposureEdit->value(), 100);    // shown clamped
        QCOMPARE(gpWParaBak->exposure[0], 500);           // nothing written, nothing applied
        rig.dlg->exposureEdit->SubOne();
        QCOMPARE(gpWParaBak->exposure[0], 99);            // an edit is
    }

    void confirmSavesLogsAndApplies()
    {
        SettingsRig rig([] { SetStoredValue(QStringLiteral("system7"), 10, 1); });
        rig.host.level = 2;
        rig.open();
        rig.dlg->retestDelayEdit->AddOne();                      // page 0
        rig.dlg->SlotToCamera();
        rig.dlg->speedEdit->AddFive();                           // page 1
        rig.dlg->SlotToIO();
        rig.dlg->outputStateCombo[0]->setCurrentIndex(1);        // page 3: output 1 inverted
        rig.dlg->SlotToAdvance();
        rig.dlg->rawFramesBox->setValue(1);
        for (QWidget* w : Shown(*rig.dlg, WizardParaWidget::PageAdvanced))
            if (auto* e = qobject_cast<EditBox*>(w); e && e->text() == LanStr(186))
                e->AddFive();                                    // page 4: NG records kept
        const WizardPara before = *gpWPara;
        GLogCapture glog;
        PopupAnswerer answers;
        answers.queue(1);                                        // save: yes
        rig.dlg->confirmButton->click();

        QVERIFY(!rig.dlg->isVisible());
        QCOMPARE(rig.host.level, 0);                             // the master unlock ends
        QVERIFY(rig.host.rawFrames);
        QCOMPARE(StoredValue(QStringLiteral("system9"), 18), before.retestDelay + 1);
        QCOMPARE(StoredValue(QStringLiteral("system2"), 17), before.cameraSpeed + 5);
        QCOMPARE(StoredValue(QStringLiteral("system7"), 5), 1);
        QCOMPARE(StoredValue(QStringLiteral("system2"), 4), before.ngImagesKept + 5);
        QCOMPARE(rig.host.records.size(), 1);
        const QString log = rig.host.records.first();
        QVERIFY(log.startsWith(LanStr(235)));
        QVERIFY(log.contains(LanStr(245).arg(LanStr(244)).arg(before.cameraSpeed).arg(before.cameraSpeed + 5)));
        QVERIFY(log.contains(LanStr(245).arg(LanStr(273)).arg(0).arg(1)));
        QVERIFY(log.contains(LanStr(245).arg(LanStr(186)).arg(before.ngImagesKept).arg(before.ngImagesKept + 5)));
        QCOMPARE(rig.host.flushes, 1);                           // the new polarity goes out at once
        QCOMPARE(CaptionIdOf(answers, 276), 1);                  // record count waits for a restart
        bool audit = false;
        for (const QString& l : glog.lines())
            audit = audit || l.contains(QStringLiteral("退出系统参数,"));
        QVERIFY(audit);
    }

    void confirmRefusedWithoutAlgorithm()
    {
        SettingsRig rig([] { SetStoredValue(QStringLiteral("system3"), 6, 1); });  // ignore area
        rig.open();
        rig.dlg->retestDelayEdit->AddOne();
        // The load keeps one algorithm on: switch it off here.
        for (QWidget* w : rig.dlg->pageControls(WizardParaWidget::PageCamera))
            if (auto* c = qobject_cast<CheckBox*>(w); c && c->text() == LanStr(196))
                c->setChecked(false);
        rig.dlg->rawFramesBox->setValue(1);
        PopupAnswerer answers;
        rig.dlg->accept();
        QCOMPARE(CaptionIdOf(answers, 232), 1);
        QVERIFY(rig.dlg->isVisible());
        QVERIFY(rig.host.records.isEmpty());
        QVERIFY(!rig.host.rawFrames);  // not applied by a refused Confirm
        QCOMPARE(StoredValue(QStringLiteral("system9"), 18), gpWPara->retestDelay);
    }

    void unchangedConfirmAsksNothing()
    {
        SettingsRig rig;
        rig.open();
        PopupAnswerer answers;
        rig.dlg->accept();
        QVERIFY(answers.seen().isEmpty());
        QVERIFY(rig.host.records.isEmpty());
        QVERIFY(!rig.dlg->isVisible());
        QCOMPARE(rig.host.columnRefreshed, 1);
    }

    void declineDiscardsEverything()
    {
        SettingsRig rig;
        rig.open();
        const WizardPara live = *gpWPara;
        rig.dlg->retestDelayEdit->AddOne();
        rig.dlg->SlotToCamera();
        rig.dlg->exposureEdit->AddOne();
        rig.dlg->hMirrorBox->click();
        rig.dlg->rawFramesBox->setValue(1);
        PopupAnswerer answers;
        answers.queue(0);
        rig.dlg->accept();
        QVERIFY(!rig.host.rawFrames);
        QVERIFY(*gpWParaBak == live);
        QVERIFY(*gpWPara == live);
        QVERIFY(rig.host.records.isEmpty());
        QCOMPARE(StoredValue(QStringLiteral("system9"), 18), live.retestDelay);
    }

    void storedSwitchesFollowTheirRules()
    {
        SettingsRig rig([] {
            SetStoredValue(QStringLiteral("system9"), 13, 1);   // distance measure on
            SetStoredValue(QStringLiteral("system3"), 8, 0);    // "Display all" off
            SetStoredValue(QStringLiteral("system12"), 20, 1);  // timed detection in continuous capture
            SetStoredValue(QStringLiteral("system5"), 12, 1);   // external trigger
            SetStoredValue(QStringLiteral("system1"), 4, -1);   // positioning off
        });
        rig.open();
        QVERIFY(!rig.dlg->positioningBox->isChecked());
        rig.dlg->positioningBox->setChecked(true);
        PopupAnswerer answers;
        answers.queue(1);
        rig.dlg->accept();
        QCOMPARE(StoredValue(QStringLiteral("system3"), 8), 1);
        QCOMPARE(StoredValue(QStringLiteral("system5"), 12), 0);
        QCOMPARE(StoredValue(QStringLiteral("system1"), 4), 0);
        QCOMPARE(rig.host.captureOnTrigger, 0);
        QVERIFY(rig.host.records.value(0).contains(LanStr(240).arg(LanStr(176)) + LanStr(250)));
        // Positioning changed: every enabled step of every camera is shaped again.
        QVERIFY(rig.host.shapes.contains(qMakePair(1, 1)));
    }

    // In English too, each switch of the output group names itself in the change log.
    void switchesTellThemselvesApart()
    {
        gLan = kLanEn;
        const WizardPara live;
        QStringList fragments;
        for (int WizardPara::*f :
             {&WizardPara::prodNgPulseNoAlarm, &WizardPara::mouldNgPulseNoAlarm, &WizardPara::prodNgNoAlarmSplitOutputs}) {
            WizardPara edit = live;
            edit.*f = 1 - live.*f;
            fragments << SettingsChangeLog(live, edit).mid(LanStr(235).size());
        }
        QCOMPARE(QSet<QString>(fragments.begin(), fragments.end()).size(), 3);
        for (const QString& f : fragments)
            QVERIFY2(!f.startsWith(LanStr(240).arg(QString())), qPrintable(f));
    }

    void machineTypeAtConfirm_data()
    {
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("side");
        QTest::addColumn<int>("restartNotes");
        // The windows built for the active type (the editor's step list, the
        // step and IO names) follow only at the next start, and the setter is told.
        QTest::newRow("standard to two-colour: next start") << 1 << 2 << -1 << 1;
        QTest::newRow("standard to multi-detection: next start") << 4 << 2 << -1 << 1;
    }
    void machineTypeAtConfirm()
    {
        QFETCH(int, chosen);
        QFETCH(int, steps);
        QFETCH(int, side);
        QFETCH(int, restartNotes);
        SettingsRig rig;
        rig.host.level = 2;
        rig.open();
        rig.host.mouldSide = -1;
        rig.dlg->SlotToIO();
        rig.dlg->machineTypeCombo->setCurrentIndex(chosen);
        QCOMPARE(rig.dlg->mouldCombo->isVisible(), chosen == 1);
        QCOMPARE(rig.dlg->customIOButton->isVisible(), chosen == 4);
        PopupAnswerer answers;
        answers.queue(1);
        rig.dlg->accept();
        QCOMPARE(int(gDNum), steps);
        QCOMPARE(rig.host.mouldSide, side);
        QCOMPARE(gpWPara->machineType, 0);
        QCOMPARE(rig.host.detectNum, -1);
        QCOMPARE(StoredValue(QStringLiteral("numFailDetect"), 1), chosen);
        QCOMPARE(CaptionIdOf(answers, 277), restartNotes);
    }

    void customDetectionsShowTheirRows()
    {
        SettingsRig rig([] {
            SetStoredValue(QStringLiteral("numFailDetect"), 1, 4);
            SetStoredValue(QStringLiteral("system8"), 1, 3);
            SetStoredValue(QStringLiteral("system7"), 10, 1);
        });
        rig.host.level = 2;
        rig.open();
        for (int k = 0; k < 8; ++k)
            QCOMPARE(rig.dlg->delayEdit[k]->isVisible(), k < 3);
        QVERIFY(rig.dlg->recheckEdit->y() > rig.dlg->delayEdit[2]->geometry().bottom());
        QCOMPARE(rig.dlg->recheckEdit->text(), LanStr(511).arg(LanStr(479)));
        rig.dlg->SlotToIO();
        int combos = 0;
        for (ComboBox* c : rig.dlg->outputStateCombo)
            combos += c && c->isVisible() ? 1 : 0;
        QCOMPARE(combos, 4);  // outputs 5.. only from five detections on
        // "Display all the parameters" hides filter size and area.
        rig.dlg->SlotToCommon();
        QVERIFY(rig.dlg->areaEdit->isVisible());
        rig.dlg->showAllBox->setChecked(true);
        rig.dlg->DoChangePage();
        QVERIFY(!rig.dlg->areaEdit->isVisible() && !rig.dlg->filterSizeEdit->isVisible());
    }

    // No two controls of a page overlap, none sits under the page buttons.
    void pagesKeepControlsApart()
    {
        SettingsRig rig([] { SetStoredValue(QStringLiteral("system7"), 10, 1); });
        rig.host.level = 2;
        rig.open();
        for (int page = 0; page < 6; ++page) {
            rig.dlg->pageButton[std::min(page, 4)]->click();
            if (page == 5)
                rig.dlg->SlotToRecord();
            const QList<QWidget*> shown = Shown(*rig.dlg, page);
            const int buttonsTop = rig.dlg->pageButton[0]->y();
            for (int i = 0; i < shown.size(); ++i) {
                QVERIFY2(shown[i]->geometry().bottom() < buttonsTop, qPrintable(QString::number(page)));
                for (int j = i + 1; j < shown.size(); ++j)
                    QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                             qPrintable(QStringLiteral("page %1: %2 / %3").arg(page).arg(i).arg(j)));
            }
        }
    }

    // Every page of every display, looked at by a person: MOJU_SHOTS_DIR names the folder.
    void grabPages_data()
    {
        QTest::addColumn<int>("lan");
        QTest::addColumn<int>("type");
        QTest::newRow("zh_CN") << 0 << 0;
        QTest::newRow("en") << 1 << 0;
        QTest::newRow("zh_TW") << 2 << 0;
        QTest::newRow("en-multi") << 1 << 4;
    }
    void grabPages()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        if (out.isEmpty())
            QSKIP("MOJU_SHOTS_DIR not set");
        QFETCH(int, lan);
        QFETCH(int, type);
        gLan = lan;
        SettingsRig rig([type, lan] {
            SetStoredValue(QStringLiteral("system2"), 13, lan);
            SetStoredValue(QStringLiteral("system7"), 10, 1);  // factory controls
            SetStoredValue(QStringLiteral("numFailDetect"), 1, type);
            SetStoredValue(QStringLiteral("system8"), 1, 8);
        });
        rig.host.level = 2;
        rig.open();
        QDir().mkpath(out);
        auto shot = [&](const QString& name) {
            QVERIFY(rig.dlg->grab().save(QStringLiteral("%1/settings-%2x%3-%4-%5.png")
                                              .arg(out).arg(gShowW).arg(gShowH)
                                              .arg(QString::fromLatin1(QTest::currentDataTag()), name)));
        };
        const char* names[6] = {"0-system", "1-camera", "2-network", "3-io", "4-advanced", "5-record"};
        using Go = void (WizardParaWidget::*)();
        const std::array<Go, 6> go = {&WizardParaWidget::SlotToCommon, &WizardParaWidget::SlotToCamera,
                                             &WizardParaWidget::SlotToNetwork, &WizardParaWidget::SlotToIO,
                                             &WizardParaWidget::SlotToAdvance, &WizardParaWidget::SlotToRecord};
        for (int p = 0; p < 6; ++p) {
            (rig.dlg.get()->*go[p])();
            shot(QLatin1String(names[p]));
        }
        rig.dlg->SlotToCamera();
        rig.dlg->SlotChangeShowMode();
        shot(QStringLiteral("1-camera-simple"));
        rig.dlg->SlotChangeShowMode();
        rig.dlg->factoryBox->setValue(0);
        rig.dlg->SlotToIO();
        shot(QStringLiteral("3-io-plain"));
        rig.dlg->SlotToCamera();
        shot(QStringLiteral("1-camera-plain"));
    }
};

MOJU_TEST_MAIN(TestSettingsDialog)
#include "test_settings_dialog.moc"
