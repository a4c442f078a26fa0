#pragma once
// Takes over the framework's message handler: while the log switch (useLog)
// is on, every diagnostic line goes into one file per program start under
// RECORD/LOG of the application directory.
#include <QObject>
#include <QString>

#include <QtGlobal>

class LogManager : public QObject {
public:
    // baseDir: the application directory (tests pass their own folder).
    explicit LogManager(QObject* parent = nullptr, const QString& baseDir = QString());
    ~LogManager() override;

    static LogManager* Instance() { return s_instance; }
    static void SetInstance(LogManager* m) { s_instance = m; }
    // The log folder and this start's file name.
    static QString CurTaskPath() { return s_curTaskPath; }
    static QString CurName() { return s_curName; }

    static void outputMessage(QtMsgType type, const QMessageLogContext& context, const QString& msg);
    // One log line as written to the file (without the line end).
    static QString FormatLine(QtMsgType type, const QDateTime& when, const QString& msg);
    static QString FirstLine(const QDateTime& when);

    // Called with the file lock held, after each line is written (tests use it
    // to raise a message from inside the handler).
    static void SetWriteObserver(void (*observer)()) { s_writeObserver = observer; }

    // More than this many log files at start: the oldest one goes.
    static constexpr int kKeptFiles = 49;

private:
    static LogManager* s_instance;
    static QString s_curTaskPath;
    static QString s_curName;
    static void (*s_writeObserver)();
    QtMessageHandler m_previous = nullptr;
};
