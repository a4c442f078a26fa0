#include "VerifiedCopy.h"

#include "SafeWrite.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace VerifiedCopy {
namespace {
constexpr qint64 kChunk = 1 << 20;

bool Fail(Failure* failure, const QString& path, const QString& reason)
{
    qWarning().noquote() << "copy:" << path << "-" << reason;
    if (failure)
        *failure = {path, reason};
    return false;
}

// MD5 of a whole file; empty when it cannot be read to its end.
QByteArray Digest(const QString& path, qint64* size)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Md5);
    qint64 total = 0;
    while (true) {
        const QByteArray chunk = f.read(kChunk);
        if (chunk.isEmpty())
            break;
        hash.addData(chunk);
        total += chunk.size();
    }
    if (f.error() != QFileDevice::NoError)
        return {};
    *size = total;
    return hash.result();
}
}  // namespace

bool CopyFile(const QString& from, const QString& to, Failure* failure)
{
    QFile in(from);
    if (!in.open(QIODevice::ReadOnly))
        return Fail(failure, from, in.errorString());
    QFile out(to);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return Fail(failure, to, out.errorString());
    QCryptographicHash hash(QCryptographicHash::Md5);
    qint64 total = 0;
    QString error;
    while (error.isEmpty()) {
        const QByteArray chunk = in.read(kChunk);
        if (chunk.isEmpty()) {
            if (in.error() != QFileDevice::NoError)
                error = in.errorString();
            break;
        }
        hash.addData(chunk);
        total += chunk.size();
        if (out.write(chunk) != chunk.size())
            error = QString::fromLocal8Bit(std::strerror(errno));  // a full disk says so here
    }
    // The restart that may follow must find the data on the disk.
    if (error.isEmpty() && (!out.flush() || ::fsync(out.handle()) != 0))
        error = out.errorString().isEmpty() ? QString::fromLocal8Bit(std::strerror(errno)) : out.errorString();
    out.close();
    if (error.isEmpty() && out.error() != QFileDevice::NoError)
        error = out.errorString();
    if (error.isEmpty()) {
        qint64 copied = -1;
        const QByteArray back = Digest(to, &copied);
        if (copied != total || back != hash.result())
            error = QStringLiteral("the copy differs from its source (%1 of %2 bytes)").arg(copied).arg(total);
    }
    if (!error.isEmpty()) {
        QFile::remove(to);
        return Fail(failure, to, error);
    }
    return true;
}

bool CopyTree(const QString& from, const QString& to, const SkipRule& skip, Failure* failure)
{
    const QDir source(from);
    if (!source.exists())
        return Fail(failure, from, QStringLiteral("no such folder"));
    if (!QDir().mkpath(to))
        return Fail(failure, to, QStringLiteral("cannot create the folder"));
    const QFileInfoList entries = source.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& e : entries) {
        if (skip && skip(e))
            continue;
        const QString target = to + QLatin1Char('/') + e.fileName();
        if (e.isDir()) {
            if (e.isSymLink())
                continue;  // a linked folder may lead back into the copy
            if (!CopyTree(e.filePath(), target, skip, failure))
                return false;
        } else if (e.isFile()) {
            if (!CopyFile(e.filePath(), target, failure))
                return false;
        }
        // Sockets, devices and dangling links are not data.
    }
    // The names of the copies must survive a power cut as their data does.
    SafeWrite::SyncFolder(to);
    return true;
}

bool RemoveAll(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    if (info.isDir() && !info.isSymLink())
        return QDir(path).removeRecursively();
    return QFile::remove(path);
}

QString AsideName(const QString& path)
{
    const QFileInfo info(path);
    return info.path() + QStringLiteral("/.") + info.fileName() + QStringLiteral(".replaced");
}

bool Replace(const QString& from, const QString& to, Failure* failure)
{
    const QFileInfo target(to);
    if (!target.isDir() || target.isSymLink()) {
        // A file is replaced in one step: the old one or the new one, never neither.
        if (std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) != 0)
            return Fail(failure, to, QString::fromLocal8Bit(std::strerror(errno)));
        return true;
    }
    // A folder is moved aside first and put back when the new one cannot take
    // its place. The aside name starts with a dot: no name a user gives.
    const QString aside = AsideName(to);
    RemoveAll(aside);
    if (!QDir().rename(to, aside))
        return Fail(failure, to, QStringLiteral("cannot move the old folder aside"));
    if (!QDir().rename(from, to)) {
        QDir().rename(aside, to);
        return Fail(failure, to, QStringLiteral("cannot move the new folder in place"));
    }
    RemoveAll(aside);
    SafeWrite::SyncFolder(QFileInfo(to).absolutePath());
    return true;
}

}  // namespace VerifiedCopy
