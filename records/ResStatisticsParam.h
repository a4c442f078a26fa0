#pragma once
// Hourly OK/NG counts of the current production day, kept in ResStatistics.db
// (table resstatistics, one row "C<camera>_D<step>" per camera and step) and
// written back as soon as the counts of one verdict are in (one transaction
// for all cameras of a cycle, not one per camera); each finished day is moved whole into
// ./ResStatistics/<production date>.db. restime.txt holds the day's 08:00.
#include "StatisticsCounts.h"

#include <QDateTime>
#include <QList>
#include <QPair>
#include <QSqlDatabase>
#include <QString>
#include <QTimer>

#include <functional>

// The statistics page as the store sees it.
class StatisticsObserver {
public:
    virtual ~StatisticsObserver() = default;
    // The days changed (a roll-over): rebuild the day list.
    virtual void updateList() = 0;
    // True while the page has today selected.
    virtual bool showsToday() const = 0;
    // A count arrived and the shown record is today's again: redraw.
    virtual void checkUpdate() = 0;
};

class ResStatisticsParam {
public:
    struct Options {
        QString workDir = QStringLiteral(".");
        std::function<QDateTime()> clock;  // default: the system clock
        std::function<int()> cameraCount;  // numCamera; default 8
    };
    // How the working file was found at start-up.
    enum class FileState {
        Ok,
        Replaced,    // unusable: moved aside and replaced by the empty template
        MemoryOnly,  // no usable file even then: counts live in memory only
    };

    ResStatisticsParam();
    explicit ResStatisticsParam(Options options);
    ~ResStatisticsParam();
    ResStatisticsParam(const ResStatisticsParam&) = delete;
    ResStatisticsParam& operator=(const ResStatisticsParam&) = delete;

    FileState fileState() const { return m_fileState; }
    // Where an unusable working file was moved (empty when none was).
    QString setAsidePath() const { return m_setAside; }

    // One inspection result: clock hour 0..23, camera 0..8, step 0..8.
    // The file follows when control returns to the event loop.
    int Add(int hour, bool ok, int cam, int step);
    // Writes today's counts now; 0 when the file cannot be opened.
    int save();
    bool savePending() const { return m_saveTimer.isActive(); }
    // Rows counted into since a save last reached the file, with their
    // counts now (the verdict journal keeps them until the save is done).
    QList<QPair<QString, CountDetect>> unsavedRows() const;
    // Archives the working file under the closing day and starts newDate
    // empty. False (nothing changed) when the file could not be archived.
    bool NextDay(const QString& newDate);
    void readTime();
    void checkDate();

    // From the shown day: a shift's (0 morning, 1 night, 2 whole day) sum or
    // hourly series of camera cam and step (8 = all).
    int getCount(ShiftType shift, bool ok, int cam, int step) const;
    QList<int> getRes(ShiftType shift, bool ok, int cam, int step) const;
    // Recomputes the shown day's aggregates and sums.
    void clcCount();
    // Shows an archived day read through db (false, nothing changed, when it
    // cannot be read), or (no argument) today.
    bool setFindCount(const QSqlDatabase& day);
    void setFindCount();

    // Reads a day through db into rec (zeros where rows are missing).
    bool loadCount(CountAllCamera& rec, const QSqlDatabase& db) const;
    bool saveCount(const CountAllCamera& rec);

    void setObserver(StatisticsObserver* observer) { m_observer = observer; }

    // Today's production date "yyyy-MM-dd" and its 08:00 in seconds since 1970.
    QString date() const { return m_date; }
    qint64 restime() const { return m_restime; }
    const CountAllCamera& live() const { return m_live; }
    const CountAllCamera& shown() const { return m_shown; }
    // Absolute path of the archive folder.
    QString archiveDir() const;
    // Path of the archive of a day "yyyy-MM-dd".
    QString archivePath(const QString& day) const;
    // The day the working file of workDir holds, from its restime.txt, or ""
    // when that names no day: what its rows are labelled with elsewhere.
    static QString StoredDate(const QString& workDir);
    static bool ReadRestime(const QString& workDir, qint64* secs);

private:
    QString FilePath(const QString& name) const;
    QDateTime Now() const;
    int Cameras() const;
    bool OpenWorking();
    void CloseWorking();
    void UseWorkingFile();
    bool ArchiveWorking(const QString& day);
    bool MergeInto(const QString& archive);
    void WriteRestime();

    CountAllCamera m_live;
    CountAllCamera m_shown;
    QSqlDatabase m_db;
    qint64 m_restime = 0;
    QString m_date;
    Options m_opt;
    FileState m_fileState = FileState::Ok;
    QString m_setAside;
    StatisticsObserver* m_observer = nullptr;
    QTimer m_saveTimer;
    QList<QPair<int, int>> m_unsaved;  // (camera, step)
};

// Made by the main window when result statistics are on; null otherwise.
extern ResStatisticsParam* gpResStatisticsParam;
