#pragma once
// What the plant client's reply says (the client sends one reply per write).
#include <QString>

struct VUR_Reply {
    enum Kind { Ignored, Ack, Heart, Reline, Session };
    Kind kind = Ignored;
    int session = 0;  // SessionId of an answer (14 product names, 17 memos)
    QString body;

    // A reply without exactly one "\r\n\r\n" is ignored; the first header
    // line decides acknowledgement, heartbeat and restart before any
    // "SessionId" line is looked at.
    static VUR_Reply Parse(const QString& text);
};
