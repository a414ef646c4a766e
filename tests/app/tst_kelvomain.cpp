// The program's one-shot "translate" mode, and what it prints to the
// terminal with and without "trace", run as the user runs it.
#include "kelvolog.h"
#include "workdir.h"

#include <QElapsedTimer>
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
    void debugLinesOnlyWithTrace_data();
    void debugLinesOnlyWithTrace();
    void warningsAlwaysShown();
    void loggedProblemsReachTerminalWithoutTrace_data();
    void loggedProblemsReachTerminalWithoutTrace();

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

void TestKelvoMain::debugLinesOnlyWithTrace_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<bool>("shown");
    QTest::newRow("plain") << QStringList{"translate"} << false;
    QTest::newRow("trace") << QStringList{"trace", "translate"} << true;
    QTest::newRow("Trace is not trace") << QStringList{"Trace", "translate"} << false;
}

void TestKelvoMain::debugLinesOnlyWithTrace()
{
    QFETCH(QStringList, words);
    QFETCH(bool, shown);
    WorkDir wd;
    wd.write("log4cplus.properties", "log4cplus.rootLogger=OFF\n");
    wd.write("translations/jobs_all_en_EN.txt", "STATUS_LMM\tJOB_S\tAir mass\n");
    QByteArray out, err;
    QCOMPARE(run(words, &out, &err), 0);
    // The font line and the conversion's "info:" lines are debug lines.
    QCOMPARE(err.contains("font id:"), shown);
    QCOMPARE(err.contains("info:"), shown);
    QVERIFY(out.endsWith("translations done\n"));
}

namespace {
QStringList seen;
void remember(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    seen << QString::number(int(type)) + QLatin1Char(' ') + text;
}
} // namespace

void TestKelvoMain::warningsAlwaysShown()
{
    seen.clear();
    const QtMessageHandler previous = qInstallMessageHandler(remember);
    KelvoLog::showDebugOutput(false);
    qDebug("quiet");
    qWarning("a warning");
    qCritical("an error");
    KelvoLog::showDebugOutput(true);
    qDebug("traced");
    qInstallMessageHandler(previous);
    QCOMPARE(seen, (QStringList{QString::number(int(QtWarningMsg)) + " a warning",
                                QString::number(int(QtCriticalMsg)) + " an error",
                                QString::number(int(QtDebugMsg)) + " traced"}));
}

void TestKelvoMain::loggedProblemsReachTerminalWithoutTrace_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<bool>("properties");
    QTest::newRow("plain") << QStringList() << false;
    QTest::newRow("plain, with a properties file") << QStringList() << true;
    QTest::newRow("trace without its file") << QStringList{"trace"} << false;
}

void TestKelvoMain::loggedProblemsReachTerminalWithoutTrace()
{
    QFETCH(QStringList, words);
    QFETCH(bool, properties);
    WorkDir wd;
    if (properties)
        wd.write("log4cplus.properties", "log4cplus.rootLogger=OFF\n");
    // An empty working directory has no ECU list, of which start-up warns.
    QProcess process;
    process.setWorkingDirectory(QDir::currentPath());
    process.start(QStringLiteral(KELVO_EXE), words);
    QVERIFY(process.waitForStarted(30000));
    QByteArray err;
    const QByteArray warning = "WARN filereader: ECU list jobs/eculist.txt not found";
    QElapsedTimer t;
    t.start();
    while (!err.contains(warning) && t.elapsed() < 60000 && process.state() == QProcess::Running) {
        process.waitForReadyRead(1000);
        err += process.readAllStandardError();
    }
    process.kill();
    process.waitForFinished(10000);
    err += process.readAllStandardError();
    QVERIFY2(err.contains(warning), err.constData());
    // Debug lines only with "trace".
    QCOMPARE(err.contains("font id:"), words.contains("trace"));
}

QTEST_GUILESS_MAIN(TestKelvoMain)
#include "tst_kelvomain.moc"
