#pragma once
// The plant client's replies off the socket. A reply is one text; a long
// one (a product or memo list) arrives in several reads, so an answer
// whose JSON body has not closed yet is kept and the following reads are
// added to it until it closes, a NUL ends it, or it grows past the cap.
#include <QByteArray>

class VUR_ReplyGatherer {
public:
    static constexpr int kMaxBytes = 1 << 20;
    // Pieces of one reply follow each other at once: a part left waiting
    // longer than this was cut off, and what comes next is a new reply.
    static constexpr qint64 kPieceGapMs = 2000;

    // Adds one read taken at nowMs. True when a reply is complete; it is
    // then in *reply. *dropped gets the bytes given up (a part over the cap
    // or left waiting too long), 0 when none.
    bool add(QByteArray piece, qint64 nowMs, QByteArray* reply, qint64* dropped);
    void clear() { m_part.clear(); }

    // Whether the text is a whole reply: its header has ended ("\r\n\r\n")
    // and, for an answer (a "SessionId" line), its body, when a JSON object
    // or array, has closed. What it says is the parser's to judge.
    static bool Whole(const QByteArray& text);

private:
    QByteArray m_part;
    qint64 m_lastMs = 0;
};
