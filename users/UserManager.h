#pragma once
// Named accounts with a rank, kept in UserDataBase.db: who is logged in and
// the rules for logging in, switching, adding, deleting and re-passwording
// accounts, plus the two lower ranks' permission flags. No widgets: every
// rule returns whether it passed and the text the dialogs show.
#include "PasswordHash.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVariantMap>
#include <QVector>

#include <functional>

// A smaller non-zero value is the higher rank.
enum UserType { UserLoggedOut = 0, UserAdmin = 1, UserTechnician = 2, UserOperator = 3 };

class UserManager {
public:
    static constexpr int kPermissionCount = 7;
    static constexpr char kConnection[] = "sql_user_database_connection";
    // The admin account also opens with the master password followed by
    // hour, month and day of the local time (not the gate's order).
    static constexpr char kRunTimeFormat[] = "hhMMdd";

    // The one instance, made on first use and kept for the run.
    static UserManager* instance;
    static UserManager& Instance();
    static void DestroyInstance();  // tests only

    // hashIterations: PBKDF2 rounds for passwords stored from now on.
    explicit UserManager(const QString& file = QStringLiteral("UserDataBase.db"),
                         int hashIterations = PasswordHash::kIterations);
    ~UserManager();
    UserManager(const UserManager&) = delete;
    UserManager& operator=(const UserManager&) = delete;

    // Opens the file and creates what is missing; logged out afterwards.
    // False (with openError()) when the file cannot be used.
    bool connectDatabase();
    void closeDatabase();
    bool isOpen() const { return m_open; }
    QString openError() const { return m_openError; }

    UserType getUserType() const { return m_type; }
    QString userName() const { return m_name; }
    bool CanAllocate() const { return m_type == UserAdmin; }
    void LogOut();

    bool changeUser(const QString& name, const QString& password, QString& message);
    bool addUser(UserType type, const QString& name, const QString& password, QString& message);
    bool deleteUser(const QString& name, QString& message);
    bool changeUserPassword(const QString& oldPassword, const QString& newPassword, QString& message);

    // Every row, the 'LogOut' row included, in table order.
    void getAllUsersName(QVector<QString>& names, QVector<UserType>& types);
    // Role 1 reads the technicians' flags, any other the operators'; a
    // missing or empty row leaves the flags as they were.
    void getallPermission(int* flags, int role);
    bool RecordPermission(const int (&technician)[kPermissionCount], const int (&operatorFlags)[kPermissionCount]);

    // Whether the logged-in account may do operation `flag`; a refusal is
    // shown through the prompt installed below (message id, offer a log-in).
    using RefusalPrompt = std::function<void(int messageId, bool offerLogIn)>;
    static void SetRefusalPrompt(RefusalPrompt prompt);
    bool CheckPermission(int flag);

    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    QString RunTimePassword() const;

private:
    bool Open();
    bool EnsureOpen(QString& message);
    bool CreateMissingTables();
    struct StoredAccount {
        bool found = false;
        int type = 0;
        QString password;
    };
    // The stored row of `name`; false with the message set when the file cannot be read.
    bool Lookup(const QString& name, StoredAccount& row, QString& message);
    // One bound statement that must change exactly one row.
    bool Run(const QString& sql, const QVariantMap& values, const char* what);
    bool StorePassword(const QString& name, const QString& password);

    QString m_file;
    int m_iterations;
    QSqlDatabase m_db;
    bool m_open = false;
    QString m_openError;
    UserType m_type = UserLoggedOut;
    QString m_name = QStringLiteral(" ");
    std::function<QDateTime()> m_clock;
};
