#include "VUR_ReplyGatherer.h"

namespace {
// Whether the JSON object or array starting at body[from] closes.
bool JsonCloses(const QByteArray& body, int from)
{
    int depth = 0;
    bool inString = false;
    for (int i = from; i < body.size(); ++i) {
        const char c = body[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if ((c == '}' || c == ']') && --depth == 0) {
            return true;
        }
    }
    return false;
}
}  // namespace

bool VUR_ReplyGatherer::Whole(const QByteArray& text)
{
    const int end = text.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QByteArray header = text.left(end);
    const int eol = header.indexOf("\r\n");
    const QByteArray first = eol < 0 ? header : header.left(eol);
    if (first.contains("/back/") || first.contains("/heart/") || first.contains("/reline/") || !header.contains("SessionId"))
        return true;
    // An answer's body may come in a later write than its header.
    int at = end + 4;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
        ++at;
    if (at == text.size())
        return false;
    return (text[at] != '{' && text[at] != '[') || JsonCloses(text, at);
}

bool VUR_ReplyGatherer::add(QByteArray piece, qint64 nowMs, QByteArray* reply, qint64* dropped)
{
    *dropped = 0;
    if (!m_part.isEmpty() && (nowMs - m_lastMs > kPieceGapMs || nowMs < m_lastMs)) {
        *dropped += m_part.size();
        m_part.clear();
    }
    // A reply ends at its first NUL byte.
    const int nul = piece.indexOf('\0');
    if (nul >= 0)
        piece.truncate(nul);
    m_part += piece;
    m_lastMs = nowMs;
    if (nul >= 0 || Whole(m_part)) {
        *reply = m_part;
        m_part.clear();
        return true;
    }
    if (m_part.size() > kMaxBytes) {
        *dropped += m_part.size();
        m_part.clear();
    }
    return false;
}
