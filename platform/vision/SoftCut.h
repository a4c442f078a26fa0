#pragma once
// The finest pose fit's softened cut of a frame: the same pixels as
//   cv::GaussianBlur(src(cut), dst, cv::Size(3, 3), sigma, sigma, cv::BORDER_REPLICATE)
// (a cut blurs with its real neighbours in src's parent picture; the parent's
// rim is replicated), each row's sums made once. OpenCV takes
// its float filter for a cut and its fixed-point one for a whole picture;
// where this machine's OpenCV is not seen to give the float filter's pixels
// bit for bit, its own call runs instead.
#include <opencv2/core.hpp>

#include <algorithm>
#include <cstdint>
#include <vector>

// dst keeps its pixels' place when it has the cut's size (a view is filled).
void SoftCut(const cv::Mat& src, const cv::Rect& cut, double sigma, cv::Mat& dst);

// A softened cut made tile by tile, as the reads of a fit reach them: a
// part's edges cover a fraction of its box. Pixels of tiles not made are
// left as they were and must not be read.
class SoftTiles {
public:
    static constexpr int kTileW = 32;
    static constexpr int kTileH = 16;
    // A new cut of src, no tile made yet (all of it at once where OpenCV
    // would take the whole picture's own filter).
    void Start(const cv::Mat& src, const cv::Rect& cut, double sigma);
    // Asks for the pixels [x0, x1] x [y0, y1] of the cut (clipped to it).
    void Want(int x0, int y0, int x1, int y1)
    {
        x0 = std::max(x0, 0) / kTileW;
        y0 = std::max(y0, 0) / kTileH;
        x1 = std::min(x1, m_cut.width - 1) / kTileW;
        y1 = std::min(y1, m_cut.height - 1) / kTileH;
        for (int ty = y0; ty <= y1; ++ty)
            for (int tx = x0; tx <= x1; ++tx)
                m_state[size_t(ty) * size_t(m_cols) + size_t(tx)] |= kWanted;
    }
    // The same for the pixels within r (at most kMostAround) of a point
    // that lies inside the cut widened by r: called for every sample of a
    // fit, so cheaper. Its box (2 r + 2 px) spans at most two tiles each way.
    static constexpr double kMostAround = 7.0;
    void WantAround(double x, double y, double r)
    {
        // Truncation rounds up below 0, where the clip takes 0 anyway.
        const unsigned x0 = unsigned(std::clamp(int(x - r), 0, m_cut.width - 1)) / kTileW;
        const unsigned y0 = unsigned(std::clamp(int(y - r), 0, m_cut.height - 1)) / kTileH;
        const unsigned x1 = unsigned(std::min(int(x + r) + 1, m_cut.width - 1)) / kTileW;
        const unsigned y1 = unsigned(std::min(int(y + r) + 1, m_cut.height - 1)) / kTileH;
        uint8_t* top = m_state.data() + size_t(y0) * size_t(m_cols);
        uint8_t* bottom = m_state.data() + size_t(y1) * size_t(m_cols);
        top[x0] |= kWanted;
        top[x1] |= kWanted;
        bottom[x0] |= kWanted;
        bottom[x1] |= kWanted;
    }
    // Makes the tiles asked for since the last call, from the src of Start().
    void Make(const cv::Mat& src);
    const cv::Mat& Picture() const { return m_dst; }
    const cv::Rect& Cut() const { return m_cut; }

private:
    static constexpr uint8_t kWanted = 1;
    static constexpr uint8_t kMade = 2;
    cv::Rect m_cut;
    double m_sigma = 0;
    cv::Mat m_dst;
    int m_cols = 0;
    std::vector<uint8_t> m_state;
};
