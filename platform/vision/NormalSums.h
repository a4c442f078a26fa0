#pragma once
// The pose fit's normal equations: normal(m, n) += wj[m] * j[n] for n >= m
// (the upper triangle of a kPoseUnknowns square, row-major), two sums at a
// time; each sum takes the same products in the same order as one at a time.
// Without the turn its row and column stay the zeros they start as (products
// with a zero factor would leave them so) and are not summed.
#include <opencv2/core/hal/intrin.hpp>

// cx, cy, angle (the turn), gain, offset, lighting slope along x and y and
// its bend (xx, xy, yy)
constexpr int kPoseUnknowns = 10;

// row[n] += w * j[n] and row[n + 1] += w * j[n + 1]
inline void AddPairProducts(double* row, double w, const double* j, int n)
{
#if CV_SIMD128_64F
    cv::v_store(row + n, cv::v_load(row + n) + cv::v_setall_f64(w) * cv::v_load(j + n));
#else
    row[n] += w * j[n];
    row[n + 1] += w * j[n + 1];
#endif
}

// row[n] += w * j[n] for from <= n < kPoseUnknowns
inline void AddRowProducts(double* row, double w, const double* j, int from)
{
    int n = from;
    for (; n + 2 <= kPoseUnknowns; n += 2)
        AddPairProducts(row, w, j, n);
    if (n < kPoseUnknowns)
        row[n] += w * j[n];
}

inline void AddWeightedOuter(double* normal, const double* wj, const double* j, bool turn)
{
    constexpr int k = kPoseUnknowns;
    if (turn) {
        for (int m = 0; m < 3; ++m)
            AddRowProducts(normal + m * k, wj[m], j, m);
    } else {
        // Rows 0 and 1 without column 2; row 2 is left out.
        normal[0] += wj[0] * j[0];
        normal[1] += wj[0] * j[1];
        AddRowProducts(normal, wj[0], j, 3);
        normal[k + 1] += wj[1] * j[1];
        AddRowProducts(normal + k, wj[1], j, 3);
    }
    for (int m = 3; m < k; ++m)
        AddRowProducts(normal + m * k, wj[m], j, m);
}
