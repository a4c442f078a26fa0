#include "WizardPara.h"

#include "IOSetup.h"
#include "ParaChecks.h"
#include "ParaRows.h"
#include "ParamReports.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>
#include <QVariant>

WizardPara* gpWPara = nullptr;
WizardPara* gpWParaBak = nullptr;
std::atomic<int> gDNum {2};
char gSerialNB[8][100] = {};

namespace {

const char* const kSysAddFile = "sysadd.txt";

// Rows the load creates when they are missing, with their first-start values.
QString InsertedRowValue(const QString& key)
{
    QStringList zeros;
    for (int i = 0; i < 20; ++i)
        zeros << QStringLiteral("0");
    if (key == QLatin1String("system7"))
        zeros[6] = QStringLiteral("1");  // alarm output inverted
    return zeros.join(QLatin1Char(' '));
}

bool IsInsertedOnLoad(const QString& key)
{
    static const QStringList keys = {
        QStringLiteral("system7"), QStringLiteral("system8"), QStringLiteral("system9"),
        QStringLiteral("system10"), QStringLiteral("system11"), QStringLiteral("system12"),
        QStringLiteral("system13")};
    return keys.contains(key);
}

bool SelectValue(QSqlQuery& q, const QString& key, QString* value)
{
    q.prepare(QStringLiteral("select value from sysparam where name=?"));
    q.addBindValue(key);
    if (!q.exec() || !q.next())
        return false;
    *value = q.value(0).toString();
    return true;
}

bool InsertRow(QSqlQuery& q, const QString& key, const QString& value)
{
    q.prepare(QStringLiteral("insert into sysparam values(?, ?)"));
    q.addBindValue(key);
    q.addBindValue(value);
    return q.exec();
}

// A stored text ends at its first NUL, so a record equals itself after a save and load.
QByteArray UpToNul(QByteArray bytes)
{
    const int nul = bytes.indexOf('\0');
    if (nul >= 0)
        bytes.truncate(nul);
    return bytes;
}

void LoadSysAdd(WizardPara& p)
{
    p.paraGroupIndex = 0;
    QFile f(QString::fromLatin1(kSysAddFile));
    if (f.open(QIODevice::ReadOnly)) {
        QTextStream in(&f);
        in.setIntegerBase(10);  // the stream would read a leading 0 as octal
        in >> p.paraGroupIndex;
        return;
    }
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(QByteArray::number(p.paraGroupIndex));
}

void LoadSerialNumbers(WizardPara& p, const QString& snConnection)
{
    p.storedSerialCount = 0;
    QSqlDatabase db = QSqlDatabase::database(snConnection, false);
    if (!db.isValid() || !db.isOpen())
        return;
    QSqlQuery q(db);
    for (int i = 0; i < 8; ++i) {
        const QString key = QStringLiteral("serialNB%1").arg(i);
        QString value;
        if (SelectValue(q, key, &value)) {
            const QByteArray bytes = UpToNul(value.toLatin1());
            if (bytes.size() >= 9 && bytes.size() <= 99) {
                std::memset(gSerialNB[i], 0, sizeof gSerialNB[i]);
                std::memcpy(gSerialNB[i], bytes.constData(), size_t(bytes.size()));
                ++p.storedSerialCount;
            }
        } else {
            std::memset(gSerialNB[i], 0, sizeof gSerialNB[i]);
            gSerialNB[i][0] = '0';
            InsertRow(q, key, QStringLiteral("0"));
        }
    }
}

}  // namespace

WizardPara::WizardPara() = default;

void WizardPara::SetText(char (&field)[kTextSize], const QString& text)
{
    QByteArray bytes = UpToNul(text.toUtf8());
    if (bytes.size() > kTextSize - 1) {
        int cut = kTextSize - 1;
        // Step back over continuation bytes so no character is split.
        while (cut > 0 && (static_cast<unsigned char>(bytes.at(cut)) & 0xC0) == 0x80)
            --cut;
        bytes.truncate(cut);
    }
    std::memset(field, 0, kTextSize);
    std::memcpy(field, bytes.constData(), size_t(bytes.size()));
}

QString WizardPara::Text(const char (&field)[kTextSize])
{
    return QString::fromUtf8(field, int(qstrnlen(field, kTextSize)));
}

int WizardPara::RedetectCountOfStep(int step) const
{
    if (step == 0)
        return recheckCount1;
    if (step == 1)
        return recheckCount2;
    return 0;
}

bool ReportsToPlant(const WizardPara& live)
{
    return live.netEnabled && ParamReports::instance().linkUp();
}

bool WizardPara::SaveChkDBItem(const QString& key, const QString& paramConnection)
{
    QSqlDatabase db = QSqlDatabase::database(paramConnection, false);
    if (!db.isValid() || !db.isOpen())
        return false;
    QSqlQuery q(db);
    QString value;
    return SelectValue(q, key, &value) || InsertRow(q, key, QStringLiteral("0"));
}

bool WizardPara::SaveDatatoFile(const QString& paramConnection)
{
    QSqlDatabase db = QSqlDatabase::database(paramConnection, false);
    if (!db.isValid() || !db.isOpen()) {
        qWarning("Parameters not saved: PARAM.db connection %s is not open", qPrintable(paramConnection));
        return false;
    }
    if (!db.transaction()) {
        qWarning("Parameters not saved: %s", qPrintable(db.lastError().text()));
        return false;
    }
    QSqlQuery q(db);
    QString failed;
    for (const QString& key : ParaSaveOrder()) {
        QString value;
        if (const ParaRow* row = FindParaRow(key))
            value = FormatParaRow(ReadRowFields(*row, *this));
        else if (const ParaTextRow* text = FindParaTextRow(key))
            value = Text(this->*(text->text));
        else
            continue;
        // A row missing from an old file is created rather than losing the setting.
        if (!SaveChkDBItem(key, paramConnection)) {
            failed = key + QStringLiteral(": ") + db.lastError().text();
            break;
        }
        q.prepare(QStringLiteral("update sysparam set value=? where name=?"));
        q.addBindValue(value);
        q.addBindValue(key);
        if (!q.exec()) {
            failed = key + QStringLiteral(": ") + q.lastError().text();
            break;
        }
    }
    // All rows or none: a half-written record would load as a mix of old and new.
    if (failed.isEmpty() && !db.commit())
        failed = db.lastError().text();
    if (!failed.isEmpty()) {
        db.rollback();
        qWarning("Parameters not saved (%s)", qPrintable(failed));
        return false;
    }
    if (ReportsToPlant(*this))
        ParamReports::instance().paramsSaved();
    return true;
}

void WizardPara::SaveAddFile()
{
    QFile f(QString::fromLatin1(kSysAddFile));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    f.write(QByteArray::number(paraGroupIndex) + '\n');
    f.flush();
    f.close();
}

void WizardPara::LoadDatafromFile(IOSetupHost* host, const QString& paramConnection,
                                  const QString& snConnection)
{
    LoadSysAdd(*this);

    QSqlDatabase db = QSqlDatabase::database(paramConnection, false);
    if (db.isValid() && db.isOpen()) {
        QSqlQuery q(db);
        for (const ParaRow& row : ParaIntRows()) {
            const QString key = QString::fromLatin1(row.key);
            QString value;
            if (SelectValue(q, key, &value))
                WriteRowFields(row, *this, ParseParaRow(value, int(row.values.size())));
            else if (IsInsertedOnLoad(key))
                InsertRow(q, key, InsertedRowValue(key));
        }
        for (const ParaTextRow& row : ParaTextRows()) {
            QString value;
            if (SelectValue(q, QString::fromLatin1(row.key), &value))
                SetText(this->*(row.text), value);
        }
    }

    ApplyLoadChecks(*this);
    ApplyFunctionGuard(*this);
    DeriveIOSetup(*this, host, IONames::Load);
    LoadSerialNumbers(*this, snConnection);
}
