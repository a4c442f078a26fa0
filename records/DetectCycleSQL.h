#pragma once
// The detection-cycle log: start and length of every moulding cycle in
// DetectCycle.db (table detect_cycle), one file per calendar day. At a start
// on a new day the working file becomes ./DetectCycle/<its day>.db;
// ./DetectCycle/time.txt names the working file's day.
#include <QDate>
#include <QDateTime>
#include <QObject>
#include <QSqlDatabase>
#include <QStringList>

#include <functional>

struct detectCycleInfo {
    QString roundstart;  // "yyyy-MM-dd hh:mm:ss.zzz"
    double roundtime = 0;  // seconds
};

class DetectCycleSQL : public QObject {
    Q_OBJECT
public:
    explicit DetectCycleSQL(const QString& workDir = QStringLiteral("."),
                            std::function<QDateTime()> clock = {}, QObject* parent = nullptr);
    ~DetectCycleSQL() override;

    // Made on first use by every user; lives to the end of the program.
    static DetectCycleSQL* instance;

    // Appends one cycle to the working file; false when nothing was stored.
    bool insertDate(const detectCycleInfo& info);
    void readTime();
    void checkDate();
    bool createSQL();
    bool createTable();
    // Today's date first, then the archived days newest first.
    QStringList getDBName() const;
    // The file of a listed day: the working file for today, else its archive.
    QString dayFile(const QString& day) const;
    QDate date() const { return m_date; }
    QString workDir() const { return m_workDir; }

    static const char* const kCreateTable;

private:
    QString FilePath(const QString& name) const;
    QDate Today() const;
    // The log's connection, set to the working file (not opened).
    QSqlDatabase Working() const;
    bool MergeInto(const QString& archive);
    void WriteTimeFile();

    QString m_workDir;
    QString m_connection;
    QDate m_date;
    std::function<QDateTime()> m_clock;
};

// Lines of the export request (sql.txt) for the span start..end: one SELECT
// per calendar day. Nothing when the start lies after the end.
QStringList CycleExportRequest(const QDateTime& start, const QDateTime& end);
