#include "crunner.h"
#include "customqwtcurve.h"
#include "customqwtcurvedata.h"
#include "ediabasfixture.h"
#include "filesizelimit.h"
#include "globaljobreceiver.h"
#include "jobargumentdialog.h"
#include "jobqueue.h"
#include "kelvosettings.h"
#include "plotwidget.h"
#include "plotwidgetcontainer.h"
#include "plotwindow.h"
#include "plotwindowfeed.h"
#include "q14point7thread.h"
#include "fourteenpoint7controller.h"
#include "resulttableview.h"
#include "tablechecks.h"
#include "workdir.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QtTest>

#include <limits>
#include <memory>

using Value = PlotWindowFeed::Value;

namespace {
const char *const Ecu = "D_MOTOR";
const char *const JobName = "STATUS_MESSWERTE";

QList<Value> fiveResults(double base = 1.0)
{
    return {{"STAT_RPM_WERT", 8, 800 * base, "1/min"},
            {"STAT_TEMP_WERT", 2, 90 * base, "C"},
            {"STAT_TEXT", 6, 0, "", "OKAY"},
            {"STAT_LOAD_WERT", 4, 12 * base, "%"},
            {"STAT_RAW", 7, 0, "", "0A1B"}};
}

QLabel *label(PlotWindow &w, const char *name)
{
    return w.findChild<QLabel *>(name);
}

ResultTableModel *model(PlotWindow &w)
{
    return w.findChild<ResultTableView *>("tableView")->tableModel();
}

int rowOf(PlotWindow &w, const QString &name)
{
    ResultTableModel *m = model(w);
    for (int r = 0; r < m->rowCount(); ++r)
        if (m->userData(r, 0).value<CJobResult>().name == name.toStdString())
            return r;
    return -1;
}

void tick(PlotWindow &w, const QString &name, bool on = true)
{
    const int row = rowOf(w, name);
    QVERIFY2(row >= 0, qPrintable(name));
    model(w)->setCellData(row, 0, on ? Qt::Checked : Qt::Unchecked, Qt::CheckStateRole);
}

qint64 points(PlotWindow &w, const QString &name)
{
    PlotWidgetContainer *c = w.plotWidgets().value(name, nullptr);
    if (!c || c->plotWidget()->curveMap().isEmpty())
        return -1;
    return c->plotWidget()->curveAt(0)->curveData()->pointCount();
}

// Sends a job and waits until the window has counted it.
void deliver(PlotWindow &w, const CJob &job, int result = 0)
{
    const quint64 before = w.messageCount();
    PlotWindowFeed::send(job, result);
    QTRY_VERIFY_WITH_TIMEOUT(w.messageCount() != before, 5000);
}
} // namespace

class TestPlotWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void rowsFollowResultCount();
    void intakeTakesOnlyOwnJob_data();
    void intakeTakesOnlyOwnJob();
    void tickingAddsAndRemovesPlots();
    void markAllTicksNumericFilteredRows();
    void storedRateOpensInMode_data();
    void storedRateOpensInMode();
    void comboWritesRate();
    void ticksDoNotDuplicatePoints_data();
    void ticksDoNotDuplicatePoints();
    void formatting_data();
    void formatting();
    void tableShowsUnitsAndValues();
    void statusLine();
    void rateFallsToZeroWhenReadingsStop();
    void pauseAndResume();
    void jobParametersRequeue();
    void resetAndKeys();
    void exportWritesCsvAndPng();
    void exportReportsUnwritableFolder();
    void csvTimeText_data();
    void csvTimeText();
    void csvValueText_data();
    void csvValueText();
    void exportNames();
    void closingUnregisters();
    void dataLogButtonAnnouncesRequest();
    void multiplotButtonHandsOverPlottedPairs();
    void realtimeShowsJobsWithTheNextFrame();
    void filterKeepsLastColumnStretched();
    void failedEdiabasStartShowsItsReason();
    void resultsWithoutNumberGiveNoPoint();
    void fourteenPoint7RawDataGivesNoPoint();

private:
    std::unique_ptr<WorkDir> wd;
    std::unique_ptr<PlotWindow> makeWindow(const char *ecu = Ecu, const char *name = JobName,
                                           const char *fps = "realtime");
};

void TestPlotWindow::initTestCase()
{
    PlotWindowFeed::startReceiver();
}

void TestPlotWindow::cleanupTestCase()
{
    PlotWindowFeed::stopReceiver();
}

void TestPlotWindow::init()
{
    wd = std::make_unique<WorkDir>();
}

void TestPlotWindow::cleanup()
{
    PlotWindowFeed::emptyQueue();
    wd.reset();
}

std::unique_ptr<PlotWindow> TestPlotWindow::makeWindow(const char *ecu, const char *name,
                                                       const char *fps)
{
    if (fps)
        KelvoSettings::open()->setValue("graph/FPS", fps);
    auto w = std::make_unique<PlotWindow>(CJob(ecu, name));
    w->job().jobTitle = name;
    PlotWindowFeed::connect(w.get());
    return w;
}

void TestPlotWindow::rowsFollowResultCount()
{
    auto w = makeWindow();
    QSignalSpy status(w.get(), &PlotWindow::plotWidgetStatusChanged);
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    QCOMPARE(model(*w)->rowCount(), 5);
    QCOMPARE(model(*w)->columnCount(), 3);
    QCOMPARE(model(*w)->data(model(*w)->index(0, 0)).toString(), QString("STAT_RPM_WERT"));
    QCOMPARE(label(*w, "errorStatus")->text(), QString("Status: OK"));

    tick(*w, "STAT_RPM_WERT");
    tick(*w, "STAT_TEMP_WERT");
    QCOMPARE(w->plotWidgets().size(), 2);
    PlotWidgetContainer *rpm = w->plotWidgets().value("STAT_RPM_WERT");

    // The same count keeps rows, ticks and plots.
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(2)));
    QCOMPARE(w->plotWidgets().size(), 2);
    QCOMPARE(w->plotWidgets().value("STAT_RPM_WERT"), rpm);
    QCOMPARE(model(*w)->data(model(*w)->index(0, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));

    // A new count rebuilds the rows unchecked and drops every plot.
    status.clear();
    QList<Value> four = fiveResults();
    four.removeLast();
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, four));
    QCOMPARE(model(*w)->rowCount(), 4);
    QVERIFY(w->plotWidgets().isEmpty());
    QCOMPARE(status.count(), 2);
    for (int r = 0; r < 4; ++r)
        QCOMPARE(model(*w)->data(model(*w)->index(r, 0), Qt::CheckStateRole).toInt(),
                 int(Qt::Unchecked));

    // A failed job only counts and shows its error; table and plots stay.
    tick(*w, "STAT_RPM_WERT");
    CJob failed = PlotWindowFeed::makeJob(Ecu, JobName, {});
    failed.errorText = "IFH-0009: NO RESPONSE FROM CONTROLUNIT";
    deliver(*w, failed, 19);
    QCOMPARE(label(*w, "errorStatus")->text(),
             QString("  Error: IFH-0009: NO RESPONSE FROM CONTROLUNIT"));
    QCOMPARE(model(*w)->rowCount(), 4);
    QCOMPARE(w->plotWidgets().size(), 1);
}

void TestPlotWindow::intakeTakesOnlyOwnJob_data()
{
    QTest::addColumn<QString>("windowEcu");
    QTest::addColumn<QString>("windowJob");
    QTest::addColumn<QString>("jobEcu");
    QTest::addColumn<QString>("jobName");
    QTest::addColumn<QString>("virtualName");
    QTest::addColumn<bool>("taken");
    QTest::newRow("own job") << Ecu << JobName << Ecu << JobName << "" << true;
    QTest::newRow("other job") << Ecu << JobName << Ecu << "IDENT" << "" << false;
    QTest::newRow("same name, other ECU") << "D_MOTOR" << "IDENT" << "D_EGS" << "IDENT" << ""
                                          << false;
    QTest::newRow("virtual name counts") << Ecu << "MY_VIEW" << Ecu << JobName << "MY_VIEW"
                                         << true;
    QTest::newRow("device pseudo job") << "" << "INNOVATE" << "" << "INNOVATE" << "" << true;
    QTest::newRow("window without ECU") << "" << "CAN" << "CANBUS" << "CAN" << "" << true;
}

void TestPlotWindow::intakeTakesOnlyOwnJob()
{
    QFETCH(QString, windowEcu);
    QFETCH(QString, windowJob);
    QFETCH(QString, jobEcu);
    QFETCH(QString, jobName);
    QFETCH(QString, virtualName);
    QFETCH(bool, taken);
    auto w = makeWindow(qPrintable(windowEcu), qPrintable(windowJob));
    CJob job = PlotWindowFeed::makeJob(qPrintable(jobEcu), qPrintable(jobName), fiveResults());
    job.virtualName = virtualName.toStdString();
    PlotWindowFeed::send(job);
    // A marker job that the window always takes ends the wait.
    // Jobs arrive in order: once the marker is counted, the job before it was seen.
    PlotWindowFeed::send(PlotWindowFeed::makeJob(qPrintable(windowEcu), qPrintable(windowJob), {}));
    QTRY_COMPARE_WITH_TIMEOUT(w->messageCount(), quint64(taken ? 2 : 1), 5000);
    QTest::qWait(20);
    QCOMPARE(w->messageCount(), quint64(taken ? 2 : 1));
    QCOMPARE(model(*w)->rowCount(), 0); // the marker emptied the table again
    const bool registered = [&] {
        for (const CJob &j : GlobalJobReceiver::instance()->jobs())
            if (j.getDisplayName() == windowJob)
                return true;
        return false;
    }();
    QVERIFY(registered);
}

void TestPlotWindow::tickingAddsAndRemovesPlots()
{
    auto w = makeWindow();
    w->resize(800, 500);
    w->show();
    QSignalSpy status(w.get(), &PlotWindow::plotWidgetStatusChanged);
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    tick(*w, "STAT_LOAD_WERT");
    QCOMPARE(status.count(), 1);
    QCOMPARE(status.at(0).at(0).toInt(), 0);
    QCOMPARE(status.at(0).at(2).toString(), QString("STAT_LOAD_WERT"));
    QCOMPARE(status.at(0).at(1).value<CJob>().jobName, std::string(JobName));
    PlotWidgetContainer *c = w->plotWidgets().value("STAT_LOAD_WERT");
    QVERIFY(c);
    QVERIFY(w->findChild<QWidget *>("scrollAreaWidgetContents")->isAncestorOf(c));
    QCOMPARE(c->plotWidget()->curveMap().size(), 1);
    QVERIFY(w->startTime() > 0);
    QPointer<PlotWidgetContainer> gone(c);

    // Ticking twice changes nothing; unticking removes the plot.
    w->addPlotWidget(model(*w)->userData(rowOf(*w, "STAT_LOAD_WERT"), 0).value<CJobResult>());
    QCOMPARE(w->plotWidgets().size(), 1);
    tick(*w, "STAT_LOAD_WERT", false);
    QVERIFY(w->plotWidgets().isEmpty());
    QCOMPARE(status.count(), 2);
    QTRY_VERIFY(gone.isNull());
    w->removePlotWidget("STAT_LOAD_WERT");
    QCOMPARE(status.count(), 2);
}

void TestPlotWindow::markAllTicksNumericFilteredRows()
{
    auto w = makeWindow();
    QList<Value> all;
    static const char *const names[] = {"A_CHAR_0", "A_BYTE_1", "A_INT_2", "A_WORD_3", "A_LONG_4",
                                        "A_DWORD_5", "A_TEXT_6", "A_BIN_7", "A_REAL_8"};
    for (int f = 0; f <= 8; ++f)
        all << Value{names[f], f, double(f)};
    all << Value{"B_INT_2", 2, 1} << Value{"B_REAL_8", 8, 1};
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, all));
    auto *filter = w->findChild<QLineEdit *>("txtFilter");
    auto *markAll = w->findChild<QPushButton *>("btnMarkAll");
    filter->setText("a_");
    QCOMPARE(w->findChild<ResultTableView *>("tableView")->model()->rowCount(), 9);
    markAll->click();
    QCOMPARE(markAll->text(), QString("Unmark"));
    QStringList plotted = w->plotWidgets().keys();
    QCOMPARE(plotted, QStringList({"A_INT_2", "A_LONG_4", "A_REAL_8"}));
    for (int r = 0; r < model(*w)->rowCount(); ++r) {
        const CJobResult res = model(*w)->userData(r, 0).value<CJobResult>();
        const bool shouldTick = QString::fromStdString(res.name).startsWith("A_")
            && (res.format == 2 || res.format == 4 || res.format == 8);
        QCOMPARE(model(*w)->data(model(*w)->index(r, 0), Qt::CheckStateRole).toInt(),
                 shouldTick ? int(Qt::Checked) : int(Qt::Unchecked));
    }
    // A filter that is not (yet) a valid expression filters by its text.
    filter->setText("B_(");
    QCOMPARE(w->findChild<ResultTableView *>("tableView")->model()->rowCount(), 0);
    filter->setText("b_");
    w->runMenuAction("Select All");
    QCOMPARE(w->plotWidgets().size(), 5);
    filter->setText("");
    markAll->click();
    QCOMPARE(markAll->text(), QString("Mark all"));
    QVERIFY(w->plotWidgets().isEmpty());
    // The filter survives a rebuild of the rows.
    filter->setText("real");
    all.removeLast();
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, all));
    QCOMPARE(w->findChild<ResultTableView *>("tableView")->model()->rowCount(), 1);
}

void TestPlotWindow::storedRateOpensInMode_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("realtime");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("timerActive");
    QTest::addColumn<QString>("comboText");
    QTest::addColumn<QString>("written");
    // Nothing stored, or no number: realtime without a status line.
    QTest::newRow("missing") << QString() << true << 500 << false << "Realtime" << "realtime";
    for (const char *notANumber : {"abc", "nan", "inf", " "})
        QTest::newRow(notANumber) << notANumber << true << 500 << false << "Realtime" << "realtime";
    QTest::newRow("realtime") << "realtime" << true << 500 << true << "Realtime" << "realtime";
    QTest::newRow("RealTime") << "RealTime" << true << 500 << true << "Realtime" << "realtime";
    QTest::newRow("1") << "1" << true << 1000 << true << "Realtime" << "realtime";
    QTest::newRow("2") << "2" << false << 500 << true << "2Hz" << "2";
    QTest::newRow("5") << "5" << false << 200 << true << "5Hz" << "5";
    QTest::newRow("10") << "10" << false << 100 << true << "10Hz" << "10";
    QTest::newRow("20") << "20" << false << 50 << true << "20Hz" << "20";
    QTest::newRow("50") << "50" << false << 20 << true << "50Hz" << "50";
    // A number not offered: realtime, status line every 500 ms.
    for (const char *bad : {"0", "7", "2.5", "-5", "-0", "1000", "5000", "1e308"})
        QTest::newRow(bad) << bad << true << 500 << true << "Realtime" << "realtime";
}

void TestPlotWindow::storedRateOpensInMode()
{
    QFETCH(QString, stored);
    QFETCH(bool, realtime);
    QFETCH(int, interval);
    QFETCH(bool, timerActive);
    QFETCH(QString, comboText);
    QFETCH(QString, written);
    auto w = makeWindow(Ecu, JobName, nullptr);
    if (!stored.isNull()) {
        w.reset();
        w = makeWindow(Ecu, JobName, qPrintable(stored));
    }
    QCOMPARE(w->isRealtime(), realtime);
    QCOMPARE(w->refreshTimer()->interval(), interval);
    QCOMPARE(w->refreshTimer()->isActive(), timerActive);
    QVERIFY(w->refreshTimer()->interval() > 0);
    QCOMPARE(w->findChild<QComboBox *>("cmbRefreshRate")->currentText(), comboText);
    QCOMPARE(KelvoSettings::open()->value("graph/FPS").toString(), written);
    // The window works in that mode.
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    w->timerTimeout();
    QCOMPARE(model(*w)->rowCount(), 5);
}

void TestPlotWindow::comboWritesRate()
{
    auto w = makeWindow();
    auto *combo = w->findChild<QComboBox *>("cmbRefreshRate");
    combo->setCurrentIndex(combo->findText("20Hz"));
    QVERIFY(!w->isRealtime());
    QCOMPARE(w->refreshTimer()->interval(), 50);
    QVERIFY(w->refreshTimer()->isActive());
    QCOMPARE(KelvoSettings::open()->value("graph/FPS").toString(), QString("20"));
    combo->setCurrentIndex(0);
    QVERIFY(w->isRealtime());
    QVERIFY(!w->refreshTimer()->isActive());
    QCOMPARE(KelvoSettings::open()->value("graph/FPS").toString(), QString("realtime"));
    // A resize pauses the refresh and starts it again with its last interval
    // (status line only in realtime mode).
    w->show();
    w->resize(700, 450);
    QVERIFY(!w->refreshTimer()->isActive());
    QTRY_VERIFY_WITH_TIMEOUT(w->refreshTimer()->isActive(), 5000);
    QVERIFY(w->isRealtime());
    QCOMPARE(w->refreshTimer()->interval(), 50);
    // An emptied combo must not divide by its missing rate.
    w->on_cmbRefreshRate_currentIndexChanged(-1);
    QVERIFY(w->isRealtime());
    // The menu's rates change neither the combo nor the file.
    w->runMenuAction("10Hz");
    QVERIFY(!w->isRealtime());
    QCOMPARE(w->refreshTimer()->interval(), 100);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(KelvoSettings::open()->value("graph/FPS").toString(), QString("realtime"));
    w->runMenuAction("Realtime");
    QVERIFY(w->isRealtime());
}

void TestPlotWindow::ticksDoNotDuplicatePoints_data()
{
    QTest::addColumn<QString>("fps");
    QTest::addColumn<bool>("threads");
    QTest::newRow("timed") << "50" << false;
    QTest::newRow("timed, plot threads") << "50" << true;
    QTest::newRow("realtime") << "realtime" << false;
}

void TestPlotWindow::ticksDoNotDuplicatePoints()
{
    QFETCH(QString, fps);
    QFETCH(bool, threads);
    KelvoSettings::open()->setValue("graph/threads", threads);
    auto w = makeWindow(Ecu, JobName, qPrintable(fps));
    w->refreshTimer()->stop(); // ticks are driven by hand below
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    tick(*w, "STAT_RPM_WERT");
    const qint64 stamp = w->startTime() + 250;
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(1.5), stamp));
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_RPM_WERT"), qint64(1), 5000);
    for (int i = 0; i < 10; ++i) {
        w->timerTimeout();
        QCoreApplication::processEvents();
    }
    QTest::qWait(50);
    QCOMPARE(points(*w, "STAT_RPM_WERT"), qint64(1));
    CustomQwtCurve *curve = w->plotWidgets().value("STAT_RPM_WERT")->plotWidget()->curveAt(0);
    QCOMPARE(curve->curveData()->rawX(0), 250.0);
    QCOMPARE(curve->curveData()->rawY(0), 1200.0);
    // In timed mode the tick writes the last values into the table.
    w->timerTimeout();
    QCOMPARE(model(*w)->data(model(*w)->index(0, 2)).toString(), QString("1200.000"));
    // A second job is a second point, however many ticks follow.
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(2), stamp + 100));
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_RPM_WERT"), qint64(2), 5000);
    for (int i = 0; i < 10; ++i)
        w->timerTimeout();
    QTest::qWait(50);
    QCOMPARE(points(*w, "STAT_RPM_WERT"), qint64(2));
}

void TestPlotWindow::formatting_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<double>("real");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("numberFormat");
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("expected");
    QTest::newRow("real, serial .1") << 8 << 3.14159 << "3.14159" << ".1" << true << " 3.1";
    QTest::newRow("real, serial .2 negative") << 8 << -2.5 << "" << ".2" << true << "-2.50";
    QTest::newRow("real, serial .0") << 8 << 7.6 << "" << ".0" << true << " 8";
    QTest::newRow("real, serial .12") << 8 << 0.5 << "" << ".12" << true << " 0.500000000000";
    QTest::newRow("real, serial empty") << 8 << 3.14159 << "" << "" << true << " 3.141590";
    QTest::newRow("real, serial %s refused") << 8 << 3.14159 << "" << "%s" << true << "3.142";
    QTest::newRow("real, serial .2f refused") << 8 << 3.14159 << "" << ".2f" << true << "3.142";
    QTest::newRow("real, serial .999 refused") << 8 << 3.14159 << "" << ".999" << true << "3.142";
    QTest::newRow("real, serial %n refused") << 8 << 1.0 << "" << "%n%n" << true << "1.000";
    QTest::newRow("real, EDIABAS") << 8 << 3.14159 << "3.14159" << ".1" << false << "3.142";
    QTest::newRow("real without a value") << 8 << std::numeric_limits<double>::quiet_NaN() << "" << "" << false << "";
    QTest::newRow("real without a value, serial") << 8 << std::numeric_limits<double>::quiet_NaN() << "" << ".1" << true << "";
    QTest::newRow("integer 12.7") << 2 << 0.0 << "12.7" << "" << false << "12";
    QTest::newRow("long -12.7") << 4 << 0.0 << "-12.7" << "" << false << "-12";
    // A text without a number is shown as it came, never as 0.
    QTest::newRow("integer not a number") << 2 << 0.0 << "abc" << "" << false << "abc";
    QTest::newRow("integer blank") << 2 << 0.0 << "  " << "" << false << "  ";
    QTest::newRow("long empty") << 4 << 0.0 << "" << "" << false << "";
    QTest::newRow("long huge") << 4 << 0.0 << "1e12" << "" << false << "2147483647";
    QTest::newRow("long huge negative") << 4 << 0.0 << "-1e12" << "" << false << "-2147483648";
    QTest::newRow("integer inf") << 2 << 0.0 << "inf" << "" << false << "inf";
    QTest::newRow("integer nan") << 2 << 0.0 << "nan" << "" << false << "nan";
    // The typed value where the text shows it rounded.
    QTest::newRow("long as %E") << 4 << 1234567.0 << "1.234567E+06" << "" << false << "1234567";
    QTest::newRow("binary") << 7 << 0.0 << "0A1BFF" << "" << false << "0A1BFF";
    QTest::newRow("text") << 6 << 0.0 << "Hello 1.5" << "" << true << "Hello 1.5";
    QTest::newRow("word as text") << 3 << 0.0 << "65535" << "" << false << "65535";
}

void TestPlotWindow::formatting()
{
    QFETCH(int, format);
    QFETCH(double, real);
    QFETCH(QString, text);
    QFETCH(QString, numberFormat);
    QFETCH(bool, serial);
    QFETCH(QString, expected);
    CJobResult r;
    r.format = format;
    r.realValue = real;
    r.setTextValue(text.toStdString());
    r.numberFormat = numberFormat.toStdString();
    QCOMPARE(PlotWindow::formatValue(r, serial), expected);
}

void TestPlotWindow::tableShowsUnitsAndValues()
{
    // A serial job: real values by the result's own number format.
    KelvoSettings::open()->setValue("graph/FPS", "10");
    CJob own(Ecu, JobName);
    own.telegram = "12 05 0B 03 1F";
    PlotWindow w(own);
    w.refreshTimer()->stop(); // ticks are driven by hand below
    PlotWindowFeed::connect(&w);
    CJob job = PlotWindowFeed::makeJob(Ecu, JobName, {{"STAT_A", 8, 3.14159, ""}, {"STAT_B", 2, 5, "mV"}});
    job.telegram = own.telegram;
    job.results[0].numberFormat = ".1";
    job.results[1].displayName = "Voltage";
    deliver(w, job);
    ResultTableModel *m = model(w);
    // After the rebuild the unit column waits for the first tick.
    QCOMPARE(m->data(m->index(1, 0)).toString(), QString("Voltage"));
    QCOMPARE(m->data(m->index(0, 1)).toString(), QString());
    QCOMPARE(m->data(m->index(1, 1)).toString(), QString());
    w.timerTimeout();
    QCOMPARE(m->data(m->index(0, 1)).toString(), QString("real"));
    QCOMPARE(m->data(m->index(0, 2)).toString(), QString(" 3.1"));
    QCOMPARE(m->data(m->index(1, 1)).toString(), QString("mV"));
    QCOMPARE(m->data(m->index(1, 2)).toString(), QString("5"));
    // Realtime mode writes the values of every job with the next frame.
    w.findChild<QComboBox *>("cmbRefreshRate")->setCurrentIndex(0);
    job.results[1].setTextValue("6");
    deliver(w, job);
    QTRY_COMPARE_WITH_TIMEOUT(m->data(m->index(1, 2)).toString(), QString("6"), 1000);
}

void TestPlotWindow::statusLine()
{
    auto w = makeWindow(Ecu, JobName, "realtime");
    // Before a job nothing is known: no status, no figure, no placeholder.
    for (const char *name : {"errorStatus", "lblJobTime", "lblReadyWait", "lblUI", "lblThroughPut"})
        QVERIFY2(label(*w, name)->text().isEmpty(), name);
    CJob job = PlotWindowFeed::makeJob(Ecu, JobName, fiveResults());
    job.duration = 37;
    job.readWaitTime = 12;
    deliver(*w, job);
    w->timerTimeout();
    QCOMPARE(label(*w, "lblJobTime")->text(), QString("Job:   37 ms"));
    QVERIFY(label(*w, "lblUI")->text().startsWith("UI: "));
    QCOMPARE(label(*w, "lblReadyWait")->text(), QString()); // EDIABAS job: no read wait
    // The rate shows from the second job on.
    QCOMPARE(label(*w, "lblThroughPut")->text(), QString());
    job.telegram = "B8 12 F1 02 21 01";
    QTest::qWait(20);
    deliver(*w, job);
    w->timerTimeout();
    QCOMPARE(label(*w, "lblReadyWait")->text(), QString("RWait:   12 ms"));
    QVERIFY(label(*w, "lblThroughPut")->text().endsWith(" msg / sec"));
    QVERIFY(w->messagesPerSecond() > 0);
    // A job stamped far in the past or future keeps the label readable.
    job.timeStamp = std::numeric_limits<qint64>::min() / 2;
    job.duration = std::numeric_limits<qint64>::max();
    deliver(*w, job);
    w->timerTimeout();
    QCOMPARE(label(*w, "lblJobTime")->text(), QString("Job:  2147483647 ms"));
    QCOMPARE(label(*w, "lblUI")->text(), QString("UI:  2147483647 ms"));
}

void TestPlotWindow::rateFallsToZeroWhenReadingsStop()
{
    auto w = makeWindow(Ecu, JobName, "realtime");
    QLabel *rate = label(*w, "lblThroughPut");
    const CJob reading = PlotWindowFeed::makeJob(Ecu, JobName, fiveResults());
    for (int i = 0; i < 5; ++i) {
        deliver(*w, reading);
        QTest::qWait(20);
    }
    w->timerTimeout();
    QVERIFY(w->messagesPerSecond() > 0);
    QVERIFY(rate->text().endsWith(" msg / sec"));

    // The source failed (a port lost): 0 at once, not a fading average.
    CJob lost = PlotWindowFeed::makeJob(Ecu, JobName, {});
    lost.errorText = "port lost: the line hung up";
    deliver(*w, lost, 349);
    QCOMPARE(rate->text(), QString("     0.0 msg / sec"));
    QCOMPARE(w->messagesPerSecond(), 0.0);
    w->timerTimeout();
    QCOMPARE(rate->text(), QString("     0.0 msg / sec"));

    // Started again: the rate counts from its new readings.
    deliver(*w, reading);
    QTest::qWait(20);
    deliver(*w, reading);
    w->timerTimeout();
    QVERIFY(w->messagesPerSecond() > 0);

    // A source that goes quiet without failing: 0 once a whole span passed
    // without a reading.
    QTRY_COMPARE_WITH_TIMEOUT(w->messagesPerSecond(), 0.0, 3 * int(PlotWindow::RateSpanMs));
}

void TestPlotWindow::pauseAndResume()
{
    auto w = makeWindow(Ecu, JobName, "50");
    CJob queued = w->job();
    QVERIFY(JobQueue::instance()->addJob(queued));
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    tick(*w, "STAT_RPM_WERT");
    tick(*w, "STAT_TEMP_WERT");
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(), w->startTime() + 10));
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_TEMP_WERT"), qint64(1), 5000);
    CustomQwtCurve *rpm = w->plotWidgets().value("STAT_RPM_WERT")->plotWidget()->curveAt(0);
    CustomQwtCurve *temp = w->plotWidgets().value("STAT_TEMP_WERT")->plotWidget()->curveAt(0);
    const QColor rpmColour = rpm->pen().color();
    QVERIFY(rpmColour != QColor(Qt::gray));

    QTest::keyClick(w.get(), Qt::Key_Space);
    QVERIFY(w->isPaused());
    QCOMPARE(JobQueue::instance()->jobCount(), 0);
    QCOMPARE(rpm->pen().color(), QColor(Qt::gray));
    QCOMPARE(temp->pen().color(), QColor(Qt::gray));
    QCOMPARE(rpm->pen().width(), 2);
    QCOMPARE(label(*w, "errorStatus")->text(), QString("Paused"));
    // The job and UI labels stand still while paused; the table still fills.
    const QString jobLabel = label(*w, "lblJobTime")->text();
    CJob late = PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(3), w->startTime() + 20);
    late.duration = 999;
    deliver(*w, late);
    w->timerTimeout();
    QCOMPARE(label(*w, "lblJobTime")->text(), jobLabel);
    QCOMPARE(model(*w)->data(model(*w)->index(0, 2)).toString(), QString("2400.000"));
    QCOMPARE(label(*w, "errorStatus")->text(), QString("Paused"));

    QTest::keyClick(w.get(), Qt::Key_Space);
    QVERIFY(!w->isPaused());
    QCOMPARE(JobQueue::instance()->jobCount(), 1);
    QCOMPARE(JobQueue::instance()->jobs().first().getDisplayName(), QString(JobName));
    QCOMPARE(rpm->pen().color(), rpmColour);
    QCOMPARE(rpm->pen().width(), 2);

    // A plot without a curve (just after a reset) is skipped, not a crash.
    w->resetPlotWidgets();
    QTest::keyClick(w.get(), Qt::Key_Space);
    QTest::keyClick(w.get(), Qt::Key_Space);
    w->timerTimeout();
    QVERIFY(w->saveCsv());
}

void TestPlotWindow::jobParametersRequeue()
{
    auto w = makeWindow();
    w->job().arguments = "1;2";
    CJob queued = w->job();
    JobQueue::instance()->addJob(queued);
    auto answer = [](const QString &text) {
        QTimer::singleShot(0, [text] {
            auto *dlg = qobject_cast<JobArgumentDialog *>(QApplication::activeModalWidget());
            QVERIFY(dlg);
            dlg->findChild<QPlainTextEdit *>("textEdit")->setPlainText(text);
            dlg->accept();
        });
    };
    answer("3;4");
    w->runMenuAction("Job parameters");
    QCOMPARE(w->job().arguments, std::string("3;4"));
    QCOMPARE(JobQueue::instance()->jobs().size(), 1);
    QCOMPARE(JobQueue::instance()->jobs().first().arguments, std::string("3;4"));

    // While paused the job stays out of the queue until resumed.
    QTest::keyClick(w.get(), Qt::Key_Space);
    QCOMPARE(JobQueue::instance()->jobCount(), 0);
    answer("5");
    w->runMenuAction("Job parameters");
    QCOMPARE(w->job().arguments, std::string("5"));
    QCOMPARE(JobQueue::instance()->jobCount(), 0);
    QTest::keyClick(w.get(), Qt::Key_Space);
    QCOMPARE(JobQueue::instance()->jobCount(), 1);
    QCOMPARE(JobQueue::instance()->jobs().first().arguments, std::string("5"));
}

void TestPlotWindow::resetAndKeys()
{
    auto w = makeWindow();
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    tick(*w, "STAT_RPM_WERT");
    tick(*w, "STAT_TEMP_WERT");
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(), w->startTime() + 5));
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_TEMP_WERT"), qint64(1), 5000);
    QCOMPARE(w->messageCount(), quint64(2));

    QTest::keyClick(w.get(), Qt::Key_R, Qt::ControlModifier); // does nothing
    QCOMPARE(w->messageCount(), quint64(2));
    QCOMPARE(points(*w, "STAT_TEMP_WERT"), qint64(1));
    const qint64 before = w->startTime();
    QTest::qWait(5);
    QTest::keyClick(w.get(), Qt::Key_R, Qt::ShiftModifier);
    QCOMPARE(w->messageCount(), quint64(0));
    QVERIFY(w->startTime() > before);
    QVERIFY(points(*w, "STAT_TEMP_WERT") <= 0);
    // Both plots count from the window's one new start time.
    const qint64 stamp = w->startTime() + 300;
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(), stamp));
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_TEMP_WERT"), qint64(1), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_RPM_WERT"), qint64(1), 5000);
    for (const QString &name : {QString("STAT_TEMP_WERT"), QString("STAT_RPM_WERT")})
        QCOMPARE(w->plotWidgets().value(name)->plotWidget()->curveAt(0)->curveData()->rawX(0),
                 300.0);

    // Ctrl+E and Ctrl+S save into the working directory.
    QTest::keyClick(w.get(), Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_S, Qt::ControlModifier);
    const QDir dir(wd->path());
    QCOMPARE(dir.entryList({"*.png"}).size(), 1);
    QCOMPARE(dir.entryList({"*.csv"}).size(), 2);

    // A double click closes the window.
    QSignalSpy closed(w.get(), &PlotWindow::closed);
    w->show();
    QTest::mouseDClick(w.get(), Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QVERIFY(!w->isVisible());
}

void TestPlotWindow::exportWritesCsvAndPng()
{
    auto w = makeWindow(Ecu, JobName, "realtime");
    w->job().jobTitle = "Status: Messwerte 1.2";
    w->resize(640, 420);
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    tick(*w, "STAT_RPM_WERT");
    tick(*w, "STAT_LOAD_WERT");
    const qint64 t0 = w->startTime();
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(1.0), t0 + 1250));
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(1.5), t0 + 61000));
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_LOAD_WERT"), qint64(2), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_RPM_WERT"), qint64(2), 5000);

    QVERIFY(w->saveCsv());
    QVERIFY(w->saveScreenshot());
    const QDir dir(wd->path());
    const QStringList csv = dir.entryList({"*.csv"}, QDir::Files, QDir::Name);
    QCOMPARE(csv.size(), 2);
    const QRegularExpression nameRx(
        "^\\d{4}-\\d{2}-\\d{2}-\\d{9}_Status_ Messwerte 1_2_(STAT_LOAD_WERT|STAT_RPM_WERT)\\.csv$");
    for (const QString &f : csv)
        QVERIFY2(nameRx.match(f).hasMatch(), qPrintable(f));
    const QString load = csv.filter("STAT_LOAD_WERT").value(0);
    const QString rpm = csv.filter("STAT_RPM_WERT").value(0);
    QCOMPARE(QString::fromLatin1(wd->read(load)),
             QString("Time;STAT_LOAD_WERT\n00:00:01.250;12\n00:01:01.000;18\n"));
    QCOMPARE(QString::fromLatin1(wd->read(rpm)),
             QString("Time;STAT_RPM_WERT\n00:00:01.250;800\n00:01:01.000;1200\n"));

    const QStringList png = dir.entryList({"*.png"});
    QCOMPARE(png.size(), 1);
    QVERIFY2(QRegularExpression("^Status_ Messwerte 1_2_\\d{4}-\\d{2}-\\d{2}-\\d{9}\\.png$")
                 .match(png.first())
                 .hasMatch(),
             qPrintable(png.first()));
    const QImage image(wd->filePath(png.first()));
    QCOMPARE(image.size(), w->size());

    // Without plots no CSV is written; the screenshot still is.
    tick(*w, "STAT_RPM_WERT", false);
    tick(*w, "STAT_LOAD_WERT", false);
    QTest::qWait(5);
    QVERIFY(w->saveCsv());
    QVERIFY(w->saveScreenshot());
    QCOMPARE(dir.entryList({"*.csv"}).size(), 2);
    QCOMPARE(dir.entryList({"*.png"}).size(), 2);
}

void TestPlotWindow::exportReportsUnwritableFolder()
{
    auto w = makeWindow();
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    tick(*w, "STAT_RPM_WERT");
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(), w->startTime() + 5));
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_RPM_WERT"), qint64(1), 5000);
    // A working directory that has gone refuses every file, even to root.
    QVERIFY(QDir(wd->path()).mkdir("gone"));
    QVERIFY(QDir::setCurrent(wd->filePath("gone")));
    QVERIFY(QDir(wd->path()).rmdir("gone"));
    QVERIFY(!w->saveCsv());
    QVERIFY(label(*w, "errorStatus")->text().startsWith("  Error: cannot write"));
    QVERIFY(label(*w, "errorStatus")->text().contains("STAT_RPM_WERT"));
    QVERIFY(!w->saveScreenshot());
    QVERIFY(label(*w, "errorStatus")->text().contains(".png"));
    // The message is not overwritten by the next job at once.
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(), w->startTime() + 6));
    QVERIFY(label(*w, "errorStatus")->text().startsWith("  Error: "));
    QDir::setCurrent(wd->path());

    // A disk that fills up while the curve is written leaves no cut-off
    // file that could pass for the whole curve, and says why.
    bool saved = true;
    {
        FileSizeLimit limit(10);
        QVERIFY(limit.ok());
        saved = w->saveCsv();
    }
    QVERIFY(!saved);
    const QString error = label(*w, "errorStatus")->text();
    QVERIFY2(error.startsWith("  Error: cannot write") && error.contains("STAT_RPM_WERT.csv (File too large)"),
             qPrintable(error));
    QCOMPARE(QDir(wd->path()).entryList({"*.csv"}), QStringList());
    QVERIFY(w->saveCsv());
    QCOMPARE(QDir(wd->path()).entryList({"*.csv"}).size(), 1);
}

void TestPlotWindow::csvTimeText_data()
{
    QTest::addColumn<double>("x");
    QTest::addColumn<QString>("point");
    QTest::addColumn<QString>("comma");
    QTest::newRow("0") << 0.0 << "00:00:00.000" << "00:00:00,000";
    QTest::newRow("1.25 s") << 1250.0 << "00:00:01.250" << "00:00:01,250";
    QTest::newRow("fraction cut") << 1250.9 << "00:00:01.250" << "00:00:01,250";
    QTest::newRow("61 s") << 61000.0 << "00:01:01.000" << "00:01:01,000";
    QTest::newRow("59:59.999") << 3599999.0 << "00:59:59.999" << "00:59:59,999";
    QTest::newRow("1 h 2 min 5 s") << 3725000.0 << "01:02:05.000" << "01:02:05,000";
    QTest::newRow("ms after the first hour") << 3725123.0 << "01:02:05.123" << "01:02:05,123";
    QTest::newRow("100 h") << 360000000.0 << "100:00:00.000" << "100:00:00,000";
    QTest::newRow("30 days") << 2592000001.0 << "720:00:00.001" << "720:00:00,001";
    QTest::newRow("negative") << -1500.0 << "-00:00:01.500" << "-00:00:01,500";
    QTest::newRow("nan") << qQNaN() << "00:00:00.000" << "00:00:00,000";
}

void TestPlotWindow::csvTimeText()
{
    QFETCH(double, x);
    QFETCH(QString, point);
    QFETCH(QString, comma);
    QCOMPARE(PlotWindow::csvTimeText(x, '.'), point);
    QCOMPARE(PlotWindow::csvTimeText(x, ','), comma);
}

void TestPlotWindow::csvValueText_data()
{
    QTest::addColumn<double>("y");
    QTest::addColumn<QChar>("decimal");
    QTest::addColumn<QString>("text");
    QTest::newRow("comma") << 12.5 << QChar(',') << "12,5";
    // Every digit, as plain numbers: the file reads back as the curve.
    QTest::newRow("seven digits") << 1234567.0 << QChar('.') << "1234567";
    QTest::newRow("real") << 12345.678 << QChar(',') << "12345,678";
    QTest::newRow("32-bit counter") << 4294967295.0 << QChar('.') << "4294967295";
    QTest::newRow("shortest") << 0.1 + 0.2 << QChar('.') << "0.30000000000000004";
    QTest::newRow("below a millionth") << -1.5e-7 << QChar(',') << "-1,5e-07";
}

void TestPlotWindow::csvValueText()
{
    QFETCH(double, y);
    QFETCH(QChar, decimal);
    QFETCH(QString, text);
    QCOMPARE(PlotWindow::csvValueText(y, decimal), text);
}

void TestPlotWindow::exportNames()
{
    QCOMPARE(PlotWindow::exportName("a/b\\c,d:e.f g"), QString("a_b_c_d_e_f g"));
    QCOMPARE(PlotWindow::exportName("STAT_X"), QString("STAT_X"));
}

void TestPlotWindow::closingUnregisters()
{
    auto w = makeWindow();
    CJob queued = w->job();
    JobQueue::instance()->addJob(queued);
    QSignalSpy status(w.get(), &PlotWindow::plotWidgetStatusChanged);
    QSignalSpy closed(w.get(), &PlotWindow::closed);
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    tick(*w, "STAT_RPM_WERT");
    auto registered = [] {
        for (const CJob &j : GlobalJobReceiver::instance()->jobs())
            if (j.getDisplayName() == JobName)
                return true;
        return false;
    };
    QVERIFY(registered());
    w->show();
    QVERIFY(w->close());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(JobQueue::instance()->jobCount(), 0);
    QVERIFY(w->plotWidgets().isEmpty());
    QCOMPARE(status.count(), 2);
    QVERIFY(registered());
    w.reset();
    QVERIFY(!registered());
}

void TestPlotWindow::dataLogButtonAnnouncesRequest()
{
    auto w = makeWindow();
    QPushButton *button = w->findChild<QPushButton *>("btnDataLog");
    // Nobody answers yet: the button would do nothing, so it is off.
    QVERIFY(!button->isEnabled());
    QSignalSpy requested(w.get(), &PlotWindow::dataLogRequested);
    QVERIFY(button->isEnabled());
    button->click();
    QCOMPARE(requested.count(), 1);
}

void TestPlotWindow::multiplotButtonHandsOverPlottedPairs()
{
    auto w = makeWindow();
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    tick(*w, "STAT_TEMP_WERT");
    tick(*w, "STAT_RPM_WERT");
    QPushButton *button = w->findChild<QPushButton *>("btnMultiCurve");
    // Without a main window there is nobody to open the plot: the button is
    // off and pressing it anyway opens nothing.
    QVERIFY(!button->isEnabled());
    const int windows = QApplication::topLevelWidgets().size();
    w->on_btnMultiCurve_clicked();
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);

    qRegisterMetaType<QList<CJobResultPair>>("QList<CJobResultPair>");
    QSignalSpy requested(w.get(), &PlotWindow::multiCurveRequested);
    QVERIFY(button->isEnabled());
    button->click();
    QCOMPARE(requested.count(), 1);
    const auto pairs = requested.first().first().value<QList<CJobResultPair>>();
    // The plots in the order of their names, each with its job's ECU.
    QCOMPARE(pairs.size(), 2);
    QCOMPARE(pairs[0].resultName, std::string("STAT_RPM_WERT"));
    QCOMPARE(pairs[1].resultName, std::string("STAT_TEMP_WERT"));
    QCOMPARE(pairs[0].job.ecuName, std::string(Ecu));
    QCOMPARE(pairs[1].getJobName(), QString(JobName));
}

void TestPlotWindow::realtimeShowsJobsWithTheNextFrame()
{
    auto w = makeWindow(); // realtime
    w->resize(900, 500);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    tick(*w, "STAT_RPM_WERT");
    const int rpm = rowOf(*w, "STAT_RPM_WERT");
    const int text = rowOf(*w, "STAT_TEXT");
    PlotWidget *plot = w->plotWidgets().value("STAT_RPM_WERT")->plotWidget();
    QTest::qWait(300); // the new plot takes its size
    QTRY_VERIFY_WITH_TIMEOUT(!plot->isResizing(), 2000);
    QSignalSpy changed(model(*w), &QAbstractItemModel::dataChanged);

    // Jobs in quick succession: every value reaches the plot, the table
    // shows the latest, without waiting for any refresh timer.
    const qint64 stamp = w->startTime() + 100;
    for (int i = 0; i < 3; ++i)
        PlotWindowFeed::send(PlotWindowFeed::makeJob(Ecu, JobName, fiveResults(2 + i), stamp + 50 * i));
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_RPM_WERT"), qint64(3), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(model(*w)->data(model(*w)->index(rpm, 2)).toString(), QString("3200.000"), 1000);
    QTRY_COMPARE_WITH_TIMEOUT(plot->curveAt(0)->curveData()->lastDrawnIndex(), qint64(3), 1000);
    // Each changed value is announced as its own cell, so that the view
    // paints that cell only; unchanged texts and units are not announced.
    QVERIFY(!changed.isEmpty());
    for (const QList<QVariant> &args : qAsConst(changed)) {
        const QModelIndex from = args.at(0).toModelIndex();
        QCOMPARE(args.at(1).toModelIndex(), from);
        QCOMPARE(from.column(), 2);
        QVERIFY(from.row() != text);
    }
}

void TestPlotWindow::filterKeepsLastColumnStretched()
{
    auto w = makeWindow();
    w->resize(900, 600);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    // Room for the table, so that its columns need not overflow.
    w->findChild<QSplitter *>("splitter")->setSizes({600, 300});
    deliver(*w, PlotWindowFeed::makeJob(Ecu, JobName, fiveResults()));
    auto *view = w->findChild<ResultTableView *>("tableView");
    QTRY_VERIFY(TableChecks::lastColumnReachesEdge(view));
    auto *filter = w->findChild<QLineEdit *>("txtFilter");
    for (const char *text : {"rpm", "", "STAT_"}) {
        filter->setText(text);
        QApplication::processEvents();
        QVERIFY2(TableChecks::lastColumnReachesEdge(view), text);
    }
}

void TestPlotWindow::failedEdiabasStartShowsItsReason()
{
    // A script file cut short: EDIABAS does not start, and the window says
    // why rather than that a handle is missing.
    EdiabasFixture fx;
    QVERIFY(wd->write("ediabas/ediabas.json", R"({"ecus": {)"));
    auto w = makeWindow();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("^apiInit not OK: .*ediabas/ediabas\\.json"));
    CRunner runner;
    CJob job(Ecu, JobName);
    const int code = runner.runJob(job);
    QVERIFY(code != 0);
    deliver(*w, job, code);
    const QString shown = label(*w, "errorStatus")->text();
    QVERIFY2(shown.startsWith("  Error: EDIABAS did not start: ediabas/ediabas.json: "), qPrintable(shown));
}

namespace {
// One run of the measurement job as the EDIABAS stand-in answers it: two
// reals (the second with the text EDIABAS shows for it, fewer digits than
// the value), byte data (all decimal digits in DATEN), a blank text.
const QByteArray measurementScript = R"({
  "ecus": {
    "D_MOTOR": {
      "jobs": {
        "STATUS_MESSWERTE": { "sets": [[
          { "name": "STAT_RPM_WERT", "real": 1500 },
          { "name": "STAT_LOAD_WERT", "real": 12345.678, "rendering": "1.234568E+04" },
          { "name": "BINARY_DATA", "hex": "00 11 2A FF" },
          { "name": "DATEN", "hex": "12 34" },
          { "name": "STAT_BLANK_TEXT", "text": " " },
          { "name": "JOB_STATUS", "text": "OKAY" } ]] }
      }
    }
  }
})";

bool runMeasurement(CRunner &runner, CJob &job)
{
    job = CJob(Ecu, JobName);
    return runner.runJob(job) == 0;
}
} // namespace

void TestPlotWindow::resultsWithoutNumberGiveNoPoint()
{
    EdiabasFixture fx;
    QVERIFY2(fx.load(measurementScript), qPrintable(fx.error()));
    auto w = makeWindow();
    CRunner runner;
    CJob job;
    QVERIFY(runMeasurement(runner, job));
    deliver(*w, job);
    QCOMPARE(model(*w)->rowCount(), 6);
    // Every row may be ticked; only those with numbers get points.
    for (const char *name : {"STAT_RPM_WERT", "STAT_LOAD_WERT", "BINARY_DATA", "DATEN", "STAT_BLANK_TEXT"})
        tick(*w, name);
    QCOMPARE(w->plotWidgets().size(), 5);
    for (int run = 0; run < 2; ++run) {
        QVERIFY(runMeasurement(runner, job));
        deliver(*w, job);
    }
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_RPM_WERT"), qint64(2), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "STAT_LOAD_WERT"), qint64(2), 5000);
    QTest::qWait(50);
    QCoreApplication::processEvents();
    for (const char *name : {"BINARY_DATA", "DATEN", "STAT_BLANK_TEXT"})
        QVERIFY2(points(*w, name) <= 0, name);
    // The value as the job gave it, not its shorter text.
    CustomQwtCurveData *load = w->plotWidgets().value("STAT_LOAD_WERT")->plotWidget()->curveAt(0)->curveData();
    QCOMPARE(load->rawY(0), 12345.678);
    QCOMPARE(load->rawY(1), 12345.678);
    ResultTableModel *m = model(*w);
    QCOMPARE(m->data(m->index(rowOf(*w, "STAT_BLANK_TEXT"), 2)).toString(), QString(" "));

    // The export has a file for each plot, and no cell for what had no
    // number.
    QVERIFY(w->saveCsv());
    const QStringList csv = QDir(wd->path()).entryList({"*.csv"}, QDir::Files, QDir::Name);
    QCOMPARE(csv.size(), 5);
    for (const char *name : {"BINARY_DATA", "DATEN", "STAT_BLANK_TEXT"}) {
        QCOMPARE(csv.filter(name).size(), 1);
        QCOMPARE(QString::fromLatin1(wd->read(csv.filter(name).value(0))), QString("Time;%1\n").arg(name));
    }
    const QStringList lines = QString::fromLatin1(wd->read(csv.filter("STAT_LOAD_WERT").value(0))).split('\n');
    QCOMPARE(lines.size(), 4);
    QVERIFY2(lines.at(1).endsWith(";12345.678"), qPrintable(lines.at(1)));
    QVERIFY2(lines.at(2).endsWith(";12345.678"), qPrintable(lines.at(2)));
    w.reset();
    CRunner::endEdiabas();
}

void TestPlotWindow::fourteenPoint7RawDataGivesNoPoint()
{
    // The device's window: every row can be ticked, the raw message too.
    auto w = makeWindow("", "14POINT7");
    Q14Point7Thread source("14POINT7");
    QSignalSpy jobs(&source, &Q14Point7Thread::jobFinished);
    // The hex of the first message has letters ("40000000..."), that of
    // the second only decimal digits; neither is a number.
    const QList<QByteArray> messages{FourteenPoint7Controller::message(2.0f, 51),
                                     QByteArray::fromHex("00000000" "01020304050607080910111213" "33" "202122")};
    auto send = [&](const QByteArray &message) {
        jobs.clear();
        source.onDataRead(message);
        QCOMPARE(jobs.size(), 1);
        deliver(*w, jobs.at(0).at(0).value<CJob>());
    };
    send(messages.at(0));
    QVERIFY(rowOf(*w, "RAWDATA_AS_HEX") >= 0);
    tick(*w, "RAWDATA_AS_HEX");
    tick(*w, "AFR");
    QList<double> afr;
    for (const QByteArray &message : messages) {
        send(message);
        afr << jobs.at(0).at(0).value<CJob>().results.at(2).realValue;
    }
    QTRY_COMPARE_WITH_TIMEOUT(points(*w, "AFR"), qint64(2), 5000);
    QTest::qWait(50);
    QCoreApplication::processEvents();
    QVERIFY(points(*w, "RAWDATA_AS_HEX") <= 0);
    // The AFR as computed, not its seven digits of text.
    CustomQwtCurveData *curve = w->plotWidgets().value("AFR")->plotWidget()->curveAt(0)->curveData();
    QCOMPARE(curve->rawY(0), afr.at(0));
    QCOMPARE(curve->rawY(1), afr.at(1));
}

QTEST_MAIN(TestPlotWindow)
#include "tst_plotwindow.moc"
