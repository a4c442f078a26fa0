#include "VUR_RecordFile.h"

#include "foundation/GLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace VurRecordFile {

bool Read(const QString& path, QByteArray* text)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    *text = f.readAll();
    // The text ends at the first NUL, as the JSON reader would see it.
    const int nul = text->indexOf('\0');
    if (nul >= 0)
        text->truncate(nul);
    return true;
}

bool Write(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(text) != text.size() || !f.commit()) {
        GLogInfo(QStringLiteral("VUR: cannot write %1: %2").arg(path, f.errorString()));
        return false;
    }
    return true;
}

}  // namespace VurRecordFile
