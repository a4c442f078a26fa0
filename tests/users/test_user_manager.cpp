// Accounts and their rules over a real UserDataBase.db: ranks, log-in and
// switching, odd texts, hashed storage, rows carried over from clear text,
// permission flags, an unusable file.
#include "TestSupport.h"

#include "foundation/uitext.h"
#include "users/PasswordHash.h"
#include "users/UserManager.h"

#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {
const QDateTime kNow(QDate(2025, 1, 2), QTime(9, 15));  // run-time password 7254 09 01 02

// Rows of the file as the sqlite3 program prints them.
QString Dump()
{
    QProcess p;
    p.start(QStringLiteral("sqlite3"), {QStringLiteral("UserDataBase.db"), QStringLiteral(".dump")});
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QByteArray FileBytes()
{
    QFile f(QStringLiteral("UserDataBase.db"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString StoredPassword(const QString& name)
{
    QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(UserManager::kConnection)));
    q.prepare(QStringLiteral("select password from user_table where name=?"));
    q.addBindValue(name);
    return q.exec() && q.next() ? q.value(0).toString() : QStringLiteral("<none>");
}

bool Exists(const QString& name)
{
    return StoredPassword(name) != QStringLiteral("<none>");
}

// A file as earlier versions left it: passwords in clear.
void WriteClearTextDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("old"));
        db.setDatabaseName(QStringLiteral("UserDataBase.db"));
        QVERIFY(db.open());
        QSqlQuery q(db);
        for (const char* sql :
             {"create table user_table(name varchar(32) primary key,password varchar(32),usertype int,"
              "createtime datetime,psdforsuper varchar(32))",
              "insert into user_table values('admin','7254',1,datetime(),'7254')",
              "insert into user_table values('LogOut','',0,datetime(),'')",
              "insert into user_table values('tech','Alt-Passwort-1',2,datetime(),'')",
              "create table permission_table(name varchar(32)primary key,optype char)",
              "insert into permission_table values('operator','1 0 1 0 0 0 1')",
              "insert into permission_table values('LimitUser','0 0 0 0 0 0 0')"})
            QVERIFY2(q.exec(QString::fromLatin1(sql)), sql);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("old"));
}

// Cheap keys for the many accounts of a table; the stored round count is
// read back per row, so the rules run as with the default.
constexpr int kTestRounds = 200;

struct Accounts {
    explicit Accounts(int rounds = kTestRounds)
        : users(QStringLiteral("UserDataBase.db"), rounds)
    {
        users.setClock([] { return kNow; });
    }
    // Admin adds the given accounts, then logs out.
    void add(const QList<QPair<QString, UserType>>& accounts)
    {
        QString m;
        QVERIFY(users.changeUser(QStringLiteral("admin"), QStringLiteral("7254"), m));
        for (const auto& a : accounts)
            QVERIFY2(users.addUser(a.second, a.first, QStringLiteral("pw-") + a.first, m), qPrintable(m));
        users.LogOut();
    }
    bool logIn(const QString& name)
    {
        if (name.isEmpty()) {
            users.LogOut();
            return true;
        }
        QString m;
        return users.changeUser(name, name == QLatin1String("admin") ? QStringLiteral("7254") : QStringLiteral("pw-") + name, m);
    }
    TempWorkDir dir{false};
    UserManager users;
};
}  // namespace

class TestUserManager : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        LoadLanguageTable();
        gLan = kLanEn;
    }

    void freshFile()
    {
        Accounts a(PasswordHash::kIterations);
        QVERIFY(a.users.isOpen());
        QCOMPARE(a.users.getUserType(), UserLoggedOut);
        QCOMPARE(a.users.userName(), QStringLiteral(" "));
        QVector<QString> names;
        QVector<UserType> types;
        a.users.getAllUsersName(names, types);
        QCOMPARE(names, QVector<QString>({QStringLiteral("admin"), QStringLiteral("LogOut")}));
        QCOMPARE(types, QVector<UserType>({UserAdmin, UserLoggedOut}));
        QVERIFY(PasswordHash::IsHashed(StoredPassword(QStringLiteral("admin"))));
        QVERIFY(PasswordHash::Matches(QStringLiteral("7254"), StoredPassword(QStringLiteral("admin"))));
        for (int role : {1, 2}) {
            int flags[7] = {9, 9, 9, 9, 9, 9, 9};
            a.users.getallPermission(flags, role);
            for (int f : flags)
                QCOMPARE(f, 0);
        }
        // The nobody row is never entered, not even with its empty password.
        QString m;
        QVERIFY(!a.users.changeUser(QStringLiteral("LogOut"), QString(), m));
        QCOMPARE(m, LanStr(629));
    }

    // Each rank adds and deletes within its rights and is refused outside them.
    void rights_data()
    {
        QTest::addColumn<QString>("who");  // "" = logged out
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("type");     // type to add
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("message");
        QTest::newRow("nobody adds") << "" << "add" << 3 << "new" << 630;
        QTest::newRow("nobody deletes") << "" << "delete" << 0 << "op" << 634;
        QTest::newRow("admin adds technician") << "admin" << "add" << 2 << "new" << 632;
        QTest::newRow("admin adds operator") << "admin" << "add" << 3 << "new" << 632;
        QTest::newRow("admin adds admin") << "admin" << "add" << 1 << "new" << 630;
        QTest::newRow("admin adds existing") << "admin" << "add" << 3 << "op" << 631;
        QTest::newRow("admin deletes technician") << "admin" << "delete" << 0 << "tech" << 635;
        QTest::newRow("admin deletes itself") << "admin" << "delete" << 0 << "admin" << 633;
        QTest::newRow("admin deletes the nobody row") << "admin" << "delete" << 0 << "LogOut" << 634;
        QTest::newRow("technician adds technician") << "tech" << "add" << 2 << "new" << 630;
        QTest::newRow("forbidden type beats existing name") << "tech" << "add" << 2 << "op" << 630;
        QTest::newRow("technician adds operator") << "tech" << "add" << 3 << "new" << 632;
        QTest::newRow("technician deletes operator") << "tech" << "delete" << 0 << "op" << 635;
        QTest::newRow("technician deletes technician") << "tech" << "delete" << 0 << "tech2" << 634;
        QTest::newRow("technician deletes admin") << "tech" << "delete" << 0 << "admin" << 634;
        QTest::newRow("operator adds operator") << "op" << "add" << 3 << "new" << 630;
        QTest::newRow("operator deletes operator") << "op" << "delete" << 0 << "op2" << 634;
        QTest::newRow("deleting a missing account") << "admin" << "delete" << 0 << "ghost" << 636;
    }
    void rights()
    {
        QFETCH(QString, who);
        QFETCH(QString, action);
        QFETCH(int, type);
        QFETCH(QString, name);
        QFETCH(int, message);
        Accounts a;
        a.add({{QStringLiteral("tech"), UserTechnician}, {QStringLiteral("tech2"), UserTechnician},
               {QStringLiteral("op"), UserOperator}, {QStringLiteral("op2"), UserOperator}});
        QVERIFY(a.logIn(who));
        const bool existed = Exists(name);
        QString m;
        const bool done = action == QLatin1String("add") ? a.users.addUser(UserType(type), name, QStringLiteral("x1"), m)
                                                         : a.users.deleteUser(name, m);
        QCOMPARE(m, LanStr(message));
        const bool expectDone = message == 632 || message == 635;
        QCOMPARE(done, expectDone);
        QCOMPARE(Exists(name), expectDone ? !existed : existed);
        QCOMPARE(a.users.userName(), who.isEmpty() ? QStringLiteral(" ") : who);
    }

    void logInAndSwitch()
    {
        Accounts a;
        a.add({{QStringLiteral("tech"), UserTechnician}, {QStringLiteral("op"), UserOperator}});
        QString m = QStringLiteral("untouched");
        QVERIFY(a.users.changeUser(QStringLiteral("op"), QStringLiteral("pw-op"), m));
        QCOMPARE(m, LanStr(628));
        QCOMPARE(a.users.getUserType(), UserOperator);
        // A wrong password leaves whoever is logged in; names are case-sensitive.
        QVERIFY(!a.users.changeUser(QStringLiteral("tech"), QStringLiteral("pw-op"), m));
        QCOMPARE(m, LanStr(629));
        QVERIFY(!a.users.changeUser(QStringLiteral("Op"), QStringLiteral("pw-op"), m));
        QCOMPARE(a.users.userName(), QStringLiteral("op"));
        // Choosing the account already logged in passes without a word.
        m = QStringLiteral("untouched");
        QVERIFY(a.users.changeUser(QStringLiteral("op"), QStringLiteral("anything"), m));
        QCOMPARE(m, QStringLiteral("untouched"));
        // The run-time password opens the admin account only, and only in its own order.
        QVERIFY(!a.users.changeUser(QStringLiteral("tech"), QStringLiteral("7254090102"), m));
        QVERIFY(!a.users.changeUser(QStringLiteral("admin"), QStringLiteral("7254010209"), m));
        QVERIFY(a.users.changeUser(QStringLiteral("admin"), QStringLiteral("7254090102"), m));
        QVERIFY(a.users.CanAllocate());
    }

    // Names and passwords reach the file as values, never as SQL text.
    void oddTexts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("password");
        QTest::newRow("quotes") << "O'Brien \"Bob\"" << "it's \"secret\"";
        QTest::newRow("SQL text") << "x'); drop table user_table; --" << "' or '1'='1";
        QTest::newRow("non-ASCII") << "操作员张三" << "密碼Ünï";
        QTest::newRow("blanks and percent") << " %1 spaced " << "%2 %1";
    }
    void oddTexts()
    {
        QFETCH(QString, name);
        QFETCH(QString, password);
        Accounts a;
        QVERIFY(a.logIn(QStringLiteral("admin")));
        QString m;
        QVERIFY2(a.users.addUser(UserOperator, name, password, m), qPrintable(m));
        QVector<QString> names;
        QVector<UserType> types;
        a.users.getAllUsersName(names, types);
        QVERIFY(names.contains(name));
        QCOMPARE(types[names.indexOf(name)], UserOperator);

        QVERIFY(!a.users.changeUser(name, password + QLatin1Char(' '), m));
        QVERIFY2(a.users.changeUser(name, password, m), qPrintable(m));
        QCOMPARE(a.users.userName(), name);
        QVERIFY(a.users.changeUserPassword(password, password + password, m));
        a.users.LogOut();
        QVERIFY(a.users.changeUser(name, password + password, m));
        QVERIFY(a.logIn(QStringLiteral("admin")));
        QVERIFY(a.users.deleteUser(name, m));
        QVERIFY(!Exists(name));
        QVERIFY(Exists(QStringLiteral("admin")));  // nothing else touched
    }

    // A blank name is no account: not added, and choosing it logs nobody in
    // with a success (logged out, the current name is a blank too).
    void blankNamesAreNoAccounts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("one blank") << QStringLiteral(" ");
        QTest::newRow("tab and blanks") << QStringLiteral(" \t ");
        QTest::newRow("ideographic space") << QStringLiteral("\u3000");
    }
    void blankNamesAreNoAccounts()
    {
        QFETCH(QString, name);
        Accounts a;
        QVERIFY(a.logIn(QStringLiteral("admin")));
        QString m;
        QVERIFY(!a.users.addUser(UserOperator, name, QStringLiteral("pw"), m));
        QCOMPARE(m, LanStr(616));
        QVERIFY(!Exists(name));
        // A blank row left by an earlier version opens nothing either.
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(UserManager::kConnection)));
        q.prepare(QStringLiteral("insert into user_table values(?,?,3,datetime(),'')"));
        q.addBindValue(name);
        q.addBindValue(PasswordHash::Make(QStringLiteral("pw"), kTestRounds));
        QVERIFY(q.exec());
        a.users.LogOut();
        QVERIFY(!a.users.changeUser(name, QStringLiteral("pw"), m));
        QCOMPARE(m, LanStr(629));
        QCOMPARE(a.users.getUserType(), UserLoggedOut);
    }

    // Only the round counts the program writes are trusted: a planted row
    // with a huge count would hold the screen for seconds per try.
    void storedRoundCounts_data()
    {
        QTest::addColumn<int>("rounds");
        QTest::addColumn<bool>("opens");
        QTest::newRow("this manager's") << kTestRounds << true;
        QTest::newRow("the program's") << PasswordHash::kIterations << true;
        QTest::newRow("one more") << PasswordHash::kIterations + 1 << false;
        QTest::newRow("one") << 1 << false;
    }
    void storedRoundCounts()
    {
        QFETCH(int, rounds);
        QFETCH(bool, opens);
        Accounts a;
        QSqlQuery q(QSqlDatabase::database(QString::fromLatin1(UserManager::kConnection)));
        q.prepare(QStringLiteral("insert into user_table values('planted',?,2,datetime(),'')"));
        q.addBindValue(PasswordHash::Make(QStringLiteral("pw"), rounds));
        QVERIFY(q.exec());
        QString m;
        QCOMPARE(a.users.changeUser(QStringLiteral("planted"), QStringLiteral("pw"), m), opens);
        QCOMPARE(a.users.changeUserPassword(QStringLiteral("pw"), QStringLiteral("new-pw"), m), opens);
    }

    void changedPasswordLeavesNoClearText()
    {
        Accounts a(PasswordHash::kIterations);
        a.add({{QStringLiteral("tech"), UserTechnician}});
        QString m = QStringLiteral("untouched");
        QVERIFY(!a.users.changeUserPassword(QStringLiteral("x"), QStringLiteral("y"), m));  // nobody logged in
        QCOMPARE(m, QStringLiteral("untouched"));

        QVERIFY(a.logIn(QStringLiteral("tech")));
        QVERIFY(!a.users.changeUserPassword(QStringLiteral("wrong"), QStringLiteral("Neu-0815-Kennwort"), m));
        QCOMPARE(m, LanStr(638));
        QVERIFY(a.users.changeUserPassword(QStringLiteral("pw-tech"), QStringLiteral("Neu-0815-Kennwort"), m));
        QCOMPARE(m, LanStr(637));
        // The admin may replace its own with the run-time password as the old one.
        QVERIFY(a.users.changeUser(QStringLiteral("admin"), QStringLiteral("7254"), m));
        QVERIFY(a.users.changeUserPassword(QStringLiteral("7254090102"), QStringLiteral("Admin-Neu-99"), m));
        a.users.closeDatabase();

        const QString dump = Dump();
        QVERIFY2(dump.contains(QStringLiteral("INSERT INTO user_table")), "sqlite3 could not read the file");
        const QByteArray bytes = FileBytes();
        for (const char* clear : {"Neu-0815-Kennwort", "pw-tech", "Admin-Neu-99"}) {
            QVERIFY2(!dump.contains(QLatin1String(clear)), clear);
            QVERIFY2(!bytes.contains(clear), clear);
        }
        QVERIFY(a.users.connectDatabase());
        QCOMPARE(a.users.getUserType(), UserLoggedOut);
        QVERIFY(a.users.changeUser(QStringLiteral("tech"), QStringLiteral("Neu-0815-Kennwort"), m));
        QVERIFY(a.users.changeUser(QStringLiteral("admin"), QStringLiteral("Admin-Neu-99"), m));
    }

    void clearRowsRewrittenAtLogIn()
    {
        TempWorkDir dir(false);
        WriteClearTextDatabase();
        UserManager users;
        users.setClock([] { return kNow; });
        QVERIFY(users.isOpen());
        QString m;
        QVERIFY(!users.changeUser(QStringLiteral("tech"), QStringLiteral("Alt-Passwort-2"), m));
        QCOMPARE(StoredPassword(QStringLiteral("tech")), QStringLiteral("Alt-Passwort-1"));  // a refusal changes nothing
        QVERIFY(users.changeUser(QStringLiteral("tech"), QStringLiteral("Alt-Passwort-1"), m));
        QVERIFY(PasswordHash::IsHashed(StoredPassword(QStringLiteral("tech"))));
        // The admin's clear row is rewritten too, even when it came in with the run-time password.
        QVERIFY(users.changeUser(QStringLiteral("admin"), QStringLiteral("7254090102"), m));
        QVERIFY(PasswordHash::Matches(QStringLiteral("7254"), StoredPassword(QStringLiteral("admin"))));
        // The stored flags are kept: 1 0 1 0 0 0 1 reads as operations 0, 2 and 6.
        int flags[7] = {};
        users.getallPermission(flags, 1);
        QCOMPARE(QList<int>(std::begin(flags), std::end(flags)), QList<int>({1, 0, 1, 0, 0, 0, 1}));
        users.LogOut();
        QVERIFY(users.changeUser(QStringLiteral("tech"), QStringLiteral("Alt-Passwort-1"), m));
        users.closeDatabase();
        QVERIFY(!FileBytes().contains("Alt-Passwort-1"));
    }

    void unusableFileIsReported()
    {
        TempWorkDir dir(false);
        const QByteArray junk(4096, 'x');
        {
            QFile f(QStringLiteral("UserDataBase.db"));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(junk);
        }
        UserManager users;
        QVERIFY(!users.isOpen());
        QVERIFY(!users.openError().isEmpty());
        QString m;
        QVERIFY(!users.changeUser(QStringLiteral("admin"), QStringLiteral("7254"), m));
        QCOMPARE(m, LanStr(135));
        QVector<QString> names;
        QVector<UserType> types;
        users.getAllUsersName(names, types);
        QVERIFY(names.isEmpty());
        QCOMPARE(FileBytes(), junk);  // left for someone to look at, never overwritten
    }
};

MOJU_TEST_CORE_MAIN(TestUserManager)
#include "test_user_manager.moc"
