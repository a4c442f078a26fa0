#pragma once
// Globals the main window sets at start-up from the parameters and shares
// with the views, the editor and the cycle.
#include <QString>

extern QString gAppDirPath;    // the program's folder (log files go below it)
extern int gTempNum;           // template slots per step (templateCount)
extern int gisGrayHue;         // colour frames judged on grey (grayChannel)
extern int gisUseStatistics;   // result statistics enabled (useStatistics)
extern float gShowAW;          // gShowW / gImageW
extern float gShowAH;          // gShowH / gImageH
extern int gContinuousNg[8];   // continuous NG verdicts per step
extern int gisTempAlarm;       // temperature alarm (never set in this system)
extern int gisReTrain;         // rebuild every enabled step after the result display
extern int gisReShape;         // rebuild step 1 after the result display
extern int gFromTrain;         // area check entered from resampling
extern int gDrawHint;          // an area limit was just changed (3-s hint)
extern int gSource;            // ROI editor's image source; -1 editor closed
extern long long gRunCount;    // polling passes so far
extern int gisLost;            // the cameras count as lost
extern int gLost;              // losses since the counters were reset
