#pragma once
// Shape-based location with rotation: a model of edge points with gradient
// orientations, cut from a template and its mask, searched coarse to fine on
// an image pyramid.
//
// Result convention of Find (what frame alignment needs): with the search
// window cut from the frame at (wx, wy), the shift (x - wx, y - wy) moves the
// found shape onto the taught model centre, and TransformImage(src, dst,
// (x - wx, y - wy), (cx, cy), r2) also turns it back to the taught angle.
// In other words x = cx - fx and y = cy - fy, where (fx, fy) is where the
// model centre was found in window coordinates; r2 = -(the rotation of the
// found shape against the model), in degrees, in the rotation convention of
// TransformImage (image axes, y down: positive turns x towards y).
#include <opencv2/core.hpp>

#include <vector>

#include "PoseRefine.h"

// What a search found and how far it can be trusted.
struct ShapeFound {
    double x = 0, y = 0;  // as Find reports them
    double score = 0;     // edge similarity 0..1 (Find's r1)
    double angle = 0;     // Find's r2
    bool refined = false; // the grey-value fit settled below the pixel and confirmed the place
    double fit = 0;       // share of the part's own grey-value spread the pose explains beyond noise, 0..1
    double wobble = 0;    // how far noise alone moves `fit` (one standard deviation), when refined
    bool ambiguous = false;  // another place (scoring alike) fits the grey values about as well or better, elsewhere
    // When `ambiguous` only because repeats well away from the place near the
    // taught one (or, where no place near it fits, from the one nearest it
    // of those fitting best) fit as well, within noise (not better): where
    // those lie (window coordinates, as ShapePose). What the frame shows
    // around the part may tell them apart; otherwise empty.
    std::vector<ShapePose> tied;
    cv::Point2d centre;   // where the model centre was found in the window
    cv::Rect2d box;       // the model's box there (window coordinates)
    cv::Matx33d cov = cv::Matx33d::zeros();  // the refined pose's noise: centre x, y (px) and turn (radians)
    double scale = 0;     // the picture's residual scale about `centre` (PoseFit::scale), when refined
    long scanned = 0;     // places (centre and turn) the exhaustive level scored: most of a search's work
    // How far the refined pose may be off at the farthest corner of `box`
    // (window coordinates), px: one standard deviation along the direction
    // the noise moves that corner most.
    double OffBy(const cv::Rect2d& box) const;
    // How far the residual scale puts the farthest corner of `box` (window
    // coordinates) from where the pose puts it, px.
    double ScaledBy(const cv::Rect2d& box) const;
    // A pose to align a frame by: refined, well fitted, no other place
    // nearly as good, and precise enough over `judged` (window coordinates).
    // Anything else may be pixels off without knowing it.
    bool Trusted(const cv::Rect2d& judged) const;
    bool Trusted() const { return Trusted(box); }
};

class FindShape {
public:
    // 0 = no model; the engine resets it before a group is trained.
    int state = 0;

    // model: 8-bit grey model image (the box cut out of the template);
    // angleStart: reserved (0.0); angleRange: 1..180 searches -range..+range
    // degrees, any other value shift only; cx, cy: the model centre in frame
    // coordinates (reported back through Find); mask: CV_8U of the model size,
    // non-zero = part of the model (empty = all); speed 1..10: higher uses
    // fewer edge points. Other arguments are reserved. False (no model) when
    // the model has too few edges.
    bool CreateShape(const cv::Mat& model, double angleStart, int reserved1, int angleRange, int cx,
                     int cy, bool reserved2, int reserved3, const cv::Mat& mask, int speed,
                     int reserved4);
    // Searches the window (8-bit grey). On success writes x, y, r1 (the match
    // score 0..1) and r2 (see above) and returns true. The pose is refined
    // below the pixel and the turn below the search step; the int form rounds.
    bool Find(const cv::Mat& window, int reserved, int* x, int* y, double* r1, double* r2) const;
    bool Find(const cv::Mat& window, int reserved, double* x, double* y, double* r1, double* r2) const;
    // The same search with the measures of trust; false when nothing was found.
    bool Find(const cv::Mat& window, ShapeFound& found) const;
    // `taught`: where the model centre lies in the window when the part sits
    // where it was taught. Among places whose edges score alike (a grid,
    // identical cavities), the best one near it is always compared on the
    // grey values, however many repeats score as well elsewhere. A model too
    // faint for any coarse level is looked for near `taught` only.
    bool Find(const cv::Mat& window, const cv::Point2d& taught, ShapeFound& found) const;
    bool IsValid() const { return state != 0; }
    cv::Size ModelSize() const { return m_modelSize; }
    void Clear();

    // Minimum mean similarity (0..1) of a match.
    void setMinScore(double s) { m_minScore = s; }
    // Off: the plain search, for checks: every place of the descent scored in
    // full (none ruled out by a bound), every pixel's spread read on its own.
    // The same result, slower.
    void setQuick(bool on) { m_quick = on; }

    struct EdgePoint {
        float x, y;   // offset from the model centre at this level
        float angle;  // gradient direction, degrees 0..180
    };
    struct Level {
        std::vector<EdgePoint> points;
        float radius = 0.f;     // largest point distance from the centre
        float angleStep = 0.f;  // degrees
    };
    int levelCount() const { return static_cast<int>(m_levels.size()); }

    // A level's points turned by one angle, in whole pixels, with their
    // direction bins; `extent` bounds the offsets and the centre.
    struct RotPoint {
        int dx, dy, bin;
    };
    struct Rotation {
        float angle = 0.f;
        std::vector<RotPoint> points;
        cv::Rect extent;
        void Turn(const Level& lv, float a);
    };

private:
    bool Search(const cv::Mat& window, const cv::Point2d* taught, ShapeFound& found) const;

    std::vector<Level> m_levels;  // 0 = full size
    // The top level at every angle searched, turned once when the model is built.
    std::vector<Rotation> m_top;
    PoseRefine m_refine;
    cv::Size m_modelSize;
    int m_cx = 0, m_cy = 0;
    int m_angleRange = 0;
    // No coarse level though the model's size allowed one (its features are
    // too faint): given the taught place, only places near it are searched.
    bool m_nearOnly = false;
    double m_minScore = 0.5;
    bool m_quick = true;
};
