#include "VisionHash.h"

#include <QCryptographicHash>

QByteArray MD5Hex(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Md5).toHex();
}
