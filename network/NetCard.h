#pragma once
// The machine's network cards as the plant link and the network page see
// them: IPv4 address, mask and gateway per card, MAC addresses, host name.
// The loopback card "lo" is never listed.
#include <QMap>
#include <QString>
#include <QStringList>

struct NetCard {
    QMap<QString, QStringList> cards;  // name -> [address, mask, gateway]
    QMap<QString, QString> macs;       // name -> MAC text
    QString hostName;

    bool operator==(const NetCard& o) const { return cards == o.cards && macs == o.macs && hostName == o.hostName; }
    bool operator!=(const NetCard& o) const { return !(*this == o); }

    // Cards of "/proc/net/dev" and the interface list, gateways from "ip route show".
    static QMap<QString, QStringList> ReadCards(const QString& procNetDev = QStringLiteral("/proc/net/dev"));
    static QMap<QString, QString> ReadMacs(const QString& procNetDev = QStringLiteral("/proc/net/dev"),
                                           const QString& sysClassNet = QStringLiteral("/sys/class/net"));
    static QString ReadHostName();
    // Every card with an IPv4 address but "lo" (nothing calls it).
    static QMap<QString, QString> ReadAddresses();

    // Card names in the text of /proc/net/dev, "lo" left out.
    static QStringList CardNames(const QString& procNetDevText);
    // The same cards in the same order, each with its received byte count.
    static QList<QPair<QString, qint64>> ReceivedBytes(const QString& procNetDevText);
    // The first route through a gateway in "ip route show" output: gateway
    // and card, empty when there is none. Tokens are split on any run of
    // white space, line breaks included.
    static QPair<QString, QString> FirstGateway(const QString& ipRouteText);
    // Puts the gateway of the first route into `cards`.
    static void ApplyGateway(QMap<QString, QStringList>& cards, const QString& ipRouteText);
};
