#include "IOSetup.h"

#include "IOTables.h"
#include "WizardPara.h"
#include "foundation/uitext.h"

#include <QFile>
#include <QTextStream>

namespace {

void DeriveStandard(WizardPara& p)
{
    p.detectCount = 4;
    gDNum = 2;
    p.detectOn[0] = p.productDetectOn;
    p.detectOn[1] = 1;
    p.trigInput[0] = 0;
    p.trigInput[1] = p.semiAuto ? 2 : 0;
    const int inv = (p.prodNgPulseNoAlarm == 0 && p.prodNgNoAlarmSplitOutputs == 0) ? 1 : 0;
    for (int i = 4; i <= 7; ++i)
        p.outputInvert[i] = inv;
}

void DeriveTwoSided(WizardPara& p, IOSetupHost* host)
{
    p.detectCount = 4;
    gDNum = 4;
    if (static_cast<unsigned>(p.mouldMode) > 3)
        p.mouldMode = 0;
    const int P = p.productDetectOn ? 1 : 0;
    const bool turntable = p.machineType == 2;
    switch (p.mouldMode) {
    case 0:
        p.detectOn[0] = P; p.detectOn[1] = 1; p.detectOn[2] = 0; p.detectOn[3] = 0;
        if (host)
            host->SetMouldSide(1);
        p.trigInput[0] = 0;
        p.trigInput[1] = turntable ? (p.semiAuto ? 2 : 0) : 2;
        break;
    case 1:
        p.detectOn[0] = 0; p.detectOn[1] = 0; p.detectOn[2] = P; p.detectOn[3] = 1;
        if (host)
            host->SetMouldSide(0);
        p.trigInput[0] = turntable ? 3 : 0;
        p.trigInput[1] = turntable ? (p.semiAuto ? 2 : 3) : 3;
        break;
    default:  // both sides
        p.detectOn[0] = P; p.detectOn[1] = 1; p.detectOn[2] = P; p.detectOn[3] = 1;
        p.trigInput[0] = turntable ? 255 : 0;
        p.trigInput[1] = turntable ? (p.semiAuto ? 2 : 255) : 255;
        break;
    }
}

void DeriveMulti(WizardPara& p, IOSetupHost* host)
{
    gDNum = p.detectCount = p.customDetectCount;
    for (int d = 0; d < 8; ++d) {
        if (d < p.customDetectCount) {
            int k = p.customOutputOwner[d];
            // An owner outside the table cannot name a row: the step stays off.
            if (k < -1 || k > 7)
                k = -1;
            p.outputOrder[d] = k;
            if (k == -1 || (d == 0 && p.productDetectOn == 0)) {
                p.detectOn[d] = 0;
                p.trigInput[d] = -1;
            } else {
                const int row = p.customTrigInput[k];
                p.detectOn[d] = 1;
                p.trigInput[d] = TriginNo[(row >= 0 && row < 8) ? row : 0] - 1;
            }
        } else {
            p.detectOn[d] = 0;
            p.trigInput[d] = -1;
        }
    }
    if (!host)
        return;
    const int cameras = host->OpenCameraCount();
    for (int c = 0; c < cameras; ++c) {
        for (int d = 0; d < gDNum; ++d) {
            if (!p.detectOn[d])
                continue;
            host->CreateShape(c, d);
            host->VarTrain(c, d);
        }
    }
}

void SetTypeNames(const WizardPara& p)
{
    static const int kStandard[8] = {301, 302, 303, 304, 305, 306, 307, 304};
    static const int kTwoColour[8] = {301, 302, 376, 377, 305, 378, 307, 304};
    static const int kTurntable[8] = {379, 380, 381, 382, 378, 306, 307, 304};
    const int* ids = nullptr;
    switch (p.machineType) {
    case 0:
    case 3:
        ids = kStandard;
        break;
    case 1:
        ids = kTwoColour;
        break;
    case 2:
        ids = kTurntable;
        break;
    default:
        break;
    }
    if (ids) {
        for (int i = 0; i < 8; ++i)
            gaName[i] = LanStr(ids[i]);
        return;
    }
    if (p.machineType != 4)
        return;
    gaName[0] = InName(p.inputNameIndex[0], gLan);
    gaName[1] = LanStr(302);  // input 2 is always the safety door
    for (int i = 1; i < 8; ++i)
        gaName[1 + i] = InName(p.inputNameIndex[i], gLan);
    gaName[9] = OutName(p.outputNameIndex[0], gLan);
    gaName[10] = OutName(p.outputNameIndex[1], gLan);
    gaName[11] = LanStr(307);  // output 3 is always the alarm
    for (int i = 2; i < 8; ++i)
        gaName[10 + i] = OutName(p.outputNameIndex[i], gLan);
}

}  // namespace

bool ReadNameFile()
{
    QFile f(QStringLiteral("name.txt"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&f);
    in.setEncoding(QStringConverter::Utf8);
    for (int i = 0; i < 8; ++i)
        gaName[i] = in.atEnd() ? QString() : in.readLine();
    return true;
}

void DeriveIOSetup(WizardPara& p, IOSetupHost* host, IONames names)
{
    switch (p.machineType) {
    case 0:
    case 3:
        DeriveStandard(p);
        break;
    case 1:
    case 2:
        DeriveTwoSided(p, host);
        break;
    case 4:
        DeriveMulti(p, host);
        break;
    default:
        // Type 5 has no IO set-up of its own; the cycle still needs a step count.
        gDNum = 2;
        break;
    }

    if (names == IONames::Load) {
        if (!ReadNameFile())
            SetTypeNames(p);
    } else if (p.machineType == 4) {
        SetTypeNames(p);
    }
}
