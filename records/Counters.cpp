#include "Counters.h"

#include "platform/SafeWrite.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>

int gAllNum[8] = {};
int gFailNum[8] = {};

void CountFileRead(const QString& path, int all[8], int fail[8])
{
    for (int c = 0; c < 8; ++c)
        all[c] = fail[c] = 0;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return;
    QTextStream in(&f);
    for (int c = 0; c < 8; ++c) {
        for (int* slot : {&all[c], &fail[c]}) {
            qint64 v = 0;
            in >> v;
            if (in.status() != QTextStream::Ok)
                return;
            *slot = (v > kCountLimit || v < 0) ? 0 : int(v);
        }
    }
}

void CountOne(int* total)
{
    *total = int(HeldCount(qint64(*total) + 1));
}

qint64 HeldCount(qint64 total)
{
    return std::min(total, kCountLimit);
}

void CountRead(const QString& path)
{
    CountFileRead(path, gAllNum, gFailNum);
}

bool CountFileWrite(const QString& path, const int all[8], const int fail[8])
{
    QByteArray text;
    for (int c = 0; c < 8; ++c) {
        text += QByteArray::number(all[c]) + ' ';
        text += QByteArray::number(fail[c]) + ' ';
    }
    return SafeWrite::Write(path, text);
}

bool CountWrite(const QString& path)
{
    return CountFileWrite(path, gAllNum, gFailNum);
}

bool SaveCountWrite(qint64 savedImageCount, const QString& path)
{
    return SafeWrite::Write(path, QByteArray::number(savedImageCount));
}
