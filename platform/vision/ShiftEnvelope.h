#pragma once
// How far highlights travel, as the templates show it, and how bright a
// frame may show them where they travel. On a highlight's flank the
// templates differ by its slope times how far they show it apart: their
// range over the slope (both summed over 5x5) is the travel there, read
// where they vary beyond base and noise; a pixel takes the most measured
// within a highlight's reach, at most twice that reach. A frame may show a
// highlight as far beyond every template as they lie apart, so a pixel may
// be as bright as any template's highlight within that travel of it, over
// its own face. The reference averages the templates, so past the farthest
// of them it no longer stands above its face: the envelope reaches beyond
// its sites by the travel measured on them. The templates may show a
// highlight only where it covers a dark wall, which lifts the face an
// opening sees: its height is taken over the darkest face within its
// reach, read only where it stands above its face (an insert's edge does
// not travel). The caller's tolerance is one number, so it widens on the
// dark side as well.
#include <opencv2/core.hpp>

#include <vector>

class ShiftEnvelope {
public:
    // ref: the reference (CV_32F); range: brightest - darkest lit template
    // per pixel (CV_8U, saturated; 0 where fewer than two show it);
    // measured: where the templates vary (CV_8U), the travel is read there;
    // sites: where highlights vary and may travel (CV_8U), the envelope
    // applies there; reach: a highlight's reach (px); least: how far a
    // highlight stands at least above its face (grey levels).
    ShiftEnvelope(const cv::Mat& ref, const cv::Mat& range, const cv::Mat& measured, const cv::Mat& sites, int reach,
                  double least);
    // One lit template (CV_32F, the reference's size).
    void Add(const cv::Mat& lit);
    // A pixel past the sites that Widen raised: its travel, and its spread before.
    struct Raised {
        int x, y;
        float travel, before;
    };
    // spread := max(spread, how far the envelope lies above the reference);
    // `past`, when given, gets the pixels past the sites it raised.
    void Widen(cv::Mat& spread, std::vector<Raised>* past = nullptr) const;
    bool empty() const { return m_points.empty(); }

private:
    struct Point {
        int x, y;
        float travel;
        float raised;  // the reference over its face
        float hi;      // the brightest highlight seen within the travel
        bool beyond;   // past the sites
    };
    cv::Mat m_under;  // the darkest face within a highlight's reach
    std::vector<Point> m_points;
};
