#include "BoardSim.h"

#include "app/IOFrame.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/time.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t gStop = 0;
void onSignal(int)
{
    gStop = 1;
}

// Input bits the machine drives: mould open end, safety door, ejector back end.
constexpr int kInOpen = 0;
constexpr int kInDoor = 1;
constexpr int kInBack = 2;
// Output bits the machine obeys: level 1 holds, 0 allows.
constexpr int kOutClamp = 0;
constexpr int kOutEjector = 1;

enum MachineState { Off, Moulding, WaitEject, Ejecting, WaitClamp };
const char* const kStateNames[] = {"off", "moulding", "open-wait-ejector", "ejecting", "back-wait-clamp"};

bool parseNumber(const std::string& text, long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 0);
    return errno == 0 && end && *end == '\0';
}

std::string hex(const unsigned char* p, size_t n)
{
    std::string out;
    char b[4];
    for (size_t i = 0; i < n; ++i) {
        std::snprintf(b, sizeof b, i ? " %02X" : "%02X", p[i]);
        out += b;
    }
    return out;
}

}  // namespace

BoardSim::BoardSim(const Options& options)
    : m_opt(options)
    , m_start(Clock::now())
    , m_inputs(options.inputs)
{
}

BoardSim::~BoardSim()
{
    if (!m_opt.linkPath.empty()) {
        struct stat st {};
        if (lstat(m_opt.linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            unlink(m_opt.linkPath.c_str());
    }
    if (m_log)
        std::fclose(m_log);
    if (m_slave >= 0)
        close(m_slave);
    if (m_master >= 0)
        close(m_master);
}

bool BoardSim::open()
{
    m_master = posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        std::perror("ioboard-sim: posix_openpt");
        return false;
    }
    const char* name = ptsname(m_master);
    if (!name) {
        std::perror("ioboard-sim: ptsname");
        return false;
    }
    m_slavePath = name;
    // Keep one slave descriptor open, raw, so the line survives the monitor
    // closing and reopening it, and nothing is echoed before it configures it.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_slave >= 0) {
        termios tio {};
        if (tcgetattr(m_slave, &tio) == 0) {
            cfmakeraw(&tio);
            tcsetattr(m_slave, TCSANOW, &tio);
        }
    }
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);

    if (!m_opt.linkPath.empty()) {
        struct stat st {};
        if (lstat(m_opt.linkPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            unlink(m_opt.linkPath.c_str());
        if (symlink(name, m_opt.linkPath.c_str()) != 0)
            std::fprintf(stderr, "ioboard-sim: cannot link %s: %s\n", m_opt.linkPath.c_str(), std::strerror(errno));
    }
    if (!m_opt.logPath.empty()) {
        m_log = std::fopen(m_opt.logPath.c_str(), "a");
        if (!m_log)
            std::fprintf(stderr, "ioboard-sim: cannot write %s: %s\n", m_opt.logPath.c_str(), std::strerror(errno));
    }
    std::printf("%s\n", name);
    std::fflush(stdout);
    return true;
}

long BoardSim::nowMs() const
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_start).count());
}

std::string BoardSim::wallClock() const
{
    timeval tv {};
    gettimeofday(&tv, nullptr);
    tm local {};
    localtime_r(&tv.tv_sec, &local);
    char b[40];
    std::strftime(b, sizeof b, "%Y-%m-%d %H:%M:%S", &local);
    char out[64];
    std::snprintf(out, sizeof out, "%s.%03ld", b, long(tv.tv_usec / 1000));
    return out;
}

void BoardSim::say(const std::string& text)
{
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

int BoardSim::run(const std::vector<std::pair<long, std::string>>& script, int controlFd)
{
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::signal(SIGPIPE, SIG_IGN);
    m_pending = script;
    if (m_opt.machine)
        command("machine on");

    bool stdinOpen = true;
    bool controlOpen = controlFd >= 0;
    std::string stdinPending, controlPending;
    while (!m_quit && !gStop) {
        pollfd fds[3];
        int n = 0;
        fds[n++] = {m_master, POLLIN, 0};
        const int stdinIndex = stdinOpen ? n : -1;
        if (stdinOpen)
            fds[n++] = {STDIN_FILENO, POLLIN, 0};
        const int controlIndex = controlOpen ? n : -1;
        if (controlOpen)
            fds[n++] = {controlFd, POLLIN, 0};
        // Short wake-ups keep scheduled commands and the machine on time.
        const int r = poll(fds, nfds_t(n), 2);
        if (r < 0 && errno != EINTR)
            break;
        if (r > 0) {
            if (fds[0].revents & POLLIN)
                onLineBytes();
            if (stdinIndex >= 0 && (fds[stdinIndex].revents & (POLLIN | POLLHUP)))
                readControl(STDIN_FILENO, stdinPending, stdinOpen);
            if (controlIndex >= 0 && (fds[controlIndex].revents & (POLLIN | POLLHUP)))
                readControl(controlFd, controlPending, controlOpen);
        }

        const long now = nowMs();
        if (m_silent && m_silentUntil >= 0 && now >= m_silentUntil)
            command("resume");
        // Due scheduled commands, in the order given.
        for (size_t i = 0; i < m_pending.size();) {
            if (m_pending[i].first <= now) {
                const std::string c = m_pending[i].second;
                m_pending.erase(m_pending.begin() + long(i));
                command(c);
            } else {
                ++i;
            }
        }
        stepMachine();
    }
    return 0;
}

void BoardSim::readControl(int fd, std::string& pending, bool& open)
{
    char buf[512];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) {
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            open = false;
        return;
    }
    pending.append(buf, size_t(n));
    size_t nl;
    while ((nl = pending.find('\n')) != std::string::npos) {
        const std::string line = pending.substr(0, nl);
        pending.erase(0, nl + 1);
        command(line);
    }
}

void BoardSim::onLineBytes()
{
    unsigned char buf[1024];
    for (;;) {
        const ssize_t n = read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        if (m_deafUntil < 0 || nowMs() >= m_deafUntil)
            m_rx.insert(m_rx.end(), buf, buf + n);
    }
    size_t pos = 0;
    size_t skipped = 0;
    while (m_rx.size() - pos >= size_t(IOFrame::CommandSize)) {
        const unsigned char* f = m_rx.data() + pos;
        if (IOFrame::IsCommand(f)) {
            if (skipped && m_opt.trace)
                say("BAD " + std::to_string(nowMs()) + " " + hex(f - skipped, skipped));
            skipped = 0;
            handleFrame(f);
            pos += IOFrame::CommandSize;
        } else {
            ++pos;
            ++skipped;
        }
    }
    if (skipped && m_opt.trace)
        say("BAD " + std::to_string(nowMs()) + " " + hex(m_rx.data() + pos - skipped, skipped));
    m_rx.erase(m_rx.begin(), m_rx.begin() + long(pos));
}

void BoardSim::handleFrame(const unsigned char* f)
{
    ++m_commandCount;
    const long now = nowMs();
    if (m_opt.trace)
        say("RX " + std::to_string(now) + " " + hex(f, IOFrame::CommandSize));
    const uint32_t value = IOFrame::CommandValue(f);
    switch (f[1]) {
    case IOCmdSetOutputs: {
        m_outputs = value & IOFrame::WordMask;
        char line[64];
        std::snprintf(line, sizeof line, "OUT %ld 0x%04X", now, unsigned(m_outputs));
        say(line);
        if (m_log) {
            std::fprintf(m_log, "%s OUT 0x%04X\n", wallClock().c_str(), unsigned(m_outputs));
            std::fflush(m_log);
        }
        break;
    }
    case IOCmdPoll:
        if (!m_silent) {
            uint8_t data[4];
            IOFrame::PackState(m_inputs, m_stuckEcho ? m_echo : m_outputs, data);
            reply(IOReplyState, data);
        }
        break;
    case IOCmdReadBlockA:
        // Board identity: a fixed firmware tag.
        if (!m_silent) {
            uint8_t data[4];
            IOFrame::PackValue(0x20260101u, data);
            reply(IOReplyBlockA, data);
        }
        break;
    case IOCmdReadBlockB:
        if (!m_silent) {
            uint8_t data[4];
            IOFrame::PackValue(uint32_t(m_commandCount), data);
            reply(IOReplyBlockB, data);
        }
        break;
    default:
        break;
    }
}

void BoardSim::reply(int type, const uint8_t data[4])
{
    unsigned char f[IOFrame::ReplySize];
    IOFrame::EncodeReply(type, data, f);
    writeRaw(std::vector<unsigned char>(f, f + IOFrame::ReplySize));
}

void BoardSim::writeRaw(const std::vector<unsigned char>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(m_master, bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            break;  // nobody drains the line: drop, as a board would
        done += size_t(n);
    }
}

void BoardSim::setInputs(uint32_t word)
{
    word &= IOFrame::WordMask;
    if (word == m_inputs)
        return;
    m_inputs = word;
    char line[64];
    std::snprintf(line, sizeof line, "IN %ld 0x%04X", nowMs(), unsigned(m_inputs));
    say(line);
}

void BoardSim::command(const std::string& raw)
{
    std::istringstream in(raw);
    std::string verb;
    if (!(in >> verb) || verb[0] == '#')
        return;
    std::vector<std::string> args;
    for (std::string a; in >> a;)
        args.push_back(a);
    long v = 0, w = 0;
    const auto arg = [&](size_t i, long& out) { return i < args.size() && parseNumber(args[i], out); };

    if (verb == "in" && arg(0, v)) {
        setInputs(uint32_t(v));
    } else if ((verb == "set" || verb == "clr") && arg(0, v) && v >= 0 && v < 10) {
        setInputs(verb == "set" ? (m_inputs | 1u << v) : (m_inputs & ~(1u << v)));
    } else if (verb == "pulse" && arg(0, v) && arg(1, w) && v >= 0 && v < 10) {
        setInputs(m_inputs | 1u << v);
        m_pending.emplace_back(nowMs() + w, "clr " + std::to_string(v));
    } else if (verb == "after" && arg(0, v)) {
        const size_t at = raw.find(args[0]) + args[0].size();
        m_pending.emplace_back(nowMs() + v, raw.substr(at));
    } else if (verb == "silent") {
        m_silent = true;
        m_silentUntil = arg(0, v) ? nowMs() + v : -1;
        say("SILENT " + std::to_string(nowMs()));
    } else if (verb == "deaf" && arg(0, v)) {
        m_deafUntil = nowMs() + v;
        say("DEAF " + std::to_string(nowMs()));
    } else if (verb == "resume") {
        if (m_silent)
            say("RESUME " + std::to_string(nowMs()));
        m_silent = false;
        m_silentUntil = -1;
    } else if (verb == "echo" && !args.empty()) {
        if (args[0] == "auto") {
            m_stuckEcho = false;
            say("ECHO " + std::to_string(nowMs()) + " auto");
        } else if (arg(0, v)) {
            m_stuckEcho = true;
            m_echo = uint32_t(v) & IOFrame::WordMask;
            say("ECHO " + std::to_string(nowMs()) + " " + args[0]);
        }
    } else if (verb == "send") {
        std::vector<unsigned char> bytes;
        for (size_t i = 0; i < args.size(); ++i) {
            long b = 0;
            if (!parseNumber("0x" + args[i], b) || b < 0 || b > 255) {
                std::fprintf(stderr, "ioboard-sim: bad byte %s\n", args[i].c_str());
                return;
            }
            bytes.push_back(static_cast<unsigned char>(b));
        }
        writeRaw(bytes);
    } else if (verb == "door" && !args.empty()) {
        // Door closed = input active.
        if (args[0] == "open")
            setInputs(m_inputs & ~(1u << kInDoor));
        else if (args[0] == "close")
            setInputs(m_inputs | 1u << kInDoor);
    } else if (verb == "machine" && !args.empty()) {
        if (args[0] == "on" && !m_machineOn) {
            m_machineOn = true;
            m_cyclesDone = 0;
            setInputs((m_inputs | 1u << kInDoor) & ~(1u << kInOpen | 1u << kInBack));
            machineState(Moulding);
        } else if (args[0] == "off" && m_machineOn) {
            m_machineOn = false;
            machineState(Off);
        }
    } else if (verb == "status") {
        char line[160];
        // zero=: the steady clock (ns) at ms 0 of the stamps, so that a
        // process on the same host can lay them beside its own.
        const long long zero = std::chrono::duration_cast<std::chrono::nanoseconds>(m_start.time_since_epoch()).count();
        std::snprintf(line, sizeof line, "STATUS %ld in=0x%04X out=0x%04X silent=%d machine=%s zero=%lld", nowMs(),
                      unsigned(m_inputs), unsigned(m_outputs), m_silent ? 1 : 0, kStateNames[m_state], zero);
        say(line);
    } else if (verb == "quit") {
        m_quit = true;
    } else {
        std::fprintf(stderr, "ioboard-sim: unknown command: %s\n", raw.c_str());
    }
}

void BoardSim::machineState(int state)
{
    m_state = state;
    m_stateSince = nowMs();
    say("MACHINE " + std::to_string(m_stateSince) + " " + kStateNames[state]);
}

void BoardSim::stepMachine()
{
    if (!m_machineOn)
        return;
    const long inState = nowMs() - m_stateSince;
    const bool doorClosed = m_inputs & (1u << kInDoor);
    const bool settled = inState >= m_opt.settleMs;
    switch (m_state) {
    case Moulding:
        if (inState >= m_opt.cycleMs && doorClosed) {
            setInputs(m_inputs | 1u << kInOpen);
            machineState(WaitEject);
        }
        break;
    case WaitEject:
        if (settled && doorClosed && !(m_outputs & (1u << kOutEjector)))
            machineState(Ejecting);
        break;
    case Ejecting:
        if (inState >= m_opt.ejectMs) {
            setInputs(m_inputs | 1u << kInBack);
            machineState(WaitClamp);
        }
        break;
    case WaitClamp:
        if (settled && doorClosed && !(m_outputs & (1u << kOutClamp))) {
            setInputs(m_inputs & ~(1u << kInOpen | 1u << kInBack));
            ++m_cyclesDone;
            if (m_opt.cycles > 0 && m_cyclesDone >= m_opt.cycles) {
                m_machineOn = false;
                machineState(Off);
            } else {
                machineState(Moulding);
            }
        }
        break;
    default:
        break;
    }
}
