// The password gate and the accounts as the main window uses them: what
// CheckPassword and CheckRoot answer, the level words of the operation log,
// locking again.
#include "WizardFixture.h"

#include "SimCamFixture.h"
#include "app/gui/RaRoWizard.h"
#include "users/PasswordBox.h"
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
    explicit Window(bool protectionOn)
    {
        if (!SetParamValue(QStringLiteral("isPswUsed"), 1, protectionOn ? 1 : 0))
            qWarning("cannot set isPswUsed");
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

        // The system password is not enough for the root pages.
        w.answers.queueAction([](QDialog*) { Enter(QStringLiteral("123456")); });
        QVERIFY(!win.CheckRoot());
        QCOMPARE(win.unlockLevel(), 1);
        w.answers.queueAction([](QDialog*) { Enter(QStringLiteral("7254113023")); });
        QVERIFY(win.CheckRoot());
        win.InsertRecord(QStringLiteral("after master password"));
        QVERIFY(win.CheckRoot());
        QCOMPARE(w.answers.seen().size(), 4);

        win.LowerMasterLevel();
        QCOMPARE(win.unlockLevel(), 1);
        win.Lock();
        QCOMPARE(win.unlockLevel(), 0);
        win.InsertRecord(QStringLiteral("after lock"));

        QCOMPARE(LevelOf(QStringLiteral("after system password")), LanStr(155));
        QCOMPARE(LevelOf(QStringLiteral("after master password")), LanStr(154));
        QCOMPARE(LevelOf(QStringLiteral("after lock")), LanStr(156));
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
};

MOJU_TEST_MAIN(TestAccountWindow)
#include "test_account_window.moc"
