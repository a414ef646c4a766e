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
    void chosenResultTakesItsOwnEcuOnly();
    void legendHidesAndShowsCurves();
    void toolBarAndZoom();
    void resetEmptiesThePlot();
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
    QCOMPARE(w.jobSet().keys(), QStringList{"STATUS_MESSWERTE"});

    choose(w, [](QTableWidget *table) {
        tick(table, "STATUS_MESSWERTE", "R_INT");
        tick(table, "STATUS_MESSWERTE", "R_REAL");
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
    QCOMPARE(offered, (QStringList{"STATUS_GANG.STAT_GANG_WERT", "STATUS_MESSWERTE.R_BIN",
                                   "STATUS_MESSWERTE.R_INT", "STATUS_MESSWERTE.R_LONG",
                                   "STATUS_MESSWERTE.R_REAL"}));

    // Taken out of the queue, the job leaves the list at once.
    JobQueue::instance()->removeJob(dme);
    QCOMPARE(w.jobSet().keys(), QStringList{"STATUS_GANG"});
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
    choose(w, [](QTableWidget *table) { tick(table, "STATUS_MESSWERTE", "R_REAL"); });
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

void TestMultiCurvePlotWindow::chosenResultTakesItsOwnEcuOnly()
{
    MultiCurvePlotWindow w;
    PlotWindowFeed::connect(&w);
    queued(Dme, "IDENT");
    queued(Gearbox, "IDENT");
    deliver(w, PlotWindowFeed::makeJob(Dme, "IDENT", {{"ID_SW", 2, 10}}));
    // One entry per display name: the first ECU's run is the one listed.
    deliver(w, PlotWindowFeed::makeJob(Gearbox, "IDENT", {{"ID_SW", 2, 20}}));
    QCOMPARE(w.jobSet().size(), 1);
    choose(w, [](QTableWidget *table) { tick(table, "IDENT", "ID_SW"); });
    QCOMPARE(w.plotWidget()->resultPairs().first().job.ecuName, std::string(Dme));

    deliver(w, PlotWindowFeed::makeJob(Dme, "IDENT", {{"ID_SW", 2, 11}}));
    deliver(w, PlotWindowFeed::makeJob(Gearbox, "IDENT", {{"ID_SW", 2, 21}}));
    deliver(w, PlotWindowFeed::makeJob(Dme, "IDENT", {{"ID_SW", 2, 12}}));
    QTRY_COMPARE_WITH_TIMEOUT(points(w, "ID_SW"), qint64(2), 5000);
    settle();
    CustomQwtCurveData *data = curve(w, "ID_SW")->curveData();
    QCOMPARE(data->pointCount(), qint64(2));
    QCOMPARE(data->rawY(0), 11.0);
    QCOMPARE(data->rawY(1), 12.0);
}

void TestMultiCurvePlotWindow::legendHidesAndShowsCurves()
{
    MultiCurvePlotWindow w;
    PlotWindowFeed::connect(&w);
    w.resize(800, 400);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    queued(Dme, "STATUS_MESSWERTE");
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(1)));
    choose(w, [](QTableWidget *table) {
        tick(table, "STATUS_MESSWERTE", "R_INT");
        tick(table, "STATUS_MESSWERTE", "R_LONG");
    });
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(2)));
    QTRY_COMPARE_WITH_TIMEOUT(w.plotWidget()->curveMap().size(), 2, 5000);
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
    choose(w, [](QTableWidget *table) { tick(table, "STATUS_MESSWERTE", "R_REAL"); });
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(2)));
    QTRY_COMPARE_WITH_TIMEOUT(points(w, "R_REAL"), qint64(1), 5000);
    w.onDelete();
    QVERIFY(w.plotWidget()->curveMap().isEmpty());
    // The choice stays: the curve comes back with the next value.
    deliver(w, PlotWindowFeed::makeJob(Dme, "STATUS_MESSWERTE", everyFormat(3)));
    QTRY_COMPARE_WITH_TIMEOUT(points(w, "R_REAL"), qint64(1), 5000);
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
            tick(table, "STATUS_MESSWERTE", "R_INT");
            tick(table, "STATUS_MESSWERTE", "R_REAL");
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
