#include "SettingsPopups.h"

#include "widgets/ChooseBox.h"
#include "widgets/WarnBox.h"

bool Ask(const QString& text)
{
    return AskText(text);
}

void Warn(const QString& text)
{
    WarnText(text);
}

QString ShortPath(const QString& path)
{
    return path.section(QLatin1Char('/'), -2, -1, QString::SectionSkipEmpty);
}
