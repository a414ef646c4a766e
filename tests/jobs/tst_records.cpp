#include "cjob.h"
#include "cjobresultpair.h"
#include "cprgfile.h"
#include "jobqueue.h"
#include "kelvoglobaldata.h"
#include "kelvosettings.h"
#include "serialportsettings.h"
#include "workdir.h"

#include <QBuffer>
#include <QtTest>

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void identity_data();
    void identity();
    void assignmentKeepsErrorText();
    void streamRoundTrip();
    void streamThroughSettings();
    void textValueCut();
    void defaultsAreZero();
    void pairs_data();
    void pairs();
    void prgFileOwnsJobs();
};

static CJob makeJob(const char *ecu, const char *job, const char *virt)
{
    CJob j(ecu, job);
    j.virtualName = virt;
    return j;
}

void TestRecords::identity_data()
{
    QTest::addColumn<QString>("ecuA");
    QTest::addColumn<QString>("jobA");
    QTest::addColumn<QString>("virtA");
    QTest::addColumn<QString>("ecuB");
    QTest::addColumn<QString>("jobB");
    QTest::addColumn<QString>("virtB");
    QTest::addColumn<QString>("displayA");
    QTest::addColumn<QString>("keyA");
    QTest::addColumn<bool>("equal");

    QTest::newRow("plain, same") << "MSV70" << "STATUS_RPM" << "" << "MSV70" << "STATUS_RPM" << ""
                                 << "STATUS_RPM" << "STATUS_RPM.MSV70" << true;
    QTest::newRow("virtual hides job name")
        << "MSV70" << "STATUS_A" << "MY_VIEW" << "MSV70" << "STATUS_B" << "MY_VIEW"
        << "MY_VIEW" << "MY_VIEW.MSV70" << true;
    QTest::newRow("virtual vs plain") << "MSV70" << "STATUS_A" << "MY_VIEW" << "MSV70" << "STATUS_A" << ""
                                      << "MY_VIEW" << "MY_VIEW.MSV70" << false;
    QTest::newRow("other ECU") << "MSV70" << "IDENT" << "" << "GS19D" << "IDENT" << ""
                               << "IDENT" << "IDENT.MSV70" << false;
    QTest::newRow("Latin-1 name") << "MSV70" << QString::fromLatin1("STATUS_\xe4") << "" << "MSV70"
                                  << QString::fromLatin1("STATUS_\xe4") << ""
                                  << QString::fromLatin1("STATUS_\xe4") << QString::fromLatin1("STATUS_\xe4.MSV70")
                                  << true;
}

void TestRecords::identity()
{
    QFETCH(QString, ecuA);
    QFETCH(QString, jobA);
    QFETCH(QString, virtA);
    QFETCH(QString, ecuB);
    QFETCH(QString, jobB);
    QFETCH(QString, virtB);
    QFETCH(QString, displayA);
    QFETCH(QString, keyA);
    QFETCH(bool, equal);

    CJob a = makeJob(ecuA.toLatin1().constData(), jobA.toLatin1().constData(), virtA.toLatin1().constData());
    CJob b = makeJob(ecuB.toLatin1().constData(), jobB.toLatin1().constData(), virtB.toLatin1().constData());
    // Arguments and telegrams never take part in identity.
    a.arguments = "1;2";
    b.telegram = "12050B03";
    QCOMPARE(a.getDisplayName(), displayA);
    QCOMPARE(JobQueue::jobKey(a), keyA);
    QCOMPARE(a == b, equal);
    QCOMPARE(b == a, equal);
}

void TestRecords::assignmentKeepsErrorText()
{
    CJob source("ECU", "JOB");
    source.errorText = "source error";
    CJobResult r;
    r.name = "R";
    source.addResult(r);
    source.timeStamp = 42;

    CJob target;
    target.errorText = "target error";
    target = source;
    QCOMPARE(target.errorText, std::string("target error"));
    QCOMPARE(target.getResultCount(), 1);
    QCOMPARE(target.timeStamp, qint64(42));
    QCOMPARE(target.jobName, std::string("JOB"));

    CJob copy(source);
    QCOMPARE(copy.errorText, std::string("source error"));
}

static CJob fullJob()
{
    CJob j("ECU\xe9", "JOB");
    j.telegram = "12050B03";
    j.virtualName = "VIRT";
    j.resultAliases = "a=b;b=c";
    j.arguments = "ARG1;ARG2";
    j.ecuDescription = "Description";
    j.comment = "Comment";
    j.spare = "Spare";
    j.jobTitle = "Title";
    j.errorText = "error";
    j.timeStamp = 1;
    j.duration = 2;
    j.readWaitTime = 3;
    CJobResult r;
    r.name = "R";
    j.addResult(r);
    return j;
}

static void checkNineStrings(const CJob &back, const CJob &j)
{
    QCOMPARE(back.jobName, j.jobName);
    QCOMPARE(back.ecuName, j.ecuName);
    QCOMPARE(back.telegram, j.telegram);
    QCOMPARE(back.virtualName, j.virtualName);
    QCOMPARE(back.resultAliases, j.resultAliases);
    QCOMPARE(back.arguments, j.arguments);
    QCOMPARE(back.ecuDescription, j.ecuDescription);
    QCOMPARE(back.comment, j.comment);
    QCOMPARE(back.spare, j.spare);
    // Nothing else travels.
    QCOMPARE(back.jobTitle, std::string());
    QCOMPARE(back.errorText, std::string());
    QCOMPARE(back.getResultCount(), 0);
    QCOMPARE(back.timeStamp, qint64(0));
    QCOMPARE(back.duration, qint64(0));
    QCOMPARE(back.readWaitTime, qint64(0));
}

void TestRecords::streamRoundTrip()
{
    const CJob j = fullJob();
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << j;
    }
    // Exactly nine strings, in the stream's order.
    QDataStream strings(bytes);
    QStringList seen;
    while (!strings.atEnd()) {
        QString s;
        strings >> s;
        seen << s;
    }
    QCOMPARE(seen, (QStringList{"JOB", QString::fromLatin1("ECU\xe9"), "12050B03", "VIRT", "a=b;b=c",
                                "ARG1;ARG2", "Description", "Comment", "Spare"}));

    CJob back;
    QDataStream in(bytes);
    in >> back;
    checkNineStrings(back, j);
}

void TestRecords::streamThroughSettings()
{
    WorkDir wd;
    const CJob j = fullJob();
    {
        auto s = KelvoSettings::open();
        s->setValue("windows/lastJob", QVariant::fromValue(j));
    }
    // QSettings caches a file per process: read a copy so the value really
    // comes back through the stream form stored on disk.
    QVERIFY(QFile::copy("kelvo.ini", "copy.ini"));
    QSettings copy("copy.ini", QSettings::IniFormat);
    copy.setIniCodec("UTF-8");
    const QVariant v = copy.value("windows/lastJob");
    QVERIFY(v.canConvert<CJob>());
    checkNineStrings(v.value<CJob>(), j);
}

void TestRecords::textValueCut()
{
    CJobResult r;
    r.setTextValue(std::string(1023, 'a'));
    QCOMPARE(r.getTextValue().size(), size_t(1023));
    r.setTextValue(std::string(5000, 'b'));
    QCOMPARE(r.getTextValue(), std::string(1023, 'b'));
    CJobResult copy(r);
    QCOMPARE(copy.getTextValue(), std::string(1023, 'b'));
    r.setTextValue("0A0BFF");
    copy = r;
    QCOMPARE(copy.getTextValue(), std::string("0A0BFF"));
}

void TestRecords::defaultsAreZero()
{
    CJobResult r;
    QCOMPARE(r.format, 0);
    QCOMPARE(r.intValue, qint16(0));
    QCOMPARE(r.longValue, qint32(0));
    QCOMPARE(r.realValue, 0.0);
    QCOMPARE(r.getTextValue(), std::string());
    SerialPortSettings s;
    QCOMPARE(s.parity, 2);
    QCOMPARE(s.baudRate + s.dataBits + s.stopBits + s.flowControl, 0);
    QVERIFY(s.name.isEmpty() && s.stringParity.isEmpty());
    QCOMPARE(KelvoGlobalData::instance()->canAdapterStartTime(), qint64(0));
}

void TestRecords::pairs_data()
{
    QTest::addColumn<QString>("ecuA");
    QTest::addColumn<QString>("jobA");
    QTest::addColumn<QString>("resA");
    QTest::addColumn<QString>("ecuB");
    QTest::addColumn<QString>("jobB");
    QTest::addColumn<QString>("resB");
    QTest::addColumn<bool>("equal");
    QTest::addColumn<bool>("less");

    QTest::newRow("same, other ECU") << "E1" << "J" << "R" << "E2" << "J" << "R" << true << false;
    QTest::newRow("job orders first") << "E" << "A" << "Z" << "E" << "B" << "A" << false << true;
    QTest::newRow("result bytes") << "E" << "J" << "R1" << "E" << "J" << "R2" << false << true;
    QTest::newRow("prefix first") << "E" << "J" << "R" << "E" << "J" << "RPM" << false << true;
    QTest::newRow("greater") << "E" << "J" << "RPM" << "E" << "J" << "R" << false << false;
}

void TestRecords::pairs()
{
    QFETCH(QString, ecuA);
    QFETCH(QString, jobA);
    QFETCH(QString, resA);
    QFETCH(QString, ecuB);
    QFETCH(QString, jobB);
    QFETCH(QString, resB);
    QFETCH(bool, equal);
    QFETCH(bool, less);
    CJobResultPair a, b;
    a.job = CJob(ecuA.toStdString(), jobA.toStdString());
    a.resultName = resA.toStdString();
    b.job = CJob(ecuB.toStdString(), jobB.toStdString());
    b.resultName = resB.toStdString();
    QCOMPARE(a == b, equal);
    QCOMPARE(a < b, less);
    if (equal)
        QVERIFY(!(b < a));

    CJobResultPair c;
    c.job.errorText = "kept";
    a.spare = "extra";
    c = a;
    QCOMPARE(c.spare, std::string("extra"));
    QCOMPARE(c.job.errorText, std::string("kept"));
    QCOMPARE(c.getJobName(), jobA);
}

void TestRecords::prgFileOwnsJobs()
{
    auto *file = new CPRGFile;
    file->addJob(new CJob("E", "A"));
    file->insertJob(0, new CJob("E", "B"));
    QCOMPARE(file->getJobCount(), 2);
    QCOMPARE(file->getJob(0)->jobName, std::string("B"));
    delete file;
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
