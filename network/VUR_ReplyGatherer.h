#pragma once
// The plant client's replies off the socket. A reply is one text. Taking
// each read as a reply would cut a long one (a product or memo list, which
// TCP hands over in several reads) into pieces that all fail to parse, so
// an answer whose JSON body has not closed yet is kept and the following
// reads are added to it until it closes, a NUL ends it, it grows past the
// cap, or a read that starts a reply of its own ends it.
#include <QByteArray>
#include <QByteArrayList>

class VUR_ReplyGatherer {
public:
    static constexpr int kMaxBytes = 1 << 20;
    // Pieces of one reply follow each other at once: a part left waiting
    // longer than this was cut off, and what comes next is a new reply.
    static constexpr qint64 kPieceGapMs = 2000;

    // Adds one read taken at nowMs and returns the replies it completes, in
    // order: an unfinished part that this read ends by starting a reply of
    // its own comes first, as it stands. *dropped gets the bytes given up (a
    // part over the cap or left waiting too long), 0 when none.
    QByteArrayList add(QByteArray piece, qint64 nowMs, qint64* dropped);
    void clear();

    // Whether the text is a whole reply: its header has ended ("\r\n\r\n")
    // and, for an answer (a "SessionId" line), its body, when a JSON object
    // or array, has closed. What it says is the parser's to judge.
    static bool Whole(const QByteArray& text);

    // Whether a read begins a reply of its own: its header ends inside it
    // and is one the parser acts on. A header holds no quote, so a piece of
    // a JSON body never passes for one.
    static bool StartsReply(const QByteArray& piece);

private:
    // Where the scan of m_part stands, so each byte is looked at once.
    struct Scan {
        int from = 0;         // next byte to look at
        int bodyAt = -1;      // start of the body once the header has ended
        bool json = false;    // the body is a JSON object or array
        bool whole = false;
        int depth = 0;
        bool inString = false;
        bool escaped = false;
        void advance(const QByteArray& text);
    };
    QByteArray m_part;
    Scan m_scan;
    qint64 m_lastMs = 0;
};
