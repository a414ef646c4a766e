// Replays a fuzz target's seed corpus as an ordinary test: every file named on
// the command line, or every file inside a named folder, goes through
// LLVMFuzzerTestOneInput once. A crash or sanitizer report fails the test.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int count = 0;
    for (int i = 1; i < argc; ++i) {
        QStringList files;
        QFileInfo info(QString::fromLocal8Bit(argv[i]));
        if (info.isDir()) {
            QDirIterator it(info.filePath(), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
        } else {
            files << info.filePath();
        }
        files.sort();
        for (const QString &name : files) {
            QFile f(name);
            if (!f.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(name));
                return 1;
            }
            const QByteArray bytes = f.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
            ++count;
        }
    }
    std::printf("%d passed, 0 failed\n", count);
    return count > 0 ? 0 : 1;
}
