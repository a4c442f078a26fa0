// The maintenance buttons that work with files: program update from the USB
// disk, data export onto it, and the factory reset from the default group.
// The machine restarts only after the archive is in place and checked.
#include "WizardParaWidget.h"

#include "MaintenanceFiles.h"
#include "SettingsHost.h"
#include "SettingsPopups.h"
#include "foundation/VisionGlobals.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"
#include "platform/SystemActions.h"
#include "platform/UsbDisk.h"
#include "widgets/TouchFileDialog.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace {
// Reports why an archive was not placed; true when it was.
bool Placed(Maintenance::Placed result, const Maintenance::Failure& failure, const std::function<void(const QString&)>& report)
{
    switch (result) {
    case Maintenance::Placed::Done:
        return true;
    case Maintenance::Placed::Unreadable:
        report(LanStr(1107).arg(ShortPath(failure.path)));
        return false;
    case Maintenance::Placed::CopyFailed:
        report(LanStr(1108).arg(ShortPath(failure.path)));
        return false;
    }
    return false;
}

// The archive must be on the disk before the restart.
bool Synced()
{
    return sysRun({QStringLiteral("sync")}).ok();
}
}  // namespace

QString WizardParaWidget::AskForUsbDisk()
{
    QString disk = FindAU();
    while (disk.isEmpty()) {
        if (!Ask(LanStr(320)))
            return QString();
        disk = FindAU();
    }
    return disk;
}

void WizardParaWidget::SlotUpdateApp()
{
    const QString disk = AskForUsbDisk();
    if (disk.isEmpty())
        return;
    TouchFileDialog pick(this, QStringLiteral("选择投影数据文件目录"), disk, QStringLiteral("*.[r,t]ar*"));
    pick.setFileMode(QFileDialog::ExistingFile);
    pick.setViewMode(QFileDialog::List);
    pick.resize(gShowW - 50, gShowH - 100);
    if (pick.exec() != QDialog::Accepted)
        return;
    const QString path = pick.selectedFiles().value(0);
    if (path.size() < 3 || !Ask(LanStr(323)))
        return;
    const QString name = Maintenance::UpdateArchiveName(path);
    if (name.isEmpty()) {
        Report(LanStr(1106));
        return;
    }
    Maintenance::Failure failure;
    const auto report = [this](const QString& text) { Report(text); };
    if (!Placed(Maintenance::PlaceArchive(path, name, QStringLiteral("."), &failure), failure, report))
        return;
    if (!Synced()) {
        Report(LanStr(1108).arg(name));
        return;
    }
    m_host->StopWTD();
    m_host->FLushAll();
    sysRun({QStringLiteral("reboot")});
}

void WizardParaWidget::SlotExportData()
{
    if (!Ask(LanStr(324)))
        return;
    const QString disk = AskForUsbDisk();
    if (disk.isEmpty())
        return;
    Maintenance::Export job;
    job.workDir = QDir::currentPath();
    job.disk = disk;
    job.stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd_hh.mm.ss"));
    job.cameras = m_host->numCamera();
    job.steps = gDNum;
    if (m_host->hasWorkbook())
        job.workbook = [this](const QString& book) { return m_host->writeWorkbook(book); };
    Maintenance::Failure failure;
    const bool exported = Maintenance::ExportData(job, &failure);
    // The disk comes off in either case: what was copied stays readable.
    const bool synced = Synced();
    UnmountAU(disk);
    if (!exported) {
        Report(LanStr(1110).arg(ShortPath(failure.path)));
        return;
    }
    if (!synced) {
        Report(LanStr(1110).arg(ShortPath(disk)));
        return;
    }
    Warn(LanStr(147));
}

void WizardParaWidget::SlotRestoreFactorySet()
{
    if (!Ask(LanStr(551) + QLatin1Char('?')))
        return;
    const QString archive = paraGroupDir.path() + QStringLiteral("/default/20clearsh.tar.gz");
    if (!QFileInfo(archive).isFile()) {
        Report(LanStr(1109).arg(ShortPath(archive)));
        return;
    }
    Maintenance::Failure failure;
    const auto report = [this](const QString& text) { Report(text); };
    if (!Placed(Maintenance::PlaceArchive(archive, QStringLiteral("newupdate.tar.gz"), QStringLiteral("."), &failure),
                failure, report))
        return;
    if (!Synced()) {
        Report(LanStr(1108).arg(ShortPath(archive)));
        return;
    }
    m_host->FLushAll();
    sysRun({QStringLiteral("reboot")});
}
