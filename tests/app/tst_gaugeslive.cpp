// The program as a user meets it, in a copy of the demo directory: the
// petrol ECU's measurement job runs in simulation, F3 opens the gauge
// setup, the screen "all" opens, and every one of its thirteen needles moves.
// With KELVO_GAUGE_SHOTS naming a directory the test leaves screenshots
// there: the setup window, the dial grid, the text lines and the gauges a
// plot window makes.
#include "basicgauge.h"
#include "demosession.h"
#include "ecujoblistwindow.h"
#include "gaugecontainer.h"
#include "gaugesetupwindow.h"
#include "gaugewidget.h"
#include "mainwindow.h"
#include "mdiarea.h"
#include "plotwindow.h"
#include "resulttablemodel.h"
#include "resulttableview.h"
#include "workdir.h"

#include <QApplication>
#include <QDirIterator>
#include <QImage>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QtTest>

#include <memory>

class TestGaugesLive : public QObject
{
    Q_OBJECT
private slots:
    // Each case starts the demo with the petrol ECU's measurement job
    // running, as a user does first.
    void init();
    void cleanup();
    void thirteenNeedlesMove();
    void setupWindowTakesTheKeysAfterF3();

private:
    std::unique_ptr<DemoSession> demo;
};

namespace {
template <typename T> T *subWindowOf(MainWindow &w)
{
    for (QMdiSubWindow *sub : w.mdi()->subWindowList())
        if (T *found = qobject_cast<T *>(sub->widget()))
            return found;
    return nullptr;
}

} // namespace

void TestGaugesLive::init()
{
    demo = std::make_unique<DemoSession>(QStringLiteral(KELVO_SOURCE_DIR) + "/demo");
    QVERIFY(demo->isReady());
    QVERIFY(demo->chooseJob("MSV70", "Measurement values"));
    QTRY_VERIFY(!demo->window().plotWindows().isEmpty());
}

void TestGaugesLive::cleanup()
{
    demo.reset();
}

void TestGaugesLive::thirteenNeedlesMove()
{
    MainWindow &w = demo->window();
    QTest::keyClick(&w, Qt::Key_F3);
    GaugeSetupWindow *setup = nullptr;
    QTRY_VERIFY((setup = subWindowOf<GaugeSetupWindow>(w)) != nullptr);
    auto *list = setup->findChild<QListWidget *>("listWidget");
    QList<QListWidgetItem *> all = list->findItems("all", Qt::MatchExactly);
    QCOMPARE(all.size(), 1);
    list->setCurrentItem(all.first());
    DemoSession::shoot(w.mdi(), "KELVO_GAUGE_SHOTS", "setup-window");
    QTest::mouseClick(setup->findChild<QPushButton *>("pushButton"), Qt::LeftButton);

    GaugeContainer *screen = subWindowOf<GaugeContainer>(w);
    QVERIFY(screen);
    QCOMPARE(screen->windowTitle(), QString("all"));
    QCOMPARE(screen->columns(), 4);
    const QList<GaugeWidget *> dials = screen->gauges();
    QCOMPARE(dials.size(), 13);
    screen->subWindow()->raise();
    QTRY_VERIFY_WITH_TIMEOUT(std::all_of(dials.begin(), dials.end(),
                                         [](GaugeWidget *g) { return g->gauge()->value() != 0; }),
                             10000);

    QList<QImage> first;
    QList<double> firstValues;
    for (GaugeWidget *g : dials) {
        first << g->grab().toImage();
        firstValues << g->gauge()->value();
    }
    QVector<bool> moved(dials.size(), false);
    auto allMoved = [&]() {
        for (int i = 0; i < dials.size(); ++i)
            if (dials[i]->gauge()->value() != firstValues[i] && dials[i]->grab().toImage() != first[i])
                moved[i] = true;
        return !moved.contains(false);
    };
    QTRY_VERIFY_WITH_TIMEOUT(allMoved(), 15000);
    DemoSession::shoot(w.mdi(), "KELVO_GAUGE_SHOTS", "dial-grid");

    QTest::mouseClick(screen, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
    QVERIFY(!screen->isShowingGauges());
    DemoSession::shoot(w.mdi(), "KELVO_GAUGE_SHOTS", "text-lines");
    screen->subWindow()->close();

    // A plot window's own gauges: the defined result keeps its scale, the
    // air mass meter (no definition for this ECU) scales itself.
    QVERIFY(demo->chooseJob("MSV70", "Air mass"));
    PlotWindow *plot = nullptr;
    QTRY_VERIFY((plot = w.plotWindows().size() == 2 ? w.plotWindows().last() : nullptr) != nullptr);
    ResultTableModel *model = plot->findChild<ResultTableView *>("tableView")->tableModel();
    QTRY_VERIFY(model->rowCount() > 0);
    for (int r = 0; r < model->rowCount(); ++r) {
        const std::string name = model->userData(r, 0).value<CJobResult>().name;
        if (name == "STATUS_LMM_WERT" || name == "STAT_MoFVSS_a_WERT")
            model->setCellData(r, 0, Qt::Checked, Qt::CheckStateRole);
    }
    QCOMPARE(plot->plotWidgets().size(), 2);
    QTest::mouseClick(plot->findChild<QPushButton *>("btnGauge"), Qt::LeftButton);
    GaugeContainer *made = subWindowOf<GaugeContainer>(w);
    QVERIFY(made);
    made->subWindow()->raise();
    GaugeWidget *lmm = nullptr;
    for (GaugeWidget *g : made->gauges())
        if (g->resultPair().resultName == "STATUS_LMM_WERT")
            lmm = g;
    QVERIFY(lmm && lmm->autoScale());
    QTRY_VERIFY_WITH_TIMEOUT(lmm->gaugeDef().max > 1, 10000);
    DemoSession::shoot(w.mdi(), "KELVO_GAUGE_SHOTS", "auto-scaled");
}

void TestGaugesLive::setupWindowTakesTheKeysAfterF3()
{
    // Keys go where the window system sends them, to the focus widget, as
    // a user's do: the screen list must hold the focus without a click.
    MainWindow &w = demo->window();
    QWindow *window = w.windowHandle();

    QTest::keyClick(window, Qt::Key_F3);
    GaugeSetupWindow *setup = nullptr;
    QTRY_VERIFY((setup = subWindowOf<GaugeSetupWindow>(w)) != nullptr);
    auto *list = setup->findChild<QListWidget *>("listWidget");
    QTRY_COMPARE(QApplication::focusWidget(), list);
    QCOMPARE(list->currentItem()->text(), QString("dash"));
    QTest::keyClick(window, Qt::Key_Down);
    QCOMPARE(list->currentItem()->text(), QString("all"));
    QTest::keyClick(window, Qt::Key_Return);
    GaugeContainer *screen = nullptr;
    QTRY_VERIFY((screen = subWindowOf<GaugeContainer>(w)) != nullptr);
    QCOMPARE(screen->windowTitle(), QString("all"));
    QTRY_VERIFY(!subWindowOf<GaugeSetupWindow>(w));

    QTest::keyClick(window, Qt::Key_F3);
    QTRY_VERIFY((setup = subWindowOf<GaugeSetupWindow>(w)) != nullptr);
    QTRY_COMPARE(QApplication::focusWidget(), setup->findChild<QListWidget *>("listWidget"));
    QTest::keyClick(window, Qt::Key_Escape);
    QTRY_VERIFY(!subWindowOf<GaugeSetupWindow>(w));
    QCOMPARE(subWindowOf<GaugeContainer>(w), screen);
}

QTEST_MAIN(TestGaugesLive)
#include "tst_gaugeslive.moc"
