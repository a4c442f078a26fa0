#pragma once
// Masked multi-template grey comparison, built as a variation model: from the
// aligned good templates a per-pixel reference (their mean) and a tolerance
// envelope around it. A window pixel outside the envelope is a difference.
//
// Tolerance of a pixel = base + spread + edge, where
//   base   = (256 - sensibility) * baseScale / 100 / 6, at least 1:
//            shrinks as the sensitivity rises (45 gives 35 grey levels);
//   spread = the largest deviation of any template from the reference there
//            (what the good parts themselves vary by);
//   edge   = (3x3 max - 3x3 min of the reference) * edgeScale / 100: how much
//            a shift of up to one pixel changes the pixel, so edges of a part
//            that sits a fraction of a pixel off never count.
// amplify (0..4) widens every difference by that many pixels on each side
// (a square dilation), so that small defects survive the engine's opening.
#include <opencv2/core.hpp>

#include <vector>

class GrayMatch {
public:
    // w x h window; mask CV_8U of that size, non-zero = judged (an empty mask
    // judges the whole window). mode is reserved (0). False on a bad mask.
    bool Create(int w, int h, const cv::Mat& mask, int mode = 0);
    // Copies one good template window (8-bit grey of the created size; colour
    // is converted). False, and nothing kept, for any other size.
    bool AddTemp(const cv::Mat& window);
    // sensibility 0..255 (higher = stricter), amplify 0..4 (see above),
    // baseScale and edgeScale in percent (the engine passes 100 and 150).
    // Needs at least one template; false otherwise (the matcher stays invalid).
    bool Train(int sensibility, int amplify, int baseScale = 100, int edgeScale = 150);
    // diff := window-size CV_8U, 255 at differences, 0 elsewhere and outside
    // the mask; all 0 while not trained. A window of another size than the
    // created one is flagged wholly (a wrong window must not pass as good).
    void Match(const cv::Mat& window, cv::Mat& diff) const;
    bool IsValid() const { return m_valid; }
    void Clear();

    cv::Size size() const { return m_size; }
    int templateCount() const { return static_cast<int>(m_templates.size()); }

private:
    cv::Size m_size;
    cv::Mat m_mask;  // 255 judged, 0 not
    std::vector<cv::Mat> m_templates;
    cv::Mat m_low, m_high;  // envelope; outside the mask 0 and 255
    int m_amplify = 0;
    bool m_created = false;
    bool m_valid = false;
};
