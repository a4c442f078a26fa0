#include "TemplateLibrary.h"

#include "network/VUR_Net.h"
#include "params/CammerWidgetData.h"
#include "params/WizardPara.h"
#include "platform/vision/FrameBmp.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>

namespace {
bool Reporting()
{
    return gpWPara && ReportsToPlant(*gpWPara);
}

QString Dir(const CammerWidgetData& w, int g)
{
    return QFileInfo(w.GroupFile(g, QStringLiteral("x"))).path();
}

// n of "template<n>.bmp" with n >= 1, else -1.
int Number(const QString& name)
{
    static const QRegularExpression re(QStringLiteral("^template([1-9][0-9]{0,3})\\.bmp$"));
    const QRegularExpressionMatch m = re.match(name);
    if (!m.hasMatch())
        return -1;
    const int n = m.captured(1).toInt();
    return n >= 1 ? n : -1;
}

bool HasGroup(const CammerWidgetData& w, int g)
{
    return g >= 0 && g < CammerWidgetData::kGroups && !w.templateImages[g].empty()
        && w.templateUsed[g].size() == w.templateImages[g].size();
}
}  // namespace

namespace TemplateLibrary {

QList<int> ExtraTemplatesByAge(const QString& dir)
{
    const QFileInfoList files = QDir(dir).entryInfoList({QStringLiteral("template*.bmp")}, QDir::Files,
                                                        QDir::Time | QDir::Reversed);
    QList<int> numbers;
    for (const QFileInfo& f : files)
        if (const int n = Number(f.fileName()); n >= 1)
            numbers << n;
    return numbers;
}

int TakeSlot(CammerWidgetData& w, int g)
{
    if (!w.EnsureGroupBuffers(g) || !HasGroup(w, g))
        return -1;
    auto& used = w.templateUsed[g];
    const int slotCount = int(used.size());
    if (w.templateNum[g] < slotCount) {
        for (int k = 0; k < slotCount; ++k) {
            if (!used[size_t(k)]) {
                used[size_t(k)] = 1;
                ++w.templateNum[g];
                return k;
            }
        }
    }
    const QList<int> byAge = ExtraTemplatesByAge(Dir(w, g));
    // Files removed behind the program's back: the last slot, never template 0.
    if (byAge.isEmpty())
        return slotCount - 1;
    const int oldest = byAge.first();
    if (oldest < slotCount)
        return oldest;
    QFile::remove(w.GroupFile(g, QStringLiteral("template%1.bmp").arg(oldest)));
    if (Reporting())
        gpNet->VUR_SendDelTempPic(w.camera + 1, g + 1, QStringLiteral("template%1").arg(oldest));
    return slotCount - 1;
}

bool Write(CammerWidgetData& w, int g, int k, QString* why)
{
    const QString path = w.GroupFile(g, QStringLiteral("template%1.bmp").arg(k));
    if (why)
        *why = path;
    if (!HasGroup(w, g) || k < 0 || k >= int(w.templateImages[g].size()))
        return false;
    QDir().mkpath(Dir(w, g));
    if (!w.WriteTemplate(g, k, path))
        return false;
    w.TemplateFileWritten(g, k);
    if (Reporting())
        gpNet->VUR_SendTempPic(QFileInfo(path).absoluteFilePath());
    return true;
}

int Add(CammerWidgetData& w, int g, const FrameBytes& frame, QString* why)
{
    if (why)
        why->clear();
    // The slot keeps what it held until its file is in place.
    const std::vector<int32_t> usedBefore = w.EnsureGroupBuffers(g) ? w.templateUsed[g] : std::vector<int32_t>();
    const int countBefore = w.templateNum[g];
    const int slot = TakeSlot(w, g);
    if (slot < 0)
        return -1;
    // The file is written from the frame and becomes the slot: until it is
    // in place the slot still reads what it held.
    const FrameLayout& l = w.layout();
    const QString path = w.GroupFile(g, QStringLiteral("template%1.bmp").arg(slot));
    QDir().mkpath(Dir(w, g));
    if (frame.size() < size_t(l.colorLen()) || !WriteFrameBmp(path, frame.data(), l.width, l.height, l.colour)) {
        if (why)
            *why = path;
        w.templateUsed[g] = usedBefore;
        w.templateNum[g] = countBefore;
        return -1;
    }
    w.TemplateFileWritten(g, slot);
    if (Reporting())
        gpNet->VUR_SendTempPic(QFileInfo(path).absoluteFilePath());
    return slot;
}

bool Delete(CammerWidgetData& w, int g, int k)
{
    if (!HasGroup(w, g) || k < 1 || k >= int(w.templateUsed[g].size()) || !w.templateUsed[g][size_t(k)])
        return false;
    w.templateUsed[g][size_t(k)] = 0;
    --w.templateNum[g];
    const QString name = QStringLiteral("template%1.bmp").arg(k);
    QFile::remove(w.GroupFile(g, name));
    if (Reporting())
        gpNet->VUR_SendDelTempPic(w.camera + 1, g + 1, name);
    return true;
}

void DeleteAll(CammerWidgetData& w, int steps)
{
    for (int g = 0; g < std::min(steps, int(CammerWidgetData::kGroups)); ++g) {
        if (HasGroup(w, g)) {
            std::fill(w.templateUsed[g].begin() + 1, w.templateUsed[g].end(), 0);
            w.templateUsed[g][0] = 1;
            w.templateNum[g] = 1;
        }
        // Template 0 stays by its name, whatever sorts first.
        const QFileInfoList files =
            QDir(Dir(w, g)).entryInfoList({QStringLiteral("template*.bmp")}, QDir::Files, QDir::Name);
        for (const QFileInfo& f : files) {
            if (Number(f.fileName()) < 1)
                continue;
            QFile::remove(f.absoluteFilePath());
            if (Reporting())
                gpNet->VUR_SendDelTempPic(w.camera + 1, g + 1, f.fileName());
        }
    }
    w.templateIndex = 0;
}

int Step(const CammerWidgetData& w, int g, int from, int dir)
{
    if (!HasGroup(w, g))
        return 0;
    const int slotCount = int(w.templateUsed[g].size());
    int k = std::clamp(from, 0, slotCount - 1);
    for (int i = 0; i < slotCount; ++i) {
        k = (k + dir + slotCount) % slotCount;
        if (w.templateUsed[g][size_t(k)])
            return k;
    }
    return 0;  // slot 0 is always there
}

}  // namespace TemplateLibrary
