#pragma once
// The plant link's outgoing frames: one in flight until the client
// acknowledges it; written again after 5 s without an acknowledgement and
// dropped 5 s after that. The queue is bounded: when full, the oldest
// statistics snapshot (a newer one supersedes it) goes first, else the
// oldest waiting frame. Safe to fill from any thread.
#include <QByteArray>
#include <QList>
#include <QMutex>

class VUR_SendQueue {
public:
    static constexpr qint64 kAckWaitMs = 5000;
    static constexpr int kMaxWrites = 2;

    explicit VUR_SendQueue(int limit = 2000) : m_limit(limit) {}

    // Appends a frame; returns the type of the frame dropped to make room, or -1.
    int append(int type, const QByteArray& frame);
    // The frame to write at time `nowMs`, or an empty array. `dropped` is
    // set when the frame in flight was given up (written twice, no answer).
    QByteArray due(qint64 nowMs, bool* dropped = nullptr);
    // The client acknowledged: the frame in flight is done. An acknowledgement
    // while nothing is in flight is late and changes nothing.
    void acknowledge();
    // The client left: the frame in flight is written afresh to the next one.
    void restart();

    bool inFlight() const;
    // A frame of this type is waiting or in flight.
    bool contains(int type) const;
    int size() const;
    QList<int> types() const;

private:
    struct Entry {
        int type;
        QByteArray frame;
    };
    mutable QMutex m_mutex;
    QList<Entry> m_pending;
    int m_limit;
    bool m_inFlight = false;
    int m_writes = 0;
    qint64 m_lastWrite = 0;
};
