#pragma once
// Each test case runs in a fresh temporary directory made the working
// directory (where "kelvo.ini" and every data folder live); the previous
// working directory comes back when the object goes.
#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

class WorkDir
{
public:
    WorkDir();
    ~WorkDir();
    WorkDir(const WorkDir &) = delete;
    WorkDir &operator=(const WorkDir &) = delete;

    QString path() const { return dir.path(); }
    QString filePath(const QString &name) const { return dir.filePath(name); }
    // Writes a file below the working directory, creating its folders.
    bool write(const QString &name, const QByteArray &bytes) const;
    QByteArray read(const QString &name) const;
    // Copies every file below folder into the working directory, keeping
    // the folder structure (a copy of demo/, say).
    bool copyTree(const QString &folder) const;

private:
    QString previous;
    QTemporaryDir dir;
};
