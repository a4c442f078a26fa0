#include "IOLink.h"

#include "IOPort.h"
#include "SerialLine.h"
#include "platform/DevicePaths.h"

#include <QMutex>
#include <QMutexLocker>
#include <QtDebug>

#include <chrono>

QMutex* pMutexIO = nullptr;
std::atomic<quint32> gDataIn {0};
std::atomic<quint32> gDataOut {0};
std::atomic<quint32> gDataEcho {0};
std::atomic<qint64> gDataInReadNs {0};
std::atomic<qint64> gDataOutSentNs {0};
std::atomic<int> gisLostCom {0};
std::atomic<quint32> gFTemp[16] {};
IOPort* gpCom = nullptr;
int gisCOM = 0;
int gIOID = 1;
int gisSafeDoorOpen = 0;

unsigned char calcLRC(const unsigned char* data, quint16 len)
{
    return IOFrame::Checksum(data, len);
}

qint64 LinkClockNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int SendCommand(IOPort* port, int command, int value)
{
    if (!port)
        return -1;
    unsigned char frame[IOFrame::CommandSize];
    IOFrame::EncodeCommand(command, value, frame);
    return port->write(frame, IOFrame::CommandSize);
}

void ComSend(int command, int value)
{
    SendCommand(gpCom, command, value);
}

std::unique_ptr<SerialLine> ComInit(const QString& device)
{
    auto line = std::make_unique<SerialLine>();
    QString path = device.isEmpty() ? DevicePaths::serialDevice(gisCOM) : device;
#if !MOJU_PANEL
    // A build host must never drive a real serial port.
    if (path.startsWith(QLatin1String("/dev/ttyS")))
        path.clear();
#endif
    if (path.isEmpty()) {
        qWarning("IO board: no serial device allowed for port %d; the link stays closed", gisCOM);
        return line;
    }
    if (!line->open(path))
        qWarning("IO board: cannot open %s: %s", qPrintable(path), qPrintable(line->errorString()));
    return line;
}

void IOSetInputBit(int bit, bool active)
{
    if (bit < 0 || bit > 9)
        return;
    const quint32 mask = 1u << bit;
    QMutexLocker lock(pMutexIO);
    if (active)
        gDataIn.fetch_or(mask);
    else
        gDataIn.fetch_and(~mask);
}
