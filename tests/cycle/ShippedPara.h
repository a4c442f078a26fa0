#pragma once
// The default group's parameters as it ships, loaded as the program loads
// a group: a table row with them follows the shipped file, whatever it holds.
#include "../params/ParaTestDb.h"
#include "foundation/uitext.h"
#include "params/WizardPara.h"

#include <QFile>

// Loads `p` from copies of the shipped group's files made in the current
// directory (the program may write rows it adds on load). The group's
// language is the program's, not the test's: gLan stays as it was.
inline bool LoadShippedPara(WizardPara& p)
{
    const QString from = QStringLiteral(MOJU_TEMPLATE_DIR "/paraGroup/default/");
    for (const char* f : {"shipped-PARAM.db", "shipped-SN.db"})
        QFile::remove(QLatin1String(f));
    if (!QFile::copy(from + QStringLiteral("PARAM.db"), QStringLiteral("shipped-PARAM.db"))
        || !QFile::copy(from + QStringLiteral("SN.db"), QStringLiteral("shipped-SN.db")))
        return false;
    const bool open = OpenTestDb(QStringLiteral("shipped-param"), QStringLiteral("shipped-PARAM.db")).isOpen()
                      && OpenTestDb(QStringLiteral("shipped-sn"), QStringLiteral("shipped-SN.db")).isOpen();
    if (open) {
        const int lan = gLan;
        p = WizardPara();
        p.LoadDatafromFile(nullptr, QStringLiteral("shipped-param"), QStringLiteral("shipped-sn"));
        gLan = lan;
    }
    CloseTestDb(QStringLiteral("shipped-param"));
    CloseTestDb(QStringLiteral("shipped-sn"));
    return open;
}
