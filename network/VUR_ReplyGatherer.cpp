#include "VUR_ReplyGatherer.h"

#include "VUR_Reply.h"

#include <QString>

void VUR_ReplyGatherer::Scan::advance(const QByteArray& text)
{
    if (whole)
        return;
    if (bodyAt < 0) {
        // The separator may straddle two reads: look back three bytes.
        const int end = text.indexOf("\r\n\r\n", qMax(0, from - 3));
        if (end < 0) {
            from = text.size();
            return;
        }
        const QByteArray header = text.left(end);
        const int eol = header.indexOf("\r\n");
        const QByteArray first = eol < 0 ? header : header.left(eol);
        if (first.contains("/back/") || first.contains("/heart/") || first.contains("/reline/") || !header.contains("SessionId")) {
            whole = true;
            from = end + 4;
            return;
        }
        bodyAt = end + 4;
        from = bodyAt;
    }
    if (!json) {
        // An answer's body may come in a later write than its header.
        while (from < text.size() && (text[from] == ' ' || text[from] == '\t' || text[from] == '\r' || text[from] == '\n'))
            ++from;
        if (from == text.size())
            return;
        if (text[from] != '{' && text[from] != '[') {
            whole = true;
            from = text.size();  // a plain body runs to the end of what came
            return;
        }
        json = true;
    }
    for (; from < text.size(); ++from) {
        const char c = text[from];
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if ((c == '}' || c == ']') && --depth == 0) {
            whole = true;
            ++from;
            return;
        }
    }
}

bool VUR_ReplyGatherer::Whole(const QByteArray& text)
{
    Scan s;
    s.advance(text);
    return s.whole;
}

bool VUR_ReplyGatherer::StartsReply(const QByteArray& piece)
{
    const int end = piece.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QByteArray header = piece.left(end);
    if (header.contains('"'))
        return false;
    return VUR_Reply::Parse(QString::fromUtf8(header) + QStringLiteral("\r\n\r\n")).kind != VUR_Reply::Ignored;
}

void VUR_ReplyGatherer::clear()
{
    m_part.clear();
    m_scan = Scan();
}

QByteArrayList VUR_ReplyGatherer::add(QByteArray piece, qint64 nowMs, qint64* dropped)
{
    QByteArrayList replies;
    *dropped = 0;
    if (!m_part.isEmpty() && (nowMs - m_lastMs > kPieceGapMs || nowMs < m_lastMs)) {
        *dropped += m_part.size();
        clear();
    }
    // A reply ends at its first NUL byte.
    const int nul = piece.indexOf('\0');
    if (nul >= 0)
        piece.truncate(nul);
    // The client writes one reply at a time: a new one means the part held
    // was cut off. It goes on as it stands, a short or damaged reply for the
    // parser to judge, so the replies after it are not swallowed.
    if (!m_part.isEmpty() && StartsReply(piece)) {
        replies << m_part;
        clear();
    }
    m_part += piece;
    m_lastMs = nowMs;
    // Replies written close together can arrive in one read: each is handed
    // on by itself, or the acknowledgements after the first would be lost.
    for (m_scan.advance(m_part); m_scan.whole; m_scan.advance(m_part)) {
        QByteArray rest = m_part.mid(m_scan.from);
        if (rest.trimmed().isEmpty()) {
            replies << m_part;
            rest.clear();
        } else {
            replies << m_part.left(m_scan.from);
        }
        clear();
        m_part = rest;
    }
    if (nul >= 0 && !m_part.isEmpty()) {
        replies << m_part;
        clear();
    } else if (m_part.size() > kMaxBytes) {
        *dropped += m_part.size();
        clear();
    }
    return replies;
}
