#pragma once
// Tells a window that a file it reads may have changed, whichever way the
// change comes: written in place, replaced by a new file (SafeFile and most
// editors save by renaming one over it, which ends a watch on the old
// file), deleted, or made where there was none. The file's folder is
// watched too (while it is missing, the nearest folder above it that
// exists), so that a file made later is seen.
//
// A window that could not read a file of the user's keeps one of these and
// reads the file again on changed(), so that it shows the file once it
// reads without being opened anew.
#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

class FileWatch : public QObject
{
    Q_OBJECT
public:
    // A relative path is taken relative to the working directory of now.
    explicit FileWatch(const QString &path, QObject *parent = nullptr);

    QString path() const { return file; }

signals:
    // The file, or a folder on its way, changed: read it again to know.
    void changed();

private:
    void onChange();
    // Watches what exists now of the file and the folders on its way.
    void arm();

    QString file;
    QFileSystemWatcher watcher;
};
