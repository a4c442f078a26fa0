#pragma once
// Scripted board line: each fed chunk is what one pass finds waiting.
#include "app/IOPort.h"

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QMutexLocker>

#include <algorithm>
#include <cstring>

class FakeIOPort : public IOPort {
public:
    void feed(const QByteArray& chunk)
    {
        QMutexLocker lock(&m_mutex);
        m_chunks.append(chunk);
    }
    QByteArray takeWritten()
    {
        QMutexLocker lock(&m_mutex);
        QByteArray w = m_written;
        m_written.clear();
        return w;
    }
    bool isOpen() const override { return true; }
    int bytesAvailable() override
    {
        QMutexLocker lock(&m_mutex);
        return m_chunks.isEmpty() ? 0 : int(m_chunks.first().size());
    }
    int read(unsigned char* data, int max) override
    {
        QMutexLocker lock(&m_mutex);
        if (m_chunks.isEmpty())
            return 0;
        QByteArray& c = m_chunks.first();
        const int n = std::min(max, int(c.size()));
        std::memcpy(data, c.constData(), size_t(n));
        c.remove(0, n);
        if (c.isEmpty())
            m_chunks.removeFirst();
        return n;
    }
    int write(const unsigned char* data, int len) override
    {
        QMutexLocker lock(&m_mutex);
        m_written.append(reinterpret_cast<const char*>(data), len);
        return len;
    }

private:
    QMutex m_mutex;
    QList<QByteArray> m_chunks;
    QByteArray m_written;
};

// A valid reply frame of the board.
inline QByteArray ReplyFrame(int type, quint8 d0, quint8 d1, quint8 d2, quint8 d3)
{
    QByteArray f;
    f.append(char(0x5F)).append(char(type)).append(char(d0)).append(char(d1)).append(char(d2)).append(char(d3));
    unsigned sum = 0;
    for (char c : f)
        sum += quint8(c);
    f.append(char(sum & 0xFF)).append(char(0xF5));
    return f;
}

inline QByteArray StateReply(quint32 inputs, quint32 echo)
{
    return ReplyFrame(2, quint8(inputs), quint8((inputs >> 8) & 3), quint8(echo), quint8((echo >> 8) & 3));
}
