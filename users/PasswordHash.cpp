#include "PasswordHash.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

namespace PasswordHash {
namespace {
constexpr char kScheme[] = "pbkdf2-sha256";
constexpr int kSaltBytes = 16;
constexpr int kKeyBytes = 32;

struct Parsed {
    int iterations = 0;
    QByteArray salt;
    QByteArray key;
};

bool Parse(const QString& stored, Parsed& out)
{
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != QLatin1String(kScheme))
        return false;
    bool ok = false;
    out.iterations = parts[1].toInt(&ok);
    if (!ok || out.iterations < 1)
        return false;
    const auto salt = QByteArray::fromBase64Encoding(parts[2].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    const auto key = QByteArray::fromBase64Encoding(parts[3].toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!salt || !key || salt.decoded.isEmpty() || key.decoded.size() != kKeyBytes)
        return false;
    out.salt = salt.decoded;
    out.key = key.decoded;
    return true;
}

QByteArray Derive(const QString& password, const QByteArray& salt, int iterations)
{
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt, iterations,
                                              kKeyBytes);
}

// Same time whatever the first differing byte.
bool SameBytes(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char diff = 0;
    for (int i = 0; i < a.size(); ++i)
        diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}
}  // namespace

QString Make(const QString& password, int iterations)
{
    QByteArray salt(kSaltBytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()), kSaltBytes / 4);
    return QStringLiteral("%1$%2$%3$%4")
        .arg(QLatin1String(kScheme))
        .arg(iterations)
        .arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(Derive(password, salt, iterations).toBase64()));
}

bool IsHashed(const QString& stored)
{
    Parsed p;
    return Parse(stored, p);
}

bool Matches(const QString& password, const QString& stored, int ownIterations)
{
    if (stored.isEmpty())
        return false;
    Parsed p;
    if (!Parse(stored, p))
        return password == stored;  // a row from before hashing
    // A damaged or planted row must not hold the screen up for seconds.
    if (p.iterations != kIterations && p.iterations != ownIterations)
        return false;
    return SameBytes(Derive(password, p.salt, p.iterations), p.key);
}

}  // namespace PasswordHash
