#include "unopenableport.h"
#include "ptydevice.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTest>
#include <cstdio>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
const char *const HoldPortFlag = "--hold-port";
} // namespace

// Root opens any file whatever its mode: while this lives, the calling
// thread (and the threads it starts) lose that override.
class UnopenablePort::RootOverride
{
public:
    RootOverride()
    {
        header.version = _LINUX_CAPABILITY_VERSION_3;
        if (::geteuid() != 0 || ::syscall(SYS_capget, &header, saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
        reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        dropped = ::syscall(SYS_capset, &header, reduced) == 0;
    }
    ~RootOverride()
    {
        if (dropped)
            ::syscall(SYS_capset, &header, saved);
    }

private:
    __user_cap_header_struct header{};
    __user_cap_data_struct saved[2]{};
    bool dropped = false;
};

void UnopenablePort::addRows()
{
    QTest::addColumn<UnopenablePort::How>("how");
    for (How how : all())
        QTest::newRow(name(how)) << how;
}

QList<UnopenablePort::How> UnopenablePort::all()
{
    return {Missing, Forbidden, HeldHere, HeldByAnotherProgram};
}

const char *UnopenablePort::name(How how)
{
    switch (how) {
    case Missing:
        return "missing";
    case Forbidden:
        return "forbidden";
    case HeldHere:
        return "held here";
    case HeldByAnotherProgram:
        return "held by another program";
    }
    return "";
}

UnopenablePort::UnopenablePort(How way, PtyDevice &dev, const QString &missingPath)
    : how(way)
    , portPath(dev.slavePath())
{
    switch (how) {
    case Missing:
        portPath = missingPath;
        why = QStringLiteral("No such file or directory");
        break;
    case Forbidden: {
        struct stat st {};
        if (::stat(portPath.toLocal8Bit().constData(), &st) == 0)
            originalMode = st.st_mode & 07777;
        ::chmod(portPath.toLocal8Bit().constData(), 0);
        withoutRoot = std::make_unique<RootOverride>();
        why = QStringLiteral("Permission denied");
        break;
    }
    case HeldHere:
        holder.setPortName(portPath);
        holder.open(QIODevice::ReadWrite);
        why = QStringLiteral("in use in this program already");
        break;
    case HeldByAnotherProgram:
        otherProgram = std::make_unique<QProcess>();
        otherProgram->start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(HoldPortFlag), portPath});
        while (otherProgram->waitForReadyRead(10000) && !otherProgram->readAllStandardOutput().contains("held")) {
        }
        why = QStringLiteral("in use by another program (%1, process %2)")
                  .arg(QFileInfo(QCoreApplication::applicationFilePath()).fileName())
                  .arg(otherProgram->processId());
        break;
    }
}

UnopenablePort::~UnopenablePort()
{
    withoutRoot.reset();
    if (how == Forbidden)
        ::chmod(portPath.toLocal8Bit().constData(), originalMode);
    if (otherProgram) {
        otherProgram->closeWriteChannel();
        if (!otherProgram->waitForFinished(5000))
            otherProgram->kill();
        otherProgram->waitForFinished(5000);
    }
}

void UnopenablePort::asUser(bool on)
{
    if (how != Forbidden)
        return;
    if (!on)
        withoutRoot.reset();
    else if (!withoutRoot)
        withoutRoot = std::make_unique<RootOverride>();
}

bool UnopenablePort::holdPortIfAsked(int argc, char **argv, int *rc)
{
    if (argc != 3 || qstrcmp(argv[1], HoldPortFlag) != 0)
        return false;
    QCoreApplication app(argc, argv);
    QSerialPort port(QString::fromLocal8Bit(argv[2]));
    if (!port.open(QIODevice::ReadWrite)) {
        *rc = 1;
        return true;
    }
    std::printf("held\n");
    std::fflush(stdout);
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    *rc = 0;
    return true;
}
