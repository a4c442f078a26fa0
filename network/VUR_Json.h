#pragma once
// Small helpers over cJSON for the plant link's bodies (cJSON's formatted
// printer: one member per line, tab indentation, insertion order).
#include <QByteArray>
#include <QString>

#include <cjson/cJSON.h>

#include <cstdlib>

namespace VurJson {

inline void Num(cJSON* o, const char* key, double v)
{
    cJSON_AddItemToObject(o, key, cJSON_CreateNumber(v));
}

inline void Str(cJSON* o, const char* key, const QByteArray& utf8)
{
    cJSON_AddItemToObject(o, key, cJSON_CreateString(utf8.constData()));
}

// A Qt text sent as Latin-1: characters outside it become "?".
inline QByteArray Latin1(const QString& s)
{
    QString out = s;
    for (QChar& c : out)
        if (c.unicode() > 0xFF)
            c = QLatin1Char('?');
    return out.toUtf8();
}

// Prints and frees the object.
inline QByteArray Print(cJSON* o)
{
    char* text = cJSON_Print(o);
    QByteArray out(text ? text : "");
    std::free(text);
    cJSON_Delete(o);
    return out;
}

// Member lookup (cJSON compares names without regard to case).
inline cJSON* Get(const cJSON* o, const char* key)
{
    return cJSON_GetObjectItem(o, key);
}

// A member's number as a 64-bit integer; false outside +-2^53, the integers
// a JSON number holds exactly (a damaged file), which readers treat like a
// missing member. Within it, times and sums computed from the value cannot
// overflow. Members that are not numbers read as 0, as cJSON gives them.
inline bool Int64(const cJSON* item, qint64* out)
{
    const double v = item ? item->valuedouble : 0.0;
    if (!(v >= -9007199254740992.0 && v <= 9007199254740992.0))
        return false;
    *out = static_cast<qint64>(v);
    return true;
}

inline QByteArray Text(const cJSON* item)
{
    return cJSON_IsString(item) && item->valuestring ? QByteArray(item->valuestring) : QByteArray();
}

}  // namespace VurJson
