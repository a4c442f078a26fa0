#pragma once
// The USB disk for exports and updates: the first removable partition (FAT,
// NTFS, exFAT) that is not on the system disk, mounted on the mount point.
// Host effects go through the system-action layer as argument lists; the
// listings are parsed by their fields.
#include <QList>
#include <QString>

namespace UsbDisk {

struct Partition {
    QString device;  // text before the first ':' of a blkid line
    QString type;    // value of its TYPE field
};

// One entry per non-empty blkid line; fields are KEY="value" pairs.
QList<Partition> ParseBlkid(const QString& output);
// The system disk a partition lies on: the device path without its
// trailing digits (/dev/sda1 -> /dev/sda, /dev/mmcblk0p2 -> /dev/mmcblk0p).
QString DiskPrefix(const QString& device);
// First removable partition listed after the system disk's ext4 partition
// and not on that disk; "" when there is none.
QString PickPartition(const QString& blkidOutput);

// Mount table in /proc/mounts form: device, mount point, ... per line.
int CountMountsOn(const QString& table, const QString& mountPoint);
bool IsMountedAt(const QString& table, const QString& device, const QString& mountPoint);

}  // namespace UsbDisk

// What finding the disk needs of the host.
class UsbHost {
public:
    virtual ~UsbHost() = default;
    virtual QString mountPoint() const = 0;
    virtual QString blkid() = 0;
    // False when the table cannot be read.
    virtual bool readMounts(QString* table) = 0;
    virtual void umount(const QString& mountPoint) = 0;
    virtual void mount(const QString& device, const QString& mountPoint) = 0;
};

// The panel: blkid, mount and umount as programs (at most 1 s each), the
// kernel's /proc/mounts, the mount point /mnt.
class PanelUsbHost : public UsbHost {
public:
    QString mountPoint() const override;
    QString blkid() override;
    bool readMounts(QString* table) override;
    void umount(const QString& mountPoint) override;
    void mount(const QString& device, const QString& mountPoint) override;
};

// A default build: a folder laid out by a test or the demo stands in for the
// host. <root>/blkid is the listing, <root>/mounts the mount table, <root>/mnt
// the mount point. mount and umount are recorded by the system-action layer
// and change <root>/mounts the way the kernel would.
class FolderUsbHost : public UsbHost {
public:
    explicit FolderUsbHost(const QString& root) : m_root(root) {}
    QString mountPoint() const override;
    QString blkid() override;
    bool readMounts(QString* table) override;
    void umount(const QString& mountPoint) override;
    void mount(const QString& device, const QString& mountPoint) override;

private:
    bool writeMounts(const QString& table);
    QString m_root;
};

// Mounts the USB disk and returns its mount point, or "" without one.
QString FindAU(UsbHost& host);
// With the panel's host; a default build uses the folder of MOJU_USB_ROOT
// and finds no disk without it.
QString FindAU();
// Takes the disk off its mount point again, on the same host as FindAU.
void UnmountAU(const QString& mountPoint);
