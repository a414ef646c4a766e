// The multi-curve plot fed as the program feeds it: jobs queued in the real
// queue, finished jobs through the job receiver's thread, the result choice
// made in the settings dialog while it runs modally.
#include "customqwtcurve.h"
#include "customqwtcurvedata.h"
#include "jobqueue.h"
#include "multicurveplotsettingsdialog.h"
#include "multicurveplotwindow.h"
#include "plotwidget.h"
#include "plotwindowfeed.h"
#include "workdir.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <memory>

using Value = PlotWindowFeed::Value;

namespace {
const char *const Dme = "D_MOTOR";
const char *const Gearbox = "D_EGS";

// One result of every format, 0 to 8.
QList<Value> everyFormat(double base)
{
    return {{"R_CHAR", 0, base},  {"R_BYTE", 1, base},        {"R_INT", 2, base},
            {"R_WORD", 3, base},  {"R_LONG", 4, base + 1000}, {"R_DWORD", 5, base},
            {"R_TEXT", 6, 0, "", "OK"}, {"R_BIN", 7, 0, "", "0A"}, {"R_REAL", 8, base + 0.5}};
}

CJob queued(const char *ecu, const char *name)
{
    CJob job(ecu, name);
    JobQueue::instance()->addJob(job);
    return job;
}

struct Row
{
    QString job;
    QString result;
    bool checked;
};

QList<Row> rows(QTableWidget *table)
{
    QList<Row> list;
    for (int r = 0; r < table->rowCount(); ++r)
        list << Row{table->item(r, 0)->text(), table->item(r, 2)->text(),
                    table->item(r, 0)->checkState() == Qt::Checked};
    return list;
}

// Opens the preferences; `answer` sees the modal dialog and its table and
// ticks rows; then OK (or Cancel) closes it.
void choose(MultiCurvePlotWindow &w, const std::function<void(QTableWidget *)> &answer, bool ok = true)
{
    bool answered = false;
    std::function<void()> poll;
    poll = [&]() {
        auto *dialog = qobject_cast<MultiCurvePlotSettingsDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            QTimer::singleShot(10, poll);
            return;
        }
        answer(dialog->findChild<QTableWidget *>("tableWidget"));
        auto *box = dialog->findChild<QDialogButtonBox *>("buttonBox");
        box->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
        answered = true;
    };
    QTimer::singleShot(0, poll);
    w.onPreferences();
    QVERIFY(answered);
}

void tick(QTableWidget *table, const QString &job, const QString &result)
{
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->item(r, 0)->text() == job && table->item(r, 2)->text() == result) {
            table->item(r, 0)->setCheckState(Qt::Checked);
            return;
        }
    }
    QFAIL(qPrintable("no row " + job + " " + result));
}

CustomQwtCurve *curve(MultiCurvePlotWindow &w, const char *result)
{
    for (CustomQwtCurve *c : w.plotWidget()->curveMap()) {
        if (c->resultPair()->resultName == result)
            return c;
    }
    return nullptr;
}

qint64 points(MultiCurvePlotWindow &w, const char *result)
{
    CustomQwtCurve *c = curve(w, result);
    return c ? c->curveData()->pointCount() : 0;
}

// Sends a job and waits until the window has taken it.
void deliver(MultiCurvePlotWindow &w, const CJob &job, int result = 0)
{
    const int before = w.jobsReceived();
    PlotWindowFeed::send(job, result);
    QTRY_COMPARE_WITH_TIMEOUT(w.jobsReceived(), before + 1, 5000);
}

// Lets the plot's worker thread hand back what it was given.
void settle()
{
    QTest::qWait(50);
    QCoreApplication::processEvents();
}
// A shown window plotting the given results of the DME's measurement job,
// a curve each once the next values came.
void plotDmeResults(MultiCurvePlotWindow &w, const QStringList &results)
{
    PlotWindowFeed::connect(&w);
    w.resize(800, 400);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    queued(Dme, "STATUS_MESSWERTE");
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(1)));
    choose(w, [&results](QTableWidget *table) {
        for (const QString &result : results)
            tick(table, "STATUS_MESSWERTE (D_MOTOR)", result);
    });
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(2)));
    QTRY_COMPARE_WITH_TIMEOUT(w.plotWidget()->curveMap().size(), results.size(), 5000);
}
} // namespace

class TestMultiCurvePlotWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void emptyUntilResultsAreChosen();
    void dialogOffersNumericResultsOfQueuedJobs();
    void failedRunsAddNothing();
    void byteDataOfferedButNeverPlotted();
    void chosenResultTakesItsOwnEcuOnly_data();
    void chosenResultTakesItsOwnEcuOnly();
    void dialogRowsNameTheirEcuAndShowWhole_data();
    void dialogRowsNameTheirEcuAndShowWhole();
    void plottedPairOfOneEcuLeavesTheOtherUnticked();
    void legendHidesAndShowsCurves();
    void toolBarAndZoom();
    void resetEmptiesThePlot();
    void legendFollowsCurvesAfterDelete();
    void closingWhileFed();

private:
    std::unique_ptr<WorkDir> wd;
};

void TestMultiCurvePlotWindow::initTestCase()
{
    PlotWindowFeed::startReceiver();
}

void TestMultiCurvePlotWindow::cleanupTestCase()
{
    PlotWindowFeed::stopReceiver();
}

void TestMultiCurvePlotWindow::init()
{
    wd = std::make_unique<WorkDir>();
}

void TestMultiCurvePlotWindow::cleanup()
{
    PlotWindowFeed::emptyQueue();
    wd.reset();
}

void TestMultiCurvePlotWindow::emptyUntilResultsAreChosen()
{
    MultiCurvePlotWindow w;
    PlotWindowFeed::connect(&w);
    w.show();
    queued(Dme, "STATUS_MESSWERTE");
    for (int i = 0; i < 3; ++i)
        deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(i)));
    settle();
    w.redraw();
    QVERIFY(w.plotWidget()->curveMap().isEmpty());
    QCOMPARE(w.jobSet().keys(), QStringList{"STATUS_MESSWERTE.D_MOTOR"});

    choose(w, [](QTableWidget *table) {
        tick(table, "STATUS_MESSWERTE (D_MOTOR)", "R_INT");
        tick(table, "STATUS_MESSWERTE (D_MOTOR)", "R_REAL");
    });
    QCOMPARE(w.plotWidget()->resultPairs().size(), 2);
    // The curves come with the next values, and only those two.
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(7)));
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(8)));
    QTRY_COMPARE_WITH_TIMEOUT(points(w, "R_REAL"), qint64(2), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(points(w, "R_INT"), qint64(2), 5000);
    QCOMPARE(w.plotWidget()->curveMap().size(), 2);
    QCOMPARE(curve(w, "R_REAL")->curveData()->rawY(1), 8.5);
    QCOMPARE(curve(w, "R_INT")->curveData()->rawY(0), 7.0);
    // The legend labels of curves that came later are ticked too.
    w.redraw();
    for (CustomQwtCurve *c : w.plotWidget()->curveMap()) {
        const QList<QWidget *> labels = w.legend()->legendWidgets(w.plotWidget()->itemToInfo(c));
        QCOMPARE(labels.size(), 1);
        QVERIFY(qobject_cast<QwtLegendLabel *>(labels.first())->isChecked());
    }

    // The next opening shows the plotted pairs ticked; Cancel keeps them.
    QList<Row> seen;
    choose(
        w, [&](QTableWidget *table) { seen = rows(table); }, false);
    int checked = 0;
    for (const Row &r : seen)
        checked += r.checked ? 1 : 0;
    QCOMPARE(checked, 2);
    for (const Row &r : seen)
        QCOMPARE(r.checked, r.result == "R_INT" || r.result == "R_REAL");
    QCOMPARE(w.plotWidget()->resultPairs().size(), 2);
}

void TestMultiCurvePlotWindow::dialogOffersNumericResultsOfQueuedJobs()
{
    MultiCurvePlotWindow w;
    PlotWindowFeed::connect(&w);
    CJob dme = queued(Dme, "STATUS_MESSWERTE");
    queued(Gearbox, "STATUS_GANG");
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(1)));
    deliver(w, PlotWindowFeed::makeJob(Gearbox, "STATUS_GANG", {{"STAT_GANG_WERT", 2, 3}}));
    // A job that ran but is no longer queued is left out at the opening.
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_ALT", {{"STAT_ALT_WERT", 8, 1}}));
    QCOMPARE(w.jobSet().size(), 3);

    QList<Row> seen;
    choose(
        w, [&](QTableWidget *table) { seen = rows(table); }, false);
    QCOMPARE(w.jobSet().size(), 2);
    QStringList offered;
    for (const Row &r : seen)
        offered << r.job + "." + r.result;
    offered.sort();
    QCOMPARE(offered, (QStringList{"STATUS_GANG (D_EGS).STAT_GANG_WERT", "STATUS_MESSWERTE (D_MOTOR).R_BIN",
                                   "STATUS_MESSWERTE (D_MOTOR).R_INT", "STATUS_MESSWERTE (D_MOTOR).R_LONG",
                                   "STATUS_MESSWERTE (D_MOTOR).R_REAL"}));

    // Taken out of the queue, the job leaves the list at once.
    JobQueue::instance()->removeJob(dme);
    QCOMPARE(w.jobSet().keys(), QStringList{"STATUS_GANG.D_EGS"});
    choose(
        w, [&](QTableWidget *table) { seen = rows(table); }, false);
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().result, QString("STAT_GANG_WERT"));
}

void TestMultiCurvePlotWindow::failedRunsAddNothing()
{
    MultiCurvePlotWindow w;
    PlotWindowFeed::connect(&w);
    queued(Dme, "STATUS_MESSWERTE");
    // A job whose only runs failed cannot be chosen from.
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(1)), 119);
    QVERIFY(w.jobSet().isEmpty());
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(1)));
    choose(w, [](QTableWidget *table) { tick(table, "STATUS_MESSWERTE (D_MOTOR)", "R_REAL"); });
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(2)));
    QTRY_COMPARE_WITH_TIMEOUT(points(w, "R_REAL"), qint64(1), 5000);
    // A failed run carries no values: no false zero on the curve.
    CJob failed = PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(0));
    deliver(w, failed, 349);
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(3)));
    QTRY_COMPARE_WITH_TIMEOUT(points(w, "R_REAL"), qint64(2), 5000);
    settle();
    CustomQwtCurveData *data = curve(w, "R_REAL")->curveData();
    QCOMPARE(data->pointCount(), qint64(2));
    QCOMPARE(data->rawY(0), 2.5);
    QCOMPARE(data->rawY(1), 3.5);
}

void TestMultiCurvePlotWindow::byteDataOfferedButNeverPlotted()
{
    MultiCurvePlotWindow w;
    PlotWindowFeed::connect(&w);
    queued(Dme, "STATUS_MESSWERTE");
    // As the runner fills them: byte data as hexadecimal text (here all
    // decimal digits), a real whose text shows it to 7 digits.
    auto measurement = [](const char *daten) {
        return PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE",
                                       {{"BINARY_DATA", 7, 0, "", "0011223344556677889900"},
                                        {"DATEN", 7, 0, "", daten},
                                        {"STAT_LOAD_WERT", 8, 12345.678, "", "1.234568E+04"}});
    };
    deliver(w, measurement("1234"));
    choose(w, [](QTableWidget *table) {
        for (const char *result : {"BINARY_DATA", "DATEN", "STAT_LOAD_WERT"})
            tick(table, "STATUS_MESSWERTE (D_MOTOR)", result);
    });
    deliver(w, measurement("1234"));
    deliver(w, measurement("0A0B"));
    QTRY_COMPARE_WITH_TIMEOUT(points(w, "STAT_LOAD_WERT"), qint64(2), 5000);
    settle();
    QVERIFY(!curve(w, "BINARY_DATA"));
    QVERIFY(!curve(w, "DATEN"));
    QCOMPARE(w.plotWidget()->curveMap().size(), 1);
    CustomQwtCurveData *data = curve(w, "STAT_LOAD_WERT")->curveData();
    QCOMPARE(data->rawY(0), 12345.678);
    QCOMPARE(data->rawY(1), 12345.678);
}

void TestMultiCurvePlotWindow::chosenResultTakesItsOwnEcuOnly_data()
{
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QList<QList<double>>>("values"); // per chosen row, in the table's order
    QTest::newRow("first ECU") << QStringList{"IDENT (D_MOTOR)"} << QList<QList<double>>{{11, 12}};
    QTest::newRow("second ECU") << QStringList{"IDENT (D_EGS)"} << QList<QList<double>>{{21, 22}};
    QTest::newRow("both") << QStringList{"IDENT (D_EGS)", "IDENT (D_MOTOR)"}
                          << QList<QList<double>>{{21, 22}, {11, 12}};
}

void TestMultiCurvePlotWindow::chosenResultTakesItsOwnEcuOnly()
{
    // Two ECUs run a job of one name: each is a row of its own, and a
    // chosen row's curve takes that ECU's values only.
    QFETCH(QStringList, chosen);
    QFETCH(QList<QList<double>>, values);
    MultiCurvePlotWindow w;
    PlotWindowFeed::connect(&w);
    queued(Dme, "IDENT");
    queued(Gearbox, "IDENT");
    deliver(w, PlotWindowFeed::makeJob(Dme, "IDENT", {{"ID_SW", 2, 10}}));
    deliver(w, PlotWindowFeed::makeJob(Gearbox, "IDENT", {{"ID_SW", 2, 20}}));
    QCOMPARE(w.jobSet().size(), 2);
    QList<Row> seen;
    choose(w, [&](QTableWidget *table) {
        seen = rows(table);
        for (const QString &job : chosen)
            tick(table, job, "ID_SW");
    });
    QStringList listed;
    for (const Row &r : seen)
        listed << r.job;
    listed.sort();
    QCOMPARE(listed, (QStringList{"IDENT (D_EGS)", "IDENT (D_MOTOR)"}));
    QCOMPARE(w.plotWidget()->resultPairs().size(), chosen.size());

    deliver(w, PlotWindowFeed::makeJob(Dme, "IDENT", {{"ID_SW", 2, 11}}));
    deliver(w, PlotWindowFeed::makeJob(Gearbox, "IDENT", {{"ID_SW", 2, 21}}));
    deliver(w, PlotWindowFeed::makeJob(Dme, "IDENT", {{"ID_SW", 2, 12}}));
    deliver(w, PlotWindowFeed::makeJob(Gearbox, "IDENT", {{"ID_SW", 2, 22}}));
    QTRY_COMPARE_WITH_TIMEOUT(w.plotWidget()->curveMap().size(), chosen.size(), 5000);
    auto complete = [&w]() {
        for (CustomQwtCurve *c : w.plotWidget()->curveMap())
            if (c->curveData()->pointCount() < 2)
                return false;
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(complete(), 5000);
    settle();
    // The map orders one result's curves by ECU name, as the rows are listed.
    QList<QList<double>> plotted;
    for (CustomQwtCurve *c : w.plotWidget()->curveMap()) {
        CustomQwtCurveData *data = c->curveData();
        QList<double> ys;
        for (qint64 i = 0; i < data->pointCount(); ++i)
            ys << data->rawY(i);
        plotted << ys;
    }
    QCOMPARE(plotted, values);
}

void TestMultiCurvePlotWindow::dialogRowsNameTheirEcuAndShowWhole_data()
{
    QTest::addColumn<QByteArray>("job");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QByteArray>("result2");
    // The demo's two engines run a job of one name, with long result names:
    // wider together than the test's screen.
    QTest::newRow("demo") << QByteArray("MW_SELECT_LESEN_NORM") << QByteArray("STAT_CTSCD_TCLNT_WERT")
                          << QByteArray("STAT_ENG_NAVRG_WERT");
    QTest::newRow("short") << QByteArray("IDENT") << QByteArray("ID_SW_VERSION") << QByteArray("ID_HW");
}

void TestMultiCurvePlotWindow::dialogRowsNameTheirEcuAndShowWhole()
{
    QFETCH(QByteArray, job);
    QFETCH(QByteArray, result);
    QFETCH(QByteArray, result2);
    queued("MSV70", job);
    queued("D73N57C0", job);
    MultiCurvePlotWindow w;
    PlotWindowFeed::connect(&w);
    deliver(w, PlotWindowFeed::makeJob("MSV70", job, {{result.constData(), 8, 90}, {result2.constData(), 8, 800}}));
    deliver(w, PlotWindowFeed::makeJob("D73N57C0", job, {{result.constData(), 8, 1.2}, {result2.constData(), 8, 9}}));
    QStringList jobs;
    QStringList cut;
    QSize dialogSize;
    bool stretched = false;
    choose(
        w,
        [&](QTableWidget *table) {
            dialogSize = table->window()->size();
            stretched = table->horizontalHeader()->stretchLastSection();
            const int indicator = table->style()->pixelMetric(QStyle::PM_IndicatorWidth);
            const int scrollable = table->horizontalScrollBar()->maximum();
            for (int r = 0; r < table->rowCount(); ++r) {
                jobs << table->item(r, 0)->text();
                for (int c = 0; c < table->columnCount(); ++c) {
                    const QString text = table->item(r, c)->text();
                    const int needed =
                        table->fontMetrics().horizontalAdvance(text) + (c == 0 ? indicator : 0);
                    // Whole within its column, and the column within sight
                    // (on a narrow screen: within reach of the scroll bar).
                    const int width = table->columnWidth(c);
                    const int right = table->columnViewportPosition(c) + width;
                    const int room = table->viewport()->width();
                    if (needed > width || width > room || (right > room && scrollable == 0))
                        cut << QString("%1 (%2 > %3, right %4 > %5 + %6)")
                                   .arg(text)
                                   .arg(needed)
                                   .arg(width)
                                   .arg(right)
                                   .arg(room)
                                   .arg(scrollable);
                }
            }
        },
        false);
    jobs.sort();
    const QString name = QString::fromLatin1(job);
    QCOMPARE(jobs, (QStringList{name + " (D73N57C0)", name + " (D73N57C0)", name + " (MSV70)", name + " (MSV70)"}));
    QVERIFY2(cut.isEmpty(), qPrintable(cut.join("; ")));
    const QSize screen = QGuiApplication::primaryScreen()->availableGeometry().size();
    QCOMPARE(dialogSize.boundedTo(screen), dialogSize);
    // Where the screen leaves room, the table shows every column at once.
    if (QTest::currentDataTag() == QByteArray("short"))
        QVERIFY(stretched);
}

void TestMultiCurvePlotWindow::plottedPairOfOneEcuLeavesTheOtherUnticked()
{
    const char *job = "MW_SELECT_LESEN_NORM";
    queued("MSV70", job);
    queued("D73N57C0", job);
    MultiCurvePlotWindow w;
    PlotWindowFeed::connect(&w);
    deliver(w, PlotWindowFeed::makeJob("MSV70", job, {{"STAT_ENG_NAVRG_WERT", 8, 800}}));
    deliver(w, PlotWindowFeed::makeJob("D73N57C0", job, {{"STAT_ENG_NAVRG_WERT", 8, 900}}));
    choose(w, [&](QTableWidget *table) { tick(table, "MW_SELECT_LESEN_NORM (MSV70)", "STAT_ENG_NAVRG_WERT"); });
    QList<Row> seen;
    choose(
        w, [&](QTableWidget *table) { seen = rows(table); }, false);
    QCOMPARE(seen.size(), 2);
    for (const Row &r : seen)
        QCOMPARE(r.checked, r.job == "MW_SELECT_LESEN_NORM (MSV70)");
}

void TestMultiCurvePlotWindow::legendHidesAndShowsCurves()
{
    MultiCurvePlotWindow w;
    plotDmeResults(w, {"R_INT", "R_LONG"});
    // The timer started by closing the dialog ticks the labels.
    CustomQwtCurve *longCurve = curve(w, "R_LONG");
    auto label = [&]() {
        const QList<QWidget *> labels = w.legend()->legendWidgets(w.plotWidget()->itemToInfo(longCurve));
        return labels.isEmpty() ? nullptr : qobject_cast<QwtLegendLabel *>(labels.first());
    };
    QTRY_VERIFY_WITH_TIMEOUT(label() && label()->isChecked(), 5000);

    QTest::mouseClick(label(), Qt::LeftButton);
    QVERIFY(!longCurve->isVisible());
    QVERIFY(!label()->isChecked());
    QVERIFY(curve(w, "R_INT")->isVisible());
    // The y range stays put while curves come and go.
    QVERIFY(!w.plotWidget()->axisAutoScale(QwtPlot::yLeft));
    // Re-ticking the labels leaves a hidden curve unticked.
    w.setLegendsChecked();
    QVERIFY(!label()->isChecked());
    QTest::mouseClick(label(), Qt::LeftButton);
    QVERIFY(longCurve->isVisible());
    QVERIFY(label()->isChecked());
}

void TestMultiCurvePlotWindow::toolBarAndZoom()
{
    MultiCurvePlotWindow w;
    w.resize(600, 400);
    w.show();
    QToolBar *bar = w.findChild<QToolBar *>();
    QVERIFY(bar);
    QList<QToolButton *> shown;
    for (QToolButton *b : bar->findChildren<QToolButton *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (b->isVisible())
            shown << b;
    }
    // Zoom out, zoom in, preferences, delete: nothing lies on top of them.
    QCOMPARE(shown.size(), 4);
    for (QToolButton *b : shown)
        QVERIFY(!b->icon().isNull());
    QCOMPARE(bar->findChildren<QComboBox *>().first()->count(), 0);

    PlotWidget *plot = w.plotWidget();
    QCOMPARE(plot->timeWindow(), qint64(30000));
    w.onZoomIn();
    QCOMPARE(plot->timeWindow(), qint64(25000));
    w.onYZoomOut();
    QCOMPARE(plot->timeWindow(), qint64(20000));
    w.onZoomOut();
    QCOMPARE(plot->timeWindow(), qint64(25000));
    // The zoom-out button is the first in the row and answers a click.
    QTest::mouseClick(shown.first(), Qt::LeftButton);
    QCOMPARE(plot->timeWindow(), qint64(30000));
}

void TestMultiCurvePlotWindow::resetEmptiesThePlot()
{
    MultiCurvePlotWindow w;
    PlotWindowFeed::connect(&w);
    queued(Dme, "STATUS_MESSWERTE");
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(1)));
    choose(w, [](QTableWidget *table) { tick(table, "STATUS_MESSWERTE (D_MOTOR)", "R_REAL"); });
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(2)));
    QTRY_COMPARE_WITH_TIMEOUT(points(w, "R_REAL"), qint64(1), 5000);
    w.onDelete();
    QVERIFY(w.plotWidget()->curveMap().isEmpty());
    // The choice stays: the curve comes back with the next value.
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(3)));
    QTRY_COMPARE_WITH_TIMEOUT(points(w, "R_REAL"), qint64(1), 5000);
}

void TestMultiCurvePlotWindow::legendFollowsCurvesAfterDelete()
{
    MultiCurvePlotWindow w;
    plotDmeResults(w, {"R_INT", "R_LONG", "R_REAL"});
    auto label = [&w](QwtPlotItem *item) {
        const QList<QWidget *> labels = w.legend()->legendWidgets(w.plotWidget()->itemToInfo(item));
        return labels.size() == 1 ? qobject_cast<QwtLegendLabel *>(labels.first()) : nullptr;
    };
    // Every curve has one label, ticked exactly when the curve is drawn.
    auto inStep = [&]() {
        for (CustomQwtCurve *c : w.plotWidget()->curveMap()) {
            QwtLegendLabel *l = label(c);
            if (!l || l->isChecked() != c->isVisible())
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(inStep(), 5000);
    QTest::mouseClick(label(curve(w, "R_LONG")), Qt::LeftButton);
    QVERIFY(!curve(w, "R_LONG")->isVisible());
    QVERIFY(inStep());

    for (int round = 0; round < 2; ++round) {
        w.onDelete();
        QVERIFY(w.plotWidget()->curveMap().isEmpty());
        // The curves come back with the next values, drawn and ticked.
        deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(3 + round)));
        QTRY_COMPARE_WITH_TIMEOUT(w.plotWidget()->curveMap().size(), 3, 5000);
        settle();
        w.redraw();
        for (CustomQwtCurve *c : w.plotWidget()->curveMap()) {
            QVERIFY(c->isVisible());
            QVERIFY(label(c));
            QVERIFY2(label(c)->isChecked(), qPrintable(c->title().text()));
        }
    }
}

void TestMultiCurvePlotWindow::closingWhileFed()
{
    queued(Dme, "STATUS_MESSWERTE");
    for (int round = 0; round < 3; ++round) {
        auto w = std::make_unique<MultiCurvePlotWindow>();
        PlotWindowFeed::connect(w.get());
        w->show();
        deliver(*w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(1)));
        choose(*w, [](QTableWidget *table) {
            tick(table, "STATUS_MESSWERTE (D_MOTOR)", "R_INT");
            tick(table, "STATUS_MESSWERTE (D_MOTOR)", "R_REAL");
        });
        // Jobs still on their way to the window and to the plot's thread.
        for (int i = 0; i < 50; ++i)
            PlotWindowFeed::send(PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(i)));
        QTest::qWait(round * 5);
        w.reset();
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(TestMultiCurvePlotWindow)
#include "tst_multicurveplotwindow.moc"
