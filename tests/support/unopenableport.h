#pragma once
// A port that does not open, for the tests of the windows that say why, in
// each of the ways a user meets:
//
//     PtyDevice dev;
//     UnopenablePort blocked(UnopenablePort::HeldByAnotherProgram, dev, wd.filePath("ttyNone"));
//     ... open blocked.path(), expect blocked.reason() ...
//
// - Missing: a path with nothing there ("No such file or directory").
// - Forbidden: the pseudo-terminal's slave at mode 000, and the calling
//   thread (with the threads it starts meanwhile) without root's override,
//   as a user has none ("Permission denied"); asUser(false) gives the
//   override back early, the destructor gives back mode and override.
// - HeldHere: another QSerialPort of this program has it open ("in use in
//   this program already").
// - HeldByAnotherProgram: the test's own executable, started again, holds
//   it open ("in use by another program (<executable>, process <pid>)").
//   The test's main() must first hand such a call to holdPortIfAsked().
#include <QMetaType>
#include <QSerialPort>
#include <QString>
#include <QStringList>
#include <memory>

class PtyDevice;
class QProcess;

class UnopenablePort
{
public:
    enum How { Missing, Forbidden, HeldHere, HeldByAnotherProgram };

    // Every way, with a name for the rows of a data table.
    static QList<How> all();
    static const char *name(How how);
    // A "how" column with one row per way, for a test's _data function.
    static void addRows();

    UnopenablePort(How how, PtyDevice &dev, const QString &missingPath);
    ~UnopenablePort();
    UnopenablePort(const UnopenablePort &) = delete;
    UnopenablePort &operator=(const UnopenablePort &) = delete;

    QString path() const { return portPath; }
    // The system's reason, as the program is to say it.
    QString reason() const { return why; }
    // Forbidden: false gives root's override back to the calling thread.
    void asUser(bool on);

    // In main(), before anything else: when this run is the holder that
    // HeldByAnotherProgram starts, holds the port until its input closes
    // and returns true with the exit code in *rc.
    static bool holdPortIfAsked(int argc, char **argv, int *rc);

private:
    class RootOverride;
    How how;
    QString portPath;
    QString why;
    unsigned originalMode = 0;
    QSerialPort holder;
    std::unique_ptr<QProcess> otherProgram;
    std::unique_ptr<RootOverride> withoutRoot;
};

Q_DECLARE_METATYPE(UnopenablePort::How)
