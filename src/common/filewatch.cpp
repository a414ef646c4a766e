#include "filewatch.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <sys/stat.h>

FileWatch::FileWatch(QObject *parent)
    : QObject(parent)
    , watcher(new QFileSystemWatcher(this))
{
    connect(watcher, &QFileSystemWatcher::fileChanged, this, &FileWatch::fileChanged);
    connect(watcher, &QFileSystemWatcher::directoryChanged, this, &FileWatch::folderChanged);
}

void FileWatch::setFiles(const QStringList &paths)
{
    QStringList absolute;
    for (const QString &path : paths)
        absolute << QFileInfo(path).absoluteFilePath();
    if (absolute == watched)
        return;
    if (!watcher->files().isEmpty())
        watcher->removePaths(watcher->files());
    if (!watcher->directories().isEmpty())
        watcher->removePaths(watcher->directories());
    watched = absolute;
    seen.clear();
    takeSignatures();
    rearm();
}

void FileWatch::rearm()
{
    for (const QString &path : qAsConst(watched)) {
        const QString folder = QFileInfo(path).absolutePath();
        if (!watcher->directories().contains(folder) && QFileInfo(folder).isDir())
            watcher->addPath(folder);
        // Anew each time: after a replace the old watch may still sit on
        // the file that was replaced.
        if (watcher->files().contains(path))
            watcher->removePath(path);
        if (QFileInfo::exists(path))
            watcher->addPath(path);
    }
}

void FileWatch::fileChanged()
{
    // Written, replaced or deleted: a change whatever its signature says
    // (two writes within a clock tick leave the same time and size).
    rearm();
    takeSignatures();
    emit changed();
}

void FileWatch::folderChanged()
{
    rearm();
    // Other files of the folders come and go unannounced.
    if (takeSignatures())
        emit changed();
}

bool FileWatch::takeSignatures()
{
    bool differs = false;
    for (const QString &path : qAsConst(watched)) {
        const QString now = signature(path);
        if (seen.value(path) != now) {
            seen.insert(path, now);
            differs = true;
        }
    }
    return differs;
}

QString FileWatch::signature(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return QString();
    // Nanoseconds: a file written twice within a second is still told apart.
    return QStringLiteral("%1:%2:%3:%4.%5")
        .arg(qulonglong(st.st_ino))
        .arg(qlonglong(st.st_size))
        .arg(qulonglong(st.st_dev))
        .arg(qlonglong(st.st_mtim.tv_sec))
        .arg(qlonglong(st.st_mtim.tv_nsec));
}
