#pragma once
// Tells when files change on disk, however they are changed: written in
// place, replaced by a rename (as SafeFile and most editors save), deleted,
// or made anew. QFileSystemWatcher alone loses a file's watch once the file
// is replaced or deleted, and cannot watch a file that is not there yet, so
// the folders that hold the files are watched as well, and a file is
// watched again as soon as it is back.
//
// changed() comes with each notification of a watched file, and with each
// notification of a folder that finds a watched file other than it was
// (made, deleted or replaced; other files of the folders do not count):
// listeners mark the files to be read again when next needed. Lives in a
// thread with an event loop.
#include <QHash>
#include <QObject>
#include <QStringList>

class QFileSystemWatcher;

class FileWatch : public QObject
{
    Q_OBJECT
public:
    explicit FileWatch(QObject *parent = nullptr);

    // The files to watch, made absolute against the current folder now.
    // The same files again change nothing.
    void setFiles(const QStringList &paths);
    QStringList files() const { return watched; }

signals:
    void changed();

private:
    void fileChanged();
    void folderChanged();
    // Notes each file's signature; true when one differs from the last.
    bool takeSignatures();
    void rearm();
    // Size, time and identity of the file, empty when it is missing.
    static QString signature(const QString &path);

    QFileSystemWatcher *watcher;
    QStringList watched;
    QHash<QString, QString> seen;
};
