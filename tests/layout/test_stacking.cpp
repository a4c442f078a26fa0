// How the windows stack in a real X server without a window manager, as on
// the panel: every notice, question and dialog opens above the window that
// asked for it and takes the input; a keypad rises in its dialog without
// taking the focus from the edit it types into; a question that holds the
// input stays on top of a notice that opens meanwhile.
#include "SimCamFixture.h"
#include "TestSupport.h"
#include "WizardFixture.h"
#include "XvfbServer.h"

#include "app/gui/ContinuousNgWarnBox.h"
#include "app/gui/LostCameraWarnBox.h"
#include "app/gui/LostComWarnBox.h"
#include "app/gui/ROINGWarnBox.h"
#include "app/gui/RaRoWizard.h"
#include "app/DetectionCycle.h"
#include "app/IOLink.h"
#include "foundation/MainGlobals.h"
#include "records/gui/StatisticsWidget.h"
#include "settings/WizardParaWidget.h"
#include "users/DrawUserWidget.h"
#include "users/PasswordBox.h"
#include "widgets/ChooseBox.h"
#include "widgets/ColorButton.h"
#include "widgets/Edit.h"
#include "widgets/NumberInput.h"
#include "widgets/SkinPixmaps.h"
#include "widgets/WarnBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QScreen>

#include <memory>

namespace {

// Collects what went wrong inside modal loops, where a failed check cannot
// end the test function.
// With MOJU_SHOTS_DIR, each check also saves the X screen as it stands.
struct Findings {
    QStringList lines;
    void check(const QWidget* w, const QString& shot, bool input = true)
    {
        const QString problem = NotOnTop(w, input);
        if (!problem.isEmpty())
            lines << problem;
        if (!qEnvironmentVariableIsEmpty("MOJU_SHOTS_DIR")) {
            const_cast<QWidget*>(w->window())->repaint();  // a keypad just shown is not painted yet
            QGuiApplication::primaryScreen()->grabWindow(0).save(ShotPath(QStringLiteral("xvfb-") + shot));
        }
    }
};
}  // namespace

class TestStacking : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void noticesOverTheMainWindow();
    void questionsAndSettingsNotes();
    void passwordGateAndKeypad();
    void windowsOverFullScreenPages();
    void questionKeepsTheInputOverANotice();
    void grabsInEachLanguage_data() { AddLanguageRows(); }
    void grabsInEachLanguage();

private:
    void Build(int lan);

    std::unique_ptr<TempWorkDir> m_dir;
    std::unique_ptr<SimCamFolder> m_cams;
    std::unique_ptr<PopupAnswerer> m_answers;
    std::unique_ptr<RaRoWizard> m_win;
};

void TestStacking::initTestCase()
{
    if (!gTestXvfb->running())
        QSKIP(qPrintable(QStringLiteral("no X server: %1").arg(gTestXvfb->failure())));
    LoadLanguageTable();
    Build(0);
}

void TestStacking::Build(int lan)
{
    m_win.reset();
    m_answers.reset();
    m_cams.reset();
    m_dir.reset();  // back in the folder it left, before the next one is made
    m_dir = std::make_unique<TempWorkDir>();
    gAppDirPath = m_dir->path();
    LoadSkinPixmaps();
    SetParamValue(QStringLiteral("system2"), 13, lan);
    SetParamValue(QStringLiteral("isPswUsed"), 1, 1);
    SetParamValue(QStringLiteral("system6"), 10, 1);  // result statistics: a window of its own
    m_cams = std::make_unique<SimCamFolder>();
    for (int c = 0; c < 2; ++c)
        m_cams->add(QStringLiteral("mvs"), QStringLiteral("SIM000000%1").arg(c + 1),
                    {{"sensorWidth", 64}, {"sensorHeight", 48}}, {60 + 20 * c});
    m_answers = std::make_unique<PopupAnswerer>();
    m_win = std::make_unique<RaRoWizard>();
    QVERIFY(m_win->isBuilt());
    m_win->showMaximized();
    QVERIFY(QTest::qWaitForWindowExposed(m_win.get()));
    const QString problem = NotOnTop(m_win.get());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestStacking::cleanupTestCase()
{
    m_win.reset();
    m_answers.reset();
    m_cams.reset();
    m_dir.reset();
    gLan = 0;
}

// For looking (with MOJU_SHOTS_DIR): the X screen at every check above, in
// each language.
void TestStacking::grabsInEachLanguage()
{
    MOJU_SKIP_WITHOUT_SHOTS();
    QFETCH(int, lan);
    Build(lan);
    QCOMPARE(gLan, lan);
    noticesOverTheMainWindow();
    questionsAndSettingsNotes();
    passwordGateAndKeypad();
    windowsOverFullScreenPages();
    questionKeepsTheInputOverANotice();
}

// The notices the machine raises by itself, over the full-screen main
// window: the no-input warning and the alarm boxes.
void TestStacking::noticesOverTheMainWindow()
{
    Findings found;
    m_win->detection()->InCheck();
    QVERIFY(gpWarnBox->isVisible());
    QCOMPARE(gpWarnBox->text(), LanStr(335));
    found.check(gpWarnBox, QStringLiteral("no-input"));
    gpWarnBox->hide();

    gisLostCom = 1;
    gpLostComWarnBox->Poll(true, true);
    found.check(gpLostComWarnBox, QStringLiteral("io-lost"));
    gisLostCom = 0;
    gpLostComWarnBox->Poll(false, true);
    gpLostComWarnBox->confirmButton()->click();
    QTRY_VERIFY(!gpLostComWarnBox->isVisible());

    for (WarnBox* box : {static_cast<WarnBox*>(gpLostCameraWarnBox), static_cast<WarnBox*>(gContinuousNgWarnBox)}) {
        box->show();
        found.check(box, QString::fromLatin1(box->metaObject()->className()));
        box->hide();
    }
    m_answers->queueAction([&](QDialog* d) {
        found.check(d, QStringLiteral("insert-wear"));
        d->done(QDialog::Accepted);
    });
    ROINGWarnBox::Run(m_win.get());
    QVERIFY2(found.lines.isEmpty(), qPrintable(found.lines.join(QLatin1Char('\n'))));
}

// Questions and notes of the settings dialog (a page of the main window):
// the question before saving, then the note that turning on the result
// statistics waits for a restart; the export's questions.
void TestStacking::questionsAndSettingsNotes()
{
    Findings found;
    m_win->cycle().unlockLevel = 1;
    m_win->SlotSystemPara();
    WizardParaWidget* d = m_win->wizardParaWidget;
    QVERIFY(d->isVisible());
    d->SlotToAdvance();
    QCheckBox* statistics = nullptr;
    for (QCheckBox* box : d->findChildren<QCheckBox*>())
        if (box->text().contains(LanStr(554)))
            statistics = box;
    QVERIFY(statistics);
    statistics->click();
    QStringList texts;
    for (int k = 0; k < 2; ++k)
        m_answers->queueAction([&, k](QDialog* dlg) {
            texts << dlg->property("text").toString();
            found.check(dlg, k == 0 ? QStringLiteral("settings-save") : QStringLiteral("settings-restart-note"));
            dlg->done(1);
        });
    d->accept();
    QCOMPARE(texts, QStringList({LanStr(234), LanStr(277)}));

    // Export without a USB disk: "export?", then "insert one?" (refused).
    m_win->SlotSystemPara();
    texts.clear();
    m_answers->queueAction([&](QDialog* dlg) {
        texts << dlg->property("text").toString();
        found.check(dlg, QStringLiteral("export-question"));
        dlg->done(1);
    });
    m_answers->queueAction([&](QDialog* dlg) {
        texts << dlg->property("text").toString();
        found.check(dlg, QStringLiteral("usb-prompt"));
        dlg->done(0);
    });
    d->SlotExportData();
    QCOMPARE(texts, QStringList({LanStr(324), LanStr(320)}));
    d->hide();
    QVERIFY2(found.lines.isEmpty(), qPrintable(found.lines.join(QLatin1Char('\n'))));
}

// The password gate and an account dialog take the input; the keypad opened
// by a tap on a field rises over its dialog without taking the input, and an
// edit that keeps the focus keeps it while keys are pressed (a pad hides
// when its edit loses the focus).
namespace {
void TypeSeven(Findings& found, QDialog* dlg, Edit* edit, const QString& shot)
{
    QTest::mouseClick(edit, Qt::LeftButton);
    if (!QTest::qWaitFor([] { return gpNumPad->isVisible(); }, 3000)) {
        found.lines << QStringLiteral("no keypad in %1").arg(WindowName(dlg));
        return;
    }
    found.check(gpNumPad, shot, false);
    const bool keepsFocus = edit->hasFocus();
    QTest::mouseClick(gpNumPad->digitKey(7), Qt::LeftButton);
    if (!gpNumPad->isVisible() || edit->text() != QLatin1String("7") || QApplication::activeWindow() != dlg
        || edit->hasFocus() != keepsFocus)
        found.lines << QStringLiteral("a key of the pad in %1 took the pad or the input away (input to %2, "
                                      "focus on %3, field \"%4\")")
                           .arg(WindowName(dlg), WindowName(QApplication::activeWindow()),
                                WindowName(QApplication::focusWidget()), edit->text());
}
}  // namespace

void TestStacking::passwordGateAndKeypad()
{
    Findings found;
    m_win->cycle().unlockLevel = 0;
    m_answers->queueAction([&](QDialog* dlg) {
        found.check(dlg, QStringLiteral("password"));
        if (auto* box = qobject_cast<PasswordBox*>(dlg))
            TypeSeven(found, dlg, box->field(), QStringLiteral("password-keypad"));
        else
            found.lines << QStringLiteral("not the password gate: %1").arg(WindowName(dlg));
        dlg->done(0);
    });
    QCOMPARE(m_win->CheckPassword(), 0);

    m_answers->queueAction([&](QDialog* dlg) {
        found.check(dlg, QStringLiteral("account-add"));
        Edit* name = nullptr;
        for (Edit* e : dlg->findChildren<Edit*>())
            if (!name && e->echoMode() == QLineEdit::Normal)
                name = e;
        if (name)
            TypeSeven(found, dlg, name, QStringLiteral("account-add-keypad"));
        else
            found.lines << QStringLiteral("no name field in %1").arg(WindowName(dlg));
        dlg->done(0);
    });
    m_win->drawUserWidget->SlotAddaccount();
    QVERIFY2(found.lines.isEmpty(), qPrintable(found.lines.join(QLatin1Char('\n'))));
}

// The statistics window (a window of its own) opens over the main window,
// and a notice or a question opened while it is up opens over it.
void TestStacking::windowsOverFullScreenPages()
{
    Findings found;
    m_win->SlotShowStatisticsWidget();
    QWidget* stats = m_win->statisticsWidget;
    QVERIFY(stats && stats->isVisible());
    found.check(stats, QStringLiteral("statistics"));
    gpWarnBox->setText(LanStr(1117).arg(QStringLiteral("paraGroup/mould_A07-left")));
    gpWarnBox->show();
    found.check(gpWarnBox, QStringLiteral("statistics-notice"));
    gpWarnBox->hide();
    m_answers->queueAction([&](QDialog* dlg) {
        found.check(dlg, QStringLiteral("statistics-question"));
        dlg->done(0);
    });
    AskText(LanStr(320));
    stats->hide();
    QVERIFY2(found.lines.isEmpty(), qPrintable(found.lines.join(QLatin1Char('\n'))));
}

// A notice raised while a question waits for its answer must not hide the
// question, which alone takes taps; once answered, the notice is on top.
void TestStacking::questionKeepsTheInputOverANotice()
{
    Findings found;
    m_answers->queueAction([&](QDialog* dlg) {
        gisLostCom = 1;
        gpLostComWarnBox->Poll(true, true);
        found.check(dlg, QStringLiteral("question-over-notice"));
        dlg->done(0);
    });
    AskText(LanStr(320));
    found.check(gpLostComWarnBox, QStringLiteral("notice-after-question"));
    gisLostCom = 0;
    gpLostComWarnBox->hide();
    QVERIFY2(found.lines.isEmpty(), qPrintable(found.lines.join(QLatin1Char('\n'))));
}

MOJU_XVFB_TEST_MAIN(TestStacking)

#include "test_stacking.moc"
