#include "ParamRoi.h"

QList<param_roi> g_listParamROI;
