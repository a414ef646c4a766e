// The ECU and job list window over job-list files on disk: ECU rows, job
// rows with translated titles and custom jobs first, filters, labels,
// the remembered ECU, the refused close and a custom-job file that does
// not read.
#include "cprgfile.h"
#include "ecujoblistwindow.h"
#include "jobqueue.h"
#include "lreleasetool.h"
#include "prgwriter.h"
#include "translationmgr.h"
#include "workdir.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QtTest>

class TestEcuJobListWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void listsEcusByNameWithDescriptions();
    void choosingEcuListsTranslatedJobsAndCustomJobsFirst();
    void jobLabelShowsVirtualName();
    void filtersHideRows_data();
    void filtersHideRows();
    void newEcuListsAllJobsDespiteFilter();
    void serialEcuWithoutJobListShowsNothing();
    void lowerCaseSerialSuffixReadsDescriptionFile();
    void remembersLastPlottedEcu();
    void selectEcuAndActivation();
    void refusesToClose();
    void doubleClickQueuesJobAndAnnouncesIt();
    void unreadCustomJobsSaidAndTakenAgain();

private:
    QListWidget *ecus() { return window->findChild<QListWidget *>("listEcus"); }
    QListWidget *jobs() { return window->findChild<QListWidget *>("listJobs"); }
    int rowOf(const QString &ecu);
    QStringList jobTexts();

    WorkDir *wd = nullptr;
    EcuJobListWindow *window = nullptr;
};

void TestEcuJobListWindow::initTestCase()
{
    // The translator is loaded once per process, from the first working
    // directory: the demo's table, plus a job whose name has a letter
    // beyond ASCII (the catalogue holds it as UTF-8 source text).
    WorkDir first;
    QFile demo(QStringLiteral(KELVO_SOURCE_DIR) + "/demo/translations/jobs_all_en_EN.txt");
    QVERIFY(demo.open(QIODevice::ReadOnly));
    QVERIFY(first.write("translations/jobs_all_en_EN.txt",
                        demo.readAll() + "STATUS_\xc3\x96LDRUCK\tJOB_S\tOil pressure\n"));
    QString log;
    QVERIFY2(LReleaseTool::compileTable(first.filePath("translations/jobs_all_en_EN.txt"), &log), qPrintable(log));
    QVERIFY(TranslationMgr::instance(qApp)->isLoaded());
}

void TestEcuJobListWindow::init()
{
    wd = new WorkDir;
    wd->write("jobs/eculist.txt", "D73N57C0\nMSV70\nMOTOR_serial\n");
    PrgWriter diesel;
    diesel.setDescription("ECU:Diesel engine\n"
                          "JOBNAME:STATUS_LMM\n"
                          "JOBNAME:status_int\nJOBCOMMENT:Intake air\n"
                          "JOBNAME:FS_LESEN\n"
                          "JOBNAME:status_\xf6ldruck\n");
    diesel.jobsFromDescription();
    QDir().mkpath("ecu");
    QVERIFY(diesel.write("ecu/D73N57C0.prg"));
    PrgWriter petrol;
    petrol.setDescription("ECU:Petrol MOTOR\nJOBNAME:IDENT\n");
    petrol.jobsFromDescription();
    QVERIFY(petrol.write("ecu/MSV70.prg"));
    PrgWriter lower;
    lower.setDescription("ECU:Lower-case serial motor\nJOBNAME:IDENT\n");
    lower.jobsFromDescription();
    QVERIFY(lower.write("ecu/MOTOR_serial.prg"));
    wd->write("jobs/serialjobs/GEARBOX_SERIAL.biv", "ECU:Gearbox on the cable\n");
    wd->write("config/customjobs.xml",
              "<customjobs>"
              "<customjob ecu=\"D73N57C0\"><jobname>MW_SELECT_LESEN</jobname><virtualname>A_VIRT</virtualname>"
              "<comment>Custom A</comment><argument>X</argument></customjob>"
              "<customjob ecu=\"D73N57C0\"><jobname>MW_SELECT_LESEN</jobname><virtualname>B_VIRT</virtualname>"
              "<comment>Custom B</comment><argument>Y</argument></customjob>"
              "<customjob ecu=\"MSV70\"><jobname>X</jobname><virtualname>OTHER</virtualname>"
              "<comment>Other ECU</comment><argument/></customjob>"
              "</customjobs>");
    window = new EcuJobListWindow(nullptr);
}

void TestEcuJobListWindow::cleanup()
{
    delete window;
    window = nullptr;
    delete wd;
    wd = nullptr;
}

int TestEcuJobListWindow::rowOf(const QString &ecu)
{
    for (int row = 0; row < ecus()->count(); ++row) {
        if (ecus()->item(row)->data(Qt::UserRole).toString() == ecu)
            return row;
    }
    return -1;
}

QStringList TestEcuJobListWindow::jobTexts()
{
    QStringList texts;
    for (int row = 0; row < jobs()->count(); ++row)
        texts << jobs()->item(row)->text();
    return texts;
}

void TestEcuJobListWindow::listsEcusByNameWithDescriptions()
{
    QStringList names, texts;
    for (int row = 0; row < ecus()->count(); ++row) {
        names << ecus()->item(row)->data(Qt::UserRole).toString();
        texts << ecus()->item(row)->text();
    }
    QCOMPARE(names, (QStringList{"D73N57C0", "GEARBOX_SERIAL", "MOTOR_serial", "MSV70"}));
    QCOMPARE(texts.first(), QString("Diesel engine"));
    QVERIFY(jobs()->count() == 0);
    QVERIFY(!window->currentJobFile());
}

void TestEcuJobListWindow::choosingEcuListsTranslatedJobsAndCustomJobsFirst()
{
    QSignalSpy selected(window, &EcuJobListWindow::ecuSelected);
    ecus()->setCurrentRow(rowOf("D73N57C0"));
    QCOMPARE(selected.count(), 1);
    QCOMPARE(selected.at(0).at(0).toString(), QString("D73N57C0"));
    QCOMPARE(window->findChild<QLabel *>("lblECU")->text(), QString("D73N57C0"));
    // Custom jobs in reverse store order, then the description's jobs:
    // translated, else upper-cased.
    // A name with a letter beyond ASCII (Latin-1 in the description file)
    // is translated as well.
    QCOMPARE(jobTexts(), (QStringList{"Custom B", "Custom A", "Air mass", "Intake air temperature",
                                      "FS_LESEN", "Oil pressure"}));
    QCOMPARE(jobs()->item(0)->foreground().color(), QColor(Qt::blue));
    QCOMPARE(jobs()->item(1)->foreground().color(), QColor(Qt::blue));
    QVERIFY(jobs()->item(2)->foreground().color() != QColor(Qt::blue));
    // Rows and job indices stay equal.
    const CPRGFile *file = window->currentJobFile();
    QCOMPARE(file->getJobCount(), 6);
    QCOMPARE(QString::fromStdString(file->getJob(0)->virtualName), QString("B_VIRT"));
    QCOMPARE(QString::fromStdString(file->getJob(2)->jobName), QString("STATUS_LMM"));
}

void TestEcuJobListWindow::jobLabelShowsVirtualName()
{
    ecus()->setCurrentRow(rowOf("D73N57C0"));
    QLabel *label = window->findChild<QLabel *>("lblJob");
    jobs()->setCurrentRow(0);
    QCOMPARE(label->text(), QString("B_VIRT -> MW_SELECT_LESEN"));
    jobs()->setCurrentRow(2);
    QCOMPARE(label->text(), QString("STATUS_LMM"));
}

void TestEcuJobListWindow::filtersHideRows_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("visible");
    QTest::newRow("ecu: any case") << "txtFilter" << "mot"
                                   << QStringList{"Lower-case serial motor", "Petrol MOTOR"};
    QTest::newRow("ecu: empty shows all") << "txtFilter" << ""
                                          << QStringList{"Diesel engine", "Gearbox on the cable",
                                                         "Lower-case serial motor", "Petrol MOTOR"};
    QTest::newRow("ecu: broken pattern") << "txtFilter" << "([" << QStringList{};
    QTest::newRow("jobs: translated text") << "txtJobsFilter" << "^air" << QStringList{"Air mass"};
    QTest::newRow("jobs: custom") << "txtJobsFilter" << "custom" << QStringList{"Custom B", "Custom A"};
}

void TestEcuJobListWindow::filtersHideRows()
{
    QFETCH(QString, edit);
    QFETCH(QString, text);
    QFETCH(QStringList, visible);
    ecus()->setCurrentRow(rowOf("D73N57C0"));
    QListWidget *list = edit == "txtFilter" ? ecus() : jobs();
    window->findChild<QLineEdit *>(edit)->setText("x");
    window->findChild<QLineEdit *>(edit)->setText(text);
    QStringList shown;
    for (int row = 0; row < list->count(); ++row) {
        if (!list->item(row)->isHidden())
            shown << list->item(row)->text();
    }
    QCOMPARE(shown, visible);
}

void TestEcuJobListWindow::newEcuListsAllJobsDespiteFilter()
{
    ecus()->setCurrentRow(rowOf("D73N57C0"));
    window->findChild<QLineEdit *>("txtJobsFilter")->setText("nothing matches this");
    ecus()->setCurrentRow(rowOf("MSV70"));
    QCOMPARE(jobTexts(), (QStringList{"Other ECU", "IDENT"}));
    QVERIFY(!jobs()->item(0)->isHidden());
    QVERIFY(!jobs()->item(1)->isHidden());
}

void TestEcuJobListWindow::serialEcuWithoutJobListShowsNothing()
{
    wd->write("jobs/serialjobs/GEARBOX_SERIAL.biv", QByteArray());
    QFile::remove("jobs/serialjobs/GEARBOX_SERIAL.biv");
    ecus()->setCurrentRow(rowOf("D73N57C0"));
    ecus()->setCurrentRow(rowOf("GEARBOX_SERIAL"));
    QCOMPARE(jobs()->count(), 0);
    QVERIFY(!window->currentJobFile());
    // A later change of ECU finds nothing to delete.
    ecus()->setCurrentRow(rowOf("MSV70"));
    QCOMPARE(jobs()->count(), 2);
}

void TestEcuJobListWindow::lowerCaseSerialSuffixReadsDescriptionFile()
{
    ecus()->setCurrentRow(rowOf("MOTOR_serial"));
    QCOMPARE(jobTexts(), QStringList{"IDENT"});
}

void TestEcuJobListWindow::remembersLastPlottedEcu()
{
    delete window;
    wd->write("kelvo.ini", "[windows]\nlastPlotEcu=MSV70\n");
    window = new EcuJobListWindow(nullptr);
    QCOMPARE(ecus()->currentItem()->data(Qt::UserRole).toString(), QString("MSV70"));
    QCOMPARE(jobs()->count(), 2);

    delete window;
    wd->write("kelvo.ini", "[windows]\nlastPlotEcu=NOT_LISTED\n");
    window = new EcuJobListWindow(nullptr);
    QVERIFY(!window->currentJobFile());
}

void TestEcuJobListWindow::selectEcuAndActivation()
{
    QSignalSpy selected(window, &EcuJobListWindow::ecuSelected);
    window->selectEcu("MSV70");
    QCOMPARE(ecus()->currentItem()->data(Qt::UserRole).toString(), QString("MSV70"));
    QCOMPARE(selected.count(), 1);
    window->selectEcu("UNKNOWN");
    QCOMPARE(ecus()->currentItem()->data(Qt::UserRole).toString(), QString("MSV70"));
    QCOMPARE(selected.count(), 1);
}

void TestEcuJobListWindow::refusesToClose()
{
    window->show();
    QVERIFY(!window->close());
    QVERIFY(window->isVisible());
}

void TestEcuJobListWindow::doubleClickQueuesJobAndAnnouncesIt()
{
    QSignalSpy chosen(window, &EcuJobListWindow::jobChosen);
    window->selectEcu("MSV70");
    QCOMPARE(jobs()->count(), 2);
    const QModelIndex ident = jobs()->model()->index(1, 0);
    QMetaObject::invokeMethod(window, "on_listJobs_doubleClicked", Q_ARG(QModelIndex, ident));
    QCOMPARE(chosen.count(), 1);
    CJob job = chosen.at(0).at(0).value<CJob>();
    QCOMPARE(QString::fromStdString(job.jobName), QString("IDENT"));
    QCOMPARE(QString::fromStdString(job.ecuName), QString("MSV70"));
    QCOMPARE(JobQueue::instance()->jobCount(), 1);
    // Already queued: refused, nothing announced.
    QMetaObject::invokeMethod(window, "on_listJobs_doubleClicked", Q_ARG(QModelIndex, ident));
    QCOMPARE(chosen.count(), 1);
    JobQueue::instance()->removeJob(job);
}

void TestEcuJobListWindow::unreadCustomJobsSaidAndTakenAgain()
{
    // A custom-job file that does not read hides the ECU's custom jobs: the
    // window says why under the jobs, and lists them once the file reads.
    const QByteArray good = wd->read("config/customjobs.xml");
    QVERIFY(wd->write("config/customjobs.xml", good.left(good.size() - 5)));
    ecus()->setCurrentRow(rowOf("D73N57C0"));
    QLabel *problem = window->findChild<QLabel *>("lblCustomJobs");
    QVERIFY(problem);
    QVERIFY(!problem->isHidden());
    QVERIFY2(problem->text().contains("config/customjobs.xml is not valid XML"), qPrintable(problem->text()));
    QCOMPARE(jobs()->count(), 4);
    QVERIFY(wd->write("config/customjobs.xml", good));
    QTRY_COMPARE_WITH_TIMEOUT(jobs()->count(), 6, 20000);
    QCOMPARE(jobTexts().mid(0, 2), (QStringList{"Custom B", "Custom A"}));
    QVERIFY(problem->isHidden());
    // No file is no custom jobs, nothing to say.
    QVERIFY(QFile::remove("config/customjobs.xml"));
    ecus()->setCurrentRow(rowOf("MSV70"));
    QCOMPARE(jobTexts(), QStringList{"IDENT"});
    QVERIFY(problem->isHidden());
}

QTEST_MAIN(TestEcuJobListWindow)
#include "tst_ecujoblistwindow.moc"
