// An alarm is never hidden. In a real X server without a window manager, as
// on the panel, an NG cycle raises the alarm while a window is open (a page
// of the main window, a window of its own, a dialog waiting for its answer,
// a keypad, a menu, a box left open): the alarm view is then the window the
// screen shows at its centre, with the camera views there, and it has the
// input; a question of the alarm column opens on top with the input.
#include "SimCamFixture.h"
#include "TestSupport.h"
#include "WizardFixture.h"
#include "PatchAlarm.h"
#include "XvfbServer.h"

#include "app/DetectionCycle.h"
#include "app/gui/MainCommands.h"
#include "app/gui/RaRoWizard.h"
#include "network/gui/OtherNetWidget.h"
#include "params/WizardPara.h"
#include "platform/vision/FrameBmp.h"
#include "records/gui/DetectCycleWidget.h"
#include "records/gui/EditCavitywidget.h"
#include "records/gui/StatisticsWidget.h"
#include "settings/CustomIONameWidget.h"
#include "settings/HardwareConfigurationWidget.h"
#include "settings/HelpWidget.h"
#include "settings/NetworkPage.h"
#include "settings/WidgetChangeCamera.h"
#include "widgets/ModifyTimeWidget.h"
#include "settings/WizardParaWidget.h"
#include "users/DrawUserWidget.h"
#include "users/PasswordBox.h"
#include "view/CammerWidget.h"
#include "view/DrawROIWidget.h"
#include "widgets/ChooseBox.h"
#include "widgets/ComboBox.h"
#include "widgets/Edit.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"
#include "widgets/SkinPixmaps.h"
#include "widgets/WarnBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>

#include <functional>
#include <memory>

namespace {
struct Monitor {
    explicit Monitor(int lan)
    {
        SetParamValue(QStringLiteral("system2"), 13, lan);
        SetParamValue(QStringLiteral("system1"), 2, 0);   // input 1 starts the mould step
        SetParamValue(QStringLiteral("system6"), 10, 1);  // result statistics: a window of its own
        QDir().mkpath(QStringLiteral("cammer12"));
        const FrameBytes clean = PatchFrame(false);
        WriteFrameBmp(QStringLiteral("cammer12/template0.bmp"), clean.data(), 1920, 1080, false);
        for (const char* help : {"help", "help-en"}) {
            QDir().mkpath(QLatin1String(help));
            QImage(64, 64, QImage::Format_RGB32).save(QLatin1String(help) + QStringLiteral("/1.png"));
        }
        QFile conf(QStringLiteral("conf.txt"));
        if (conf.open(QIODevice::WriteOnly))
            conf.write("Board\tsimulated\nCount\t\n");
        conf.close();
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        {
            PopupAnswerer answers;
            answers.queue(0);  // keep the stored serial numbers
            win = std::make_unique<RaRoWizard>();
        }
        gpWPara->doorClearsAlarm = 0;
        w = win->cammerWidget[0];
        AddAreaOverPatch(w);
        win->showMaximized();
    }
    // An NG cycle: the mould opens on a part with a defect.
    bool RaiseAlarm()
    {
        w->workBuffer = PatchFrame(true);
        win->SlotSimulationTrigIn(1);
        return QTest::qWaitFor([this] { return win->cycle().verdictState == VerdictAlarm; }, 10000);
    }

    TempWorkDir dir;
    SimCamFolder none;
    std::unique_ptr<RaRoWizard> win;
    CammerWidget* w = nullptr;
};

template <class T>
QWidget* Shown()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<T*>(w) && w->isVisible())
            return w;
    return nullptr;
}

// The settings dialog, opened.
WizardParaWidget* Settings(Monitor& m)
{
    m.win->SlotSystemPara();
    return m.win->wizardParaWidget;
}

template <class T>
T* FirstShownIn(QWidget* parent)
{
    for (T* w : parent->findChildren<T*>())
        if (w->isVisible())
            return w;
    return nullptr;
}

// Each window the alarm may find open: how the operator opens it, and what is then shown.
struct Opening {
    const char* name;
    std::function<void(Monitor&)> open;
    std::function<QWidget*(Monitor&)> shown;
};

const QList<Opening>& Openings()
{
    static const QList<Opening> rows = {
        {"statistics page", [](Monitor& m) { m.win->SlotShowStatisticsWidget(); },
         [](Monitor& m) -> QWidget* { return m.win->statisticsWidget; }},
        {"cycle log", [](Monitor& m) { Settings(m)->SlotShowDetectCycle(); },
         [](Monitor&) { return Shown<DetectCycleWidget>(); }},
        {"operation records", [](Monitor& m) { Settings(m)->SlotToRecord(); },
         [](Monitor& m) -> QWidget* { return m.win->wizardParaWidget; }},
        {"menu of a setting", [](Monitor& m) { FirstShownIn<ComboBox>(Settings(m))->showPopup(); },
         [](Monitor&) { return QApplication::activePopupWidget(); }},
        {"keypad of a setting", [](Monitor& m) { QTest::mouseClick(FirstShownIn<Edit>(Settings(m)), Qt::LeftButton); },
         [](Monitor&) -> QWidget* { return gpNumPad->isVisible() ? static_cast<QWidget*>(gpNumPad) : gpNumCharPad; }},
        {"clock dialog", [](Monitor& m) { Settings(m)->SlotModifyTime(); },
         [](Monitor& m) -> QWidget* { return m.win->wizardParaWidget->modifyTime; }},
        {"plant-network dialog", [](Monitor& m) { Settings(m); m.win->networkPage->SlotNetOthers(); },
         [](Monitor& m) -> QWidget* { return m.win->otherNetWidget; }},
        {"cavity names", [](Monitor& m) { Settings(m)->SlotShowEditcavityWidget(); },
         [](Monitor& m) -> QWidget* { return m.win->editCavitywidget; }},
        {"IO names", [](Monitor& m) { Settings(m)->SlotShowCustomIONameWidget(); },
         [](Monitor& m) -> QWidget* { return m.win->customIONameWidget; }},
        {"hardware view", [](Monitor& m) { Settings(m)->SlotShowHardwareConfigurationWidget(); },
         [](Monitor& m) -> QWidget* { return m.win->hardwareConfigurationWidget; }},
        {"camera renumbering", [](Monitor& m) { Settings(m)->SlotTuneCamera(); },
         [](Monitor& m) -> QWidget* { return m.win->widgetChangeCamera; }},
        {"help", [](Monitor& m) { m.win->commands()->SlotHelp(); },
         [](Monitor& m) -> QWidget* { return m.win->helpWidget; }},
        {"account page", [](Monitor& m) { m.win->SlotAccount(); },
         [](Monitor& m) -> QWidget* { return m.win->drawUserWidget; }},
        {"account dialog", [](Monitor& m) { m.win->drawUserWidget->SlotAddaccount(); },
         [](Monitor&) { return QApplication::activeModalWidget(); }},
        {"password gate", [](Monitor& m) { m.win->CheckRoot(); },
         [](Monitor&) -> QWidget* { return gpPasswordBox; }},
        {"question waiting", [](Monitor&) { AskText(LanStr(320)); }, [](Monitor&) -> QWidget* { return gpChooseBox; }},
        {"message waiting", [](Monitor&) { WarnText(LanStr(320)); }, [](Monitor&) -> QWidget* { return gpWarnBox; }},
        {"notice left open", [](Monitor&) { gpWarnBox->setText(LanStr(335)); gpWarnBox->show(); },
         [](Monitor&) -> QWidget* { return gpWarnBox; }},
        {"area editor", [](Monitor& m) { m.win->SlotAdjustArea(); },
         [](Monitor& m) -> QWidget* { return m.win->drawROIWidget; }},
    };
    return rows;
}

// Empty when the alarm view is on top with the input, no menu holds the
// pointer, and the camera views (or the alarm column) lie at its centre;
// else what the screen shows.
QString AlarmViewProblem(RaRoWizard* win)
{
    QString problem = NotOnTop(win);
    if (!problem.isEmpty())
        return problem;
    if (QWidget* menu = QApplication::activePopupWidget())
        return QStringLiteral("%1 stays open and takes the first tap").arg(WindowName(menu));
    QWidget* at = win->childAt(win->rect().center());
    for (QWidget* w = at; w; w = w->parentWidget())
        if (qobject_cast<CammerWidget*>(w) || qobject_cast<DrawROIWidget*>(w))
            return {};
    return QStringLiteral("the alarm view shows %1 at its centre").arg(WindowName(at));
}

}  // namespace

class TestAlarmStacking : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { m_mon.reset(); }
    void alarmOverEveryWindow_data();
    void alarmOverEveryWindow();

private:
    std::unique_ptr<Monitor> m_mon;
};

void TestAlarmStacking::initTestCase()
{
    if (!gTestXvfb->running())
        QSKIP(qPrintable(QStringLiteral("no X server: %1").arg(gTestXvfb->failure())));
    LoadLanguageTable();
}

// Every window in one language; in all three when grabs are saved.
void TestAlarmStacking::alarmOverEveryWindow_data()
{
    QTest::addColumn<int>("lan");
    QTest::addColumn<int>("row");
    const int languages = qEnvironmentVariableIsEmpty("MOJU_SHOTS_DIR") ? 1 : 3;
    for (int lan = 0; lan < languages; ++lan)
        for (int row = 0; row < Openings().size(); ++row)
            QTest::addRow("%s, %s", lan == 0 ? "zh_CN" : lan == 1 ? "en" : "zh_TW", Openings()[row].name) << lan << row;
}

void TestAlarmStacking::alarmOverEveryWindow()
{
    QFETCH(int, lan);
    QFETCH(int, row);
    m_mon.reset();  // back in the folder it left, before the next one is made
    m_mon = std::make_unique<Monitor>(lan);
    Monitor& m = *m_mon;
    QVERIFY(QTest::qWaitForWindowExposed(m.win.get()));
    QCOMPARE(m.win->cycle().runState, int(RunDetecting));
    QTRY_COMPARE(QApplication::activeWindow(), m.win.get());
    const Opening& o = Openings()[row];
    // The cycle ends while the window is open (in its exec() when it waits for an answer).
    QString problem = QStringLiteral("the window did not open");
    bool done = false;
    bool raised = false;
    QElapsedTimer settle;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&] {
        if (!raised) {
            QWidget* shown = o.shown(m);
            if (!shown || !shown->isVisible())
                return;
            SaveShot(shown, QStringLiteral("before-alarm"));
            raised = m.RaiseAlarm();
            settle.start();
        }
        // The X server hands the input over in its own time (a loaded
        // machine takes a while); the windows stay as they are meanwhile.
        problem = raised ? AlarmViewProblem(m.win.get()) : QStringLiteral("no alarm");
        if (raised && !problem.isEmpty() && settle.elapsed() < 5000)
            return;
        probe.stop();
        SaveShot(m.win.get(), QStringLiteral("alarm"));
        done = true;
        // What did not give way is put away, so that a waiting exec() returns.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != m.win.get() && w->isVisible())
                w->hide();
    });
    probe.start(20);
    o.open(m);
    QTRY_VERIFY_WITH_TIMEOUT(done, 15000);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // A question of the alarm column comes on top and takes the input.
    QString question = QStringLiteral("not asked");
    QTimer::singleShot(0, this, [&] {
        question = NotOnTop(gpChooseBox);
        SaveShot(gpChooseBox, QStringLiteral("alarm-question"));
        gpChooseBox->done(0);
    });
    m.win->drawROIWidget->SlotNoCheckCur();
    QVERIFY2(question.isEmpty(), qPrintable(question));

    PopupAnswerer answers;  // a question about saving the areas, say
    m.w->workBuffer = PatchFrame(false);
    m.win->drawROIWidget->SlotReCheck();
    QTRY_VERIFY(m.win->cycle().verdictState != VerdictAlarm);
}

MOJU_XVFB_TEST_MAIN(TestAlarmStacking)
#include "test_alarm_stacking.moc"
