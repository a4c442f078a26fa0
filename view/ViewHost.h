#pragma once
// What a camera view asks of the main window. The main window installs its
// implementation; the default keeps a view usable on its own (tests).
#include <QPoint>

struct ZoomState;

class ViewHost {
public:
    virtual ~ViewHost() = default;

    // A press on camera view `camera` at pos (widget pixels): the zoom point,
    // the command column, the choice of camera in the grid. True when the
    // press ends there.
    virtual bool viewPressed(int camera, const QPoint& pos)
    {
        (void)camera, (void)pos;
        return false;
    }
    // Zoom and pan of the single-camera view (null: none).
    virtual const ZoomState* zoom() const { return nullptr; }

    static ViewHost& instance();
    static void setInstance(ViewHost* host);  // nullptr restores the default
};
