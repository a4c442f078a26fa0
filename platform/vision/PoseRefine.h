#pragma once
// Sub-pixel pose of a located shape: an intensity least-squares fit of the
// model's grey values to the searched image, seeded by the whole-pixel pose of
// the edge search and run coarse to fine on the image pyramid. Solves shift,
// turn (when asked) and the lighting (gain, offset and a low-order surface
// across the part) together; pixels that differ much (a foreign object over
// the model) weigh less. A frame softer than the model (out of focus) is
// fitted on the finest level against the model softened as much.
#include <opencv2/core.hpp>

#include <vector>

struct ShapePose {
    double cx = 0;     // model centre in the searched image, full-size pixels
    double cy = 0;
    double angle = 0;  // turn of the found shape against the model, degrees (y down)
};

// How well a pose explains the model's grey values, with the sensor noise of
// model and frame taken out: noise alone leaves a share of a dark part's
// small contrast unexplained that it never leaves of a bright one's.
struct PoseFit {
    double fit = 0;    // share of the part's own grey-value spread the pose explains, 0..1
    double noise = 0;  // share of that spread noise alone leaves unexplained
    double wobble = 0;  // how far noise alone moves `fit` from one frame to the next (one standard deviation)
    // How far noise may have moved the pose: covariance of centre x, y (px)
    // and turn (radians), from the fit's normal equations and how its
    // residuals pull patch by patch. Zero when the fit fails.
    cv::Matx33d cov = cv::Matx33d::zeros();
    // Picture scale against the model's about the pose's centre, fitted on
    // top of the pose (0.01 = 1 % larger).
    double scale = 0;
};

class PoseRefine {
public:
    // Picks the sample points of each pyramid level from the model picture
    // (8-bit) and its mask (non-zero = model); centre as the edge model keeps it.
    void Build(const cv::Mat& model, const cv::Mat& mask, int levels);
    void Clear()
    {
        m_levels.clear();
        m_radius.clear();
        m_spread.clear();
        m_oneWay = false;
        m_noise = 0;
        m_patches = 0;
        m_softened.clear();
        m_across.clear();
        m_probes.clear();
    }

    // pyramid[l] is the searched image at level l (0 = full size). Refines
    // `pose` in place (the seed stays when it fits better); false (pose
    // unchanged) when the fit does not settle near the seed, or when the
    // model cannot fix a pose at all. `fit` (optional) gets how well the
    // refined pose explains the model's grey values (fit 0 when it fails, or
    // when the model shows no contrast of its own beyond its noise).
    bool Refine(const std::vector<cv::Mat>& pyramid, bool turn, ShapePose& pose, PoseFit* fit = nullptr) const;

    // The finest level's largest sample distance from the centre, px.
    double Radius() const { return m_radius.empty() ? 1.0 : m_radius.front(); }
    // Sensor noise of an 8-bit picture over `region` (variance, grey levels
    // squared), as the fit takes it out of its scores.
    static double Noise(const cv::Mat& img, const cv::Rect& region);

private:
    struct Sample {
        float x, y;  // from the model centre at this level
        float grey;  // as the fit reads it (softened on the finest level)
        float raw;   // unsoftened, for the score
        double cap;  // the steepest slope of the frame there the fit takes as the part's (grey levels per pixel)
        double mx, my;  // x and y over the level's radius, as the lighting slope reads them
        double mxx, mxy, myy;  // their products, as the lighting bend's derivatives take them
        int patch;  // finest level: which patch of the model it lies in (see m_patches)
    };
    std::vector<std::vector<Sample>> m_levels;
    std::vector<double> m_radius;  // per level, the largest sample distance from the centre (at least 1)
    std::vector<double> m_spread;  // per level, the samples' summed squared deviation from their mean grey
    bool m_oneWay = false;  // the model's edges all run one way: no pose is ever certain
    double m_noise = 0;     // the model picture's sensor noise, grey levels squared
    int m_patches = 0;      // patches the finest level's samples are grouped in
    // The finest level's samples as a defocused frame shows them, least blur first.
    struct Softened {
        std::vector<float> grey, raw;  // per sample, as Sample's
        std::vector<float> flanks;     // per sample, `grey` kFlank px before and after it across its edge
        double spread = 1;             // as m_spread's, of `raw`
        double noise = 0;              // the model's noise left in `raw`, grey levels squared
        double greyNoise = 0;          // ... and in `grey`
        double slopes = 0;             // squared slopes across the edges of `raw` summed, noise taken out
    };
    std::vector<Softened> m_softened;
    std::vector<cv::Vec2f> m_across;  // per finest sample, the unit direction across its edge
    // Where the model's noise was read (from the model centre, full-size px)
    // and what the noise operator gave there: the same reads of the frame
    // tell whether its noise is the model's own.
    struct Probe {
        float x, y;
        int size;
    };
    std::vector<Probe> m_probes;
};
