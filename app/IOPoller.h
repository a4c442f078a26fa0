#pragma once
// One pass of the IO-board link: take the board's replies, publish the input
// word, re-send the outputs when the board's echo differs, when they changed
// in a pass without a reply, or while the link counts as lost (every pass
// then), send the next command of the 210-pass period, and count passes
// without a valid frame.
#include <QString>

#include <atomic>
#include <functional>

class IOPort;

class IOPoller {
public:
    using RecordFn = std::function<void(const QString&)>;
    static constexpr int BufferSize = 1024;
    // More than this many passes without a valid frame and the link counts as lost.
    static constexpr int LostAfterEmptyPasses = 1000;
    static constexpr int PeriodBlockA = 200;
    static constexpr int PeriodLength = 210;

    // record receives operation-log lines, on the thread that runs pass().
    explicit IOPoller(IOPort* port, RecordFn record = RecordFn());

    // Called on the polling thread whenever the board reports a changed input word.
    void setInputsChanged(std::function<void()> changed) { m_inputsChanged = std::move(changed); }

    void pass();
    // Between passes: takes the replies waiting now and publishes the input
    // word, so an input edge need not wait for the next pass; the pass then
    // acts on what they said. Returns the bytes read.
    int receive();
    // Any thread, with pMutexIO held: the wanted output word (gDataOut) goes
    // to the line now. Under that lock no older word can reach the line
    // after a newer one, whichever thread writes.
    void sendOutputs();

    int emptyPasses() const { return m_emptyPasses; }
    int periodCount() const { return m_period; }
    int pendingBytes() const { return m_fill; }

private:
    // Appends what the line holds to the buffer; returns the bytes read.
    int readWaiting();
    // True when a valid frame was found; echoDiffers when a state reply's
    // echo differs from the wanted outputs.
    bool scanFrames(quint32 wanted, bool* echoDiffers);

    IOPort* m_port;
    RecordFn m_record;
    std::function<void()> m_inputsChanged;
    unsigned char m_buffer[BufferSize];
    int m_fill = 0;
    int m_emptyPasses = 0;
    int m_period = 0;
    int m_slot = 0;
    // receive() found a valid frame, or an echo differing from the wanted
    // word, since the last pass.
    bool m_receivedFrame = false;
    bool m_receivedEchoDiffers = false;
    // The output word the board last echoed or was last sent (written by
    // sendOutputs on any thread).
    std::atomic<quint32> m_told {0};
    // The output word last written to the line (under pMutexIO).
    quint32 m_sent = 0xFFFFFFFFu;
    bool m_started = false;
};
