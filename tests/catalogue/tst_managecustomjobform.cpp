// The custom-job window on files written to disk: its lists, the selector
// table resolved against the ECU's PRG table, selectors added from a table
// browser and removed with Delete, new and deleted jobs, "Start job" in the
// main window, and what broken, vanishing or unwritable store files do.
#include "createjobdialog.h"
#include "customjobseditor.h"
#include "jobqueue.h"
#include "kelvosettings.h"
#include "latin1.h"
#include "logcapture.h"
#include "lreleasetool.h"
#include "mainwindow.h"
#include "managecustomjobform.h"
#include "mdiarea.h"
#include "modalanswerer.h"
#include "plotwindow.h"
#include "prgtabletest.h"
#include "prgtableview.h"
#include "prgwriter.h"
#include "safefile.h"
#include "translationmgr.h"
#include "workdir.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>
#include <csignal>
#include <memory>
#include <sys/resource.h>

class TestManageCustomJobForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void noFileEmptyBoxes();
    void ecusCapitalsFirstLastPlotEcuChosen();
    void selectorRowsResolved_data();
    void selectorRowsResolved();
    void doubleClickStoresSelector();
    void doubleClicksThatAddNothing();
    void headerRowAddsNothing_data();
    void headerRowAddsNothing();
    void unresolvedEntriesNamed_data();
    void unresolvedEntriesNamed();
    void demoInjectionValuesResolve();
    void deleteRemovesEqualSelectors();
    void prefixFieldsAreNoRows();
    void nextSetName_data();
    void nextSetName();
    void newJob();
    void newJobRefusals_data();
    void newJobRefusals();
    void newJobWithoutEcu();
    void deleteJob();
    void tableButtonOpensBrowserEachClick();
    void tableButtonNeedsAJobWithATable();
    void startJobTwiceOneWindow();
    void twoWindowsKeepBothSelectors();
    void jobDeletedMeanwhileIsReported();
    void brokenStoreRefusesEveryChange();
    void unreadStoreSaidAndTakenAgain_data();
    void unreadStoreSaidAndTakenAgain();
    void hostileTables();
    void failedWriteKeepsOldFile();

private:
    std::unique_ptr<WorkDir> catalogueDir;
};

namespace {

const QByteArray Store = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<customjobs>\n"
                         " <customjob ecu=\"MSV70\">\n"
                         "  <jobname>MW_SELECT_LESEN_NORM</jobname>\n"
                         "  <virtualname>SET_1</virtualname>\n"
                         "  <comment>Engine</comment>\n"
                         "  <argument>4A104A11</argument>\n"
                         " </customjob>\n"
                         " <customjob ecu=\"D73N57C0\">\n"
                         "  <jobname>STATUS_BLOCK_LESEN</jobname>\n"
                         "  <virtualname>SET_2</virtualname>\n"
                         "  <comment>Diesel</comment>\n"
                         "  <argument>3;JA;ID;0x5A01</argument>\n"
                         " </customjob>\n"
                         "</customjobs>\n";

// Three ECUs: MSV70 (MW_SELECT_LESEN_NORM, BETRIEBSWTAB), D73N57C0
// (STATUS_BLOCK_LESEN, SG_FUNKTIONEN, and a BETRIEBSWTAB of its own) and
// GS19D, which offers no measuring job.
void writeEcus(const WorkDir &wd)
{
    QDir().mkpath(wd.filePath("ecu"));
    PrgWriter petrol;
    petrol.setDescription("ECU:Petrol\n");
    petrol.setJobs({"STATUS_LMM", "MW_SELECT_LESEN_NORM"});
    petrol.addTable("BETRIEBSWTAB", {"ADR_ALT", "ADR", "NAME", "LNAME", "MUL", "EINHEIT"},
                    {{"0x4A10", "0x0010", "ENG_NAVRG", "Motordrehzahl", "1", "rpm"},
                     {"0x4A11", "0x0011", "CTSCD_TCLNT", "Kuehlmittel", "1", "C"},
                     {"0x4A12", "0x0012", "AFSCD_MAIRPERCYL", "Luftmasse", "1", "mg"},
                     {"0x4A13", "0x0013", "BPSCD_pOutVal", "Ladedruck", "1", "hPa"},
                     {"0x12", "0x0014", "SHORT", "Zu kurz", "1", ""},
                     {"", "0x0015", "EMPTY", "Leer", "1", ""},
                     {"0x4A14", "0x0016", "TAB\tIN", "Tabulator", "1", ""},
                     {"0x4A15", "0x0017", "LF\nIN", "Zeilenende", "1", ""}});
    petrol.addTable("OTHER", {"X", "Y"}, {{"0x4A13", "y"}});
    QVERIFY(petrol.write(wd.filePath("ecu/MSV70.prg")));

    PrgWriter diesel;
    diesel.setDescription("ECU:Diesel\n");
    diesel.setJobs({"MW_SELECT_LESEN_NORM", "STATUS_BLOCK_LESEN"});
    diesel.addTable("SG_FUNKTIONEN", {"ARG", "ID", "RESULTNAME", "INFO", "DATA_TYPE"},
                    {{"IUBAT", "0x5A01", "STAT_UBATT_WERT", "Batteriespannung", "int"},
                     {"ITMOT", "0x5A02", "STAT_MOTORTEMP_WERT", "Motortemperatur", "int"}});
    diesel.addTable("BETRIEBSWTAB", {"ADR_ALT", "ADR", "NAME", "LNAME", "MUL", "EINHEIT"},
                    {{"0x7B01", "0x0001", "RAIL", "Raildruck", "1", "bar"}});
    QVERIFY(diesel.write(wd.filePath("ecu/D73N57C0.prg")));

    PrgWriter gearbox;
    gearbox.setDescription("ECU:Gearbox\n");
    gearbox.setJobs({"STATUS_LMM"});
    gearbox.addTable("BETRIEBSWTAB", {"ADDR", "NAME"}, {{"0x0001", "X"}});
    QVERIFY(gearbox.write(wd.filePath("ecu/GS19D.prg")));
}

void writeAll(const WorkDir &wd, const QByteArray &store = Store)
{
    writeEcus(wd);
    if (!store.isNull())
        QVERIFY(wd.write("config/customjobs.xml", store));
}

QComboBox *combo(QWidget &w, const char *name)
{
    return w.findChild<QComboBox *>(QLatin1String(name));
}

QStringList items(QComboBox *box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

QStringList modelRow(QStandardItemModel *m, int row)
{
    QStringList cells;
    for (int c = 0; c < m->columnCount(); ++c)
        cells << m->index(row, c).data().toString();
    return cells;
}

QStringList column0(QStandardItemModel *m)
{
    QStringList cells;
    for (int r = 0; r < m->rowCount(); ++r)
        cells << m->index(r, 0).data().toString();
    return cells;
}

// "ecu/job/virtual=argument" of every entry, in file order.
QStringList entries()
{
    QStringList out;
    for (const CJob &j : CustomJobsEditor().getCustomJobs())
        out << Latin1::toQString(j.ecuName + "/" + j.jobName + "/" + j.virtualName + "=" + j.arguments);
    return out;
}

QString storedArguments(const QString &ecu, const QString &virtualName)
{
    for (const CJob &j : CustomJobsEditor().getCustomJobs(ecu)) {
        if (Latin1::toQString(j.virtualName) == virtualName)
            return Latin1::toQString(j.arguments);
    }
    return QStringLiteral("<none>");
}

// Chooses the ECU and the job as the user would.
void choose(ManageCustomJobForm &form, const QString &ecu, const QString &comment = QString())
{
    QComboBox *ecus = combo(form, "cmbEcu");
    const int e = ecus->findText(ecu);
    QVERIFY2(e >= 0, qPrintable(ecu));
    ecus->setCurrentIndex(e);
    form.on_cmbEcu_activated(e);
    if (!comment.isEmpty()) {
        QComboBox *jobs = combo(form, "cmbJobs");
        const int j = jobs->findText(comment);
        QVERIFY2(j >= 0, qPrintable(comment));
        jobs->setCurrentIndex(j);
        form.on_cmbJobs_activated(j);
    }
}

// A browser row as the browser reports it: the visible cells and the long
// text; `row` holds the table's cells, hidden ones included.
QStringList browserRow(const QStringList &visibleCells)
{
    return visibleCells + QStringList{QString()};
}

void pressKeyOnRow(ManageCustomJobForm &form, int row, Qt::Key key)
{
    QTableView *view = form.findChild<QTableView *>("tableView");
    view->setCurrentIndex(view->model()->index(row, 0));
    QTest::keyClick(view, key);
}

// Double-clicks the browser row whose first shown cell is `first`.
bool doubleClickBrowserRow(PRGTableTest *browser, const QString &first)
{
    PRGTableView *v = browser->findChild<PRGTableView *>("tableView");
    for (int r = 0; r < v->model()->rowCount(); ++r) {
        if (v->model()->index(r, 0).data().toString() != first)
            continue;
        v->scrollTo(v->model()->index(r, 0));
        const QRect rect = v->visualRect(v->model()->index(r, 0));
        QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        QTest::mouseDClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
        return true;
    }
    return false;
}

// Answers the create-job dialog: the virtual name and ECU when given, then Ok
// (or Cancel when `accept` is false). `shown` gets the texts it showed.
std::function<void(QWidget *)> createJobAnswer(bool accept, const QString &ecu, const QString &virtualName,
                                               QStringList *shown)
{
    return [=](QWidget *w) {
        auto *dialog = qobject_cast<CreateJobDialog *>(w);
        if (!dialog)
            return;
        if (shown)
            *shown = QStringList{dialog->ecu(), dialog->virtualName(), dialog->comment()};
        if (!ecu.isEmpty())
            dialog->setEcu(ecu);
        if (!virtualName.isEmpty())
            dialog->setVirtualName(virtualName);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    };
}

QStringList args(const QString &word)
{
    return {QStringLiteral("kelvo"), word};
}

ManageCustomJobForm *openFromMainWindow(MainWindow &w)
{
    w.findChild<QAction *>("actionCustom_jobs")->trigger();
    ManageCustomJobForm *form = nullptr;
    for (QMdiSubWindow *sub : w.mdi()->subWindowList()) {
        if (auto *f = qobject_cast<ManageCustomJobForm *>(sub->widget()))
            form = f;
    }
    return form;
}

// The child of failedWriteKeepsOldFile: adds a selector while no file may
// grow beyond 200 bytes, and prints the messages the user saw.
int childAddsUnderFileSizeLimit()
{
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = 200;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    KelvoSettings::open()->setValue("windows/lastPlotEcu", "MSV70");
    ModalAnswerer answerer;
    ManageCustomJobForm form; // MSV70 and its one job, SET_1, chosen
    form.onTableDoubleClicked("MSV70", "BETRIEBSWTAB",
                              browserRow({"0x4A12", "0x0012", "AFSCD_MAIRPERCYL", "", "mg"}));
    std::printf("%s\n", qPrintable(answerer.messages().join('|')));
    std::printf("rows:%d\n", form.selectorModel()->rowCount());
    return 0;
}

} // namespace

void TestManageCustomJobForm::initTestCase()
{
    qRegisterMetaType<PRGTableTest *>();
    QVERIFY2(!LReleaseTool::path().isEmpty(), "lrelease (qttools5-dev-tools) is needed");
    catalogueDir = std::make_unique<WorkDir>();
    QString log;
    QVERIFY(catalogueDir->write("translations/jobs_all_en_EN.txt", "STAT_ENG_NAVRG_WERT\tRES_L\tEngine speed\n"
                                                                   "STAT_UBATT_WERT\tRES_L\tBattery voltage\n"));
    QVERIFY2(LReleaseTool::compileTable(catalogueDir->filePath("translations/jobs_all_en_EN.txt"), &log),
             qPrintable(log));
    QVERIFY(TranslationMgr::instance()->isLoaded());
}

void TestManageCustomJobForm::noFileEmptyBoxes()
{
    WorkDir wd;
    writeEcus(wd);
    ModalAnswerer answerer(createJobAnswer(true, "MSV70", "SET_1", nullptr));
    ManageCustomJobForm form;
    QCOMPARE(form.windowTitle(), QString("Custom jobs"));
    QCOMPARE(combo(form, "cmbEcu")->count(), 0);
    QCOMPARE(combo(form, "cmbJobs")->count(), 0);
    QCOMPARE(form.selectorModel()->rowCount(), 0);
    QCOMPARE(form.findChild<QLineEdit *>("txtJobName")->text(), QString());
    // Nothing chosen: the buttons that need a job do nothing.
    form.findChild<QPushButton *>("btnDelJob")->click();
    form.findChild<QPushButton *>("pushButton_2")->click();
    QCOMPARE(answerer.messages(), QStringList());
    // A new job needs the file: the window says so before the dialog and
    // does not create it.
    form.findChild<QPushButton *>("btnNewJob")->click();
    QCOMPARE(answerer.dialogsAnswered(), 0);
    QCOMPARE(answerer.messages().size(), 1);
    QVERIFY2(answerer.messages().first().contains("config/customjobs.xml"), qPrintable(answerer.messages().first()));
    QVERIFY(!QFile::exists("config/customjobs.xml"));
}

void TestManageCustomJobForm::ecusCapitalsFirstLastPlotEcuChosen()
{
    WorkDir wd;
    QByteArray store = "<customjobs>";
    for (const char *ecu : {"abc", "MSV70", "Zed", "D73N57C0", "MSV70"})
        store += QByteArray("<customjob ecu=\"") + ecu + "\"><jobname>J</jobname><virtualname>V</virtualname>"
                 "<comment>C " + ecu + "</comment><argument/></customjob>";
    store += "</customjobs>";
    writeAll(wd, store);
    {
        ManageCustomJobForm form;
        QCOMPARE(items(combo(form, "cmbEcu")), (QStringList{"D73N57C0", "MSV70", "Zed", "abc"}));
        QCOMPARE(combo(form, "cmbEcu")->currentIndex(), 0);
        QCOMPARE(items(combo(form, "cmbJobs")), QStringList{"C D73N57C0"});
        QCOMPARE(form.findChild<QLineEdit *>("txtJobName")->text(), QString("J"));
    }
    KelvoSettings::open()->setValue("windows/lastPlotEcu", "Zed");
    {
        ManageCustomJobForm form;
        QCOMPARE(combo(form, "cmbEcu")->currentText(), QString("Zed"));
        QCOMPARE(items(combo(form, "cmbJobs")), QStringList{"C Zed"});
    }
    KelvoSettings::open()->setValue("windows/lastPlotEcu", "zed"); // exact text only
    ManageCustomJobForm form;
    QCOMPARE(combo(form, "cmbEcu")->currentIndex(), 0);
}

void TestManageCustomJobForm::selectorRowsResolved_data()
{
    QTest::addColumn<QString>("ecu");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QList<QStringList>>("rows");
    const QString notFound = QStringLiteral("ARG '%1' NOT FOUND IN TABLE");
    // The prefix fields are no values: no rows of their own.
    QTest::newRow("3;JA;ID plus one selector: 1 row")
        << "D73N57C0" << "3;JA;ID;0x5A01"
        << QList<QStringList>{{"0x5A01", "IUBAT", "Battery voltage", "Batteriespannung"}};
    QTest::newRow("prefix alone: no rows") << "D73N57C0" << "3;JA;ID" << QList<QStringList>{};
    QTest::newRow("hex cells, last cell as info")
        << "MSV70" << "4A104A11FFFF"
        << QList<QStringList>{{"4A10", "0x4A10", "Engine speed", "rpm"},
                              {"4A11", "0x4A11", "", "C"},
                              {notFound.arg("FFFF"), "", "", ""}};
    // Held by a line, but not in the selector column: an empty row.
    QTest::newRow("elsewhere in a line") << "MSV70" << "0010" << QList<QStringList>{{"", "", "", ""}};
    QTest::newRow("broken length: no rows") << "MSV70" << "4A104" << QList<QStringList>{};
    QTest::newRow("no arguments: no rows") << "D73N57C0" << "" << QList<QStringList>{};
}

void TestManageCustomJobForm::selectorRowsResolved()
{
    QFETCH(QString, ecu);
    QFETCH(QString, arguments);
    QFETCH(QList<QStringList>, rows);
    WorkDir wd;
    const QString job = ecu == "MSV70" ? "MW_SELECT_LESEN_NORM" : "STATUS_BLOCK_LESEN";
    writeAll(wd, ("<customjobs><customjob ecu=\"" + ecu + "\"><jobname>" + job
                  + "</jobname><virtualname>S</virtualname><comment>C</comment><argument>" + arguments
                  + "</argument></customjob></customjobs>")
                     .toLatin1());
    ManageCustomJobForm form;
    QCOMPARE(form.findChild<QLineEdit *>("txtJobName")->text(), job);
    QStandardItemModel *m = form.selectorModel();
    QCOMPARE(m->columnCount(), 4);
    QCOMPARE(m->horizontalHeaderItem(2)->text(), QString("Global translation"));
    QCOMPARE(m->rowCount(), rows.size());
    for (int r = 0; r < rows.size(); ++r)
        QCOMPARE(modelRow(m, r), rows.at(r));
}

void TestManageCustomJobForm::doubleClickStoresSelector()
{
    WorkDir wd;
    writeAll(wd);
    ManageCustomJobForm form;
    choose(form, "MSV70", "Engine");
    QSignalSpy opened(&form, &ManageCustomJobForm::tableBrowserOpened);
    form.findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(opened.count(), 1);
    std::unique_ptr<PRGTableTest> browser(opened.first().first().value<PRGTableTest *>());
    browser->show();
    QCOMPARE(browser->findChild<QComboBox *>("cmdTableName")->currentText(), QString("BETRIEBSWTAB"));
    QVERIFY(doubleClickBrowserRow(browser.get(), "0x4A12"));
    QCOMPARE(storedArguments("MSV70", "SET_1"), QString("4A104A114A12"));
    QCOMPARE(column0(form.selectorModel()), (QStringList{"4A10", "4A11", "4A12"}));
    QCOMPARE(modelRow(form.selectorModel(), 2).at(1), QString("0x4A12"));
}

void TestManageCustomJobForm::doubleClicksThatAddNothing()
{
    WorkDir wd;
    writeAll(wd);
    LogCapture log("customjobform");
    ManageCustomJobForm form;
    choose(form, "MSV70", "Engine");
    const QStringList good = browserRow({"0x4A12", "0x0012", "AFSCD_MAIRPERCYL", "", "mg"});
    // A row of another ECU than the one shown.
    form.onTableDoubleClicked("D73N57C0", "BETRIEBSWTAB", good);
    // A table that does not read.
    form.onTableDoubleClicked("MSV70", "NO_SUCH_TABLE", good);
    // The browser was switched to another table: its rows do not line up.
    form.onTableDoubleClicked("MSV70", "BETRIEBSWTAB", browserRow({"0x4A13", "y"}));
    // ... or to another file's table of the same shape: not the job's selector.
    form.onTableDoubleClicked("MSV70", "BETRIEBSWTAB", browserRow({"0x7B01", "0x0001", "RAIL", "", "bar"}));
    // Refused selectors: not 4 characters, empty.
    form.onTableDoubleClicked("MSV70", "BETRIEBSWTAB", browserRow({"0x12", "0x0014", "SHORT", "", ""}));
    form.onTableDoubleClicked("MSV70", "BETRIEBSWTAB", browserRow({"", "0x0015", "EMPTY", "", ""}));
    // Rows shorter and longer than the columns.
    form.onTableDoubleClicked("MSV70", "BETRIEBSWTAB", {});
    form.onTableDoubleClicked("MSV70", "BETRIEBSWTAB", good + QStringList{"x"});
    QCOMPARE(storedArguments("MSV70", "SET_1"), QString("4A104A11"));
    QCOMPARE(form.selectorModel()->rowCount(), 2);
    QVERIFY(log.count("WARN nothing added") >= 6);
    QCOMPARE(wd.read("config/customjobs.xml"), Store);
}

void TestManageCustomJobForm::headerRowAddsNothing_data()
{
    QTest::addColumn<QString>("ecu");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("headerFirstCell");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QString>("goodRow");
    QTest::addColumn<QString>("added");
    // The selector column's name "ID" would pass as a selector of its own.
    QTest::newRow("SG_FUNKTIONEN, ID") << "D73N57C0" << "Diesel" << "ARG" << "ID" << "3;JA;ID;0x5A01"
                                       << "ITMOT" << "3;JA;ID;0x5A01;0x5A02";
    QTest::newRow("BETRIEBSWTAB, ADR_ALT") << "MSV70" << "Engine" << "ADR_ALT" << "ADR_ALT" << "4A104A11"
                                           << "0x4A12" << "4A104A114A12";
}

void TestManageCustomJobForm::headerRowAddsNothing()
{
    // The browser's first row is the table's header line: it stays in the
    // grid, but a double click on it adds no column name to the job.
    QFETCH(QString, ecu);
    QFETCH(QString, comment);
    QFETCH(QString, headerFirstCell);
    QFETCH(QString, column);
    QFETCH(QString, arguments);
    QFETCH(QString, goodRow);
    QFETCH(QString, added);
    WorkDir wd;
    writeAll(wd);
    ModalAnswerer answerer;
    ManageCustomJobForm form;
    form.show();
    choose(form, ecu, comment);
    const QStringList before = column0(form.selectorModel());
    QSignalSpy opened(&form, &ManageCustomJobForm::tableBrowserOpened);
    form.findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(opened.count(), 1);
    std::unique_ptr<PRGTableTest> browser(opened.first().first().value<PRGTableTest *>());
    browser->show();
    QCOMPARE(browser->sourceModel()->index(0, 0).data().toString(), headerFirstCell);
    QLabel *problem = form.findChild<QLabel *>("lblStoreProblem");
    QVERIFY(problem->isHidden());

    QVERIFY(doubleClickBrowserRow(browser.get(), headerFirstCell));
    QCOMPARE(storedArguments(ecu, comment == "Diesel" ? "SET_2" : "SET_1"), arguments);
    QCOMPARE(column0(form.selectorModel()), before);
    QTRY_VERIFY(!problem->isHidden());
    QVERIFY2(problem->text().contains("header") && problem->text().contains("\"" + column + "\"")
                 && problem->text().startsWith("Nothing added"),
             qPrintable(problem->text()));
    QCOMPARE(answerer.messages(), QStringList());

    // A row of values still adds, and the problem line goes.
    QVERIFY(doubleClickBrowserRow(browser.get(), goodRow));
    QCOMPARE(storedArguments(ecu, comment == "Diesel" ? "SET_2" : "SET_1"), added);
    QVERIFY(problem->isHidden());
}

void TestManageCustomJobForm::unresolvedEntriesNamed_data()
{
    QTest::addColumn<QString>("ecu");
    QTest::addColumn<QString>("job");
    QTest::addColumn<QString>("arguments");
    QTest::addColumn<QStringList>("named");
    QTest::addColumn<QStringList>("notNamed");
    QTest::addColumn<int>("rows");
    // Result names instead of selectors, to a job that takes none from a table.
    QTest::newRow("job without a table")
        << "D73N57C0" << "MW_SELECT_LESEN" << "STAT_InjCtl_qSetUnBal;STAT_BPSCD_pOutVal"
        << QStringList{"MW_SELECT_LESEN", "'STAT_InjCtl_qSetUnBal'", "'STAT_BPSCD_pOutVal'"} << QStringList{} << 0;
    // Nowhere in the table, only in its header, only outside the selector
    // column: each is named; the one that resolves is not.
    QTest::newRow("some entries of a table job")
        << "D73N57C0" << "STATUS_BLOCK_LESEN" << "3;JA;ID;0x5A01;0x9999;ID;STAT_UBATT_WERT"
        << QStringList{"'0x9999'", "'ID'", "'STAT_UBATT_WERT'", "SG_FUNKTIONEN"} << QStringList{"'0x5A01'"} << 4;
    QTest::newRow("hex job, held outside its column")
        << "MSV70" << "MW_SELECT_LESEN_NORM" << "4A100010"
        << QStringList{"'0010'", "BETRIEBSWTAB", "ADR_ALT"} << QStringList{"'4A10'"} << 2;
    QTest::newRow("table that does not read")
        << "GS19D" << "STATUS_BLOCK_LESEN" << "3;JA;ID;0x0001" << QStringList{"SG_FUNKTIONEN", "'0x0001'"}
        << QStringList{} << 0;
    QTest::newRow("broken length") << "MSV70" << "MW_SELECT_LESEN_NORM" << "4A104" << QStringList{"'4A104'"}
                                   << QStringList{} << 0;
    QTest::newRow("all resolve") << "D73N57C0" << "STATUS_BLOCK_LESEN" << "3;JA;ID;0x5A01;0x5A02" << QStringList{}
                                 << QStringList{} << 2;
    QTest::newRow("prefix alone") << "D73N57C0" << "STATUS_BLOCK_LESEN" << "3;JA;ID" << QStringList{}
                                  << QStringList{} << 0;
}

void TestManageCustomJobForm::unresolvedEntriesNamed()
{
    // The window says which entries of the chosen job name no row of its
    // table, instead of an empty or blank table without a word.
    QFETCH(QString, ecu);
    QFETCH(QString, job);
    QFETCH(QString, arguments);
    QFETCH(QStringList, named);
    QFETCH(QStringList, notNamed);
    QFETCH(int, rows);
    WorkDir wd;
    writeAll(wd, ("<customjobs><customjob ecu=\"" + ecu + "\"><jobname>" + job
                  + "</jobname><virtualname>MY_JOB</virtualname><comment>C</comment><argument>" + arguments
                  + "</argument></customjob></customjobs>")
                     .toLatin1());
    ManageCustomJobForm form;
    form.show();
    QCOMPARE(form.selectorModel()->rowCount(), rows);
    QLabel *problem = form.findChild<QLabel *>("lblStoreProblem");
    QCOMPARE(problem->isHidden(), named.isEmpty());
    for (const QString &n : named)
        QVERIFY2(problem->text().contains(n) && problem->text().contains("MY_JOB"), qPrintable(problem->text()));
    for (const QString &n : notNamed)
        QVERIFY2(!problem->text().contains(n), qPrintable(problem->text()));
}

void TestManageCustomJobForm::demoInjectionValuesResolve()
{
    // The demo's diesel custom job shows its values, each with its result.
    WorkDir wd;
    QVERIFY(wd.copyTree(QStringLiteral(KELVO_SOURCE_DIR) + "/demo"));
    ManageCustomJobForm form;
    form.show();
    choose(form, "D73N57C0", "Injection values (custom job)");
    QStandardItemModel *m = form.selectorModel();
    QVERIFY(m->rowCount() > 0);
    for (int r = 0; r < m->rowCount(); ++r) {
        QVERIFY2(!modelRow(m, r).at(1).isEmpty() && !modelRow(m, r).at(0).contains("NOT FOUND"),
                 qPrintable(modelRow(m, r).join('|')));
    }
    QVERIFY2(form.findChild<QLabel *>("lblStoreProblem")->isHidden(),
             qPrintable(form.findChild<QLabel *>("lblStoreProblem")->text()));
}

void TestManageCustomJobForm::deleteRemovesEqualSelectors()
{
    WorkDir wd;
    writeAll(wd, QByteArray(Store).replace("4A104A11", "4A104A114A10"));
    ManageCustomJobForm form;
    form.show();
    choose(form, "MSV70", "Engine");
    QCOMPARE(form.selectorModel()->rowCount(), 3);
    pressKeyOnRow(form, 2, Qt::Key_A); // other keys do nothing
    QCOMPARE(storedArguments("MSV70", "SET_1"), QString("4A104A114A10"));
    pressKeyOnRow(form, 2, Qt::Key_Delete);
    QCOMPARE(storedArguments("MSV70", "SET_1"), QString("4A11"));
    QCOMPARE(column0(form.selectorModel()), QStringList{"4A11"});
    pressKeyOnRow(form, 0, Qt::Key_Backspace);
    QCOMPARE(storedArguments("MSV70", "SET_1"), QString(""));
    QCOMPARE(form.selectorModel()->rowCount(), 0);
    // A key with no row under it does nothing.
    QTest::keyClick(form.findChild<QTableView *>("tableView"), Qt::Key_Delete);
    QCOMPARE(storedArguments("MSV70", "SET_1"), QString(""));
}

void TestManageCustomJobForm::prefixFieldsAreNoRows()
{
    // The fields a STATUS_BLOCK_LESEN argument starts with ("3;JA;ID") are
    // no values: they have no rows, and Delete on any row removes a
    // selector, never a field of the prefix.
    WorkDir wd;
    writeAll(wd, QByteArray(Store).replace("3;JA;ID;0x5A01", "3;JA;ID;0x5A01;0x5A02"));
    ModalAnswerer answerer;
    ManageCustomJobForm form;
    form.show();
    choose(form, "D73N57C0", "Diesel");
    QCOMPARE(column0(form.selectorModel()), (QStringList{"0x5A01", "0x5A02"}));
    QCOMPARE(modelRow(form.selectorModel(), 1), (QStringList{"0x5A02", "ITMOT", "", "Motortemperatur"}));
    pressKeyOnRow(form, 0, Qt::Key_Delete);
    QCOMPARE(storedArguments("D73N57C0", "SET_2"), QString("3;JA;ID;0x5A02"));
    QCOMPARE(column0(form.selectorModel()), QStringList{"0x5A02"});
    pressKeyOnRow(form, 0, Qt::Key_Backspace);
    QCOMPARE(storedArguments("D73N57C0", "SET_2"), QString("3;JA;ID"));
    QCOMPARE(form.selectorModel()->rowCount(), 0);
    QTest::keyClick(form.findChild<QTableView *>("tableView"), Qt::Key_Delete);
    QCOMPARE(storedArguments("D73N57C0", "SET_2"), QString("3;JA;ID"));
    // A value added again goes behind the prefix.
    form.onTableDoubleClicked("D73N57C0", "SG_FUNKTIONEN",
                              browserRow({"ITMOT", "0x5A02", "STAT_MOTORTEMP_WERT", "Motortemperatur"}));
    QCOMPARE(storedArguments("D73N57C0", "SET_2"), QString("3;JA;ID;0x5A02"));
    QCOMPARE(column0(form.selectorModel()), QStringList{"0x5A02"});
    QCOMPARE(answerer.messages(), QStringList());
}

void TestManageCustomJobForm::nextSetName_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("next");
    QTest::newRow("numeric order") << QStringList{"SET_2", "SET_10", "Other"} << "SET_11";
    QTest::newRow("none") << QStringList{"Other", "SET_", "SET_2x"} << "SET_1";
    QTest::newRow("empty list") << QStringList{} << "SET_1";
    QTest::newRow("ends in SET_n") << QStringList{"MY_SET_5", "SET_3"} << "SET_6";
}

void TestManageCustomJobForm::nextSetName()
{
    QFETCH(QStringList, names);
    QFETCH(QString, next);
    WorkDir wd;
    QByteArray store = "<customjobs><customjob ecu=\"X\"><jobname>J</jobname><virtualname>Z</virtualname>"
                       "<comment/><argument/></customjob>";
    for (const QString &n : names)
        store += "<customjob ecu=\"MSV70\"><jobname>J</jobname><virtualname>" + n.toLatin1()
                 + "</virtualname><comment>" + n.toLatin1() + "</comment><argument/></customjob>";
    store += "</customjobs>";
    writeAll(wd, store);
    ManageCustomJobForm form;
    choose(form, names.isEmpty() ? "X" : "MSV70");
    QCOMPARE(form.nextSetName(), next);
}

void TestManageCustomJobForm::newJob()
{
    WorkDir wd;
    writeAll(wd);
    ManageCustomJobForm form;
    choose(form, "MSV70", "Engine");
    {
        QStringList shown;
        ModalAnswerer answerer(createJobAnswer(true, QString(), QString(), &shown));
        form.findChild<QPushButton *>("btnNewJob")->click();
        QCOMPARE(shown, (QStringList{"MSV70", "SET_2", "Engine"}));
        QCOMPARE(answerer.messages(), QStringList());
    }
    QCOMPARE(entries(), (QStringList{"MSV70/MW_SELECT_LESEN_NORM/SET_2=", "MSV70/MW_SELECT_LESEN_NORM/SET_1=4A104A11",
                                     "D73N57C0/STATUS_BLOCK_LESEN/SET_2=3;JA;ID;0x5A01"}));
    QCOMPARE(combo(form, "cmbEcu")->currentText(), QString("MSV70"));
    QCOMPARE(combo(form, "cmbJobs")->currentIndex(), 0);
    bool ok = false;
    QCOMPARE(Latin1::toQString(form.getJobFromCombo(ok, 0).virtualName), QString("SET_2"));

    // Another ECU: its measuring job, its prefix.
    ModalAnswerer other(createJobAnswer(true, "D73N57C0", "SET_3", nullptr));
    form.findChild<QPushButton *>("btnNewJob")->click();
    QCOMPARE(storedArguments("D73N57C0", "SET_3"), QString("3;JA;ID"));
    QCOMPARE(combo(form, "cmbEcu")->currentText(), QString("D73N57C0"));
    QCOMPARE(combo(form, "cmbJobs")->currentIndex(), 0);
    // Only the prefix: no values yet.
    QCOMPARE(form.selectorModel()->rowCount(), 0);
}

void TestManageCustomJobForm::newJobRefusals_data()
{
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QString>("ecu");
    QTest::addColumn<QString>("virtualName");
    QTest::addColumn<QString>("message");
    QTest::newRow("cancel") << false << "" << "" << "";
    QTest::newRow("no measuring job") << true << "GS19D" << "SET_9" << "Can't find table/jobinfo for ecu:GS19D";
    QTest::newRow("unknown ecu") << true << "NOPE" << "SET_9" << "Can't find table/jobinfo for ecu:NOPE";
    QTest::newRow("duplicate name") << true << "" << "SET_1" << "MSV70 already has a custom job named SET_1.";
}

void TestManageCustomJobForm::newJobRefusals()
{
    QFETCH(bool, accept);
    QFETCH(QString, ecu);
    QFETCH(QString, virtualName);
    QFETCH(QString, message);
    WorkDir wd;
    writeAll(wd);
    ModalAnswerer answerer(createJobAnswer(accept, ecu, virtualName, nullptr));
    ManageCustomJobForm form;
    choose(form, "MSV70", "Engine");
    form.findChild<QPushButton *>("btnNewJob")->click();
    QCOMPARE(answerer.dialogsAnswered(), 1);
    QCOMPARE(answerer.messages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(wd.read("config/customjobs.xml"), Store);
    QCOMPARE(combo(form, "cmbJobs")->currentText(), QString("Engine"));
}

void TestManageCustomJobForm::newJobWithoutEcu()
{
    // No custom job yet, so no ECU to choose: the dialog proposes none, and
    // a blank ECU is refused before it is looked for; a typed one is taken.
    WorkDir wd;
    const QByteArray empty = "<customjobs>\n</customjobs>\n";
    writeAll(wd, empty);
    ManageCustomJobForm form;
    QCOMPARE(combo(form, "cmbEcu")->count(), 0);
    {
        QStringList shown;
        ModalAnswerer answerer(createJobAnswer(true, QString(), QString(), &shown));
        form.findChild<QPushButton *>("btnNewJob")->click();
        QCOMPARE(shown, (QStringList{"", "SET_1", ""}));
        QCOMPARE(answerer.messages().size(), 1);
        QVERIFY2(answerer.messages().first().startsWith("Choose an ECU first"), qPrintable(answerer.messages().first()));
        QCOMPARE(wd.read("config/customjobs.xml"), empty);
    }
    {
        ModalAnswerer answerer(createJobAnswer(true, "  ", QString(), nullptr));
        form.findChild<QPushButton *>("btnNewJob")->click();
        QCOMPARE(answerer.messages().size(), 1);
        QVERIFY2(answerer.messages().first().startsWith("Choose an ECU first"), qPrintable(answerer.messages().first()));
        QCOMPARE(wd.read("config/customjobs.xml"), empty);
    }
    ModalAnswerer answerer(createJobAnswer(true, "MSV70", QString(), nullptr));
    form.findChild<QPushButton *>("btnNewJob")->click();
    QCOMPARE(answerer.messages(), QStringList());
    QCOMPARE(entries(), QStringList{"MSV70/MW_SELECT_LESEN_NORM/SET_1="});
    QCOMPARE(combo(form, "cmbEcu")->currentText(), QString("MSV70"));
}

void TestManageCustomJobForm::deleteJob()
{
    WorkDir wd;
    writeAll(wd, QByteArray(Store).replace("</customjobs>", "<customjob ecu=\"MSV70\"><jobname>MW_SELECT_LESEN_NORM"
                                                            "</jobname><virtualname>SET_7</virtualname><comment>Seven"
                                                            "</comment><argument>4A13</argument></customjob>"
                                                            "</customjobs>"));
    ModalAnswerer answerer;
    ManageCustomJobForm form;
    choose(form, "MSV70", "Engine");
    form.findChild<QPushButton *>("btnDelJob")->click();
    QCOMPARE(entries(), (QStringList{"D73N57C0/STATUS_BLOCK_LESEN/SET_2=3;JA;ID;0x5A01",
                                     "MSV70/MW_SELECT_LESEN_NORM/SET_7=4A13"}));
    QCOMPARE(combo(form, "cmbEcu")->currentText(), QString("MSV70"));
    QCOMPARE(items(combo(form, "cmbJobs")), QStringList{"Seven"});
    QCOMPARE(column0(form.selectorModel()), QStringList{"4A13"});
    // The ECU's last job: the ECU leaves the list, the table empties.
    form.findChild<QPushButton *>("btnDelJob")->click();
    QCOMPARE(items(combo(form, "cmbEcu")), QStringList{"D73N57C0"});
    QCOMPARE(items(combo(form, "cmbJobs")), QStringList{"Diesel"});
    QCOMPARE(answerer.messages(), QStringList());
}

void TestManageCustomJobForm::tableButtonOpensBrowserEachClick()
{
    WorkDir wd;
    writeAll(wd);
    MainWindow w(args("simulation"));
    ManageCustomJobForm *form = openFromMainWindow(w);
    QVERIFY(form);
    choose(*form, "D73N57C0", "Diesel");
    form->findChild<QPushButton *>("pushButton")->click();
    form->findChild<QPushButton *>("pushButton")->click();
    QList<PRGTableTest *> browsers;
    for (QMdiSubWindow *sub : w.mdi()->subWindowList()) {
        if (auto *b = qobject_cast<PRGTableTest *>(sub->widget()))
            browsers << b;
    }
    QCOMPARE(browsers.size(), 2);
    QVERIFY(browsers.at(0)->isVisible());
    QCOMPARE(browsers.at(1)->findChild<QComboBox *>("cmdTableName")->currentText(), QString("SG_FUNKTIONEN"));
    // A double click in the sub-window reaches the custom-job window.
    QVERIFY(doubleClickBrowserRow(browsers.at(1), "ITMOT"));
    QCOMPARE(storedArguments("D73N57C0", "SET_2"), QString("3;JA;ID;0x5A01;0x5A02"));
    QCOMPARE(column0(form->selectorModel()), (QStringList{"0x5A01", "0x5A02"}));
}

void TestManageCustomJobForm::tableButtonNeedsAJobWithATable()
{
    // "Table..." opens the chosen job's table to pick its values from:
    // without a job, or for a job that takes none from a table, it says so
    // and opens nothing.
    WorkDir wd;
    writeAll(wd, "<customjobs><customjob ecu=\"GS19D\"><jobname>STATUS_LMM</jobname><virtualname>C</virtualname>"
                 "<comment>no table</comment><argument>x</argument></customjob></customjobs>");
    ModalAnswerer answerer;
    ManageCustomJobForm form;
    QSignalSpy opened(&form, &ManageCustomJobForm::tableBrowserOpened);
    choose(form, "GS19D", "no table");
    form.findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(answerer.messages(), QStringList{"The job STATUS_LMM takes no selectors from a table."});
    answerer.clear();
    QVERIFY(wd.write("config/customjobs.xml", "<customjobs/>"));
    ManageCustomJobForm none;
    QSignalSpy openedByNone(&none, &ManageCustomJobForm::tableBrowserOpened);
    QCOMPARE(combo(none, "cmbJobs")->count(), 0);
    none.findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(answerer.messages(), QStringList{"Choose a custom job first."});
    QCOMPARE(opened.count() + openedByNone.count(), 0);
}

void TestManageCustomJobForm::startJobTwiceOneWindow()
{
    WorkDir wd;
    writeAll(wd);
    LogCapture log("customjobform");
    MainWindow w(args("simulation"));
    ManageCustomJobForm *form = openFromMainWindow(w);
    QVERIFY(form);
    choose(*form, "MSV70", "Engine");
    form->findChild<QPushButton *>("pushButton_2")->click();
    form->findChild<QPushButton *>("pushButton_2")->click();
    QCOMPARE(w.plotWindows().size(), 1);
    QCOMPARE(JobQueue::instance()->jobCount(), 1);
    QCOMPARE(log.count("FATAL can't add job"), 1);
    const CJob &plotted = w.plotWindows().first()->job();
    QCOMPARE(Latin1::toQString(plotted.virtualName), QString("SET_1"));
    QCOMPARE(Latin1::toQString(plotted.arguments), QString("4A104A11"));
}

void TestManageCustomJobForm::twoWindowsKeepBothSelectors()
{
    WorkDir wd;
    writeAll(wd);
    ManageCustomJobForm first;
    ManageCustomJobForm second;
    choose(first, "MSV70", "Engine");
    choose(second, "MSV70", "Engine");
    first.onTableDoubleClicked("MSV70", "BETRIEBSWTAB",
                               browserRow({"0x4A12", "0x0012", "AFSCD_MAIRPERCYL", "", "mg"}));
    second.onTableDoubleClicked("MSV70", "BETRIEBSWTAB", browserRow({"0x4A13", "0x0013", "BPSCD_pOutVal", "", "hPa"}));
    QCOMPARE(storedArguments("MSV70", "SET_1"), QString("4A104A114A124A13"));
    QCOMPARE(column0(second.selectorModel()), (QStringList{"4A10", "4A11", "4A12", "4A13"}));
    // A removal in the first window keeps what the second added.
    first.show();
    pressKeyOnRow(first, 0, Qt::Key_Delete);
    QCOMPARE(storedArguments("MSV70", "SET_1"), QString("4A114A124A13"));
}

void TestManageCustomJobForm::jobDeletedMeanwhileIsReported()
{
    WorkDir wd;
    writeAll(wd);
    ModalAnswerer answerer;
    ManageCustomJobForm first;
    ManageCustomJobForm second;
    choose(first, "MSV70", "Engine");
    choose(second, "MSV70", "Engine");
    first.findChild<QPushButton *>("btnDelJob")->click();
    const QByteArray afterDelete = wd.read("config/customjobs.xml");
    second.onTableDoubleClicked("MSV70", "BETRIEBSWTAB",
                                browserRow({"0x4A12", "0x0012", "AFSCD_MAIRPERCYL", "", "mg"}));
    QCOMPARE(answerer.messages().size(), 1);
    QVERIFY2(answerer.messages().first().contains("SET_1"), qPrintable(answerer.messages().first()));
    QCOMPARE(wd.read("config/customjobs.xml"), afterDelete);
    // The window shows what the file holds.
    QCOMPARE(items(combo(second, "cmbEcu")), QStringList{"D73N57C0"});
}

void TestManageCustomJobForm::brokenStoreRefusesEveryChange()
{
    const QByteArray broken = "<customjobs><customjob ecu=\"MSV70\"><jobname>MW_SELECT_LESEN_NORM</jobname>";
    {
        // Broken from the start: nothing listed.
        WorkDir wd;
        writeAll(wd, broken);
        ModalAnswerer answerer(createJobAnswer(true, "MSV70", "SET_5", nullptr));
        ManageCustomJobForm form;
        QCOMPARE(combo(form, "cmbEcu")->count(), 0);
        form.findChild<QPushButton *>("btnNewJob")->click();
        QCOMPARE(answerer.messages().size(), 1);
        QVERIFY(answerer.messages().first().contains("not valid XML"));
        QCOMPARE(wd.read("config/customjobs.xml"), broken);
    }
    // Broken while the window is open: each change is refused with a
    // message, the window reloads to what the file holds (nothing).
    using Change = std::function<void(ManageCustomJobForm &)>;
    const QList<Change> changes = {
        [](ManageCustomJobForm &f) {
            f.onTableDoubleClicked("MSV70", "BETRIEBSWTAB",
                                   browserRow({"0x4A12", "0x0012", "AFSCD_MAIRPERCYL", "", "mg"}));
        },
        [](ManageCustomJobForm &f) {
            f.show();
            pressKeyOnRow(f, 0, Qt::Key_Delete);
        },
        [](ManageCustomJobForm &f) { f.findChild<QPushButton *>("btnNewJob")->click(); },
        [](ManageCustomJobForm &f) { f.findChild<QPushButton *>("btnDelJob")->click(); },
    };
    for (int i = 0; i < changes.size(); ++i) {
        WorkDir wd;
        writeAll(wd);
        ModalAnswerer answerer(createJobAnswer(true, "MSV70", "SET_5", nullptr));
        ManageCustomJobForm form;
        choose(form, "MSV70", "Engine");
        QVERIFY(wd.write("config/customjobs.xml", broken));
        changes.at(i)(form);
        QCOMPARE(answerer.messages().size(), 1);
        QVERIFY2(answerer.messages().first().contains("not valid XML"), qPrintable(answerer.messages().first()));
        QCOMPARE(wd.read("config/customjobs.xml"), broken);
        QCOMPARE(combo(form, "cmbEcu")->count(), 0);
        QCOMPARE(form.selectorModel()->rowCount(), 0);
    }
}

void TestManageCustomJobForm::unreadStoreSaidAndTakenAgain_data()
{
    // How the file fails to read, and how it is mended.
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("mend");
    QTest::addColumn<QString>("said");
    QTest::newRow("broken at open, written anew") << "broken" << "in place" << "not valid XML";
    QTest::newRow("broken at open, replaced") << "broken" << "replace" << "not valid XML";
    QTest::newRow("no folder at open, made") << "missing" << "in place" << "cannot be read";
    QTest::newRow("broken by a refused change") << "refused change" << "replace" << "not valid XML";
}

void TestManageCustomJobForm::unreadStoreSaidAndTakenAgain()
{
    QFETCH(QString, failure);
    QFETCH(QString, mend);
    QFETCH(QString, said);
    const QByteArray broken = "<customjobs><customjob ecu=\"MSV70\"><jobname>MW_SELECT_LESEN_NORM</jobname>";
    WorkDir wd;
    writeAll(wd, failure == "missing" ? QByteArray() : failure == "broken" ? broken : Store);
    ModalAnswerer answerer;
    KelvoSettings::open()->setValue("windows/lastPlotEcu", "MSV70");
    ManageCustomJobForm form;
    QLabel *problem = form.findChild<QLabel *>("lblStoreProblem");
    QVERIFY(problem);
    QVERIFY(problem->isHidden() == (failure == "refused change"));
    if (failure == "refused change") {
        choose(form, "MSV70", "Engine");
        QVERIFY(wd.write("config/customjobs.xml", broken));
        form.onTableDoubleClicked("MSV70", "BETRIEBSWTAB",
                                  browserRow({"0x4A12", "0x0012", "AFSCD_MAIRPERCYL", "", "mg"}));
        QCOMPARE(answerer.messages().size(), 1);
    }
    // The window says why it shows nothing.
    QVERIFY(!problem->isHidden());
    QVERIFY2(problem->text().contains("config/customjobs.xml") && problem->text().contains(said),
             qPrintable(problem->text()));
    QCOMPARE(combo(form, "cmbEcu")->count(), 0);

    if (mend == "replace") {
        SafeFile file("config/customjobs.xml");
        QVERIFY(file.write(Store));
    } else {
        QVERIFY(wd.write("config/customjobs.xml", Store));
    }
    // Once the file reads the jobs are back, the last plotted ECU chosen.
    QTRY_COMPARE_WITH_TIMEOUT(items(combo(form, "cmbEcu")), (QStringList{"D73N57C0", "MSV70"}), 20000);
    QVERIFY(problem->isHidden());
    QCOMPARE(combo(form, "cmbEcu")->currentText(), QString("MSV70"));
    QCOMPARE(column0(form.selectorModel()), (QStringList{"4A10", "4A11"}));
    QCOMPARE(wd.read("config/customjobs.xml"), Store);
}

void TestManageCustomJobForm::hostileTables()
{
    // Short lines and cells with TAB or LF do not crash the selector table;
    // a job whose table lacks the selector column shows no rows.
    WorkDir wd;
    writeAll(wd, "<customjobs>"
                 "<customjob ecu=\"MSV70\"><jobname>MW_SELECT_LESEN_NORM</jobname><virtualname>A</virtualname>"
                 "<comment>tabs</comment><argument>4A144A154A10</argument></customjob>"
                 "<customjob ecu=\"GS19D\"><jobname>MW_SELECT_LESEN_NORM</jobname><virtualname>B</virtualname>"
                 "<comment>no column</comment><argument>0001</argument></customjob>"
                 "<customjob ecu=\"GS19D\"><jobname>STATUS_LMM</jobname><virtualname>C</virtualname>"
                 "<comment>no table</comment><argument>x</argument></customjob>"
                 "</customjobs>");
    LogCapture log("customjobform");
    ManageCustomJobForm form;
    choose(form, "MSV70", "tabs");
    QCOMPARE(form.selectorModel()->rowCount(), 3);
    // The TAB line and the two halves of the LF line.
    QVERIFY(log.contains("WARN table BETRIEBSWTAB of MSV70: 3 lines with another cell count"));
    // The lines of 4A14 and 4A15 are no rows: the selectors are held but
    // not in a row, so their rows stay empty.
    QCOMPARE(modelRow(form.selectorModel(), 0), (QStringList{"", "", "", ""}));
    QCOMPARE(modelRow(form.selectorModel(), 1), (QStringList{"", "", "", ""}));
    QCOMPARE(modelRow(form.selectorModel(), 2).first(), QString("4A10"));
    choose(form, "GS19D", "no column");
    QCOMPARE(form.selectorModel()->rowCount(), 0);
    choose(form, "GS19D", "no table");
    QCOMPARE(form.selectorModel()->rowCount(), 0);
    // A Delete on a table without rows, a double click while no row lines up.
    form.show();
    pressKeyOnRow(form, 0, Qt::Key_Delete);
    form.onTableDoubleClicked("GS19D", "BETRIEBSWTAB", browserRow({"0x0001", "X"}));
    QCOMPARE(storedArguments("GS19D", "C"), QString("x"));
}

void TestManageCustomJobForm::failedWriteKeepsOldFile()
{
    WorkDir wd;
    writeAll(wd);
    QProcess child;
    child.setWorkingDirectory(wd.path());
    child.start(QCoreApplication::applicationFilePath(), {"--child-adds-under-file-size-limit"});
    QVERIFY(child.waitForFinished(30000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), 0);
    const QByteArray printed = child.readAllStandardOutput();
    const QList<QByteArray> out = printed.trimmed().split('\n');
    QVERIFY2(out.size() == 2, (printed + child.readAllStandardError().right(2000)).constData());
    QVERIFY2(out.at(0).contains("Can't save to config/customjobs.xml"), out.at(0).constData());
    // The window shows the file's selectors again, not the one that failed.
    QCOMPARE(out.at(1), QByteArray("rows:2"));
    QCOMPARE(wd.read("config/customjobs.xml"), Store);
    QCOMPARE(QDir(wd.filePath("config")).entryList(QDir::Files | QDir::Hidden), QStringList{"customjobs.xml"});
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "--child-adds-under-file-size-limit")
        return childAddsUnderFileSizeLimit();
    TestManageCustomJobForm test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_managecustomjobform.moc"
