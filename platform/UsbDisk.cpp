#include "UsbDisk.h"

#include "DevicePaths.h"
#include "SystemActions.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <memory>

namespace {
constexpr int kCommandMs = 1000;  // a hanging command is abandoned, the next step runs

QStringList Lines(const QString& text)
{
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// /proc/mounts writes blanks and other bytes of a path as \ooo.
QString Unescape(const QString& field)
{
    auto octal = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('7'); };
    QString out;
    for (int i = 0; i < field.size(); ++i) {
        if (field[i] == QLatin1Char('\\') && i + 3 < field.size() && octal(field[i + 1]) && octal(field[i + 2])
            && octal(field[i + 3])) {
            out += QChar(field.mid(i + 1, 3).toInt(nullptr, 8));
            i += 3;
            continue;
        }
        out += field[i];
    }
    return out;
}

// Device and mount point of each line of a mount table.
QList<QPair<QString, QString>> MountEntries(const QString& table)
{
    QList<QPair<QString, QString>> entries;
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString& line : Lines(table)) {
        const QStringList f = line.split(blanks, Qt::SkipEmptyParts);
        if (f.size() >= 2)
            entries.append({Unescape(f[0]), Unescape(f[1])});
    }
    return entries;
}

bool IsRemovableType(const QString& type)
{
    return type == QLatin1String("vfat") || type == QLatin1String("ntfs") || type == QLatin1String("exfat");
}
}  // namespace

QList<UsbDisk::Partition> UsbDisk::ParseBlkid(const QString& output)
{
    static const QRegularExpression field(QStringLiteral("([A-Za-z_]+)=\"((?:[^\"\\\\]|\\\\.)*)\""));
    QList<Partition> parts;
    for (const QString& line : Lines(output)) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0)
            continue;
        Partition p;
        p.device = line.left(colon).trimmed();
        auto it = field.globalMatch(line, colon + 1);
        while (it.hasNext()) {
            const QRegularExpressionMatch m = it.next();
            if (m.captured(1) == QLatin1String("TYPE"))
                p.type = m.captured(2);
        }
        parts << p;
    }
    return parts;
}

QString UsbDisk::DiskPrefix(const QString& device)
{
    QString prefix = device;
    while (!prefix.isEmpty() && prefix.back().isDigit())
        prefix.chop(1);
    return prefix;
}

QString UsbDisk::PickPartition(const QString& blkidOutput)
{
    // A partition listed before the system disk is known is never taken:
    // it could lie on the system disk itself.
    QString systemDisk;
    for (const Partition& p : ParseBlkid(blkidOutput)) {
        if (p.type == QLatin1String("ext4"))
            systemDisk = DiskPrefix(p.device);
        else if (IsRemovableType(p.type) && !systemDisk.isEmpty() && !p.device.startsWith(systemDisk))
            return p.device;
    }
    return QString();
}

int UsbDisk::CountMountsOn(const QString& table, const QString& mountPoint)
{
    int n = 0;
    for (const auto& e : MountEntries(table))
        n += e.second == mountPoint ? 1 : 0;
    return n;
}

bool UsbDisk::IsMountedAt(const QString& table, const QString& device, const QString& mountPoint)
{
    for (const auto& e : MountEntries(table))
        if (e.first == device && e.second == mountPoint)
            return true;
    return false;
}

QString FindAU(UsbHost& host)
{
    const QString device = UsbDisk::PickPartition(host.blkid());
    if (device.isEmpty())
        return QString();
    const QString mp = host.mountPoint();
    QString table;
    if (!host.readMounts(&table))
        return QString();
    // Stale mounts (even stacked ones) go first, so the new one is on top.
    for (int n = UsbDisk::CountMountsOn(table, mp); n > 0; --n)
        host.umount(mp);
    host.mount(device, mp);
    if (!host.readMounts(&table))
        return QString();
    return UsbDisk::IsMountedAt(table, device, mp) ? mp : QString();
}

namespace {
// The host FindAU works on in this build; null without one.
std::unique_ptr<UsbHost> BuildHost()
{
#if MOJU_PANEL
    return std::make_unique<PanelUsbHost>();
#else
    const QString root = DevicePaths::usbRoot();
    if (root.isEmpty())
        return nullptr;
    return std::make_unique<FolderUsbHost>(root);
#endif
}
}  // namespace

QString FindAU()
{
    const std::unique_ptr<UsbHost> host = BuildHost();
    return host ? FindAU(*host) : QString();
}

void UnmountAU(const QString& mountPoint)
{
    if (const std::unique_ptr<UsbHost> host = BuildHost())
        host->umount(mountPoint);
}

QString PanelUsbHost::mountPoint() const
{
    return QStringLiteral("/mnt");
}

QString PanelUsbHost::blkid()
{
    return QString::fromUtf8(sysRun({QStringLiteral("blkid")}, kCommandMs).output);
}

bool PanelUsbHost::readMounts(QString* table)
{
    QFile f(QStringLiteral("/proc/mounts"));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    *table = QString::fromUtf8(f.readAll());
    return true;
}

void PanelUsbHost::umount(const QString& mountPoint)
{
    sysRun({QStringLiteral("umount"), mountPoint}, kCommandMs);
}

void PanelUsbHost::mount(const QString& device, const QString& mountPoint)
{
    sysRun({QStringLiteral("mount"), device, mountPoint}, kCommandMs);
}

QString FolderUsbHost::mountPoint() const
{
    return m_root + QStringLiteral("/mnt");
}

QString FolderUsbHost::blkid()
{
    QFile f(m_root + QStringLiteral("/blkid"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool FolderUsbHost::readMounts(QString* table)
{
    QFile f(m_root + QStringLiteral("/mounts"));
    if (!f.open(QIODevice::ReadOnly))
        return false;
    *table = QString::fromUtf8(f.readAll());
    return true;
}

bool FolderUsbHost::writeMounts(const QString& table)
{
    QSaveFile f(m_root + QStringLiteral("/mounts"));
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(table.toUtf8());
    return f.commit();
}

void FolderUsbHost::umount(const QString& mountPoint)
{
    sysRun({QStringLiteral("umount"), mountPoint}, kCommandMs);
    QString table;
    if (!readMounts(&table))
        return;
    // The kernel takes the topmost mount on that point: the last line.
    QStringList lines = Lines(table);
    for (int i = lines.size() - 1; i >= 0; --i) {
        if (UsbDisk::CountMountsOn(lines[i], mountPoint) == 1) {
            lines.removeAt(i);
            break;
        }
    }
    writeMounts(lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

void FolderUsbHost::mount(const QString& device, const QString& mountPoint)
{
    sysRun({QStringLiteral("mount"), device, mountPoint}, kCommandMs);
    QDir().mkpath(mountPoint);
    QString table;
    if (!readMounts(&table))
        return;
    if (!table.isEmpty() && !table.endsWith(QLatin1Char('\n')))
        table += QLatin1Char('\n');
    QString escaped = mountPoint;
    escaped.replace(QLatin1Char(' '), QLatin1String("\\040"));
    writeMounts(table + device + QLatin1Char(' ') + escaped + QStringLiteral(" vfat rw 0 0\n"));
}
