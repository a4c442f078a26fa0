#pragma once
// A black plastic part drawn for qualitybench ("black1", "black2", ...): a
// face about grey 40 with a grain of about one grey level; ribs 4 to 9 grey
// levels above it, bosses 3 to 7 above, holes 8 to 14 below. Judged with the
// sensor noise of a black part (qualitybench --noise 3), its edges stand
// barely above the noise and shift with the frame's gain.
#include <opencv2/core.hpp>

// The 1920 x 1080 grey face drawn from `seed`.
cv::Mat BlackPart(int seed);
