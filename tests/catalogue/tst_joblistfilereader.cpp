#include "joblistfilereader.h"
#include "latin1.h"
#include "prgwriter.h"
#include "workdir.h"

#include <QtTest>

namespace {

QString q(const std::string &s)
{
    return Latin1::toQString(s);
}

QStringList jobNamesOf(const CPRGFile *prg)
{
    QStringList names;
    for (const CJob *job : prg->jobs)
        names << q(job->jobName);
    return names;
}

// "name/type/comment" for every result of the job.
QStringList resultsOf(const CJob *job)
{
    QStringList out;
    for (const CJobResult &r : job->results)
        out << q(r.name) + "/" + q(r.typeName) + "/" + q(r.comment);
    return out;
}

bool writePrg(const WorkDir &wd, const QString &file, const QByteArray &description)
{
    PrgWriter w;
    w.setDescription(description);
    w.jobsFromDescription();
    return w.write(wd.filePath("ecu/" + file));
}

const QByteArray kPrgText =
    "ECU:Engine control MSV70\r\n"
    "ORIGIN:test\r\n"
    "JOBNAME:STATUS_MOTORDREHZAHL\r\n"
    "JOBCOMMENT:Engine speed\r\n"
    "RESULT:STAT_MOTORDREHZAHL_WERT\r\n"
    "RESULTTYPE:real\r\n"
    "JOBNAME:status_lmm\r\n"
    "JOBCOMMENT:Air mass\r\n"
    "JOBNAME:STEUERN_LL\r\n"
    "JOBNAME:IDENT\r\n";

} // namespace

class TestJobListFileReader : public QObject
{
    Q_OBJECT
private slots:
    void parseJob_data();
    void parseJob();
    void jobBlocks();
    void prgJobsWithTitlesAndFilter_data();
    void prgJobsWithTitlesAndFilter();
    void prgMissingGivesEmptyEcu();
    void customJobsInFront();
    void missingBivGivesNone();
    void ecuList();
    void commaList();
    void titleFileLines();
};

void TestJobListFileReader::parseJob_data()
{
    QTest::addColumn<QString>("block");
    QTest::addColumn<QString>("jobName");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QStringList>("results");

    QTest::newRow("first comment, last name")
        << "JOBNAME:A\nJOBCOMMENT:one\nJOBCOMMENT:two\nJOBNAME:B\n" << "B" << "one" << QStringList();
    QTest::newRow("colon ends the value")
        << "JOBNAME:A\nJOBCOMMENT:ratio: 1:2\n" << "A" << "ratio" << QStringList();
    QTest::newRow("blank or lower-case key")
        << "JOBNAME:A\n JOBCOMMENT:blank\njobcomment:lower\n RESULT:X\n" << "A" << "" << QStringList();
    QTest::newRow("no results") << "JOBNAME:A\n" << "A" << "" << QStringList();
    QTest::newRow("type belongs to the pending result")
        << "JOBNAME:A\nRESULT:A\nRESULTTYPE:real\nRESULT:B\n" << "A" << ""
        << QStringList{"A/real/", "B//"};
    QTest::newRow("type before any result dropped")
        << "JOBNAME:A\nRESULTTYPE:int\nRESULTCOMMENT:c\nRESULT:R\nRESULTCOMMENT:rc\n" << "A" << ""
        << QStringList{"R//rc"};
    QTest::newRow("CRLF and comments")
        << "JOBNAME:A\r\n// JOBCOMMENT:hidden\r\nJOBCOMMENT:shown\r\nRESULT:R\r\nRESULTTYPE:int\r\n" << "A" << "shown"
        << QStringList{"R/int/"};
    QTest::newRow("lines without colon")
        << "JOBNAME:A\n\ngarbage\nRESULT\nRESULT:R\n" << "A" << "" << QStringList{"R//"};
}

void TestJobListFileReader::parseJob()
{
    QFETCH(QString, block);
    QFETCH(QString, jobName);
    QFETCH(QString, comment);
    QFETCH(QStringList, results);
    WorkDir wd;
    JobListFileReader reader;
    QScopedPointer<CJob> job(reader.parseJob(block));
    QCOMPARE(q(job->jobName), jobName);
    QCOMPARE(q(job->comment), comment);
    QCOMPARE(resultsOf(job.data()), results);
    for (const CJobResult &r : job->results)
        QCOMPARE(r.getTextValue(), std::string());
}

void TestJobListFileReader::jobBlocks()
{
    WorkDir wd;
    const QString text = "ECU:x\nJOBNAME:A\nVIRTUALNAME:va\nVIRTUALNAME:vb\nJOBARGUMENT:1;2\nTELEGRAM:12\n"
                         "TELEGRAM:34\n//JOBNAME:B\nRESULT:R\nJOBNAME:C\n";
    const QStringList blocks = JobListFileReader::jobBlocks(text);
    QCOMPARE(blocks.size(), 3);
    QVERIFY(blocks.at(0).endsWith("//"));
    JobListFileReader reader;
    QString a = blocks.at(0), b = blocks.at(1);
    QScopedPointer<CJob> ja(reader.parseJob(a));
    QScopedPointer<CJob> jb(reader.parseJob(b));
    QCOMPARE(q(ja->virtualName), QStringLiteral("va"));
    QCOMPARE(q(ja->arguments), QStringLiteral("1;2"));
    QCOMPARE(q(ja->telegram), QStringLiteral("34"));
    QVERIFY(ja->hasTelegram());
    QCOMPARE(q(jb->jobName), QStringLiteral("B"));
    QCOMPARE(resultsOf(jb.data()), QStringList{"R//"});
    QVERIFY(JobListFileReader::jobBlocks("ECU:only\n").isEmpty());
}

void TestJobListFileReader::prgJobsWithTitlesAndFilter_data()
{
    QTest::addColumn<bool>("hasFilterFile");
    QTest::addColumn<QByteArray>("filterFile");
    QTest::addColumn<bool>("filterOn");
    QTest::addColumn<QStringList>("jobs");
    const QStringList all{"STATUS_MOTORDREHZAHL", "status_lmm", "STEUERN_LL", "IDENT"};
    QTest::newRow("no filter file") << false << QByteArray() << true << all;
    QTest::newRow("anchored STATUS") << true << QByteArray("^status\r\nIDENT\n") << true
                                     << QStringList{"STATUS_MOTORDREHZAHL", "status_lmm"};
    QTest::newRow("contains LL") << true << QByteArray("ll") << true << QStringList{"STEUERN_LL"};
    QTest::newRow("empty first line") << true << QByteArray("\nIDENT\n") << true << all;
    QTest::newRow("filter off") << true << QByteArray("^status") << false << all;
    QTest::newRow("invalid pattern filters nothing") << true << QByteArray("(unclosed") << true << all;
}

void TestJobListFileReader::prgJobsWithTitlesAndFilter()
{
    QFETCH(bool, hasFilterFile);
    QFETCH(QByteArray, filterFile);
    QFETCH(bool, filterOn);
    QFETCH(QStringList, jobs);
    WorkDir wd;
    QVERIFY(writePrg(wd, "msv70.PRG", kPrgText));
    QVERIFY(wd.write("Translations.TXT", "STATUS_MOTORDREHZAHL=Engine speed (rpm)\r\nIDENT=\r\n"));
    if (hasFilterFile)
        QVERIFY(wd.write("job_filter_include.txt", filterFile));
    if (QByteArray(QTest::currentDataTag()).startsWith("invalid"))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not a valid regular expression"));

    JobListFileReader reader;
    QScopedPointer<CPRGFile> prg(reader.createPrgFromPrg("MSV70", filterOn));
    QVERIFY(prg);
    QCOMPARE(q(prg->name), QStringLiteral("MSV70"));
    QCOMPARE(q(prg->description), QStringLiteral("Engine control MSV70"));
    QCOMPARE(jobNamesOf(prg.data()), jobs);

    QHash<QString, QString> titles{{"STATUS_MOTORDREHZAHL", "Engine speed (rpm)"},
                                   {"status_lmm", "Air mass"},
                                   {"STEUERN_LL", "STEUERN_LL"},
                                   {"IDENT", "IDENT"}};
    for (const CJob *job : prg->jobs) {
        QCOMPARE(q(job->jobTitle), titles.value(q(job->jobName)));
        QCOMPARE(q(job->ecuName), QStringLiteral("MSV70"));
        QCOMPARE(q(job->ecuDescription), QStringLiteral("Engine control MSV70"));
    }
    if (jobs.first() == "STATUS_MOTORDREHZAHL")
        QCOMPARE(resultsOf(prg->jobs.first()), QStringList{"STAT_MOTORDREHZAHL_WERT/real/"});
}

void TestJobListFileReader::prgMissingGivesEmptyEcu()
{
    WorkDir wd;
    JobListFileReader reader;
    QScopedPointer<CPRGFile> prg(reader.createPrgFromPrg("NOSUCH", true));
    QVERIFY(prg);
    QCOMPARE(q(prg->name), QStringLiteral("NOSUCH"));
    QVERIFY(prg->description.empty());
    QCOMPARE(prg->getJobCount(), 0);
}

void TestJobListFileReader::customJobsInFront()
{
    WorkDir wd;
    QVERIFY(wd.write("jobs/serialjobs/d73n57c0_serial.BIV",
                     "ECU:Diesel D73\r\nJOBNAME:STATUS_RPM\r\nTELEGRAM:12 05\r\nRESULT:RPM\r\n"
                     "JOBNAME:IDENT\r\nTELEGRAM:12 04\r\n"));
    QVERIFY(wd.write("jobs/customjobs/D73N57C0_SERIAL_customjobs.biv",
                     "JOBNAME:STATUS_RPM\nVIRTUALNAME:A\nJOBARGUMENT:1;2\nJOBCOMMENT:first\n"
                     "JOBNAME:IDENT\nVIRTUALNAME:B\n"));
    QVERIFY(wd.write("job_filter_include.txt", "^STATUS"));
    QVERIFY(wd.write("translations.txt", "STATUS_RPM=Engine speed\n"));

    JobListFileReader reader;
    QScopedPointer<CPRGFile> prg(reader.createPrgFromCustomJobBIV("D73N57C0_SERIAL.biv", true, "jobs/serialjobs"));
    QVERIFY(prg);
    QCOMPARE(q(prg->name), QStringLiteral("D73N57C0_SERIAL"));
    QCOMPARE(q(prg->description), QStringLiteral("Diesel D73"));
    QCOMPARE(prg->getJobCount(), 3);
    // Custom jobs B, A (reverse file order, not filtered), then the BIV job
    // that passed the filter.
    QCOMPARE(q(prg->jobs.at(0)->virtualName), QStringLiteral("B"));
    QCOMPARE(q(prg->jobs.at(1)->virtualName), QStringLiteral("A"));
    QCOMPARE(q(prg->jobs.at(2)->jobName), QStringLiteral("STATUS_RPM"));
    QCOMPARE(q(prg->jobs.at(2)->jobTitle), QStringLiteral("Engine speed"));
    QCOMPARE(q(prg->jobs.at(2)->telegram), QStringLiteral("12 05"));

    const CJob *a = prg->jobs.at(1);
    QCOMPARE(q(a->arguments), QStringLiteral("1;2"));
    QCOMPARE(q(a->jobTitle), QStringLiteral("first"));
    QCOMPARE(q(a->ecuName), QStringLiteral("D73N57C0_SERIAL"));
    QCOMPARE(q(a->ecuDescription), QStringLiteral("Diesel D73"));
    QCOMPARE(q(prg->jobs.at(0)->jobTitle), QString());
    QCOMPARE(q(prg->jobs.at(0)->jobName), QStringLiteral("IDENT"));

    // Without a custom-job file only the BIV jobs come.
    QVERIFY(QFile::remove(wd.filePath("jobs/customjobs/D73N57C0_SERIAL_customjobs.biv")));
    QScopedPointer<CPRGFile> plain(reader.createPrgFromCustomJobBIV("D73N57C0_SERIAL.biv", false, "jobs/serialjobs"));
    QCOMPARE(jobNamesOf(plain.data()), QStringList({"STATUS_RPM", "IDENT"}));
}

void TestJobListFileReader::missingBivGivesNone()
{
    WorkDir wd;
    JobListFileReader reader;
    QTest::ignoreMessage(QtDebugMsg, QRegularExpression("file not found.*NOSUCH_SERIAL\\.biv"));
    QVERIFY(!reader.createPrgFromCustomJobBIV("NOSUCH_SERIAL.biv", true, "jobs/serialjobs"));
}

void TestJobListFileReader::ecuList()
{
    WorkDir wd;
    QVERIFY(writePrg(wd, "MSV70.prg", kPrgText));
    QVERIFY(writePrg(wd, "GS19D.prg", "ECU:Gearbox GS19D\nJOBNAME:IDENT\n"));
    QVERIFY(writePrg(wd, "NOECU.prg", "JOBNAME:IDENT\n"));
    QVERIFY(writePrg(wd, "D73N57C0_SERIAL.prg", "ECU:Diesel from the PRG\n"));
    QVERIFY(wd.write("jobs/serialjobs/D73N57C0_SERIAL.biv", "ECU:Diesel from the BIV\r\nJOBNAME:A\r\n"));
    QVERIFY(wd.write("jobs/serialjobs/MRMA24_SERIAL.BIV", "// a comment\nECU:Motorbike\nJOBNAME:A\n"));
    QVERIFY(wd.write("jobs/serialjobs/nothing.txt", "ECU,ignored\n"));
    QVERIFY(wd.write("jobs/eculist.txt", "  MSV70 \r\nGS19D\r\n\r\nNOECU\r\nMISSING\r\nD73N57C0_SERIAL\r\n"));

    JobListFileReader reader;
    reader.readBIVsFromdir("jobs/serialjobs", true);
    QCOMPARE(reader.getEcuDescription("D73N57C0_SERIAL"), QStringLiteral("Diesel from the BIV"));
    reader.readFromPrg("jobs/eculist.txt");
    QCOMPARE(reader.getEcuNames(), QStringList({"D73N57C0_SERIAL", "GS19D", "MRMA24_SERIAL", "MSV70"}));
    QCOMPARE(reader.getEcuDescription("MSV70"), QStringLiteral("Engine control MSV70"));
    QCOMPARE(reader.getEcuDescription("GS19D"), QStringLiteral("Gearbox GS19D"));
    QCOMPARE(reader.getEcuDescription("MRMA24_SERIAL"), QStringLiteral("Motorbike"));
    QCOMPARE(reader.getEcuDescription("D73N57C0_SERIAL"), QStringLiteral("Diesel from the PRG"));
    QVERIFY(reader.getEcuDescription("NOECU").isNull());
}

void TestJobListFileReader::commaList()
{
    WorkDir wd;
    QVERIFY(wd.write("lists/a.txt", "rpm,n,word,orphan\r\ndme,motor\r\nrpm,n,word,Engine speed\r\n"
                                    "one,two,three\r\ngs,gearbox\r\nx,y,z,W\r\n"));
    JobListFileReader reader;
    reader.readBIVsFromdir("lists", false);
    const QList<CPRGFile *> &ecus = reader.txtPrgFiles();
    QCOMPARE(ecus.size(), 2);
    const CPRGFile *dme = ecus.at(0);
    QCOMPARE(q(dme->name), QStringLiteral("DME"));
    QCOMPARE(q(dme->description), QStringLiteral("MOTOR"));
    QCOMPARE(dme->getJobCount(), 1);
    const CJob *job = dme->jobs.at(0);
    QCOMPARE(q(job->jobName), QStringLiteral("RPM"));
    QCOMPARE(q(job->jobTitle), QStringLiteral("Engine speed"));
    QCOMPARE(q(job->ecuName), QStringLiteral("DME"));
    QCOMPARE(q(job->ecuDescription), QStringLiteral("MOTOR"));
    QCOMPARE(job->getResultCount(), 1);
    QCOMPARE(q(job->results.at(0).name), QStringLiteral("N"));
    QCOMPARE(q(job->results.at(0).typeName), QStringLiteral("WORD"));
    QCOMPARE(q(job->results.at(0).displayName), QStringLiteral("Engine speed"));
    QCOMPARE(ecus.at(1)->getJobCount(), 1);
}

void TestJobListFileReader::titleFileLines()
{
    WorkDir wd;
    QVERIFY(writePrg(wd, "E.prg", "ECU:e\nJOBNAME:A\nJOBNAME:B\nJOBNAME:C\nJOBCOMMENT:comment C\n"));
    QVERIFY(wd.write("translations.txt", "A=first\r\nno equals sign\r\nA=second\r\nB=x=y\r\n=\r\nC=\r\n"));
    JobListFileReader reader;
    QScopedPointer<CPRGFile> prg(reader.createPrgFromPrg("E", true));
    QCOMPARE(prg->getJobCount(), 3);
    QCOMPARE(q(prg->jobs.at(0)->jobTitle), QStringLiteral("second"));
    QCOMPARE(q(prg->jobs.at(1)->jobTitle), QStringLiteral("x"));
    QCOMPARE(q(prg->jobs.at(2)->jobTitle), QStringLiteral("comment C"));

    reader.loadTranslations("missing.txt");
    QScopedPointer<CPRGFile> again(reader.createPrgFromPrg("E", true));
    QCOMPARE(q(again->jobs.at(0)->jobTitle), QStringLiteral("A"));
}

QTEST_GUILESS_MAIN(TestJobListFileReader)
#include "tst_joblistfilereader.moc"
