#pragma once
// A whole monitor on the simulated IO board (tools/ioboard-sim on a
// pseudo-terminal) with one simulated camera whose picture a test switches
// between a good and a faulty scene. The words checked are every word the
// monitor sends and those the board receives.
#include "WizardFixture.h"

#include "SimCamFixture.h"
#include "SimIOBoard.h"
#include "app/ControlPort.h"
#include "app/DetectionCycle.h"
#include "app/IOLink.h"
#include "foundation/MainGlobals.h"
#include "app/gui/RaRoWizard.h"
#include "widgets/SkinPixmaps.h"

#include <QElapsedTimer>
#include <QPainter>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <memory>

inline QImage BoardScene(bool faulty)
{
    QImage img(160, 120, QImage::Format_Grayscale8);
    img.fill(70);
    QPainter p(&img);
    p.fillRect(30, 25, 100, 70, QColor(40, 40, 40));
    p.fillRect(50, 40, 60, 40, QColor(110, 110, 110));
    if (faulty)
        p.fillRect(60, 45, 30, 20, QColor(250, 250, 250));  // a part left behind
    return img;
}

// Output words the board received, each change once.
inline QStringList BoardWords(const SimBoard& board)
{
    QStringList words;
    for (const QString& l : board.linesStarting(QStringLiteral("OUT "))) {
        const QString w = l.section(QLatin1Char(' '), 2).right(2).toUpper();
        if (words.isEmpty() || words.last() != w)
            words << w;
    }
    return words;
}

// An output word as the board shows it (outputs 0-7).
inline QString WordText(quint32 word)
{
    return QStringLiteral("%1").arg(word & 0xFFu, 2, 16, QLatin1Char('0')).toUpper();
}

// Whether `part` is `whole` with some words left out.
inline bool Subsequence(const QStringList& part, const QStringList& whole)
{
    qsizetype i = 0;
    for (const QString& w : whole)
        if (i < part.size() && part[i] == w)
            ++i;
    return i == part.size();
}

// Every parameter row of PARAM.db back to the default group's file, so a
// test with it follows the group as it ships, whatever that holds; the
// defect areas stay.
inline bool LoadShippedGroup()
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture-shipped"));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("ATTACH DATABASE 'paraGroup/default/PARAM.db' AS shipped"))
                 && q.exec(QStringLiteral("UPDATE sysparam SET value=(SELECT s.value FROM shipped.sysparam s "
                                          "WHERE s.name=sysparam.name) WHERE name IN (SELECT name FROM shipped.sysparam)"))
                 && q.exec(QStringLiteral("DETACH DATABASE shipped"));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture-shipped"));
    return ok;
}

// Set up in this order: prepare() (then the test's parameter rows), start().
struct BoardRig {
    QString family = QStringLiteral("mvs");
    QString serial = QStringLiteral("MVS0000001");
    int fps = 50;
    int periodMs = 0;  // a camera slower than a frame a second
    int scene = 0;     // the picture served from the start (0 good, 1 faulty)
    bool shipped = false;  // the default group as it ships, not the rig's delays
    QList<int> moreFps;    // cameras 2.. at these rates, without areas

    // The working directory, camera and board; the default group (with the
    // rig's delays and English log lines unless `shipped`) with one defect
    // area over the whole view in steps 0 and 1.
    bool prepare()
    {
        dir = std::make_unique<TempWorkDir>();
        gisLost = 0;
        LoadSkinPixmaps();
        gAppDirPath = dir->path();
        bool ok = SetParamValue(QStringLiteral("system2"), 13, 1);      // English log lines
        ok = SetParamValue(QStringLiteral("trigInDelay"), 1, 1) && ok;  // product step 0.1 s after the trigger
        ok = SetParamValue(QStringLiteral("trigInDelay"), 2, 1) && ok;  // mould step 0.1 s after that
        ok = AddWholeViewDefectSteps(BoardScene(false)) && ok;
        if (shipped)
            ok = LoadShippedGroup() && ok;
        sim = std::make_unique<SimCamFolder>();
        sim->add(family, serial, {{"sensorWidth", 160}, {"sensorHeight", 120}, {"fps", fps}, {"periodMs", periodMs}});
        for (int k = 0; k < moreFps.size(); ++k)
            sim->add(QStringLiteral("mvs"), QStringLiteral("MVS%1").arg(k + 2, 7, 10, QLatin1Char('0')),
                     {{"sensorWidth", 160}, {"sensorHeight", 120}, {"fps", moreFps[k]}});
        const QString device = sim->devicePath(family, serial);
        // A slow camera serves its scene alone: switching would cost frames.
        if (!slow() || scene == 0)
            ok = BoardScene(false).save(device + QStringLiteral("/a-good.png")) && ok;
        if (!slow() || scene == 1)
            ok = BoardScene(true).save(device + QStringLiteral("/b-faulty.png")) && ok;
        board = std::make_unique<SimBoard>(QStringList{QStringLiteral("--inputs"), QStringLiteral("2")});  // door closed
        ok = board->waitForPath() && ok;
        qputenv("MOJU_SERIAL_DEVICE", board->path().toLocal8Bit());
        return ok;
    }
    ~BoardRig()
    {
        win.reset();
        board.reset();
        sim.reset();
        dir.reset();
        qunsetenv("MOJU_SERIAL_DEVICE");
    }
    // Builds the window and waits for the idle word and (free-running camera)
    // live frames; `base` and `sentBase` are then the indexes of that idle
    // word on the wire and among the words sent.
    void start(const QString& idle = QStringLiteral("F4"), bool freeRunning = true)
    {
        PopupAnswerer answers;
        win = std::make_unique<RaRoWizard>();
        QVERIFY(win->isBuilt());
        QCOMPARE(win->numCamera(), 1 + int(moreFps.size()));
        watchWords();
        if (freeRunning && !slow())
            show(scene);
        else
            sim->device(family, serial)->showPicture(slow() ? 0 : scene);
        QTRY_COMPARE_WITH_TIMEOUT(BoardWords(*board).value(BoardWords(*board).size() - 1), idle, 5000);
        if (freeRunning)
            QTRY_VERIFY_WITH_TIMEOUT(win->detection()->frameCount[0] > (slow() ? 0 : 2), framesMs());
        markIdle(idle);
    }
    // A frame a second or slower.
    bool slow() const { return periodMs >= 1000 || fps <= 1; }
    // Time for three frames of the camera, at least 3 s.
    int framesMs() const { return std::max(3000, 3 * (periodMs > 0 ? periodMs : 1000 / fps) + 1000); }
    // Records every word the window's port sends from now on.
    void watchWords()
    {
        QVERIFY(gpControlIO);
        clock.start();
        sent = QStringList{WordText(gDataOut.load())};
        sentMs = {0};
        gpControlIO->observeWords([this](quint32 word) {
            if (sent.last() != WordText(word)) {
                sent << WordText(word);
                sentMs << clock.elapsed();
            }
        });
    }
    // The board shows the idle word: words() and wireWords() start there.
    void markIdle(const QString& idle)
    {
        base = int(BoardWords(*board).size()) - 1;
        // Timed detection may have sent the next cycle's words meanwhile.
        sentBase = int(sent.lastIndexOf(idle));
        QVERIFY(sentBase >= 0);
    }
    // Serves picture k of the camera folder (0 good, 1 faulty) and waits until
    // a frame of it is in the work buffer.
    void show(int k)
    {
        sim->device(family, serial)->showPicture(k);
        if (!win)
            return;
        const int seen = win->detection()->frameCount[0];
        QTRY_VERIFY2_WITH_TIMEOUT(win->detection()->frameCount[0] > seen + 2,
                                  qPrintable(QStringLiteral("frames %1, lost %2").arg(win->detection()->frameCount[0]).arg(gisLost)),
                                  framesMs());
    }
    // Every output word the monitor sent since the idle word. The link takes
    // the newest word once per pass, so a word replaced at once may never
    // reach the wire; it is counted all the same, as under load it would.
    QStringList words() const { return sent.mid(sentBase); }
    // The words the board received since the idle word.
    QStringList wireWords() const { return BoardWords(*board).mid(base); }
    // How long (ms) the monitor kept `word` the first time it sent it after
    // the idle word; -1 when it was not sent or not yet replaced. Timed at
    // the monitor: the link's passes add their jitter to both ends on the
    // wire, which a loaded host stretches beyond any fair tolerance.
    qint64 sentHeldMs(const QString& word) const
    {
        const qsizetype i = sent.indexOf(word, sentBase);
        return i >= 0 && i + 1 < sent.size() ? sentMs[i + 1] - sentMs[i] : -1;
    }
    CycleState& cycle() { return win->cycle(); }

    std::unique_ptr<TempWorkDir> dir;
    std::unique_ptr<SimCamFolder> sim;
    std::unique_ptr<SimBoard> board;
    std::unique_ptr<RaRoWizard> win;
    QStringList sent;  // output words handed to the link, each change once
    QList<qint64> sentMs;  // when each was sent
    QElapsedTimer clock;
    int base = 0;
    int sentBase = 0;
};
