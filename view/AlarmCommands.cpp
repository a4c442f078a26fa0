#include "AlarmCommands.h"

#include "CammerWidget.h"
#include "DrawROIWidget.h"
#include "IgnoreMaskSave.h"
#include "Prompts.h"
#include "ViewHost.h"
#include "foundation/MainGlobals.h"
#include "records/SaveFialImageThread.h"
#include "inspect/CammerRecong.h"
#include "params/WizardPara.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"

#include <QDir>
#include <QSignalBlocker>

namespace {
ViewHost& Host()
{
    return ViewHost::instance();
}

// Larger alarm areas are no stray points: ignoring them would blind the area.
constexpr int kMaxIgnoredArea = 2000;
}  // namespace

void AlarmCommands::ReCheck(int camera, int clearReason, quint64 alarm)
{
    ViewHost& host = Host();
    CycleState& st = host.cycle();
    const int n = host.cameraCount();
    const int remembered = st.selCamera;
    m_col.SlotSaveData();  // may ask; the alarm may change meanwhile
    if (!st.AlarmStands(alarm))
        return;
    host.Rejudge(camera, clearReason, alarm);
    if (remembered >= 0 && remembered < n) {
        if (st.verdictState != VerdictAlarm) {
            gSource = -1;
            return;
        }
        if (gSource != 1)
            return;
        CammerWidget* w = host.cameraWidget(remembered);
        if (!w || !w->cameraOK)
            return;
        // On to the next camera that still holds the alarm.
        int c = remembered;
        for (int k = 1; k < n; ++k) {
            c = (remembered + k) % n;
            CammerWidget* o = host.cameraWidget(c);
            if (o && !o->cameraOK)
                break;
        }
        st.selCamera = c;
        host.ChangeCammer();
        const QSignalBlocker block(m_col.cameraCombo);
        m_col.cameraCombo->setCurrentIndex(c);
    } else if (st.verdictState != VerdictAlarm) {
        gSource = -1;
    }
}

void AlarmCommands::NoCheckCurrent()
{
    ViewHost& host = Host();
    CycleState& st = host.cycle();
    const WizardPara& p = LiveParams();
    // Every question below is about this alarm; a re-check, a snapshot or
    // the door may replace it before the answer comes.
    const quint64 alarm = st.alarmId;
    if (p.pwdSkipDetect && host.CheckPassword() == 0)
        return;
    if (p.doorClearsAlarm && !host.safetyDoorOpen()) {
        Warn(195);
        return;
    }
    const int n = host.cameraCount();
    const int s = std::clamp(st.curStep, 0, 7);
    if (st.selCamera >= n) {
        if (!Ask(102) || !st.AlarmStands(alarm))
            return;
        m_col.SlotSaveData();  // may ask; the alarm may change meanwhile
        if (!st.AlarmStands(alarm))
            return;
        gSource = -1;
        host.ResetRun(n);
        for (int c = 0; c < n && c < 8; ++c)
            if (st.imageDecision[c][s] == 3)
                st.imageDecision[c][s] = 4;
        host.CheckNGAgain(ClearNotDetected, alarm);
        host.InsertRecord(LanStr(103));
        return;
    }
    CammerWidget* w = m_col.SingleCamera();
    if (!w)
        return;
    // A camera that is OK while another holds the alarm has nothing to skip.
    if (w->cameraOK && st.verdictState == VerdictAlarm) {
        Warn(107);
        return;
    }
    if (!AskText(LanStr(105).arg(w->camera + 1)) || !st.AlarmStands(alarm))
        return;
    w->skipStep[s] = true;
    int& code = st.imageDecision[w->camera][s];
    if (code == 3)
        code = 4;
    host.InsertRecord(LanStr(106).arg(w->camera + 1));
    ReCheck(w->camera, ClearNotDetected, alarm);
}

CammerWidget* AlarmCommands::AlarmCamera()
{
    CammerWidget* w = m_col.SingleCamera();
    if (w && !w->cameraOK)
        return w;
    Warn(107);
    return nullptr;
}

void AlarmCommands::ShowHideAlarmPoint()
{
    CammerWidget* w = AlarmCamera();
    if (!w)
        return;
    const bool shown = w->blinkPhase == 2;
    w->blinkPhase = shown ? 0 : 2;
    m_col.ignoredToggle->setText(LanStr(shown ? 64 : 112));
    w->update();
}

void AlarmCommands::IgnoreAlarmPoint()
{
    CammerWidget* w = AlarmCamera();
    if (!w)
        return;
    ViewHost& host = Host();
    const CycleState& st = host.cycle();
    const bool inAlarm = st.verdictState == VerdictAlarm;
    const quint64 alarm = st.alarmId;
    if (LiveParams().pwdIgnorePoint && host.CheckPassword() == 0)
        return;
    // The points to ignore are this alarm's; another one's are not asked about.
    if (!Ask(113) || (inAlarm && !st.AlarmStands(alarm)))
        return;
    host.InsertRecord(LanStr(114).arg(w->camera + 1));
    const int s = std::clamp(host.cycle().curStep, 0, 7);
    const std::vector<int> refused = w->IgnoreAlarmPoints(s, kMaxIgnoredArea);
    for (size_t k = 0; k < refused.size(); ++k)
        WarnText(LanStr(115).arg(kMaxIgnoredArea));
    w->update();
    IgnoreMaskSave::Save(host, {{w, s}});
    if (w->engine)
        w->engine->VarTrain(s);
}

void AlarmCommands::DeleteIgnorePoint()
{
    CammerWidget* w = AlarmCamera();
    if (!w)
        return;
    ViewHost& host = Host();
    const CycleState& st = host.cycle();
    const bool inAlarm = st.verdictState == VerdictAlarm;
    const quint64 alarm = st.alarmId;
    if (!Ask(116) || (inAlarm && !st.AlarmStands(alarm)))
        return;
    host.InsertRecord(LanStr(117).arg(w->camera + 1));
    const int s = std::clamp(host.cycle().curStep, 0, 7);
    std::fill(w->ignorePointMask[s].begin(), w->ignorePointMask[s].end(), uint8_t(0));
    w->update();
    IgnoreMaskSave::Save(host, {{w, s}});
    if (w->engine)
        w->engine->VarTrain(s);
}

void AlarmCommands::LoadPic()
{
    RecordState& rec = m_col.recordState();
    const int cameras = Host().cameraCount();
    rec.camera = m_col.cameraCombo->currentIndex();
    rec.step = m_col.stepCombo->currentIndex();
    if (rec.camera < 0 || rec.camera >= cameras)
        rec.camera = 0;
    if (rec.step < 0 || rec.step >= gDNum)
        rec.step = 0;
    const QDir dir(ResultFolder(rec.camera, rec.step, rec.okRecords ? 1 : 0));
    const QFileInfoList entries = dir.entryInfoList({QStringLiteral("*.jpg")}, QDir::NoFilter, QDir::Name);
    rec.count = int(entries.size());
    if (rec.count == 0) {
        // Nothing to browse: no picture of another folder stays on screen.
        rec.index = 0;
        rec.name.clear();
        rec.picture = QImage();
        return;
    }
    rec.index = std::clamp(rec.index, 0, rec.count - 1);
    const QFileInfo& f = entries[rec.count - 1 - rec.index];
    rec.name = f.fileName().chopped(4);
    rec.picture = QImage(f.absoluteFilePath());
}
