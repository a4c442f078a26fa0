#pragma once
// What trained models hold, summed by kind, for memory breakdowns. A buffer
// that several kinds or objects share (cv::Mat copies are views) counts
// once, under the kind that met it first.
#include <opencv2/core.hpp>

#include <map>
#include <set>
#include <string>

class ByteCounts {
public:
    void Add(const std::string& kind, const cv::Mat& m);
    void Add(const std::string& kind, size_t bytes);
    const std::map<std::string, size_t>& kinds() const { return m_bytes; }
    size_t total() const;

private:
    std::map<std::string, size_t> m_bytes;
    std::set<const void*> m_seen;
};
