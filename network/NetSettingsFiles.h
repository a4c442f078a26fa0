#pragma once
// Texts of the files the network settings write for the operating system
// and outside scripts, and the checks on what the operator typed. Pure
// functions: the pages write the files.
#include <QMap>
#include <QString>
#include <QStringList>

namespace NetSettingsFiles {

// A dotted IPv4 address: four parts of 1-3 digits, each 0-255, without
// leading zeros.
bool IsIPv4(const QString& text);
// A port number 1-65535, digits only.
bool IsPort(const QString& text);
// The Wi-Fi name and password as the supplicant accepts them between the
// quotes of its file: a name of 1-32 bytes, a pass phrase of 8-63 printable
// ASCII characters; neither holds a quote, backslash or control character.
bool IsWifiName(const QString& text);
bool IsWifiPassword(const QString& text);

// The supplicant file: network={ ssid, psk, proto=RSN }, CR LF lines.
QByteArray WifiConf(const QString& name, const QString& password);
// Name and password of the last network block (greedy to the last quote).
QPair<QString, QString> ParseWifiConf(const QString& text);

// The hosts file for a new host name: two lines naming it, an empty line,
// then the present file from its first comment line on; a localhost line
// before that comment is kept.
QByteArray HostsFile(const QString& present, const QString& hostName);

// {"netcard_info": [...]} of the cards with three entries, by name.
QByteArray NetplanJson(const QMap<QString, QStringList>& cards, const QMap<QString, QString>& macs);

// registermac.txt after an update: existing "MAC=address;mask;gateway"
// lines stay, the cards' own MACs (macOf: empty when unreadable) replaced.
QByteArray RegisterMac(const QString& present, const QMap<QString, QStringList>& cards,
                       const QMap<QString, QString>& macOf);

// Whether a ping's output shows an answer: a line with "time=" whose value
// (without its last three characters) is a non-zero number.
bool PingAnswered(const QString& output);

}  // namespace NetSettingsFiles
