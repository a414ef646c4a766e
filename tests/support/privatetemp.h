#pragma once
// A temporary folder of the test process's own, made Qt's temporary
// folder (and its children's): what the program keeps there, such as the
// LM-2's in-use lock file, is not shared with other tests running at the
// same time. Make it first thing in main().
#include <QTemporaryDir>
#include <QtGlobal>

class PrivateTemp
{
public:
    PrivateTemp() { qputenv("TMPDIR", dir.path().toLocal8Bit()); }
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
};
