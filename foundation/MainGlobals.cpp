#include "MainGlobals.h"

QString gAppDirPath;
int gTempNum = 10;
int gisGrayHue = 0;
int gisUseStatistics = 0;
float gShowAW = 1.0f;
float gShowAH = 1.0f;
int gContinuousNg[8] = {};
int gisTempAlarm = 0;
int gisReTrain = 0;
int gisReShape = 0;
int gFromTrain = 0;
int gDrawHint = 0;
int gSource = -1;
long long gRunCount = 0;

// Camera loss state (declared with the loss handling).
int gisLost = 0;
int gLost = 0;
