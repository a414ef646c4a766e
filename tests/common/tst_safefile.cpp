// SafeFile replaces a file whole or not at all: a write cut short by a
// file-size limit (what a full disk does to a write) keeps the old file
// byte for byte and leaves no temporary file beside it.
#include "filesizelimit.h"
#include "safefile.h"
#include "workdir.h"

#include <QDir>
#include <QtTest>

namespace {

QByteArray pattern(int size)
{
    QByteArray bytes;
    bytes.reserve(size);
    for (int i = 0; i < size; ++i)
        bytes += char(i % 251);
    return bytes;
}

QStringList filesIn(const WorkDir &wd, const QString &folder = ".")
{
    return QDir(wd.filePath(folder)).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class TestSafeFile : public QObject
{
    Q_OBJECT
private slots:
    void writesExactBytes_data();
    void writesExactBytes();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void missingFolder();
};

void TestSafeFile::writesExactBytes_data()
{
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("new file") << QByteArray() << QByteArray("<a/>\n");
    QTest::newRow("shorter over longer") << pattern(70000) << QByteArray("short\n");
    QTest::newRow("empty over text") << QByteArray("text\n") << QByteArray();
    // Written as they are: no line ends turned into others.
    QTest::newRow("binary and CRLF") << QByteArray("x") << QByteArray("a\r\nb\0c\n", 7);
    QTest::newRow("larger than Qt's buffer") << QByteArray("x") << pattern(100000);
}

void TestSafeFile::writesExactBytes()
{
    QFETCH(QByteArray, old);
    QFETCH(QByteArray, bytes);
    WorkDir wd;
    if (!old.isNull())
        QVERIFY(wd.write("user.txt", old));
    SafeFile file(wd.filePath("user.txt"));
    QVERIFY2(file.write(bytes), qPrintable(file.errorString()));
    QCOMPARE(file.errorString(), QString());
    QCOMPARE(wd.read("user.txt"), bytes);
    QCOMPARE(filesIn(wd), QStringList{"user.txt"});
}

void TestSafeFile::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<QByteArray>("old");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("size");
    // Qt keeps up to 16 KB in its write buffer: a file smaller than that
    // failed only when the buffer was flushed, and was committed cut off.
    QTest::newRow("smaller than Qt's buffer") << QByteArray("<jobs>\n  <job/>\n</jobs>\n") << 100 << 300;
    QTest::newRow("larger than Qt's buffer") << pattern(5000) << 4096 << 70000;
    QTest::newRow("one byte too many") << QByteArray("old\n") << 1000 << 1001;
    QTest::newRow("no old file") << QByteArray() << 100 << 300;
}

void TestSafeFile::failedWriteKeepsOldFile()
{
    QFETCH(QByteArray, old);
    QFETCH(int, limit);
    QFETCH(int, size);
    WorkDir wd;
    if (!old.isEmpty())
        QVERIFY(wd.write("user.txt", old));
    SafeFile file(wd.filePath("user.txt"));
    bool written = true;
    {
        FileSizeLimit fsize{rlim_t(limit)};
        QVERIFY(fsize.ok());
        written = file.write(pattern(size));
    }
    QVERIFY(!written);
    QVERIFY(!file.openFailed());
    QVERIFY2(file.errorString().contains("too large"), qPrintable(file.errorString()));
    if (old.isEmpty()) {
        QCOMPARE(filesIn(wd), QStringList());
    } else {
        QCOMPARE(wd.read("user.txt"), old);
        QCOMPARE(filesIn(wd), QStringList{"user.txt"});
    }

    // Up to the limit it goes through.
    {
        FileSizeLimit fsize{rlim_t(limit)};
        QVERIFY(fsize.ok());
        written = file.write(pattern(limit));
    }
    QVERIFY2(written, qPrintable(file.errorString()));
    QCOMPARE(wd.read("user.txt"), pattern(limit));
    QCOMPARE(filesIn(wd), QStringList{"user.txt"});
}

void TestSafeFile::missingFolder()
{
    WorkDir wd;
    SafeFile plain(wd.filePath("config/sub/user.json"));
    QVERIFY(!plain.write("{}\n"));
    QVERIFY(plain.openFailed());
    QVERIFY(!plain.errorString().isEmpty());
    QVERIFY(!QFileInfo::exists(wd.filePath("config")));

    SafeFile creating(wd.filePath("config/sub/user.json"), SafeFile::CreateFolder);
    QVERIFY2(creating.write("{}\n"), qPrintable(creating.errorString()));
    QCOMPARE(wd.read("config/sub/user.json"), QByteArray("{}\n"));
    QCOMPARE(filesIn(wd, "config/sub"), QStringList{"user.json"});
}

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
