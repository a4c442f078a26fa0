#pragma once
// Row layout of table `sysparam`: for each row key, the field behind each
// 1-based value position. Load, save and the tests all walk this table, so
// "system2 value 13" is looked up here and nowhere else.
#include <QString>
#include <QStringList>

#include <vector>

struct WizardPara;

using ParaRef = int& (*)(WizardPara&);

struct ParaValue {
    const char* field;  // field as written in code, e.g. "exposure[4]"
    ParaRef read;       // where the load puts the value
    ParaRef write;      // where the save takes it from (differs for machineType)
};

struct ParaRow {
    const char* key;
    std::vector<ParaValue> values;  // values[p - 1] is value position p
};

struct ParaTextRow {
    const char* key;
    const char* field;
    char (WizardPara::*text)[100];
};

// Integer rows in load order (trigInDelay first, VurNet last).
const std::vector<ParaRow>& ParaIntRows();
// Text rows in load order (password first, VurNet_Operator last).
const std::vector<ParaTextRow>& ParaTextRows();
// Keys in the order the save writes them (integer and text rows together).
const QStringList& ParaSaveOrder();

const ParaRow* FindParaRow(const QString& key);
const ParaTextRow* FindParaTextRow(const QString& key);
// The value at a 1-based position of a row, or nullptr.
const ParaValue* FindParaValue(const QString& key, int position);

// Reads a row value: whitespace-separated integers (leading 0 octal, 0x hex);
// a missing or unreadable value reads as 0, and so does the rest of the row.
std::vector<int> ParseParaRow(const QString& value, int count);
// Writes a row value: decimal integers separated by one blank.
QString FormatParaRow(const std::vector<int>& values);

// Field values of one row, taken through the save side of the table.
std::vector<int> ReadRowFields(const ParaRow& row, WizardPara& p);
// Puts parsed values into the record through the load side of the table.
void WriteRowFields(const ParaRow& row, WizardPara& p, const std::vector<int>& values);
