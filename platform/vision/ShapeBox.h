#pragma once
// Inclusive bounding box of a shape in frame pixels: (x1, y1)-(x2, y2).
// An empty shape has x2 < x1 or y2 < y1; its rectangle then has no area.
#include <opencv2/core.hpp>

struct ShapeBox {
    int x1 = 0;
    int y1 = 0;
    int x2 = -1;
    int y2 = -1;

    bool isEmpty() const { return x2 < x1 || y2 < y1; }
    int width() const { return isEmpty() ? 0 : x2 - x1 + 1; }
    int height() const { return isEmpty() ? 0 : y2 - y1 + 1; }
    // (x1, y1, x2 - x1 + 1, y2 - y1 + 1), or an empty rectangle.
    cv::Rect toRect() const { return isEmpty() ? cv::Rect() : cv::Rect(x1, y1, x2 - x1 + 1, y2 - y1 + 1); }

    bool operator==(const ShapeBox& o) const { return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2; }
    bool operator!=(const ShapeBox& o) const { return !(*this == o); }

    // Normalises the corners and clips them to the frame (0..w-1, 0..h-1);
    // a box wholly outside becomes empty.
    static ShapeBox clipped(int x1, int y1, int x2, int y2, int frameW, int frameH);
};
