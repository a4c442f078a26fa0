#include "Prompts.h"

#include "widgets/ChooseBox.h"
#include "widgets/WarnBox.h"

void WarnText(const QString& text)
{
    if (!gpWarnBox)
        return;
    gpWarnBox->setText(text);
    gpWarnBox->exec();
}

bool AskText(const QString& text)
{
    if (!gpChooseBox)
        return false;
    gpChooseBox->setText(text);
    return gpChooseBox->exec() == 1;
}
