#pragma once
// Finds ECU description and job-list files without regard to letter case:
// the files come from Windows installations where "MSV70.PRG", "msv70.prg"
// and "Msv70.Prg" are one and the same file.
#include <QString>

class FileLookup
{
public:
    // The path of an existing file or folder whose components match `path`
    // ignoring case ("/"-separated, relative to the working directory or
    // absolute). The exact spelling wins when it exists; with no match the
    // path comes back unchanged, so that opening it fails as usual.
    static QString resolve(const QString &path);
    static QString resolve(const QString &dir, const QString &name);
};
