// The data-logger window as a user meets it: the main window in simulation,
// plot windows from createPlotWindow, finished jobs through the job receiver
// in its own thread, and the CSV files and side files on disk.
#include "bivtopoconverter.h"
#include "childwidget.h"
#include "datalogger.h"
#include "dataloggerset.h"
#include "filesizelimit.h"
#include "globaljobreceiver.h"
#include "loggingresulttableview.h"
#include "loggingwindow.h"
#include "loggingwindowhost.h"
#include "lreleasetool.h"
#include "mainwindow.h"
#include "mdiarea.h"
#include "plotwidget.h"
#include "plotwidgetcontainer.h"
#include "plotwindow.h"
#include "plotwindowfeed.h"
#include "resulttablemodel.h"
#include "resulttableview.h"
#include "threadcall.h"
#include "translationmgr.h"
#include "workdir.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDomDocument>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QtTest>

#include <atomic>
#include <csignal>
#include <cstring>
#include <memory>
#include <sys/resource.h>
#include <thread>

class TestLoggingWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void formAsBuilt();
    void resultTableSpaceAndFilter();
    void noPlotWindowNoFile();
    void twoCurvesInTwoWindows();
    void columnTexts();
    void plotWithoutCurvesAddsNothing();
    void closingLastPlotWindowWhileLogging();
    void curveAddedWhileLoggingStartsSecondFile();
    void syncJobWithFillWritesNoLineOfItsOwn();
    void jobsOfOneNameOnTwoEcus();
    void ruleWatchesItsOwnEcusValue();
    void returnSetsMarker();
    void commaWithCommaSeparatorRefused();
    void ruleStartsAndStopsFiles();
    void ruleBoundThatIsNoNumberRefused();
    void presetsTickRowsAndLeaveColumns();
    void invalidPresetFileNotOverwritten();
    void settingsRoundTrip();
    void badStoredSettingsGiveDefaults_data();
    void badStoredSettingsGiveDefaults();
    void folderBelowPlainFileReported();
    void fullDiskStopsWithEarlierLines_data();
    void fullDiskStopsWithEarlierLines();
    void linesSavedStayAfterStop_data();
    void linesSavedStayAfterStop();
    void openedByF1AndDataLogButton();
    void closingMainWindowWhileLoggingLeavesWholeFile();
    void startAndStopDuringJobStream();

private:
    std::unique_ptr<WorkDir> catalogue;
};

namespace {
QStringList simulation()
{
    return {QStringLiteral("kelvo"), QStringLiteral("simulation")};
}

struct Curve
{
    const char *name;
    const char *display;
    bool plotted = true;
    double value = 0.0;
};

ResultTableModel *tableOf(PlotWindow &p)
{
    return p.findChild<ResultTableView *>("tableView")->tableModel();
}

// Ticks a result's row in the plot window's table, as the user does.
void tick(PlotWindow &p, const char *result)
{
    ResultTableModel *model = tableOf(p);
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->userData(r, 0).value<CJobResult>().name == result)
            model->setCellData(r, 0, Qt::Checked, Qt::CheckStateRole);
}

// A plot window for a job: its first job fills the table, then the rows
// of the plotted results are ticked.
PlotWindow &plotWindow(MainWindow &w, const char *ecu, const char *job, const QList<Curve> &results)
{
    CJob j(ecu, job);
    j.jobTitle = std::string(job) + " title";
    PlotWindow &p = w.createPlotWindow(j);
    p.show();
    QList<PlotWindowFeed::Value> values;
    for (const Curve &c : results)
        values << PlotWindowFeed::Value{c.name, 8, c.value};
    CJob first = PlotWindowFeed::makeJob(ecu, job, values);
    for (int i = 0; i < results.size(); ++i)
        first.results[i].displayName = results.at(i).display;
    PlotWindowFeed::send(first);
    if (!QTest::qWaitFor([&p, &results] { return tableOf(p)->rowCount() == results.size(); }, 5000))
        qWarning("the plot window's table was not filled");
    for (const Curve &c : results)
        if (c.plotted)
            tick(p, c.name);
    return p;
}

LoggingWindow *openLogger(MainWindow &w)
{
    w.findChild<QAction *>(QStringLiteral("actionLogging"))->trigger();
    return w.lastLoggingWindow();
}

template <class T> T *in(LoggingWindow *lw, const char *name)
{
    return childWidget<T>(*lw, name);
}

QStringList texts(QListWidget *list)
{
    QStringList all;
    for (int i = 0; i < list->count(); ++i)
        all << list->item(i)->text();
    return all;
}

void send(const char *ecu, const char *job, const QList<PlotWindowFeed::Value> &values)
{
    PlotWindowFeed::send(PlotWindowFeed::makeJob(ecu, job, values));
}

QStringList warnings(LoggingWindow *lw)
{
    QStringList all;
    for (QMessageBox *box : lw->findChildren<QMessageBox *>())
        all << box->text();
    return all;
}

QStringList csvFiles(const QString &dir = QStringLiteral("."))
{
    return QDir(dir).entryList({QStringLiteral("*.csv")}, QDir::Files, QDir::Name);
}

QList<QByteArray> csvLines(const QString &file)
{
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QByteArray all = f.readAll();
    if (all.endsWith("\r\n"))
        all.chop(2);
    return all.split('\n');
}

// Starts by the button and waits until the logger said so.
void start(LoggingWindow *lw)
{
    QTest::mouseClick(in<QPushButton>(lw, "btnExec"), Qt::LeftButton);
    QTRY_VERIFY(lw->isLogging());
}

void stop(LoggingWindow *lw)
{
    QCOMPARE(in<QPushButton>(lw, "btnExec")->text(), QString("Stop"));
    QTest::mouseClick(in<QPushButton>(lw, "btnExec"), Qt::LeftButton);
    QTRY_VERIFY(!lw->isLogging());
}

void chooseTab(LoggingWindow *lw, const char *tab)
{
    auto *tabs = in<QTabWidget>(lw, "tabWidget");
    tabs->setCurrentWidget(in<QWidget>(lw, tab));
}

// Sets the rule's range over the first logged value.
void armRule(LoggingWindow *lw, const QString &min, const QString &max)
{
    in<QCheckBox>(lw, "chkRuleEnable")->setChecked(true);
    chooseTab(lw, "tabRules");
    in<QLineEdit>(lw, "txtMin")->setText(min);
    in<QLineEdit>(lw, "txtMax")->setText(max);
}

// Waits until the logger thread has handled everything handed to it so far.
void drain(LoggingWindow *lw)
{
    QTest::qWait(20);
    std::atomic<bool> done{false};
    ThreadCall::run(lw->dataLogger(), [&done] { done = true; });
    QTRY_VERIFY(done.load());
}

// A window without a main window around it goes at once when closed, while
// the test's working directory (where it writes its settings) is still there.
void closeNow(LoggingWindow *lw)
{
    QPointer<LoggingWindow> window(lw);
    QVERIFY(lw->close());
    QTRY_VERIFY(window.isNull());
}

// A line's cells under the header's titles.
QMap<QString, QString> cellsOf(const QByteArray &header, const QByteArray &line)
{
    const QList<QByteArray> titles = header.trimmed().split(',');
    const QList<QByteArray> cells = line.trimmed().split(',');
    QMap<QString, QString> all;
    for (int i = 1; i < titles.size(); ++i)
        all.insert(QString::fromLatin1(titles.at(i)), i < cells.size() ? QString::fromLatin1(cells.at(i)) : "?");
    return all;
}

QListWidgetItem *itemOf(QListWidget *list, const QString &text)
{
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    return found.size() == 1 ? found.first() : nullptr;
}

// Logs a job of MSV70's, one of D73N57C0's and one more of MSV70's (all
// "MW"), waits for that many lines; the lines, cells by title.
void logThreeJobsOfTwoEcus(LoggingWindow *lw, int lineCount, QList<QMap<QString, QString>> &rows)
{
    rows.clear();
    start(lw);
    const QString file = lw->dataLogger()->fileName();
    send("MSV70", "MW", {{"ENG", 8, 3000}, {"TCLNT", 8, 90}});
    send("D73N57C0", "MW", {{"ENG", 8, 800}, {"TCLNT", 8, 20}, {"SPEED", 8, 50}});
    send("MSV70", "MW", {{"ENG", 8, 3100}, {"TCLNT", 8, 91}});
    QTRY_COMPARE(lw->dataLogger()->lineCount(), lineCount);
    drain(lw);
    stop(lw);
    const QList<QByteArray> lines = csvLines(file);
    for (int i = 1; i < lines.size(); ++i)
        rows << cellsOf(lines.first(), lines.at(i));
}

int rowOf(LoggingResultTableView *table, const QString &result)
{
    const QList<LoggingResultTableView::Row> rows = table->rows();
    for (int r = 0; r < rows.size(); ++r)
        if (rows.at(r).result == result)
            return r;
    return -1;
}

class FakeHost : public LoggingWindowHost
{
public:
    QList<PlotWindow *> plotWindows() override { return {}; }
    bool connectJobListener(QObject *) override { return true; }
};
} // namespace

void TestLoggingWindow::initTestCase()
{
    QVERIFY2(!LReleaseTool::path().isEmpty(), "lrelease (qttools5-dev-tools) is needed");
    catalogue = std::make_unique<WorkDir>();
    const QString base = "translations/jobs_all_en_EN";
    // "-" for the upper-cased name sends the look-up to the name as it is.
    QVERIFY(catalogue->write(base + ".txt", "STAT_RPM_WERT\tRES_S\tRPM\n"
                                            "STAT_MIXED_WERT\tRES_S\t-\n"
                                            "Stat_Mixed_Wert\tRES_S\tMixed\n"));
    BivToPoConverter conv;
    conv.convert(catalogue->filePath(base + ".txt"), catalogue->filePath(base + ".po"));
    QString log;
    QVERIFY2(LReleaseTool::compile(catalogue->filePath(base + ".po"), catalogue->filePath(base + ".qm"), &log),
             qPrintable(log));
    QVERIFY(TranslationMgr::instance()->isLoaded());
}

void TestLoggingWindow::cleanupTestCase()
{
    catalogue.reset();
}

void TestLoggingWindow::formAsBuilt()
{
    WorkDir wd;
    FakeHost host;
    auto *lw = new LoggingWindow(nullptr, &host);
    QCOMPARE(lw->windowTitle(), QString("Data Logger"));
    QVERIFY(lw->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(in<QLabel>(lw, "labelFileName")->text(), QString("Not saving"));
    QCOMPARE(in<QLabel>(lw, "labelLinesCount")->text(), QString("0"));
    QCOMPARE(in<QPushButton>(lw, "btnExec")->text(), QString("Start datalog"));
    auto *tabs = in<QTabWidget>(lw, "tabWidget");
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles << tabs->tabText(i);
    QCOMPARE(titles, (QStringList{"Data", "Basic Setup", "Sync jobs", "Rules"}));
    QCOMPARE(tabs->currentWidget(), in<QWidget>(lw, "tab"));
    QVERIFY(!in<QWidget>(lw, "tabJobData")->isEnabled());
    auto items = [lw](const char *combo) {
        QStringList all;
        auto *box = in<QComboBox>(lw, combo);
        for (int i = 0; i < box->count(); ++i)
            all << box->itemText(i) + "=" + box->itemData(i).toString();
        return all;
    };
    QCOMPARE(items("cmdTimeFormat"), (QStringList{"Milliseconds=0", "Time in seconds=1", "Current time=2",
                                                   "System time milliseconds=3"}));
    QCOMPARE(items("cmbCSVSep"), (QStringList{"Semi-colon=0", "Comma=1", "Tab=2"}));
    QCOMPARE(items("cmdParamDisplay"), (QStringList{"Original=", "Translated=", "Result name="}));
    auto *table = in<LoggingResultTableView>(lw, "tableView");
    QStringList headers;
    for (int c = 0; c < table->sourceModel()->columnCount(); ++c)
        headers << table->sourceModel()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"Source", "Job", "Result", "Value"}));
    closeNow(lw);
}

void TestLoggingWindow::resultTableSpaceAndFilter()
{
    LoggingResultTableView table;
    CJob a = PlotWindowFeed::makeJob("E1", "JOB_A", {{"RA", 8, 1.5}, {"RB", 8, 2}});
    CJob b = PlotWindowFeed::makeJob("E2", "JOB_B", {{"RC", 8, 3}});
    table.fill({a, b});
    table.show();
    QCOMPARE(table.sourceModel()->rowCount(), 3);
    QCOMPARE(table.sourceModel()->item(0, 3)->text(), QString("1.5"));
    // Space toggles every selected row, in the shown order whatever the filter.
    table.setFilterText("r[ac]");
    QCOMPARE(table.proxyModel()->rowCount(), 2);
    table.selectAll();
    QTest::keyClick(&table, Qt::Key_Space);
    QVERIFY(table.isChecked(0) && !table.isChecked(1) && table.isChecked(2));
    QCOMPARE(table.checkedShownRows().size(), 2);
    QCOMPARE(table.checkedShownRows().at(1).ecu, QString("E2"));
    table.selectRow(0);
    QTest::keyClick(&table, Qt::Key_Space);
    QVERIFY(!table.isChecked(0) && table.isChecked(2));
    QTest::keyClick(&table, Qt::Key_A);
    QVERIFY(!table.isChecked(0));
    // A pattern that is no valid expression filters by its plain text.
    table.setFilterText("[");
    QCOMPARE(table.proxyModel()->rowCount(), 0);
    table.setFilterText("");
    QCOMPARE(table.proxyModel()->rowCount(), 3);
}

void TestLoggingWindow::noPlotWindowNoFile()
{
    WorkDir wd;
    MainWindow w(simulation());
    LoggingWindow *lw = openLogger(w);
    QVERIFY(lw);
    QCOMPARE(in<QListWidget>(lw, "listResultNames")->count(), 0);
    QTest::mouseClick(in<QPushButton>(lw, "btnExec"), Qt::LeftButton);
    QCOMPARE(warnings(lw), QStringList{"No results selected !"});
    QTest::qWait(50);
    QVERIFY(!lw->isLogging());
    QCOMPARE(in<QPushButton>(lw, "btnExec")->text(), QString("Start datalog"));
    QVERIFY(csvFiles().isEmpty());
}

void TestLoggingWindow::twoCurvesInTwoWindows()
{
    WorkDir wd;
    MainWindow w(simulation());
    LoggingWindow *lw = openLogger(w);
    plotWindow(w, "ECU1", "JOB_A", {{"RA", "Value A"}});
    plotWindow(w, "ECU2", "JOB_B", {{"RB", "Value B"}});
    QCOMPARE(texts(in<QListWidget>(lw, "listResultNames")), (QStringList{"Value A", "Value B"}));

    start(lw);
    const QString file = lw->dataLogger()->fileName();
    QCOMPARE(in<QLabel>(lw, "labelFileName")->text(), "Saving 2 values to " + file);
    QCOMPARE(in<QPushButton>(lw, "btnExec")->text(), QString("Stop"));
    for (int i = 0; i < 10; ++i) {
        send("ECU1", "JOB_A", {{"RA", 8, 1.5 + i}});
        send("ECU2", "JOB_B", {{"RB", 8, 100.0 + i}});
    }
    QTRY_COMPARE(lw->dataLogger()->lineCount(), 20);
    QTRY_COMPARE(in<QLabel>(lw, "labelLinesCount")->text(), QString("20"));
    stop(lw);
    QCOMPARE(in<QLabel>(lw, "labelFileName")->text(), "Saved:" + file);
    QCOMPARE(in<QPushButton>(lw, "btnExec")->text(), QString("Start"));

    const QList<QByteArray> lines = csvLines(file);
    QCOMPARE(lines.size(), 21);
    QCOMPARE(lines.first(), QByteArray("time,Value A,Value B\r"));
    // Fill off: each job fills its own column.
    QVERIFY2(lines.at(1).endsWith(",1.5,\r"), lines.at(1));
    QVERIFY2(lines.at(20).endsWith(",,109"), lines.at(20));

    QFile info(file + ".info");
    QVERIFY(info.open(QIODevice::ReadOnly));
    QDomDocument doc;
    QVERIFY(doc.setContent(&info));
    const QDomNodeList columns = doc.elementsByTagName("column");
    QCOMPARE(columns.size(), 2);
    QCOMPARE(columns.at(0).firstChildElement("ecu").text(), QString("ECU1"));
    QCOMPARE(columns.at(0).firstChildElement("jobname").text(), QString("JOB_A"));
    QCOMPARE(columns.at(1).firstChildElement("jobname").text(), QString("JOB_B"));
    QCOMPARE(columns.at(1).firstChildElement("resultname").text(), QString("Value B"));
    QCOMPARE(doc.elementsByTagName("CSVSeparator").at(0).toElement().text(), QString(","));
}

void TestLoggingWindow::columnTexts()
{
    WorkDir wd;
    MainWindow w(simulation());
    plotWindow(w, "ECU1", "JOB_A", {{"STAT_RPM_WERT", "Engine speed"}, {"Stat_Mixed_Wert", "Mixed long"}});
    plotWindow(w, "ECU1", "JOB_B", {{"STAT_NONE", "No text"}, {"STAT_BARE", ""}});
    LoggingWindow *lw = openLogger(w);
    // A result with a short text, one whose upper-cased name answers "-"
    // (then the name as it is counts), one without any, and one whose plot
    // carries no display name. Plots are in result-name order within their
    // window (upper case first).
    const struct
    {
        int mode;
        QStringList titles;
    } modes[] = {
        {2, {"STAT_RPM_WERT", "Stat_Mixed_Wert", "STAT_BARE", "STAT_NONE"}},
        {1, {"RPM", "Mixed", "STAT_BARE", "STAT_NONE"}},
        {0, {"Engine speed", "Mixed long", "STAT_BARE", "No text"}},
    };
    auto *mode = in<QComboBox>(lw, "cmdParamDisplay");
    for (const auto &m : modes) {
        mode->setCurrentIndex(m.mode);
        QMetaObject::invokeMethod(mode, "activated", Q_ARG(int, m.mode));
        QCOMPARE(texts(in<QListWidget>(lw, "listResultNames")), m.titles);
        drain(lw);
        QStringList logged;
        for (const CJobResultPair &pair : lw->dataLogger()->saveFilter())
            logged << QString::fromLatin1(pair.resultDisplayName.c_str());
        QCOMPARE(logged, m.titles);
    }
    QCOMPARE(lw->saveFilter().at(1).resultName, std::string("Stat_Mixed_Wert"));
    QCOMPARE(lw->saveFilter().at(2).job.getDisplayName(), QString("JOB_B"));
}

void TestLoggingWindow::plotWithoutCurvesAddsNothing()
{
    WorkDir wd;
    MainWindow w(simulation());
    PlotWindow &p = plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}});
    // A plot whose curve is not there (yet): nothing to log from it.
    auto *empty = new PlotWidgetContainer(&p);
    p.plotWidgets().insert("AAA_EMPTY", empty);
    LoggingWindow *lw = openLogger(w);
    QCOMPARE(texts(in<QListWidget>(lw, "listResultNames")), QStringList{"A"});
    start(lw);
    QCOMPARE(in<QLabel>(lw, "labelFileName")->text(), "Saving 1 values to " + lw->dataLogger()->fileName());
    stop(lw);
    p.plotWidgets().remove("AAA_EMPTY");
    delete empty;
}

void TestLoggingWindow::closingLastPlotWindowWhileLogging()
{
    WorkDir wd;
    MainWindow w(simulation());
    PlotWindow &p = plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}});
    LoggingWindow *lw = openLogger(w);
    start(lw);
    send("ECU1", "JOB_A", {{"RA", 8, 7}});
    QTRY_COMPARE(lw->dataLogger()->lineCount(), 1);
    const QString file = lw->dataLogger()->fileName();
    QMdiSubWindow *sub = qobject_cast<QMdiSubWindow *>(p.parentWidget());
    w.mdi()->setActiveSubWindow(sub);
    sub->close();
    QTRY_VERIFY(w.plotWindows().isEmpty());
    QTRY_COMPARE(in<QListWidget>(lw, "listResultNames")->count(), 0);
    QVERIFY(lw->isLogging());
    stop(lw);
    QCOMPARE(in<QLabel>(lw, "labelFileName")->text(), "Saved:" + file);
    QCOMPARE(csvLines(file).size(), 2);
}

void TestLoggingWindow::curveAddedWhileLoggingStartsSecondFile()
{
    WorkDir wd;
    MainWindow w(simulation());
    PlotWindow &p = plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}, {"RB", "B", false}});
    LoggingWindow *lw = openLogger(w);
    start(lw);
    const QString first = lw->dataLogger()->fileName();
    send("ECU1", "JOB_A", {{"RA", 8, 1}, {"RB", 8, 2}});
    QTRY_COMPARE(lw->dataLogger()->lineCount(), 1);
    tick(p, "RB");
    QCOMPARE(texts(in<QListWidget>(lw, "listResultNames")), (QStringList{"A", "B"}));
    send("ECU1", "JOB_A", {{"RA", 8, 3}, {"RB", 8, 4}});
    QTRY_VERIFY(lw->dataLogger()->fileName() != first);
    const QString second = lw->dataLogger()->fileName();
    QTRY_COMPARE(in<QLabel>(lw, "labelFileName")->text(), "Saving 2 values to " + second);
    QVERIFY(lw->isLogging());
    stop(lw);
    const QList<QByteArray> one = csvLines(first);
    QCOMPARE(one.size(), 2);
    QCOMPARE(one.first(), QByteArray("time,A\r"));
    const QList<QByteArray> two = csvLines(second);
    QCOMPARE(two.size(), 2);
    QCOMPARE(two.first(), QByteArray("time,A,B\r"));
    QVERIFY2(two.at(1).endsWith(",3,4"), two.at(1));
}

void TestLoggingWindow::syncJobWithFillWritesNoLineOfItsOwn()
{
    WorkDir wd;
    MainWindow w(simulation());
    plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}});
    plotWindow(w, "ECU1", "JOB_B", {{"RB", "B"}});
    LoggingWindow *lw = openLogger(w);
    in<QCheckBox>(lw, "chkFillCols")->setChecked(true);
    chooseTab(lw, "tabSync");
    auto *available = in<QListWidget>(lw, "listSyncJobs");
    auto *selected = in<QListWidget>(lw, "listSelectedSyncJobs");
    QCOMPARE(texts(available), (QStringList{"JOB_B title", "JOB_A title"}));
    QCOMPARE(available->item(0)->data(Qt::UserRole).toString(), QString("JOB_B"));
    QCOMPARE(available->item(0)->toolTip(), QString("JOB_B"));
    // A click moves an entry over, and back.
    for (int i = 0; i < 3; ++i) {
        QListWidget *from = i % 2 ? selected : available;
        const QRect rect = from->visualItemRect(from->item(0));
        QTest::mouseClick(from->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    }
    QCOMPARE(texts(selected), QStringList{"JOB_B title"});
    QCOMPARE(texts(available), QStringList{"JOB_A title"});
    start(lw);
    send("ECU1", "JOB_A", {{"RA", 8, 1}});
    send("ECU1", "JOB_B", {{"RB", 8, 2}});
    send("ECU1", "JOB_A", {{"RA", 8, 3}});
    QTRY_COMPARE(lw->dataLogger()->lineCount(), 2);
    drain(lw);
    const QString file = lw->dataLogger()->fileName();
    stop(lw);
    const QList<QByteArray> lines = csvLines(file);
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines.at(1).endsWith(",1,\r"), lines.at(1));
    QVERIFY2(lines.at(2).endsWith(",3,2"), lines.at(2));
}

// MSV70's and D73N57C0's jobs of one name run together: the engine speed
// and coolant of one, the vehicle speed of the other are logged, each in its
// own columns; the sync list offers the two jobs apart.
void TestLoggingWindow::jobsOfOneNameOnTwoEcus()
{
    WorkDir wd;
    MainWindow w(simulation());
    plotWindow(w, "MSV70", "MW", {{"ENG", "Engine speed"}, {"TCLNT", "Coolant temperature"}});
    plotWindow(w, "D73N57C0", "MW",
               {{"ENG", "Engine speed", false}, {"TCLNT", "Coolant temperature", false}, {"SPEED", "Vehicle speed"}});
    LoggingWindow *lw = openLogger(w);
    QCOMPARE(texts(in<QListWidget>(lw, "listResultNames")).size(), 3);
    chooseTab(lw, "tabSync");
    auto *available = in<QListWidget>(lw, "listSyncJobs");
    QCOMPARE(available->count(), 2);
    QListWidgetItem *other = itemOf(available, "MW title (D73N57C0)");
    QVERIFY(other && itemOf(available, "MW title (MSV70)"));
    QCOMPARE(other->toolTip(), QString("MW (D73N57C0)"));

    using Row = QMap<QString, QString>;
    auto row = [](const char *n, const char *t, const char *v) {
        return Row{{"Engine speed", n}, {"Coolant temperature", t}, {"Vehicle speed", v}};
    };
    QList<Row> lines;
    // Fill off: each job's line carries its own values only.
    logThreeJobsOfTwoEcus(lw, 3, lines);
    QCOMPARE(lines, (QList<Row>{row("3000", "90", ""), row("", "", "50"), row("3100", "91", "")}));

    // Fill on, D73N57C0's job synced: it writes no line of its own (after
    // the first), MSV70's job writes its lines with the other's speed.
    in<QCheckBox>(lw, "chkFillCols")->setChecked(true);
    const QRect rect = available->visualItemRect(other);
    QTest::mouseClick(available->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QCOMPARE(texts(in<QListWidget>(lw, "listSelectedSyncJobs")), QStringList{"MW title (D73N57C0)"});
    QCOMPARE(texts(available), QStringList{"MW title (MSV70)"});
    logThreeJobsOfTwoEcus(lw, 2, lines);
    QCOMPARE(lines, (QList<Row>{row("3000", "90", ""), row("3100", "91", "50")}));
}

// Two ECUs' engine speeds are logged; the rule watches MSV70's: the other
// ECU's value, out of the range, leaves the file open.
void TestLoggingWindow::ruleWatchesItsOwnEcusValue()
{
    WorkDir wd;
    MainWindow w(simulation());
    plotWindow(w, "MSV70", "MW", {{"ENG", "Engine speed"}});
    plotWindow(w, "D73N57C0", "MW", {{"ENG", "Engine speed"}, {"SPEED", "Vehicle speed"}});
    LoggingWindow *lw = openLogger(w);
    // The lists tell the two engine speeds apart.
    QCOMPARE(texts(in<QListWidget>(lw, "listResultNames")),
             (QStringList{"Engine speed (MSV70)", "Engine speed (D73N57C0)", "Vehicle speed"}));
    armRule(lw, "1000", "5000");
    auto *watched = in<QComboBox>(lw, "cmbJobs");
    QCOMPARE(watched->count(), 3);
    watched->setCurrentIndex(watched->findText("Engine speed (MSV70)"));
    QVERIFY(watched->currentIndex() >= 0);
    // Refreshing the tab keeps that choice, not the other ECU's of that name.
    chooseTab(lw, "tab");
    chooseTab(lw, "tabRules");
    QCOMPARE(watched->currentText(), QString("Engine speed (MSV70)"));

    start(lw);
    const QString file = lw->dataLogger()->fileName();
    send("MSV70", "MW", {{"ENG", 8, 3000}});
    send("D73N57C0", "MW", {{"ENG", 8, 800}, {"SPEED", 8, 50}});
    QTRY_COMPARE(lw->dataLogger()->lineCount(), 2);
    drain(lw);
    QCoreApplication::processEvents();
    QVERIFY(lw->isLogging());
    QCOMPARE(lw->dataLogger()->fileName(), file);
    // MSV70's own engine speed out of the range stops it.
    send("MSV70", "MW", {{"ENG", 8, 500}});
    QTRY_VERIFY(!lw->isLogging());
    const QList<QByteArray> lines = csvLines(file);
    QCOMPARE(lines.size(), 3);
    QCOMPARE(cellsOf(lines.first(), lines.at(2)).value("Vehicle speed"), QString("50"));
}

void TestLoggingWindow::returnSetsMarker()
{
    WorkDir wd;
    MainWindow w(simulation());
    plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}});
    LoggingWindow *lw = openLogger(w);
    in<QCheckBox>(lw, "chkMarker")->setChecked(true);
    start(lw);
    send("ECU1", "JOB_A", {{"RA", 8, 1}});
    QTRY_COMPARE(lw->dataLogger()->lineCount(), 1);
    QTest::keyClick(lw, Qt::Key_Return);
    send("ECU1", "JOB_A", {{"RA", 8, 2}});
    QTRY_COMPARE(lw->dataLogger()->lineCount(), 2);
    QTest::keyClick(in<QLineEdit>(lw, "txtLogFIle"), Qt::Key_Enter);
    send("ECU1", "JOB_A", {{"RA", 8, 3}});
    QTRY_COMPARE(lw->dataLogger()->lineCount(), 3);
    const QString file = lw->dataLogger()->fileName();
    stop(lw);
    const QList<QByteArray> lines = csvLines(file);
    QCOMPARE(lines.first(), QByteArray("time,A,MARKER\r"));
    QVERIFY(lines.at(1).endsWith(",1,Marker.0\r"));
    QVERIFY(lines.at(2).endsWith(",2,Marker.1\r"));
    QVERIFY(lines.at(3).endsWith(",3,Marker.2"));
}

void TestLoggingWindow::commaWithCommaSeparatorRefused()
{
    WorkDir wd;
    MainWindow w(simulation());
    plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}});
    LoggingWindow *lw = openLogger(w);
    in<QCheckBox>(lw, "chkComma")->setChecked(true);
    in<QComboBox>(lw, "cmbCSVSep")->setCurrentIndex(1);
    QTest::mouseClick(in<QPushButton>(lw, "btnExec"), Qt::LeftButton);
    QCOMPARE(warnings(lw).size(), 1);
    QVERIFY2(warnings(lw).first().contains("\"Comma\""), qPrintable(warnings(lw).first()));
    QTest::qWait(50);
    QVERIFY(!lw->isLogging());
    QVERIFY(csvFiles().isEmpty());
    // With the semicolon the comma is fine.
    in<QComboBox>(lw, "cmbCSVSep")->setCurrentIndex(0);
    start(lw);
    send("ECU1", "JOB_A", {{"RA", 8, 2.5}});
    QTRY_COMPARE(lw->dataLogger()->lineCount(), 1);
    const QString file = lw->dataLogger()->fileName();
    stop(lw);
    QVERIFY2(csvLines(file).at(1).endsWith(";2,5"), csvLines(file).at(1));
}

void TestLoggingWindow::ruleStartsAndStopsFiles()
{
    WorkDir wd;
    MainWindow w(simulation());
    plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}, {"RB", "B"}});
    LoggingWindow *lw = openLogger(w);
    armRule(lw, "10", "20");
    auto *watched = in<QComboBox>(lw, "cmbJobs");
    QCOMPARE(watched->count(), 2);
    // Each entry goes in at the top.
    QCOMPARE(watched->itemText(0), QString("B"));
    watched->setCurrentIndex(1);
    QCOMPARE(watched->currentText(), QString("A"));
    start(lw);
    const QString first = lw->dataLogger()->fileName();
    send("ECU1", "JOB_A", {{"RA", 8, 15}, {"RB", 8, 99}});
    send("ECU1", "JOB_A", {{"RA", 8, 25}, {"RB", 8, 99}});
    QTRY_VERIFY(!lw->isLogging());
    QCOMPARE(in<QPushButton>(lw, "btnExec")->text(), QString("Start"));
    QCOMPARE(in<QLabel>(lw, "labelFileName")->text(), "Saved:" + first);
    send("ECU1", "JOB_A", {{"RA", 8, 15}, {"RB", 8, 99}});
    QTRY_VERIFY(lw->isLogging());
    QVERIFY(lw->dataLogger()->fileName() != first);
    QCOMPARE(csvFiles().size(), 2);
    QCOMPARE(csvLines(first).size(), 2); // 15 logged, 25 stopped it
    // After the user's Stop the armed rule still opens a file.
    stop(lw);
    send("ECU1", "JOB_A", {{"RA", 8, 15}, {"RB", 8, 99}});
    QTRY_VERIFY(lw->isLogging());
    QCOMPARE(in<QPushButton>(lw, "btnExec")->text(), QString("Stop"));
    QCOMPARE(csvFiles().size(), 3);

    // Closing disarms the rule before the stop: no file after the close.
    QPointer<LoggingWindow> gone(lw);
    lw->parentWidget()->close();
    QTRY_VERIFY(gone.isNull());
    send("ECU1", "JOB_A", {{"RA", 8, 15}, {"RB", 8, 99}});
    QTest::qWait(100);
    QCOMPARE(csvFiles().size(), 3);
}

void TestLoggingWindow::ruleBoundThatIsNoNumberRefused()
{
    WorkDir wd;
    MainWindow w(simulation());
    plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}});
    LoggingWindow *lw = openLogger(w);
    const struct
    {
        const char *min, *max, *named;
    } bounds[] = {{"1O", "20", "Minimum value"}, {"10", "2x", "Maximum value"}};
    for (const auto &b : bounds) {
        armRule(lw, b.min, b.max);
        const int before = warnings(lw).size();
        QTest::mouseClick(in<QPushButton>(lw, "btnExec"), Qt::LeftButton);
        QCOMPARE(warnings(lw).size(), before + 1);
        QVERIFY2(warnings(lw).last().contains(b.named), qPrintable(warnings(lw).last()));
    }
    QTest::qWait(50);
    QVERIFY(!lw->isLogging());
    QVERIFY(!lw->dataLogger()->isRuleActive());
    QVERIFY(csvFiles().isEmpty());
    // An empty bound is 0; without the rule the bounds do not matter.
    armRule(lw, "", "5");
    start(lw);
    stop(lw);
    armRule(lw, "1O", "20");
    in<QCheckBox>(lw, "chkRuleEnable")->setChecked(false);
    start(lw);
    stop(lw);
}

void TestLoggingWindow::presetsTickRowsAndLeaveColumns()
{
    WorkDir wd;
    wd.write("config/datalogger.json",
             R"({"loggingSets": {"Boost": [{"ecu": "ECU1", "job": "JOB_A", "result": "RB"},
                                           {"ecu": "ECU1", "job": "JOB_B", "result": "RC"}]}})");
    {
        QSettings ini("kelvo.ini", QSettings::IniFormat);
        ini.setValue("logging/preset", "Boost");
    }
    MainWindow w(simulation());
    plotWindow(w, "ECU1", "JOB_A", {{"RA", "A", true, 1}, {"RB", "B", false, 2}});
    QTRY_COMPARE(GlobalJobReceiver::instance()->jobs().size(), 1);
    LoggingWindow *lw = openLogger(w);
    auto *table = in<LoggingResultTableView>(lw, "tableView");
    auto ticked = [table] {
        QStringList all;
        for (int r = 0; r < table->sourceModel()->rowCount(); ++r)
            all << table->rows().at(r).job + "." + table->rows().at(r).result + (table->isChecked(r) ? "+" : "-");
        return all;
    };
    // Activated at construction.
    QCOMPARE(in<QComboBox>(lw, "cmbPreset")->currentText(), QString("Boost"));
    QCOMPARE(ticked(), (QStringList{"JOB_A.RA-", "JOB_A.RB+"}));
    QCOMPARE(table->sourceModel()->item(1, 3)->text(), QString("2"));
    // And after the job list changed.
    plotWindow(w, "ECU1", "JOB_B", {{"RC", "C", false, 3}});
    QTRY_COMPARE(table->sourceModel()->rowCount(), 3);
    QTRY_VERIFY(ticked().contains("JOB_B.RC+"));
    QVERIFY(ticked().contains("JOB_A.RB+"));
    const QList<CJobResultPair> columns = lw->saveFilter();
    QCOMPARE(texts(in<QListWidget>(lw, "listResultNames")), QStringList{"A"});

    // Save under a new name: the ticked rows the table shows, in its order.
    table->setChecked(rowOf(table, "RA"), true);
    in<QLineEdit>(lw, "txtFilter")->setText("r[ab]");
    QCOMPARE(table->proxyModel()->rowCount(), 2);
    in<QComboBox>(lw, "cmbPreset")->setEditText("Mine");
    QMetaObject::invokeMethod(lw, "on_pushButton_3_clicked");
    DataLoggerSet set;
    QCOMPARE(set.readFile(), DataLoggerSet::Loaded);
    QCOMPARE(set.presetNames(), (QStringList{"Boost", "Mine"}));
    QCOMPARE(set.presetEntries("Mine").size(), 2);
    QCOMPARE(set.presetEntries("Mine").at(1).toMap().value("result").toString(), QString("RB"));
    QCOMPARE(set.presetEntries("Boost").size(), 2);
    // Saving again under that name replaces it.
    table->setChecked(rowOf(table, "RA"), false);
    QMetaObject::invokeMethod(lw, "on_pushButton_3_clicked");
    set.readFile();
    QCOMPARE(set.presetEntries("Mine").size(), 1);
    auto *presets = in<QComboBox>(lw, "cmbPreset");
    QCOMPARE(presets->count(), 2);
    // Delete.
    presets->setCurrentIndex(presets->findText("Mine"));
    QMetaObject::invokeMethod(lw, "on_btnPresetDel_clicked");
    set.readFile();
    QCOMPARE(set.presetNames(), QStringList{"Boost"});
    QCOMPARE(presets->count(), 1);
    QCOMPARE(presets->currentText(), QString("Boost"));

    // An entry ticks its own ECU's row, not the row of that job and result
    // on another ECU.
    CJob e1 = PlotWindowFeed::makeJob("ECU1", "JOB_A", {{"RB", 8, 1}});
    CJob e2 = PlotWindowFeed::makeJob("E2", "JOB_A", {{"RB", 8, 1}});
    table->fill({e1, e2});
    QMetaObject::invokeMethod(presets, "activated", Q_ARG(QString, "Boost"));
    QVERIFY(table->isChecked(0) && !table->isChecked(1));

    drain(lw);
    QCOMPARE(lw->saveFilter().size(), columns.size());
    QCOMPARE(lw->dataLogger()->filterCount(), 1);
    QCOMPARE(texts(in<QListWidget>(lw, "listResultNames")), QStringList{"A"});
}

void TestLoggingWindow::invalidPresetFileNotOverwritten()
{
    WorkDir wd;
    const QByteArray broken = "{\"loggingSets\": {\"Boost\": [";
    wd.write("config/datalogger.json", broken);
    FakeHost host;
    auto *lw = new LoggingWindow(nullptr, &host);
    QCOMPARE(in<QComboBox>(lw, "cmbPreset")->count(), 0);
    in<QComboBox>(lw, "cmbPreset")->setEditText("Mine");
    QMetaObject::invokeMethod(lw, "on_pushButton_3_clicked");
    QCOMPARE(warnings(lw).size(), 1);
    QVERIFY2(warnings(lw).first().contains("not saved"), qPrintable(warnings(lw).first()));
    QMetaObject::invokeMethod(lw, "on_btnPresetDel_clicked");
    QCOMPARE(warnings(lw).size(), 2);
    QCOMPARE(wd.read("config/datalogger.json"), broken);
    closeNow(lw);
}

void TestLoggingWindow::settingsRoundTrip()
{
    WorkDir wd;
    QDir().mkpath("logs here");
    FakeHost host;
    {
        auto *lw = new LoggingWindow(nullptr, &host);
        // Defaults.
        QCOMPARE(in<QComboBox>(lw, "cmdTimeFormat")->currentIndex(), 1);
        QCOMPARE(in<QComboBox>(lw, "cmbCSVSep")->currentIndex(), 1);
        QCOMPARE(in<QLineEdit>(lw, "txtLogFIle")->text(), QString());
        in<QComboBox>(lw, "cmdTimeFormat")->setCurrentIndex(3);
        in<QComboBox>(lw, "cmbCSVSep")->setCurrentIndex(2);
        in<QLineEdit>(lw, "txtLogFIle")->setText(wd.filePath("logs here"));
        in<QComboBox>(lw, "cmbPrefix")->addItems({"a_", "b_"});
        in<QComboBox>(lw, "cmbPreset")->setEditText("P1");
        closeNow(lw);
    }
    {
        QSettings ini("kelvo.ini", QSettings::IniFormat);
        QCOMPARE(ini.value("logging/timeformat").toInt(), 3);
        QCOMPARE(ini.value("logging/CSVSeparator").toInt(), 2);
        QCOMPARE(ini.value("logging/preset").toString(), QString("P1"));
    }
    auto *lw = new LoggingWindow(nullptr, &host);
    QCOMPARE(in<QComboBox>(lw, "cmdTimeFormat")->currentIndex(), 3);
    QCOMPARE(in<QComboBox>(lw, "cmbCSVSep")->currentIndex(), 2);
    QCOMPARE(in<QLineEdit>(lw, "txtLogFIle")->text(), wd.filePath("logs here"));
    auto *prefix = in<QComboBox>(lw, "cmbPrefix");
    QCOMPARE(prefix->count(), 2);
    QCOMPARE(prefix->itemText(1), QString("b_"));
    QCOMPARE(in<QComboBox>(lw, "cmbPreset")->currentText(), QString("P1"));
    // A folder that has gone shows the working directory.
    QVERIFY(QDir(wd.filePath("logs here")).removeRecursively());
    closeNow(lw);
    lw = new LoggingWindow(nullptr, &host);
    QCOMPARE(in<QLineEdit>(lw, "txtLogFIle")->text(), QDir::toNativeSeparators(QDir::currentPath()));
    closeNow(lw);
}

void TestLoggingWindow::badStoredSettingsGiveDefaults_data()
{
    QTest::addColumn<QString>("timeFormat");
    QTest::addColumn<QString>("separator");
    QTest::newRow("out of range") << "7" << "3";
    QTest::newRow("negative") << "-1" << "-2";
    QTest::newRow("not a number") << "fast" << "semi";
    QTest::newRow("empty") << "" << "";
}

void TestLoggingWindow::badStoredSettingsGiveDefaults()
{
    QFETCH(QString, timeFormat);
    QFETCH(QString, separator);
    WorkDir wd;
    wd.write("kelvo.ini", QStringLiteral("[logging]\ntimeformat=%1\nCSVSeparator=%2\n")
                              .arg(timeFormat, separator)
                              .toUtf8());
    FakeHost host;
    auto *lw = new LoggingWindow(nullptr, &host);
    QCOMPARE(in<QComboBox>(lw, "cmdTimeFormat")->currentText(), QString("Time in seconds"));
    QCOMPARE(in<QComboBox>(lw, "cmbCSVSep")->currentText(), QString("Comma"));
    closeNow(lw);
}

void TestLoggingWindow::folderBelowPlainFileReported()
{
    WorkDir wd;
    wd.write("plain", "x");
    MainWindow w(simulation());
    plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}});
    LoggingWindow *lw = openLogger(w);
    in<QLineEdit>(lw, "txtLogFIle")->setText("plain/logs");
    QTest::mouseClick(in<QPushButton>(lw, "btnExec"), Qt::LeftButton);
    QTRY_COMPARE(warnings(lw).size(), 1);
    auto *label = in<QLabel>(lw, "labelFileName");
    QVERIFY2(label->text().startsWith("Cannot create log file"), qPrintable(label->text()));
    QVERIFY(label->styleSheet().contains("color"));
    QCOMPARE(warnings(lw).first(), label->text());
    QCOMPARE(in<QPushButton>(lw, "btnExec")->text(), QString("Start datalog"));
    QTest::qWait(50);
    QVERIFY(!lw->isLogging());
    QVERIFY(csvFiles().isEmpty());
    QVERIFY(csvFiles("plain").isEmpty());

    // An armed rule there: the user's start reports, the jobs do not.
    armRule(lw, "0", "100");
    QTest::mouseClick(in<QPushButton>(lw, "btnExec"), Qt::LeftButton);
    QTRY_COMPARE(warnings(lw).size(), 2);
    for (int i = 0; i < 5; ++i)
        send("ECU1", "JOB_A", {{"RA", 8, 50}});
    drain(lw);
    QTest::qWait(50);
    QCOMPARE(warnings(lw).size(), 2);
    QVERIFY(!lw->isLogging());

    // The next start in a folder that takes the file clears it.
    in<QCheckBox>(lw, "chkRuleEnable")->setChecked(false);
    in<QLineEdit>(lw, "txtLogFIle")->setText(QString());
    start(lw);
    QVERIFY(label->text().startsWith("Saving 1 values to "));
    QVERIFY(label->styleSheet().isEmpty());

    // A report while logging (a side file that failed): shown in red beside
    // the file, once, and the lines keep coming.
    const QString sideFailure = "Cannot create side file \"x.csv.info\": Is a directory";
    emit lw->dataLogger()->logFileError(sideFailure);
    QTRY_COMPARE(warnings(lw).size(), 3);
    QCOMPARE(warnings(lw).last(), sideFailure);
    QVERIFY2(label->text().startsWith("Saving 1 values to "), qPrintable(label->text()));
    QVERIFY(label->text().endsWith(sideFailure));
    QVERIFY(label->styleSheet().contains("color"));
    QVERIFY(lw->isLogging());
    send("ECU1", "JOB_A", {{"RA", 8, 50}});
    QTRY_COMPARE(lw->dataLogger()->lineCount(), 1);
    stop(lw);
    QCOMPARE(label->text(), "Stopped: " + sideFailure);
    QCOMPARE(warnings(lw).size(), 3);
}

// The child logs into files that may not grow beyond 3000 bytes (a full
// disk) and prints the warnings it showed, whether the label says
// "Stopped:" and whether it is still logging.
static int childFillsTheDisk(bool byRule)
{
    std::signal(SIGXFSZ, SIG_IGN);
    WorkDir wd;
    MainWindow w(simulation());
    plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}});
    LoggingWindow *lw = openLogger(w);
    struct rlimit limit;
    limit.rlim_cur = limit.rlim_max = 3000;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    if (byRule)
        armRule(lw, "0", "1e9");
    QTest::mouseClick(in<QPushButton>(lw, "btnExec"), Qt::LeftButton);
    if (!QTest::qWaitFor([lw] { return lw->isLogging(); }, 10000))
        return 3;
    for (int i = 0; i < 400; ++i) {
        send("ECU1", "JOB_A", {{"RA", 8, 12345.5}});
        if (i % 50 == 0)
            QTest::qWait(5);
    }
    if (!QTest::qWaitFor([lw] { return !lw->isLogging(); }, 10000))
        return 4;
    for (int i = 0; i < 20; ++i)
        send("ECU1", "JOB_A", {{"RA", 8, 12345.5}});
    drain(lw);
    QTest::qWait(100);
    const QStringList logs = csvFiles();
    QFile log(logs.size() == 1 ? logs.first() : QString());
    const QByteArray bytes = log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray();
    // Every line up to the last one written is whole.
    QList<QByteArray> lines = bytes.split('\n');
    bool whole = bytes.endsWith("\r\n") && lines.size() > 10 && lines.takeFirst() == "time,A\r";
    lines.removeLast();
    for (const QByteArray &line : lines)
        whole = whole && line.endsWith(",12345.5\r") && line.count(',') == 1;
    std::printf("%d %d %d %d %d\n", warnings(lw).size(),
                int(in<QLabel>(lw, "labelFileName")->text().startsWith("Stopped: Cannot write log file")),
                int(lw->isLogging()), logs.size(), int(whole));
    return 0;
}

void TestLoggingWindow::fullDiskStopsWithEarlierLines_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("started by hand") << "hand";
    QTest::newRow("armed rule") << "rule";
}

void TestLoggingWindow::fullDiskStopsWithEarlierLines()
{
    QFETCH(QString, how);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--child-fills-the-disk", how});
    QVERIFY(child.waitForFinished(60000));
    QCOMPARE(child.exitCode(), 0);
    // One warning, the label says why it stopped, one file whose lines up
    // to the last whole one are there.
    QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("1 1 0 1 1"));
}

void TestLoggingWindow::linesSavedStayAfterStop_data()
{
    QTest::addColumn<bool>("fullDisk");
    QTest::newRow("stopped by hand") << false;
    QTest::newRow("stopped by a full disk") << true;
}

// After a stop, "Lines saved:" keeps the number of lines in the file just
// closed, also when a full disk stopped it (the refused line not counted).
void TestLoggingWindow::linesSavedStayAfterStop()
{
    QFETCH(bool, fullDisk);
    WorkDir wd;
    MainWindow w(simulation());
    plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}});
    LoggingWindow *lw = openLogger(w);
    auto *count = in<QLabel>(lw, "labelLinesCount");
    start(lw);
    const QString file = lw->dataLogger()->fileName();
    if (!fullDisk) {
        for (int i = 0; i < 20; ++i)
            send("ECU1", "JOB_A", {{"RA", 8, 12345.5}});
        QTRY_COMPARE(count->text(), QString("20"));
        drain(lw);
        stop(lw);
    } else {
        FileSizeLimit limit(3000);
        QVERIFY(limit.ok());
        for (int i = 0; i < 400 && lw->isLogging(); ++i) {
            send("ECU1", "JOB_A", {{"RA", 8, 12345.5}});
            if (i % 50 == 0)
                QTest::qWait(5);
        }
        QTRY_VERIFY(!lw->isLogging());
        drain(lw);
    }
    const int lines = csvLines(file).size() - 1;
    QVERIFY2(fullDisk ? lines > 10 : lines == 20, qPrintable(QString::number(lines)));
    // What the window's timer shows, tick after tick.
    for (int tick = 0; tick < 3; ++tick) {
        lw->updateLinesCount();
        QCOMPARE(count->text(), QString::number(lines));
    }
    QCOMPARE(lw->dataLogger()->lineCount(), lines);
}

void TestLoggingWindow::openedByF1AndDataLogButton()
{
    WorkDir wd;
    MainWindow w(simulation());
    QVERIFY(w.findChild<QAction *>("actionLogging")->isEnabled());
    w.show();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F1);
    QPointer<LoggingWindow> first = w.lastLoggingWindow();
    QVERIFY(first);
    QVERIFY(qobject_cast<QMdiSubWindow *>(first->parentWidget())->widget() == first.data());
    PlotWindow &p = plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}, {"RB", "B", false}});
    auto *dataLog = p.findChild<QPushButton *>("btnDataLog");
    QVERIFY(dataLog->isEnabled());
    QTest::mouseClick(dataLog, Qt::LeftButton);
    QPointer<LoggingWindow> second = w.lastLoggingWindow();
    QVERIFY(second && second != first);
    // Both follow the plots.
    tick(p, "RB");
    QCOMPARE(texts(in<QListWidget>(first, "listResultNames")), (QStringList{"A", "B"}));
    QCOMPARE(texts(in<QListWidget>(second, "listResultNames")), (QStringList{"A", "B"}));
    second->parentWidget()->close();
    QTRY_VERIFY(second.isNull());
    QVERIFY(!w.lastLoggingWindow());
    QVERIFY(first);
}

void TestLoggingWindow::closingMainWindowWhileLoggingLeavesWholeFile()
{
    WorkDir wd;
    auto *w = new MainWindow(simulation());
    plotWindow(*w, "ECU1", "JOB_A", {{"RA", "A"}});
    LoggingWindow *lw = openLogger(*w);
    start(lw);
    const QString file = lw->dataLogger()->fileName();
    for (int i = 0; i < 200; ++i)
        send("ECU1", "JOB_A", {{"RA", 8, double(i)}});
    QTRY_VERIFY(lw->dataLogger()->lineCount() > 10);
    w->close();
    delete w;
    const QList<QByteArray> lines = csvLines(file);
    QVERIFY(lines.size() > 10);
    QCOMPARE(lines.first(), QByteArray("time,A\r"));
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().endsWith("\r\n"));
    for (int i = 1; i < lines.size(); ++i)
        QCOMPARE(lines.at(i).count(','), 1);
}

void TestLoggingWindow::startAndStopDuringJobStream()
{
    WorkDir wd;
    MainWindow w(simulation());
    plotWindow(w, "ECU1", "JOB_A", {{"RA", "A"}, {"RB", "B"}});
    plotWindow(w, "ECU2", "JOB_B", {{"RC", "C"}});
    LoggingWindow *lw = openLogger(w);
    in<QCheckBox>(lw, "chkFillCols")->setChecked(true);
    in<QCheckBox>(lw, "chkMarker")->setChecked(true);
    // Jobs from a thread of their own, at a pace the plot windows keep up
    // with; the stream ends with the test, however it ends.
    struct Stream
    {
        std::atomic<bool> running{true};
        std::thread sender{[this] {
            for (int i = 0; running.load(); ++i) {
                send("ECU1", "JOB_A", {{"RA", 8, double(i)}, {"RB", 8, 0.5}});
                send("ECU2", "JOB_B", {{"RC", 8, double(-i)}});
                std::this_thread::sleep_for(std::chrono::milliseconds(4));
            }
        }};
        ~Stream()
        {
            running = false;
            sender.join();
        }
    };
    {
        Stream stream;
        for (int round = 0; round < 4; ++round) {
            start(lw);
            QTest::keyClick(lw, Qt::Key_Return);
            QTest::qWait(100);
            stop(lw);
            QTest::qWait(20);
        }
    }
    drain(lw);
    const QStringList logs = csvFiles();
    QCOMPARE(logs.size(), 4);
    for (const QString &log : logs) {
        const QList<QByteArray> lines = csvLines(log);
        QVERIFY2(lines.size() > 2, qPrintable(log));
        QCOMPARE(lines.first(), QByteArray("time,A,B,C,MARKER\r"));
        for (const QByteArray &line : lines)
            QCOMPARE(line.count(','), 4);
    }
}

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--child-fills-the-disk") == 0) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        return childFillsTheDisk(std::strcmp(argv[2], "rule") == 0);
    }
    QApplication app(argc, argv);
    // The program's debug lines (one per job handed to the receiver) would
    // exceed the test's budget of messages while jobs stream in.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    TestLoggingWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_loggingwindow.moc"
