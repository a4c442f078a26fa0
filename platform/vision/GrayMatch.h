#pragma once
// Masked multi-template grey comparison, built as a variation model: from the
// aligned good templates a per-pixel reference (their mean after a
// lighting fit to the first one, so the lighting of a cycle does not count
// as variation) and a tolerance around it. A window is first brought to the
// reference's lighting by a robust fit of gain, offset and a smooth surface
// across the window (light that changes from one side to the other, a dimmed
// corner); a pixel then
// differs when it lies farther from the reference than its tolerance. A
// pixel at 255 (at 0) only says the grey is at least (at most) that: it
// differs only where the lit reference says it must be darker (brighter) by
// more than the tolerance, and it stays out of the lighting fit.
//
// A frame whose pixels follow a softened copy of the reference (blurs of 0.55
// to 1.25 px) more closely than the reference itself is out of focus and is
// compared with the copy it follows best.
//
// Tolerance of a pixel = (base + spread + noise + edge) * scale, at least 1, where
//   base   = 4 * baseScale / 100 grey levels;
//   spread = the largest deviation of any template from the reference there
//            (what the good parts themselves vary by; a template's clipped
//            pixel counts by how far its bound lies above the reference;
//            where some templates clipped a pixel and others measured it,
//            at least the median spread of the pixels every template
//            measured);
//            within 4 px of a patch where the templates differ by more than
//            half of what base, noise and edge allow (a highlight on a
//            polished face that moves and changes from cycle to cycle) at
//            least twice the patch's largest there, and as far as the
//            brightest and darkest grey any template showed in the patch
//            within that reach: a frame may show the highlight where, and as
//            bright as, no single template did; only a patch that somewhere
//            differs by more than base and noise (and half the edge term)
//            widens so, never one of noise or of texture. Along the whole of
//            such a highlight (what stands above the face within 4 px, a
//            fiftieth of it at least in such patches), what moving it 1 px
//            across changes: the templates may all have shown it on one
//            side. Within 1 px of a
//            patch that differs even slightly (a steep streak sliding across
//            itself), twice its largest there; so too off a highlight that
//            holds such a patch, wherever the templates change together with
//            it beyond base and noise (its faded end running down a rim,
//            where nothing stands above the face). Where such highlights
//            lie, as bright as any template's highlight within the travel
//            the templates show (ShiftEnvelope.h); past the sites, only
//            where a template's highlight moved by up to that travel shows
//            what the frame shows around the pixel. A pixel on its own that
//            spreads is noise and widens nothing;
//   noise  = 2.5 x the templates' typical pixel noise (their median standard
//            deviation), so the noise of the judged frame never counts;
//   edge   = (3x3 max - 3x3 min of the reference) * edgeScale / 100 / 6:
//            what a residual misalignment of a few tenths of a pixel changes;
//   scale  = (256 - sensibility) / 211, at least 0.5: 1 at 45 (the editor's
//            default), looser below, stricter above.
// amplify (0..4) widens every difference by that many pixels on each side
// (a square dilation), so that small defects survive the engine's opening.
#include "ByteCounts.h"
#include "LightingFit.h"
#include "ShiftEnvelope.h"

#include <opencv2/core.hpp>

#include <functional>
#include <memory>
#include <vector>

class GrayMatch {
public:
    // w x h window; mask CV_8U of that size, non-zero = judged (an empty mask
    // judges the whole window). mode is reserved (0). False on a bad mask.
    bool Create(int w, int h, const cv::Mat& mask, int mode = 0);
    // The windows hold hues, not intensities (set after Create): then 0 and
    // 255 are colours like any other, not clipped light.
    void SetHue(bool hue) { m_hue = hue; }
    // Copies one good template window (8-bit grey of the created size; colour
    // is converted). False, and nothing kept, for any other size. `covered`
    // (CV_8U, non-zero = the template shows the part there) leaves out what
    // an aligned template does not cover; a pixel no template covers is not judged.
    bool AddTemp(const cv::Mat& window, const cv::Mat& covered = cv::Mat());
    // sensibility 0..255 (higher = stricter), amplify 0..4 (see above),
    // baseScale and edgeScale in percent (the engine passes 100 and 150).
    // Needs at least one template; false otherwise (the matcher stays invalid).
    bool Train(int sensibility, int amplify, int baseScale = 100, int edgeScale = 150);
    // Judging reads none of the template windows: a caller that never trains
    // this matcher again lets them go (a later Train needs them added anew).
    void DropTemplates();
    // diff := window-size CV_8U, 255 at differences, 0 elsewhere and outside
    // the mask; all 0 while not trained. A window of another size than the
    // created one is flagged wholly (a wrong window must not pass as good).
    // `judged`, when given, receives the lighting and focus the window was
    // judged under, for GrowRim.
    struct Judged {
        LightingPlane light;
        size_t focus = 0;
        cv::Mat veil;  // share of the way to white per pixel (VeilFit.h); empty when none
        double tolGain = 0;  // the gain the tolerance is read at
        bool valid = false;
    };
    // Where a pixel differs, a smooth veil (steam: VeilFit.h) over the lit
    // reference may explain it; such a pixel does not differ.
    void Match(const cv::Mat& window, cv::Mat& diff, Judged* judged = nullptr) const;
    // A chip's rim (anti-aliased, softened by focus, or over texture that
    // runs toward its grey) differs by less than the tolerance although it
    // belongs to the chip: grows every difference left in `diff` by up to
    // `steps` px into neighbours that lie beyond half their tolerance under
    // the lighting of the Match that gave `judged`. Nothing grows out of an
    // empty `diff`, so noise the opening removed stays removed.
    void GrowRim(const cv::Mat& window, const Judged& judged, cv::Mat& diff, int steps) const;
    bool IsValid() const { return m_valid; }
    void Clear();

    cv::Size size() const { return m_size; }
    // Templates added since Create, dropped or not.
    int templateCount() const { return m_templateCount; }
    // Trained model (CV_32F): the reference and the largest template
    // deviation (grown around highlights, as above). The spread is not kept: it is taken back out of the
    // tolerance (to float rounding; wrong only where the tolerance sits at
    // its floor of 1).
    cv::Mat reference() const;
    cv::Mat spread() const;
    // A reference of whole grey levels (one template, or templates alike
    // everywhere) is kept in bytes, which read back as the very same values;
    // off (before Train), it stays in floats, so tests can compare the two.
    // The tolerance of such a reference is mostly a function of its 3x3
    // max-min, a byte: it is then kept as that byte and a table of 256
    // floats, when every pixel's float reads back from the table to the bit.
    void SetNarrowReference(bool allowed) { m_narrowAllowed = allowed; }
    bool NarrowReference() const { return m_ref.depth() == CV_8U; }
    bool NarrowTolerance() const { return m_tol.depth() == CV_8U; }
    // What the model holds, by kind, added to `out`.
    void CountBytes(ByteCounts& out) const;

private:
    cv::Size m_size;
    cv::Mat m_mask;  // 255 judged, 0 not
    std::vector<cv::Mat> m_templates;
    std::vector<cv::Mat> m_covered;  // per template, 255 where it shows the part
    cv::Mat m_judged;                // mask and covered by some template (m_mask itself when that is all of it)
    cv::Mat m_ref;                   // CV_32F, or CV_8U (see SetNarrowReference)
    cv::Mat m_tol;                   // CV_32F, or CV_8U indices into m_tolOf (see SetNarrowReference)
    std::vector<float> m_tolOf;      // 256 floats while m_tol holds bytes
    float m_tolLeast = 0;            // the least of them that m_tol uses
    int m_templateCount = 0;
    // tolerance = (spread + Edge() * edge + base) * scale, at least 1
    double m_tolScale = 1, m_tolEdge = 0, m_tolBase = 0;
    // Reference k of a judgement: 0 the sharp one, then the softened copies
    // (the reference blurred as by defocus, least first).
    const cv::Mat& ReferenceAt(size_t k) const;
    cv::Mat Edge() const;
    // Grows the spread around patches where the templates differ beyond noise.
    // brightest and darkest: per pixel over the lit templates (both reused, then released).
    // together: where the templates change together beyond base and noise (see Train), CV_8U.
    // sites and measured, when given: the varying highlights and their reach, and where the templates
    // vary (ShiftEnvelope), CV_8U; sites empty when none.
    void WidenWhereVarying(cv::Mat& spread, const cv::Mat& edge, cv::Mat& brightest, cv::Mat& darkest,
                           const cv::Mat& together, cv::Mat* sites = nullptr, cv::Mat* measured = nullptr) const;
    // The pixels of `varies` that lie in a patch of them.
    static cv::Mat Patches(cv::Mat varies);
    // The patches (8-connected) that hold a pixel of `core`, and at least
    // `share` of their pixels.
    static cv::Mat WithCore(const cv::Mat& patches, const cv::Mat& core, double share = 0);
    // Within reach of the patches `varies`: twice their largest spread, and
    // as bright or dark as they were (brightest and darkest are used up).
    void WidenAround(const cv::Mat& varies, cv::Mat& spread, cv::Mat& brightest, cv::Mat& darkest) const;
    // Off a highlight that holds a patch of `slight` beyond the reach of
    // `varies`, where the templates change together with it: twice the
    // largest spread within 1 px.
    // `raised`: what stands above the reference's face within a highlight's reach.
    void WidenSlightHighlights(const cv::Mat& varies, const cv::Mat& slight, const cv::Mat& together,
                               const cv::Mat& raised, cv::Mat& spread) const;
    // Along every highlight that holds a patch of `varies`: what moving the
    // highlight 1 px across changes.
    void WidenAcross(const cv::Mat& varies, const cv::Mat& raised, cv::Mat& spread) const;
    // Clears the pixels of `diff` that a veil over the lit reference `focus`
    // explains. The veil is fitted with the lighting: the lighting is fitted
    // again to the window with the veil taken out, so a veil over part of
    // the window does not bend it. `judged`, when given, gets that lighting
    // and the veil.
    void TakeOutVeil(const cv::Mat& g, const LightingPlane& l, size_t focus, const cv::Mat& tolerance,
                     cv::Mat& diff, Judged* judged) const;
    // Keeps m_tol as bytes and a table when that reads back exactly.
    void TryNarrowTolerance();
    // The tolerance in floats: m_tol itself, or read from the table into
    // `buffer` (reused by the caller's thread, so no allocation per window).
    // `fitGrid`: only the pixels the lighting fit reads are read from the
    // table; the buffer's others stay as they were.
    cv::Mat ToleranceFloats(std::vector<float>& buffer, bool fitGrid = false) const;
    struct Fit;  // the lighting fit's sums that depend on the reference only, and the softened copies
    std::shared_ptr<const Fit> m_fit;
    // Past the sites, where only the envelope's reach lets a pixel through:
    // its tolerance without the reach, and the templates' highlights around.
    struct Reach;
    std::shared_ptr<const Reach> m_reach;
    // Keeps, where the envelope raised the spread past its sites (`past`,
    // `before` there the tolerance without it), those tolerances and the
    // highlights of the `count` lit templates (`lit`: the k-th, made on call).
    void KeepReach(const std::vector<ShiftEnvelope::Raised>& past, size_t count,
                   const std::function<const cv::Mat&(size_t)>& lit);
    // Flags the reach pixels that differ beyond their tolerance without the
    // reach and that no template's highlight, moved by up to the travel,
    // shows. True when it flagged any.
    bool CheckReach(const cv::Mat& g, const LightingPlane& l, const float* colOffset, size_t focus, cv::Mat& diff) const;
    int m_amplify = 0;
    bool m_hue = false;
    bool m_narrowAllowed = true;
    bool m_created = false;
    bool m_valid = false;
};
