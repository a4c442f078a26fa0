// ioboard-sim: a simulated IO board on a pseudo-terminal for demos and tests.
#include "BoardSim.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void usage()
{
    std::fprintf(stderr,
        "usage: ioboard-sim [options]\n"
        "Opens a pseudo-terminal, prints its path on the first line of standard output\n"
        "(point MOJU_SERIAL_DEVICE at it) and plays the IO board on it.\n"
        "  --link PATH      also make PATH a symlink to the terminal\n"
        "  --log FILE       append every output word received, with the time\n"
        "  --trace          print every command frame received (RX ms bytes)\n"
        "  --inputs WORD    initial input word (bit i = input i, 1 = active)\n"
        "  --script FILE    lines \"<ms> <command>\", run at that time after start\n"
        "  --control FIFO   read commands from a named pipe (created if missing)\n"
        "  --machine        run the moulding machine from the start\n"
        "  --cycle-ms N     machine: mould closed time (3000)\n"
        "  --eject-ms N     machine: ejector stroke time (600)\n"
        "  --settle-ms N    machine: wait before reading a permission (400)\n"
        "  --cycles N       machine: stop after N cycles (0 = endless)\n"
        "Commands (standard input, control pipe, script):\n"
        "  in WORD | set BIT | clr BIT | pulse BIT MS      input word / one input (bits 0-9)\n"
        "  door open|close                                 input 1 (closed = active)\n"
        "  silent [MS] | resume                            stop answering (link lost)\n"
        "  deaf MS                                         drop every byte received for MS\n"
        "  echo auto | echo WORD                           report a fixed output echo\n"
        "  send HEX...                                     write raw bytes on the line\n"
        "  machine on|off | after MS COMMAND | status | quit\n"
        "Standard output: OUT ms word (outputs received), IN ms word, MACHINE ms state,\n"
        "RX ms bytes (with --trace), SILENT/RESUME/DEAF/ECHO ms (acknowledgements).\n");
}

}  // namespace

int main(int argc, char** argv)
{
    // Never outlive the test or demo that started us.
    prctl(PR_SET_PDEATHSIG, SIGTERM);

    BoardSim::Options opt;
    std::string scriptPath, controlPath;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&]() -> const char* {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--link") opt.linkPath = next();
        else if (a == "--log") opt.logPath = next();
        else if (a == "--trace") opt.trace = true;
        else if (a == "--inputs") opt.inputs = uint32_t(std::strtoul(next(), nullptr, 0));
        else if (a == "--script") scriptPath = next();
        else if (a == "--control") controlPath = next();
        else if (a == "--machine") opt.machine = true;
        else if (a == "--cycle-ms") opt.cycleMs = std::atoi(next());
        else if (a == "--eject-ms") opt.ejectMs = std::atoi(next());
        else if (a == "--settle-ms") opt.settleMs = std::atoi(next());
        else if (a == "--cycles") opt.cycles = std::atoi(next());
        else if (a == "-h" || a == "--help") { usage(); return 0; }
        else { usage(); return 2; }
    }

    std::vector<std::pair<long, std::string>> script;
    if (!scriptPath.empty()) {
        std::ifstream in(scriptPath);
        if (!in) {
            std::fprintf(stderr, "ioboard-sim: cannot read %s\n", scriptPath.c_str());
            return 1;
        }
        for (std::string line; std::getline(in, line);) {
            char* end = nullptr;
            const long at = std::strtol(line.c_str(), &end, 10);
            if (end == line.c_str())
                continue;  // blank or comment
            script.emplace_back(at, std::string(end));
        }
    }

    int controlFd = -1;
    if (!controlPath.empty()) {
        if (mkfifo(controlPath.c_str(), 0600) != 0 && errno != EEXIST) {
            std::fprintf(stderr, "ioboard-sim: cannot make %s: %s\n", controlPath.c_str(), std::strerror(errno));
            return 1;
        }
        // Read-write so the pipe never reports end-of-file between writers.
        controlFd = open(controlPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (controlFd < 0) {
            std::fprintf(stderr, "ioboard-sim: cannot open %s: %s\n", controlPath.c_str(), std::strerror(errno));
            return 1;
        }
    }

    BoardSim sim(opt);
    if (!sim.open())
        return 1;
    const int rc = sim.run(script, controlFd);
    if (controlFd >= 0)
        close(controlFd);
    return rc;
}
