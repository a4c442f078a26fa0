#pragma once
// Operator texts by id, in three languages: entry id*3 + gLan
// (0 simplified Chinese, 1 English, 2 traditional Chinese).
#include <QString>

constexpr int kLanIds = 2048;
extern QString gaLanStr[kLanIds * 3];
extern int gLan;

// Fills gaLanStr once, before any window is built.
void LoadLanguageTable();

// Text of an id in the current language.
inline const QString& LanStr(int id)
{
    return gaLanStr[id * 3 + gLan];
}
