#pragma once
// Edge samples spread over an area: the strongest gradient of each cell of a
// grid, so the samples cover the whole area instead of bunching on its
// strongest edge.
#include <opencv2/core.hpp>

#include <algorithm>
#include <vector>

struct EdgeCell {
    float mag;  // squared gradient
    int x, y;
};

// gx, gy: CV_32F gradients; keep: CV_8U of their size, non-zero = may be
// chosen; within: the area scanned. A cell whose strongest gradient is below
// minMag gives none; of the rest, the `want` strongest are kept.
inline void StrongestPerCell(const cv::Mat& gx, const cv::Mat& gy, const cv::Mat& keep, const cv::Rect& within,
                             int cell, float minMag, int want, std::vector<EdgeCell>& out)
{
    out.clear();
    const int xe = within.x + within.width, ye = within.y + within.height;
    for (int y0 = within.y; y0 < ye; y0 += cell)
        for (int x0 = within.x; x0 < xe; x0 += cell) {
            EdgeCell best{0.f, -1, -1};
            for (int y = y0; y < std::min(y0 + cell, ye); ++y) {
                const float* px = gx.ptr<float>(y);
                const float* py = gy.ptr<float>(y);
                const uchar* pm = keep.ptr<uchar>(y);
                for (int x = x0; x < std::min(x0 + cell, xe); ++x) {
                    const float m = px[x] * px[x] + py[x] * py[x];
                    if (pm[x] && m > best.mag)
                        best = {m, x, y};
                }
            }
            if (best.x >= 0 && best.mag >= minMag * minMag)
                out.push_back(best);
        }
    if (int(out.size()) > want) {
        std::nth_element(out.begin(), out.begin() + want, out.end(),
                         [](const EdgeCell& a, const EdgeCell& b) { return a.mag > b.mag; });
        out.resize(size_t(want));
    }
}
