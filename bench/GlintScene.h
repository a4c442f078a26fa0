#pragma once
// A polished cavity face drawn for qualitybench: a steel plate with fine
// polishing marks, one pocket with a rounded outline, ejector pins and round
// cores in it, screw holes and a few marks beside it. Polished edges and pin
// faces mirror the lamp: their highlights are drawn anew for each picture,
// each one moved by up to +-shift px and brightened or dimmed by up to
// +-change, as they are when part and light sit a little differently from
// cycle to cycle (on an edge, mostly along it). Highlights may clip at white.
#include <opencv2/core.hpp>

#include <vector>

class GlintScene {
public:
    // Scene `seed` of `size`; pocket, pins and marks lie within `around`.
    GlintScene(int seed, cv::Size size, const cv::Rect& around);

    // One picture: the face with this draw of every highlight. Faces from
    // kOwnMoves on draw their highlights' moves from a stream of their own,
    // seeded by one draw of `rng` and the face's number; those before draw
    // them from `rng` in order, so that their n-th highlights move alike.
    cv::Mat Cycle(cv::RNG& rng) const;
    static constexpr int kOwnMoves = 13;
    // The face with every highlight where it was drawn, at its mean brightness.
    cv::Mat Still() const;

    double shift = 2.0;    // px, each highlight, in x and in y
    double change = 0.15;  // fraction of a highlight's brightness
    // A highlight on a polished edge sits where the edge's rounding faces
    // the lamp: it slides along the edge by up to +-shift, across it by this
    // fraction of that only. A flat face's spot moves freely.
    double across = 0.25;

private:
    // A highlight: a spot (a == b, no radius), a streak along a straight
    // edge (from a to b) or along an arc (radius, from..to in radians), with a
    // Gaussian profile across it and faded towards its ends.
    struct Glint {
        cv::Point2d a, b;
        double radius = 0, from = 0, to = 0;
        double width = 1;  // Gaussian sigma across, px
        double peak = 0;   // grey levels at the centre line
    };
    // The glint slid by `along` px along its edge and `across` px off it.
    Glint Moved(const Glint& g, double along, double across) const;
    void Add(cv::Mat& out, const Glint& g, double scale) const;
    int m_seed = 0;
    cv::Mat m_face;  // CV_32F, without highlights
    std::vector<Glint> m_glints;
};
