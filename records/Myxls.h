#pragma once
// The Excel export of the production statistics: a fresh .xlsx workbook with
// one sheet per camera in use ("Camera0", ...), a header row of the hours
// 8:00 .. 7:00 and per stored day an "-ok" and an "-ng" row holding the
// counts of steps 0 and 1 summed per hour; today first, then the archived
// days oldest first.
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

class Myxls {
public:
    struct Options {
        QString workDir = QStringLiteral(".");
        std::function<QDateTime()> clock;  // default: the system clock
        std::function<int()> cameraCount;  // numCamera; default 8
    };
    Myxls();
    explicit Myxls(Options options);
    ~Myxls();

    // Writes the whole export to path. False, with lastError(), when the
    // workbook could not be written.
    bool ImportRes(const QString& path);
    QString lastError() const { return m_error; }
    QString workDir() const { return m_opt.workDir; }

    // One day of a camera as exported: OK and NG of steps 0 and 1 summed
    // per clock hour (24 entries); zeros when the day file cannot be read.
    struct DayCounts {
        QList<int> ok;
        QList<int> ng;
    };
    // Every camera 0..cameras-1 of one day file.
    QList<DayCounts> laodRecord(const QString& file, int cameras);

private:
    Options m_opt;
    QString m_error;
};

// Made once by the main window.
extern Myxls* gpMyxls;
