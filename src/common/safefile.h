#pragma once
// Replaces a file the user owns as a whole or not at all: the bytes go to a
// temporary file beside it, which takes the file's place only when every
// byte was written. A write that fails (a full disk, a file-size limit, a
// folder that takes no new file) leaves the old file as it was and no
// temporary file behind.
//
// QSaveFile alone does not promise that: opened buffered, Qt 5 renames the
// temporary file over the old one even when the flush of its buffered tail
// fails, and a short write that set no error commits too, so a file could
// be replaced by a cut-off one. Here it is written unbuffered, every byte
// is checked, and any failure cancels the commit.
//
//     SafeFile file(path, SafeFile::CreateFolder);
//     if (!file.write(bytes))
//         ... file.errorString() ...
#include <QByteArray>
#include <QFlags>
#include <QString>

class SafeFile
{
public:
    enum Option {
        NoOption = 0x0,
        // Creates the missing folders of the path first.
        CreateFolder = 0x1,
        // Where the folder takes no new file but the file itself may be
        // rewritten, writes the file in place. A failed write then leaves it
        // cut off: only for files that can be made again.
        DirectWriteFallback = 0x2,
    };
    Q_DECLARE_FLAGS(Options, Option)

    explicit SafeFile(const QString &path, Options options = NoOption);

    // Whether the file now holds exactly these bytes.
    bool write(const QByteArray &bytes);

    QString fileName() const { return path; }
    // After a failed write: whether the file could not even be opened (no
    // byte written) or failed while being written or replaced.
    bool openFailed() const { return !opened; }
    // The system's reason for the last failure; empty after a success.
    QString errorString() const { return error; }

private:
    QString path;
    Options options;
    bool opened = false;
    QString error;
};
Q_DECLARE_OPERATORS_FOR_FLAGS(SafeFile::Options)
