#pragma once
// Similarity of a window to its good templates, 0..100, for the ROI function
// "Similarity", by local features (ORB corners and binary descriptors).
//
// Each template is read once, when added: its corners with descriptors, and
// its probes, the corners plus textured spots on a 10 px grid (a patch grey
// std dev >= 10) that a corner detector skips (edges, round shapes).
// At a match the window's corners are found and paired with the template's
// (nearest descriptor, ratio test); a similarity transform fitted to the pairs
// by RANSAC (3 px) tells where the part sits (no shift when fewer than three
// pairs agree). The window is then read at every probe so placed: a probe
// counts fully when at most 20 % of its descriptor bits differ from the
// template's, not at all from 35 % on, linearly between. Each occupied cell
// of a 4 x 4 grid over the window weighs the same, shared by its probes.
// Plain areas have no probes, so the grey level guards them: per cell, the
// masked mean and contrast (std dev) must follow the template's after a
// gain/offset fit for lighting (full agreement up to 20 grey levels off, none
// from 45). The template's score is the lesser of the two shares, in percent;
// the result is the best over the templates. A foreign object over a quarter
// of the window costs about a quarter of the score.
//
// Masked-out pixels read as the masked mean grey, so what lies under the mask
// never changes the score; corners are found only inside the mask.
//
// The placement may only be the motion positioning can leave: a turn within
// the allowed angle and a shift of a few pixels (SetMotion); a fit beyond it
// (a good part read as turned round) counts as "not moved".
//
// Before the features, each template is compared as it stands ("not moved")
// by its grey structure: the normalised correlation of the lightly smoothed
// window with the template (full agreement from 0.9, none at 0.5), capped by
// the per-cell grey check. That scores windows too small or too plain for
// features, and a window whose structure is missing scores low even when its
// mean grey matches. The template's score is the higher of the two readings.
// A template that is flat (grey std dev below 3) has no structure: it is
// compared by the masked mean grey level (100 at the same grey, 0 at 64 grey
// levels apart), and that score fades to 0 as the window's grey std dev
// exceeds the template's by 5 to 15 levels.
#include <opencv2/core.hpp>

#include <vector>

#include "ByteCounts.h"
#include "GridStats.h"

class SURF {
public:
    static constexpr int kMinKeypoints = 8;

    // w x h window; mask CV_8U of that size, non-zero = compared (an empty
    // mask compares the whole window). False on a bad mask.
    bool Create(int w, int h, const cv::Mat& mask);
    // Largest turn (degrees) and shift (pixels) a placement may show.
    void SetMotion(double maxTurn, double maxShift);
    // Adds one template window of the created size (CV_8U grey, BGR or BGRA);
    // its features are computed here. mode and threshold are kept for the
    // caller's record and do not change the score.
    bool AddTemp(const cv::Mat& window, int mode = 1, int threshold = 50, int minScore = 80);
    // Arguments reserved (the engine passes zeros). Valid with >= 1 template.
    bool Train(int a = 0, int b = 0, int c = 0, int d = 0);
    // Best score over the templates, 0..100. `out` receives a window-size
    // CV_8U image (left zero; kept for the caller). 0 when not valid or the
    // window has another size or type.
    float Match(const cv::Mat& window, cv::Mat& out) const;
    bool IsValid() const { return m_valid; }
    void Clear();

    int minScore() const { return m_minScore; }
    // What the model holds, by kind, added to `out`.
    void CountBytes(ByteCounts& out) const;

private:
    struct Features {
        std::vector<cv::KeyPoint> points;
        cv::Mat descriptors;  // CV_8U ORB, one row per point
        double mean = 0;      // masked mean grey level
        cv::Mat grey;         // masked-out pixels set to the mean; windows only
        double sd = 0;        // masked grey standard deviation
        std::vector<double> cellMean;  // per grid cell, -1 where mostly masked out
        std::vector<double> cellSd;
        cv::Mat centred;      // CV_32F smoothed grey minus its masked mean, 0 outside the mask
        double energy = 0;    // sum of squares of `centred`
    };
    struct Model {
        Features f;
        std::vector<cv::KeyPoint> probes;  // where a window is read; class_id = index
        cv::Mat probeDescriptors;
        std::vector<float> weight;  // per probe, sums to 1
    };
    Features extract(const cv::Mat& window) const;
    // The grey part (levels, cells, correlation picture), then the corners.
    void extractGrey(const cv::Mat& window, Features& f) const;
    void extractCorners(Features& f) const;
    // Template to window transform (2 x 3), the identity when nothing agrees
    // or the fit moves further than allowed.
    cv::Mat placement(const Model& m, const Features& w) const;
    static double plainScore(const Model& m, const Features& w);
    // The template as it stands against the window, 0..100 (see above).
    static double structureScore(const Model& m, const Features& w);
    cv::Rect cell(int cx, int cy) const;
    // Share 0..1 of the grid cells whose mean grey and contrast follow the template's.
    static double greyAgreement(const Model& m, const Features& w);

    cv::Size m_size;
    cv::Mat m_mask;       // CV_8U 0/255
    cv::Mat m_detect;     // mask for the detector, a little inside m_mask
    // Where a corner of the detector's size has room (its support lies
    // inside the mask); the distances themselves are made again only for a
    // corner of another size.
    cv::Mat m_reach;
    cv::Mat Room() const;  // CV_32F distance to the nearest masked-out or outside pixel
    // `room` holds the distances once a size other than the patch's needed them.
    bool HasRoom(int x, int y, float need, cv::Mat& room) const;
    GridStats m_stats;    // grey levels of the window and of each grid cell, under the mask
    std::vector<bool> m_cellUsed;  // cells mostly masked in
    std::vector<Model> m_models;
    int m_minScore = 80;
    double m_maxTurn = 10;
    double m_maxShift = 4;
    bool m_created = false;
    bool m_valid = false;
};
