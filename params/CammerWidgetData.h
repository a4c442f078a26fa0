#pragma once
// What the camera widget holds for the ROI sets and the inspection engine:
// frame and template buffers, ROI masks, ignored alarm points and the result
// fields the engine writes. The widget (a QWidget) derives from this record,
// so the engine and the stores can use it without the widget toolkit.
#include "RecentNgRing.h"
#include "foundation/FrameBytes.h"
#include "platform/vision/ShapeBox.h"

#include <opencv2/core.hpp>

#include <QString>

#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/vision/ImageTransform.h"

class CammerSingleton;
class CammerRecong;
struct WizardPara;

struct FrameLayout {
    int width = 1920;
    int height = 1080;
    bool colour = false;    // four bytes per pixel (RGB32)
    int templateCount = 1;  // template slots per group
    int groups = 1;         // detection groups in use (gDNum)

    int imageLen() const { return width * height; }
    int colorLen() const { return imageLen() * (colour ? 4 : 1); }
};

class CammerWidgetData {
public:
    static constexpr int kGroups = 8;
    static constexpr int kMaxRoi = 50;
    static constexpr int kMarkSlots = 100;

    explicit CammerWidgetData(int camera);
    virtual ~CammerWidgetData();
    CammerWidgetData(const CammerWidgetData&) = delete;
    CammerWidgetData& operator=(const CammerWidgetData&) = delete;

    // Sizes the frame buffers for the layout, and the recent-NG frames of the
    // groups in use. They read as zero; memory is taken only as they are written.
    void AllocateBuffers(const FrameLayout& layout);
    const FrameLayout& layout() const { return m_layout; }

    // Ignore-point masks of groups 0..groups-1 from
    // "<dir>/cammer<camera+1><g+1>/ignorepoint.bmp"; a missing file or one
    // that is not frame size and 8-bit leaves the mask zero (logged).
    void LoadIgnorePoint(const QString& dir = QStringLiteral("."));
    // Templates "<dir>/cammer<camera+1><g+1>/template<k>.bmp": taken only at
    // frame size and the depth of the camera mode (8 or 32 bit); template 0
    // of every group falls back to the generated picture (centre half 255).
    void LoadTemplates(const QString& dir = QStringLiteral("."));
    // Gives group g the buffers of a group in use when it has none yet (the
    // step count rose after start-up): ignore-point mask, templates and
    // recent-NG frames, loaded from the folder of the last load. Groups never
    // used cost nothing. False for g out of range or no frame layout.
    bool EnsureGroupBuffers(int g);

    // Writes group g's ignore mask as "<dir>/cammer<camera+1><g+1>/ignorepoint.bmp"
    // (8-bit grey) and tells the plant link; false when it could not be written.
    // *path: the file's full path, for telling the operator.
    bool SaveIgnorePoint(int g, QString* path = nullptr);
    // Path of a file of group g's folder ("template3.bmp", "ignorepoint.bmp").
    QString GroupFile(int g, const QString& name) const;

    // Edit masks := live masks (the editor took a fresh copy of the live set);
    // every edit area then stands for the live area of its own index.
    void BackMask();
    // Live masks := edit masks, except the steps that copying the paired
    // steps fills (same parameters for both sides).
    void RestorMask(const WizardPara& p);
    // Deletes area i of group g of the edit set: later areas, their masks
    // and NG counters move down. The ignore points inside it are cleared
    // only when the edit is saved (ApplyIgnoreClears).
    void DeleteROI(int g, int i);
    // Every area of group g of the edit set goes; its ignore points with it
    // when the edit is saved.
    void DeleteAllROI(int g);
    // A new area at the end of group g of the edit set (no live area behind it).
    void NoteNewArea(int g, int j) { editOrigin[g][j] = -1; }
    // Clears the ignore points of the areas deleted since the editor opened;
    // true when a mask of group g changed (the caller saves it).
    bool ApplyIgnoreClears(int g);
    void DropIgnoreClears();
    bool HasIgnoreClears(int g) const { return !ignoreClearPending[g].empty(); }
    // NG counters for a saved edit set: each area keeps the counter of the
    // live area it came from (counting went on while it was edited).
    void CarryNgCounters(CammerSingleton& saved) const;

    // Marks the alarm pixels inside the NG boxes of the NG areas of group g
    // of the live set as ignored. Areas whose value is above maxValue are
    // left as they are; their numbers (0-based) are returned.
    std::vector<int> IgnoreAlarmPoints(int g, int maxValue);

    // Repaint request from the engine's preview (the widget repaints).
    virtual void RequestRepaint() {}

    // Template slots hold their pixels in memory only while no file does
    // (the generated template 0, a failed write); the others are read from
    // "template<k>.bmp" each time a reader asks. A used slot whose file no
    // longer reads is reported in the operation log; slots above 0 are then
    // marked unused, as a restart would find them.

    // Template k of group g as a frame of the layout into out (colorLen
    // bytes); false when there is no such slot or its file does not read.
    bool TemplateFrame(int g, int k, FrameBytes& out);
    // A frame of the layout (colorLen bytes) into template slot k of group g,
    // held in memory until TemplateFileWritten.
    bool SetTemplate(int g, int k, const FrameBytes& frame);
    // The slot's own file now holds its pixels: the copy in memory goes.
    void TemplateFileWritten(int g, int k);
    // Template k of group g as one 8-bit plane: grey as it is, colour
    // converted to grey (grayHue) or hue. Empty without the slot or when its
    // file does not read.
    cv::Mat TemplatePlane(int g, int k, bool grayHue);
    // Writes template k of group g to path in the frame file form.
    bool WriteTemplate(int g, int k, const QString& path);

    // Wrap buffers as frame-size 8-bit images (views, no copy).
    cv::Mat GreyView(FrameBytes& buffer) const;

    // The engine aligns a frame only where its ROIs judge it. Whatever shows
    // or saves inspectFrame, or overwrites the work buffer it came from,
    // calls this first: it writes the rest of the aligned frame (the same
    // pixels a whole-frame alignment gives).
    void FinishInspectFrame();
    // Whatever overwrites the work buffer or the inspect frame calls this
    // first; shownNext: the new pixels are to be shown at once (live view).
    // The aligned frame still needs the work buffer it came from, and a view
    // that shows the buffer keeps its picture.
    virtual void BeforeFrameWrite(const FrameBytes& buffer, bool shownNext);
    // The work buffer took the camera's buffer in exchange for its own pages
    // (at `was`), which the camera now writes into.
    virtual void WorkBufferMoved(const uint8_t* /*was*/) {}
    // Called by the engine after it aligned the ROI boxes only.
    void SetInspectPartial(const FrameWarp& warp);
    void ClearInspectPartial() { m_inspectPartial = false; }
    bool InspectPartial() const { return m_inspectPartial; }

    int camera = 0;
    CammerSingleton* liveSet = nullptr;
    CammerSingleton* editSet = nullptr;
    CammerRecong* engine = nullptr;

    // Frame buffers (colorLen bytes unless noted). The camera side keeps the
    // acquisition and SDK staging buffers.
    FrameBytes workBuffer;
    FrameBytes inspectFrame;  // grey frames only: the aligned frame
    // The frame the engine judges. Colour frames are never aligned: theirs
    // is the work buffer itself, not a copy of it.
    FrameBytes& judgedFrame() { return m_layout.colour ? workBuffer : inspectFrame; }
    const FrameBytes& judgedFrame() const { return m_layout.colour ? workBuffer : inspectFrame; }
    FrameBytes grayFrame;     // imageLen, colour mode only
    // 4 x imageLen, RGB32: the view's own picture where it needs one (grey
    // frames widened, the plant-link video, a colour frame kept while its
    // buffer is overwritten); pages are taken only as it is written.
    FrameBytes displayBuffer;
    // Recent NG frames of the groups in use, PackedLen() bytes each when read.
    RecentNgRing recentNg;
    int recentNgCount[kGroups] = {};
    // Kept pictures (recent NG frames, template slots) hold colour pixels
    // without their fourth byte, always opaque: a quarter less than a frame.
    size_t PackedLen() const { return size_t(m_layout.imageLen()) * (m_layout.colour ? 3 : 1); }
    // A frame of the layout into PackedLen() bytes, and back (colorLen bytes).
    void PackFrame(const uint8_t* frame, uint8_t* packed) const;
    void UnpackFrame(const uint8_t* packed, uint8_t* frame) const;
    // Keeps the whole inspect frame as group g's newest recent NG frame.
    void KeepRecentNg(int g);
    // Group g's recent NG frame k as a frame of the layout (RGB32 in colour)
    // into out, which must hold colorLen bytes; false when there is none.
    bool RecentNgFrame(int g, int k, FrameBytes& out) const;
    // The recent NG frame that holds the work buffer's pixels as they are
    // (a colour frame is kept as it was judged, unwritten since): its group
    // and slot. False when none does.
    bool RingHoldsWorkFrame(int* g, int* k) const;

    // Results of the last step.
    uint8_t cameraOK = 1;
    // Positioning could not place the part with certainty in the last step:
    // the camera is NG without judging its areas. Why, as PoseHold.
    uint8_t poseLost = 0;
    enum PoseHold : uint8_t {
        PoseUncertain = 1,  // not found, or not certain where
        PoseMoved = 2,      // found, but its surroundings are not the taught ones
        PoseScaled = 3,     // its surroundings fit at another picture scale
    };
    // The operator text saying why (its %1 the camera's number).
    static int PoseHoldText(uint8_t why) { return why == PoseMoved ? 1131 : why == PoseScaled ? 1132 : 1124; }
    uint8_t roiOK[kGroups][kMaxRoi] = {};
    int32_t roiValue[kGroups][kMaxRoi] = {};
    // Slot 0: [0] = number of boxes; slots 1..99: {x1, y1, x2, y2} in frame
    // pixels. Dist-Measure keeps its edge record in slots 1..3.
    int32_t roiMarks[kGroups][kMaxRoi][kMarkSlots][4] = {};
    FrameBytes ngMap;  // imageLen
    uint8_t previewShown = 0;
    // Mean grey of the frame the polling pass took last, worked out when it
    // is read: the pass takes up to 400 frames a second, the views show
    // about 15 of them, and the pass that starts a step has no time for it.
    int Brightness();
    void WorkFrameTaken() { m_brightnessDue = true; }

    // The engine may judge this camera on a worker while the GUI thread goes
    // on (a step's cameras judged as their frames come). What reads or
    // changes its results, frames or trained state on the GUI thread waits
    // for that judgement first.
    void JudgingBegins() { m_judging.store(true); }
    void JudgingEnds();   // the worker, once the judgement is written
    void AwaitJudged() const;
    bool Judging() const { return m_judging.load(); }

    // Masks: per group and ROI, 8-bit of the ROI's box size, 255 inside.
    // Replaced whole, never written in place: the sets share unchanged ones.
    cv::Mat liveMasks[kGroups][kMaxRoi];
    cv::Mat editMasks[kGroups][kMaxRoi];
    // Per group imageLen bytes, non-zero = ignored alarm point (groups in use).
    FrameBytes ignorePointMask[kGroups];

    // Templates per group: templateCount slots, each PackedLen() bytes held
    // in memory or empty (in its file). Readers take them through
    // TemplateFrame, TemplatePlane and WriteTemplate.
    std::vector<FrameBytes> templateImages[kGroups];
    std::vector<int32_t> templateUsed[kGroups];
    int32_t templateNum[kGroups] = {};
    int templateIndex = 0;  // the template the editor shows
    bool resamplePending[kGroups] = {};
    bool skipStep[kGroups] = {};  // not judged again in that step (re-check, do-not-detect)
    // Live area index each edit area came from (-1: new in the editor).
    int editOrigin[kGroups][kMaxRoi] = {};
    // Frame boxes whose ignore points go when the edit is saved.
    std::vector<ShapeBox> ignoreClearPending[kGroups];

private:
    // Hands each packed row of template k of group g to row(y, bytes).
    template <class Row>
    bool ReadTemplateRows(int g, int k, Row row);
    void LoadIgnorePointGroup(int g);
    bool m_groupInUse[kGroups] = {};  // has its buffers (AllocateBuffers, EnsureGroupBuffers)
    FrameWarp m_pendingWarp;
    uint64_t m_workWrites = 0;  // work buffer overwrites so far
    struct RingNewest {
        int g = -1, k = -1;
        uint64_t writes = 0;  // m_workWrites when it was kept
    } m_ringNewest;
    bool m_inspectPartial = false;
    int m_brightness = 0;
    bool m_brightnessDue = false;
    std::atomic<bool> m_judging{false};
    void LoadTemplatesGroup(int g);

    FrameLayout m_layout;
    QString m_dir = QStringLiteral(".");
};
