#pragma once
// Mean and standard deviation of the masked pixels of an 8-bit picture, for
// the whole picture and for every cell of a grid over it, in one pass: the
// same doubles cv::meanStdDev gives for each (its sums are exact integers, its
// last steps are repeated here).
#include <opencv2/core.hpp>

#include <vector>

struct GreyStats {
    double mean = 0;
    double sd = 0;
};

class GridStats {
public:
    // Cell edges along each axis: cell (i, j) spans columns [cols[i], cols[i + 1])
    // and rows [rows[j], rows[j + 1]); the edges cover the picture.
    void SetGrid(const std::vector<int>& colEdges, const std::vector<int>& rowEdges, const cv::Mat& mask);
    // img and the mask given to SetGrid (0 or 255) are of one size.
    void Measure(const cv::Mat& img, GreyStats& whole, std::vector<GreyStats>& cells) const;
    // Masked pixels per cell, row by row.
    const std::vector<int>& CellCounts() const { return m_counts; }

private:
    std::vector<int> m_cols, m_rows;
    std::vector<int> m_counts;
    cv::Mat m_mask;
};

// What cv::mean gives for a CV_32FC1 picture under a CV_8UC1 mask of its size,
// bit for bit, without its per-call set-up.
double MaskedMean(const cv::Mat& img, const cv::Mat& mask);
// One row of a masked picture, masked-out pixels (mask 0) set to `fill`,
// into `out` and as float into `asFloat`.
void MaskedGreyRow(const uchar* grey, const uchar* mask, uchar fill, uchar* out, float* asFloat, int cols);
// c = c - mean where the mask is non-zero, 0 where it is 0.
void CentreRow(float* c, const uchar* mask, float mean, int cols);
