#include "TemplateCommands.h"

#include "CammerWidget.h"
#include "DrawROIWidget.h"
#include "Prompts.h"
#include "TemplateLibrary.h"
#include "ViewHost.h"
#include "foundation/MainGlobals.h"
#include "inspect/CammerRecong.h"
#include "params/WizardPara.h"

#include <QString>

#include <algorithm>

namespace {
ViewHost& Host()
{
    return ViewHost::instance();
}

}  // namespace

void TemplateCommands::AddTemplate()
{
    ViewHost& host = Host();
    CycleState& st = host.cycle();
    const WizardPara& p = LiveParams();
    const bool alarmLive = st.verdictState == VerdictAlarm && gSource == 1;
    const quint64 alarm = st.alarmId;
    if (alarmLive) {
        CammerWidget* cur = m_col.SingleCamera();
        if (!cur || cur->cameraOK) {
            Warn(107);
            return;
        }
        if (!host.safetyDoorOpen() && p.doorClearsAlarm) {
            Warn(195);
            return;
        }
    }
    if (gTempNum < 2) {
        Warn(258);
        return;
    }
    // An empty ring slot is a black frame: as a template it would make every
    // later part look wrong, and in a full library push out a real one.
    if (gSource != 1) {
        CammerWidget* shown = m_col.SingleCamera();
        const int g = host.editor().step();
        if (shown && (!shown->EnsureGroupBuffers(g)
                      || std::clamp(shown->ringPosition, 0, 2) >= std::min(shown->recentNgCount[g], 3))) {
            Warn(1116);
            return;
        }
    }
    if (p.pwdAddTemplate && host.CheckPassword() == 0)
        return;
    const int s = std::clamp(alarmLive ? st.curStep : host.editor().editorStep, 0, 7);
    // An alarm that ended (or was replaced) while the question waited takes
    // no template: the picture would be another cycle's.
    if (!Ask(108) || (alarmLive && !st.AlarmStands(alarm)))
        return;
    CammerWidget* w = m_col.SingleCamera();
    if (!w)
        return;
    // During an alarm only the live and the recent NG pictures, in the area
    // check only recent NG ones.
    if (st.verdictState == VerdictAlarm && gSource != 1 && gSource != 2)
        return;
    if (st.verdictState == VerdictAreaCheck && gSource != 2)
        return;
    const int g = host.editor().step();
    // The ring keeps colour frames packed; a template slot holds them whole.
    FrameBytes unpacked;
    if (gSource != 1) {
        unpacked.resize(size_t(w->CammerWidgetData::layout().colorLen()));
        if (!w->RecentNgFrame(g, std::clamp(w->ringPosition, 0, 2), unpacked))
            return;
    }
    const FrameBytes& src = gSource == 1 ? w->workBuffer : unpacked;
    QString why;
    if (TemplateLibrary::Add(*w, s, src, &why) < 0) {
        if (!why.isEmpty())
            WarnText(LanStr(1115).arg(why));
        return;
    }
    host.InsertRecord(LanStr(109).arg(w->camera + 1));
    if (gSource == 1) {
        // The alarm's camera learns it at once and is judged again without this step.
        if (w->engine)
            w->engine->VarTrain(s);
        w->skipStep[s] = true;
        int& code = st.imageDecision[w->camera][s];
        if (code == 3)
            code = 5;
        m_col.SlotReCheck(w->camera, ClearAsTemplate, alarm);
    } else {
        m_col.MarkTemplatesChanged(w->camera);
    }
}

void TemplateCommands::DeleteCurrent()
{
    CammerWidget* w = m_col.SingleCamera();
    if (!w)
        return;
    if (w->templateIndex == 0) {
        Warn(68);
        return;
    }
    if (!Ask(69) || m_col.SingleCamera() != w)
        return;
    const int g = Host().editor().step();
    const int k = w->templateIndex;
    if (!TemplateLibrary::Delete(*w, g, k))
        return;
    m_col.MarkTemplatesChanged(w->camera);
    Step(1);
    Host().InsertRecord(LanStr(70).arg(w->camera + 1).arg(k + 1));
}

void TemplateCommands::DeleteAll()
{
    ViewHost& host = Host();
    for (int c = 0; c < host.cameraCount(); ++c) {
        if (CammerWidget* w = host.cameraWidget(c)) {
            TemplateLibrary::DeleteAll(*w, gDNum);
            m_col.MarkTemplatesChanged(c);
        }
    }
    host.InsertRecord(LanStr(71));
}

void TemplateCommands::Step(int dir)
{
    CammerWidget* w = m_col.SingleCamera();
    const int g = Host().editor().editorStep;
    if (!w || w->templateIndex < 0 || w->templateIndex >= gTempNum || g < 0 || g >= gDNum)
        return;
    switch (gSource) {
    case 0:
        w->templateIndex = TemplateLibrary::Step(*w, g, w->templateIndex, dir);
        m_col.ShowTemplate(w);
        break;
    case 2: {
        const int n = w->recentNgCount[g];
        const int span = n > 3 ? 3 : n;
        w->ringPosition = span > 0 ? (w->ringPosition + dir + span) % span : 0;
        if (w->EnsureGroupBuffers(g))
            w->ShowRecentNg(g, w->ringPosition);
        break;
    }
    case 3:
    case 4: {
        RecordState& rec = m_col.recordState();
        if (rec.count < 1)
            return;
        rec.index = (rec.index + dir + rec.count) % rec.count;
        m_col.LoadPic();
        break;
    }
    default:
        break;
    }
    w->update();
}
