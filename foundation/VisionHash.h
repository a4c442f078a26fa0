#pragma once
#include <QByteArray>

// Lower-case hexadecimal MD5 of data.
QByteArray MD5Hex(const QByteArray& data);
