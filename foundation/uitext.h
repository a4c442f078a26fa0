#pragma once
// Operator texts by id, in three languages: entry id*3 + gLan
// (0 simplified Chinese, 1 English, 2 traditional Chinese).
#include <QString>

constexpr int kLanIds = 2048;
constexpr int kLanCount = 3;
enum UiLanguage { kLanZhCN = 0, kLanEn = 1, kLanZhTW = 2 };

extern QString gaLanStr[kLanIds * 3];
extern int gLan;

// Fills gaLanStr once, before any window is built. Ids without a text keep
// an empty string.
void LoadLanguageTable();

// Language to use for a stored value: anything but 0, 1 or 2 gives 0, so a
// damaged parameter row can never index outside the table.
int LanguageFromStored(int stored);

// Text of an id in a fixed language (used before the parameters are loaded).
inline const QString& LanStrIn(int id, int lan)
{
    static const QString empty;
    if (id < 0 || id >= kLanIds || lan < 0 || lan >= kLanCount)
        return empty;
    return gaLanStr[id * 3 + lan];
}

// A message text as one line of the operation log: its line breaks become spaces.
QString AsLogLine(const QString& text);

// Text of an id in the current language.
inline const QString& LanStr(int id)
{
    return LanStrIn(id, gLan);
}
