#pragma once
// One camera of a benchmark: widget record, live ROI set and engine, with
// rectangular ROIs added to group 0 as the editor would add them.
#include <memory>
#include <opencv2/core.hpp>

#include "inspect/CammerRecong.h"
#include "params/CammerSingleton.h"
#include "params/CammerWidgetData.h"

struct BenchCamera {
    std::unique_ptr<CammerWidgetData> widget;
    std::unique_ptr<CammerSingleton> set;
    std::unique_ptr<CammerRecong> engine;

    void AddRoi(int code, const cv::Rect& box, int minSize, int sens, int maxArea)
    {
        CammerSingleton& s = *set;
        const int j = s.count[0]++;
        s.roi_type[0][j] = CammerSingleton::kRect;
        s.algorithm[0][j] = code;
        s.min_size[0][j] = minSize;
        s.sensibility[0][j] = sens;
        s.max_area[0][j] = maxArea;
        s.rect[0][j] = ClustomRect(box.x, box.y, box.x + box.width - 1, box.y + box.height - 1);
        s.rect[0][j].setImageRect();
        widget->liveMasks[0][j] = s.rect[0][j].UpdateMask();
    }
};
