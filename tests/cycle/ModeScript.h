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

#include <QSqlDatabase>
#include <QSqlQuery>

// Parameter rows "key position value" (positions from 1); "idle <word>" when
// the word at rest is not F4; "step 2" for an area in a third step.
using Rows = QStringList;
// Script lines: good | bad (the scene) | in <n> (input n, 0-based, on and off
// again as the monitor sees it) | trigger (the camera's hardware line) | door
// (opened and closed) | door-ready (its lock-out over) | settled (no step
// running or shown) | manual <step> | expect <words since idle> | starts
// <words> | lasts <word> <ms> (the first time the word was sent, the monitor
// kept it at least that long) | held <from> (the alarm stands and every word
// from that index holds the clamp) | boxed <from> (the continuous-NG box
// stands, the same for the clamp) | clear (good scene, door opened and
// closed: the alarm ends) | confirm (the continuous-NG box is confirmed).
using Script = QStringList;

namespace ModeScript {

inline bool ClampHeld(const QString& word)
{
    return word.toUInt(nullptr, 16) & 1u;
}

// The whole-view defect area in step 2 as well (multi-detection's third step).
inline bool AddThirdStep()
{
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture-step2"));
        db.setDatabaseName(QStringLiteral("PARAM.db"));
        if (db.open()) {
            QSqlQuery q(db);
            ok = q.exec(QStringLiteral("INSERT INTO cammer0 VALUES('detect2', '1'), ('ROI2-0', '3 45 100 0 1 0 0 0 0 %1 %2')")
                            .arg(gShowW - 1)
                            .arg(gShowH - 1));
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fixture-step2"));
    QDir().mkpath(QStringLiteral("cammer13"));
    return BoardScene(false).save(QStringLiteral("cammer13/template0.bmp")) && ok;
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

// The board received the words sent, some perhaps left out, and ends on the
// last one once the link caught up.
inline void CheckWire(BoardRig& rig)
{
    QTRY_VERIFY2_WITH_TIMEOUT(rig.wireWords().value(rig.wireWords().size() - 1) == rig.words().last(),
                              qPrintable(rig.wireWords().join(QLatin1Char(' '))), 3000);
    QVERIFY2(Subsequence(rig.wireWords(), rig.words()), qPrintable(rig.wireWords().join(QLatin1Char(' '))));
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
            QTRY_VERIFY2_WITH_TIMEOUT(rig.words() == want, qPrintable(rig.words().join(QLatin1Char(' '))), 5000);
            CheckWire(rig);
        } else if (verb == QLatin1String("starts")) {
            const QStringList want = rest.split(QLatin1Char(' '));
            QTRY_VERIFY2_WITH_TIMEOUT(rig.words().mid(0, want.size()) == want,
                                      qPrintable(rig.words().join(QLatin1Char(' '))), 5000);
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
    QVERIFY(rig.prepare());
    QString idle = QStringLiteral("F4");
    for (const QString& r : rows) {
        const QStringList f = r.split(QLatin1Char(' '));
        if (f[0] == QLatin1String("idle"))
            idle = f[1];
        else if (f[0] == QLatin1String("step"))
            QVERIFY(AddThirdStep());
        else
            QVERIFY2(SetParamValue(f[0], f[1].toInt(), f[2].toInt()), qPrintable(r));
    }
    rig.start(idle, !rows.contains(QStringLiteral("system5 12 1")));  // capture on trigger: no free run
    if (QTest::currentTestFailed())
        return;
    Run(rig, script);
}

}  // namespace ModeScript
