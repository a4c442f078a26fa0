// Every dialog a user can open, at each panel size and in each language, as
// the layout check reads a screen: the alarm boxes, the message and question
// boxes with every text they may be given, the password gate and the
// keypads, the account dialogs, the export dialog and the USB prompt.
#include "LayoutCheck.h"
#include "SimCamFixture.h"
#include "TestSupport.h"
#include "WizardFixture.h"

#include "app/gui/ContinuousNgWarnBox.h"
#include "app/gui/LostCameraWarnBox.h"
#include "app/gui/LostComWarnBox.h"
#include "app/gui/ROINGWarnBox.h"
#include "app/gui/RaRoWizard.h"
#include "app/gui/ReconnectCameraWarnBox.h"
#include "app/gui/TimingWarnBox.h"
#include "params/CammerSingleton.h"
#include "records/gui/ExportDialog.h"
#include "settings/WizardParaWidget.h"
#include "users/DrawUserWidget.h"
#include "users/MessageDialog.h"
#include "users/PasswordBox.h"
#include "users/UserManager.h"
#include "view/CammerWidget.h"
#include "widgets/ChooseBox.h"
#include "widgets/ColorButton.h"
#include "widgets/Edit.h"
#include "widgets/ModifyTimeWidget.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"
#include "widgets/SkinPixmaps.h"
#include "widgets/TouchFileDialog.h"
#include "widgets/WarnBox.h"
#include "foundation/QtTranslations.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>

namespace {
QSize Screen()
{
    return QSize(gShowW, gShowH);
}

QList<LayoutCheck::PaintedText> Painted(const QList<PlacedText>& texts)
{
    QList<LayoutCheck::PaintedText> out;
    for (const PlacedText& t : texts)
        out << LayoutCheck::PaintedText{t.rect, t.font, t.text};
    return out;
}

// A text of the table with its place-holders filled the longest way they
// are: a 32-character name (a parameter group, a path cut short).
QString Filled(QString text)
{
    for (int k = 1; k <= 9; ++k)
        text.replace(QStringLiteral("%%1").arg(k), QStringLiteral("mould_A07-left_cavity_2024.12.31"));
    return text;
}

// What the layout check finds in a dialog, each line naming it; a grab of
// it with MOJU_SHOTS_DIR.
struct Problems {
    QStringList lines;
    void check(QWidget* dlg, const QString& what, const QList<PlacedText>& painted = {})
    {
        for (const QString& p : LayoutCheck::checkWindow(dlg, Painted(painted), Screen()))
            lines << what + QStringLiteral(": ") + p;
        if (!qEnvironmentVariableIsEmpty("MOJU_SHOTS_DIR") && dlg->isVisible())
            dlg->grab().save(ShotPath(QStringLiteral("dialog-") + what));
    }
    void checkKeypad(QWidget* pad, const QWidget* edit, const QString& what)
    {
        for (const QString& p : LayoutCheck::checkKeypad(pad, edit, Screen()))
            lines << what + QStringLiteral(": ") + p;
        if (!qEnvironmentVariableIsEmpty("MOJU_SHOTS_DIR"))
            pad->window()->grab().save(ShotPath(QStringLiteral("dialog-") + what));
    }
    void checkBox(QWidget* dlg, const QString& what)
    {
        if (auto* warn = qobject_cast<WarnBox*>(dlg))
            check(dlg, what, warn->PaintedTexts());
        else if (auto* choose = qobject_cast<ChooseBox*>(dlg))
            check(dlg, what, choose->PaintedTexts());
        else if (auto* gate = qobject_cast<PasswordBox*>(dlg))
            check(dlg, what, gate->PaintedTexts());
        else
            check(dlg, what);
    }
};

// A monitor in a fresh working directory on four simulated cameras, with
// passwords and result statistics on.
struct Monitor {
    TempWorkDir dir;
    std::unique_ptr<SimCamFolder> cams;
    PopupAnswerer answers;
    std::unique_ptr<RaRoWizard> win;

    explicit Monitor(int lan)
    {
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        SetParamValue(QStringLiteral("system2"), 13, lan);
        SetParamValue(QStringLiteral("isPswUsed"), 1, 1);
        AddWholeViewDefectSteps(QImage(64, 48, QImage::Format_Grayscale8));
        cams = std::make_unique<SimCamFolder>();
        for (int c = 0; c < 4; ++c)
            cams->add(QStringLiteral("mvs"), QStringLiteral("SIM000000%1").arg(c + 1),
                      {{"sensorWidth", 64}, {"sensorHeight", 48}}, {60 + 20 * c});
        win = std::make_unique<RaRoWizard>();
        win->show();
    }

    // Runs `open`, which shows a modal dialog; `inside` looks at it while it
    // is up and leaves it with `result`.
    void whileOpen(const std::function<void()>& open, const std::function<void(QDialog*)>& inside, int result = 0)
    {
        answers.queueAction([=](QDialog* d) {
            if (!QTest::qWaitForWindowExposed(d))
                qWarning("dialog not exposed");
            inside(d);
            d->done(result);
        });
        open();
    }
};
}  // namespace

class TestDialogLayout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }
    void checkerFindsFaults_data();
    void checkerFindsFaults();
    void dialogs_data() { AddLanguageRows(); }
    void dialogs();
    void messageBoxesFitEveryText_data() { AddLanguageRows(); }
    void messageBoxesFitEveryText();
    void keypadPages_data() { AddLanguageRows(); }
    void keypadPages();
    void filePicker_data();
    void filePicker();
    void cleanup() { gLan = 0; }
};

void TestDialogLayout::checkerFindsFaults_data()
{
    QTest::addColumn<QRect>("painted");  // a text the window paints itself
    QTest::addColumn<QRect>("pad");      // a keypad, beside the edit at 20,20 200x40
    QTest::addColumn<QString>("expected");
    const QRect text(240, 70, 150, 40);
    const QRect keypad(20, 70, 200, 100);
    QTest::newRow("clean") << text << keypad << QString();
    QTest::newRow("text under a button") << QRect(10, 190, 150, 40) << keypad << QStringLiteral("in one place");
    QTest::newRow("text cut by its window") << QRect(300, 70, 150, 40) << keypad << QStringLiteral("cut by its window");
    QTest::newRow("keypad over its edit") << text << QRect(20, 50, 200, 100) << QStringLiteral("over the edit");
    QTest::newRow("keypad cut by its host") << text << QRect(250, 120, 200, 100) << QStringLiteral("cut by its host");
}

// The window and keypad rules on a dialog known to be wrong in one way.
void TestDialogLayout::checkerFindsFaults()
{
    QFETCH(QRect, painted);
    QFETCH(QRect, pad);
    QFETCH(QString, expected);
    QWidget dlg;
    dlg.setGeometry(100, 100, 400, 250);
    auto* button = new QPushButton(QStringLiteral("OK"), &dlg);
    button->setGeometry(10, 180, 100, 50);
    auto* edit = new QLineEdit(&dlg);
    edit->setGeometry(20, 20, 200, 40);
    auto* keypad = new QWidget(&dlg);
    keypad->setGeometry(pad);
    dlg.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dlg));
    QFont font(QStringLiteral("wqy-microhei"));
    font.setPixelSize(16);
    const QStringList problems = LayoutCheck::checkWindow(&dlg, {{painted, font, QStringLiteral("Restart")}}, Screen())
                                 + LayoutCheck::checkKeypad(keypad, edit, Screen());
    if (expected.isEmpty()) {
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    } else {
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems.first().contains(expected), qPrintable(problems.first()));
    }
}

// The dialogs of a running monitor, each as it opens.
void TestDialogLayout::dialogs()
{
    QFETCH(int, lan);
    Monitor m(lan);
    RaRoWizard& win = *m.win;
    QVERIFY(QTest::qWaitForWindowExposed(&win));
    QCOMPARE(gLan, lan);
    // Qt's own texts in the screen's language from the start.
    QCOMPARE(QCoreApplication::translate("QFileDialog", "&Open") == QLatin1String("&Open"), lan == kLanEn);
    Problems found;

    // The alarm boxes, with each text they show.
    gpLostComWarnBox->Poll(true, true);
    found.checkBox(gpLostComWarnBox, QStringLiteral("io-lost"));
    gpLostComWarnBox->Poll(false, true);
    found.checkBox(gpLostComWarnBox, QStringLiteral("io-back"));
    gpLostComWarnBox->hide();
    const QList<QPair<WarnBox*, QString>> alarms{{gpLostCameraWarnBox, QStringLiteral("camera-lost")},
                                                 {gpReconnectCameraWarnBox, QStringLiteral("camera-back")},
                                                 {gContinuousNgWarnBox, QStringLiteral("continuous-ng")},
                                                 {gpTimingWarnBox, QStringLiteral("timed-alarm")}};
    for (const auto& [box, what] : alarms) {
        box->show();
        found.checkBox(box, what);
        box->hide();
    }
    // The insert-wear box lists the areas of every camera and step.
    for (CammerWidget* c : win.cammerWidget)
        if (c && c->liveSet)
            std::fill(&c->liveSet->NGCount[0][0], &c->liveSet->NGCount[0][0] + 8 * CammerSingleton::kMaxRoi, 12345);
    m.whileOpen([&] { ROINGWarnBox::Run(&win); },
                [&](QDialog* d) { found.checkBox(d, QStringLiteral("insert-wear")); });
    {
        // Four cameras with six areas in each of two steps.
        QString list = QStringLiteral("镶件已达损耗寿命，请更换镶件\n");
        for (int c = 1; c <= 4; ++c)
            for (const char* step : {"Prod", "Mold"})
                for (int a = 1; a <= 6; ++a)
                    list += QStringLiteral("%1 号相机 %2 %3号区域报警%4次\n").arg(c).arg(QLatin1String(step)).arg(a).arg(123456);
        ROINGWarnBox box(&win);
        box.setList(list);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        found.checkBox(&box, QStringLiteral("insert-wear-long"));
    }

    // The password gate; its keypad; a wrong entry.
    m.whileOpen([&] { win.CheckPassword(); },
                [&](QDialog* d) {
                    auto* gate = qobject_cast<PasswordBox*>(d);
                    if (!gate)
                        return;
                    found.checkBox(d, QStringLiteral("password"));
                    QTest::mouseClick(gate->field(), Qt::LeftButton);
                    QTRY_VERIFY(gpNumPad->isVisible());
                    found.checkKeypad(gpNumPad, gate->field(), QStringLiteral("password-keypad"));
                    QTest::mouseClick(gpNumPad->digitKey(7), Qt::LeftButton);
                    gpNumPad->hide();
                    gate->confirmButton()->click();
                    QCOMPARE(gate->field()->placeholderText(), LanStr(357));
                    found.checkBox(d, QStringLiteral("password-wrong"));
                });

    // The account dialogs as they open and with the error of an empty entry;
    // the refusal of the permission check.
    DrawUserWidget* users = win.drawUserWidget;
    const QList<QPair<void (DrawUserWidget::*)(), QString>> accounts{
        {&DrawUserWidget::SlotAddaccount, QStringLiteral("account-add")},
        {&DrawUserWidget::SlotModaccount, QStringLiteral("account-password")},
        {&DrawUserWidget::SlotSwiaccount, QStringLiteral("account-login")},
        {&DrawUserWidget::Slotallocate, QStringLiteral("account-rights")},
        {&DrawUserWidget::SlotDelaccount, QStringLiteral("account-delete")}};
    for (const auto& [slot, what] : accounts)
        m.whileOpen([&] { (users->*slot)(); },
                    [&](QDialog* d) {
                        found.checkBox(d, what);
                        for (QPushButton* b : d->findChildren<QPushButton*>())
                            if (b->text() == LanStr(121) && slot != &DrawUserWidget::Slotallocate
                                && slot != &DrawUserWidget::SlotDelaccount)
                                QTest::mousePress(b, Qt::LeftButton);
                        found.checkBox(d, what + QStringLiteral("-refused"));
                    });
    m.whileOpen([] { UserManager::Instance().CheckPermission(0); },
                [&](QDialog* d) { found.checkBox(d, QStringLiteral("account-refusal")); });

    // Settings: the clock and calibration questions; the export's questions
    // with the USB prompt.
    WizardParaWidget* settings = win.wizardParaWidget;
    m.whileOpen([&] { settings->SlotModifyTime(); }, [&](QDialog* d) { found.checkBox(d, QStringLiteral("clock")); });
    m.whileOpen([&] { settings->SlotCalibration(); },
                [&](QDialog* d) { found.checkBox(d, QStringLiteral("calibration")); });
    m.answers.queueAction([&](QDialog* d) {
        found.checkBox(d, QStringLiteral("export-question"));
        d->done(1);
    });
    m.whileOpen([&] { settings->SlotExportData(); },
                [&](QDialog* d) {
                    QCOMPARE(d->property("text").toString(), LanStr(320));
                    found.checkBox(d, QStringLiteral("usb-prompt"));
                });

    // The detection-cycle export (fixed Chinese captions).
    {
        ExportDialog dialog(m.dir.filePath(QStringLiteral("sql.txt")), &win);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        found.check(&dialog, QStringLiteral("cycle-export"));
    }
    found.lines.removeDuplicates();
    QVERIFY2(found.lines.isEmpty(), qPrintable(found.lines.join(QLatin1Char('\n'))));
}

// The shared message and question boxes with every text of the table in
// this language: a text too long for the box makes the box grow (or wrap),
// never runs over its frame, the buttons or the screen.
void TestDialogLayout::messageBoxesFitEveryText()
{
    QFETCH(int, lan);
    gLan = lan;
    WarnBox warn;
    ChooseBox choose;
    ChooseCaliNumWidget points;
    QStringList problems;
    for (int id = 0; id < kLanIds; ++id) {
        const QString text = Filled(LanStr(id));
        if (text.isEmpty())
            continue;
        warn.setText(text);
        choose.setText(text);
        points.setText(text);
        const QString who = QStringLiteral("text %1: ").arg(id);
        for (const QString& p : LayoutCheck::checkWindow(&warn, Painted(warn.PaintedTexts()), Screen()))
            problems << who + p;
        for (const QString& p : LayoutCheck::checkWindow(&choose, Painted(choose.PaintedTexts()), Screen()))
            problems << who + p;
        for (const QString& p : LayoutCheck::checkWindow(&points, Painted(points.PaintedTexts()), Screen()))
            problems << who + p;
        // For looking: the longest messages and questions the monitor shows.
        if (!qEnvironmentVariableIsEmpty("MOJU_SHOTS_DIR") && QList<int>{119, 134, 309, 320, 371, 1117, 1123}.contains(id)) {
            warn.grab().save(ShotPath(QStringLiteral("message-%1").arg(id)));
            choose.grab().save(ShotPath(QStringLiteral("question-%1").arg(id)));
        }
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
}

// Both keypads on each of their pages, in a host as large as the screen.
void TestDialogLayout::keypadPages()
{
    QFETCH(int, lan);
    gLan = lan;
    TempWorkDir dir;
    LoadSkinPixmaps();
    NumberInput numbers;
    NumCharInput chars;
    gpNumPad = &numbers;
    gpNumCharPad = &chars;
    QWidget host;
    host.setGeometry(QRect(QPoint(0, 0), Screen()));
    auto* digits = new Edit(0, &host);
    auto* letters = new Edit(Edit::kCharPad, &host);
    digits->setGeometry(20, 20, 200, 40);
    letters->setGeometry(20, 120, 200, 40);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    Problems found;
    QTest::mouseClick(digits, Qt::LeftButton);
    QTRY_VERIFY(numbers.isVisible());
    found.checkKeypad(&numbers, digits, QStringLiteral("keypad-digits"));
    QTest::mouseClick(letters, Qt::LeftButton);
    QTRY_VERIFY(chars.isVisible());
    found.checkKeypad(&chars, letters, QStringLiteral("keypad-capitals"));
    chars.SlotCap();
    found.checkKeypad(&chars, letters, QStringLiteral("keypad-lower"));
    chars.SlotChgChar_Punc();
    found.checkKeypad(&chars, letters, QStringLiteral("keypad-symbols"));
    gpNumPad = nullptr;
    gpNumCharPad = nullptr;
    found.lines.removeDuplicates();
    QVERIFY2(found.lines.isEmpty(), qPrintable(found.lines.join(QLatin1Char('\n'))));
}

void TestDialogLayout::filePicker_data()
{
    QTest::addColumn<int>("lan");
    QTest::addColumn<QString>("name");  // the name field's caption
    QTest::addColumn<QString>("open");  // the button that takes the file
    // English after Chinese: the catalogue installed before goes.
    QTest::newRow("zh_CN") << 0 << QString() << QString();
    QTest::newRow("en") << 1 << QStringLiteral("File &name:") << QStringLiteral("&Open");
    QTest::newRow("zh_TW") << 2 << QString() << QString();
}

// The update's file picker in the screen's language, of touch size, with
// the character pad on its name field and the panel's own message for a
// name that names no file.
void TestDialogLayout::filePicker()
{
    QFETCH(int, lan);
    QFETCH(QString, name);
    QFETCH(QString, open);
    gLan = lan;
    QtTranslations::Install(lan);
    TempWorkDir dir;
    LoadSkinPixmaps();
    QTemporaryDir disk;
    QDir(disk.path()).mkdir(QStringLiteral("old"));
    for (const char* file : {"prog-2.5.1.tar.gz", "moju-update-2024-12-31-left-cavity-mould-A07.tar.xz"}) {
        QFile f(disk.filePath(QLatin1String(file)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    NumCharInput chars;
    gpNumCharPad = &chars;
    WarnBox warn;
    gpWarnBox = &warn;
    PopupAnswerer answers;
    QWidget host;
    host.setGeometry(QRect(QPoint(0, 0), Screen()));
    host.show();
    TouchFileDialog pick(&host, QStringLiteral("update"), disk.path(), QStringLiteral("*.[r,t]ar*"));
    pick.setFileMode(QFileDialog::ExistingFile);
    pick.setViewMode(QFileDialog::List);
    pick.resize(gShowW - 50, gShowH - 100);
    pick.show();
    QVERIFY(QTest::qWaitForWindowExposed(&pick));
    // The disk is read in the background: the list as the setter sees it.
    const auto* list = pick.findChild<QAbstractItemView*>(QStringLiteral("listView"));
    QTRY_COMPARE(list->model()->rowCount(list->rootIndex()), 3);
    QTRY_COMPARE(list->model()->index(0, 0, list->rootIndex()).data().toString(), QStringLiteral("old"));

    const QString nameCaption = pick.findChild<QLabel*>(QStringLiteral("fileNameLabel"))->text();
    const QString openCaption = pick.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Open)->text();
    if (lan == kLanEn) {
        QCOMPARE(nameCaption, name);
        QCOMPARE(openCaption, open);
    } else {
        // Chinese words (the shortcut letter may stay Latin).
        for (const QString& caption : {nameCaption, openCaption})
            QVERIFY2(std::any_of(caption.begin(), caption.end(), [](QChar c) { return c.unicode() >= 0x4e00; }),
                     qPrintable(caption));
    }
    Problems found;
    found.check(&pick, QStringLiteral("file-picker"));
    for (const QWidget* w : pick.findChildren<QWidget*>())
        if (w->isVisible() && (qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w)
                               || qobject_cast<const QLineEdit*>(w)))
            QVERIFY2(w->height() >= TouchFileDialog::TouchSize(), w->metaObject()->className());

    QLineEdit* field = pick.nameField();
    field->setFocus();
    QTest::mouseClick(field, Qt::LeftButton);
    QTRY_VERIFY(chars.isVisible());
    found.checkKeypad(&chars, field, QStringLiteral("file-picker-keypad"));
    found.check(&pick, QStringLiteral("file-picker-keypad"));
    SaveShot(&pick, QStringLiteral("file-picker-screen"));
    chars.key(11)->click();  // "Q"
    QCOMPARE(field->text(), QStringLiteral("Q"));
    pick.accept();
    QVERIFY(pick.isVisible());
    QCOMPARE(answers.seen().size(), 1);
    QCOMPARE(answers.seen().first().className, QStringLiteral("WarnBox"));
    QVERIFY2(answers.seen().first().text.startsWith(QStringLiteral("Q\n")), qPrintable(answers.seen().first().text));
    pick.hide();
    gpNumCharPad = nullptr;
    gpWarnBox = nullptr;
    QtTranslations::Install(kLanEn);
    found.lines.removeDuplicates();
    QVERIFY2(found.lines.isEmpty(), qPrintable(found.lines.join(QLatin1Char('\n'))));
}

MOJU_TEST_MAIN(TestDialogLayout)
#include "test_dialog_layout.moc"
