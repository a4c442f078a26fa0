#pragma once
// The main window's three SQLite connections (PARAM.db, RECORD.db, SN.db)
// and what start-up does when one of them is unusable: the fixed English
// message, the default copy over the broken file, then a reboot.
#include <QString>

struct WorkDatabase {
    const char* connection;  // "dbIn", "dbRecord", "dbT"
    const char* file;        // relative to the working directory
    const char* table;       // a file without this table is unusable
    int messageId;           // shown in English: the language is not loaded yet
    const char* defaultCopy; // copied over the broken file
    int pauseMs;             // between the copy and the reboot
};

// In opening order.
extern const WorkDatabase kWorkDatabases[3];
inline const WorkDatabase& ParamDatabase() { return kWorkDatabases[0]; }
inline const WorkDatabase& RecordDatabase() { return kWorkDatabases[1]; }
inline const WorkDatabase& SerialDatabase() { return kWorkDatabases[2]; }

// Adds and opens the connection; true when the file opened and has its table.
// A file that opens but lacks its table (an empty file, another program's
// database) counts as broken: loading parameters from it would run the
// machine on an empty parameter set.
bool OpenWorkDatabase(const WorkDatabase& db);

// Replaces the broken file by its default copy (within the working
// directory); false when the copy could not be made (logged).
bool RestoreDefaultCopy(const WorkDatabase& db);

// Closes the three connections (SN.db, PARAM.db, RECORD.db in that order).
void CloseWorkDatabases();
