// The plot window's Gauges button: the plotted results become a gauge
// screen in the main window's MDI area, fed by the job stream.
#include "basicgauge.h"
#include "fakemdihost.h"
#include "gaugecontainer.h"
#include "gaugedefmanager.h"
#include "gaugewidget.h"
#include "plotwindow.h"
#include "plotwindowfeed.h"
#include "resulttablemodel.h"
#include "resulttableview.h"
#include "workdir.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QSizeGrip>
#include <QtTest>

#include <memory>

class TestPlotWindowGauges : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void buttonWaitsForAMainWindow();
    void fivePlottedResultsBecomeAGaugeScreen();
};

namespace {
const char *const Ecu = "D_MOTOR";
const char *const JobName = "STATUS_MESSWERTE";
const char *const Names[] = {"STAT_RPM_WERT", "STAT_TEMP_WERT", "STAT_LOAD_WERT", "STAT_LAMBDA_WERT",
                             "STAT_BOOST_WERT"};

CJob jobWith(double base)
{
    QList<PlotWindowFeed::Value> values;
    int i = 0;
    for (const char *name : Names)
        values << PlotWindowFeed::Value{name, 8, base * (i++ + 1)};
    return PlotWindowFeed::makeJob(Ecu, JobName, values);
}

void tick(PlotWindow &w, const char *name)
{
    ResultTableModel *m = w.findChild<ResultTableView *>("tableView")->tableModel();
    for (int r = 0; r < m->rowCount(); ++r)
        if (m->userData(r, 0).value<CJobResult>().name == name)
            m->setCellData(r, 0, Qt::Checked, Qt::CheckStateRole);
}
} // namespace

void TestPlotWindowGauges::initTestCase()
{
    PlotWindowFeed::startReceiver();
}

void TestPlotWindowGauges::buttonWaitsForAMainWindow()
{
    WorkDir wd;
    auto w = std::make_unique<PlotWindow>(CJob(Ecu, JobName));
    auto *button = w->findChild<QPushButton *>("btnGauge");
    QVERIFY(!button->isEnabled());
    FakeMdiHost host(QSize(1000, 700));
    w->setMainWnd(&host);
    QVERIFY(button->isEnabled());
    // Nothing plotted: an empty screen of one column.
    button->click();
    QCOMPARE(host.area.subWindowList().size(), 1);
    auto *c = qobject_cast<GaugeContainer *>(host.area.subWindowList().first()->widget());
    QVERIFY(c);
    QCOMPARE(c->columns(), 1);
    QVERIFY(c->gauges().isEmpty());

    // With no manager before it, the window loaded the definitions, but
    // they outlive it: the screen and later callers keep using them.
    QPointer<GaugeDefManager> manager = GaugeDefManager::instance();
    w.reset();
    QVERIFY(manager);
    QCOMPARE(GaugeDefManager::instance(), manager.data());
}

void TestPlotWindowGauges::fivePlottedResultsBecomeAGaugeScreen()
{
    WorkDir wd;
    // The ECU defines the temperature dial; the other results have none.
    wd.write("gauges/D_MOTOR/definitions.txt",
             "[TEMP]\nJobname=status_messwerte\nResultname=STAT_TEMP_WERT\nMin=-40\nMax=160\n"
             "title=Coolant\nunit=degC\nneedlecolor=#ff0000\n");
    GaugeDefManager::instance()->reload();
    FakeMdiHost host(QSize(1000, 700));
    PlotWindow w(CJob(Ecu, JobName));
    w.setMainWnd(&host);
    PlotWindowFeed::connect(&w);
    w.show();
    PlotWindowFeed::send(jobWith(1));
    QTRY_VERIFY(w.messageCount() > 0);
    for (const char *name : Names)
        tick(w, name);
    QCOMPARE(w.plotWidgets().size(), 5);

    QTest::mouseClick(w.findChild<QPushButton *>("btnGauge"), Qt::LeftButton);
    QCOMPARE(host.area.subWindowList().size(), 1);
    QMdiSubWindow *sub = host.area.subWindowList().first();
    auto *c = qobject_cast<GaugeContainer *>(sub->widget());
    QVERIFY(c);
    QCOMPARE(c->subWindow(), sub);
    QVERIFY(c->isVisible());
    QCOMPARE(sub->size(), QSize(500, 350));
    QCOMPARE(sub->pos(), QPoint(0, 0));
    QVERIFY(sub->findChild<QSizeGrip *>());
    QCOMPARE(c->styleSheet(), QString("background-color:black"));
    QCOMPARE(c->columns(), 2);
    QCOMPARE(c->gauges().size(), 5);
    QCOMPARE(c->windowTitle(), w.windowTitle());

    GaugeWidget *temp = nullptr;
    GaugeWidget *rpm = nullptr;
    for (GaugeWidget *g : c->gauges()) {
        if (g->resultPair().resultName == "STAT_TEMP_WERT")
            temp = g;
        if (g->resultPair().resultName == "STAT_RPM_WERT")
            rpm = g;
    }
    QVERIFY(temp && rpm);
    QVERIFY(!temp->autoScale());
    QCOMPARE(temp->gaugeDef().title, QString("Coolant"));
    QCOMPARE(temp->gaugeDef().min, -40.0);
    QCOMPARE(temp->gaugeDef().max, 160.0);
    QVERIFY(rpm->autoScale());
    QCOMPARE(rpm->gaugeDef().title, QString("RPM"));
    QCOMPARE(rpm->gaugeDef().unit, QString("-"));

    // The dials follow the stream; the made one stretches its scale.
    for (double base : {10.0, 30.0}) {
        PlotWindowFeed::send(jobWith(base));
        QTRY_COMPARE(rpm->gauge()->value(), base * 1);
        QTRY_COMPARE(temp->gauge()->value(), base * 2);
    }
    QCOMPARE(rpm->gaugeDef().max, 30.0);
    QCOMPARE(temp->gaugeDef().max, 160.0);
}

QTEST_MAIN(TestPlotWindowGauges)
#include "tst_plotwindowgauges.moc"
