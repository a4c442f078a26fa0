#pragma once
// Sets up glog for the application log (start-up, plant link, camera errors)
// and its crash report.
#include <QObject>
#include <QString>

#include <cstddef>

class GLog {
public:
    GLog(const QString& logDir, char** argv, QObject* parent = nullptr);
    ~GLog();

    // Newest files stay: fewer than this many remain after the prune.
    static constexpr int kMaxFiles = 50;
    static void Prune(const QString& logDir);
};

// Writes a piece of glog's crash report into the glog files.
void SignalHandle(const char* data, size_t size);

// Writes one INFO line through glog.
void GLogInfo(const QString& text);

extern GLog* gGlog;
