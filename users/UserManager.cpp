#include "UserManager.h"

#include "PasswordRules.h"
#include "foundation/uitext.h"

#include <QSqlError>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QtDebug>

UserManager* UserManager::instance = nullptr;

namespace {
UserManager::RefusalPrompt gRefusalPrompt;

// The texts the dialogs show.
enum : int {
    kTextDatabaseFailed = 135,
    kTextSwitched = 628,
    kTextPasswordError = 629,
    kTextNoRightToAdd = 630,
    kTextExists = 631,
    kTextAdded = 632,
    kTextCannotDeleteSelf = 633,
    kTextNoRightToDelete = 634,
    kTextDeleted = 635,
    kTextNoAccount = 636,
    kTextPasswordUpdated = 637,
    kTextOldPasswordWrong = 638,
    kTextEnterName = 616,
    kTextLogInFirst = 640,
    kTextNoAccess = 641,
};

QString RoleRow(int role)
{
    return role == 1 ? QStringLiteral("operator") : QStringLiteral("LimitUser");
}

// Stored types outside the known ranks count as nobody, so they are never offered or entered.
UserType TypeOf(int stored)
{
    return stored >= UserAdmin && stored <= UserOperator ? UserType(stored) : UserLoggedOut;
}

bool Refuse(QString& message, int textId)
{
    message = LanStr(textId);
    return false;
}

bool Exec(QSqlQuery& q, const char* what)
{
    if (q.exec())
        return true;
    qWarning("user database: %s failed: %s", what, qPrintable(q.lastError().text()));
    return false;
}
}  // namespace

UserManager& UserManager::Instance()
{
    if (!instance)
        instance = new UserManager;
    return *instance;
}

void UserManager::DestroyInstance()
{
    delete instance;
    instance = nullptr;
}

UserManager::UserManager(const QString& file, int hashIterations)
    : m_file(file)
    , m_iterations(hashIterations)
    , m_clock([] { return QDateTime::currentDateTime(); })
{
    connectDatabase();
}

UserManager::~UserManager()
{
    closeDatabase();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(QString::fromLatin1(kConnection));
}

bool UserManager::connectDatabase()
{
    LogOut();
    return Open();
}

bool UserManager::Open()
{
    const QString connection = QString::fromLatin1(kConnection);
    m_db = QSqlDatabase::contains(connection) ? QSqlDatabase::database(connection, false)
                                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    m_db.setDatabaseName(m_file);
    m_open = false;
    QString error;
    if (!m_db.open()) {
        error = m_db.lastError().text();
    } else {
        // A file that is not a database opens, but fails its first statement.
        QSqlQuery probe(m_db);
        if (!probe.exec(QStringLiteral("select count(*) from sqlite_master")))
            error = probe.lastError().text();
        else if (!CreateMissingTables())
            error = QStringLiteral("the tables cannot be created");
    }
    if (!error.isEmpty()) {
        m_openError = error;
        qWarning("user database %s cannot be used: %s", qPrintable(m_file), qPrintable(error));
        m_db.close();
        return false;
    }
    // A replaced password leaves no old bytes behind in the file's free pages.
    QSqlQuery(m_db).exec(QStringLiteral("PRAGMA secure_delete=ON"));
    m_openError.clear();
    m_open = true;
    return true;
}

bool UserManager::EnsureOpen(QString& message)
{
    return m_open || Open() || Refuse(message, kTextDatabaseFailed);
}

bool UserManager::CreateMissingTables()
{
    const QStringList tables = m_db.tables();
    if (tables.contains(QStringLiteral("user_table")) && tables.contains(QStringLiteral("permission_table")))
        return true;
    // Rows already there stay as they are; only what is missing is added.
    m_db.transaction();
    QSqlQuery q(m_db);
    bool ok = q.exec(QStringLiteral("create table if not exists user_table(name varchar(32) primary key,"
                                    "password varchar(32),usertype int,createtime datetime,psdforsuper varchar(32))"));
    const struct {
        const char* name;
        QString password;
        int type;
    } users[] = {{"admin", PasswordHash::Make(QString::fromLatin1(kMasterPassword), m_iterations), UserAdmin},
                 {"LogOut", QString(), UserLoggedOut}};
    for (const auto& u : users) {
        q.prepare(QStringLiteral("insert or ignore into user_table values(:name,:password,:type,datetime(),'')"));
        q.bindValue(QStringLiteral(":name"), QString::fromLatin1(u.name));
        q.bindValue(QStringLiteral(":password"), u.password.isNull() ? QStringLiteral("") : u.password);
        q.bindValue(QStringLiteral(":type"), u.type);
        ok = ok && Exec(q, "initial account");
    }
    ok = ok && q.exec(QStringLiteral("create table if not exists permission_table(name varchar(32)primary key,optype char)"));
    for (int role : {1, 2}) {
        q.prepare(QStringLiteral("insert or ignore into permission_table values(:name,'0 0 0 0 0 0 0')"));
        q.bindValue(QStringLiteral(":name"), RoleRow(role));
        ok = ok && Exec(q, "initial role");
    }
    if (ok && m_db.commit())
        return true;
    m_db.rollback();
    return false;
}

void UserManager::closeDatabase()
{
    if (m_db.isOpen())
        m_db.close();
    m_open = false;
}

void UserManager::LogOut()
{
    m_type = UserLoggedOut;
    m_name = QStringLiteral(" ");
}

QString UserManager::RunTimePassword() const
{
    return QString::fromLatin1(kMasterPassword) + m_clock().toString(QString::fromLatin1(kRunTimeFormat));
}

bool UserManager::Lookup(const QString& name, StoredAccount& row, QString& message)
{
    if (!EnsureOpen(message))
        return false;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("select usertype,password from user_table where name=:name"));
    q.bindValue(QStringLiteral(":name"), name);
    if (!Exec(q, "account lookup"))
        return Refuse(message, kTextDatabaseFailed);
    row.found = q.next();
    if (row.found) {
        row.type = q.value(0).toInt();
        row.password = q.value(1).toString();
    }
    return true;
}

bool UserManager::Run(const QString& sql, const QVariantMap& values, const char* what)
{
    QSqlQuery q(m_db);
    q.prepare(sql);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        q.bindValue(it.key(), it.value());
    return Exec(q, what) && q.numRowsAffected() == 1;
}

bool UserManager::StorePassword(const QString& name, const QString& password)
{
    return Run(QStringLiteral("update user_table set password=:password where name=:name"),
               {{QStringLiteral(":password"), PasswordHash::Make(password, m_iterations)}, {QStringLiteral(":name"), name}},
               "password update");
}

bool UserManager::changeUser(const QString& name, const QString& password, QString& message)
{
    // Logged out, the name is a blank: a blank account name is nobody.
    if (name.trimmed().isEmpty())
        return Refuse(message, kTextPasswordError);
    if (m_type != UserLoggedOut && name == m_name)
        return true;
    StoredAccount row;
    if (!Lookup(name, row, message))
        return false;
    const UserType type = TypeOf(row.type);
    const bool runTime = type == UserAdmin && password == RunTimePassword();
    if (!row.found || type == UserLoggedOut || !(runTime || PasswordHash::Matches(password, row.password, m_iterations)))
        return Refuse(message, kTextPasswordError);
    // A row from before hashing is rewritten hashed now that it has been used.
    if (!row.password.isEmpty() && !PasswordHash::IsHashed(row.password) && !StorePassword(name, row.password))
        qWarning("user database: the password of %s stays unhashed", qPrintable(name));
    m_name = name;
    m_type = type;
    message = LanStr(kTextSwitched);
    return true;
}

bool UserManager::addUser(UserType type, const QString& name, const QString& password, QString& message)
{
    // Only a logged-in account adds, and only ranks below its own.
    if (m_type == UserLoggedOut || type <= m_type || type > UserOperator)
        return Refuse(message, kTextNoRightToAdd);
    if (name.trimmed().isEmpty())
        return Refuse(message, kTextEnterName);
    StoredAccount row;
    if (!Lookup(name, row, message))
        return false;
    if (row.found)
        return Refuse(message, kTextExists);
    if (!Run(QStringLiteral("insert into user_table values(:name,:password,:type,datetime(),'')"),
             {{QStringLiteral(":name"), name},
              {QStringLiteral(":password"), PasswordHash::Make(password, m_iterations)},
              {QStringLiteral(":type"), int(type)}},
             "adding an account"))
        return Refuse(message, kTextDatabaseFailed);
    message = LanStr(kTextAdded);
    return true;
}

bool UserManager::deleteUser(const QString& name, QString& message)
{
    if (name == m_name)
        return Refuse(message, kTextCannotDeleteSelf);
    StoredAccount row;
    if (!Lookup(name, row, message))
        return false;
    if (!row.found)
        return Refuse(message, kTextNoAccount);
    // Only a logged-in account deletes, and only ranks below its own.
    if (m_type == UserLoggedOut || row.type <= int(m_type))
        return Refuse(message, kTextNoRightToDelete);
    if (!Run(QStringLiteral("delete from user_table where name = :name"), {{QStringLiteral(":name"), name}},
             "deleting an account"))
        return Refuse(message, kTextDatabaseFailed);
    message = LanStr(kTextDeleted);
    return true;
}

bool UserManager::changeUserPassword(const QString& oldPassword, const QString& newPassword, QString& message)
{
    if (m_type == UserLoggedOut)
        return false;
    StoredAccount row;
    if (!Lookup(m_name, row, message))
        return false;
    if (!row.found)
        return false;
    const bool accepted = PasswordHash::Matches(oldPassword, row.password, m_iterations) ||
                          (m_type == UserAdmin && oldPassword == RunTimePassword());
    if (!accepted)
        return Refuse(message, kTextOldPasswordWrong);
    if (!StorePassword(m_name, newPassword))
        return Refuse(message, kTextDatabaseFailed);
    message = LanStr(kTextPasswordUpdated);
    return true;
}

void UserManager::getAllUsersName(QVector<QString>& names, QVector<UserType>& types)
{
    QString ignored;
    if (!EnsureOpen(ignored))
        return;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("select name,usertype from user_table"));
    if (!Exec(q, "listing the accounts"))
        return;
    while (q.next()) {
        names.append(q.value(0).toString());
        types.append(TypeOf(q.value(1).toInt()));
    }
}

void UserManager::getallPermission(int* flags, int role)
{
    QString ignored;
    if (!EnsureOpen(ignored))
        return;
    QSqlQuery q(m_db);
    q.prepare(QStringLiteral("select optype from permission_table where name=:name"));
    q.bindValue(QStringLiteral(":name"), RoleRow(role));
    if (!Exec(q, "reading permissions") || !q.next())
        return;
    const QStringList words = q.value(0).toString().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    for (int k = 0; k < kPermissionCount && k < words.size(); ++k) {
        bool ok = false;
        const int v = words[k].toInt(&ok);
        if (!ok)
            break;
        flags[k] = v;
    }
}

bool UserManager::RecordPermission(const int (&technician)[kPermissionCount],
                                   const int (&operatorFlags)[kPermissionCount])
{
    QString ignored;
    if (!EnsureOpen(ignored))
        return false;
    auto text = [](const int (&flags)[kPermissionCount]) {
        QStringList words;
        for (int f : flags)
            words << QString::number(f);
        return words.join(QLatin1Char(' '));
    };
    m_db.transaction();
    QSqlQuery q(m_db);
    bool ok = true;
    for (int role : {1, 2}) {
        q.prepare(QStringLiteral("update permission_table set optype=:optype where name=:name"));
        q.bindValue(QStringLiteral(":optype"), text(role == 1 ? technician : operatorFlags));
        q.bindValue(QStringLiteral(":name"), RoleRow(role));
        ok = ok && Exec(q, "storing permissions");
    }
    if (ok && m_db.commit())
        return true;
    m_db.rollback();
    return false;
}

void UserManager::SetRefusalPrompt(RefusalPrompt prompt)
{
    gRefusalPrompt = std::move(prompt);
}

bool UserManager::CheckPermission(int flag)
{
    if (flag < 0 || flag >= kPermissionCount)
        return false;
    if (m_type == UserLoggedOut) {
        if (gRefusalPrompt)
            gRefusalPrompt(kTextLogInFirst, true);
        return false;
    }
    if (m_type == UserAdmin)
        return true;
    int flags[kPermissionCount] = {};
    getallPermission(flags, m_type == UserTechnician ? 1 : 2);
    if (flags[flag] != 0)
        return true;
    if (gRefusalPrompt)
        gRefusalPrompt(kTextNoAccess, false);
    return false;
}
