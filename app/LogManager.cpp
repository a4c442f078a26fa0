#include "LogManager.h"

#include "params/WizardPara.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>

LogManager* LogManager::s_instance = nullptr;
QString LogManager::s_curTaskPath;
QString LogManager::s_curName;
void (*LogManager::s_writeObserver)() = nullptr;

namespace {
const char* const kVersion = "15.0.2.69";
const char* const kStampFormat = "yyyy/MM/dd-HH:mm:ss.zzz";

// A warning raised while a line is being written must not come back into the
// handler (its mutex is not recursive).
thread_local bool tInHandler = false;

QMutex& FileMutex()
{
    static QMutex mutex;
    return mutex;
}

QFile& LogFile()
{
    static QFile file;
    return file;
}
}  // namespace

LogManager::LogManager(QObject* parent, const QString& baseDir)
    : QObject(parent)
{
    const QString base = baseDir.isEmpty() ? QCoreApplication::applicationDirPath() : baseDir;
    s_curTaskPath = base + QStringLiteral("/RECORD/LOG");
    s_curName = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral("_log.txt");
    QDir().mkpath(s_curTaskPath);
    m_previous = qInstallMessageHandler(&LogManager::outputMessage);

    QDir dir(s_curTaskPath);
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*_log.txt")}, QDir::Files,
                                                  QDir::Time | QDir::Reversed);
    if (files.size() > kKeptFiles)
        QFile::remove(files.first().absoluteFilePath());
}

LogManager::~LogManager()
{
    qInstallMessageHandler(m_previous);
    if (s_instance == this)
        s_instance = nullptr;
}

QString LogManager::FormatLine(QtMsgType type, const QDateTime& when, const QString& msg)
{
    const char* letter = "I";
    switch (type) {
    case QtWarningMsg:
        letter = "W";
        break;
    case QtCriticalMsg:
        letter = "E";
        break;
    case QtFatalMsg:
        letter = "F";
        break;
    default:
        break;
    }
    return QStringLiteral("[%1 %2] %3").arg(QLatin1String(letter), when.toString(QLatin1String(kStampFormat)), msg);
}

QString LogManager::FirstLine(const QDateTime& when)
{
    return QStringLiteral("create newlog version %1 %2")
        .arg(QLatin1String(kVersion), when.toString(QLatin1String(kStampFormat)));
}

void LogManager::outputMessage(QtMsgType type, const QMessageLogContext&, const QString& msg)
{
    if (tInHandler) {
        std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
        return;
    }
    if (!gpWPara || !gpWPara->useLog)
        return;
    tInHandler = true;
    const QDateTime now = QDateTime::currentDateTime();
    const QByteArray line = FormatLine(type, now, msg).toUtf8() + '\n';
    {
        QMutexLocker lock(&FileMutex());
        QFile& file = LogFile();
        const QString path = s_curTaskPath + QLatin1Char('/') + s_curName;
        bool ready = true;
        if (file.fileName() != path || !QFile::exists(path)) {
            // A file deleted while running is made again with a new first line.
            const bool fresh = !QFile::exists(path);
            file.close();
            file.setFileName(path);
            ready = file.open(QIODevice::WriteOnly | QIODevice::Append);
            if (ready && fresh)
                file.write(FirstLine(now).toUtf8() + '\n');
        } else if (!file.isOpen()) {
            ready = file.open(QIODevice::WriteOnly | QIODevice::Append);
        }
        if (ready) {
            file.write(line);
            file.flush();
        }
        if (s_writeObserver)
            s_writeObserver();
    }
    tInHandler = false;
}
