#include "filewatch.h"

#include <QDir>
#include <QFileInfo>

FileWatch::FileWatch(const QString &path, QObject *parent)
    : QObject(parent), file(QFileInfo(path).absoluteFilePath())
{
    connect(&watcher, &QFileSystemWatcher::fileChanged, this, &FileWatch::onChange);
    connect(&watcher, &QFileSystemWatcher::directoryChanged, this, &FileWatch::onChange);
    arm();
}

void FileWatch::onChange()
{
    // A file replaced or deleted has left the watcher: watch what is there now.
    arm();
    emit changed();
}

void FileWatch::arm()
{
    const QFileInfo info(file);
    QStringList wanted;
    if (info.isFile())
        wanted << file;
    // The nearest folder that exists: where the next step of the path
    // will appear.
    QString folder = info.absolutePath();
    while (!QFileInfo(folder).isDir() && !QDir(folder).isRoot())
        folder = QFileInfo(folder).absolutePath();
    wanted << folder;
    const QStringList watched = watcher.files() + watcher.directories();
    for (const QString &path : wanted) {
        if (!watched.contains(path) && QFileInfo::exists(path))
            watcher.addPath(path);
    }
}
