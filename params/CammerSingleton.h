#pragma once
// One camera's ROI set: per detection group (8) up to 50 ROIs with shape,
// function code and three limits, 16 cavity flags per group and one NG
// counter per ROI. Kept in table "cammer<cam>" of PARAM.db.
// A set is a value: copy it whole and compare it with ==.
#include "platform/vision/Circle.h"
#include "platform/vision/ClustomRect.h"
#include "platform/vision/RePolygon.h"

#include <QString>
#include <opencv2/core.hpp>

#include <functional>

class CammerWidgetData;

class CammerSingleton {
public:
    static constexpr int kGroups = 8;
    static constexpr int kMaxRoi = 50;
    static constexpr int kCavities = 16;
    enum RoiType { kRect = 1, kPolygon = 2, kCircle = 4 };

    explicit CammerSingleton(int cam = 0);

    // Fills the set from its table; the masks of the loaded ROIs go into
    // widget->liveMasks (widget may be null). Missing detect rows are inserted.
    // False, logged and shown to the operator, when the connection is not
    // open or has no table for this camera; the set is then unchanged.
    bool LoadDatafromFile(CammerWidgetData* widget);
    // Writes all eight groups in one transaction (a power cut leaves the old
    // set whole), then reports each group to the plant link when the live
    // parameters switch it on and it is up.
    // False when the database refused; the table is then unchanged.
    [[nodiscard]] bool SaveDatatoFile();
    // The rows alone, inside a transaction the caller holds on the
    // connection (several sets saved as one); false when one was refused.
    [[nodiscard]] bool WriteRows();
    // Each group to the plant link when the live parameters switch it on and it is up.
    void ReportToPlant() const;

    // The shape that roi_type names (1 rectangle, 4 circle, any other the
    // polygon), its frame box and a fresh mask of it.
    cv::Rect RoiBox(int g, int j) const;
    cv::Mat BuildMask(int g, int j);
    // The default ROI a load gives a missing or broken row.
    void SetDefaultRoi(int g, int j);

    bool operator==(const CammerSingleton& o) const;
    bool operator!=(const CammerSingleton& o) const { return !(*this == o); }

    // The PARAM.db connection used by load and save (default "dbIn", the
    // main window's connection).
    static void SetConnectionName(const QString& name);
    static QString ConnectionName();
    // Shows an operator message and waits until it is closed (default: the
    // shared message popup; tests install their own).
    static void SetWarnHandler(std::function<void(const QString&)> handler);

    int cam = 0;
    int count[kGroups] = {};
    int min_size[kGroups][kMaxRoi] = {};
    int sensibility[kGroups][kMaxRoi] = {};
    int max_area[kGroups][kMaxRoi] = {};
    int algorithm[kGroups][kMaxRoi] = {};
    ClustomRect rect[kGroups][kMaxRoi];
    Circle circle[kGroups][kMaxRoi];
    RePolygon polygon[kGroups][kMaxRoi];
    int roi_type[kGroups][kMaxRoi] = {};
    int output_point[kMaxRoi] = {};
    int cavity[kGroups][kCavities] = {};
    int NGCount[kGroups][kMaxRoi] = {};

    // Text of the value of row ROI<g>-<j> as save writes it.
    QString RoiRowValue(int g, int j) const;

private:
    void loadGroup(int g, CammerWidgetData* widget);
    void loadRoi(int g, int j, const QString& value, CammerWidgetData* widget);
    void storeMask(CammerWidgetData* widget, int g, int j);
    QString tableName() const { return QStringLiteral("cammer%1").arg(cam); }
};
