#include "fuzzworkdir.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QtGlobal>

namespace {

void dropMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
}

QString workDirTemplate()
{
    const QString name = QStringLiteral("/kelvo-fuzz-XXXXXX");
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") + name : QDir::tempPath() + name;
}

} // namespace

namespace Fuzz {

void quiet()
{
    qInstallMessageHandler(dropMessage);
    QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
}

void ensureApplication(const char *name)
{
    if (QCoreApplication::instance())
        return;
    // The application keeps argc and argv for its whole life.
    static QByteArray storedName;
    storedName = name;
    static int argc = 1;
    static char *argv[] = {storedName.data(), nullptr};
    new QCoreApplication(argc, argv);
}

} // namespace Fuzz

FuzzWorkDir::FuzzWorkDir()
    : dir(workDirTemplate())
{
    Fuzz::quiet();
}

bool FuzzWorkDir::write(const QString &name, const QByteArray &bytes) const
{
    const QString path = dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

bool FuzzWorkDir::write(const QString &name, const uint8_t *data, size_t size) const
{
    return write(name, QByteArray::fromRawData(reinterpret_cast<const char *>(data), int(size)));
}

FuzzCurrentDir::FuzzCurrentDir(const FuzzWorkDir &dir)
    : previous(QDir::currentPath())
{
    QDir::setCurrent(dir.path());
}

FuzzCurrentDir::~FuzzCurrentDir()
{
    QDir::setCurrent(previous);
}
