#include "StatusLayout.h"

#include "foundation/uitext.h"
#include "params/IOTables.h"
#include "params/WizardPara.h"

namespace {
constexpr int kInputs = 9;    // inputs the bar can show (0-8)
constexpr int kMarks = 10;    // trigger inputs a step may name (0-9)
constexpr int kGap = 5;

// Inputs with a lamp. Multi-detection shows the door, the inputs the steps
// are triggered by and the first custom trigger; the higher inputs only
// while that many steps are in use.
QList<int> InputsShown(const WizardPara& p)
{
    if (p.machineType != 4)
        return {0, 1, 2, 3};
    bool marked[kMarks] = {};
    marked[1] = true;
    for (int k = 0; k < 8; ++k)
        if (p.trigInput[k] >= 0 && p.trigInput[k] < kMarks)
            marked[p.trigInput[k]] = true;
    // A stored index outside the table names no input.
    const int custom = p.customTrigInput[0];
    if (custom >= 0 && custom < 8) {
        const int in = TriginNo[custom] - 1;
        if (in >= 0 && in < kMarks)
            marked[in] = true;
    }
    QList<int> shown;
    for (int i = 0; i < kInputs; ++i) {
        const bool inUse = i < 4 || p.detectCount > i - 1;
        if (marked[i] && inUse)
            shown << i;
    }
    return shown;
}

int OutputsShown(const WizardPara& p)
{
    int n = 4;
    if (p.machineType == 4)
        for (int j = 0; j < 5; ++j)
            if (p.detectCount > 3 + j)
                n = 5 + j;
    return n;
}
}  // namespace

StatusClass StatusClassFor(int screenW, int screenH)
{
    if (screenW <= 1024)
        return StatusClass::Small;
    return screenW < 1800 || screenH < 950 ? StatusClass::Compact : StatusClass::Wide;
}

const StatusSizes& StatusSizesFor(StatusClass c)
{
    static const StatusSizes small{50, 30, 40, 10, 12, 16, 20, 40, 40, 60, 16, false, false};
    static const StatusSizes compact{64, 44, 50, 13, 15, 24, 28, 48, 80, 90, 19, false, true};
    static const StatusSizes wide{180, 70, 80, 16, 18, 35, 45, 155, 150, 150, 22, true, false};
    switch (c) {
    case StatusClass::Small: return small;
    case StatusClass::Compact: return compact;
    case StatusClass::Wide: break;
    }
    return wide;
}

const StatusSizes& StatusSizesFor(bool large)
{
    return StatusSizesFor(large ? StatusClass::Wide : StatusClass::Small);
}

int CameraViewsHeight(int screenW, int screenH)
{
    const StatusSizes& z = StatusSizesFor(StatusClassFor(screenW, screenH));
    return z.ownStrip ? screenH - z.barHeight : screenH;
}

QList<StatusLamp> StatusLamps(const WizardPara& p, bool large)
{
    return StatusLamps(p, large ? StatusClass::Wide : StatusClass::Small);
}

QList<StatusLamp> StatusLamps(const WizardPara& p, StatusClass c)
{
    const StatusSizes& z = StatusSizesFor(c);
    const int h = z.barHeight - 1;
    const bool twoRows = z.twoRows && p.machineType == 4;
    const int lowerY = h - z.lampH - 4;
    const int inputY = twoRows ? h + 1 - 2 * (z.lampH + kGap) : lowerY;
    const int inputNameY = twoRows ? h - z.lampH - 29 : h - z.nameRise;
    const int outputNameY = twoRows ? h - 25 : inputNameY;

    QList<StatusLamp> lamps;
    auto add = [&](bool input, int index, int x, int y, int nameY, const QString& name) {
        StatusLamp l;
        l.input = input;
        l.index = index;
        l.lamp = QRect(x, y, z.lampW, z.lampH);
        l.nameBox = QRect(x, nameY, z.lampW, z.nameBoxH);
        l.name = name;
        lamps << l;
    };

    // Input 0 keeps its place even without a lamp; input 1 always has one.
    int x = 7;
    for (int in : InputsShown(p)) {
        if (in > 0)
            x += z.lampW + kGap;
        add(true, in, x, inputY, inputNameY, gaName[in]);
    }

    const int outputs = OutputsShown(p);
    x = twoRows ? 7 : x + z.lampW + 20;
    const int outputY = twoRows ? lowerY : inputY;
    for (int o = 0; o < outputs; ++o) {
        const int slot = p.machineType == 4 ? 9 + o : 4 + o;
        add(false, o, x, outputY, outputNameY, slot < 18 ? gaName[slot] : QString());
        x += z.lampW + kGap;
    }
    if (p.prodNgPulseNoAlarm || p.prodNgNoAlarmSplitOutputs) {
        for (int k = 0; k < 4; ++k) {
            add(false, outputs + k, x, outputY, outputNameY, QStringLiteral(" N %1 ").arg(k + 1));
            x += z.lampW + kGap;
        }
    }
    return lamps;
}

int StatusTextStart(const QList<StatusLamp>& lamps, StatusClass c)
{
    const int left = lamps.isEmpty() ? 0 : lamps.last().nameBox.left();
    return left + StatusSizesFor(c).textIndent;
}

QString StatusTimeText(const QDateTime& now, qint64 lastCycleTime)
{
    return LanStr(110)
        .arg(now.toString(QStringLiteral("yyyy-MM-dd hh.mm.ss")))
        .arg(double(lastCycleTime) / 10.0, 4, 'f', 1);
}
