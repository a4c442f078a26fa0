#pragma once
// The pose fit's normal equations: normal(m, n) += wj[m] * j[n] for n >= m
// (the upper triangle of a kPoseUnknowns square, row-major), two sums at a
// time; each sum takes the same products in the same order as one at a time.
// Without the turn its row and column stay the zeros they start as (products
// with a zero factor would leave them so) and are not summed.
#include <opencv2/core/hal/intrin.hpp>

// cx, cy, angle (the turn), gain, offset, lighting slope along x and y
constexpr int kPoseUnknowns = 7;

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

inline void AddWeightedOuter(double* normal, const double* wj, const double* j, bool turn)
{
    constexpr int k = kPoseUnknowns;
    int m = 0;
    if (!turn) {
        // Rows 0 and 1 without column 2; row 2 is left out.
        AddPairProducts(normal, wj[0], j, 0);
        AddPairProducts(normal, wj[0], j, 3);
        AddPairProducts(normal, wj[0], j, 5);
        normal[k + 1] += wj[1] * j[1];
        AddPairProducts(normal + k, wj[1], j, 3);
        AddPairProducts(normal + k, wj[1], j, 5);
        m = 3;
    }
    for (; m < k; ++m) {
        double* row = normal + m * k;
        int n = m;
        for (; n + 2 <= k; n += 2)
            AddPairProducts(row, wj[m], j, n);
        if (n < k)
            row[n] += wj[m] * j[n];
    }
}
