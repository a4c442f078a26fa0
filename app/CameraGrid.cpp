#include "CameraGrid.h"

#include <algorithm>

namespace {
QRect Corners(int x1, int y1, int x2, int y2)
{
    return QRect(QPoint(x1, y1), QPoint(x2, y2));
}
}  // namespace

QList<QRect> CameraCells(int n, int sel, int W, int H)
{
    QList<QRect> cells;
    for (int c = 0; c < 8; ++c)
        cells << QRect();
    if (n <= 1) {
        cells[0] = Corners(0, 0, W - 1, H - 1);
        return cells;
    }
    if (sel >= 0 && sel < n) {
        cells[sel] = Corners(0, 0, W - 1, H - 1);
        return cells;
    }
    const int evenW = W & ~1;
    if (n == 2) {
        const int w = W / 2;
        cells[0] = Corners(0, 0, w - 1, H - 1);
        cells[1] = Corners(w, 0, 2 * w - 1, H - 1);
    } else if (n <= 4) {
        const int w = W / 2, h = H / 2;
        cells[0] = Corners(0, 0, w - 1, h - 1);
        cells[1] = Corners(w, 0, evenW - 1, h - 1);
        cells[2] = Corners(0, h, w - 1, 2 * h - 1);
        if (n == 4)
            cells[3] = Corners(w, h, evenW - 1, 2 * h - 1);
    } else if (n <= 6) {
        // The third column ends at the screen's edge: a view running past it
        // would lose its right edge and slip under the command column.
        const int w = W / 3 + 1, h = H / 2;
        for (int c = 0; c < n; ++c) {
            const int col = c % 3, row = c / 3;
            const int x2 = col == 0 ? W / 3 : std::min((col + 1) * w - 1, W - 1);
            cells[c] = Corners(col * w, row * h, x2, (row + 1) * h - 1);
        }
    } else {
        const int w = W / 4, h = H / 2;
        for (int c = 0; c < n && c < 8; ++c) {
            const int col = c % 4, row = c / 4;
            cells[c] = Corners(col * w, row * h, (col + 1) * w - 1, (row + 1) * h - 1);
        }
    }
    return cells;
}
