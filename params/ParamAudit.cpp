// The parameter audit line: every setting in force, written to the
// application log at start-up and when the settings open and close.
#include "WizardPara.h"

#include "foundation/GLog.h"
#include "foundation/uitext.h"

#include <QStringList>

#include <initializer_list>

namespace {

class AuditLine {
public:
    void Pair(const QString& label, int value)
    {
        m_line += QStringLiteral("%1:%2;").arg(label).arg(value);
    }
    void Pair(int textId, int value) { Pair(LanStr(textId), value); }
    // Literal list labels carry their colon already.
    void List(const QString& label, const int* values, int count)
    {
        QStringList parts;
        for (int i = 0; i < count; ++i)
            parts << QString::number(values[i]);
        m_line += label + parts.join(QLatin1Char(',')) + QLatin1Char(';');
    }
    void List(int textId, const int* values, int count)
    {
        List(LanStr(textId) + QLatin1Char(':'), values, count);
    }
    void Append(const QString& text) { m_line += text; }
    const QString& Text() const { return m_line; }

private:
    QString m_line;
};

}  // namespace

QString WizardPara::inserterAllParam(int event) const
{
    const WizardPara& p = *this;
    AuditLine a;
    a.Append(event == 0 ? QStringLiteral("开机时,") : event == 1 ? QStringLiteral("打开系统参数,")
                                                                : QStringLiteral("退出系统参数,"));
    const int recheck[2] = {p.recheckCount1, p.recheckCount2};
    a.List(QStringLiteral("相机输入信号的检测延时:"), p.detectDelay, 9);
    a.List(QStringLiteral("NG自动重检次数:"), recheck, 2);
    a.Pair(22, p.filterSize);
    a.Pair(24, p.defectArea);
    a.Pair(p.machineType == 4 ? 510 : 175, p.productDetectOn);
    a.Pair(174, p.semiAuto);
    a.Pair(177, p.twoSameParams);
    a.Pair(176, p.motionCorrect + 1);
    a.Pair(170, p.passwordUsed);
    a.List(QStringLiteral("相机曝光:"), p.exposure, 8);
    a.List(QStringLiteral("增益调节:"), p.gain, 8);
    a.List(QStringLiteral("清晰度:"), p.sharpness, 8);
    a.List(QStringLiteral("真实度:"), p.contrast, 8);
    a.List(QStringLiteral("Gamma:"), p.gamma, 8);
    a.List(566, p.vMirror, 8);
    a.List(565, p.hMirror, 8);

    // Items 17 to 45: one text and one value each.
    const std::initializer_list<std::pair<int, int>> middle = {
        {244, p.cameraSpeed}, {388, p.autoShading}, {337, p.noLensOptimization},
        {270, p.colorCamera}, {271, p.grayChannel}, {519, p.externalTrigger},
        {657, p.refreshAfterDetect}, {659, p.noRefreshAfterAlarm}, {1012, p.continuousTimedDetect},
        {200, p.showAllParams}, {196, p.enableDefect}, {197, p.enableSpot},
        {198, p.enableIgnoreArea}, {199, p.enableManualLocate}, {390, p.enableBlackArea},
        {391, p.enableWhiteArea}, {520, p.enableWhiteNumber}, {561, p.enableBlackNumber},
        {581, p.enableDistMeasure}, {397, p.enableSimilarity}};
    for (const auto& [id, value] : middle)
        a.Pair(id, value);
    a.Pair(QStringLiteral("端口号"), p.comPort);
    const std::initializer_list<std::pair<int, int>> timing = {
        {336, p.inputTimeout}, {168, p.ejectorPulse}, {169, p.clampPulse}, {166, p.preCut},
        {524, p.shakeEraseTime}, {571, p.notDetectedCount}, {203, p.input4SyncFor},
        {334, p.output4SyncFor}};
    for (const auto& [id, value] : timing)
        a.Pair(id, value);

    a.List(QStringLiteral("每次检测对应输入信号:"), p.trigInput, 9);
    a.List(QStringLiteral("每次检测对应输出信号:"), p.stepOutput, 9);
    a.List(QStringLiteral("输出信号初始状态:"), p.outputInvert, 9);

    // Items 49 to 93.
    const std::initializer_list<std::pair<int, int>> flags = {
        {179, p.stopClampOnStop}, {178, p.cutEjectorOnClamp}, {192, p.noEjectorControlInProd},
        {190, p.prodNgPulseNoAlarm}, {642, p.mouldNgPulseNoAlarm}, {1013, p.prodNgNoAlarmSplitOutputs},
        {645, p.okNgPulseOutputs}, {193, p.cutClampAfterMouldOk}, {513, p.cutEjectorAfterProdOk},
        {195, p.doorClearsAlarm}, {515, p.cutEjectorOnProdAlarm}, {562, p.cutClampOnMouldAlarm},
        {660, p.alarmSyncEjectorPulse}, {643, p.stopEjectorOnStop}, {202, p.okNgPulses},
        {265, p.doorTriggersDetect}, {213, p.positionOffset}, {188, p.amplify}, {181, p.minSpot},
        {403, p.angleRange}, {243, p.screenOffTime}, {189, p.autoLogoutTime}, {185, p.templateCount},
        {186, p.ngImagesKept}, {187, p.okImagesKept}, {254, p.showFactoryParams},
        {272, p.showManualSnapshot}, {191, p.autoGenerateArea}, {194, p.pwdSkipDetect},
        {341, p.pwdAddTemplate}, {342, p.pwdIgnorePoint}, {556, p.pwdStopDetect},
        {457, p.ngImageTemplate}, {201, p.saveAllAsTest}, {470, p.showRoiLive},
        {400, p.templateAutoUpdate}, {1011, p.extTrigNgContinuous}, {554, p.useStatistics},
        {471, p.showMouldNumber}, {558, p.useLog}, {572, p.skipDetect}, {1007, p.separateDetectSignal},
        {586, p.cameraLostOptimize}, {644, p.imageAdjust}, {652, p.showAcqModeButton}};
    for (const auto& [id, value] : flags)
        a.Pair(id, value);
    a.Pair(QStringLiteral("启用检测周期"), p.detectCycleLog);
    a.Pair(653, p.hideNgCount);
    a.Pair(QStringLiteral("自定义检测数"), p.customDetectCount);
    a.Pair(QStringLiteral("检测不按顺序"), p.detectNotInOrder);
    a.List(QStringLiteral("输出对应的检测号:"), p.customOutputOwner, 8);
    a.List(QStringLiteral("每次检测对应的输入信号:"), p.customTrigInput, 8);
    a.List(QStringLiteral("每次检测对应的切断方式:"), p.customCutMode, 8);
    a.List(QStringLiteral("排列输出的顺序:"), p.outputOrder, 8);
    a.List(QStringLiteral("输入名称排序:"), p.inputNameIndex, 8);
    a.List(QStringLiteral("输出名称排序:"), p.outputNameIndex, 8);

    GLogInfo(a.Text());
    return a.Text();
}
