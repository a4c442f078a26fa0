#pragma once
// Rows of the operator text table as compiled from resources/uitext.tsv
// (generated source, see tools/uitextgen). Texts are UTF-8; column order is
// the language order of gaLanStr.

struct UiTextRow {
    int id;
    const char* text[3];
};

extern const UiTextRow kUiTextRows[];
extern const int kUiTextRowCount;
