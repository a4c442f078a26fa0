#include "ViewZoom.h"

#include "inspect/CycleState.h"

#include <algorithm>

void ZoomScale(CycleState& st, int dir)
{
    const double u = (st.zoomCentreX - st.zoomOffsetX) / st.zoomScale;
    const double v = (st.zoomCentreY - st.zoomOffsetY) / st.zoomScale;
    if (dir == 0) {
        ZoomReset(st);
        return;
    }
    if (dir > 0) {
        st.zoomScale = std::min(st.zoomScale * kZoomStep, kZoomMax);
    } else {
        st.zoomScale /= kZoomStep;
        if (st.zoomScale < 1.1)
            st.zoomScale = 1.0;
    }
    if (st.zoomScale == 1.0) {
        st.zoomOffsetX = st.zoomOffsetY = 0;
        return;
    }
    st.zoomOffsetX = st.zoomCentreX - u * st.zoomScale;
    st.zoomOffsetY = st.zoomCentreY - v * st.zoomScale;
}

bool ZoomMove(CycleState& st, int dx, int dy)
{
    if (st.zoomScale <= 1.0)
        return false;
    st.zoomOffsetX += dx * st.zoomScale;
    st.zoomOffsetY += dy * st.zoomScale;
    return true;
}

void ZoomReset(CycleState& st)
{
    st.zoomScale = 1.0;
    st.zoomOffsetX = st.zoomOffsetY = 0;
}

int ZoomButtonsAfter(int mode, int current, bool imageAdjust)
{
    if (!imageAdjust)
        return ZoomButtonsHidden;
    switch (mode) {
    case ZoomButtonsHidden:
    case ZoomButtonsEnlarge:
    case ZoomButtonsAll:
        return mode;
    default:
        return current;
    }
}
