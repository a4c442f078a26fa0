#pragma once
// IO assignment and naming tables.
#include <QString>

// 1-based input numbers that can trigger a detection step (input 2, the
// safety door, never).
extern const int TriginNo[8];
// 1-based numbers of the assignable outputs in multi-detection row order
// (output 3, the alarm, never).
extern const int OutputNo[8];

constexpr int kInNameRows = 16;
constexpr int kOutNameRows = 14;
// Function names an input or output may be given; columns by language
// (simplified Chinese, English, traditional Chinese).
extern const char* const gInName[kInNameRows][3];
extern const char* const gOutName[kOutNameRows][3];
// Row labels of the IO naming dialog (simplified Chinese, English).
extern const char* const gCustomInputName[8][2];
extern const char* const gCustomOutputName[8][2];

// Display names of the inputs and outputs in the current language.
// Machine type 4: slots 0-8 inputs 1-9, 9-17 outputs 1-9. Other types:
// slots 0-3 inputs 1-4, 4-7 outputs 1-4.
extern QString gaName[18];

// Text of a name-table row in a language; an index outside the table reads row 0.
QString InName(int row, int lan);
QString OutName(int row, int lan);
