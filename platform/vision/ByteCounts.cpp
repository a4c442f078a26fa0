#include "ByteCounts.h"

void ByteCounts::Add(const std::string& kind, const cv::Mat& m)
{
    if (m.empty())
        return;
    // The whole allocation behind the view, counted once whoever shares it.
    const void* block = m.u ? static_cast<const void*>(m.u) : static_cast<const void*>(m.datastart);
    if (!m_seen.insert(block).second)
        return;
    const size_t bytes = m.u ? m.u->size : size_t(m.dataend - m.datastart);
    m_bytes[kind] += bytes;
}

void ByteCounts::Add(const std::string& kind, size_t bytes)
{
    if (bytes)
        m_bytes[kind] += bytes;
}

size_t ByteCounts::total() const
{
    size_t sum = 0;
    for (const auto& k : m_bytes)
        sum += k.second;
    return sum;
}
