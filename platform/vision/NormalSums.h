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

// Written out in full, so that every index is a constant.
inline void AddWeightedOuter(double* normal, const double* wj, const double* j, bool turn)
{
    constexpr int k = kPoseUnknowns;
    static_assert(k == 7, "the rows below are written for seven unknowns");
    double* r0 = normal;
    double* r1 = normal + k;
    if (turn) {
        AddPairProducts(r0, wj[0], j, 0);
        AddPairProducts(r0, wj[0], j, 2);
        AddPairProducts(r0, wj[0], j, 4);
        r0[6] += wj[0] * j[6];
        AddPairProducts(r1, wj[1], j, 1);
        AddPairProducts(r1, wj[1], j, 3);
        AddPairProducts(r1, wj[1], j, 5);
        double* r2 = normal + 2 * k;
        AddPairProducts(r2, wj[2], j, 2);
        AddPairProducts(r2, wj[2], j, 4);
        r2[6] += wj[2] * j[6];
    } else {
        // Rows 0 and 1 without column 2; row 2 is left out.
        AddPairProducts(r0, wj[0], j, 0);
        AddPairProducts(r0, wj[0], j, 3);
        AddPairProducts(r0, wj[0], j, 5);
        r1[1] += wj[1] * j[1];
        AddPairProducts(r1, wj[1], j, 3);
        AddPairProducts(r1, wj[1], j, 5);
    }
    double* r3 = normal + 3 * k;
    AddPairProducts(r3, wj[3], j, 3);
    AddPairProducts(r3, wj[3], j, 5);
    double* r4 = normal + 4 * k;
    AddPairProducts(r4, wj[4], j, 4);
    r4[6] += wj[4] * j[6];
    AddPairProducts(normal + 5 * k, wj[5], j, 5);
    normal[6 * k + 6] += wj[6] * j[6];
}
