#pragma once
// Similarity of a window to its good templates, 0..100, for the ROI function
// "Similarity". The comparison is a masked zero-mean normalised correlation
// that tolerates a shift of a few pixels: the same picture scores 100,
// brightness and contrast changes do not matter, an unrelated picture scores
// far below the default minimum of 80. A flat (featureless) template is
// compared by its mean grey level instead.
#include <opencv2/core.hpp>

#include <vector>

class SURF {
public:
    // w x h window; mask CV_8U of that size, non-zero = compared (an empty
    // mask compares the whole window). False on a bad mask.
    bool Create(int w, int h, const cv::Mat& mask);
    // Copies one template window of the created size. mode, threshold and
    // minScore are kept for the caller's record and do not change the score.
    bool AddTemp(const cv::Mat& window, int mode = 1, int threshold = 50, int minScore = 80);
    // Arguments reserved (the engine passes zeros). Valid with >= 1 template.
    bool Train(int a = 0, int b = 0, int c = 0, int d = 0);
    // Best score over the templates, 0..100. `out` receives a window-size
    // CV_8U image (left zero; kept for the caller). 0 when not valid or the
    // window has another size.
    float Match(const cv::Mat& window, cv::Mat& out) const;
    bool IsValid() const { return m_valid; }
    void Clear();

    int minScore() const { return m_minScore; }

private:
    // One pyramid level of a template: the inner part (cropped by the level's
    // search margin) with its masked mean removed, zero outside the mask.
    struct LevelModel {
        cv::Mat zeroMean;  // CV_32F
        double sumSq = 0;
    };
    struct Model {
        std::vector<LevelModel> levels;
        bool flat = false;
        double mean = 0;  // masked mean of the inner part, level 0
    };
    struct LevelMask {
        cv::Mat weight;  // CV_32F 0/1, inner part
        double count = 0;
        int margin = 0;
    };
    static cv::Mat toFloatGrey(const cv::Mat& window);
    std::vector<cv::Mat> pyramid(const cv::Mat& grey) const;
    cv::Size m_size;
    std::vector<LevelMask> m_masks;  // per level
    std::vector<Model> m_models;
    int m_minScore = 80;
    bool m_created = false;
    bool m_valid = false;
};
