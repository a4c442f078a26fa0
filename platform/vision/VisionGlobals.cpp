#include "VisionGlobals.h"

int gImageW = 1920;
int gImageH = 1080;
int gShowW = 1024;
int gShowH = 768;
int m_F75111 = 0;
