#pragma once
// When one grey fit counts as clearly better than another, for the search
// and for the surroundings alike. Another place fits as well as the chosen
// one (a tie, and the part could be at either) unless what it leaves
// unexplained beyond noise exceeds the chosen one's by more than a quarter
// of that, and by more than the noise of the two fits could make them
// differ (three standard deviations of the difference). Noise's expected
// share is taken out of both fits already; on identical cavities a repeat
// differs only by the plate's grain between them, a few noise deviations.
#include <cmath>

namespace TieRule {
constexpr double kShare = 0.25;
constexpr double kSigmas = 3.0;

// How far below `best` another fit may lie and still tie with it, given the
// noise of the difference between the two fits.
inline double Margin(double best, double wobble) { return kShare * (1.0 - best) + kSigmas * wobble; }
inline double Margin(double best, double wobbleA, double wobbleB) { return Margin(best, std::hypot(wobbleA, wobbleB)); }
}  // namespace TieRule
