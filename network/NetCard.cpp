#include "NetCard.h"

#include "platform/SystemActions.h"

#include <QFile>
#include <QRegularExpression>

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netinet/in.h>

namespace {
QString ReadText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString Dotted(const sockaddr* a)
{
    if (!a || a->sa_family != AF_INET)
        return QStringLiteral("0.0.0.0");
    char buf[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(a)->sin_addr, buf, sizeof buf);
    return QString::fromLatin1(buf);
}

template <typename Fn>
bool WalkIPv4(Fn fn)
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    for (ifaddrs* i = list; i; i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_INET)
            continue;
        const QString name = QString::fromLocal8Bit(i->ifa_name);
        if (name != QLatin1String("lo"))
            fn(name, i);
    }
    freeifaddrs(list);
    return true;
}
}  // namespace

QList<QPair<QString, qint64>> NetCard::ReceivedBytes(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("\\s+(\\S+):\\s+(\\d+)"));
    QList<QPair<QString, qint64>> cards;
    for (auto it = re.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(1) != QLatin1String("lo"))
            cards.append({m.captured(1), m.captured(2).toLongLong()});
    }
    return cards;
}

QStringList NetCard::CardNames(const QString& text)
{
    QStringList names;
    for (const auto& card : ReceivedBytes(text))
        names << card.first;
    return names;
}

QPair<QString, QString> NetCard::FirstGateway(const QString& ipRouteText)
{
    static const QRegularExpression ws(QStringLiteral("\\s+"));
    const QStringList t = ipRouteText.split(ws, Qt::SkipEmptyParts);
    for (int i = 0; i < t.size(); ++i) {
        if (!t[i].contains(QLatin1String("via")))
            continue;
        if (i + 3 < t.size())
            return {t[i + 1], t[i + 3]};
    }
    return {};
}

void NetCard::ApplyGateway(QMap<QString, QStringList>& cards, const QString& ipRouteText)
{
    const auto [gateway, card] = FirstGateway(ipRouteText);
    if (gateway.isEmpty() || card.isEmpty())
        return;
    auto it = cards.find(card);
    if (it != cards.end() && it->size() == 3)
        (*it)[2] = gateway;
}

QMap<QString, QStringList> NetCard::ReadCards(const QString& procNetDev)
{
    QMap<QString, QStringList> cards;
    const QString zero = QStringLiteral("0.0.0.0");
    for (const QString& name : CardNames(ReadText(procNetDev)))
        cards[name] = {zero, zero, zero};
    const bool ok = WalkIPv4([&](const QString& name, ifaddrs* i) {
        cards[name] = {Dotted(i->ifa_addr), Dotted(i->ifa_netmask), zero};
    });
    if (!ok)
        return {};
    ApplyGateway(cards, QString::fromUtf8(
                            SystemActions::instance().query({QStringLiteral("ip"), QStringLiteral("route"),
                                                             QStringLiteral("show")}).output));
    return cards;
}

QMap<QString, QString> NetCard::ReadMacs(const QString& procNetDev, const QString& sysClassNet)
{
    QMap<QString, QString> macs;
    for (const QString& name : CardNames(ReadText(procNetDev))) {
        QFile f(QStringLiteral("%1/%2/address").arg(sysClassNet, name));
        if (f.open(QIODevice::ReadOnly))
            macs[name] = QString::fromUtf8(f.readAll()).remove(QLatin1Char('\n'));
    }
    return macs;
}

QString NetCard::ReadHostName()
{
    return SystemActions::instance().hostName();
}

QMap<QString, QString> NetCard::ReadAddresses()
{
    QMap<QString, QString> out;
    WalkIPv4([&](const QString& name, ifaddrs* i) { out[name] = Dotted(i->ifa_addr); });
    return out;
}
