#include "plottestjobs.h"
#include "curvetracker.h"
#include "plotwidget.h"
#include "plotwidgetcontainer.h"
#include "workdir.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QtTest>

// One second, as a user would wait; ThreadSanitizer runs everything several
// times slower.
#if defined(__SANITIZE_THREAD__)
static const qint64 teardownLimitMs = 3000;
#else
static const qint64 teardownLimitMs = 1000;
#endif

namespace {
const qint64 T0 = 1500000000000LL;

// Sends finished jobs from a thread of its own, as the job fan-out does.
class Feeder : public QObject
{
    Q_OBJECT
public:
    int jobs = 0;
signals:
    void result(const CJobResult &res, const CJob job, int code);
public slots:
    void run()
    {
        for (int i = 0; i < jobs; ++i) {
            CJob job = plotJob(T0 + i * 10);
            const CJobResult a = plotResult("A", QByteArray::number(i % 97).constData());
            const CJobResult b = plotResult("B", QByteArray::number(-(i % 89)).constData());
            job.addResult(a);
            job.addResult(b);
            emit result(a, job, 0);
            emit result(b, job, 0);
            if (i % 500 == 0)
                QThread::msleep(1);
        }
    }
};

qint64 points(PlotWidget *plot)
{
    qint64 n = 0;
    for (CustomQwtCurve *c : plot->curveMap())
        n += c->curveData()->pointCount();
    return n;
}
} // namespace

class TestPlotWidgetThreads : public QObject
{
    Q_OBJECT
private slots:
    void threadedFeedDuringRedraws();
    void tearDownWithThread();
    void tearDownWithValuesInFlight();
};

void TestPlotWidgetThreads::threadedFeedDuringRedraws()
{
    WorkDir wd;
    PlotWidgetContainer box(nullptr, true);
    PlotWidget *plot = box.plotWidget();
    plot->setPlotAllResults(true);
    plot->setStartTime(T0);
    box.resize(500, 300);
    box.show();
    plot->resizeDone();

    QThread feederThread;
    Feeder feeder;
    feeder.jobs = 5000;
    feeder.moveToThread(&feederThread);
    connect(&feeder, &Feeder::result, plot, &PlotWidget::onJobResultUpdated);
    feederThread.start();

    QTimer redraw;
    int ticks = 0;
    connect(&redraw, &QTimer::timeout, plot, [&] {
        ++ticks;
        plot->redrawAllCurves();
        // The tracker reads the same points the values are appended to.
        plot->tracker()->trackerTextF(QPointF(ticks * 100.0, 0));
    });
    redraw.start(5);
    QMetaObject::invokeMethod(&feeder, "run", Qt::QueuedConnection);

    QTRY_COMPARE_WITH_TIMEOUT(points(plot), qint64(10000), 60000);
    redraw.stop();
    plot->redrawAllCurves();
    QVERIFY(ticks > 0);
    QCOMPARE(plot->curveMap().size(), 2);
    QCOMPARE(plot->data()->lastElapsed(), qint64(4999 * 10));
    // 50 s of data: the second page, following.
    QCOMPARE(plot->timeMax(), qint64(60000));
    QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 30000.0);
    const CustomQwtCurveData *a = plot->curveAt(0)->curveData();
    for (qint64 i = 1; i < a->pointCount(); ++i)
        QVERIFY(a->rawX(i) >= a->rawX(i - 1));
    feederThread.quit();
    QVERIFY(feederThread.wait(10000));
}

void TestPlotWidgetThreads::tearDownWithThread()
{
    WorkDir wd;
    auto *box = new PlotWidgetContainer(nullptr, true);
    PlotWidget *plot = box->plotWidget();
    plot->setPlotAllResults(true);
    plot->setStartTime(T0);
    for (int i = 0; i < 50; ++i)
        plot->onJobResultUpdated(plotResult("A", "1"), plotJob(T0 + i), 0);
    QTRY_COMPARE_WITH_TIMEOUT(points(plot), qint64(50), 10000);
    QElapsedTimer clock;
    clock.start();
    delete box;
    QVERIFY2(clock.elapsed() < teardownLimitMs, qPrintable(QString::number(clock.elapsed())));
}

void TestPlotWidgetThreads::tearDownWithValuesInFlight()
{
    WorkDir wd;
    for (int round = 0; round < 5; ++round) {
        auto *plot = new PlotWidget(nullptr, true);
        plot->setPlotAllResults(true);
        plot->setStartTime(T0);
        for (int i = 0; i < 2000; ++i)
            plot->onJobResultUpdated(plotResult("A", "1"), plotJob(T0 + i), 0);
        QCoreApplication::processEvents();
        QElapsedTimer clock;
        clock.start();
        delete plot;
        QVERIFY2(clock.elapsed() < teardownLimitMs, qPrintable(QString::number(clock.elapsed())));
        // Values still queued for the deleted plot go nowhere.
        QCoreApplication::processEvents();
    }
}

QTEST_MAIN(TestPlotWidgetThreads)
#include "tst_plotwidgetthreads.moc"
