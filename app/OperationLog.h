#pragma once
// The operation log: one row per line in table RECORD of RECORD.db, which
// holds the current day only; at the first minute tick of a new day the file
// goes to ./RECORD/<old day>.db and an empty copy takes its place.
#include <QDateTime>
#include <QDir>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

// Who is logged in, as the password gate left it (the main window's unlock level).
class UnlockLevelSource {
public:
    virtual ~UnlockLevelSource() = default;
    // 0 locked, 1 system password, 2 master password.
    virtual int UnlockLevel() const = 0;
};

class OperationLog : public QObject {
    Q_OBJECT
public:
    // workDir holds RECORD.db, RECORDNULL.db, time.txt and the archive folder RECORD.
    explicit OperationLog(UnlockLevelSource* levels, const QString& workDir = QStringLiteral("."),
                          const QString& connectionName = QStringLiteral("dbRecord"),
                          QObject* parent = nullptr);
    ~OperationLog() override;

    // Appends one line with the current time and user level. From another
    // thread the line is handed to this object's thread, which writes it.
    void InsertRecord(const QString& text);
    // Deletes every line of the current day.
    void ClearRecord();
    // Daily roll-over; runs from the 60-s timer.
    void SlotCheckDate();
    // Starts the 60-s roll-over timer.
    void StartDateTimer();

    // Date of RECORD.db (yyyy-MM-dd), from time.txt.
    QString recordDate() const { return m_recordDate; }
    QDir recordDir() const { return m_recordDir; }
    // Replaces the clock (tests).
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }
    // The level word written for an unlock level, in the current language.
    static QString LevelText(int unlockLevel);

private:
    bool OpenConnection();
    void CloseConnection();
    void WriteRecord(const QDateTime& when, const QString& text);
    bool ArchiveCurrent(const QString& day);
    bool MergeInto(const QString& archivePath);
    QString FilePath(const QString& name) const;

    UnlockLevelSource* m_levels;
    QString m_workDir;
    QString m_connection;
    QString m_recordDate;
    QDir m_recordDir;
    QTimer m_dateTimer;
    std::function<QDateTime()> m_clock;
};
