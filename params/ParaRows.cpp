#include "ParaRows.h"

#include "WizardPara.h"
#include "foundation/uitext.h"

#include <QRegularExpression>

#define F(expr) ParaValue{#expr, [](WizardPara& p) -> int& { return p.expr; }, [](WizardPara& p) -> int& { return p.expr; }}

const std::vector<ParaRow>& ParaIntRows()
{
    static const std::vector<ParaRow> rows = {
        {"trigInDelay", {
            /* 1 */ F(detectDelay[0]), /* 2 */ F(detectDelay[1]), /* 3 */ F(detectDelay[2]), /* 4 */ F(detectDelay[3]),
            /* 5 */ F(detectDelay[4]), /* 6 */ F(detectDelay[5]), /* 7 */ F(detectDelay[6]), /* 8 */ F(detectDelay[7])}},
        {"exposeTime", {
            /* 1 */ F(exposure[0]), /* 2 */ F(exposure[1]), /* 3 */ F(exposure[2]), /* 4 */ F(exposure[3])}},
        {"adjustPlus", {
            /* 1 */ F(gain[0]), /* 2 */ F(gain[1]), /* 3 */ F(gain[2]), /* 4 */ F(gain[3])}},
        {"numFailDetect", {
            // The active type is fixed for the run; the save writes the one chosen in the settings.
            /* 1 */ ParaValue{"machineType", [](WizardPara& p) -> int& { return p.machineType; },
                              [](WizardPara& p) -> int& { return p.machineTypeSetting; }},
            /* 2 */ F(mouldMode),
            /* 3 */ F(autoExposure),
            /* 4 */ F(autoShading),
            /* 5 */ F(startupFlag),
            /* 6 */ F(enableBlackArea),
            /* 7 */ F(enableWhiteArea),
            /* 8 */ F(enableSimilarity)}},
        {"numAllDetect", {
            /* 1 */ F(gamma[0]), /* 2 */ F(gamma[1]), /* 3 */ F(gamma[2]), /* 4 */ F(gamma[3]),
            /* 5 */ F(gamma[4]), /* 6 */ F(gamma[5]), /* 7 */ F(gamma[6]), /* 8 */ F(gamma[7])}},
        {"isPswUsed", {
            /* 1 */ F(passwordUsed)}},
        {"system1", {
            /* 1 */ F(semiAuto),
            /* 2 */ F(productDetectOn),
            /* 3 */ F(twoSameParams),
            /* 4 */ F(motionCorrect),
            /* 5 */ F(stopClampOnStop),
            /* 6 */ F(preCut),
            /* 7 */ F(recheckCount2),
            /* 8 */ F(okImagesKept),
            /* 9 */ F(autoGenerateArea)}},
        {"system2", {
            /* 1 */ F(cutEjectorOnClamp),
            /* 2 */ F(templateCount),
            /* 3 */ F(minSpot),
            /* 4 */ F(ngImagesKept),
            /* 5 */ F(ejectorPulse),
            /* 6 */ F(clampPulse),
            /* 7 */ F(prodNgPulseNoAlarm),
            /* 8 */ F(cutClampAfterMouldOk),
            /* 9 */ F(noEjectorControlInProd),
            /* 10 */ F(pwdSkipDetect),
            /* 11 */ F(pwdAddTemplate),
            /* 12 */ F(pwdIgnorePoint),
            /* 13 */ ParaValue{"gLan", [](WizardPara&) -> int& { return gLan; },
                               [](WizardPara&) -> int& { return gLan; }},
            /* 14 */ F(output4SyncFor),
            /* 15 */ F(positionOffset),
            /* 16 */ F(screenOffTime),
            /* 17 */ F(cameraSpeed),
            /* 18 */ F(inputTimeout)}},
        {"system3", {
            /* 1 */ F(input4SyncFor),
            /* 2 */ F(doorClearsAlarm),
            /* 3 */ F(amplify),
            /* 4 */ F(enableDefect),
            /* 5 */ F(enableSpot),
            /* 6 */ F(enableIgnoreArea),
            /* 7 */ F(enableManualLocate),
            /* 8 */ F(showAllParams),
            /* 9 */ F(autoLogoutTime),
            /* 10 */ F(enableOneNotMold),
            /* 11 */ F(doorTriggersDetect)}},
        {"system4", {
            /* 1 */ F(templateAutoUpdate),
            /* 2 */ F(netAddr[0]), /* 3 */ F(netAddr[1]), /* 4 */ F(netAddr[2]), /* 5 */ F(netAddr[3]),
            /* 6 */ F(netAddr[4]), /* 7 */ F(netAddr[5]), /* 8 */ F(netAddr[6]), /* 9 */ F(netAddr[7]),
            /* 10 */ F(netAddr[8]), /* 11 */ F(netAddr[9]), /* 12 */ F(netAddr[10]), /* 13 */ F(netAddr[11]),
            /* 14 */ F(filterSize),
            /* 15 */ F(defectArea)}},
        {"sharp", {
            /* 1 */ F(sharpness[0]), /* 2 */ F(sharpness[1]), /* 3 */ F(sharpness[2]), /* 4 */ F(sharpness[3])}},
        {"contrast", {
            /* 1 */ F(contrast[0]), /* 2 */ F(contrast[1]), /* 3 */ F(contrast[2]), /* 4 */ F(contrast[3])}},
        {"system5", {
            /* 1 */ F(exposure[4]), /* 2 */ F(exposure[5]),
            /* 3 */ F(gain[4]), /* 4 */ F(gain[5]),
            /* 5 */ F(sharpness[4]), /* 6 */ F(sharpness[5]),
            /* 7 */ F(contrast[4]), /* 8 */ F(contrast[5]),
            /* 9 */ F(okNgPulses),
            /* 10 */ F(angleRange),
            /* 11 */ F(cutEjectorOnProdAlarm),
            /* 12 */ F(externalTrigger),
            /* 13 */ F(cutClampOnMouldAlarm)}},
        {"system6", {
            /* 1 */ F(exposure[6]), /* 2 */ F(exposure[7]),
            /* 3 */ F(gain[6]), /* 4 */ F(gain[7]),
            /* 5 */ F(sharpness[6]), /* 6 */ F(sharpness[7]),
            /* 7 */ F(contrast[6]), /* 8 */ F(contrast[7]),
            /* 9 */ F(shakeEraseTime),
            /* 10 */ F(useStatistics),
            /* 11 */ F(hideNgCount),
            /* 12 */ F(pwdStopDetect)}},
        {"system7", {
            /* 1 */ F(comPort),
            /* 2 */ F(colorCamera),
            /* 3 */ F(grayChannel),
            /* 4 */ F(showManualSnapshot),
            /* 5 */ F(outputInvert[0]),
            /* 6 */ F(outputInvert[1]),
            /* 7 */ F(outputInvert[2]),
            /* 8 */ F(noLensOptimization),
            /* 9 */ F(outputInvert[3]),
            /* 10 */ F(showFactoryParams),
            /* 11 */ F(ngImageTemplate),
            /* 12 */ F(system7Spare),
            /* 13 */ F(showRoiLive),
            /* 14 */ F(showMouldNumber),
            /* 15 */ F(outputInvert[4]),
            /* 16 */ F(outputInvert[5]),
            /* 17 */ F(outputInvert[6]),
            /* 18 */ F(outputInvert[7]),
            /* 19 */ F(outputInvert[8]),
            /* 20 */ F(enableWhiteNumber)}},
        {"system8", {
            /* 1 */ F(customDetectCount),
            /* 2 */ F(customTrigInput[0]), /* 3 */ F(customTrigInput[1]), /* 4 */ F(customTrigInput[2]),
            /* 5 */ F(customTrigInput[3]), /* 6 */ F(customTrigInput[4]), /* 7 */ F(customTrigInput[5]),
            /* 8 */ F(customTrigInput[6]), /* 9 */ F(customTrigInput[7]),
            /* 10 */ F(customCutMode[0]), /* 11 */ F(customCutMode[1]), /* 12 */ F(customCutMode[2]),
            /* 13 */ F(customCutMode[3]), /* 14 */ F(customCutMode[4]), /* 15 */ F(customCutMode[5]),
            /* 16 */ F(customCutMode[6]), /* 17 */ F(customCutMode[7]),
            /* 18 */ F(cutEjectorAfterProdOk),
            /* 19 */ F(useLog),
            /* 20 */ F(system8Spare)}},
        {"system9", {
            /* 1 */ F(customOutputOwner[0]), /* 2 */ F(customOutputOwner[1]), /* 3 */ F(customOutputOwner[2]),
            /* 4 */ F(customOutputOwner[3]), /* 5 */ F(customOutputOwner[4]), /* 6 */ F(customOutputOwner[5]),
            /* 7 */ F(customOutputOwner[6]), /* 8 */ F(customOutputOwner[7]),
            /* 9 */ F(system9Spare),
            /* 10 */ F(notDetectedCount),
            /* 11 */ F(skipDetect),
            /* 12 */ F(separateDetectSignal),
            /* 13 */ F(enableDistMeasure),
            /* 14 */ F(stopClampOnStop),  // second copy of system1 value 5; read later, so it wins
            /* 15 */ F(prodNgNoAlarmSplitOutputs),
            /* 16 */ F(roiNgWarnCount),
            /* 17 */ F(refreshAfterDetect),
            /* 18 */ F(retestDelay),
            /* 19 */ F(continuousNgLimit),
            /* 20 */ F(noRefreshAfterAlarm)}},
        {"system10", {
            /* 1 */ F(inputNameIndex[0]), /* 2 */ F(inputNameIndex[1]), /* 3 */ F(inputNameIndex[2]),
            /* 4 */ F(inputNameIndex[3]), /* 5 */ F(inputNameIndex[4]), /* 6 */ F(inputNameIndex[5]),
            /* 7 */ F(inputNameIndex[6]), /* 8 */ F(inputNameIndex[7]),
            /* 9 */ F(outputNameIndex[0]), /* 10 */ F(outputNameIndex[1]), /* 11 */ F(outputNameIndex[2]),
            /* 12 */ F(outputNameIndex[3]), /* 13 */ F(outputNameIndex[4]), /* 14 */ F(outputNameIndex[5]),
            /* 15 */ F(outputNameIndex[6]), /* 16 */ F(outputNameIndex[7]),
            /* 17 */ F(system10Spare),
            /* 18 */ F(mouldNgPulseNoAlarm),
            /* 19 */ F(imageAdjust),
            /* 20 */ F(stopEjectorOnStop)}},
        {"system11", {
            /* 1 */ F(system11SpareA[0]), /* 2 */ F(system11SpareA[1]), /* 3 */ F(system11SpareA[2]),
            /* 4 */ F(system11SpareA[3]), /* 5 */ F(system11SpareA[4]), /* 6 */ F(system11SpareA[5]),
            /* 7 */ F(system11SpareA[6]), /* 8 */ F(system11SpareA[7]),
            /* 9 */ F(system11SpareB[0]), /* 10 */ F(system11SpareB[1]), /* 11 */ F(system11SpareB[2]),
            /* 12 */ F(system11SpareB[3]), /* 13 */ F(system11SpareB[4]), /* 14 */ F(system11SpareB[5]),
            /* 15 */ F(system11SpareB[6]), /* 16 */ F(system11SpareB[7]),
            /* 17 */ F(cameraLostOptimize),
            /* 18 */ F(ioLinkLostBox),
            /* 19 */ F(detectNotInOrder),
            /* 20 */ F(saveAllAsTest)}},
        {"system12", {
            /* 1 */ F(hMirror[0]), /* 2 */ F(hMirror[1]), /* 3 */ F(hMirror[2]), /* 4 */ F(hMirror[3]),
            /* 5 */ F(hMirror[4]), /* 6 */ F(hMirror[5]), /* 7 */ F(hMirror[6]), /* 8 */ F(hMirror[7]),
            /* 9 */ F(vMirror[0]), /* 10 */ F(vMirror[1]), /* 11 */ F(vMirror[2]), /* 12 */ F(vMirror[3]),
            /* 13 */ F(vMirror[4]), /* 14 */ F(vMirror[5]), /* 15 */ F(vMirror[6]), /* 16 */ F(vMirror[7]),
            /* 17 */ F(okNgPulseOutputs),
            /* 18 */ F(showAcqModeButton),
            /* 19 */ F(extTrigNgContinuous),
            /* 20 */ F(continuousTimedDetect),
            /* 21 */ F(detectCycleLog)}},
        {"system13", {
            /* 1 */ F(alarmSyncEjectorPulse),
            /* 2 */ F(enableBlackNumber),
            // Values 3 to 20 all repeat system8Spare; the last one read wins.
            /* 3 */ F(system8Spare), /* 4 */ F(system8Spare), /* 5 */ F(system8Spare), /* 6 */ F(system8Spare),
            /* 7 */ F(system8Spare), /* 8 */ F(system8Spare), /* 9 */ F(system8Spare), /* 10 */ F(system8Spare),
            /* 11 */ F(system8Spare), /* 12 */ F(system8Spare), /* 13 */ F(system8Spare), /* 14 */ F(system8Spare),
            /* 15 */ F(system8Spare), /* 16 */ F(system8Spare), /* 17 */ F(system8Spare), /* 18 */ F(system8Spare),
            /* 19 */ F(system8Spare), /* 20 */ F(system8Spare)}},
        {"VurNet", {
            /* 1 */ F(netEnabled),
            /* 2 */ F(netVideoOn),
            /* 3 */ F(netVideoParam),
            /* 4 */ F(netNgVideo),
            /* 5 */ F(netAlarmSms),
            /* 6 */ F(productsPerCycle),
            /* 7 */ F(productsNum),
            /* 8 */ F(productSerial)}},
    };
    return rows;
}

#undef F

const std::vector<ParaTextRow>& ParaTextRows()
{
    static const std::vector<ParaTextRow> rows = {
        {"password", "password", &WizardPara::password},
        {"VurNet_UseName", "netUseName", &WizardPara::netUseName},
        {"VurNet_MsgTechName", "netMsgTechName", &WizardPara::netMsgTechName},
        {"VurNet_MsgTechNum", "netMsgTechNum", &WizardPara::netMsgTechNum},
        {"VurNet_ProName", "netProName", &WizardPara::netProName},
        {"VurNet_Operator", "netOperator", &WizardPara::netOperator},
    };
    return rows;
}

const QStringList& ParaSaveOrder()
{
    static const QStringList keys = {
        QStringLiteral("trigInDelay"), QStringLiteral("exposeTime"), QStringLiteral("sharp"),
        QStringLiteral("contrast"), QStringLiteral("adjustPlus"), QStringLiteral("numFailDetect"),
        QStringLiteral("numAllDetect"), QStringLiteral("isPswUsed"), QStringLiteral("password"),
        QStringLiteral("system1"), QStringLiteral("system2"), QStringLiteral("system3"),
        QStringLiteral("system4"), QStringLiteral("system5"), QStringLiteral("system6"),
        QStringLiteral("system7"), QStringLiteral("system8"), QStringLiteral("system9"),
        QStringLiteral("system10"), QStringLiteral("system11"), QStringLiteral("system12"),
        QStringLiteral("system13"), QStringLiteral("VurNet"), QStringLiteral("VurNet_UseName"),
        QStringLiteral("VurNet_MsgTechName"), QStringLiteral("VurNet_MsgTechNum"),
        QStringLiteral("VurNet_ProName"), QStringLiteral("VurNet_Operator"),
    };
    return keys;
}

const ParaRow* FindParaRow(const QString& key)
{
    for (const ParaRow& row : ParaIntRows())
        if (key == QLatin1String(row.key))
            return &row;
    return nullptr;
}

const ParaTextRow* FindParaTextRow(const QString& key)
{
    for (const ParaTextRow& row : ParaTextRows())
        if (key == QLatin1String(row.key))
            return &row;
    return nullptr;
}

const ParaValue* FindParaValue(const QString& key, int position)
{
    const ParaRow* row = FindParaRow(key);
    if (!row || position < 1 || position > int(row->values.size()))
        return nullptr;
    return &row->values[position - 1];
}

std::vector<int> ParseParaRow(const QString& value, int count)
{
    std::vector<int> out(count, 0);
    static const QRegularExpression ws(QStringLiteral("\\s+"));
    const QStringList words = value.split(ws, Qt::SkipEmptyParts);
    for (int i = 0; i < count && i < words.size(); ++i) {
        // Only the leading number of a word counts, as a stream read would take it;
        // a word that starts with no number ends the row.
        const QString& w = words.at(i);
        int end = 0;
        if (end < w.size() && (w[end] == QLatin1Char('-') || w[end] == QLatin1Char('+')))
            ++end;
        int base = 10;
        if (end + 1 < w.size() && w[end] == QLatin1Char('0') && (w[end + 1] == QLatin1Char('x') || w[end + 1] == QLatin1Char('X'))) {
            base = 16;
            end += 2;
        } else if (end < w.size() && w[end] == QLatin1Char('0')) {
            base = 8;
        }
        const int digitsFrom = end;
        while (end < w.size()) {
            // ASCII only: other scripts' digits are text, as for a stream read.
            const char16_t c = w[end].unicode();
            const int d = c >= u'0' && c <= u'9'                      ? c - u'0'
                          : base == 16 && c >= u'a' && c <= u'f' ? c - u'a' + 10
                          : base == 16 && c >= u'A' && c <= u'F' ? c - u'A' + 10
                                                                   : -1;
            if (d < 0 || d >= base)
                break;
            ++end;
        }
        if (end == digitsFrom)
            break;
        bool ok = false;
        const qlonglong v = w.left(end).toLongLong(&ok, 0);
        if (!ok || v < INT_MIN || v > INT_MAX)
            break;
        out[i] = int(v);
        if (end != w.size())
            break;  // text glued to the number ends the row after it
    }
    return out;
}

QString FormatParaRow(const std::vector<int>& values)
{
    QStringList words;
    words.reserve(int(values.size()));
    for (int v : values)
        words << QString::number(v);
    return words.join(QLatin1Char(' '));
}

std::vector<int> ReadRowFields(const ParaRow& row, WizardPara& p)
{
    std::vector<int> out;
    out.reserve(row.values.size());
    for (const ParaValue& v : row.values)
        out.push_back(v.write(p));
    return out;
}

void WriteRowFields(const ParaRow& row, WizardPara& p, const std::vector<int>& values)
{
    for (size_t i = 0; i < row.values.size() && i < values.size(); ++i)
        row.values[i].read(p) = values[i];
}
