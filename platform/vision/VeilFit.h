#pragma once
// Steam, or a mist of release agent, between camera and mould lifts each
// pixel a share s of the way to white: y = (1 - s) * lit + 255 * s, lit being
// what the lighting fit expects there. That is lighting, not a defect. The
// share is taken per cell of the window as the median over its pixels (a chip
// that covers less than half a cell does not move it), then bounded so that
// only a veil fits: 0 <= s <= kMaxShare (a veil only brightens, and never
// hides the part), and s may exceed its lowest neighbour by no more than
// kMaxSlope per pixel of distance (a lower envelope), so a foreign object,
// whose edges are sharp, is not taken for a veil.
#include "LightingFit.h"

#include <opencv2/core.hpp>

#include <vector>

class VeilFit {
public:
    static constexpr int kCell = 32;                // px
    static constexpr float kMaxShare = 0.25f;       // of the way to white
    static constexpr float kMaxSlope = 0.0025f;     // share per px: a veil rises over 100 px at least
    // lit: CV_32F, the grey the lighting fit expects; y: CV_8U, the window;
    // use: CV_8U, the pixels judged. True when some veil was found; field()
    // then holds s per pixel (CV_32F, the window's size).
    bool Fit(const cv::Mat& lit, const cv::Mat& y, const cv::Mat& use);
    const cv::Mat& field() const
    {
        if (m_fieldDue)
            MakeField();
        return m_field;
    }
    // s per cell (CV_32F), bounded as above.
    const cv::Mat& cells() const { return m_cells; }

    // True when some 2 x 2 cells all hold a share of `least` or more: a
    // veil is smooth over a broad patch, where a highlight lifts a cell or
    // two.
    bool Broad(float least) const;

    // The lowest field that keeps every cell at or under `cells` (inf = not
    // measured) and rises by at most `step` per cell (sqrt 2 * step across a
    // corner); then bounded to [0, kMaxShare].
    static void LowerEnvelope(cv::Mat& cells, float step);

    // The lighting and a coarse veil fitted together, by least squares over
    // the judged pixels: y = (1 - s) * lit + 255 * s, s smooth between cells
    // of about kJointCell px. Fitted in turns, the lighting takes part of a
    // veil in (a lower gain, a bent surface) and keeps it; fitted together,
    // only what the veil cannot explain is left to it. A veil spread evenly
    // is lighting too, so the surface is anchored where the veil is thinnest.
    // x: the reference (CV_8U or CV_32F); tol: CV_32F in x's units, read on
    // the lighting fit's grid. `light` in: the lighting to start from; out:
    // the one fitted. False when the fit fails (light is then unchanged).
    static constexpr int kJointCell = 64;
    static bool FitWithLighting(const cv::Mat& x, const cv::Mat& y, const cv::Mat& use, const cv::Mat& tol,
                                LightingPlane& light, float* thickest = nullptr);

private:
    // The per-pixel field is made when first read: a fit often ends on the
    // cells alone (no broad veil), and the window-sized field costs more.
    void MakeField() const;

    cv::Mat m_cells;
    mutable cv::Mat m_field;
    mutable bool m_fieldDue = false;
    int m_cols = 0, m_rows = 0;
    double m_cw = 1, m_ch = 1;
    std::vector<float> m_ratios;
};
