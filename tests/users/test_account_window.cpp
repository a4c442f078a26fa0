// The password gate and the accounts as the main window uses them: what
// CheckPassword and CheckRoot answer, the level words of the operation log,
// locking again; pages that would open on nothing say what is missing.
#include "WizardFixture.h"

#include "SimCamFixture.h"
#include "app/gui/MainCommands.h"
#include "app/gui/RaRoWizard.h"
#include "app/gui/TouchFilter.h"
#include "settings/HardwareConfigurationWidget.h"
#include "settings/HelpWidget.h"
#include "settings/WizardParaWidget.h"
#include "users/DrawUserWidget.h"
#include "users/PasswordBox.h"
#include "users/UserManager.h"
#include "widgets/ColorButton.h"
#include "widgets/Edit.h"
#include "widgets/SkinPixmaps.h"

namespace {
const QDateTime kNow(QDate(2024, 11, 30), QTime(23, 5));

// Level word and text of every operation-log row, oldest first.
QList<QPair<QString, QString>> LevelRows()
{
    QList<QPair<QString, QString>> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("levels"));
        db.setDatabaseName(QStringLiteral("RECORD.db"));
        if (db.open()) {
            QSqlQuery q(QStringLiteral("select recordpassword, remarks from RECORD"), db);
            while (q.next())
                rows.append({q.value(0).toString(), q.value(1).toString()});
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("levels"));
    return rows;
}

QString LevelOf(const QString& remark)
{
    for (const auto& r : LevelRows())
        if (r.second == remark)
            return r.first;
    return QStringLiteral("<missing>");
}

void Enter(const QString& entry)
{
    QVERIFY(gpPasswordBox->isVisible());
    gpPasswordBox->field()->setText(entry);
    QTest::mouseClick(gpPasswordBox->confirmButton(), Qt::LeftButton);
}

struct Window {
    explicit Window(bool protectionOn, int autoLogoutSecs = 0, int lan = 1)
    {
        if (!SetParamValue(QStringLiteral("isPswUsed"), 1, protectionOn ? 1 : 0) ||
            !SetParamValue(QStringLiteral("system3"), 9, autoLogoutSecs) ||
            !SetParamValue(QStringLiteral("system2"), 13, lan))
            qWarning("cannot set the parameters");
        LoadSkinPixmaps();
        gAppDirPath = dir.path();
        // One small camera starts far quicker than the stand-in for none.
        cams.add(QStringLiteral("mvs"), QStringLiteral("MVS0000001"),
                 {{QStringLiteral("sensorWidth"), 64}, {QStringLiteral("sensorHeight"), 48}});
        win = std::make_unique<RaRoWizard>();
        gpPasswordBox->setClock([] { return kNow; });
        answers.clear();
    }
    TempWorkDir dir;
    SimCamFolder cams;
    PopupAnswerer answers;
    std::unique_ptr<RaRoWizard> win;
};
}  // namespace

class TestAccountWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }

    void gateWithProtection()
    {
        Window w(true);
        RaRoWizard& win = *w.win;
        QVERIFY(win.isBuilt());
        QCOMPARE(gpPasswordBox->parentWidget(), &win);

        w.answers.queue(QDialog::Rejected);
        QCOMPARE(win.CheckPassword(), 0);
        QCOMPARE(w.answers.seen().value(0).className, QStringLiteral("PasswordBox"));

        w.answers.queueAction([](QDialog*) { Enter(QStringLiteral("123456")); });
        QCOMPARE(win.CheckPassword(), 1);
        win.InsertRecord(QStringLiteral("after system password"));
        // An open level is not asked again.
        QCOMPARE(win.CheckPassword(), 1);
        QCOMPARE(w.answers.seen().size(), 2);

        // The system password is not enough for the root pages (the gate says so).
        w.answers.queueAction([](QDialog*) { Enter(QStringLiteral("123456")); });
        QVERIFY(!win.CheckRoot());
        QCOMPARE(win.unlockLevel(), 1);
        w.answers.queueAction([](QDialog*) { Enter(QStringLiteral("7254113023")); });
        QVERIFY(win.CheckRoot());
        win.InsertRecord(QStringLiteral("after master password"));
        QVERIFY(win.CheckRoot());
        QCOMPARE(w.answers.seen().size(), 5);

        win.LowerMasterLevel();
        QCOMPARE(win.unlockLevel(), 1);
        win.Lock();
        QCOMPARE(win.unlockLevel(), 0);
        win.InsertRecord(QStringLiteral("after lock"));

        QCOMPARE(LevelOf(QStringLiteral("after system password")), LanStr(155));
        QCOMPARE(LevelOf(QStringLiteral("after master password")), LanStr(154));
        QCOMPARE(LevelOf(QStringLiteral("after lock")), LanStr(156));
    }

    // A gate or a page that would close or open on nothing says what is
    // missing (grabbed in each language with MOJU_SHOTS_DIR).
    void sayWhatIsMissing_data()
    {
        QTest::addColumn<int>("lan");
        QTest::addColumn<int>("page");
        const int languages = qEnvironmentVariableIsEmpty("MOJU_SHOTS_DIR") ? 1 : 3;
        const int order[3] = {kLanEn, kLanZhCN, kLanZhTW};  // English alone without grabs
        for (int k = 0; k < languages; ++k) {
            const char* tag = order[k] == kLanEn ? "en" : order[k] == kLanZhCN ? "zh_CN" : "zh_TW";
            QTest::addRow("%s, hardware view without conf.txt", tag) << order[k] << 0;
            QTest::addRow("%s, help without pages", tag) << order[k] << 1;
            QTest::addRow("%s, system password at a root gate", tag) << order[k] << 2;
        }
    }
    void sayWhatIsMissing()
    {
        QFETCH(int, lan);
        QFETCH(int, page);
        Window w(page == 2, 0, lan);
        RaRoWizard& win = *w.win;
        win.showMaximized();
        const QString help = QDir(lan == 0 ? QStringLiteral("help") : QStringLiteral("help-en")).absolutePath();
        const QString expected = page == 0 ? LanStr(1171).arg(QDir::current().absoluteFilePath(QStringLiteral("conf.txt")))
                                 : page == 1 ? LanStr(1172).arg(help)
                                             : LanStr(1170);
        if (page == 2)
            w.answers.queueAction([](QDialog*) { Enter(QStringLiteral("123456")); });
        w.answers.queueAction([](QDialog* d) {
            SaveShot(d, QStringLiteral("missing"));
            d->done(1);
        });
        if (page == 0) {
            win.SlotSystemPara();
            win.wizardParaWidget->SlotShowHardwareConfigurationWidget();
        } else if (page == 1) {
            win.commands()->SlotHelp();
        } else {
            QVERIFY(!win.CheckRoot());
        }
        QCOMPARE(w.answers.seen().last().text, expected);
        QVERIFY(!win.hardwareConfigurationWidget->isVisible() && !win.helpWidget->isVisible());
        QCOMPARE(win.wizardParaWidget->isVisible(), page == 0);  // the settings stay open
    }

    void gateWithoutProtection()
    {
        Window w(false);
        RaRoWizard& win = *w.win;
        QCOMPARE(win.CheckPassword(), 2);
        QVERIFY(w.answers.seen().isEmpty());
        QCOMPARE(win.unlockLevel(), 0);
        // The root pages still ask, and the bare master password opens them.
        w.answers.queueAction([](QDialog*) { Enter(QStringLiteral("7254")); });
        QVERIFY(win.CheckRoot());
        QCOMPARE(w.answers.seen().size(), 1);
        win.LowerMasterLevel();
        QCOMPARE(win.unlockLevel(), 0);
    }

    void accountPageAndAutoLogOut()
    {
        Window w(true, 1);
        RaRoWizard& win = *w.win;
        DrawUserWidget* page = win.drawUserWidget;
        QVERIFY(page && !page->isVisibleTo(&win));
        QString m;
        QVERIFY(UserManager::Instance().changeUser(QStringLiteral("admin"), QStringLiteral("7254"), m));
        QVERIFY(QFileInfo(QStringLiteral("UserDataBase.db")).isFile());

        // Not during an alarm.
        win.cycle().verdictState = VerdictAlarm;
        win.SlotAccount();
        QVERIFY(!page->isVisibleTo(&win));
        win.cycle().verdictState = VerdictIdle;
        win.SlotAccount();
        QVERIFY(page->isVisibleTo(&win));
        QVERIFY(page->allocateButton()->isVisibleTo(page));

        // Idle for the configured second after a touch: logged out, locked, page refreshed.
        w.answers.queueAction([](QDialog*) { Enter(QStringLiteral("123456")); });
        QCOMPARE(win.CheckPassword(), 1);
        TouchFilter::Touch(true);
        QVERIFY(win.logoutTimer->isActive());
        QTRY_COMPARE_WITH_TIMEOUT(UserManager::Instance().getUserType(), UserLoggedOut, 3000);
        QCOMPARE(win.unlockLevel(), 0);
        QVERIFY(page->isVisibleTo(&win));
        QVERIFY(!page->allocateButton()->isVisibleTo(page));
        QCOMPARE(page->loginButton()->text(), LanStr(607));

        // Return leaves the views idle.
        win.cycle().verdictState = VerdictAreaCheck;
        QTest::mouseClick(page->returnButton(), Qt::LeftButton);
        QVERIFY(!page->isVisibleTo(&win));
        QCOMPARE(win.cycle().verdictState, int(VerdictIdle));
    }

    // The main screen with the account page open, for a person to look at
    // when MOJU_SHOTS_DIR names a folder.
    void grabScreens_data() { AddLanguageRows(); }
    void grabScreens()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        if (out.isEmpty())
            QSKIP("MOJU_SHOTS_DIR not set");
        QFETCH(int, lan);
        Window w(true, 0, lan);
        QString m;
        QVERIFY(UserManager::Instance().changeUser(QStringLiteral("admin"), QStringLiteral("7254"), m));
        w.win->show();
        w.win->SlotAccount();
        QTRY_VERIFY(w.win->drawUserWidget->isVisible());
        const QString name = QStringLiteral("%1/account-page-%2x%3-%4.png").arg(out).arg(gShowW).arg(gShowH).arg(QTest::currentDataTag());
        QVERIFY(w.win->grab().save(name));
    }
};

MOJU_TEST_MAIN(TestAccountWindow)
#include "test_account_window.moc"
