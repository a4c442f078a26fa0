#pragma once
// Paints one camera view: the image the editor's source selects, the NG and
// ignored pixels, the areas of the step with their verdicts, values and
// limits, the status line, counts, frame rate and countdown, and the shape
// being drawn. Areas and shapes are in view coordinates (a view shown full
// screen), NG boxes and edge points in frame pixels; both are scaled to the
// widget's size.
#include <QColor>
#include <QTransform>

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

    // The word of the status line for step g and its colour: resampling,
    // stopping, the re-detection under way, or the step's state.
    static QString StatusWord(const CycleState& st, const WizardPara& p, int g, QColor* colour);

private:
    void PaintRecord(QPainter& painter);
    void PaintRecentNg(QPainter& painter);
    void PaintOverlays(const CammerSingleton& set, int g);
    void PaintVerdict(QPainter& painter);
    void PaintLegend(QPainter& painter);
    void PaintAreas(QPainter& painter, const CammerSingleton& set, int g);
    void PaintLimitSquares(QPainter& painter, const CammerSingleton& set, int g, int j);
    void PaintStatus(QPainter& painter, int g);
    void PaintCounts(QPainter& painter, const QString& selectedText, int g);
    void PaintDrawing(QPainter& painter);
    void DrawImage(QPainter& painter, const class QImage& image);
    void SetFont(QPainter& painter, int small, int large);
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
    QTransform m_text;   // view coordinates to widget, never zoomed
};
