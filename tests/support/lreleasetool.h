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
    // Writes "translations/jobs_all_<locale>.txt" below dir and turns it, as
    // a user of the "translate" mode would (converter, then lrelease), into
    // the catalogue the program loads. False (with the reason in *log) on
    // failure.
    static bool writeCatalogue(const QString &dir, const QString &locale, const QByteArray &table,
                               QString *log = nullptr);
};
