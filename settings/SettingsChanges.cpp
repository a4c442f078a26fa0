#include "SettingsChanges.h"

#include "SettingsHost.h"
#include "foundation/uitext.h"
#include "params/IOSetup.h"
#include "params/ParaRows.h"
#include "params/WizardPara.h"

#include <cstring>

namespace {

enum class Kind {
    Number,  // text 245 ", %1 is changed from %2 to %3"
    Switch,  // text 240 ", %1 is changed to " + 250 "active" / 251 "deactive"
};

struct LogRow {
    const char* key;
    int position;
    Kind kind;
    int caption;
};

// The log order; rows 1-3 and 8, 11, 25, 28 and 32 are written in code.
const LogRow kBeforeCameras[] = {
    {"system4", 14, Kind::Number, 22},  {"system4", 15, Kind::Number, 24},
    {"system1", 1, Kind::Switch, 174},  {"system1", 2, Kind::Switch, 175},
};
const LogRow kAfterPositioning[] = {
    {"system1", 3, Kind::Switch, 177},
    {"system4", 1, Kind::Switch, 400},
};
const LogRow kAfterCameras[] = {
    {"system2", 17, Kind::Number, 244},
    {"system7", 2, Kind::Switch, 270},        {"system7", 3, Kind::Switch, 271},
    {"numFailDetect", 3, Kind::Switch, 387},  {"numFailDetect", 4, Kind::Switch, 388},
    {"system7", 8, Kind::Switch, 337},
    {"system5", 12, Kind::Switch, 519},
    {"system3", 4, Kind::Switch, 196},        {"system3", 5, Kind::Switch, 197},
    {"system3", 6, Kind::Switch, 198},        {"system3", 7, Kind::Switch, 199},
    {"system3", 8, Kind::Switch, 200},
    {"numFailDetect", 6, Kind::Switch, 390},  {"numFailDetect", 7, Kind::Switch, 391},
    {"system7", 20, Kind::Switch, 520},
    {"numFailDetect", 8, Kind::Switch, 397},
    {"system7", 1, Kind::Number, 269},
    {"system2", 18, Kind::Number, 336},       {"system1", 6, Kind::Number, 166},
    {"system2", 5, Kind::Number, 168},        {"system2", 6, Kind::Number, 169},
    {"system3", 1, Kind::Number, 203},        {"system2", 14, Kind::Number, 334},
    {"system7", 5, Kind::Number, 273},        {"system7", 6, Kind::Number, 274},
    {"system7", 7, Kind::Number, 275},        {"system7", 9, Kind::Number, 281},
};
const LogRow kAfterMould[] = {
    {"system9", 9, Kind::Number, 1010},       {"system9", 10, Kind::Number, 571},
    {"system2", 1, Kind::Switch, 178},
};
const LogRow kAfterClamp[] = {
    {"system2", 9, Kind::Switch, 192},        {"system2", 7, Kind::Switch, 190},
    {"system9", 15, Kind::Switch, 1013},      {"system10", 18, Kind::Switch, 642},
    {"system2", 8, Kind::Switch, 193},        {"system3", 2, Kind::Switch, 195},
    {"system3", 11, Kind::Switch, 265},       {"system5", 9, Kind::Switch, 202},
    {"system2", 2, Kind::Number, 185},        {"system2", 4, Kind::Number, 186},
    {"system1", 8, Kind::Number, 187},        {"system3", 3, Kind::Number, 188},
    {"system3", 9, Kind::Number, 189},        {"system2", 15, Kind::Number, 213},
    {"system2", 16, Kind::Number, 243},       {"system2", 3, Kind::Number, 181},
    {"system5", 10, Kind::Number, 403},
    {"system11", 17, Kind::Switch, 586},      {"system11", 18, Kind::Switch, 591},
    {"system9", 11, Kind::Switch, 572},       {"system2", 10, Kind::Switch, 194},
    {"system2", 11, Kind::Switch, 341},       {"system2", 12, Kind::Switch, 342},
    {"system1", 9, Kind::Switch, 191},        {"numFailDetect", 5, Kind::Switch, 389},
    {"isPswUsed", 1, Kind::Switch, 170},
};

class ChangeLog {
public:
    ChangeLog(const WizardPara& live, const WizardPara& edit)
        : m_live(live), m_edit(edit), m_text(LanStr(235))
    {
    }

    template <size_t N>
    void Rows(const LogRow (&rows)[N])
    {
        for (const LogRow& r : rows) {
            // Read through the save side: what the database will hold.
            const ParaValue* v = FindParaValue(QString::fromLatin1(r.key), r.position);
            const int was = v->write(m_live);
            const int now = v->write(m_edit);
            if (was == now)
                continue;
            if (r.kind == Kind::Number)
                Number(r.caption, was, now);
            else
                Switch(LanStr(r.caption), now != 0);
        }
    }
    void Number(int caption, int was, int now)
    {
        Number(LanStr(caption), QString::number(was), QString::number(now));
    }
    void Number(const QString& caption, const QString& was, const QString& now)
    {
        m_text += LanStr(245).arg(caption, was, now);
    }
    void Switch(const QString& caption, bool active)
    {
        m_text += LanStr(240).arg(caption) + LanStr(active ? 250 : 251);
    }
    void Fragment(int text, const QString& what, int was, int now)
    {
        m_text += LanStr(text).arg(what).arg(was).arg(now);
    }
    void Append(const QString& text) { m_text += text; }
    const QString& Text() const { return m_text; }

private:
    // Copies: the table's accessors take a mutable record.
    WizardPara m_live;
    WizardPara m_edit;
    QString m_text;
};

QString MouldName(int mode)
{
    static const int ids[3] = {376, 377, 383};
    return mode >= 0 && mode < 3 ? LanStr(ids[mode]) : QString::number(mode);
}

}  // namespace

QString SettingsChangeLog(const WizardPara& live, const WizardPara& edit)
{
    ChangeLog log(live, edit);
    if (live.detectDelay[0] != edit.detectDelay[0])
        log.Fragment(236, LanStr(263), live.detectDelay[0], edit.detectDelay[0]);
    if (live.detectDelay[1] != edit.detectDelay[1])
        log.Fragment(236, LanStr(264), live.detectDelay[1], edit.detectDelay[1]);
    if (live.recheckCount2 != edit.recheckCount2)
        log.Fragment(239, LanStr(264), live.recheckCount2, edit.recheckCount2);
    log.Rows(kBeforeCameras);
    // Positioning is on when the stored value is 0.
    if (live.motionCorrect != edit.motionCorrect)
        log.Switch(LanStr(176), edit.motionCorrect == 0);
    log.Rows(kAfterPositioning);
    for (int c = 0; c < 8; ++c) {
        const QString n = QString::number(c + 1);
        if (live.exposure[c] != edit.exposure[c])
            log.Fragment(237, n, live.exposure[c], edit.exposure[c]);
        if (live.gain[c] != edit.gain[c])
            log.Fragment(238, n, live.gain[c], edit.gain[c]);
        if (live.sharpness[c] != edit.sharpness[c])
            log.Fragment(246, n, live.sharpness[c], edit.sharpness[c]);
        if (live.contrast[c] != edit.contrast[c])
            log.Fragment(247, n, live.contrast[c], edit.contrast[c]);
        if (live.gamma[c] != edit.gamma[c])
            log.Fragment(365, n, live.gamma[c], edit.gamma[c]);
    }
    log.Rows(kAfterCameras);
    // The mould combo has no caption of its own: the machine type names it.
    if (live.mouldMode != edit.mouldMode) {
        const int type = edit.machineTypeSetting == 2 ? 386 : 385;
        log.Number(LanStr(type), MouldName(live.mouldMode), MouldName(edit.mouldMode));
    }
    log.Rows(kAfterMould);
    // Logged with the words of what the switch does.
    if (live.stopClampOnStop != edit.stopClampOnStop)
        log.Append(LanStr(240).arg(LanStr(179)) + LanStr(edit.stopClampOnStop ? 252 : 253));
    log.Rows(kAfterClamp);
    if (std::strcmp(live.password, edit.password) != 0)
        log.Append(LanStr(249));
    return log.Text();
}

QList<int> RestartNotes(const WizardPara& live, const WizardPara& edit)
{
    QList<int> notes;
    if (live.templateCount != edit.templateCount || live.ngImagesKept != edit.ngImagesKept
        || live.okImagesKept != edit.okImagesKept)
        notes << 276;
    if (live.comPort != edit.comPort || live.colorCamera != edit.colorCamera || live.grayChannel != edit.grayChannel
        || live.noLensOptimization != edit.noLensOptimization)
        notes << 309;
    // A type chosen but not yet active waits for the next start.
    if (live.useStatistics != edit.useStatistics || edit.machineTypeSetting != edit.machineType)
        notes << 277;
    return notes;
}

void DeriveAcceptedIO(WizardPara& edit, const WizardPara& live, SettingsHost& host)
{
    const int chosen = edit.machineTypeSetting;
    const int active = live.machineType;
    if (chosen == 4 && active == 4) {
        if (edit.customDetectCount != gDNum)
            host.ChangeDetectNum(edit.customDetectCount);
        DeriveIOSetup(edit, host.ioSetupHost(), IONames::Accept);
    } else if (chosen == active) {
        // Mould side, semi-automatic and first detection apply at once.
        DeriveIOSetup(edit, host.ioSetupHost(), IONames::Accept);
    }
    // Any other type waits for the next start: the step list of the ROI
    // editor, the step names and the IO names are built for the active type
    // when the windows are made, so a type changed under them would run
    // steps nobody can draw areas for.
}
