// A plot window fed like a running car for a few seconds: two ticked
// results must show as two moving curves on screen.
#include "customqwtcurve.h"
#include "customqwtcurvedata.h"
#include "jobqueue.h"
#include "kelvosettings.h"
#include "plotwidget.h"
#include "plotwidgetcontainer.h"
#include "plotwindow.h"
#include "plotwindowfeed.h"
#include "resulttableview.h"
#include "workdir.h"

#include <QImage>
#include <QLineEdit>
#include <QtTest>

#include <cmath>

class TestPlotWindowLive : public QObject
{
    Q_OBJECT
private slots:
    void twoMovingCurves();
};

namespace {
CJob carJob(int n)
{
    const double t = n * 0.05;
    const double rpm = 850 + 2200 * (0.5 + 0.5 * std::sin(t * 0.9)) + 40 * std::sin(t * 7);
    const double coolant = 20 + 70 * (1 - std::exp(-t / 6.0));
    CJob job = PlotWindowFeed::makeJob(
        "D_MOTOR", "STATUS_MESSWERTE",
        {{"STAT_MOTORDREHZAHL_WERT", 8, rpm, "1/min"},
         {"STAT_KUEHLMITTELTEMPERATUR_WERT", 2, coolant, "degC"},
         {"STAT_LAMBDA_WERT", 8, 1.0 + 0.05 * std::sin(t * 3), "-"},
         {"STAT_ZUENDWINKEL_WERT", 8, 12 + 4 * std::sin(t), "deg"},
         {"STAT_BETRIEBSART_TEXT", 6, 0, "", "Teillast"}});
    job.duration = 38 + n % 7;
    return job;
}

// Pixels of the curve's pen colour inside a widget of the window.
int colouredPixels(const QImage &image, const QRect &area, const QColor &colour)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - colour.red()) < 40 && std::abs(c.green() - colour.green()) < 40
                && std::abs(c.blue() - colour.blue()) < 40)
                ++count;
        }
    return count;
}
} // namespace

void TestPlotWindowLive::twoMovingCurves()
{
    WorkDir wd;
    PlotWindowFeed::startReceiver();
    KelvoSettings::open()->setValue("graph/FPS", "10");
    // KELVO_LIVE_SECONDS runs it longer, KELVO_LIVE_SHOT keeps the picture.
    const int seconds = qEnvironmentVariableIsSet("KELVO_LIVE_SECONDS")
        ? qMax(1, qEnvironmentVariableIntValue("KELVO_LIVE_SECONDS"))
        : 3;

    PlotWindow w(CJob("D_MOTOR", "STATUS_MESSWERTE"));
    w.job().jobTitle = "Status Messwerte";
    w.setWindowTitle("Status Messwerte");
    PlotWindowFeed::connect(&w);
    CJob queued = w.job();
    JobQueue::instance()->addJob(queued);
    w.resize(1100, 640);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    int n = 0;
    PlotWindowFeed::send(carJob(n++));
    QTRY_COMPARE(w.findChild<ResultTableView *>("tableView")->rowCount(), 5);
    ResultTableModel *model = w.findChild<ResultTableView *>("tableView")->tableModel();
    model->setCellData(0, 0, Qt::Checked, Qt::CheckStateRole);
    model->setCellData(1, 0, Qt::Checked, Qt::CheckStateRole);
    QCOMPARE(w.plotWidgets().size(), 2);

    QTimer feeder;
    QObject::connect(&feeder, &QTimer::timeout, [&] { PlotWindowFeed::send(carJob(n++)); });
    const int first = n;
    feeder.start(50);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < seconds * 1000)
        QTest::qWait(50);
    feeder.stop();
    // A loaded machine fires the feeder less often: what counts is what was sent.
    const int sent = n - first;
    QVERIFY2(sent >= seconds, qPrintable(QString::number(sent)));
    QTest::qWait(300);

    const QImage image = w.grab().toImage();
    const QString shot = qEnvironmentVariable("KELVO_LIVE_SHOT", wd.filePath("live.png"));
    QVERIFY(image.save(shot, "PNG"));

    for (const QString &name : {QString("STAT_MOTORDREHZAHL_WERT"),
                                QString("STAT_KUEHLMITTELTEMPERATUR_WERT")}) {
        PlotWidgetContainer *c = w.plotWidgets().value(name);
        QVERIFY(c);
        PlotWidget *plot = c->plotWidget();
        QVERIFY(!plot->curveMap().isEmpty());
        CustomQwtCurve *curve = plot->curveAt(0);
        const CustomQwtCurveData *data = curve->curveData();
        // At least half of the jobs sent made it, in time order, moving.
        QVERIFY2(data->pointCount() >= sent / 2,
                 qPrintable(QStringLiteral("%1 of %2").arg(data->pointCount()).arg(sent)));
        double lo = data->rawY(0), hi = lo;
        for (qint64 i = 1; i < data->pointCount(); ++i) {
            QVERIFY(data->rawX(i) >= data->rawX(i - 1));
            lo = qMin(lo, data->rawY(i));
            hi = qMax(hi, data->rawY(i));
        }
        QVERIFY(hi > lo);
        QVERIFY(data->rawX(data->pointCount() - 1) - data->rawX(0) >= seconds * 500);
        const QRect area(plot->canvas()->mapTo(&w, QPoint(0, 0)), plot->canvas()->size());
        const int pixels = colouredPixels(image, area, curve->pen().color());
        QVERIFY2(pixels > 20 * seconds, qPrintable(QString("%1: %2 curve pixels").arg(name).arg(pixels)));
    }
    w.close();
}

QTEST_MAIN(TestPlotWindowLive)
#include "tst_plotwindowlive.moc"
