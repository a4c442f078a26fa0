#include "VUR_SendQueue.h"

#include "VUR_Frame.h"

#include <QMutexLocker>

int VUR_SendQueue::append(int type, const QByteArray& frame)
{
    QMutexLocker lock(&m_mutex);
    int dropped = -1;
    if (m_pending.size() >= m_limit) {
        // The frame in flight stays; among the waiting ones a statistics
        // snapshot goes first.
        const int first = m_inFlight ? 1 : 0;
        int victim = -1;
        for (int i = first; i < m_pending.size(); ++i)
            if (m_pending[i].type == VurFrame::TypeStatistics) {
                victim = i;
                break;
            }
        if (victim < 0 && first < m_pending.size())
            victim = first;
        if (victim >= 0) {
            dropped = m_pending[victim].type;
            m_pending.removeAt(victim);
        }
    }
    m_pending.append({type, frame});
    return dropped;
}

QByteArray VUR_SendQueue::due(qint64 nowMs, bool* dropped)
{
    QMutexLocker lock(&m_mutex);
    if (dropped)
        *dropped = false;
    if (m_inFlight) {
        if (nowMs - m_lastWrite < kAckWaitMs)
            return {};
        if (m_writes < kMaxWrites) {
            ++m_writes;
            m_lastWrite = nowMs;
            return m_pending.first().frame;
        }
        m_pending.removeFirst();
        m_inFlight = false;
        if (dropped)
            *dropped = true;
    }
    if (m_pending.isEmpty())
        return {};
    m_inFlight = true;
    m_writes = 1;
    m_lastWrite = nowMs;
    return m_pending.first().frame;
}

void VUR_SendQueue::acknowledge()
{
    QMutexLocker lock(&m_mutex);
    if (!m_inFlight)
        return;
    m_pending.removeFirst();
    m_inFlight = false;
    m_writes = 0;
}

void VUR_SendQueue::restart()
{
    QMutexLocker lock(&m_mutex);
    m_inFlight = false;
    m_writes = 0;
}

bool VUR_SendQueue::inFlight() const
{
    QMutexLocker lock(&m_mutex);
    return m_inFlight;
}

bool VUR_SendQueue::contains(int type) const
{
    QMutexLocker lock(&m_mutex);
    for (const Entry& e : m_pending)
        if (e.type == type)
            return true;
    return false;
}

int VUR_SendQueue::size() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_pending.size());
}

QList<int> VUR_SendQueue::types() const
{
    QMutexLocker lock(&m_mutex);
    QList<int> t;
    for (const Entry& e : m_pending)
        t << e.type;
    return t;
}
