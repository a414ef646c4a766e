#include "customjobseditor.h"
#include "filesizelimit.h"
#include "latin1.h"
#include "workdir.h"

#include <QtTest>
#include <unistd.h>

namespace {

QString q(const std::string &s)
{
    return Latin1::toQString(s);
}

CJob makeJob(const char *ecu, const char *job, const char *virt, const char *comment = "", const char *args = "")
{
    CJob j(ecu, job);
    j.virtualName = virt;
    j.comment = comment;
    j.arguments = args;
    return j;
}

// "ecu/job/virtual" of every entry in file order.
QStringList entries()
{
    QStringList out;
    for (const CJob &j : CustomJobsEditor().getCustomJobs())
        out << q(j.ecuName) + "/" + q(j.jobName) + "/" + q(j.virtualName);
    return out;
}

const QByteArray kStore =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<customjobs>\n"
    "  <customjob ecu=\"MSV70\"><jobname>STATUS_A</jobname><virtualname>A1</virtualname>"
    "<comment>first</comment><argument>1;2</argument></customjob>\n"
    "  <customjob ecu=\"GS19D\"><jobname>STATUS_G</jobname><virtualname>G1</virtualname>"
    "<comment>gear</comment><argument></argument><aliases>STAT_X=X;STAT_Y=Y</aliases></customjob>\n"
    "  <customjob ecu=\"MSV70\"><jobname>STATUS_B</jobname><virtualname>B1</virtualname></customjob>\n"
    "  <customjob ecu=\"msv70\"><jobname>LOWER</jobname><virtualname>L</virtualname>"
    "<comment>c</comment><argument>a</argument></customjob>\n"
    "</customjobs>\n";

} // namespace

class TestCustomJobsEditor : public QObject
{
    Q_OBJECT
private slots:
    void readPerEcu();
    void readAll();
    void commentShiftsFields();
    void nonLatin1BecomesQuestionMark();
    void missingFile();
    void addPositions_data();
    void addPositions();
    void updateKeepsAliases();
    void updateWithoutMatchKeepsContent();
    void deleteAdjacentDuplicates();
    void malformedFileLeftAlone();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
};

void TestCustomJobsEditor::readPerEcu()
{
    WorkDir wd;
    QVERIFY(wd.write("config/customjobs.xml", kStore));
    const QList<CJob> jobs = CustomJobsEditor().getCustomJobs("MSV70");
    QCOMPARE(jobs.size(), 2);
    const CJob &a = jobs.at(0);
    QCOMPARE(q(a.ecuName), QStringLiteral("MSV70"));
    QCOMPARE(q(a.jobName), QStringLiteral("STATUS_A"));
    QCOMPARE(q(a.virtualName), QStringLiteral("A1"));
    QCOMPARE(q(a.comment), QStringLiteral("first"));
    QCOMPARE(q(a.jobTitle), QStringLiteral("first"));
    QCOMPARE(q(a.arguments), QStringLiteral("1;2"));
    QVERIFY(a.resultAliases.empty());
    // Only two children: comment and arguments empty.
    QCOMPARE(q(jobs.at(1).jobName), QStringLiteral("STATUS_B"));
    QVERIFY(jobs.at(1).comment.empty());
    QVERIFY(jobs.at(1).arguments.empty());

    const QList<CJob> gear = CustomJobsEditor().getCustomJobs("GS19D");
    QCOMPARE(gear.size(), 1);
    QCOMPARE(q(gear.at(0).resultAliases), QStringLiteral("STAT_X=X;STAT_Y=Y"));
    QVERIFY(CustomJobsEditor().getCustomJobs("gs19d").isEmpty());
}

void TestCustomJobsEditor::readAll()
{
    WorkDir wd;
    QVERIFY(wd.write("config/customjobs.xml", kStore));
    const QList<CJob> jobs = CustomJobsEditor().getCustomJobs();
    QCOMPARE(jobs.size(), 4);
    QCOMPARE(entries(), QStringList({"MSV70/STATUS_A/A1", "GS19D/STATUS_G/G1", "MSV70/STATUS_B/B1", "msv70/LOWER/L"}));
    QVERIFY(jobs.at(1).resultAliases.empty());
    QVERIFY(jobs.at(0).jobTitle.empty());
}

void TestCustomJobsEditor::commentShiftsFields()
{
    WorkDir wd;
    QVERIFY(wd.write("config/customjobs.xml",
                     "<root><customjob ecu=\"E\"><jobname>J</jobname><!-- note --><virtualname>V</virtualname>"
                     "<comment>C</comment><argument>A</argument></customjob></root>"));
    const QList<CJob> jobs = CustomJobsEditor().getCustomJobs("E");
    QCOMPARE(jobs.size(), 1);
    QCOMPARE(q(jobs.at(0).jobName), QStringLiteral("J"));
    QCOMPARE(q(jobs.at(0).virtualName), QString());
    QCOMPARE(q(jobs.at(0).comment), QStringLiteral("V"));
    QCOMPARE(q(jobs.at(0).arguments), QStringLiteral("C"));
    QCOMPARE(q(jobs.at(0).resultAliases), QStringLiteral("A"));
}

void TestCustomJobsEditor::nonLatin1BecomesQuestionMark()
{
    WorkDir wd;
    QVERIFY(wd.write("config/customjobs.xml",
                     "<root><customjob ecu=\"E\"><jobname>J\xE2\x82\xAC\xC3\xA4</jobname>"
                     "<virtualname>V</virtualname></customjob></root>"));
    const QList<CJob> jobs = CustomJobsEditor().getCustomJobs("E");
    QCOMPARE(jobs.size(), 1);
    QCOMPARE(jobs.at(0).jobName, std::string("J?\xE4"));
}

void TestCustomJobsEditor::missingFile()
{
    WorkDir wd;
    CustomJobsEditor editor;
    QVERIFY(editor.getCustomJobs("E").isEmpty());
    QVERIFY(editor.getCustomJobs().isEmpty());
    QVERIFY(!editor.addJobAndSave(makeJob("E", "J", "V")));
    QVERIFY(!editor.updateJobAndSave(makeJob("E", "J", "V")));
    QVERIFY(!editor.delJobAndSave(makeJob("E", "J", "V")));
    QVERIFY(!QFile::exists("config/customjobs.xml"));
}

void TestCustomJobsEditor::addPositions_data()
{
    QTest::addColumn<QByteArray>("store");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("before the ECU's first entry")
        << kStore << QStringList({"MSV70/STATUS_A/A1", "GS19D/NEW/N", "GS19D/STATUS_G/G1", "MSV70/STATUS_B/B1", "msv70/LOWER/L"});
    QTest::newRow("ECU without entries: before the first entry")
        << QByteArray("<x><customjob ecu=\"MSV70\"><jobname>A</jobname><virtualname>1</virtualname></customjob></x>")
        << QStringList({"GS19D/NEW/N", "MSV70/A/1"});
    QTest::newRow("no entries: first child of the root")
        << QByteArray("<?xml version=\"1.0\"?>\n<customjobs><!-- user notes --></customjobs>")
        << QStringList({"GS19D/NEW/N"});
}

void TestCustomJobsEditor::addPositions()
{
    QFETCH(QByteArray, store);
    QFETCH(QStringList, expected);
    WorkDir wd;
    QVERIFY(wd.write("config/customjobs.xml", store));
    QVERIFY(CustomJobsEditor().addJobAndSave(makeJob("GS19D", "NEW", "N", "new job", "x;y")));
    QCOMPARE(entries(), expected);
    const QByteArray written = wd.read("config/customjobs.xml");
    QVERIFY(written.startsWith("<?xml") == store.startsWith("<?xml"));
    if (store.contains("user notes")) {
        QDomDocument doc;
        QVERIFY(doc.setContent(written));
        QCOMPARE(doc.documentElement().tagName(), QStringLiteral("customjobs"));
        QVERIFY(doc.documentElement().firstChild().isElement());
        QVERIFY(written.contains("user notes"));
    }
    const QList<CJob> added = CustomJobsEditor().getCustomJobs("GS19D");
    QCOMPARE(q(added.at(0).comment), QStringLiteral("new job"));
    QCOMPARE(q(added.at(0).arguments), QStringLiteral("x;y"));
}

void TestCustomJobsEditor::updateKeepsAliases()
{
    WorkDir wd;
    QVERIFY(wd.write("config/customjobs.xml", kStore));
    QVERIFY(CustomJobsEditor().updateJobAndSave(makeJob("GS19D", "STATUS_G", "G1", "changed", "9")));
    const QList<CJob> jobs = CustomJobsEditor().getCustomJobs("GS19D");
    QCOMPARE(jobs.size(), 1);
    QCOMPARE(q(jobs.at(0).comment), QStringLiteral("changed"));
    QCOMPARE(q(jobs.at(0).arguments), QStringLiteral("9"));
    QCOMPARE(q(jobs.at(0).resultAliases), QStringLiteral("STAT_X=X;STAT_Y=Y"));
    QVERIFY(wd.read("config/customjobs.xml").contains("<aliases>STAT_X=X;STAT_Y=Y</aliases>"));
    QVERIFY(QString(wd.read("config/customjobs.xml")).contains(QRegularExpression("^<\\?xml version=.1.0. encoding=.UTF-8.\\?>")));

    // An entry with four children gets no fifth.
    QVERIFY(CustomJobsEditor().updateJobAndSave(makeJob("MSV70", "STATUS_B", "B1", "b", "")));
    QCOMPARE(q(CustomJobsEditor().getCustomJobs("MSV70").at(1).comment), QStringLiteral("b"));
    QVERIFY(CustomJobsEditor().getCustomJobs("MSV70").at(1).resultAliases.empty());
    QCOMPARE(entries().size(), 4);
}

void TestCustomJobsEditor::updateWithoutMatchKeepsContent()
{
    WorkDir wd;
    QVERIFY(wd.write("config/customjobs.xml", kStore));
    QVERIFY(CustomJobsEditor().updateJobAndSave(makeJob("MSV70", "STATUS_A", "other")));
    QVERIFY(CustomJobsEditor().delJobAndSave(makeJob("MSV70", "nothing", "A1")));
    QDomDocument before, after;
    QVERIFY(before.setContent(kStore));
    QVERIFY(after.setContent(wd.read("config/customjobs.xml")));
    QCOMPARE(after.toString(1), before.toString(1));
}

void TestCustomJobsEditor::deleteAdjacentDuplicates()
{
    WorkDir wd;
    QVERIFY(wd.write("config/customjobs.xml", kStore));
    CJob dup = makeJob("MSV70", "STATUS_A", "A1");
    QVERIFY(CustomJobsEditor().addJobAndSave(dup)); // goes right before the first: two adjacent
    QCOMPARE(entries().mid(0, 2), QStringList({"MSV70/STATUS_A/A1", "MSV70/STATUS_A/A1"}));
    QVERIFY(CustomJobsEditor().delJobAndSave(dup));
    QCOMPARE(entries(), QStringList({"GS19D/STATUS_G/G1", "MSV70/STATUS_B/B1", "msv70/LOWER/L"}));
}

void TestCustomJobsEditor::malformedFileLeftAlone()
{
    WorkDir wd;
    const QByteArray broken = "<customjobs>\n<customjob ecu=\"MSV70\"><jobname>A</jobname>\n";
    QVERIFY(wd.write("config/customjobs.xml", broken));
    CustomJobsEditor editor;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not valid XML"));
    QVERIFY(editor.getCustomJobs("MSV70").isEmpty());
    for (int i = 0; i < 3; ++i)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not valid XML"));
    QVERIFY(!editor.addJobAndSave(makeJob("MSV70", "J", "V")));
    QVERIFY(!editor.updateJobAndSave(makeJob("MSV70", "A", "")));
    QVERIFY(!editor.delJobAndSave(makeJob("MSV70", "A", "")));
    QCOMPARE(wd.read("config/customjobs.xml"), broken);

    QVERIFY(wd.write("config/customjobs.xml", QByteArray()));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("not valid XML"));
    QVERIFY(!editor.addJobAndSave(makeJob("MSV70", "J", "V")));
    QCOMPARE(wd.read("config/customjobs.xml"), QByteArray());
}

void TestCustomJobsEditor::failedWriteKeepsOldFile_data()
{
    QTest::addColumn<QString>("cause");
    QTest::addColumn<QString>("message");
    QTest::newRow("read-only folder") << "read-only" << "Can't open .*customjobs.xml for writing: ";
    // The whole file is smaller than Qt's write buffer: it fails only at the
    // end, and must not be committed cut off.
    QTest::newRow("disk full half-way") << "full" << "Can't save to .*customjobs.xml: File too large";
}

void TestCustomJobsEditor::failedWriteKeepsOldFile()
{
    QFETCH(QString, cause);
    QFETCH(QString, message);
    if (cause == "read-only" && geteuid() == 0)
        QSKIP("root writes into read-only folders");
    WorkDir wd;
    QVERIFY(wd.write("config/customjobs.xml", kStore));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(message));
    CustomJobsEditor editor;
    bool ok = true;
    if (cause == "read-only") {
        QFile::setPermissions(wd.filePath("config"), QFile::ReadOwner | QFile::ExeOwner);
        ok = editor.addJobAndSave(makeJob("GS19D", "NEW", "N"));
        QFile::setPermissions(wd.filePath("config"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    } else {
        FileSizeLimit limit(rlim_t(kStore.size()));
        QVERIFY(limit.ok());
        ok = editor.addJobAndSave(makeJob("GS19D", "NEW", "N"));
    }
    QVERIFY(!ok);
    QVERIFY2(QRegularExpression(message).match(editor.errorString()).hasMatch(), qPrintable(editor.errorString()));
    QCOMPARE(wd.read("config/customjobs.xml"), kStore);
    QCOMPARE(QDir(wd.filePath("config")).entryList(QDir::Files | QDir::Hidden), QStringList{"customjobs.xml"});
}

QTEST_GUILESS_MAIN(TestCustomJobsEditor)
#include "tst_customjobseditor.moc"
