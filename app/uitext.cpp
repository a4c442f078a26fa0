#include "uitext.h"

QString gaLanStr[kLanIds * 3];
int gLan = 0;

void LoadLanguageTable()
{
}
