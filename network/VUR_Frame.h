#pragma once
// The plant link's wire format, defined once for the monitor and the plant
// client double (header only, Qt Core).
//
// Monitor -> client: one frame per message, "<type>:<length>:..!" followed
// by the body; the length counts the body's UTF-8 bytes; no terminator.
// Client -> monitor: one reply per write, "<header lines>\r\n\r\n<body>",
// header lines separated by "\r\n".
#include <QByteArray>
#include <QString>

namespace VurFrame {

enum SendType {
    TypeRecord = 1,
    TypeParam = 2,
    TypeAlarmPic = 5,
    TypeTempPic = 6,
    TypeStatistics = 7,
    TypeRoiParam = 8,
    TypeMemoryInfo = 9,
    TypeManualStop = 10,
    TypeDelTempPic = 11,
    TypeAddRemind = 12,
    TypeDelRemind = 13,
    TypeProductRequest = 14,
    TypeNgVideo = 15,
    TypeTelInfo = 16,
    TypeRemindRequest = 17,
    TypeCycleResult = 18,
    TypeRunState = 19,
    TypeCancel = 20,
};
constexpr int kTypeCount = 21;  // types 0 to 20

inline QByteArray Make(int type, const QByteArray& body)
{
    return QByteArray::number(type) + ':' + QByteArray::number(body.size()) + ":..!" + body;
}

inline QByteArray Make(int type, const QString& body)
{
    return Make(type, body.toUtf8());
}

// Splits a byte stream into frames (the client's side).
class Parser {
public:
    void feed(const QByteArray& bytes) { m_buf += bytes; }
    // Takes the next complete frame; false when none is complete yet. A
    // header that cannot be read drops the buffer (the stream is lost).
    bool next(int* type, QByteArray* body)
    {
        const int mark = m_buf.indexOf(":..!");
        if (mark < 0)
            return false;
        const QList<QByteArray> head = m_buf.left(mark).split(':');
        bool okType = false, okLen = false;
        const int t = head.size() == 2 ? head[0].toInt(&okType) : 0;
        const int len = head.size() == 2 ? head[1].toInt(&okLen) : 0;
        if (!okType || !okLen || len < 0) {
            m_buf.clear();
            return false;
        }
        const int start = mark + 4;
        if (m_buf.size() - start < len)
            return false;
        *type = t;
        *body = m_buf.mid(start, len);
        m_buf.remove(0, start + len);
        return true;
    }

private:
    QByteArray m_buf;
};

inline QByteArray Reply(const QByteArray& headerLines, const QByteArray& body = {})
{
    return headerLines + "\r\n\r\n" + body;
}

}  // namespace VurFrame
