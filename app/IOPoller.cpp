#include "IOPoller.h"

#include "IOLink.h"
#include "IOPort.h"

#include <QMutexLocker>

#include <algorithm>
#include <cstring>

IOPoller::IOPoller(IOPort* port, RecordFn record)
    : m_port(port)
    , m_record(std::move(record))
{
}

namespace {
// The output word as the GUI thread last flashed it (under its lock, so a
// word set with several calls is read whole).
quint32 WantedWord()
{
    QMutexLocker lock(pMutexIO);
    return gDataOut.load();
}
}  // namespace

void IOPoller::pass()
{
    const quint32 wanted = WantedWord();

    bool resend = false;
    bool gotFrame = false;
    if (readWaiting() > 0)
        gotFrame = scanFrames(wanted, &resend);
    if (m_receivedFrame) {
        // Replies taken since the last pass: their echo against the word
        // wanted now, which may have changed since.
        gotFrame = true;
        resend = resend || m_receivedEchoDiffers || m_told != wanted;
    }
    m_receivedFrame = m_receivedEchoDiffers = false;
    // A pass without a valid frame is empty, bytes or not: a broken board that
    // only sends noise is reported like a silent one.
    if (!gotFrame) {
        // Saturates: a port that never opens must not wrap the count back to "good".
        if (m_emptyPasses <= LostAfterEmptyPasses)
            ++m_emptyPasses;
        if (m_emptyPasses > LostAfterEmptyPasses)
            gisLostCom.store(1);
    }

    if (!m_started) {
        m_started = true;
        m_told = wanted;  // the first state reply's echo says what the board holds
    }
    // The board's echo alone asks for the word only when it answers. A board
    // whose replies are lost may still hear: a changed word goes out at once,
    // not only once the link counts as lost, at the price of a write the echo
    // did not ask for. A silent board answers no echo to differ from, yet a
    // hold decided meanwhile (watchdog, camera loss) must reach it the moment
    // it listens.
    if (!gotFrame && wanted != m_told)
        resend = true;
    // Whole frames: the output word may be written meanwhile from another thread.
    QMutexLocker lock(pMutexIO);
    if (resend || gisLostCom.load() != 0)
        sendOutputs();

    ++m_period;
    if (m_period == PeriodBlockA) {
        m_slot = 0;
        SendCommand(m_port, IOCmdReadBlockA, 0);
    } else if (m_period >= PeriodLength) {
        m_slot = 8;
        m_period = 0;
        SendCommand(m_port, IOCmdReadBlockB, 0);
    } else {
        SendCommand(m_port, IOCmdPoll, 0);
    }
}

void IOPoller::sendOutputs()
{
    // The word now, not the one this pass began with: a newer one may have
    // gone out from the thread that decided it.
    const quint32 word = gDataOut.load();
    SendCommand(m_port, IOCmdSetOutputs, int(word));
    if (word != m_sent) {
        m_sent = word;
        gDataOutSentNs.store(LinkClockNs());
    }
    m_told.store(word);
}

int IOPoller::readWaiting()
{
    const int waiting = m_port ? m_port->bytesAvailable() : 0;
    if (waiting <= 0)
        return 0;
    // Read only what fits; the rest stays queued for the next pass.
    const int room = BufferSize - m_fill;
    const int n = m_port->read(m_buffer + m_fill, std::min(waiting, room));
    if (n > 0)
        m_fill += n;
    return std::max(n, 0);
}

int IOPoller::receive()
{
    const int n = readWaiting();
    if (n <= 0)
        return 0;
    bool differs = false;
    if (scanFrames(WantedWord(), &differs)) {
        m_receivedFrame = true;
        m_receivedEchoDiffers = m_receivedEchoDiffers || differs;
    }
    return n;
}

bool IOPoller::scanFrames(quint32 wanted, bool* echoDiffers)
{
    bool found = false;
    *echoDiffers = false;
    int pos = 0;
    while (m_fill - pos >= IOFrame::ReplySize) {
        const unsigned char* f = m_buffer + pos;
        if (!IOFrame::IsReply(f)) {
            ++pos;
            continue;
        }
        if (gisLostCom.exchange(0) != 0 && m_record)
            m_record(QStringLiteral("IO通讯重新连接"));
        m_emptyPasses = 0;
        found = true;
        if (f[1] == IOReplyState) {
            bool changed;
            {
                QMutexLocker lock(pMutexIO);
                const quint32 in = IOFrame::StateInputs(f);
                changed = in != gDataIn.load();
                if (changed)
                    gDataInReadNs.store(LinkClockNs());
                gDataIn.store(in);
            }
            if (changed && m_inputsChanged)
                m_inputsChanged();
            const quint32 echo = IOFrame::StateEcho(f);
            m_told.store(echo);
            gDataEcho.store(echo);
            if (echo != wanted)
                *echoDiffers = true;
        } else if (f[1] == IOReplyBlockA || f[1] == IOReplyBlockB) {
            // Values beyond the last slot are dropped.
            if (m_slot < 16)
                gFTemp[m_slot++].store(IOFrame::ReplyValue(f));
        }
        pos += IOFrame::ReplySize;
    }
    if (pos > 0) {
        std::memmove(m_buffer, m_buffer + pos, size_t(m_fill - pos));
        m_fill -= pos;
    }
    return found;
}
