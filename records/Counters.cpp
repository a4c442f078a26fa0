#include "Counters.h"

#include <QFile>
#include <QSaveFile>
#include <QTextStream>

int gAllNum[8] = {};
int gFailNum[8] = {};

namespace {
constexpr qint64 kCountLimit = 100000000;

bool writeWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    if (f.write(bytes) != bytes.size()) {
        f.cancelWriting();
        return false;
    }
    return f.commit();
}
}  // namespace

void CountRead(const QString& path)
{
    for (int c = 0; c < 8; ++c)
        gAllNum[c] = gFailNum[c] = 0;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    QTextStream in(&f);
    for (int c = 0; c < 8; ++c) {
        for (int* slot : {&gAllNum[c], &gFailNum[c]}) {
            qint64 v = 0;
            in >> v;
            if (in.status() != QTextStream::Ok)
                return;
            *slot = (v > kCountLimit || v < 0) ? 0 : int(v);
        }
    }
}

bool CountWrite(const QString& path)
{
    QByteArray text;
    for (int c = 0; c < 8; ++c) {
        text += QByteArray::number(gAllNum[c]) + ' ';
        text += QByteArray::number(gFailNum[c]) + ' ';
    }
    return writeWhole(path, text);
}

bool SaveCountWrite(qint64 savedImageCount, const QString& path)
{
    return writeWhole(path, QByteArray::number(savedImageCount));
}
