#include "PasswordRules.h"

QString GateMasterEntry(bool protectionOn, const QDateTime& now)
{
    const QString master = QString::fromLatin1(kMasterPassword);
    if (!protectionOn)
        return master;
    return master + now.toString(QString::fromLatin1(kGateMasterTimeFormat));
}

int GateUnlockLevel(const QString& entry, const QString& systemPassword, bool protectionOn,
                    const QDateTime& now)
{
    if (entry == GateMasterEntry(protectionOn, now))
        return UnlockMaster;
    if (entry == systemPassword)
        return UnlockSystem;
    return UnlockNone;
}
