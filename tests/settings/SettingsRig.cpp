#include "SettingsRig.h"

#include "platform/SystemActions.h"

bool SetStoredValue(const QString& key, int pos, int value)
{
    QSqlQuery q(QSqlDatabase::database(QStringLiteral("dbIn")));
    q.prepare(QStringLiteral("select value from sysparam where name=?"));
    q.addBindValue(key);
    if (!q.exec() || !q.next())
        return false;
    QStringList v = q.value(0).toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    while (v.size() < pos)
        v << QStringLiteral("0");
    v[pos - 1] = QString::number(value);
    QSqlQuery u(QSqlDatabase::database(QStringLiteral("dbIn")));
    u.prepare(QStringLiteral("update sysparam set value=? where name=?"));
    u.addBindValue(v.join(QLatin1Char(' ')));
    u.addBindValue(key);
    return u.exec();
}

int StoredValue(const QString& key, int pos)
{
    RealSystemActions shell;
    const ActionResult r = shell.run({QStringLiteral("sqlite3"), QStringLiteral("PARAM.db"),
                                      QStringLiteral("select value from sysparam where name='%1'").arg(key)});
    const QStringList v = QString::fromUtf8(r.output).trimmed().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return pos <= v.size() ? v[pos - 1].toInt() : INT_MIN;
}

SettingsRig::SettingsRig(const std::function<void()>& stored)
{
    for (const char* c : {"dbIn", "dbT"}) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(c));
        db.setDatabaseName(QLatin1String(c) == QLatin1String("dbIn") ? QStringLiteral("PARAM.db")
                                                                     : QStringLiteral("SN.db"));
        db.open();
    }
    if (stored)
        stored();
    LoadSkinPixmaps();
    gpWPara = new WizardPara;
    gpWPara->LoadDatafromFile(&host, QStringLiteral("dbIn"), QStringLiteral("dbT"));
    gpWParaBak = new WizardPara(*gpWPara);
    gpWarnBox = new WarnBox;
    gpChooseBox = new ChooseBox;
    gpNumPad = new NumberInput;
    gpNumCharPad = new NumCharInput;
    dlg = std::make_unique<WizardParaWidget>(&host, nullptr);
}

SettingsRig::~SettingsRig()
{
    dlg.reset();
    delete gpWarnBox;
    delete gpChooseBox;
    delete gpNumPad;
    delete gpNumCharPad;
    gpWarnBox = nullptr;
    gpChooseBox = nullptr;
    gpNumPad = nullptr;
    gpNumCharPad = nullptr;
    delete gpWPara;
    delete gpWParaBak;
    gpWPara = gpWParaBak = nullptr;
    for (const char* c : {"dbIn", "dbT"}) {
        QSqlDatabase::database(QLatin1String(c), false).close();
        QSqlDatabase::removeDatabase(QLatin1String(c));
    }
}

void SettingsRig::open()
{
    *gpWParaBak = *gpWPara;
    dlg->show();
}
