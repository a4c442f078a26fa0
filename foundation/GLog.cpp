#include "GLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <glog/logging.h>

#include <csignal>
#include <string>

GLog* gGlog = nullptr;

void SignalHandle(const char* data, size_t size)
{
    LOG(INFO) << std::string(data, size);
}

void GLogInfo(const QString& text)
{
    LOG(INFO) << text.toUtf8().constData();
}

GLog::GLog(const QString& logDir, char** argv, QObject*)
{
    FLAGS_log_dir = logDir.toStdString();
    FLAGS_logbufsecs = 0;
    FLAGS_max_log_size = 100;
    FLAGS_stop_logging_if_full_disk = true;
    FLAGS_logtostderr = false;
    FLAGS_alsologtostderr = false;
    FLAGS_stderrthreshold = google::NUM_SEVERITIES;
    google::SetLogFilenameExtension("log");
    if (!google::IsGoogleLoggingInitialized())
        google::InitGoogleLogging(argv && argv[0] ? argv[0] : "mojuwizard");
    // A stop is no crash: a handler the program set for the stop signals
    // before this one keeps them (glog's would write a crash report).
    struct sigaction stop[2] = {};
    ::sigaction(SIGTERM, nullptr, &stop[0]);
    ::sigaction(SIGINT, nullptr, &stop[1]);
    google::InstallFailureSignalHandler();
    for (int i = 0; i < 2; ++i)
        if (stop[i].sa_handler != SIG_DFL && stop[i].sa_handler != SIG_IGN)
            ::sigaction(i == 0 ? SIGTERM : SIGINT, &stop[i], nullptr);
    google::InstallFailureWriter(&SignalHandle);
    Prune(logDir);
}

GLog::~GLog()
{
    if (google::IsGoogleLoggingInitialized())
        google::ShutdownGoogleLogging();
}

void GLog::Prune(const QString& logDir)
{
    QDir dir(logDir);
    QFileInfoList files = dir.entryInfoList({QStringLiteral("*")}, QDir::Files, QDir::Time);
    while (files.size() >= kMaxFiles)
        QFile::remove(files.takeLast().absoluteFilePath());
}
