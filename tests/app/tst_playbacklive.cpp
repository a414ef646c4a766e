// The demo's log replayed as a user meets it: Tools > PlayBack lists
// "demo-drive.csv", Open brings up its gauge screen and the graph of the
// whole log, Start replays the rows into the gauges. With
// KELVO_PLAYBACK_SHOTS naming a directory the test leaves a screenshot of
// the main window there, taken mid-log.
#include "csvgraphwindow.h"
#include "demosession.h"
#include "gaugecontainer.h"
#include "gaugewidget.h"
#include "basicgauge.h"
#include "mainwindow.h"
#include "mdiarea.h"
#include "playbacktester.h"
#include "playbackthread.h"

#include <QAction>
#include <QComboBox>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QtTest>

class TestPlayBackLive : public QObject
{
    Q_OBJECT
private slots:
    void demoLogPlaysIntoGauges();
};

void TestPlayBackLive::demoLogPlaysIntoGauges()
{
    DemoSession demo(QStringLiteral(KELVO_SOURCE_DIR) + "/demo");
    QVERIFY(demo.isReady());
    MainWindow &w = demo.window();
    w.findChild<QAction *>("actionPlayBackTester")->trigger();
    PlayBackTester *tester = nullptr;
    for (QMdiSubWindow *sub : w.mdi()->subWindowList())
        if (auto *t = qobject_cast<PlayBackTester *>(sub->widget()))
            tester = t;
    QVERIFY(tester);
    auto *files = tester->findChild<QComboBox *>("cmbCsvFile");
    const int index = files->findText("demo-drive.csv");
    QVERIFY(index >= 0);
    files->setCurrentIndex(index);
    tester->findChild<QSpinBox *>("spnSpeed")->setValue(50);
    tester->findChild<QPushButton *>("pushButton_5")->click();
    QTRY_VERIFY_WITH_TIMEOUT(tester->gaugeScreen() != nullptr, 30000);
    QVERIFY(qobject_cast<CSVGraphWindow *>(tester->graphWindow()));
    // The graph opens whole at the bottom of the area.
    const QRect graphPlace = tester->graphWindow()->parentWidget()->geometry();
    QVERIFY2(w.mdi()->viewport()->rect().contains(graphPlace),
             qPrintable(QString("graph at %1,%2 %3x%4, area %5x%6").arg(graphPlace.x()).arg(graphPlace.y())
                            .arg(graphPlace.width()).arg(graphPlace.height()).arg(w.mdi()->viewport()->width())
                            .arg(w.mdi()->viewport()->height())));

    // The demo's definitions give the engine's dials their scales.
    GaugeContainer *screen = tester->gaugeScreen();
    QVERIFY(!screen->gauges().isEmpty());
    int defined = 0;
    for (GaugeWidget *g : screen->gauges())
        defined += g->autoScale() ? 0 : 1;
    QVERIFY(defined > 0);

    // Place the tester beside the gauges, above the graph.
    const QSize area = w.mdi()->size();
    QWidget *testerSub = tester->parentWidget();
    testerSub->resize(area.width() / 2 - 10, area.height() / 2 - 40);
    testerSub->move(area.width() / 2 + 5, 0);

    auto *start = tester->findChild<QPushButton *>("btnStart");
    start->click();
    QCOMPARE(start->text(), QString("Stop"));
    auto *bar = tester->findChild<QScrollBar *>("horizontalScrollBar");
    QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= 200, 60000);
    // The dials follow the replayed rows.
    const QList<GaugeWidget *> dials = screen->gauges();
    QTRY_VERIFY_WITH_TIMEOUT(std::any_of(dials.begin(), dials.end(),
                                         [](GaugeWidget *g) { return g->gauge()->value() != 0; }),
                             10000);
    DemoSession::shoot(&w, "KELVO_PLAYBACK_SHOTS", "playback-mid-log");
    start->click();
    QCOMPARE(start->text(), QString("Play"));
    QCOMPARE(tester->playbackWorker()->getStatus(), int(PlayBackThread::STOPPED));
}

QTEST_MAIN(TestPlayBackLive)
#include "tst_playbacklive.moc"
