#pragma once
// A simulated IO board behind a pseudo-terminal: answers the monitor's
// commands, holds an input word set by commands, records every output word
// it receives, and can play a simple moulding machine.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class BoardSim {
public:
    using Clock = std::chrono::steady_clock;

    struct Options {
        std::string linkPath;   // symlink to the pty slave, optional
        std::string logPath;    // output-word log, optional
        bool trace = false;     // print every received frame
        bool machine = false;   // start in machine mode
        int cycleMs = 3000;     // mould closed and injecting
        int settleMs = 400;     // time the monitor gets after a signal before the machine looks at a permission
        int ejectMs = 600;      // ejector forward and back
        int cycles = 0;         // machine cycles before it stops (0 = endless)
        uint32_t inputs = 0;
    };

    explicit BoardSim(const Options& options);
    ~BoardSim();

    // Opens the pty pair and prints the slave path as the first line.
    bool open();
    // Runs until "quit" or SIGINT/SIGTERM.
    int run(const std::vector<std::pair<long, std::string>>& script, int controlFd);

private:
    void onLineBytes();
    void handleFrame(const unsigned char* f);
    void reply(int type, const uint8_t data[4]);
    void writeRaw(const std::vector<unsigned char>& bytes);
    void command(const std::string& line);
    void setInputs(uint32_t word);
    void stepMachine();
    void machineState(int state);
    void readControl(int fd, std::string& pending, bool& open);
    long nowMs() const;
    std::string wallClock() const;
    void say(const std::string& text);

    Options m_opt;
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::FILE* m_log = nullptr;
    Clock::time_point m_start;
    std::vector<unsigned char> m_rx;
    uint32_t m_inputs = 0;
    uint32_t m_outputs = 0;
    bool m_stuckEcho = false;
    uint32_t m_echo = 0;
    bool m_silent = false;
    long m_silentUntil = -1;
    long m_deafUntil = -1;  // bytes received before this are dropped
    unsigned long m_commandCount = 0;
    bool m_quit = false;
    std::vector<std::pair<long, std::string>> m_pending;  // (due ms, command)

    // Machine mode
    bool m_machineOn = false;
    int m_state = 0;
    long m_stateSince = 0;
    int m_cyclesDone = 0;
};
