#include "NetSettingsFiles.h"

#include "VUR_Json.h"

#include <QRegularExpression>

namespace NetSettingsFiles {

bool IsIPv4(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return false;
    for (const QString& p : parts) {
        if (p.isEmpty() || p.size() > 3)
            return false;
        for (QChar c : p)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return false;
        // "073" means 73 to some readers and 59 (octal) to others.
        if (p.size() > 1 && p.at(0) == QLatin1Char('0'))
            return false;
        if (p.toInt() > 255)
            return false;
    }
    return true;
}

bool IsPort(const QString& text)
{
    if (text.isEmpty() || text.size() > 5)
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const int n = text.toInt();
    return n >= 1 && n <= 65535;
}

namespace {
// Nothing that ends the quoted value early or breaks the line.
bool QuotableText(const QString& text)
{
    for (QChar c : text)
        if (c == QLatin1Char('"') || c == QLatin1Char('\\') || c.category() == QChar::Other_Control)
            return false;
    return true;
}
}  // namespace

bool IsWifiName(const QString& text)
{
    const qsizetype bytes = text.toUtf8().size();
    return bytes >= 1 && bytes <= 32 && QuotableText(text);
}

bool IsWifiPassword(const QString& text)
{
    if (text.size() < 8 || text.size() > 63)
        return false;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return false;
    return QuotableText(text);
}

QByteArray WifiConf(const QString& name, const QString& password)
{
    return "network={\r\n\tssid=\"" + name.toUtf8() + "\"\r\n\tpsk=\"" + password.toUtf8()
        + "\"\r\n\tproto=RSN\r\n}\r\n";
}

QPair<QString, QString> ParseWifiConf(const QString& text)
{
    static const QRegularExpression ssid(QStringLiteral(".*ssid=\"(.*)\".*"));
    static const QRegularExpression psk(QStringLiteral(".*psk=\"(.*)\".*"));
    QPair<QString, QString> out;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        const auto s = ssid.match(line);
        if (s.hasMatch())
            out.first = s.captured(1);
        const auto p = psk.match(line);
        if (p.hasMatch())
            out.second = p.captured(1);
    }
    return out;
}

QByteArray HostsFile(const QString& present, const QString& hostName)
{
    QStringList lines = present.split(QLatin1Char('\n'));
    int comment = -1;
    for (int i = 0; i < lines.size(); ++i)
        if (!lines[i].isEmpty() && lines[i].startsWith(QLatin1Char('#'))) {
            comment = i;
            break;
        }
    QStringList kept;
    if (comment > 0) {
        // Lines before the first comment named the old host; localhost stays.
        for (int i = 0; i < comment; ++i)
            if (lines[i].contains(QLatin1String("localhost")))
                kept << lines[i];
        lines = kept + lines.mid(comment);
    }
    QStringList out{QStringLiteral("127.0.1.1\t%1").arg(hostName), QStringLiteral("127.0.0.1\t%1").arg(hostName),
                    QStringLiteral("\n")};
    out += lines;
    QByteArray text;
    for (const QString& l : out)
        text += l.toUtf8() + '\n';
    return text;
}

QByteArray NetplanJson(const QMap<QString, QStringList>& cards, const QMap<QString, QString>& macs)
{
    cJSON* root = cJSON_CreateObject();
    cJSON* list = cJSON_CreateArray();
    for (auto it = cards.cbegin(); it != cards.cend(); ++it) {
        if (it->size() != 3)
            continue;
        cJSON* o = cJSON_CreateObject();
        VurJson::Str(o, "name", it.key().toUtf8());
        VurJson::Str(o, "mac", macs.value(it.key()).toUtf8());
        VurJson::Str(o, "address", it->at(0).toUtf8());
        VurJson::Str(o, "netmask", it->at(1).toUtf8());
        VurJson::Str(o, "gateway", it->at(2).toUtf8());
        cJSON_AddItemToArray(list, o);
    }
    cJSON_AddItemToObject(root, "netcard_info", list);
    return VurJson::Print(root);
}

QByteArray RegisterMac(const QString& present, const QMap<QString, QStringList>& cards,
                       const QMap<QString, QString>& macOf)
{
    QMap<QString, QString> entries;
    for (const QString& line : present.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList kv = line.split(QLatin1Char('='));
        if (kv.size() == 2)
            entries[kv[0]] = kv[1] + QLatin1Char('\n');
    }
    for (auto it = cards.cbegin(); it != cards.cend(); ++it) {
        const QString mac = macOf.value(it.key());
        if (mac.isEmpty() || it->size() != 3)
            continue;
        entries[mac] = it->join(QLatin1Char(';')) + QLatin1Char('\n');
    }
    QByteArray text;
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        text += (it.key() + QLatin1Char('=') + it.value()).toUtf8();
    return text;
}

bool PingAnswered(const QString& output)
{
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        const int at = line.indexOf(QLatin1String("time="));
        if (at < 0)
            continue;
        QString value = line.mid(at + 5);
        value.chop(3);
        bool ok = false;
        const double v = value.trimmed().toDouble(&ok);
        return ok && v != 0.0;
    }
    return false;
}

}  // namespace NetSettingsFiles
