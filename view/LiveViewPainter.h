#pragma once
// Paints one camera view: the image the editor's source selects, the NG and
// ignored pixels, the areas of the step with their verdicts, values and
// limits, the status line, counts, frame rate and countdown, and the shape
// being drawn. Areas and shapes are in view coordinates (a view shown full
// screen), NG boxes and edge points in frame pixels; both are scaled to the
// widget's size.
#include "widgets/TextPlacer.h"

#include <QColor>
#include <QList>
#include <QTransform>

#include <utility>
#include <vector>

class CammerSingleton;
class CammerWidget;
class QPainter;
class ViewHost;
struct CycleState;
struct WizardPara;

class LiveViewPainter {
public:
    LiveViewPainter(CammerWidget& w, ViewHost& host);
    void Paint(QPainter& painter);
    // Every text of the view, where Paint draws it (the widget's coordinates):
    // sizes follow the view but stay readable in a small grid cell.
    QList<PlacedText> Texts() const;
    // Height of the band at the top that holds the status line, countdown
    // and counts, however they wrap.
    static int StatusBandHeight(int widgetWidth);

    // The word of the status line for step g and its colour: resampling,
    // stopping, the re-detection under way, or the step's state.
    static QString StatusWord(const CycleState& st, const WizardPara& p, int g, QColor* colour);

private:
    // What the view shows: the areas of which set and step, and whether the
    // verdict block (areas, word, legend) is on.
    struct Scene {
        const CammerSingleton* set = nullptr;
        int g = 0;
        bool tmpl = false;
        bool block = false;
    };
    Scene SceneNow() const;
    bool AreaShown(const CammerSingleton& set, int g, int j) const;
    QColor AreaColour(int g, int j) const;
    // Overlay pixels painted into the display picture; where that picture
    // is the shown frame itself, undo gets each pixel's earlier value.
    using PixelUndo = std::vector<std::pair<quint32, quint32>>;
    void PaintOverlays(const CammerSingleton& set, int g, PixelUndo* undo);
    // What is painted over the frame's pixels now: NG pixels (the alarm's
    // blink), ignored points, the selected area's preview.
    struct Overlays {
        bool ngPixels = false, ignored = false, preview = false;
        bool any() const { return ngPixels || ignored || preview; }
    };
    Overlays OverlaysNow() const;
    void PaintAreas(QPainter& painter, const CammerSingleton& set, int g);
    void PaintLimitSquares(QPainter& painter, const CammerSingleton& set, int g, int j);
    void PaintDrawing(QPainter& painter);
    void DrawImage(QPainter& painter, const class QImage& image);
    void PlaceRecord(TextPlacer& at) const;
    void PlaceRecentNg(TextPlacer& at) const;
    void PlaceStatus(TextPlacer& at, int g) const;
    void PlaceCounts(TextPlacer& at, const QString& selectedText, int g) const;
    void PlaceVerdict(TextPlacer& at) const;
    void PlaceLegend(TextPlacer& at) const;
    void PlaceAreaTexts(TextPlacer& at, const CammerSingleton& set, int g) const;
    static QString StateWord(int runState, QColor* colour);
    int Size(int small, int large) const { return m_small ? small : large; }

    CammerWidget& m_w;
    ViewHost& m_host;
    const WizardPara& m_p;
    bool m_small;
    int m_source;
    QTransform m_zoom;   // pan and zoom of the selected camera
    QTransform m_view;   // view coordinates to widget
    QTransform m_image;  // frame pixels to widget
    double m_textScale;  // widget pixels per view pixel, never zoomed
};
