#pragma once
// The IO board's serial device: raw 115200 baud, 8 data bits, no parity,
// 1 stop bit, no flow control, opened non-blocking so the polling thread
// never hangs on a silent or stalled line.
#include "IOPort.h"

#include <QString>

class SerialLine : public IOPort {
public:
    SerialLine() = default;
    ~SerialLine() override;
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // Opens and configures the line; on failure errorString() says why.
    bool open(const QString& path);
    void close();
    QString errorString() const { return m_error; }

    bool isOpen() const override { return m_fd >= 0; }
    int bytesAvailable() override;
    int read(unsigned char* data, int max) override;
    int write(const unsigned char* data, int len) override;
    int readableHandle() const override { return m_fd; }

private:
    int m_fd = -1;
    QString m_error;
};
