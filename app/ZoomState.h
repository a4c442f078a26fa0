#pragma once
// Zoom and pan of the single-camera view. The camera view paints under
// (offset, scale) and maps a touch back with (p - offset) / scale.
struct ZoomState {
    static constexpr double kMaxScale = 32.0;
    static constexpr double kStep = 1.2;

    double scale = 1.0;
    double offsetX = 0;
    double offsetY = 0;
    // Point to zoom about; every tap on a camera view moves it.
    int centreX = 0;
    int centreY = 0;
    // Where the last pan drag stood; the next move pans by the difference.
    int lastPanX = 0;
    int lastPanY = 0;

    // A tap on a camera view: it is the zoom centre and the start of a pan.
    void Touch(int x, int y);
    // dir > 0 enlarge, < 0 reduce, 0 back to 1:1; the image point under the
    // centre stays where it is.
    void Scale(int dir);
    // Pan by (dx, dy) steps of the current scale; only while zoomed in.
    bool Move(int dx, int dy);
    void Reset();
};

// Zoom buttons shown: 0 none, 1 only "enlarge", 2 all seven.
enum ZoomButtons { ZoomButtonsHidden = 0, ZoomButtonsEnlarge = 1, ZoomButtonsAll = 2 };

// State after a show/hide request. Without image adjustment the buttons stay
// hidden; an unknown mode leaves the state as it was.
int ZoomButtonsAfter(int mode, int current, bool imageAdjust);
