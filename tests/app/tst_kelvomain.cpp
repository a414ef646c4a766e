// The program's one-shot "translate" mode, run as the user runs it.
#include "workdir.h"

#include <QProcess>
#include <QtTest>

class TestKelvoMain : public QObject
{
    Q_OBJECT
private slots:
    void translateConvertsTables_data();
    void translateConvertsTables();
    void translateReportsTablesWritingOnePoFile();
    void translateWithoutTablesSucceeds();

private:
    int run(const QStringList &words, QByteArray *out, QByteArray *err = nullptr);
};

int TestKelvoMain::run(const QStringList &words, QByteArray *out, QByteArray *err)
{
    QProcess process;
    process.setWorkingDirectory(QDir::currentPath());
    process.start(QStringLiteral(KELVO_EXE), words);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    *out = process.readAllStandardOutput();
    if (err)
        *err = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

void TestKelvoMain::translateConvertsTables_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::newRow("translate") << QStringList{"translate"};
    QTest::newRow("trace first") << QStringList{"trace", "translate"};
}

void TestKelvoMain::translateConvertsTables()
{
    QFETCH(QStringList, words);
    WorkDir wd;
    wd.write("log4cplus.properties", "log4cplus.rootLogger=OFF\n");
    wd.write("translations/jobs_all_en_EN.txt", "STATUS_LMM\tJOB_S\tAir \"mass\"\n\n");
    wd.write("translations/Custom_Jobs_de.txt", "MY_JOB\tJOB_S\tMein Job\n");
    wd.write("translations/other.txt", "X\tJOB_S\tY\n");
    QByteArray out;
    QCOMPARE(run(words, &out), 0);
    const QString dir = QDir::current().absoluteFilePath("translations");
    QCOMPARE(QString::fromUtf8(out),
             QString("starting translations from .txt to .po\n"
                     "%1/Custom_Jobs_de.txt --> %1/Custom_Jobs_de.po\n"
                     "%1/jobs_all_en_EN.txt --> %1/jobs_all_en_EN.po\n"
                     "translations done\n").arg(dir));
    const QByteArray po = wd.read("translations/jobs_all_en_EN.po");
    QVERIFY(po.startsWith("msgid \"\"\nmsgstr \"\"\n"));
    QVERIFY(po.contains("msgctxt \"JOB_S|\"\nmsgid \"STATUS_LMM\"\nmsgstr \"Air 'mass'\"\n"));
    QVERIFY(wd.read("translations/Custom_Jobs_de.po").contains("Mein Job"));
    QVERIFY(!QFile::exists(wd.filePath("translations/other.po")));
}

void TestKelvoMain::translateReportsTablesWritingOnePoFile()
{
    WorkDir wd;
    wd.write("translations/jobs_all_de.txt", "A\tJOB_S\tfirst\n");
    wd.write("translations/jobs_all_de.old.txt", "A\tJOB_S\tsecond\n");
    QByteArray out, err;
    QCOMPARE(run({"translate"}, &out, &err), 1);
    QVERIFY2(err.contains("jobs_all_de.old.txt") && err.contains("jobs_all_de.po"), err.constData());
    // The table named after the PO file wrote it; the other did not
    // overwrite it, although it is listed first.
    const QByteArray po = wd.read("translations/jobs_all_de.po");
    QVERIFY(po.contains("first"));
    QVERIFY(!po.contains("second"));
    QVERIFY(out.endsWith("translations done\n"));
}

void TestKelvoMain::translateWithoutTablesSucceeds()
{
    WorkDir wd;
    QByteArray out;
    QCOMPARE(run({"translate"}, &out), 0);
    QCOMPARE(out, QByteArray("starting translations from .txt to .po\ntranslations done\n"));
}

QTEST_GUILESS_MAIN(TestKelvoMain)
#include "tst_kelvomain.moc"
