#include "safefile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <unistd.h>

namespace {

// Some file systems (network, quota) report a failed write only when the
// data is forced out; Qt's commit syncs too but ignores the answer.
bool synced(QSaveFile &file, QString &error)
{
    if (::fsync(file.handle()) == 0 || errno == EINVAL || errno == EROFS)
        return true; // a file that cannot be synced has nothing pending
    error = qt_error_string(errno);
    return false;
}

} // namespace

SafeFile::SafeFile(const QString &path, Options options)
    : path(path)
    , options(options)
{
}

bool SafeFile::write(const QByteArray &bytes)
{
    opened = false;
    error.clear();
    if (options & CreateFolder)
        QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    file.setDirectWriteFallback(options.testFlag(DirectWriteFallback));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = file.errorString();
        return false;
    }
    opened = true;
    // A write may take only part of the bytes without an error; the next
    // one then says why it takes no more.
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            break;
        done += n;
    }
    if (done != bytes.size() || !file.flush() || !synced(file, error)) {
        if (error.isEmpty())
            error = file.errorString(); // before cancelWriting() replaces it
        // The temporary file goes with `file`; the old file stays.
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
