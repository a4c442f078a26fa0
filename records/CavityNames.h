#pragma once
// Cavity names: 16 per camera, stored in CavityDatabase.db as one row per
// camera ("Camera0".."Camera7") holding the names joined by single blanks.
// CavityName_table holds the names in force, TempSave_table the editor's
// working copy. A name never holds white space, so every name keeps its place.
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class CavityNames {
public:
    static constexpr int kCavities = 16;
    static constexpr int kCameras = 8;
    static const char* const kInForce;   // CavityName_table
    static const char* const kWorking;   // TempSave_table

    explicit CavityNames(const QString& workDir = QStringLiteral("."));
    ~CavityNames();

    // Opens the database; creates both tables with the default names when
    // either is missing.
    bool Databaseinit();
    // Copies every camera's row from one table to the other. Returns the
    // names copied, per camera (an empty list where the camera has no row).
    QList<QStringList> Initialize(const QString& from, const QString& to);
    // The 16 names of a camera in a table; empty when the row is missing.
    QStringList row(const QString& table, int cam) const;
    // Stores 16 names (see Clean) as a camera's row of a table, adding the
    // row when it is missing.
    bool store(const QString& table, int cam, const QStringList& names);

    // The names as stored: white space inside a name becomes "_", outer
    // white space goes, and an empty name is its cavity's default.
    static QStringList Clean(const QStringList& names);
    // "模腔1".."模腔16", whatever the interface language.
    static QString DefaultName(int cavity);

private:
    QSqlDatabase Db() const;
    QString m_path;
};
