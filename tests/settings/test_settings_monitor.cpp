// The settings dialog on a whole monitor: simulated cameras and IO board,
// the real databases and logs.
#include "../mainwin/WizardFixture.h"

#include "GLogCapture.h"
#include "SimCamFixture.h"
#include "SimIOBoard.h"
#include "app/gui/RaRoWizard.h"
#include "params/WizardPara.h"
#include "records/gui/DetectCycleWidget.h"
#include "records/gui/EditCavitywidget.h"
#include "platform/SystemActions.h"
#include "settings/WizardParaWidget.h"
#include "view/ViewHost.h"
#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/Edit.h"
#include "widgets/EditBox.h"
#include "widgets/SkinPixmaps.h"

namespace {
QString LastOut(const SimBoard& board)
{
    const QStringList outs = board.linesStarting(QStringLiteral("OUT "));
    return outs.isEmpty() ? QString() : outs.last().section(QLatin1Char(' '), 2);
}

int Stored(const QString& key, int pos)
{
    RealSystemActions shell;
    const ActionResult r = shell.run({QStringLiteral("sqlite3"), QStringLiteral("PARAM.db"),
                                      QStringLiteral("select value from sysparam where name='%1'").arg(key)});
    return QString::fromUtf8(r.output).trimmed().split(QLatin1Char(' ')).value(pos - 1).toInt();
}
}  // namespace

class TestSettingsMonitor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void confirmAndDecline()
    {
        TempWorkDir dir;
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        SimBoard board;
        QVERIFY(board.waitForPath());
        qputenv("MOJU_SERIAL_DEVICE", board.path().toLocal8Bit());
        SimCamFolder sim;
        sim.add(QStringLiteral("mindvision"), QStringLiteral("MIND00001"), {{"sensorWidth", 64}, {"sensorHeight", 48}}, {40, 80});
        PopupAnswerer answers;
        GLogCapture glog;
        RaRoWizard win;
        win.show();
        QVERIFY(win.isBuilt());
        simcam::DevicePtr cam = sim.device(QStringLiteral("mindvision"), QStringLiteral("MIND00001"));
        QVERIFY(cam);
        QTRY_VERIFY_WITH_TIMEOUT(!LastOut(board).isEmpty(), 5000);
        const QString wordBefore = LastOut(board);

        // Confirm: a camera value, an output polarity and a record count.
        win.SlotSystemPara();
        WizardParaWidget* d = win.wizardParaWidget;
        QVERIFY(d->isVisible());
        win.cycle().unlockLevel = 2;
        d->SlotToCamera();
        const double exposureBefore = cam->setting(QStringLiteral("ExposureTime")).toDouble();
        d->exposureEdit->AddOne();
        QTRY_VERIFY_WITH_TIMEOUT(cam->setting(QStringLiteral("ExposureTime")).toDouble() > exposureBefore, 3000);
        d->SlotToIO();
        const int polarity = gpWPara->outputInvert[0];
        d->outputStateCombo[0]->setCurrentIndex(1 - polarity);
        answers.queue(1);
        d->accept();
        QVERIFY(!d->isVisible());
        QCOMPARE(Stored(QStringLiteral("system7"), 5), 1 - polarity);
        QCOMPARE(Stored(QStringLiteral("exposeTime"), 1), gpWPara->exposure[0]);
        const QString row = OperationLogRows().last();
        QVERIFY2(row.contains(LanStr(245).arg(LanStr(273)).arg(polarity).arg(1 - polarity)), qPrintable(row));
        QVERIFY(row.contains(LanStr(237).arg(1).arg(gpWPara->exposure[0] - 1).arg(gpWPara->exposure[0])));
        bool audit = false;
        for (const QString& l : glog.lines())
            audit = audit || l.contains(QStringLiteral("退出系统参数,"));
        QVERIFY(audit);
        // The clamp output flips on the wire with its polarity.
        QTRY_COMPARE_WITH_TIMEOUT(LastOut(board).toInt(nullptr, 16) ^ wordBefore.toInt(nullptr, 16), 1, 5000);

        // Decline: the mirror edited live goes back on the device.
        QVERIFY(!cam->setting(QStringLiteral("ReverseX")).toBool());
        win.SlotSystemPara();
        win.cycle().unlockLevel = 2;
        d->SlotToAdvance();
        d->factoryBox->setChecked(true);
        d->SlotToCamera();
        d->hMirrorBox->click();
        QTRY_VERIFY_WITH_TIMEOUT(cam->setting(QStringLiteral("ReverseX")).toBool(), 3000);
        answers.queue(0);
        d->accept();
        QTRY_VERIFY_WITH_TIMEOUT(!cam->setting(QStringLiteral("ReverseX")).toBool(), 3000);
        QVERIFY(*gpWPara == *gpWParaBak);

        // Companions: one cycle-log window however often it is asked for;
        // the cavity editor in place of the dialog.
        win.SlotSystemPara();
        auto cycleWindows = [] {
            int n = 0;
            for (QWidget* w : QApplication::topLevelWidgets())
                n += qobject_cast<DetectCycleWidget*>(w) && w->isVisible() ? 1 : 0;
            return n;
        };
        d->actionButton[WizardParaWidget::ActionDetectCycle]->click();
        d->actionButton[WizardParaWidget::ActionDetectCycle]->click();
        QCOMPARE(cycleWindows(), 1);
        d->actionButton[WizardParaWidget::ActionCavity]->click();
        QVERIFY(!d->isVisible());
        QVERIFY(win.editCavitywidget->isVisible());
        // Names confirmed there are the ones the live view prints.
        win.editCavitywidget->nameEdit(2)->setText(QStringLiteral("Gate3"));
        win.editCavitywidget->confirmButton()->click();
        QCOMPARE(ViewHost::instance().cavityName(0, 2), QStringLiteral("Gate3"));
        qunsetenv("MOJU_SERIAL_DEVICE");
    }
};

MOJU_TEST_MAIN(TestSettingsMonitor)
#include "test_settings_monitor.moc"
