// Times the detection cycle end to end: from the input edge the simulated IO
// board raises to the output word that answers it, through the real main
// window with eight simulated 1920x1080 cameras of 50 ROIs each (one step, no
// delay), beside the engine's own step time on the same cameras. What the
// cycle adds is the difference (goal: at most 25 ms). It also prints the
// start-up time (window construction to the idle output word on the wire)
// and the peak resident memory (VmHWM).
//
//   cyclebench [--cycles N] [--threads T] [--cameras N] [--size WxH] [--colour]
//              [--fps F] [--ng-every K] [--breakdown] [--check-frames] [--trace]
//              [--one-input] [--board-cpus LIST] [--peak-map] [--busy-wait]
//   cyclebench --memory [--cycles N] [--threads T]
//   cyclebench --startup [--cameras N] [--size WxH] [--colour]
// --fps F sets the cameras' frame rate (default 10): a step judges only
// frames taken after its delay, so the rate bounds the latency from below.
// --one-input starts both steps on input 1 (the shipped group): each cycle
// is timed to the mould step's word. --ng-every K makes every K-th cycle NG
// (a part left in a cavity), so the recent-NG rings and result pictures fill; the operator's re-check after
// the part is removed clears the alarm. --memory runs the panel's three
// memory cases, each in a process of its own (default 50 cycles; the target
// is stated at 1,000: --cycles 1000). --breakdown lists the frame-size
// buffers after the cycles: size, written part and readers. --trace lists
// where a good step's edge-to-output time goes, stage by stage. --startup
// stops after the start-up: its stages and the peak until then.
// For the panel's two cores: taskset -c 0,1 cyclebench. --board-cpus 2,3
// runs the simulated IO board on those cores instead of the monitor's (on
// the panel the board is a device of its own, not a process beside it).
// --peak-map samples the mappings during the cycles and splits the highest
// resident sample by kind (heaps, arenas, stacks, maps, files), beside the
// result pictures and ring frames then waiting at frame size.
// --busy-wait: the bench's own waits poll instead of sleeping between events.
#include "app/ControlPort.h"
#include "app/DetectionCycle.h"
#include "app/IOLink.h"
#include "camera/CameraSide.h"
#include "camera/CameraStation.h"
#include "records/SaveFialImageThread.h"
#include "foundation/MainGlobals.h"
#include "foundation/MallocPolicy.h"
#include "app/gui/RaRoWizard.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "inspect/InspectStep.h"
#include "inspect/StepWorkers.h"
#include "inspect/ParamRoi.h"
#include "inspect/CammerRecong.h"
#include "inspect/CycleState.h"
#include "params/CammerSingleton.h"
#include "params/CammerWidgetData.h"
#include "params/WizardPara.h"
#include "platform/VerifiedCopy.h"
#include "platform/camsdk/SimCamHub.h"
#include "platform/vision/ByteCounts.h"
#include "platform/vision/FrameBmp.h"
#include "tests/support/SimIOBoard.h"
#include "view/CammerWidget.h"
#include "widgets/SkinPixmaps.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMutexLocker>
#include <QProcess>
#include <QScreen>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <sched.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <cstring>
#include <memory>
#include <cstdio>
#include <thread>
#include <vector>

namespace {
int kW = 1920, kH = 1080, kCameras = 8;

// Sleeps between events as the panel's GUI thread does: a loop that only
// polled kept one of the two cores busy beside the monitor's threads
// (--busy-wait polls as before, for comparison).
bool gBusyWait = false;
void Wait(const std::function<bool()>& done, int ms)
{
    QElapsedTimer t;
    t.start();
    QTimer tick;  // wakes the loop when nothing else does
    if (!gBusyWait)
        tick.start(2);
    while (!done() && t.elapsed() < ms) {
        if (gBusyWait)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        else  // the overload with a time limit never sleeps
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

// 50 ROIs on a 10 x 5 grid of the frame, written in view coordinates of this
// screen: 40 Defect and 10 Similarity, the template-based codes, so that the
// good scene passes every cycle whatever its grey levels.
QStringList RoiRows(int group, int screenW, int screenH)
{
    const int codes[2][2] = {{0, 40}, {6, 10}};
    const int limits[10][3] = {{3, 45, 100}, {12800, 0, 50000}, {0, 0, 0}, {0, 0, 0}, {0, 50, 5000},
                               {0, 200, 5000}, {0, 80, 0}, {1, 200, 0x640001}, {1, 60, 0x640001}, {0, 35, 200}};
    QStringList rows;
    int j = 0;
    for (const auto& cn : codes) {
        for (int k = 0; k < cn[1]; ++k, ++j) {
            const int x = 60 + (j % 10) * 180, y = 60 + (j / 10) * 200;
            const int code = cn[0];
            auto vx = [&](int v) { return v * screenW / kW; };
            auto vy = [&](int v) { return v * screenH / kH; };
            rows << QStringLiteral("('ROI%1-%2', '%3 %4 %5 %6 1 0 0 %7 %8 %9 %10')")
                        .arg(group)
                        .arg(j)
                        .arg(limits[code][0])
                        .arg(limits[code][1])
                        .arg(limits[code][2])
                        .arg(code)
                        .arg(vx(x))
                        .arg(vy(y))
                        .arg(vx(x + 149))
                        .arg(vy(y + (code == 9 ? 19 : 149)));
        }
    }
    return rows;
}

// A memory figure of this process in MB ("VmHWM:" peak, "VmRSS:" now).
double ResidentMb(const char* key = "VmHWM:")
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray k(key);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(k))
            return line.mid(k.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// The panel's memory cases, each in a fresh process so that its peak is its own;
// every fourth cycle NG, so the recent-NG rings and result pictures fill.
int RunMemoryCases(const QString& self, int cycles, int threads)
{
    struct Case {
        const char* name;
        QStringList args;
    };
    const QString n = QString::number(cycles);
    const Case cases[] = {
        {"1 grey camera 1920x1080, 2 steps (target <= 200 MB)",
         {"--cameras", "1", "--size", "1920x1080", "--ng-every", "4", "--cycles", n, "--breakdown"}},
        {"8 colour cameras 1920x1080, 2 steps (target <= 600 MB)",
         {"--cameras", "8", "--size", "1920x1080", "--colour", "--ng-every", "4", "--cycles", n, "--breakdown"}},
        {"8 colour cameras 2448x2048, 2 steps (stated)",
         {"--cameras", "8", "--size", "2448x2048", "--colour", "--ng-every", "4", "--cycles", n}},
    };
    int failed = 0;
    for (const Case& c : cases) {
        QProcess p;
        p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QStringList args = c.args;
        if (threads > 0)  // a shared host: the engine's threads as given
            args << QStringLiteral("--threads") << QString::number(threads);
        p.start(self, args);
        if (!p.waitForFinished(-1) || p.exitCode() != 0) {
            std::printf("%s: failed\n", c.name);
            ++failed;
            continue;
        }
        std::printf("%s\n%s", c.name, p.readAllStandardOutput().constData());
        std::fflush(stdout);
    }
    return failed ? 1 : 0;
}

// Bytes of [p, p + n) that hold memory of their own: written pages. Pages
// only read map the kernel's shared zero page and cost nothing.
size_t ResidentBytes(const void* p, size_t n)
{
    if (!p || !n)
        return 0;
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    static const int pagemap = open("/proc/self/pagemap", O_RDONLY);
    auto entry = [&](uintptr_t addr) {
        uint64_t e = 0;
        if (pagemap < 0 || pread(pagemap, &e, sizeof e, off_t(addr / page * sizeof e)) != sizeof e)
            return uint64_t(0);
        return e;
    };
    static const uint64_t zeroPfn = [&] {
        void* probe = mmap(nullptr, page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (probe == MAP_FAILED)
            return uint64_t(0);
        volatile const char c = *static_cast<const char*>(probe);
        (void)c;
        const uint64_t pfn = entry(uintptr_t(probe)) & ((uint64_t(1) << 55) - 1);
        munmap(probe, page);
        return pfn;
    }();
    const uintptr_t a = uintptr_t(p) & ~(page - 1);
    size_t in = 0;
    for (uintptr_t q = a; q < uintptr_t(p) + n; q += page) {
        const uint64_t e = entry(q);
        const bool present = (e >> 63) & 1;
        const uint64_t pfn = e & ((uint64_t(1) << 55) - 1);
        if (present && (zeroPfn == 0 || pfn != zeroPfn))
            in += page;
    }
    return std::min(in, n);
}

// The pictures the simulated cameras decoded and hold for the whole run: a
// bench cost, no part of the monitor.
double SimCameraMb()
{
    double mb = 0;
    for (const auto& d : simcam::SimCamHub::instance().devices(QStringLiteral("mvs")))
        mb += double(d->decodedBytes()) / 1048576.0;
    return mb;
}

// What the frame-size buffers of the cameras hold, each kind with its size,
// how much of it is written, and who reads it, beside all anonymous memory.
void PrintBufferBreakdown(RaRoWizard& win, int cameras)
{
    struct Row {
        QString name;
        const char* readers;
        size_t size = 0, resident = 0;
        int count = 0;
    };
    std::vector<Row> rows;
    auto add = [&](const QString& name, const char* readers, const void* p, size_t n) {
        if (!p || !n)
            return;
        auto it = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.name == name; });
        if (it == rows.end()) {
            rows.push_back({name, readers});
            it = rows.end() - 1;
        }
        it->size += n;
        it->resident += ResidentBytes(p, n);
        ++it->count;
    };
    auto addWritten = [&](const QString& name, const char* readers, size_t n, int count) {
        auto it = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.name == name; });
        if (it == rows.end()) {
            rows.push_back({name, readers});
            it = rows.end() - 1;
        }
        it->size += n;
        it->resident += n;
        it->count += count;
    };
    for (int c = 0; c < cameras; ++c) {
        CammerWidget* w = win.cammerWidget[c];
        if (CameraSide* side = win.station()->cameras[c])
            add(QStringLiteral("acquisition buffer"), "the polling pass (exchanged with the work buffer)",
                side->acquired().data(), side->acquired().size());
        add(QStringLiteral("work buffer"), "the engine (aligned into the inspect frame; colour: judged itself), live view",
            w->workBuffer.data(), w->workBuffer.size());
        add(QStringLiteral("inspect frame (grey)"), "the engine, result picture, recent-NG ring, live view",
            w->inspectFrame.data(), w->inspectFrame.size());
        add(QStringLiteral("grey frame (colour)"), "the engine's grey/hue source", w->grayFrame.data(),
            w->grayFrame.size());
        add(QStringLiteral("display buffer"), "the view painter (grey widened; colour: a picture kept), plant-link video", w->displayBuffer.data(),
            w->displayBuffer.size());
        add(QStringLiteral("NG map"), "the view painter", w->ngMap.data(), w->ngMap.size());
        // The ring's own memory (compressed frames, frames waiting for it) is
        // all written.
        const RecentNgRing::Held ring = w->recentNg.HeldBytes();
        addWritten(QStringLiteral("recent-NG ring, compressed"), "the ROI editor (shown, taken as template)",
                   ring.compressed, ring.frames);
        addWritten(QStringLiteral("recent-NG ring, uncompressed"), "the ring's compressor",
                   ring.waiting, ring.waitingFrames);
        // Slots hold pixels only while no file does.
        addWritten(QStringLiteral("template slots in memory"), "the engine's training, the editor", 0, 0);
        for (int g = 0; g < CammerWidgetData::kGroups; ++g) {
            add(QStringLiteral("ignore-point masks"), "the engine", w->ignorePointMask[g].data(),
                w->ignorePointMask[g].size());
            for (const FrameBytes& t : w->templateImages[g])
                add(QStringLiteral("template slots in memory"), "the engine's training, the editor", t.data(), t.size());
            for (int k = 0; k < 2; ++k) {
                QMutexLocker lock(pMutexSaveFail);
                const QImage& picture = gpFailImage[c][g][k];
                if (!picture.isNull())  // waiting for the saver
                    add(QStringLiteral("result pictures (NG/OK)"), "the picture saver (JPEG)", picture.constBits(),
                        size_t(picture.sizeInBytes()));
                if (!gPackedFail[c][g][k].isNull())  // waiting for the re-check
                    addWritten(QStringLiteral("result pictures, packed"), "the re-check's lines, the saver",
                               gPackedFail[c][g][k].bytes(), 1);
            }
        }
    }
    std::printf("  frame buffers of %d cameras (MB: reserved / written; buffers):\n", cameras);
    size_t labelled = 0;
    for (const Row& r : rows) {
        std::printf("    %-26s %7.1f / %7.1f  (%3d)  read by %s\n", qPrintable(r.name), r.size / 1048576.0,
                    r.resident / 1048576.0, r.count, r.readers);
        labelled += r.resident;
    }
    // Every anonymous mapping (heaps, arenas, the buffers above and the rest).
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    double anonMb = 0;
    if (smaps.open(QIODevice::ReadOnly)) {
        bool anon = false;
        for (const QByteArray& line : smaps.readAll().split('\n')) {
            const QList<QByteArray> f = line.simplified().split(' ');
            if (f.size() >= 5 && f[0].contains('-') && !f[0].endsWith(':') && f[1].size() == 4)
                anon = f.size() < 6 || f[5].startsWith('[');
            else if (line.startsWith("Rss:") && anon)
                anonMb += f.value(1).toDouble() / 1024.0;
        }
    }
    std::printf("    written in these buffers: %.0f MB of %.0f MB anonymous memory (VmRSS %.0f MB);\n"
                "    the simulated cameras' decoded pictures (no part of the monitor): %.0f MB\n",
                labelled / 1048576.0, anonMb, ResidentMb("VmRSS:"), SimCameraMb());
}

// --peak-map: a thread reads /proc/self/smaps every few ms during the cycles
// and keeps the sample with the most resident memory, split by kind of
// mapping, beside malloc's own count of what is allocated at that moment.
// It reads into a buffer of its own and allocates nothing while it runs.
class PeakMap {
public:
    std::atomic<const char*> phase{"start"};
    // Frame-size pictures waiting for the saver and ring frames waiting for
    // their compressor (bytes), counted beside each sample.
    std::function<void(size_t& pictures, size_t& ring)> waiting;

    void start()
    {
        m_buf.resize(size_t(16) << 20);
        m_phaseBest.reserve(16);
        m_thread = std::thread([this] { run(); });
    }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    void print() const
    {
        const Sample& s = m_best;
        auto mb = [](size_t kb) { return double(kb) / 1024.0; };
        std::printf("  resident peak by mapping (highest of %d samples, %.0f MB, during \"%s\"):\n", m_samples,
                    mb(s.total), s.phase);
        const char* names[kKinds] = {"[heap] (main arena)", "malloc arenas of threads", "thread stacks",
                                     "anonymous maps >= 1 MB", "anonymous maps < 1 MB", "libraries (.so)",
                                     "other files", "shared memory"};
        for (int k = 0; k < kKinds; ++k)
            std::printf("    %-26s %7.1f MB in %4d mappings (reserved %7.1f MB)\n", names[k], mb(s.rss[k]), s.count[k],
                        mb(s.size[k]));
        std::printf("    malloc at that moment: %.1f MB allocated in heaps, %.1f MB free in heaps, %.1f MB in its own maps;\n"
                    "    heaps resident %.1f MB, so %.1f MB resident but not allocated\n",
                    double(s.inUse) / 1048576.0, double(s.freeInHeaps) / 1048576.0, double(s.mapped) / 1048576.0,
                    mb(s.rss[0] + s.rss[1]), mb(s.rss[0] + s.rss[1]) - double(s.inUse) / 1048576.0);
        std::printf("    anonymous maps >= 1 MB at that moment, by size (MB reserved: resident of each, count):\n");
        std::vector<std::pair<size_t, std::vector<size_t>>> bySize;
        for (int k = 0; k < s.bigCount; ++k) {
            auto it = std::find_if(bySize.begin(), bySize.end(), [&](const auto& e) { return e.first == s.big[k].size; });
            if (it == bySize.end())
                it = bySize.insert(bySize.end(), {s.big[k].size, {}});
            it->second.push_back(s.big[k].rss);
        }
        std::sort(bySize.begin(), bySize.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        for (const auto& e : bySize) {
            size_t sum = 0;
            for (size_t r : e.second)
                sum += r;
            std::printf("      %8.2f MB x %2zu: %7.1f MB resident\n", mb(e.first), e.second.size(), mb(sum));
        }
        std::printf("    waiting at that moment: %.1f MB of result pictures at frame size, %.1f MB of ring frames"
                    " uncompressed (most seen: %.1f and %.1f MB)\n",
                    double(s.pictures) / 1048576.0, double(s.ring) / 1048576.0, double(m_mostPictures) / 1048576.0,
                    double(m_mostRing) / 1048576.0);
        for (const PhaseBest& p : m_phaseBest)
            std::printf("    highest in \"%s\": %.0f MB (waiting: %.1f MB pictures, %.1f MB ring)\n", p.phase,
                        mb(p.total), double(p.pictures) / 1048576.0, double(p.ring) / 1048576.0);
    }

private:
    enum { kHeap, kArena, kStack, kBig, kSmall, kLib, kFile, kShm, kKinds };
    struct Sample {
        size_t rss[kKinds] = {}, size[kKinds] = {}, total = 0;
        int count[kKinds] = {};
        size_t inUse = 0, freeInHeaps = 0, mapped = 0;
        size_t pictures = 0, ring = 0;
        const char* phase = "";
        struct Map {
            uintptr_t start;
            size_t size, rss;  // KB
        };
        Map big[96] = {};
        int bigCount = 0;
    };
    void run()
    {
        while (!m_stop) {
            sample();
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
        }
    }
    void sample()
    {
        const int fd = open("/proc/self/smaps", O_RDONLY);
        if (fd < 0)
            return;
        size_t n = 0;
        for (ssize_t r; n < m_buf.size() - 1 && (r = read(fd, m_buf.data() + n, m_buf.size() - 1 - n)) > 0;)
            n += size_t(r);
        close(fd);
        m_buf[n] = 0;
        const struct mallinfo2 mi = mallinfo2();
        Sample s;
        s.phase = phase.load();
        s.inUse = mi.uordblks;
        s.freeInHeaps = mi.fordblks;
        s.mapped = mi.hblkhd;
        if (waiting) {
            waiting(s.pictures, s.ring);
            m_mostPictures = std::max(m_mostPictures, s.pictures);
            m_mostRing = std::max(m_mostRing, s.ring);
        }
        int kind = kSmall;
        uintptr_t prevEnd = 0, start = 0, end = 0;
        bool prevGuard = false;
        for (char* line = m_buf.data(); line && *line;) {
            char* next = std::strchr(line, '\n');
            if (next)
                *next++ = 0;
            unsigned long a = 0, b = 0;
            char perms[8] = {}, path[512] = {};
            unsigned long long off = 0, inode = 0;
            char dev[16] = {};
            const int f = std::sscanf(line, "%lx-%lx %7s %llx %15s %llu %511[^\n]", &a, &b, perms, &off, dev, &inode, path);
            if (f >= 6 && std::strchr(line, '-') < std::strchr(line, ' ')) {
                start = a;
                end = b;
                const char* p = path;
                while (*p == ' ')
                    ++p;
                const size_t size = end - start;
                if (*p == 0) {
                    if (start % (size_t(64) << 20) == 0 && size <= (size_t(64) << 20))
                        kind = kArena;
                    else if (prevGuard && prevEnd == start && perms[0] == 'r')
                        kind = kStack;
                    else
                        kind = size >= (size_t(1) << 20) ? kBig : kSmall;
                } else if (std::strcmp(p, "[heap]") == 0)
                    kind = kHeap;
                else if (std::strcmp(p, "[stack]") == 0)
                    kind = kStack;
                else if (std::strstr(p, "memfd:") || std::strstr(p, "/dev/shm") || std::strstr(p, "SYSV"))
                    kind = kShm;
                else if (std::strstr(p, ".so"))
                    kind = kLib;
                else if (*p == '[')
                    kind = kSmall;
                else
                    kind = kFile;
                if (kind == kArena && perms[0] != 'r')
                    kind = kSmall;  // the reserved, unwritable rest of an arena
                prevGuard = perms[0] == '-' && size <= (size_t(1) << 20) && *p == 0;
                prevEnd = end;
                s.size[kind] += size / 1024;
                ++s.count[kind];
            } else if (std::strncmp(line, "Rss:", 4) == 0) {
                const size_t kb = std::strtoull(line + 4, nullptr, 10);
                s.rss[kind] += kb;
                s.total += kb;
                if (kind == kBig && s.bigCount < 96)
                    s.big[s.bigCount++] = {start, (end - start) / 1024, kb};
            }
            line = next;
        }
        ++m_samples;
        auto it = std::find_if(m_phaseBest.begin(), m_phaseBest.end(), [&](const auto& e) { return e.phase == s.phase; });
        if (it == m_phaseBest.end() && m_phaseBest.size() < m_phaseBest.capacity())
            m_phaseBest.push_back({s.phase, s.total, s.pictures, s.ring});
        else if (it != m_phaseBest.end() && s.total > it->total)
            *it = {s.phase, s.total, s.pictures, s.ring};
        if (s.total > m_best.total)
            m_best = s;
    }
    std::vector<char> m_buf;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    Sample m_best;
    struct PhaseBest {
        const char* phase;
        size_t total, pictures, ring;
    };
    std::vector<PhaseBest> m_phaseBest;
    int m_samples = 0;
    size_t m_mostPictures = 0, m_mostRing = 0;
};

// What the engine keeps after training, by kind: per camera (the mean over
// the cameras) and per trained ROI of the kind's matcher.
void PrintEngineBreakdown(RaRoWizard& win, int cameras)
{
    ByteCounts all;
    int grey = 0, similar = 0;
    for (int c = 0; c < cameras; ++c) {
        const CammerRecong* e = win.cammerWidget[c]->engine;
        e->CountBytes(all);
        for (int g = 0; g < CammerRecong::kGroups; ++g)
            for (int j = 0; j < CammerRecong::kRois; ++j) {
                grey += e->HasGrayMatch(g, j);
                similar += e->HasSurf(g, j);
            }
    }
    std::printf("  the engines' trained state, per camera (KB) and per trained ROI of its kind (KB); %d grey, %d similarity ROIs per camera:\n",
                grey / cameras, similar / cameras);
    for (const auto& k : all.kinds()) {
        const bool isGrey = k.first.rfind("grey:", 0) == 0, isSimilar = k.first.rfind("similarity:", 0) == 0;
        const int rois = isGrey ? grey : isSimilar ? similar : 0;
        std::printf("    %-36s %9.1f", k.first.c_str(), double(k.second) / cameras / 1024.0);
        if (rois > 0)
            std::printf("  %7.1f", double(k.second) / rois / 1024.0);
        std::printf("\n");
    }
    std::printf("    %-36s %9.1f KB per camera, %.1f MB for %d cameras\n", "total", double(all.total()) / cameras / 1024.0,
                double(all.total()) / 1048576.0, cameras);
}

// --check-frames: a simulated camera sends the same pixels for the same
// picture, so every judged frame must equal the first one judged of that
// picture, and the same frame must give the same area values each time. A
// verdict that differs is then traced to its frame (which pixels, which
// picture it is nearer to) or to the judgement of an equal frame.
class FrameCheck {
public:
    enum Picture { Good = 0, Foreign = 1 };
    explicit FrameCheck(QString keepDir) : m_keepDir(std::move(keepDir)) {}

    // After a step of group g judged `picture` on every camera; false when a
    // frame or an area value differs from the first one.
    bool check(RaRoWizard& win, int cameras, int cycle, int g, Picture picture)
    {
        bool same = true;
        for (int c = 0; c < cameras; ++c) {
            CammerWidget* w = win.cammerWidget[c];
            // NG without an NG area: not judged (no fresh frame, lost camera
            // or pose); its frame and values are not this step's.
            if (!w->cameraOK && std::count(std::begin(w->roiOK[g]), std::end(w->roiOK[g]), 0) == 0)
                continue;
            const FrameBytes& f = w->judgedFrame();
            std::vector<uint8_t>& ref = m_frame[c][picture];
            if (ref.empty()) {
                ref.assign(f.begin(), f.end());
                if (picture == Good)
                    reportTemplate(w, c, g);
            }
            const Diff d = compare(f, ref, w->CammerWidgetData::layout());
            if (d.pixels) {
                same = false;
                const std::vector<uint8_t>& other = m_frame[c][1 - picture];
                const Diff o = other.empty() ? Diff{} : compare(f, other, w->CammerWidgetData::layout());
                std::fprintf(stderr,
                             "cyclebench: cycle %d step %d camera %d: judged frame differs from the first %s one "
                             "in %zu pixels (box %d,%d %dx%d)%s\n",
                             cycle, g + 1, c + 1, picture == Good ? "good" : "foreign", d.pixels, d.box.x(),
                             d.box.y(), d.box.width(), d.box.height(),
                             other.empty() ? ""
                             : o.pixels == 0 ? "; it is the other picture"
                                             : qPrintable(QStringLiteral("; %1 pixels from the other picture").arg(o.pixels)));
                keep(w, QStringLiteral("frame-cycle%1-step%2-cam%3.png").arg(cycle).arg(g + 1).arg(c + 1));
                continue;
            }
            std::vector<int>& values = m_values[c][picture][g];
            if (values.empty()) {
                values.assign(std::begin(w->roiValue[g]), std::end(w->roiValue[g]));
                continue;
            }
            for (int j = 0; j < CammerWidgetData::kMaxRoi; ++j) {
                if (values[size_t(j)] == w->roiValue[g][j])
                    continue;
                same = false;
                std::fprintf(stderr,
                             "cyclebench: cycle %d step %d camera %d: equal frame, area %d value %d (first time %d)%s\n",
                             cycle, g + 1, c + 1, j + 1, w->roiValue[g][j], values[size_t(j)],
                             w->roiOK[g][j] ? "" : " NG");
            }
        }
        return same;
    }

    // What an NG camera of a step that should have passed says.
    void reportNg(RaRoWizard& win, int cameras, int cycle, int g)
    {
        for (int c = 0; c < cameras; ++c) {
            CammerWidget* w = win.cammerWidget[c];
            if (w->cameraOK)
                continue;
            QStringList areas;
            for (int j = 0; j < CammerWidgetData::kMaxRoi; ++j)
                if (!w->roiOK[g][j])
                    areas << QStringLiteral("%1 (code %2, value %3)")
                                 .arg(j + 1)
                                 .arg(w->liveSet ? w->liveSet->algorithm[g][j] : -1)
                                 .arg(w->roiValue[g][j]);
            std::fprintf(stderr, "cyclebench: cycle %d step %d camera %d NG%s: areas %s\n", cycle, g + 1, c + 1,
                         w->poseLost ? " (pose lost)" : "", areas.isEmpty() ? "none" : qPrintable(areas.join(", ")));
            keep(w, QStringLiteral("ng-cycle%1-step%2-cam%3.png").arg(cycle).arg(g + 1).arg(c + 1));
        }
        // The operation log says why a camera without an NG area was NG.
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
            db.setDatabaseName(QStringLiteral("RECORD.db"));
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec(QStringLiteral("SELECT recordtime, remarks FROM RECORD ORDER BY rowid DESC LIMIT 4")))
                    while (q.next())
                        std::fprintf(stderr, "  log %s %s\n", qPrintable(q.value(0).toString()),
                                     qPrintable(q.value(1).toString()));
                db.close();
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("check"));
    }

private:
    struct Diff {
        size_t pixels = 0;
        QRect box;
    };
    template <typename Buffer>
    static Diff compare(const Buffer& f, const std::vector<uint8_t>& ref, const FrameLayout& l)
    {
        Diff d;
        if (f.size() != ref.size() || std::memcmp(f.data(), ref.data(), f.size()) == 0)
            return d;
        const size_t bpp = l.colour ? 4 : 1;
        int x0 = l.width, y0 = l.height, x1 = -1, y1 = -1;
        for (int y = 0; y < l.height; ++y) {
            const uint8_t* a = f.data() + size_t(y) * size_t(l.width) * bpp;
            const uint8_t* b = ref.data() + size_t(y) * size_t(l.width) * bpp;
            if (std::memcmp(a, b, size_t(l.width) * bpp) == 0)
                continue;
            for (int x = 0; x < l.width; ++x) {
                if (std::memcmp(a + size_t(x) * bpp, b + size_t(x) * bpp, bpp) == 0)
                    continue;
                ++d.pixels;
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = y;
            }
        }
        if (d.pixels)
            d.box = QRect(x0, y0, x1 - x0 + 1, y1 - y0 + 1);
        return d;
    }
    void reportTemplate(CammerWidget* w, int c, int g)
    {
        FrameBytes t0(size_t(w->CammerWidgetData::layout().colorLen()));
        if (!w->TemplateFrame(g, 0, t0))
            return;
        const Diff d = compare(t0, m_frame[c][Good], w->CammerWidgetData::layout());
        if (!d.pixels)
            return;
        std::fprintf(stderr, "cyclebench: camera %d template 0 of step %d differs from the good frame in %zu pixels (box %d,%d %dx%d)\n",
                     c + 1, g + 1, d.pixels, d.box.x(), d.box.y(), d.box.width(), d.box.height());
        keep(w, t0, QStringLiteral("template0-step%1-cam%2.png").arg(g + 1).arg(c + 1));
    }
    void keep(CammerWidget* w, const QString& name) { keep(w, w->judgedFrame(), name); }
    void keep(CammerWidget* w, const FrameBytes& frame, const QString& name)
    {
        const FrameLayout& l = w->CammerWidgetData::layout();
        QImage img(frame.data(), l.width, l.height, l.width * (l.colour ? 4 : 1),
                   l.colour ? QImage::Format_RGB32 : QImage::Format_Grayscale8);
        if (!img.save(QDir(m_keepDir).filePath(name)))
            std::fprintf(stderr, "cyclebench: %s not kept\n", qPrintable(name));
    }

    QString m_keepDir;
    std::vector<uint8_t> m_frame[8][2];
    std::vector<int> m_values[8][2][2];
};

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
double Percentile(std::vector<double> v, double q)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(q * double(v.size())))];
}

// Where a good step's edge-to-output time goes, stage by stage (median, p90
// and p99 over the steps, ms): the IO thread's read of the edge, the
// monitor's own stamps between the pass that took it and the output word
// handed to the link, and the link's write of that word; what is left of
// the time on the wire is the board's side of the line, both ways.
struct Traced {
    DetectionCycle::StepTrace t;
    double ms = 0;     // edge to output word, on the board's clock
    qint64 sent = 0;   // the answering word was written to the line (gDataOutSentNs)
    // The board's stamps of the edge and of the word's arrival on the
    // monitor's clock (ns; 0 when the board does not tell its clock).
    qint64 boardIn = 0, boardOut = 0;
    qint64 boardPolled = 0;  // the board answered the first poll after the edge
    StepWorkers::Split split;  // how the engine's threads shared its step
};
// The engine's threads in their steps (ms: median, p90, p99): their CPU
// time beside the step's, the helper's late start and the calling thread's
// wait for it at the end.
void PrintSplit(const char* title, const std::vector<StepWorkers::Split>& splits)
{
    struct Part {
        const char* name;
        int64_t StepWorkers::Split::*field;
    };
    const Part parts[] = {{"the step (wall)", &StepWorkers::Split::wall},
                          {"CPU of the calling thread", &StepWorkers::Split::callerCpu},
                          {"CPU of the helper", &StepWorkers::Split::helperCpu},
                          {"the helper's start after the step's", &StepWorkers::Split::helperLate},
                          {"the calling thread's wait for it", &StepWorkers::Split::callerWait}};
    std::printf("  %s, %zu steps (ms: median, p90, p99):\n", title, splits.size());
    for (const Part& part : parts) {
        std::vector<double> ms;
        for (const StepWorkers::Split& sp : splits)
            ms.push_back(double(sp.*part.field) / 1e6);
        std::printf("    %-40s %6.1f %6.1f %6.1f\n", part.name, Median(ms), Percentile(ms, 0.9), Percentile(ms, 0.99));
    }
}
void PrintTrace(const std::vector<Traced>& traced)
{
    struct Stage {
        const char* name;
        qint64 DetectionCycle::StepTrace::*from, DetectionCycle::StepTrace::*to;
    };
    using T = DetectionCycle::StepTrace;
    const Stage stages[] = {
        {"edge read by the IO thread -> wait begins", &T::edgeRead, &T::delayEnded},
        {"edge taken -> step's wait begins", &T::edgeSeen, &T::delayEnded},
        {"wait begins -> last frame delivered", &T::delayEnded, &T::newestFrame},
        {"  wait begins -> first frame delivered", &T::delayEnded, &T::firstFrame},
        {"  first frame -> last (the cameras' spread)", &T::firstFrame, &T::newestFrame},
        {"  wait begins -> first camera judged meanwhile", &T::delayEnded, &T::firstJudged},
        {"last frame -> the pass that takes it", &T::newestFrame, &T::passStart},
        {"pass: new frames copied", &T::passStart, &T::handedOver},
        {"copied -> engine step ended", &T::handedOver, &T::judged},
        {"  copied -> the engine's work begins", &T::handedOver, &T::engineStart},
        {"  the engine's work on the cameras", &T::engineStart, &T::engineEnd},
        {"  the engine's work -> step ended", &T::engineEnd, &T::judged},
        {"engine ended -> pictures handed on", &T::judged, &T::pictures},
        {"pictures -> verdict ended (counts)", &T::pictures, &T::verdict},
        {"edge taken -> output word handed on", &T::edgeSeen, &T::flushed},
    };
    auto row = [](const char* name, const std::vector<double>& ms) {
        if (!ms.empty())
            std::printf("    %-40s %6.1f %6.1f %6.1f  (%zu)\n", name, Median(ms), Percentile(ms, 0.9),
                        Percentile(ms, 0.99), ms.size());
    };
    std::printf("  one step's way through the cycle, %zu good steps (ms: median, p90, p99):\n", traced.size());
    for (const Stage& st : stages) {
        std::vector<double> ms;
        for (const auto& t : traced)
            if (t.t.*st.from > 0 && t.t.*st.to >= t.t.*st.from)
                ms.push_back(double(t.t.*st.to - t.t.*st.from) / 1e6);
        row(st.name, ms);
    }
    std::vector<double> handed, rest, io;
    for (const auto& t : traced) {
        // A woken IO thread may write the word before the GUI thread stamps its hand-over.
        if (t.t.flushed > 0 && t.sent >= t.t.edgeSeen)
            handed.push_back(double(std::max<qint64>(0, t.sent - t.t.flushed)) / 1e6);
        if (t.t.edgeRead > 0 && t.sent >= t.t.edgeRead)
            rest.push_back(t.ms - double(t.sent - t.t.edgeRead) / 1e6);
        if (t.t.edgeSeen > 0 && t.t.flushed >= t.t.edgeSeen)
            io.push_back(t.ms - double(t.t.flushed - t.t.edgeSeen) / 1e6);
    }
    std::vector<double> early;
    for (const auto& t : traced)
        early.push_back(t.t.judgedEarly);
    row("cameras judged before the last frame (count)", early);
    row("word handed on -> written to the line", handed);
    row("board: edge -> read, word -> received", rest);
    row("IO link: edge in and word out (all)", io);
    // The two halves of the line on one clock (the board's stamps are whole ms).
    auto edgeIn = [](const Traced& t) {
        return t.boardIn > 0 && t.t.edgeRead > 0 ? double(t.t.edgeRead - t.boardIn) / 1e6 : -1.0;
    };
    auto wordOut = [](const Traced& t) {
        return t.boardOut > 0 && t.sent > 0 ? double(t.boardOut - t.sent) / 1e6 : -1.0;
    };
    std::vector<double> in, out;
    for (const auto& t : traced) {
        if (edgeIn(t) > -1.0)
            in.push_back(edgeIn(t));
        if (wordOut(t) > -1.0)
            out.push_back(wordOut(t));
    }
    std::vector<double> polled, answered;
    for (const auto& t : traced)
        if (t.boardPolled > 0 && t.boardIn > 0 && t.t.edgeRead > 0) {
            polled.push_back(double(t.boardPolled - t.boardIn) / 1e6);
            answered.push_back(double(t.t.edgeRead - t.boardPolled) / 1e6);
        }
    row("board's edge -> read by the IO thread", in);
    row("  edge -> the board answers a poll", polled);
    row("  answer -> read by the IO thread", answered);
    row("word written -> the board has it", out);
    std::vector<StepWorkers::Split> splits;
    for (const auto& t : traced)
        splits.push_back(t.split);
    PrintSplit("the engine's threads in the cycle", splits);
    // The slowest steps stage by stage: what a p99 step waited on.
    std::vector<size_t> order(traced.size());
    for (size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return traced[a].ms > traced[b].ms; });
    std::printf("  the slowest steps (ms: edge to word, then the stages above in order, then the line's edge in (of it from the board's answer) and word out):\n");
    for (size_t k = 0; k < std::min<size_t>(5, order.size()); ++k) {
        const Traced& t = traced[order[k]];
        std::printf("    %6.1f:", t.ms);
        for (const Stage& st : stages)
            std::printf(" %6.1f", t.t.*st.from > 0 && t.t.*st.to >= t.t.*st.from
                                      ? double(t.t.*st.to - t.t.*st.from) / 1e6 : -1.0);
        std::printf("  | %6.1f (%5.1f) %6.1f\n", edgeIn(t),
                    t.boardPolled > 0 && t.t.edgeRead > 0 ? double(t.t.edgeRead - t.boardPolled) / 1e6 : -1.0, wordOut(t));
    }
}
}  // namespace

int main(int argc, char** argv)
{
    ReturnFrameBlocksWhenFreed();  // as the monitor's own start does
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    auto arg = [&](const char* name, int def) {
        const int i = args.indexOf(QLatin1String(name));
        return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : def;
    };
    const int cycles = arg("--cycles", args.contains(QLatin1String("--memory")) ? 50 : 20);
    const int threads = arg("--threads", 0);
    if (args.contains(QLatin1String("--memory")))
        return RunMemoryCases(app.applicationFilePath(), cycles, threads);
    kCameras = std::clamp(arg("--cameras", 8), 1, 8);
    const bool oneInput = args.contains(QLatin1String("--one-input"));
    const int ngEvery = oneInput ? 0 : arg("--ng-every", 0);
    const bool colour = args.contains(QLatin1String("--colour"));
    const int fps = arg("--fps", 10);
    gBusyWait = args.contains(QLatin1String("--busy-wait"));
    if (const int i = args.indexOf(QLatin1String("--size")); i >= 0 && i + 1 < args.size()) {
        kW = args[i + 1].section(QLatin1Char('x'), 0, 0).toInt();
        kH = args[i + 1].section(QLatin1Char('x'), 1, 1).toInt();
        if (kW < 64 || kH < 64)
            return 2;
    }

    // Pictures of a wrong verdict are kept where the bench was started.
    std::unique_ptr<FrameCheck> frameCheck;
    if (args.contains(QLatin1String("--check-frames")))
        frameCheck = std::make_unique<FrameCheck>(QDir::currentPath());
    int cycleNo = 0;

    QTemporaryDir dir;
    if (!VerifiedCopy::CopyTree(QStringLiteral(MOJU_TEMPLATE_DIR), dir.path()))
        return 1;
    QDir::setCurrent(dir.path());
    const QString sim = dir.filePath(QStringLiteral("simcam"));
    if (QProcess::execute(QStringLiteral(MKMOULD_PATH),
                          {QStringLiteral("--cameras"), QString::number(kCameras), QStringLiteral("--size"),
                           QStringLiteral("%1x%2").arg(kW).arg(kH), QStringLiteral("--templates"), dir.path(), sim})
        != 0)
        return 1;
    for (int k = 1; k <= kCameras; ++k) {
        QSettings ini(QStringLiteral("%1/mvs/MVS%2/device.ini").arg(sim).arg(k, 7, 10, QLatin1Char('0')),
                      QSettings::IniFormat);
        ini.setValue(QStringLiteral("fps"), fps);
    }
    // A part left in the first cavity: each device's second picture.
    for (int k = 1; k <= kCameras; ++k)
        if (!QFile::copy(QStringLiteral("%1/foreign-%2.png").arg(sim).arg(k),
                         QStringLiteral("%1/mvs/MVS%2/zz-foreign.png").arg(sim).arg(k, 7, 10, QLatin1Char('0'))))
            return 1;
    if (colour) {
        // Colour sensors, and the templates as a colour camera stores them.
        for (int k = 1; k <= kCameras; ++k) {
            const QString dev = QStringLiteral("%1/mvs/MVS%2").arg(sim).arg(k, 7, 10, QLatin1Char('0'));
            QSettings ini(dev + QStringLiteral("/device.ini"), QSettings::IniFormat);
            ini.setValue(QStringLiteral("color"), 1);
            ini.setValue(QStringLiteral("model"), QStringLiteral("MV-SIM-C"));
            for (int step = 1; step <= 2; ++step) {
                const QString t = QStringLiteral("%1/cammer%2%3/template0.bmp").arg(dir.path()).arg(k).arg(step);
                const QImage rgb = QImage(t).convertToFormat(QImage::Format_RGB32);
                if (rgb.isNull() || !WriteFrameBmp(t, rgb.constBits(), kW, kH, true))
                    return 1;
            }
        }
    }
    LoadLanguageTable();
    LoadSkinPixmaps();
    gAppDirPath = dir.path();
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("setup"));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        db.open();
        QSqlQuery q(db);
        // Semi-automatic: input 1 starts the cycle and the product step,
        // input 3 the mould step; no delays; 50 areas per camera and step.
        q.exec(QStringLiteral("UPDATE sysparam SET value='%1 1 0 -1 0 0 0 0 0' WHERE name='system1'")
                   .arg(oneInput ? 0 : 1));
        q.exec(QStringLiteral("UPDATE sysparam SET value='0 0 0 0 0 0 0 0' WHERE name='trigInDelay'"));
        // NG result pictures kept (20 per folder), as plants keep them.
        if (q.exec(QStringLiteral("SELECT value FROM sysparam WHERE name='system2'")) && q.next()) {
            QStringList v = q.value(0).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (v.size() >= 4) {
                v[3] = QStringLiteral("20");
                q.exec(QStringLiteral("UPDATE sysparam SET value='%1' WHERE name='system2'").arg(v.join(QLatin1Char(' '))));
            }
        }
        if (colour)  // colour cameras, judged on their grey channel
            q.exec(QStringLiteral("UPDATE sysparam SET value='0 1 1 0 0 0 1 0 0 0 0 0 0 0 1 1 1 1 0 0' WHERE name='system7'"));
        for (int c = 0; c < kCameras; ++c)
            q.exec(QStringLiteral("INSERT INTO cammer%1 VALUES('detect0', '50'), ('detect1', '50'), %2, %3")
                       .arg(c)
                       .arg(RoiRows(0, screen.width(), screen.height()).join(QLatin1String(", ")),
                            RoiRows(1, screen.width(), screen.height()).join(QLatin1String(", "))));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("setup"));
    qputenv("MOJU_SIMCAM", sim.toLocal8Bit());
    auto showAll = [&](int picture) {
        for (const auto& d : simcam::SimCamHub::instance().devices(QStringLiteral("mvs")))
            d->showPicture(picture);
    };
    // A device serves its pictures in turn until told otherwise: the foreign
    // part would then reach the live frames the templates are learned from.
    showAll(0);

    SimBoard board({QStringLiteral("--inputs"), QStringLiteral("2")});
    if (!board.waitForPath())
        return 1;
    QString boardCpus = QStringLiteral("the monitor's");
    if (const int i = args.indexOf(QLatin1String("--board-cpus")); i >= 0 && i + 1 < args.size()) {
        cpu_set_t set;
        CPU_ZERO(&set);
        for (const QString& c : args[i + 1].split(QLatin1Char(','), Qt::SkipEmptyParts))
            CPU_SET(c.toInt(), &set);
        if (sched_setaffinity(pid_t(board.pid()), sizeof set, &set) != 0) {
            std::fprintf(stderr, "cyclebench: the board cannot run on cores %s\n", qPrintable(args[i + 1]));
            return 1;
        }
        boardCpus = args[i + 1];
    }
    qputenv("MOJU_SERIAL_DEVICE", board.path().toLocal8Bit());

    // Start-up: the board's clock at construction, then its stamp of the
    // output word the idle monitor holds once its cameras deliver.
    if (!board.sync())
        return 1;
    const double boardAtStart = board.linesStarting(QStringLiteral("STATUS ")).last().section(QLatin1Char(' '), 1, 1).toDouble();
    // The board's ms 0 on the steady clock, where it tells it.
    qint64 boardZeroNs = 0;
    for (const QString& f : board.linesStarting(QStringLiteral("STATUS ")).last().split(QLatin1Char(' ')))
        if (f.startsWith(QLatin1String("zero=")))
            boardZeroNs = f.mid(5).toLongLong();
    qint64 stepIn = 0, stepOut = 0, stepPolled = 0;  // the last step's board stamps on the monitor's clock
    QElapsedTimer sinceSync;
    sinceSync.start();
    RaRoWizard win;
    if (!win.isBuilt() || win.numCamera() != kCameras) {
        std::fprintf(stderr, "cyclebench: %d cameras open\n", win.numCamera());
        return 1;
    }
    const double built = double(sinceSync.elapsed());
    // The peak of the start-up alone (training every camera), before a cycle runs.
    const double peakAtStart = ResidentMb();
    win.detection()->setJudgeThreads(threads);
    Wait([&] { return win.detection()->frameCount[kCameras - 1] > 5; }, 10000);
    board.sync();
    const QStringList startOuts = board.linesStarting(QStringLiteral("OUT "));
    const double idleWordMs = startOuts.isEmpty() ? -1
        : startOuts.last().section(QLatin1Char(' '), 1, 1).toDouble() - boardAtStart;
    const QString idleWord = startOuts.isEmpty() ? QString() : startOuts.last().section(QLatin1Char(' '), 2, 2);
    auto printStartUp = [&]() {
        std::printf("  start-up: window built in %.2f s; idle output word %s on the wire at %.2f s\n", built / 1000.0,
                    qPrintable(idleWord), idleWordMs / 1000.0);
        for (const RaRoWizard::StartStage& t : win.startTimes())
            std::printf("    %-44s %5lld ms (at %5lld ms)\n", qPrintable(t.name), static_cast<long long>(t.tookMs),
                        static_cast<long long>(t.atMs));
    };
    if (args.contains(QLatin1String("--startup"))) {
        std::printf("cyclebench --startup: %d %s cameras, %dx%d\n", kCameras, colour ? "colour" : "grey", kW, kH);
        printStartUp();
        std::printf("  peak (VmHWM) once the window is built: %.0f MB, at the idle word: %.0f MB\n", peakAtStart,
                    ResidentMb());
        std::fflush(stdout);
        dir.remove();
        std::_Exit(0);
    }
    // The first step would wait for the cameras to settle: time the cycles after that.
    Wait([&] { return win.detection()->CamerasSettled(); }, 5000);
    // Every camera has sent a few frames of the picture now shown. A loaded
    // host delivers late: a fixed wait let a frame of the foreign part become
    // a template, and every good cycle after it was judged NG.
    auto freshFrames = [&]() {
        std::vector<int> seen(static_cast<size_t>(kCameras), 0);
        for (int c = 0; c < kCameras; ++c)
            seen[size_t(c)] = win.detection()->frameCount[c];
        // One frame may wait in the acquisition buffer and one be on its way,
        // both of the picture shown before: the third is of the new one.
        auto late = [&] {
            for (int c = 0; c < kCameras; ++c)
                if (win.detection()->frameCount[c] <= seen[size_t(c)] + 2)
                    return c;
            return -1;
        };
        Wait([&] { return late() < 0; }, 20000);
        if (const int c = late(); c >= 0) {
            std::fprintf(stderr, "cyclebench: camera %d sent no frame of the picture shown within 20 s\n", c + 1);
            return false;
        }
        return true;
    };
    // Shown, as on the panel: the live views paint their display pictures.
    win.show();
    if (!freshFrames())
        return 1;
    if (colour) {
        // The colour stand-in's demosaicing differs from the drawn picture:
        // learn template 0 of both steps from the live frame, as a setter does.
        for (int c = 0; c < kCameras; ++c)
            for (int g = 0; g < 2; ++g) {
                win.cammerWidget[c]->SaveReTrainImage(g);
                win.cammerWidget[c]->engine->VarTrain(g);
            }
    }

    // Time from the board raising input `bit` to its word `answer`.
    auto step = [&](int bit, const QString& answer, double& ms) {
        const int insBefore = board.linesStarting(QStringLiteral("IN ")).size();
        const int outsBefore = board.linesStarting(QStringLiteral("OUT ")).size();
        board.send(QStringLiteral("set %1").arg(bit));
        Wait([&] {
            const QStringList outs = board.linesStarting(QStringLiteral("OUT "));
            return outs.size() > outsBefore && outs.last().endsWith(answer);
        }, 5000);
        const QStringList ins = board.linesStarting(QStringLiteral("IN "));
        const QStringList outs = board.linesStarting(QStringLiteral("OUT "));
        board.send(QStringLiteral("clr %1").arg(bit));
        Wait([&] { return board.linesStarting(QStringLiteral("IN ")).size() > insBefore + 1; }, 2000);
        // The inputs are read as levels, a link pass and a polling pass
        // apart: raised again before a pass saw it low, the input makes no
        // edge (with --one-input the next step raised it 1 ms later).
        Wait([&] { return gpControlIO && gpControlIO->IOState(0, bit) == 0; }, 2000);
        const int g = bit == 0 ? 0 : 1;
        if (ins.size() <= insBefore || outs.size() <= outsBefore || !outs.last().endsWith(answer)) {
            std::fprintf(stderr, "cyclebench: no %s after input %d (last %s)\n", qPrintable(answer), bit + 1,
                         qPrintable(outs.value(outs.size() - 1)));
            const QStringList& all = board.lines();
            for (qsizetype k = std::max<qsizetype>(0, all.size() - 12); k < all.size(); ++k)
                if (!all[k].startsWith(QLatin1String("RX ")))
                    std::fprintf(stderr, "  board: %s\n", qPrintable(all[k]));
            std::fprintf(stderr, "  verdict %d, run %d, waiting %d\n", win.cycle().verdictState, win.cycle().runState,
                         int(win.detection()->AwaitingFrames()));
            // The board's last input changes: a low too short for the link to read is no edge.
            for (int k = std::max(0, insBefore - 2); k < ins.size(); ++k)
                std::fprintf(stderr, "  cycle %d, board %s\n", cycleNo, qPrintable(ins[k]));
            if (frameCheck) {
                frameCheck->reportNg(win, kCameras, cycleNo, g);
                frameCheck->check(win, kCameras, cycleNo, g, FrameCheck::Good);
            }
            for (int c = 0; c < kCameras; ++c)
                std::fprintf(stderr, "  camera %d: %s, first areas %d %d %d, brightness %d\n", c + 1,
                             win.cammerWidget[c]->cameraOK ? "OK" : "NG", win.cammerWidget[c]->roiValue[0][0],
                             win.cammerWidget[c]->roiValue[0][1], win.cammerWidget[c]->roiValue[0][45],
                             win.cammerWidget[c]->Brightness());
            return false;
        }
        ms = outs.last().section(QLatin1Char(' '), 1, 1).toDouble() - ins[insBefore].section(QLatin1Char(' '), 1, 1).toDouble();
        if (boardZeroNs > 0) {
            stepIn = boardZeroNs + ins[insBefore].section(QLatin1Char(' '), 1, 1).toLongLong() * 1000000;
            stepOut = boardZeroNs + outs.last().section(QLatin1Char(' '), 1, 1).toLongLong() * 1000000;
            // The first poll the board received after it raised the input: its answer carried the edge.
            const QStringList& all = board.lines();
            const qsizetype at = all.lastIndexOf(ins[insBefore]);
            stepPolled = 0;
            for (qsizetype k = at + 1; at >= 0 && k < all.size() && !stepPolled; ++k)
                if (all[k].startsWith(QLatin1String("RX ")) && all[k].section(QLatin1Char(' '), 2, 3) == QLatin1String("5F 02"))
                    stepPolled = boardZeroNs + all[k].section(QLatin1Char(' '), 1, 1).toLongLong() * 1000000;
        }
        if (frameCheck)
            frameCheck->check(win, kCameras, cycleNo, g, FrameCheck::Good);
        return true;
    };
    // An NG cycle: the mould step sees the part, the alarm holds the
    // machine; the part is removed and the operator's re-check clears it.
    const double idleMb = ResidentMb("VmRSS:");
    PeakMap peakMap;
    auto ngCycle = [&]() {
        double product = 0;
        peakMap.phase = "NG cycle, product step";
        if (!step(0, QStringLiteral("0x00F5"), product))
            return false;
        peakMap.phase = "NG cycle, foreign frames";
        showAll(1);
        if (!freshFrames())
            return false;
        peakMap.phase = "NG cycle, mould step to the alarm";
        board.send(QStringLiteral("set 2"));
        Wait([&] { return win.cycle().verdictState == VerdictAlarm; }, 5000);
        peakMap.phase = "NG cycle, alarm standing";
        const bool alarmed = win.cycle().verdictState == VerdictAlarm;
        if (frameCheck && alarmed)
            frameCheck->check(win, kCameras, cycleNo, 1, FrameCheck::Foreign);
        board.send(QStringLiteral("clr 2"));
        showAll(0);
        if (!freshFrames())
            return false;
        // The operator checks again while the part is removed; a second
        // check if the first one still saw it.
        peakMap.phase = "NG cycle, re-check";
        for (int attempt = 0; attempt < 2 && win.cycle().verdictState == VerdictAlarm; ++attempt) {
            win.detection()->Rejudge(win.numCamera(), ClearOther, win.cycle().alarmId);
            Wait([&] { return win.cycle().verdictState != VerdictAlarm; }, 5000);
        }
        if (!alarmed || win.cycle().verdictState == VerdictAlarm) {
            std::fprintf(stderr, "cyclebench: NG cycle %s\n", alarmed ? "did not clear" : "raised no alarm");
            return false;
        }
        return true;
    };
    std::vector<double> latency;
    int ngCycles = 0;
    // --trace: each good step's way through the cycle, beside its edge-to-output time.
    const bool trace = args.contains(QLatin1String("--trace"));
    std::vector<Traced> traced;
    const bool mapPeak = args.contains(QLatin1String("--peak-map"));
    if (mapPeak) {
        peakMap.waiting = [&win](size_t& pictures, size_t& ring) {
            for (int c = 0; c < kCameras; ++c) {
                ring += win.cammerWidget[c]->recentNg.HeldBytes().waiting;
                QMutexLocker lock(pMutexSaveFail);
                for (const auto& step : gpFailImage[c])
                    for (const QImage& picture : step)
                        pictures += size_t(picture.sizeInBytes());
            }
        };
        peakMap.start();
    }
    for (int n = 0; n < cycles; ++n) {
        cycleNo = n + 1;
        if (n > 0 && n % 100 == 0)  // the peak as a long run goes on
            std::fprintf(stderr, "cyclebench: %d cycles, VmHWM %.0f MB\n", n, ResidentMb());
        if (ngEvery > 0 && n % ngEvery == ngEvery - 1) {
            if (!ngCycle())
                return 1;
            ++ngCycles;
            continue;
        }
        peakMap.phase = "good cycle";
        double product = 0, mould = 0;
        if (oneInput) {
            if (!step(0, QStringLiteral("0x00F4"), mould))
                return 1;
            latency.push_back(mould);
            continue;
        }
        if (!step(0, QStringLiteral("0x00F5"), product))
            return 1;
        const DetectionCycle::StepTrace productTrace = win.detection()->lastTrace();
        const StepWorkers::Split productSplit = StepWorkers::instance().lastSplit();
        const qint64 productSent = gDataOutSentNs.load();
        const qint64 productIn = stepIn, productOut = stepOut, productPolled = stepPolled;
        if (!step(2, QStringLiteral("0x00F4"), mould))
            return 1;
        latency.push_back(product);
        latency.push_back(mould);
        if (trace) {
            traced.push_back({productTrace, product, productSent, productIn, productOut, productPolled, productSplit});
            traced.push_back({win.detection()->lastTrace(), mould, gDataOutSentNs.load(), stepIn, stepOut, stepPolled,
                              StepWorkers::instance().lastSplit()});
        }
    }
    const double peakAfterCycles = ResidentMb();
    peakMap.stop();

    // The engine alone on the same cameras and step.
    std::vector<CammerRecong*> engines;
    for (CammerWidget* w : win.cammerWidget)
        engines.push_back(w->engine);
    const int t = threads > 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency()));
    std::vector<double> engine;
    std::vector<StepWorkers::Split> aloneSplits;
    for (int n = 0; n < std::min(cycles, 20); ++n) {
        for (int g = 0; g < 2; ++g) {
            const auto a = std::chrono::steady_clock::now();
            InspectStep::Run(engines, g, std::min(t, kCameras));
            engine.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - a).count());
            aloneSplits.push_back(StepWorkers::instance().lastSplit());
            g_listParamROI.clear();
        }
    }
    int ok = 0;
    for (int c = 0; c < kCameras; ++c)
        ok += win.cammerWidget[c]->cameraOK;
    std::printf("cyclebench: %d %s cameras x 50 ROIs (40 Defect, 10 Similarity), %dx%d at %d fps, %d engine threads, %d cycles (2 steps each%s, %d NG), %d cameras OK\n",
                kCameras, colour ? "colour" : "grey", kW, kH, fps, t, cycles,
                oneInput ? " on input 1, timed to the second's word" : "", ngCycles, ok);
    printStartUp();
    std::printf("  simulated IO board on cores: %s\n", qPrintable(boardCpus));
    std::printf("  resident memory at idle: %.0f MB; peak (VmHWM) once the window is built: %.0f MB, after the cycles: %.0f MB\n",
                idleMb, peakAtStart, peakAfterCycles);
    std::printf("  the monitor alone (peak less the simulated cameras' %.0f MB of pictures): %.0f MB\n", SimCameraMb(),
                peakAfterCycles - SimCameraMb());
    std::printf("  input edge to answering output word: median %.1f ms, p90 %.1f ms, p99 %.1f ms, max %.1f ms\n",
                Median(latency), Percentile(latency, 0.9), Percentile(latency, 0.99),
                *std::max_element(latency.begin(), latency.end()));
    std::printf("  engine step alone:                   median %.1f ms, p90 %.1f ms, p99 %.1f ms\n", Median(engine),
                Percentile(engine, 0.9), Percentile(engine, 0.99));
    // A zero-delay step waits for the next frame: at best a frame period
    // and the engine's step after the edge.
    const double period = 1000.0 / std::max(1, fps);
    std::printf("  p99 against a frame period (%.0f ms) and the engine's step: %.1f ms vs %.1f ms (median step), %.1f ms (p99 step)\n",
                period, Percentile(latency, 0.99), period + Median(engine), period + Percentile(engine, 0.99));
    std::printf("  added by the cycle (medians):        %.1f ms (goal <= 25 ms)\n", Median(latency) - Median(engine));
    if (trace && !traced.empty()) {
        PrintTrace(traced);
        PrintSplit("the engine's threads alone", aloneSplits);
    }
    if (mapPeak)
        peakMap.print();
    if (args.contains(QLatin1String("--breakdown"))) {
        PrintBufferBreakdown(win, kCameras);
        PrintEngineBreakdown(win, kCameras);
    }
    std::fflush(stdout);
    // _Exit skips the destructors: the working folder (pictures, templates;
    // hundreds of MB at 2448x2048) would stay behind in /tmp.
    dir.remove();
    std::_Exit(0);
}
