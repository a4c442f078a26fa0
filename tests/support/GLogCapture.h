#pragma once
// Lines of the application log (glog) written while the capture lives.
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <glog/logging.h>

class GLogCapture : public google::LogSink {
public:
    GLogCapture() { google::AddLogSink(this); }
    ~GLogCapture() override { google::RemoveLogSink(this); }
    using google::LogSink::send;
    void send(google::LogSeverity, const char*, const char*, int, const google::LogMessageTime&,
              const char* message, size_t length) override
    {
        QMutexLocker lock(&m_mutex);
        m_lines.append(QString::fromUtf8(message, int(length)));
    }
    QStringList lines()
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }

private:
    QMutex m_mutex;
    QStringList m_lines;
};
