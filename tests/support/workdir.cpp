#include "workdir.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

WorkDir::WorkDir()
    : previous(QDir::currentPath())
{
    QDir::setCurrent(dir.path());
}

WorkDir::~WorkDir()
{
    QDir::setCurrent(previous);
}

bool WorkDir::write(const QString &name, const QByteArray &bytes) const
{
    const QString full = dir.filePath(name);
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile f(full);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray WorkDir::read(const QString &name) const
{
    QFile f(dir.filePath(name));
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool WorkDir::copyTree(const QString &folder) const
{
    const QDir source(folder);
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = dir.filePath(source.relativeFilePath(from));
        QDir().mkpath(QFileInfo(to).absolutePath());
        if (!QFile::copy(from, to))
            return false;
    }
    return true;
}
