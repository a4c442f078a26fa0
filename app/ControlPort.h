#pragma once
// The IO port of the GUI thread: input edges, output word, lamp states.
// Outputs are collected with IOSetOut and reach the board with IOFlashOut,
// which writes a changed word to the line itself.
#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>
#include <memory>

class IOPort;
class IOThread;
struct WizardPara;

// Parameter values the port reads on every call; the main window fills them
// from the live parameters (load and settings accept).
struct IOPortSettings {
    std::array<int, 9> outputInvert {};  // polarity of outputs 0-8
    int input4SyncFor = 0;   // 1, 2, 3: input 3 stands in for input 0, 1, 2
    int output4SyncFor = 0;  // 1-based output that output 3 follows; 0 off
    int machineType = 0;     // 1 two-colour and 2 turntable skip the door rule
};

struct IOLinkOptions {
    QString device;          // empty: the device of port gisCOM
    int passIntervalMs = 5;
    // Operation-log lines of the link. Called from IOThread: hand the text
    // to the GUI thread (queued call) before it reaches the database.
    std::function<void(const QString&)> record;
    // Called on IOThread whenever the board reports a changed input word
    // (the cycle's pass is woken, not left to its timer); must outlive the port.
    std::function<void()> inputsChanged;
    IOPort* port = nullptr;  // replaces the serial line (not owned)
    // Outputs (bit i: index i) already on in the first word the link sends:
    // a hold start-up keeps must not be released for a pass.
    quint32 heldOutputs = 0;
};

class ControlPort {
public:
    explicit ControlPort(const IOPortSettings& settings = IOPortSettings(),
                         const IOLinkOptions& options = IOLinkOptions());
    ~ControlPort();
    ControlPort(const ControlPort&) = delete;
    ControlPort& operator=(const ControlPort&) = delete;

    // Used while no live parameters exist (gpWPara null); afterwards the
    // port reads polarity, remaps and machine type from gpWPara on every call.
    void setSettings(const IOPortSettings& settings) { m_settings = settings; }
    IOPortSettings settings() const { return settingsNow(); }
    static IOPortSettings FromParameters(const WizardPara& para);
    bool isPortOpen() const;
    // Passes of the polling thread so far.
    quint64 linkPassCount() const;
    // The board holds the word last flushed (its echo says so), or there is
    // no board to wait for: no open line, or a link counted as lost.
    bool BoardHoldsOutputs() const;

    void IOSetOut(int i, int value);
    void IOResetAllOut();
    void IOSetAllOut();
    void IOFlashOut();
    // Sees every word IOFlashOut hands to the link, in order, on the caller's
    // thread. The link may skip a word replaced within one of its passes, so
    // whatever the board could ever receive is what this sees.
    using WordObserver = std::function<void(quint32)>;
    void observeWords(WordObserver observer) { m_observer = std::move(observer); }
    // Output polarity changed (settings confirmed): every output keeps its
    // logical state, its wire level follows the new polarity, sent at once.
    void PolarityChanged(const IOPortSettings& before);
    // direction nonzero: physical level of output index; 0: input index active.
    int IOState(int direction, int index) const;
    // 1 when output index's function is on (hold, alarm, ...), whatever the
    // polarity of its wire: what a lamp shows the operator.
    int OutputActive(int index) const;
    // 1 when input i (0-7) has just become active.
    int IOInTrigger(int i);

    static constexpr int OutputCount = 9;
    static constexpr int TriggerInputs = 8;
    static constexpr int DoorInput = 1;
    static constexpr int AlarmOutput = 2;
    static constexpr int MirrorOutput = 3;

private:
    IOPortSettings settingsNow() const;

    quint8 lastLevel[TriggerInputs] = {};
    quint32 outWord = 0;
    quint32 inWord = 0;
    IOThread* thread = nullptr;
    bool m_linkStarted = false;  // words are written directly from then on

    IOPortSettings m_settings;
    std::unique_ptr<IOPort> m_ownedPort;
    IOPort* m_port = nullptr;
    WordObserver m_observer;
};

extern ControlPort* gpControlIO;
