#include "SaveFialImageThread.h"

#include "network/VUR_Net.h"
#include "records/JpegFile.h"
#include "params/FramePack.h"
#include "platform/SafeWrite.h"
#include "params/WizardPara.h"
#include "foundation/VisionGlobals.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QThreadPool>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstring>
#include <utility>
#include <vector>

QImage gpFailImage[8][8][2];
PackedPicture gPackedFail[8][8][2];
std::vector<uint8_t> gCodedFail[8][8][2];
bool gisSaveFail[8][8][2] = {};
int gFailIndex[8][8] = {};
namespace {
QMutex gSaveFailMutex;
}
QMutex* pMutexSaveFail = &gSaveFailMutex;
int gPicNumNG = 0;
int gPicNumOK = 0;
SaveFialImageThread* gpSaveFialImageThread = nullptr;

QString ResultFolder(int camera, int step, int slot)
{
    return QStringLiteral("./alarmimage/camera%1/detect%2/%3")
        .arg(camera + 1)
        .arg(step + 1)
        .arg(slot == 0 ? QStringLiteral("NG") : QStringLiteral("OK"));
}

bool MakeResultFolders(int cameras)
{
    bool ok = true;
    for (int c = 0; c < cameras && c < 8; ++c)
        for (int s = 0; s < 8; ++s)
            for (int slot = 0; slot < 2; ++slot)
                ok &= QDir().mkpath(ResultFolder(c, s, slot));
    return ok;
}

qint64 NextPictureNumber(const QStringList& folders)
{
    // Only names this program writes count (ten digits, then the time), so a
    // stray file can neither overflow the counter nor hide the newest picture,
    // and names keep sorting in the order they were written.
    static const QRegularExpression own(
        QStringLiteral("^(\\d{10})_\\d{4}-\\d\\d-\\d\\d_\\d\\d\\.\\d\\d\\.\\d\\d\\.\\d{3}\\.jpg$"));
    qint64 largest = 0;
    for (const QString& folder : folders) {
        const QStringList names = QDir(folder).entryList({QStringLiteral("*.jpg")}, QDir::Files);
        for (const QString& name : names) {
            const QRegularExpressionMatch m = own.match(name);
            if (m.hasMatch())
                largest = qMax(largest, m.captured(1).toLongLong());
        }
    }
    return qMin(largest + 1, kMaxPictureNumber);
}

QString PictureFileName(qint64 n)
{
    return QStringLiteral("%1_%2.jpg")
        .arg(n, 10, 10, QLatin1Char('0'))
        .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss.zzz")));
}

PackedPicture PackPicture(const QImage& picture)
{
    const int w = picture.width(), h = picture.height();
    if (picture.format() != QImage::Format_RGB888 || h <= kPictureHeadRows
        || picture.bytesPerLine() != qsizetype(w) * 3)
        return {};
    PackedPicture p;
    if (!CompressFrame(picture.constScanLine(kPictureHeadRows), w, h - kPictureHeadRows, 3, p.rest))
        return {};
    p.head = picture.copy(0, 0, w, kPictureHeadRows);
    p.height = h;
    return p;
}

QImage UnpackPicture(const PackedPicture& packed)
{
    const int w = packed.head.width(), rows = packed.head.height();
    if (packed.isNull() || packed.height <= rows)
        return {};
    QImage picture(w, packed.height, QImage::Format_RGB888);
    if (picture.isNull() || picture.bytesPerLine() != qsizetype(w) * 3)
        return {};
    for (int y = 0; y < rows; ++y)
        std::memcpy(picture.scanLine(y), packed.head.constScanLine(y), size_t(w) * 3);
    if (!DecompressFrame(packed.rest, w, packed.height - rows, 3, picture.scanLine(rows)))
        return {};
    return picture;
}

namespace {
bool IsWhole(const QImage& picture)
{
    return picture.width() == gImageW && picture.height() == gImageH;
}

// A slot's picture, its packed one and its coded one, taken out (under pMutexSaveFail).
void TakeSlot(int c, int s, int slot, QImage& picture, PackedPicture& packed, std::vector<uint8_t>& coded)
{
    picture = std::exchange(gpFailImage[c][s][slot], QImage());
    packed = std::exchange(gPackedFail[c][s][slot], PackedPicture());
    coded = std::exchange(gCodedFail[c][s][slot], std::vector<uint8_t>());
}

// Packs and codes pictures off the GUI thread, two at a time, at normal
// priority (the saver's low one let them wait at frame size).
QThreadPool& PictureWorkers()
{
    static QThreadPool workers;
    workers.setMaxThreadCount(2);
    return workers;
}

// The slot's picture at frame size: the one drawn, newer than a packed one,
// else the packed one unpacked; both let go of what they held.
QImage WholePicture(QImage picture, PackedPicture packed)
{
    if (IsWhole(picture) || packed.isNull())
        return picture;
    return UnpackPicture(packed);
}
}  // namespace

void PackWaitingPictures(int cameras)
{
    // During an alarm the machine is held and no step runs: the pictures
    // would otherwise wait at frame size past the re-check.
    QMutexLocker lock(pMutexSaveFail);
    for (int c = 0; c < qBound(0, cameras, 8); ++c)
        for (int s = 0; s < 8; ++s)
            for (int slot = 0; slot < 2; ++slot) {
                const QImage& drawn = gpFailImage[c][s][slot];
                if (gisSaveFail[c][s][slot] || !IsWhole(drawn))
                    continue;
                const QImage picture = drawn;  // shared: the slot keeps it while it is packed
                PictureWorkers().start([c, s, slot, picture] {
                    PackedPicture p = PackPicture(picture);
                    QMutexLocker lock(pMutexSaveFail);
                    // Unless the re-check drew into it (a copy then) or a newer one came.
                    if (!p.isNull() && gpFailImage[c][s][slot].constBits() == picture.constBits()) {
                        gpFailImage[c][s][slot] = QImage();
                        gPackedFail[c][s][slot] = std::move(p);
                    }
                });
            }
}

void CodeHandedPictures(int cameras, size_t budget)
{
    // On a busy host the nice-10 saver fell behind and a re-check's eight
    // pictures waited at frame size into the next cycle: past the budget
    // they are coded now. Nothing is dropped; the saver writes the coded
    // bytes in its turn.
    QMutexLocker lock(pMutexSaveFail);
    struct Waiting {
        int c, s, slot;
    };
    std::vector<Waiting> waiting;
    size_t bytes = 0;
    for (int c = 0; c < qBound(0, cameras, 8); ++c)
        for (int s = 0; s < 8; ++s)
            for (int slot = 0; slot < 2; ++slot)
                if (gisSaveFail[c][s][slot] && IsWhole(gpFailImage[c][s][slot])) {
                    waiting.push_back({c, s, slot});
                    bytes += size_t(gpFailImage[c][s][slot].sizeInBytes());
                }
    for (const Waiting& w : waiting) {
        if (bytes <= budget)
            break;
        const QImage picture = gpFailImage[w.c][w.s][w.slot];  // shared: the saver may still take it first
        bytes -= size_t(picture.sizeInBytes());
        PictureWorkers().start([w, picture] {
            std::vector<uint8_t> coded;
            if (!EncodeJpeg(picture, coded) || coded.empty())
                return;  // the saver codes it in its turn
            QMutexLocker lock(pMutexSaveFail);
            // Unless the saver took it or a newer one was drawn.
            if (gisSaveFail[w.c][w.s][w.slot] && gpFailImage[w.c][w.s][w.slot].constBits() == picture.constBits()) {
                gpFailImage[w.c][w.s][w.slot] = QImage();
                gCodedFail[w.c][w.s][w.slot] = std::move(coded);
            }
        });
    }
}

SaveFialImageThread::SaveFialImageThread(int cameras, std::atomic<qint64>* counter, QObject* parent)
    : QThread(parent)
    , m_cameras(qBound(0, cameras, 8))
    , m_counter(counter)
{
}

void SaveFialImageThread::Prune(const QString& folder, int limit)
{
    QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*.jpg")}, QDir::Files, QDir::Name);
    const int n = names.size();
    if (n < limit)
        return;
    // Together with the new picture the folder holds the limit; never index
    // past the listing (a limit of 0 removes them all).
    const int remove = qMin(n, n - limit + 1);
    for (int i = 0; i < remove; ++i)
        dir.remove(names[i]);
}

void SaveFialImageThread::nap(int ms)
{
    // Sleep in short slices so a stop request is seen promptly; pictures
    // handed over meanwhile are coded while they wait for their turn.
    QElapsedTimer t;
    t.start();
    while (!isInterruptionRequested()) {
        codeWaiting();
        const qint64 left = ms - t.elapsed();
        if (left <= 0)
            break;
        msleep(static_cast<unsigned long>(qMin<qint64>(left, 20)));
    }
}

void SaveFialImageThread::codeWaiting()
{
    const int steps = qBound(0, gDNum.load(), 8);
    for (int c = 0; c < m_cameras; ++c)
        for (int s = 0; s < 8; ++s)
            for (int slot = 0; slot < 2; ++slot) {
                QImage picture;
                PackedPicture packed;
                std::vector<uint8_t> coded;
                {
                    QMutexLocker lock(pMutexSaveFail);
                    if (!gisSaveFail[c][s][slot] || s >= steps) {
                        // Written, or withdrawn: its coded bytes go.
                        if (!m_coded[c][s][slot].empty())
                            std::vector<uint8_t>().swap(m_coded[c][s][slot]);
                        continue;
                    }
                    const QImage& drawn = gpFailImage[c][s][slot];
                    if (!IsWhole(drawn) && gPackedFail[c][s][slot].isNull() && gCodedFail[c][s][slot].empty())
                        continue;
                    TakeSlot(c, s, slot, picture, packed, coded);
                }
                picture = WholePicture(std::move(picture), std::move(packed));
                if (IsWhole(picture))
                    EncodeJpeg(std::move(picture), m_coded[c][s][slot]);
                else
                    m_coded[c][s][slot] = std::move(coded);
            }
}

void SaveFialImageThread::run()
{
    // Coding pictures as they are handed over must not take a core from
    // the step; nice applies to this thread alone.
    setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
    while (!isInterruptionRequested()) {
        sweepOnce();
        nap(m_timing.sweepMs);
    }
}

void SaveFialImageThread::sweepOnce()
{
    // The step count of now: a settings change may have raised it.
    const int steps = qBound(0, gDNum.load(), 8);
    for (int c = 0; c < m_cameras; ++c) {
        for (int s = 0; s < steps; ++s) {
            bool ng, ok;
            {
                QMutexLocker lock(pMutexSaveFail);
                ng = gisSaveFail[c][s][0];
                ok = gisSaveFail[c][s][1];
            }
            for (int slot = 0; slot < 2; ++slot) {
                if (!saveSlot(c, s, slot, ng))
                    continue;
                nap(slot == 0 && ng && ok ? m_timing.afterNgWithOkMs : m_timing.afterPictureMs);
                if (isInterruptionRequested())
                    return;
            }
            if (ng) {
                QMutexLocker lock(pMutexSaveFail);
                gFailIndex[c][s] = 0;
            }
        }
    }
}

bool SaveFialImageThread::saveSlot(int c, int s, int slot, bool ngPending)
{
    QImage picture;
    PackedPicture packed;
    std::vector<uint8_t> slotCoded;
    {
        QMutexLocker lock(pMutexSaveFail);
        if (!gisSaveFail[c][s][slot])
            return false;
        // Taken, not copied: the slot's memory goes once the file is written.
        TakeSlot(c, s, slot, picture, packed, slotCoded);
        gisSaveFail[c][s][slot] = false;
    }
    picture = WholePicture(std::move(picture), std::move(packed));
    // A picture drawn into the slot after the last one was coded is newer;
    // one coded in the slot was drawn after the one this thread coded.
    std::vector<uint8_t> coded = std::move(slotCoded.empty() ? m_coded[c][s][slot] : slotCoded);
    m_coded[c][s][slot].clear();
    const bool drawn = IsWhole(picture);
    if (!drawn && coded.empty()) {
        // A request without its picture: nothing to write, and no older file pruned for it.
        qWarning().noquote() << QStringLiteral("Result picture of camera %1, step %2, slot %3 missing")
                                    .arg(c + 1).arg(s + 1).arg(slot);
        return true;
    }
    // An OK picture waiting beside an NG one belongs to the same alarm.
    const bool toNg = slot == 0 || ngPending;
    const QString folder = ResultFolder(c, s, toNg ? 0 : 1);
    const int limit = toNg ? gPicNumNG : gPicNumOK;
    Prune(folder, limit);
    if (limit <= 0)
        return true;  // the folder keeps no pictures

    const qint64 number = m_counter ? m_counter->fetch_add(1) : 0;
    const QString path = QFileInfo(folder).absoluteFilePath() + QLatin1Char('/') + PictureFileName(number);
    if (drawn)
        EncodeJpeg(std::exchange(picture, QImage()), coded);
    const bool written = !coded.empty()
        && SafeWrite::Write(path, [&coded](QIODevice& d) {
               return d.write(reinterpret_cast<const char*>(coded.data()), qint64(coded.size())) == qint64(coded.size());
           });
    // The plant link hears only of pictures that exist.
    if (written && QFile::exists(path)) {
        const QString rel = QLatin1Char('.') + path.mid(QDir::currentPath().size());
        emit pictureSaved(path, rel);
    }
    return true;
}

void ConnectSaverToPlantLink(SaveFialImageThread* saver)
{
    if (!gpNet)
        return;
    // The link object lives on the GUI thread: the connection is queued there.
    QObject::connect(saver, &SaveFialImageThread::pictureSaved, gpNet,
                     [](const QString& absolutePath, const QString& relativePath) {
                         if (!gpWPara || !gpWPara->netEnabled || !PlantLinkUp())
                             return;
                         gpNet->VUR_SendAlarmPic(absolutePath);
                         gpNet->VUR_SendStatistics(relativePath);
                     });
}
