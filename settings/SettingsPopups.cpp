#include "SettingsPopups.h"

#include "widgets/ChooseBox.h"
#include "widgets/WarnBox.h"

bool Ask(const QString& text)
{
    if (!gpChooseBox)
        return false;
    gpChooseBox->setText(text);
    return gpChooseBox->exec() == 1;
}

void Warn(const QString& text)
{
    if (!gpWarnBox)
        return;
    gpWarnBox->setText(text);
    gpWarnBox->exec();
}

QString ShortPath(const QString& path)
{
    return path.section(QLatin1Char('/'), -2, -1, QString::SectionSkipEmpty);
}
