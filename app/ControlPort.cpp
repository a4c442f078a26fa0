#include "ControlPort.h"

#include "IOLink.h"
#include "IOPort.h"
#include "IOThread.h"
#include "SerialLine.h"
#include "params/WizardPara.h"

#include <QMutexLocker>

ControlPort* gpControlIO = nullptr;

ControlPort::ControlPort(const IOPortSettings& settings, const IOLinkOptions& options)
    : m_settings(settings)
{
    if (options.port) {
        m_port = options.port;
    } else {
        m_ownedPort = ComInit(options.device);
        m_port = m_ownedPort.get();
    }
    gpCom = m_port;
    thread = new IOThread(m_port, options.record, options.passIntervalMs, nullptr, options.inputsChanged);
    gIOID = 1;
    // Outputs start at their inactive level (inverted ones driven 1) before
    // the thread can answer the first state reply.
    IOResetAllOut();
    for (int i = 0; i < OutputCount; ++i)
        if ((options.heldOutputs >> i) & 1u)
            IOSetOut(i, 1);
    IOFlashOut();
    thread->start(QThread::InheritPriority);
    m_linkStarted = true;
}

ControlPort::~ControlPort()
{
    thread->requestInterruption();
    thread->wake();
    thread->wait();
    delete thread;
    if (gpCom == m_port)
        gpCom = nullptr;
}

bool ControlPort::isPortOpen() const
{
    return m_port && m_port->isOpen();
}

quint64 ControlPort::linkPassCount() const
{
    return thread->passCount();
}

bool ControlPort::BoardHoldsOutputs() const
{
    if (!isPortOpen() || gisLostCom.load() != 0)
        return true;
    return gDataEcho.load() == gDataOut.load();
}

IOPortSettings ControlPort::FromParameters(const WizardPara& para)
{
    IOPortSettings s;
    for (int i = 0; i < OutputCount; ++i)
        s.outputInvert[size_t(i)] = para.outputInvert[i];
    s.input4SyncFor = para.input4SyncFor;
    s.output4SyncFor = para.output4SyncFor;
    s.machineType = para.machineType;
    return s;
}

IOPortSettings ControlPort::settingsNow() const
{
    // The live parameters, once loaded, decide: a polarity change must reach
    // the outputs without anyone having to remember to copy it here.
    return gpWPara ? FromParameters(*gpWPara) : m_settings;
}

void ControlPort::IOSetOut(int i, int value)
{
    if (i < 0 || i >= OutputCount)
        return;
    const IOPortSettings set = settingsNow();
    quint32 level = value ? 1u : 0u;
    if (set.outputInvert[size_t(i)])
        level ^= 1u;
    outWord = (outWord & ~(1u << i)) | (level << i);
    if (set.output4SyncFor == i + 1)
        outWord = (outWord & ~(1u << MirrorOutput)) | (level << MirrorOutput);
}

void ControlPort::IOResetAllOut()
{
    for (int i = 0; i < OutputCount; ++i)
        IOSetOut(i, 0);
}

void ControlPort::IOSetAllOut()
{
    for (int i = 0; i < OutputCount; ++i)
        IOSetOut(i, 1);
}

void ControlPort::IOFlashOut()
{
    bool changed;
    {
        QMutexLocker lock(pMutexIO);
        changed = gDataOut.load() != outWord;
        gDataOut.store(outWord);
        // Written by the thread that decided it, in the order decided. The
        // first word waits for the board's first echo, as it always did.
        if (changed && thread && m_linkStarted)
            thread->sendOutputs();
    }
    // The link's next pass asks the board for its echo at once.
    if (changed && thread)
        thread->wake();
    if (m_observer)
        m_observer(outWord);
}

void ControlPort::PolarityChanged(const IOPortSettings& before)
{
    const IOPortSettings now = settingsNow();
    for (int i = 0; i < OutputCount; ++i) {
        const quint32 was = before.outputInvert[size_t(i)] ? 1u : 0u;
        if (was != (now.outputInvert[size_t(i)] ? 1u : 0u))
            IOSetOut(i, int(((outWord >> i) & 1u) ^ was));
    }
    IOFlashOut();
}

int ControlPort::IOState(int direction, int index) const
{
    if (index < 0 || index > 9)
        return 0;
    const quint32 word = direction ? outWord : inWord;
    return int((word >> index) & 1u);
}

int ControlPort::OutputActive(int index) const
{
    const int level = IOState(1, index);
    if (index < 0 || index >= OutputCount)
        return level;
    const IOPortSettings set = settingsNow();
    // A mirrored output carries its source's wire level, so its source's polarity.
    const int source = (index == MirrorOutput && set.output4SyncFor >= 1 && set.output4SyncFor <= OutputCount)
                           ? set.output4SyncFor - 1
                           : index;
    return level ^ (set.outputInvert[size_t(source)] ? 1 : 0);
}

int ControlPort::IOInTrigger(int i)
{
    if (i < 0 || i >= TriggerInputs)
        return 0;
    {
        QMutexLocker lock(pMutexIO);
        inWord = gDataIn.load();
    }
    const IOPortSettings set = settingsNow();
    // Input 3 can stand in for input 0, 1 or 2.
    const int remap = set.input4SyncFor;
    if (remap >= 1 && remap <= 3) {
        const quint32 target = 1u << (remap - 1);
        inWord = (inWord & 8u) ? (inWord | target) : (inWord & ~target);
    }

    const quint8 level = quint8((inWord >> i) & 1u);
    const int edge = (lastLevel[i] == 0 && level == 1) ? 1 : 0;

    if (set.machineType != 1 && set.machineType != 2) {
        const bool doorOpened = lastLevel[DoorInput] == 1 && (inWord & (1u << DoorInput)) == 0;
        if (doorOpened) {
            // The alarm is judged by its logical state, so an inverted alarm
            // output is switched off too.
            const quint32 alarmBit = (outWord >> AlarmOutput) & 1u;
            const bool alarmOn = (alarmBit ^ (set.outputInvert[AlarmOutput] ? 1u : 0u)) != 0;
            if (alarmOn)
                IOSetOut(AlarmOutput, 0);
            IOFlashOut();
            gisSafeDoorOpen = 1;
        }
    }

    lastLevel[i] = level;
    return edge;
}
