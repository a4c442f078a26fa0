#pragma once
// Inspection engine of one camera: trains per-ROI matchers from the
// templates, aligns each frame onto the taught position and judges every ROI
// of a detection step into the camera widget's result fields.
#include <QList>
#include <QStringList>

#include <cstdint>
#include <map>
#include <vector>
#include <opencv2/core.hpp>

#include "InspectHost.h"
#include "ParamRoi.h"
#include "foundation/FrameBytes.h"
#include "inspect/EdgePoint.h"
#include "platform/vision/ContextFit.h"
#include "platform/vision/FindShape.h"
#include "platform/vision/GrayMatch.h"
#include "platform/vision/ImageTransform.h"
#include "platform/vision/SURF.h"

class CammerSingleton;
class CammerWidgetData;

class CammerRecong {
public:
    static constexpr int kGroups = 8;
    static constexpr int kRois = 50;
    static constexpr int kMaxMarks = 99;  // boxes kept per ROI

    // Trains every enabled group; the widget's buffers must be allocated.
    CammerRecong(CammerSingleton* roiSet, CammerWidgetData* widget);
    // Untrained until Train(): start-up trains the cameras side by side.
    enum Untrained { NotTrained };
    CammerRecong(CammerSingleton* roiSet, CammerWidgetData* widget, Untrained);
    ~CammerRecong();
    CammerRecong(const CammerRecong&) = delete;
    CammerRecong& operator=(const CammerRecong&) = delete;

    void CreateShape(int g);
    void VarTrain(int g);
    // Every enabled group; engines of different cameras may train at once.
    void Train();
    // Time the last Train spent reading and converting template files.
    double trainReadMs() const { return double(m_trainReadNs) / 1e6; }
    // Aligns the work buffer of the main window's current step into inspectFrame.
    void ShapeMatch();
    void ShapeMatch(int g, const InspectParams& p);
    // Judges group g; records go to g_listParamROI, failures to the operation log.
    void Run(int g);
    // One-ROI preview on the editor's picture with the edit set.
    void RunTest(int g, int j);
    void AreaGen() {}

    // What one judgement produced besides the widget fields: kept apart so that
    // cameras can be judged on worker threads and merged in camera order.
    struct StepOutput {
        QList<param_roi> records;
        QStringList logLines;
    };
    void Judge(int g, const InspectParams& p, bool collectRecords, StepOutput& out);

    // Trained state, read by tests and the editor.
    // Where group g's ignore points and Ignore Areas leave `box` judged
    // (255) or not (0); empty while the group is untrained.
    cv::Mat IgnoreMask(int g, const cv::Rect& box) const;
    const cv::Rect& SearchWindow(int g) const { return searchWin[g]; }
    int ModelCx(int g) const { return modelCx[g]; }
    int ModelCy(int g) const { return modelCy[g]; }
    bool HasModel(int g) const { return findShape[g].IsValid(); }
    bool HasGrayMatch(int g, int j) const { return grayMatch[g][j].IsValid(); }
    bool HasSurf(int g, int j) const { return surf[g][j].IsValid(); }
    const GrayMatch& Matcher(int g, int j) const { return grayMatch[g][j]; }
    // What the trained state holds, by kind (matchers, ignore masks, the
    // judgement's pictures kept between steps).
    void CountBytes(ByteCounts& out) const;
    // Where positioning finds the part of group g in a frame: the shift and
    // turn (degrees, about `centre`) that bring it onto the taught pose.
    // False when it finds none it can trust.
    bool Position(int g, const InspectParams& p, const cv::Mat& frame, double& dx, double& dy, double& angle,
                  cv::Point2d& centre) const;

private:
    // Where positioning found the part: the shift and turn that bring a frame
    // onto the taught pose (the taught pose is template 0's).
    struct FramePose {
        double dx = 0;
        double dy = 0;
        double angle = 0;  // degrees, 0 for shift-only positioning
        cv::Point2f centre;
        FrameWarp Warp() const;
    };
    enum class Located { Off, Lost, Moved, Scaled, Found };
    // Off: positioning does not apply (switched off, colour, no model); Lost:
    // it applies but found no pose it can trust; Moved: the part's place fits
    // but what lies around it does not (the camera or the mould has moved);
    // Scaled: what lies around it fits at another picture scale.
    Located Locate(int g, const InspectParams& p, const cv::Mat& frame, FramePose& pose) const;
    // The box spanning group g's judged areas (frame coordinates).
    cv::Rect JudgedBox(int g) const;
    // Template k > 0 onto template 0's pose; `covered` marks the pixels it
    // still shows. Unchanged when positioning is off or finds nothing.
    void AlignTemplate(int g, const InspectParams& p, cv::Mat& tpl, cv::Mat& covered) const;
    struct EdgeFound {
        int count = 0;  // 0, 1 or 2 (first and last of several)
        cv::Point2d first;
        double distance = 0;  // first to last, when two or more
    };
    // Runs the edge search of a Dist-Measure ROI and writes its value and the
    // reference (training) or found (judgement) half of the edge record.
    EdgeFound MeasureEdges(int g, int j, const cv::Mat& src, const cv::Rect& box, int dir,
                           int sensitivity, bool reference);
    // Work image of a grey-band ROI (codes 1, 4, 5, 7, 8) before the opening:
    // the band's pixels where both the group's ignore mask and the ROI's mask
    // let it judge. Also gives the opening's kernel.
    void BandWork(int code, const struct RoiLimits& lim, const cv::Mat& window, const cv::Mat& ignore,
                  const cv::Mat& mask, const InspectParams& p, cv::Mat& work, int& kernel) const;
    cv::Mat Frame(FrameBytes& buffer) const;
    cv::Mat SourceImage(const InspectParams& p);
    cv::Mat TemplateImage(int g, int k, const InspectParams& p);
    // Whether anything is left after the opening; `kept`, when given, a box
    // of the work image holding all that is left.
    bool Open(cv::Mat& work, int kernel, const cv::Rect& box, cv::Rect* kept = nullptr);
    bool InsideFrame(const cv::Rect& box) const;
    void PassThrough();
    // Clears the NG map, or (not whole) where this engine wrote it since the
    // last clear.
    void ClearNgMap(cv::Mat& ngMap, bool whole);

    CammerSingleton* roiSet;
    CammerWidgetData* widget;
    int W = 0;  // frame size of the widget's buffers
    int H = 0;
    bool colour = false;
    // A group's ignore mask as the frame would hold it: 255 (judged) outside
    // `bounds`, the box around every ignored pixel, and `inside` within it.
    // Most groups ignore nothing or a small part, so a frame-size mask per
    // group would mostly hold 255.
    struct IgnoreMap {
        bool trained = false;
        cv::Rect bounds;
        cv::Mat inside;  // CV_8U over bounds
        // The mask over `box` (inside the frame) into `out`.
        void Cut(const cv::Rect& box, cv::Mat& out) const;
    };
    IgnoreMap ignore[kGroups];
    cv::Mat ignoreCut;  // Judge's cut of the ignore mask, reused from ROI to ROI
    GrayMatch grayMatch[kGroups][kRois];
    SURF surf[kGroups][kRois];
    FindShape findShape[kGroups];
    // What each group's template shows around its Position ROI: breaks a tie
    // between the taught place and repeats alike inside the ROI, and holds a
    // place whose surroundings are not the taught ones (camera or mould moved).
    ContextFit context[kGroups];
    int modelCx[kGroups] = {};
    int modelCy[kGroups] = {};
    cv::Rect searchWin[kGroups];
    std::map<int, cv::Mat> ellipses;  // structuring elements by size
    // Template 0 of the group Train is training, read from its file once for
    // both the shape model and the matchers.
    cv::Mat trainTemplate0;
    int trainGroup = -1;
    int64_t m_trainReadNs = 0;
    cv::Mat ReadTemplate(int g, int k, bool grayHue);
    // The pictures a judgement works in (work image, the similarity's copy
    // of its window): one store each, as large as the largest box, kept
    // between ROIs and steps. A ROI's pictures are done with before the next.
    std::vector<uchar> workStore, copyStore;
    static cv::Mat Scratch(std::vector<uchar>& store, const cv::Size& size);
    EdgePointDetParam edgeParam;  // the edge search's record, kept between calls
    std::vector<cv::Rect> ngDirty;  // NG map boxes written since the map was last cleared
    std::vector<cv::Rect> warpedBoxes;  // boxes aligned by the last ShapeMatch (kept for its capacity)
    const uchar* ngCleared = nullptr;  // the NG map buffer that was cleared whole
};
