#pragma once
// Every effect on the host (reboot, power-off, mount, clock, network, LED,
// port IO, copies into system folders, helper programs) goes through here.
// Calls take argument lists; nothing is ever handed to a shell as text.
//
// A default build (MOJU_PANEL off) only records each action as one line in
// system-actions.log of the working directory and reports success, marked
// as recorded so that a probe (ping) is not taken for an answer.
#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QStringList>

#include <functional>

class QObject;

struct ActionResult {
    int exitCode = 0;   // 0 success; -1 the program could not be started
    QByteArray output;  // standard output (recording mode: empty)
    bool recorded = false;  // only written to the log: nothing ran, nothing answered
    bool ok() const { return exitCode == 0; }
};

// How a program run apart is started and followed; all optional.
struct AsyncRunOptions {
    QString workDir;          // empty: the monitor's own
    bool mergeErrors = false;  // standard error joins the output (else it goes to the log)
    // Called with all the output so far each time more arrives.
    std::function<void(const QByteArray&)> output;
};

class SystemActions {
public:
    virtual ~SystemActions() = default;

    // Runs a program and waits for it (timeoutMs < 0: no limit).
    virtual ActionResult run(const QStringList& argv, int timeoutMs = 30000) = 0;
    // Runs a program that only reads the host's state ("ip route show",
    // "ifconfig") and returns its output; it runs in every build. Doubles
    // override it to give canned output.
    virtual ActionResult query(const QStringList& argv, int timeoutMs = 30000);
    // Runs a program without waiting for it: `done` is called on `context`'s
    // thread when it ends or after timeoutMs (then with what it had printed
    // and exit code -1). Once `context` is gone the program is killed and
    // nothing is called.
    virtual void runAsync(const QStringList& argv, int timeoutMs, QObject* context,
                          std::function<void(const ActionResult&)> done);
    // As runAsync, for the monitor's own programs whose only effect is on
    // files of the working directory (the cycle-log export): like query,
    // they run in every build. Doubles override it.
    virtual void runHelperAsync(const QStringList& argv, const AsyncRunOptions& options, int timeoutMs,
                                QObject* context, std::function<void(const ActionResult&)> done);
    // Where the host's own files are: "/" on the panel; in a default build
    // the folder "system-root" of the working directory, so that files
    // installed "under /etc" land there and can be read back.
    virtual QString systemRoot() const;
    // The host's name as the system has it now (read in every build).
    virtual QString hostName() const;
    // Copies a file to a path below the system root ("etc/hosts") for real,
    // with the given permissions (none given: the copy's own), and records it.
    bool installFile(const QString& source, const QString& target,
                     QFileDevice::Permissions permissions = {});

    // Starts a program that outlives the call (plant client, calibration).
    virtual bool startDetached(const QStringList& argv, const QString& workDir = QString()) = 0;
    // ioctl on a device node whose request number carries the data (LED board).
    virtual bool deviceIoctl(const QString& device, unsigned long request) = 0;
    // Port IO permission for the GPIO chip.
    virtual bool portIoPermission(int level) = 0;

    // Process-wide instance; tests swap in a double with setInstance.
    static SystemActions& instance();
    static void setInstance(SystemActions* actions);  // nullptr restores the default
};

// Runs a program for real and waits for it (timeoutMs < 0: no limit).
ActionResult RunProgram(const QStringList& argv, int timeoutMs);
// Starts a program for real; `done` as for SystemActions::runAsync.
void RunProgramAsync(const QStringList& argv, int timeoutMs, QObject* context,
                     std::function<void(const ActionResult&)> done, const AsyncRunOptions& options = {});

// Records actions instead of running them.
class RecordingSystemActions : public SystemActions {
public:
    explicit RecordingSystemActions(const QString& logPath = QStringLiteral("system-actions.log"));
    ActionResult run(const QStringList& argv, int timeoutMs = 30000) override;
    bool startDetached(const QStringList& argv, const QString& workDir = QString()) override;
    bool deviceIoctl(const QString& device, unsigned long request) override;
    bool portIoPermission(int level) override;

    void record(const QStringList& argv);
    QString logPath() const { return m_logPath; }

private:
    QString m_logPath;
};

// Runs actions on the panel.
class RealSystemActions : public SystemActions {
public:
    ActionResult run(const QStringList& argv, int timeoutMs = 30000) override;
    void runAsync(const QStringList& argv, int timeoutMs, QObject* context,
                  std::function<void(const ActionResult&)> done) override;
    QString systemRoot() const override;
    bool startDetached(const QStringList& argv, const QString& workDir = QString()) override;
    bool deviceIoctl(const QString& device, unsigned long request) override;
    bool portIoPermission(int level) override;
};

// Short forms for the common case.
inline ActionResult sysRun(const QStringList& argv, int timeoutMs = 30000)
{
    return SystemActions::instance().run(argv, timeoutMs);
}
