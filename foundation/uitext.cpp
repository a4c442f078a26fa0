#include "uitext.h"

#include "UiTextRows.h"

QString gaLanStr[kLanIds * 3];
int gLan = 0;

void LoadLanguageTable()
{
    for (int i = 0; i < kUiTextRowCount; ++i) {
        const UiTextRow& row = kUiTextRows[i];
        for (int lan = 0; lan < kLanCount; ++lan)
            gaLanStr[row.id * 3 + lan] = QString::fromUtf8(row.text[lan]);
    }
}

int LanguageFromStored(int stored)
{
    return stored >= 0 && stored < kLanCount ? stored : kLanZhCN;
}

QString AsLogLine(const QString& text)
{
    QString line = text;
    line.replace(QLatin1String("\r\n"), QLatin1String(" ")).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return line.simplified();
}
