#include "workdir.h"

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
