#pragma once
// Qt's lrelease, which compiles PO files into the catalogues the program
// loads: found beside Qt's tools, then on PATH.
#include <QString>

class LReleaseTool
{
public:
    // Empty when lrelease is not installed.
    static QString path();
    // Compiles po into qm; false (with lrelease's output in *log) on failure.
    static bool compile(const QString &po, const QString &qm, QString *log = nullptr);
    // A job table "<base>.txt" through the program's converter to
    // "<base>.po" and then to the catalogue "<base>.qm", as a user of the
    // "translate" mode would; false (with the reason in *log) on failure.
    static bool compileTable(const QString &table, QString *log = nullptr);
};
