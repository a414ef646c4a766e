#pragma once
// Shared set-up of the fuzz targets, which run millions of inputs in one
// process.
#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace Fuzz {

// Drops Qt's messages for the rest of the run: each input logs its skipped
// lines or broken files, and at millions of inputs that output would be most
// of the run.
void quiet();

// Makes the QCoreApplication the code under test needs, once per process,
// named after the target; later calls find it and do nothing.
void ensureApplication(const char *name);

} // namespace Fuzz

// One working folder for the whole run, in memory where /dev/shm exists, so
// that the files each input writes cost no disk. Makes the run quiet.
class FuzzWorkDir
{
public:
    FuzzWorkDir();
    FuzzWorkDir(const FuzzWorkDir &) = delete;
    FuzzWorkDir &operator=(const FuzzWorkDir &) = delete;

    QString path() const { return dir.path(); }
    QString filePath(const QString &name) const { return dir.filePath(name); }
    // Makes a folder (and its parents) below the working folder.
    void mkpath(const QString &name) const { QDir(dir.path()).mkpath(name); }
    // Writes a file below the working folder, making its folders; false
    // when it cannot be written.
    bool write(const QString &name, const QByteArray &bytes) const;
    bool write(const QString &name, const uint8_t *data, size_t size) const;

private:
    QTemporaryDir dir;
};

// Makes the folder the working directory for one input; the previous one
// comes back after it, as the fuzzer's own corpus paths are relative to it.
class FuzzCurrentDir
{
public:
    explicit FuzzCurrentDir(const FuzzWorkDir &dir);
    ~FuzzCurrentDir();
    FuzzCurrentDir(const FuzzCurrentDir &) = delete;
    FuzzCurrentDir &operator=(const FuzzCurrentDir &) = delete;

private:
    QString previous;
};
