#pragma once
// The finest pose fit's softened cut of a frame: the same pixels as
//   cv::GaussianBlur(src(cut), dst, cv::Size(3, 3), sigma, sigma, cv::BORDER_REPLICATE)
// (a cut blurs with its real neighbours in src's parent picture; the parent's
// rim is replicated), each row's sums made once. OpenCV takes its float
// filter for a cut and its fixed-point one for a whole picture; where this
// machine's OpenCV is not seen to give the float filter's pixels bit for bit
// (another processor, another version), OpenCV's own call runs instead.
#include <opencv2/core.hpp>

// dst keeps its pixels' place when it has the cut's size (a view is filled).
void SoftCut(const cv::Mat& src, const cv::Rect& cut, double sigma, cv::Mat& dst);

// A softened cut made as far as the reads of a fit reach: the cut's rim is
// there for a fit that wanders, and most fits never read it. Pixels outside
// Made() are left as they were and must not be read.
class SoftBox {
public:
    // A new cut of src, nothing made yet (all of it at once where OpenCV
    // would take the whole picture's own filter).
    void Start(const cv::Mat& src, const cv::Rect& cut, double sigma);
    // Makes the pixels of `want` (cut coordinates, clipped to the cut) and
    // whatever lies between them and those made before; src as given to Start().
    void Want(const cv::Rect& want, const cv::Mat& src);
    const cv::Mat& Picture() const { return m_dst; }
    const cv::Rect& Cut() const { return m_cut; }
    const cv::Rect& Made() const { return m_made; }

private:
    void MakePart(const cv::Rect& r, const cv::Mat& src);
    cv::Rect m_cut;
    cv::Rect m_made;
    double m_sigma = 0;
    cv::Mat m_dst;
};
