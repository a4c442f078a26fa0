#pragma once
// Frame alignment: write the shifted (and turned) source into dst, which must
// already have the source's size and type; dst is never reallocated and every
// pixel of it is written (uncovered pixels become 0). src and dst must not
// share memory.

#include <opencv2/core.hpp>

// dst(x + dx, y + dy) = src(x, y).
bool MoveImage(const cv::Mat& src, cv::Mat& dst, int dx, int dy);

// Shift by `offset`, then turn by `angle` degrees about `centre`:
// a source point q lands on R(angle) * (q + offset - centre) + centre, with
// R(a) = [cos a, -sin a; sin a, cos a] in image axes (y down). Bilinear.
bool TransformImage(const cv::Mat& src, cv::Mat& dst, cv::Point2f offset, cv::Point2f centre,
                    double angle);

// The alignment of one located part as MoveImage or TransformImage would write
// it, kept so that it can be applied to parts of the frame: ApplyRect writes
// exactly the pixels Apply writes there (bilinear with warpAffine's own
// fixed-point steps), so a frame can be aligned where it is judged first and
// completed only when something shows or saves it.
class FrameWarp {
public:
    void SetShift(int dx, int dy);
    void SetTransform(cv::Point2f offset, cv::Point2f centre, double angle);
    // Every pixel of dst, as MoveImage / TransformImage.
    bool Apply(const cv::Mat& src, cv::Mat& dst) const;
    // Only the pixels of r (clipped to dst); the same values Apply writes there.
    bool ApplyRect(const cv::Mat& src, cv::Mat& dst, const cv::Rect& r) const;

    // Turned boxes blend sixteen pixels at a time where the processor has
    // AVX2, with the same results; tests switch it off to check the SSE2 way.
    static void AllowWideBlend(bool allowed);
    static bool WideBlend();

private:
    enum class Kind { None, Shift, Affine };
    Kind m_kind = Kind::None;
    int m_dx = 0, m_dy = 0;
    cv::Point2f m_offset, m_centre;
    double m_angle = 0;
    double m_inverse[6] = {};  // destination -> source, as warpAffine inverts
};
