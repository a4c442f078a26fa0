#pragma once
// Cycle modes on the wire: the simulated board plays the machine, the
// simulated camera the mould, and each row of a table sets parameters and
// runs a script that checks every output word the monitor sends (any of
// them can reach the board, however the link's passes fall) and that the
// board received them in order. A row with a faulty mould also checks that
// the clamp stays held through a new mould-open signal until the alarm is
// cleared.
#include "BoardCycle.h"

#include "app/ControlPort.h"
#include "app/gui/ContinuousNgWarnBox.h"
#include "widgets/ColorButton.h"

#include "records/ResStatisticsParam.h"

#include <QSqlDatabase>
#include <QSqlQuery>

#include <algorithm>

// Parameter rows "key position value" (positions from 1); "shipped" (the
// default group as it ships, not the rig's delays and log language; the
// other rows change it); "idle <word>" when
// the word at rest is not F4; "step 2" for an area in a third step; "mould
// corner" ("product corner") for a mould-step (product-step) area in a
// corner, away from the part a faulty scene shows; the camera: "fps <n>",
// "period <ms>", "scene <k>" (picture served from the start), "family
// galaxy" (frames just stop when pulled), "camera <fps>" (one more camera,
// without areas).
using Rows = QStringList;
// Script lines: good | bad (the scene) | in <n> (input n, 0-based, on and off
// again as the monitor sees it) | trigger (the camera's hardware line) | door
// (opened and closed) | door-ready (its lock-out over) | settled (no step
// running or shown) | manual <step> | expect <words since idle> | starts
// <words> | lasts <word> <ms> (the first time the word was sent, the monitor
// kept it at least that long) | held <from> (the alarm stands and every word
// from that index holds the clamp) | boxed <from> (the continuous-NG box
// stands, the same for the clamp) | clear (good scene, door opened and
// closed: the alarm ends) | confirm (the continuous-NG box is confirmed) |
// frames <n> (n more frames handed over) | after-frame (a frame was just
// handed over) | traced [early] (the last step's stamps in order; early:
// cameras were judged before its last frame) | waiting (a step waits for its frames) | unplug (the
// camera's frames stop) | deaf <ms> (the board drops all it receives for
// that long) | within <ms> (the last word sent came at most that
// long after the first one after idle) | lost <n> (camera-loss log lines) |
// stat <step> <ok|ng> <n> (the step's statistics of camera 1 today).
// In `expect` and `starts`, a word in parentheses is one the monitor
// replaces at once, so the board may never read it; every other word must
// reach the board, in order.
using Script = QStringList;

namespace ModeScript {

inline bool ClampHeld(const QString& word)
{
    return word.toUInt(nullptr, 16) & 1u;
}

// Runs one statement on PARAM.db of the working directory.
inline bool ExecParam(const QString& sql)
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture-mode"));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(sql);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture-mode"));
    return ok;
}

// The whole-view defect area in step 2 as well (multi-detection's third step).
inline bool AddThirdStep()
{
    const bool ok = ExecParam(
        QStringLiteral("INSERT INTO cammer0 VALUES('detect2', '1'), ('ROI2-0', '3 45 100 0 1 0 0 0 0 %1 %2')")
            .arg(gShowW - 1)
            .arg(gShowH - 1));
    QDir().mkpath(QStringLiteral("cammer13"));
    return BoardScene(false).save(QStringLiteral("cammer13/template0.bmp")) && ok;
}

// Step s's area in the top left corner, where the faulty scene's part is
// not: that step passes on it while the other one fails.
inline bool AreaInCorner(int s)
{
    return ExecParam(QStringLiteral("UPDATE cammer0 SET value='3 45 100 0 1 0 0 0 0 %1 %2' WHERE name='ROI%3-0'")
                         .arg(gShowW / 6)
                         .arg(gShowH / 6)
                         .arg(s));
}

// Each level is held until the monitor's polling pass has seen it, so no
// edge is lost however the passes and link polls fall.
inline void Level(BoardRig& rig, int bit, bool on)
{
    rig.board->send(QStringLiteral("%1 %2").arg(on ? "set" : "clr").arg(bit));
    QTRY_COMPARE_WITH_TIMEOUT(gpControlIO->IOState(0, bit), on ? 1 : 0, 3000);
}
inline void Input(BoardRig& rig, int bit)
{
    Level(rig, bit, true);
    Level(rig, bit, false);
}
inline void Door(BoardRig& rig, bool closed)
{
    Level(rig, 1, closed);
}

// Expected words: (W) is optional on the wire.
inline bool Optional(const QString& w)
{
    return w.startsWith(QLatin1Char('('));
}
inline QString Bare(const QString& w)
{
    return Optional(w) ? w.mid(1, w.size() - 2) : w;
}
inline QStringList BareWords(const QStringList& want)
{
    QStringList out;
    for (const QString& w : want)
        out << Bare(w);
    return out;
}

// Whether the board read exactly the expected words, each change once,
// where optional words may be missing.
inline bool WireMatches(const QStringList& wire, const QStringList& want)
{
    QList<int> optional;
    for (int k = 0; k < want.size(); ++k)
        if (Optional(want[k]))
            optional << k;
    for (int mask = 0; mask < (1 << optional.size()); ++mask) {
        QStringList read;
        for (int k = 0; k < want.size(); ++k) {
            const int o = int(optional.indexOf(k));
            if (o >= 0 && !(mask & (1 << o)))
                continue;
            if (read.isEmpty() || read.last() != Bare(want[k]))
                read << Bare(want[k]);
        }
        if (read == wire)
            return true;
    }
    return false;
}

// The board read the words sent: every word that must reach it did, in
// order; it ends on the last one once the link caught up.
inline void CheckWire(BoardRig& rig, const QStringList& want)
{
    QTRY_VERIFY2_WITH_TIMEOUT(rig.wireWords().value(rig.wireWords().size() - 1) == rig.words().last(),
                              qPrintable(rig.wireWords().join(QLatin1Char(' '))), 3000);
    QVERIFY2(WireMatches(rig.wireWords(), want),
             qPrintable(QStringLiteral("board read %1, expected %2")
                            .arg(rig.wireWords().join(QLatin1Char(' ')), want.join(QLatin1Char(' ')))));
}

// Camera-loss lines of the operation log ("The 1th Camera Lost, ..."), in
// the log's language.
inline int LostLines()
{
    const QString lost = LanStr(332).section(QStringLiteral("%2"), 0, 0).arg(1);
    const QStringList log = OperationLogRows();
    return int(std::count_if(log.cbegin(), log.cend(), [&](const QString& r) { return r.startsWith(lost); }));
}

// Today's OK or NG count of camera 1 in step s.
inline int StepCount(int s, bool ok)
{
    if (!gpResStatisticsParam)
        return -1;
    const CountDetect& d = gpResStatisticsParam->live().cams[0].steps[s];
    int n = 0;
    for (int v : ok ? d.ok : d.ng)
        n += v;
    return n;
}

inline void CheckClampHeldFrom(BoardRig& rig, int from)
{
    QVERIFY(rig.board->sync());
    const QStringList w = rig.words();
    for (int k = from; k < w.size(); ++k)
        QVERIFY2(ClampHeld(w[k]), qPrintable(w.join(QLatin1Char(' '))));
}

inline void Run(BoardRig& rig, const Script& script)
{
    for (const QString& line : script) {
        const QString verb = line.section(QLatin1Char(' '), 0, 0);
        const QString rest = line.section(QLatin1Char(' '), 1);
        if (verb == QLatin1String("good") || verb == QLatin1String("bad")) {
            rig.show(verb == QLatin1String("bad") ? 1 : 0);
        } else if (verb == QLatin1String("in")) {
            Input(rig, rest.toInt());
        } else if (verb == QLatin1String("door")) {
            Door(rig, false);
            Door(rig, true);
        } else if (verb == QLatin1String("manual")) {
            rig.win->SlotManualTrig(rest.toInt());
        } else if (verb == QLatin1String("expect")) {
            const QStringList want = rest.split(QLatin1Char(' '));
            QTRY_VERIFY2_WITH_TIMEOUT(rig.words() == BareWords(want), qPrintable(rig.words().join(QLatin1Char(' '))),
                                      rig.framesMs() + 5000);
            CheckWire(rig, want);
        } else if (verb == QLatin1String("starts")) {
            const QStringList want = rest.split(QLatin1Char(' '));
            QTRY_VERIFY2_WITH_TIMEOUT(rig.words().mid(0, want.size()) == BareWords(want),
                                      qPrintable(rig.words().join(QLatin1Char(' '))), 5000);
            QTRY_VERIFY2_WITH_TIMEOUT(rig.wireWords().size() >= want.size()
                                          && WireMatches(rig.wireWords().mid(0, want.size()), want),
                                      qPrintable(rig.wireWords().join(QLatin1Char(' '))), 3000);
        } else if (verb == QLatin1String("lasts")) {
            const QString word = rest.section(QLatin1Char(' '), 0, 0);
            const long want = rest.section(QLatin1Char(' '), 1, 1).toLong();
            const qint64 held = rig.sentHeldMs(word);
            // The pulse timers may end up to 5 % early.
            QVERIFY2(held >= want - 20, qPrintable(QStringLiteral("%1 held %2 ms").arg(word).arg(held)));
        } else if (verb == QLatin1String("trigger")) {
            QTRY_VERIFY_WITH_TIMEOUT(rig.sim->device(rig.family, rig.serial)->triggerMode(), 3000);
            rig.sim->device(rig.family, rig.serial)->trigger();
        } else if (verb == QLatin1String("settled")) {
            DetectionCycle* d = rig.win->detection();
            QTRY_VERIFY_WITH_TIMEOUT(d->CountdownLeft() < 0 && !d->AwaitingFrames() && !d->showTimer.isActive(), 5000);
        } else if (verb == QLatin1String("door-ready")) {
            // The door closed at start-up inspected the mould; it is locked out for 2 s.
            QTRY_VERIFY_WITH_TIMEOUT(!rig.win->detection()->safeDoorTimer.isActive(), 5000);
        } else if (verb == QLatin1String("held")) {
            QTRY_COMPARE_WITH_TIMEOUT(rig.cycle().verdictState, int(VerdictAlarm), 3000);
            CheckClampHeldFrom(rig, rest.toInt());
        } else if (verb == QLatin1String("boxed")) {
            QTRY_VERIFY_WITH_TIMEOUT(gContinuousNgWarnBox && gContinuousNgWarnBox->isVisible(), 3000);
            CheckClampHeldFrom(rig, rest.toInt());
        } else if (verb == QLatin1String("clear")) {
            rig.show(0);
            Door(rig, false);
            Door(rig, true);
            QTRY_VERIFY_WITH_TIMEOUT(rig.cycle().verdictState != VerdictAlarm, 5000);
        } else if (verb == QLatin1String("frames") || verb == QLatin1String("after-frame")) {
            const int seen = rig.win->detection()->frameCount[0];
            const int more = verb == QLatin1String("frames") ? rest.toInt() : 1;
            QTRY_VERIFY_WITH_TIMEOUT(rig.win->detection()->frameCount[0] >= seen + more, rig.framesMs());
        } else if (verb == QLatin1String("traced")) {
            // The last judged step's way through the cycle, in order: its
            // frames were delivered after its wait began (free-running
            // cameras) and copied before the engine ran; the output word
            // went to the link before the verdict's pictures and counts.
            const DetectionCycle::StepTrace t = rig.win->detection()->lastTrace();
            const qint64 order[] = {t.edgeSeen, t.delayEnded, t.newestFrame, t.handedOver, t.judged, t.flushed,
                                    t.pictures, t.verdict};
            QVERIFY(t.edgeSeen > 0);
            QVERIFY(t.newestFrame > t.delayEnded);
            QVERIFY(t.passStart <= t.handedOver);
            for (size_t k = 1; k < std::size(order); ++k)
                QVERIFY2(order[k - 1] <= order[k], qPrintable(QStringLiteral("stage %1").arg(k)));
            if (rest == QLatin1String("early"))  // cameras judged while the step waited for the rest
                QVERIFY(t.judgedEarly > 0 && t.firstJudged <= t.newestFrame);
        } else if (verb == QLatin1String("waiting")) {
            QTRY_VERIFY_WITH_TIMEOUT(rig.win->detection()->AwaitingFrames(), 3000);
        } else if (verb == QLatin1String("deaf")) {
            rig.board->send(QStringLiteral("deaf ") + rest);
        } else if (verb == QLatin1String("unplug")) {
            rig.sim->unplug(rig.family, rig.serial);
        } else if (verb == QLatin1String("within")) {
            const qint64 took = rig.sentMs.last() - rig.sentMs.value(rig.sentBase + 1);
            QVERIFY2(took <= rest.toInt(), qPrintable(QStringLiteral("%1 ms").arg(took)));
        } else if (verb == QLatin1String("lost")) {
            QCOMPARE(LostLines(), rest.toInt());
        } else if (verb == QLatin1String("stat")) {
            const QStringList f = rest.split(QLatin1Char(' '));
            QTRY_COMPARE_WITH_TIMEOUT(StepCount(f[0].toInt(), f[1] == QLatin1String("ok")), f[2].toInt(), 3000);
        } else if (verb == QLatin1String("confirm")) {
            QVERIFY(gContinuousNgWarnBox && gContinuousNgWarnBox->isVisible());
            gContinuousNgWarnBox->confirmButton()->click();
            QTRY_VERIFY_WITH_TIMEOUT(!gContinuousNgWarnBox->isVisible(), 3000);
        } else {
            QFAIL(qPrintable(QStringLiteral("unknown script line: ") + line));
        }
        if (QTest::currentTestFailed())
            return;
    }
}

// Builds the monitor with the row's parameters and runs its script.
inline void RunRow(const Rows& rows, const Script& script)
{
    BoardRig rig;
    for (const QString& r : rows) {
        const QStringList f = r.split(QLatin1Char(' '));
        if (f[0] == QLatin1String("fps"))
            rig.fps = f[1].toInt();
        else if (f[0] == QLatin1String("period"))
            rig.periodMs = f[1].toInt();
        else if (f[0] == QLatin1String("scene"))
            rig.scene = f[1].toInt();
        else if (f[0] == QLatin1String("family"))
            rig.family = f[1], rig.serial = QStringLiteral("GX0000001");  // galaxy: frames just stop when pulled
        else if (f[0] == QLatin1String("shipped"))
            rig.shipped = true;
        else if (f[0] == QLatin1String("camera"))
            rig.moreFps << f[1].toInt();
    }
    QVERIFY(rig.prepare());
    QString idle = QStringLiteral("F4");
    for (const QString& r : rows) {
        const QStringList f = r.split(QLatin1Char(' '));
        if (f[0] == QLatin1String("idle"))
            idle = f[1];
        else if (f[0] == QLatin1String("step"))
            QVERIFY(AddThirdStep());
        else if (f[0] == QLatin1String("mould") || f[0] == QLatin1String("product"))
            QVERIFY(AreaInCorner(f[0] == QLatin1String("mould") ? 1 : 0));
        else if (QStringList{"fps", "period", "scene", "family", "shipped", "camera"}.contains(f[0]))
            continue;
        else
            QVERIFY2(SetParamValue(f[0], f[1].toInt(), f[2].toInt()), qPrintable(r));
    }
    rig.start(idle, !rows.contains(QStringLiteral("system5 12 1")));  // capture on trigger: no free run
    if (QTest::currentTestFailed())
        return;
    Run(rig, script);
}

}  // namespace ModeScript
