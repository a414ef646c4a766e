// A gauge screen with its worker thread: which jobs feed which dial, the
// grid, the two views and their switches, the frame rate, the job stream
// through the job receiver and closing while jobs keep coming.
#include "basicgauge.h"
#include "gaugecontainer.h"
#include "gaugecontainerdata.h"
#include "gaugewidget.h"
#include "latin1.h"
#include "mylabel.h"
#include "plotwindowfeed.h"
#include "textvaluewidget.h"

#include <QGridLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QThread>
#include <QtTest>

class TestGaugeContainer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void resultKeyIgnoresCaseNamesEcu();
    void jobOfAnyEcuFeedsItsDial();
    void dialOfAnEcuTakesOnlyItsJobs();
    void unseenResultShowsNoNumber();
    void resultWithoutNumberLeavesDial();
    void gridFillsRowsByColumns_data();
    void gridFillsRowsByColumns();
    void twoDialsOnOneResultBothMove();
    void viewsSwitch();
    void textLinesShareTheHeight();
    void longTitleKeepsItsDial();
    void dialsComeBackAtTheSizeTheyLeft();
    void frameRateKeys();
    void jobThroughTheReceiverReachesItsDial();
    void closingWhileFedLeavesNoThread();
};

namespace {
GaugeDef makeDef(const QString &job, const QString &result, double max = 150)
{
    GaugeDef def;
    def.name = result;
    def.jobName = job;
    def.resultName = result;
    def.min = 0;
    def.max = max;
    def.title = result;
    def.unit = "degC";
    return def;
}

// A dial as the setup window builds it: a job with only its name.
CJobResultPair pairFor(const GaugeDef &def)
{
    CJobResultPair pair;
    pair.job.jobName = Latin1::toStd(def.jobName);
    pair.resultName = Latin1::toStd(def.resultName);
    pair.resultDisplayName = Latin1::toStd(def.title);
    return pair;
}

GaugeContainer *screenWith(const QList<GaugeDef> &defs, int columns = 2)
{
    auto *c = new GaugeContainer();
    c->setColumns(columns);
    for (const GaugeDef &def : defs)
        c->addGauge(pairFor(def), def, false);
    c->resize(600, 400);
    return c;
}

// The demo's screen "all": its twelve titles in four columns, shown at the
// demo's size in an MDI area.
GaugeContainer *demoScreenAll(QMdiArea &area, QList<GaugeDef> &defs)
{
    const char *const titles[] = {"Air per cylinder", "Boost", "Coolant", "Intake air", "Lambda",
                                  "Injection angle", "Injection quantity", "Rail pressure peak",
                                  "Engine speed", "Vehicle speed signal", "Injection time", "Wastegate duty"};
    for (const char *title : titles) {
        defs << makeDef("JOB", QString("R%1").arg(defs.size()));
        defs.last().title = title;
    }
    area.resize(1280, 1000);
    area.show();
    GaugeContainer *c = screenWith(defs, 4);
    QMdiSubWindow *sub = area.addSubWindow(c);
    c->show();
    sub->resize(960, 750);
    return c;
}
} // namespace

void TestGaugeContainer::initTestCase()
{
    PlotWindowFeed::startReceiver();
}

void TestGaugeContainer::resultKeyIgnoresCaseNamesEcu()
{
    CJobResultPair a;
    a.job = CJob("D73n57c0", "mw_select_lesen_norm");
    a.job.virtualName = "SHOWN_NAME";
    a.resultName = "stat_oiltemp_wert";
    QCOMPARE(GaugeContainerData::resultKey(a), QString("D73N57C0:MW_SELECT_LESEN_NORM.STAT_OILTEMP_WERT"));
    CJobResultPair b = a;
    b.job.ecuName = "MSV70";
    QCOMPARE(GaugeContainerData::resultKey(b), QString("MSV70:MW_SELECT_LESEN_NORM.STAT_OILTEMP_WERT"));
    b.job.ecuName.clear();
    QCOMPARE(GaugeContainerData::resultKey(b), QString("MW_SELECT_LESEN_NORM.STAT_OILTEMP_WERT"));
    GaugeContainerData data;
    double value = 0;
    QVERIFY(!data.value("NEVER.SEEN", &value));
    QVERIFY(!data.value("MSV70:NEVER.SEEN", &value));
}

void TestGaugeContainer::jobOfAnyEcuFeedsItsDial()
{
    // A dial without ECU takes the job of its name of whichever ECU brings
    // it first, and from then on that ECU's only.
    const GaugeDef def = makeDef("MW_SELECT_LESEN_NORM", "STAT_OILTEMP_WERT");
    std::unique_ptr<GaugeContainer> c(screenWith({def}));
    c->show();
    c->onJobFinished(PlotWindowFeed::makeJob("d73n57c0", "mw_select_lesen_norm",
                                             {{"stat_oiltemp_wert", 8, 87.5}, {"other_wert", 8, 3}}),
                     0);
    GaugeWidget *dial = c->gauges().first();
    TextValueWidget *line = c->textLines().first();
    QTRY_COMPARE(dial->gauge()->value(), 87.5);
    QTRY_COMPARE(line->valueLabel()->text(), QString("87.5"));
    // Whatever the result code: a failed job still carries its values.
    c->onJobFinished(PlotWindowFeed::makeJob("D73N57C0", "MW_SELECT_LESEN_NORM", {{"STAT_OILTEMP_WERT", 8, 91}}),
                     -1);
    QTRY_COMPARE(dial->gauge()->value(), 91.0);
    c->onJobFinished(PlotWindowFeed::makeJob("MSV70", "MW_SELECT_LESEN_NORM", {{"STAT_OILTEMP_WERT", 8, 60}}), 0);
    QTest::qWait(100);
    QCOMPARE(dial->gauge()->value(), 91.0);
    QCOMPARE(line->valueLabel()->text(), QString("91"));
}

void TestGaugeContainer::dialOfAnEcuTakesOnlyItsJobs()
{
    // Both ECUs of the demo run "Measurement values" with the same results:
    // a screen's dials follow their own ECU only, a dial without ECU the
    // first ECU that brings its result.
    const GaugeDef def = makeDef("MW_SELECT_LESEN_NORM", "STAT_OILTEMP_WERT");
    auto c = std::make_unique<GaugeContainer>();
    c->setColumns(3);
    for (const char *ecu : {"MSV70", "D73N57C0", ""}) {
        CJobResultPair pair = pairFor(def);
        pair.job.ecuName = ecu;
        c->addGauge(pair, def, false);
    }
    c->show();
    const QList<GaugeWidget *> dials = c->gauges();
    const QList<TextValueWidget *> lines = c->textLines();
    c->onJobFinished(PlotWindowFeed::makeJob("MSV70", "MW_SELECT_LESEN_NORM", {{"STAT_OILTEMP_WERT", 8, 91}}), 0);
    // The values of one job may reach the dials a frame apart.
    QTRY_COMPARE(dials.at(2)->gauge()->value(), 91.0);
    QTRY_COMPARE(dials.at(0)->gauge()->value(), 91.0);
    QTRY_COMPARE(lines.at(0)->valueLabel()->text(), QString("91"));
    // D73N57C0's dial shows no reading rather than MSV70's.
    QTest::qWait(100);
    QVERIFY(!dials.at(1)->gauge()->hasValue());
    QCOMPARE(dials.at(1)->gauge()->valueText(), QString("--"));
    QCOMPARE(lines.at(1)->valueLabel()->text(), QString("--"));
    c->onJobFinished(PlotWindowFeed::makeJob("d73n57c0", "mw_select_lesen_norm", {{"stat_oiltemp_wert", 8, 87.5}}),
                     0);
    QTRY_COMPARE(dials.at(1)->gauge()->value(), 87.5);
    QTRY_COMPARE(lines.at(1)->valueLabel()->text(), QString("87.5"));
    QCOMPARE(dials.at(0)->gauge()->value(), 91.0);
    QCOMPARE(lines.at(0)->valueLabel()->text(), QString("91"));
    // The dial without ECU keeps to MSV70, which came first.
    QCOMPARE(dials.at(2)->gauge()->value(), 91.0);
    QCOMPARE(lines.at(2)->valueLabel()->text(), QString("91"));
    // Each keeps to its own ECU, whichever comes last.
    c->onJobFinished(PlotWindowFeed::makeJob("MSV70", "MW_SELECT_LESEN_NORM", {{"STAT_OILTEMP_WERT", 8, 92}}), 0);
    QTRY_COMPARE(dials.at(0)->gauge()->value(), 92.0);
    QTRY_COMPARE(dials.at(2)->gauge()->value(), 92.0);
    QCOMPARE(dials.at(1)->gauge()->value(), 87.5);
    c->onJobFinished(PlotWindowFeed::makeJob("D73N57C0", "MW_SELECT_LESEN_NORM", {{"STAT_OILTEMP_WERT", 8, 86}}), 0);
    QTRY_COMPARE(dials.at(1)->gauge()->value(), 86.0);
    QCOMPARE(dials.at(0)->gauge()->value(), 92.0);
    QCOMPARE(dials.at(2)->gauge()->value(), 92.0);

    // A source whose readings carry no ECU still feeds the dial of its
    // plot window's job, which names one.
    auto aem = std::make_unique<GaugeContainer>();
    CJobResultPair pair = pairFor(makeDef("AEM_AFR", "AEM_AFR_VALUE", 20));
    pair.job.ecuName = "AEM";
    aem->addGauge(pair, makeDef("AEM_AFR", "AEM_AFR_VALUE", 20), false);
    aem->show();
    // Another ECU's job of that name is not the source's.
    aem->onJobFinished(PlotWindowFeed::makeJob("MSV70", "AEM_AFR", {{"AEM_AFR_VALUE", 8, 11}}), 0);
    aem->onJobFinished(PlotWindowFeed::makeJob("", "AEM_AFR", {{"AEM_AFR_VALUE", 8, 14.7}}), 0);
    QTRY_COMPARE(aem->gauges().first()->gauge()->value(), 14.7);
    aem->onJobFinished(PlotWindowFeed::makeJob("MSV70", "AEM_AFR", {{"AEM_AFR_VALUE", 8, 12}}), 0);
    aem->onJobFinished(PlotWindowFeed::makeJob("", "AEM_AFR", {{"AEM_AFR_VALUE", 8, 14.5}}), 0);
    QTRY_COMPARE(aem->gauges().first()->gauge()->value(), 14.5);
    QTest::qWait(100);
    QCOMPARE(aem->gauges().first()->gauge()->value(), 14.5);
}

void TestGaugeContainer::unseenResultShowsNoNumber()
{
    // A 0 before any value would read as a reading: dial and line show
    // none, frame after frame, while other results come.
    GaugeDef def = makeDef("MW_SELECT_LESEN_NORM", "STAT_NEVER_WERT");
    def.decimals = -1;
    std::unique_ptr<GaugeContainer> c(screenWith({def, makeDef("MW_SELECT_LESEN_NORM", "STAT_RPM_WERT")}));
    c->show();
    QVERIFY(QTest::qWaitForWindowExposed(c.get()));
    TextValueWidget *line = c->textLines().first();
    BasicGauge *dial = c->gauges().first()->gauge();
    QCOMPARE(line->valueLabel()->text(), QString("--"));
    c->onJobFinished(PlotWindowFeed::makeJob("MSV70", "MW_SELECT_LESEN_NORM", {{"STAT_RPM_WERT", 8, 0}}), 0);
    QTRY_VERIFY(c->gauges().at(1)->gauge()->hasValue());
    QTest::qWait(100);
    QCOMPARE(line->valueLabel()->text(), QString("--"));
    QCOMPARE(dial->valueText(), QString("--"));
    QVERIFY(!dial->hasValue());
    // The other result's 0 is a reading and shows as one.
    QCOMPARE(c->textLines().at(1)->valueLabel()->text(), QString("0"));
    QCOMPARE(c->gauges().at(1)->gauge()->valueText(), QString("0"));
    // No needle drawn before a value: the dial shows its face only, and
    // gets one once its value comes.
    dial->grab();
    const QImage before = dial->grab().toImage();
    c->onJobFinished(PlotWindowFeed::makeJob("MSV70", "MW_SELECT_LESEN_NORM", {{"STAT_NEVER_WERT", 8, 0}}), 0);
    QTRY_COMPARE(line->valueLabel()->text(), QString("0"));
    QVERIFY(dial->hasValue());
    QVERIFY(dial->grab().toImage() != before);
}

void TestGaugeContainer::resultWithoutNumberLeavesDial()
{
    const GaugeDef def = makeDef("MW_SELECT_LESEN_NORM", "STAT_OILTEMP_WERT");
    std::unique_ptr<GaugeContainer> c(screenWith({def}));
    c->show();
    GaugeWidget *dial = c->gauges().first();
    TextValueWidget *line = c->textLines().first();
    c->onJobFinished(PlotWindowFeed::makeJob("MSV70", "MW_SELECT_LESEN_NORM", {{"STAT_OILTEMP_WERT", 8, 87.5}}), 0);
    QTRY_COMPARE(dial->gauge()->value(), 87.5);
    // A run whose value came as a blank or a message, or as byte data: its
    // real value of 0 is no reading.
    const QList<PlotWindowFeed::Value> none{{"STAT_OILTEMP_WERT", 8, 0, "", " "},
                                           {"STAT_OILTEMP_WERT", 6, 0, "", "ERROR"},
                                           {"STAT_OILTEMP_WERT", 7, 0, "", "0A"}};
    for (const PlotWindowFeed::Value &v : none) {
        c->onJobFinished(PlotWindowFeed::makeJob("MSV70", "MW_SELECT_LESEN_NORM", {v}), 0);
        QTest::qWait(100);
        QCOMPARE(dial->gauge()->value(), 87.5);
        QCOMPARE(line->valueLabel()->text(), QString("87.5"));
    }
    c->onJobFinished(PlotWindowFeed::makeJob("MSV70", "MW_SELECT_LESEN_NORM", {{"STAT_OILTEMP_WERT", 8, 91}}), 0);
    QTRY_COMPARE(dial->gauge()->value(), 91.0);
}

void TestGaugeContainer::gridFillsRowsByColumns_data()
{
    QTest::addColumn<int>("columns");
    QTest::addColumn<QList<int>>("rows");
    QTest::addColumn<QList<int>>("cols");
    QTest::newRow("2 columns") << 2 << QList<int>{0, 0, 1, 1, 2} << QList<int>{0, 1, 0, 1, 0};
    QTest::newRow("3 columns") << 3 << QList<int>{0, 0, 0, 1, 1} << QList<int>{0, 1, 2, 0, 1};
    QTest::newRow("0 columns") << 0 << QList<int>{0, 1, 2, 3, 4} << QList<int>{0, 0, 0, 0, 0};
    QTest::newRow("negative means 1") << -3 << QList<int>{0, 1, 2, 3, 4} << QList<int>{0, 0, 0, 0, 0};
}

void TestGaugeContainer::gridFillsRowsByColumns()
{
    QFETCH(int, columns);
    QFETCH(QList<int>, rows);
    QFETCH(QList<int>, cols);
    QList<GaugeDef> defs;
    for (int i = 0; i < 5; ++i)
        defs << makeDef("JOB", QString("R%1").arg(i));
    std::unique_ptr<GaugeContainer> c(screenWith(defs, columns));
    QCOMPARE(c->columns(), columns < 0 ? 1 : columns);
    auto *grid = c->findChild<QGridLayout *>("gridGauge");
    auto *textGrid = c->findChild<QGridLayout *>("gridText");
    QCOMPARE(c->gauges().size(), 5);
    for (int i = 0; i < 5; ++i) {
        int row, col, rs, cs;
        grid->getItemPosition(grid->indexOf(c->gauges().at(i)), &row, &col, &rs, &cs);
        QCOMPARE(row, rows.at(i));
        QCOMPARE(col, cols.at(i));
        textGrid->getItemPosition(textGrid->indexOf(c->textLines().at(i)), &row, &col, &rs, &cs);
        QCOMPARE(row, i);
        QCOMPARE(col, 0);
        QCOMPARE(c->gauges().at(i)->focusPolicy(), Qt::StrongFocus);
    }
}

void TestGaugeContainer::twoDialsOnOneResultBothMove()
{
    const GaugeDef def = makeDef("MW_SELECT_LESEN_NORM", "STAT_OILTEMP_WERT");
    GaugeDef other = def;
    other.max = 300;
    std::unique_ptr<GaugeContainer> c(screenWith({def, other}));
    c->show();
    for (double v : {40.0, 120.0}) {
        c->onJobFinished(PlotWindowFeed::makeJob("MSV70", "MW_SELECT_LESEN_NORM", {{"STAT_OILTEMP_WERT", 8, v}}), 0);
        QTRY_COMPARE(c->gauges().at(0)->gauge()->value(), v);
        QTRY_COMPARE(c->gauges().at(1)->gauge()->value(), v);
        QTRY_COMPARE(c->textLines().at(0)->valueText(), QString::number(v));
        QTRY_COMPARE(c->textLines().at(1)->valueText(), QString::number(v));
    }
}

void TestGaugeContainer::viewsSwitch()
{
    std::unique_ptr<GaugeContainer> c(screenWith({makeDef("JOB", "A"), makeDef("JOB", "B")}));
    c->show();
    QVERIFY(QTest::qWaitForWindowExposed(c.get()));
    auto *dials = c->findChild<QWidget *>("gaugeWidget");
    auto *lines = c->findChild<QWidget *>("textWidget");
    QVERIFY(c->isShowingGauges() && dials->isVisible() && !lines->isVisible());

    bool gauges = true;
    auto switched = [&]() {
        gauges = !gauges;
        return c->isShowingGauges() == gauges && dials->isVisible() == gauges && lines->isVisible() == !gauges;
    };
    QTest::mouseClick(c.get(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QVERIFY(switched());
    QTest::keyClick(c.get(), Qt::Key_Space);
    QVERIFY(switched());
    QTest::keyClick(c.get(), Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(switched());
    // A press on a text line and one on a dial reach the screen.
    QTest::mouseClick(c->textLines().first()->valueLabel(), Qt::LeftButton);
    QVERIFY(switched());
    QTest::mouseClick(c->gauges().first()->gauge(), Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QVERIFY(switched());
    // Keys typed while a dial has the focus too.
    c->gauges().first()->setFocus();
    QTest::keyClick(c->gauges().first(), Qt::Key_Space);
    QVERIFY(switched());
    // Other keys change nothing.
    QTest::keyClick(c.get(), Qt::Key_A);
    QTest::keyClick(c.get(), Qt::Key_Return);
    QCOMPARE(c->isShowingGauges(), gauges);
}

void TestGaugeContainer::textLinesShareTheHeight()
{
    // A long title wraps inside its line; it does not make the line taller.
    QList<GaugeDef> defs;
    QMdiArea area;
    GaugeContainer *c = demoScreenAll(area, defs);
    c->setStyleSheet("background-color:black");
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    for (int i = 0; i < 10; ++i) {
        if (i == 4)
            c->switchViews();
        CJob job = PlotWindowFeed::makeJob("ECU", "JOB", {});
        for (const GaugeDef &def : defs) {
            CJobResult result;
            result.name = Latin1::toStd(def.resultName);
            result.format = 8;
            result.realValue = i % 2 ? 1234.5 : 7.0;
            result.setTextValue(i % 2 ? "1234.5" : "7");
            job.addResult(result);
        }
        c->onJobFinished(job, 0);
        QTest::qWait(40);
    }
    const QList<TextValueWidget *> lines = c->textLines();
    for (TextValueWidget *line : lines) {
        QVERIFY2(std::abs(line->height() - lines.first()->height()) <= 1, qPrintable(line->titleLabel()->text()));
        QCOMPARE(line->titleLabel()->font().pointSize(), lines.first()->titleLabel()->font().pointSize());
    }
}

void TestGaugeContainer::longTitleKeepsItsDial()
{
    // The demo's screen "all": the longest title, wrapped by its label's
    // own guess at one font size and not at the next, must not keep its
    // row's layout busy; every dial settles with its background drawn and
    // every title keeps the height of the others.
    QList<GaugeDef> defs;
    QMdiArea area;
    GaugeContainer *c = demoScreenAll(area, defs);
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    const QList<GaugeWidget *> dials = c->gauges();
    auto settled = [&]() {
        return std::all_of(dials.begin(), dials.end(), [](GaugeWidget *g) {
            return !g->gauge()->isResizing() && !g->gauge()->background().isNull();
        });
    };
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
    for (GaugeWidget *g : dials) {
        const QString title = g->gaugeDef().title;
        QVERIFY2(g->gauge()->width() >= 100 && g->gauge()->background().size() == g->gauge()->size(),
                 qPrintable(title));
        QCOMPARE(g->findChild<MyLabel *>("title")->height(), dials.first()->findChild<MyLabel *>("title")->height());
    }
}

void TestGaugeContainer::dialsComeBackAtTheSizeTheyLeft()
{
    // The demo's screen "all": to the text lines and back, by a click and
    // by Space, gives the dials the room they had.
    QList<GaugeDef> defs;
    QMdiArea area;
    GaugeContainer *c = demoScreenAll(area, defs);
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    auto *view = c->findChild<QWidget *>("gaugeWidget");
    const QList<GaugeWidget *> dials = c->gauges();
    auto settled = [&]() {
        return std::all_of(dials.begin(), dials.end(), [](GaugeWidget *g) {
            return !g->gauge()->isResizing() && g->gauge()->background().size() == g->gauge()->size();
        });
    };
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
    const QSize viewSize = view->size();
    QList<QRect> places;
    for (GaugeWidget *g : dials)
        places << g->geometry();
    QVERIFY(viewSize.width() > 900 && viewSize.height() > 650);

    QTest::mouseClick(c, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QVERIFY(!c->isShowingGauges());
    QTest::keyClick(c, Qt::Key_Space);
    QVERIFY(c->isShowingGauges());
    QTRY_COMPARE(view->size(), viewSize);
    QTRY_VERIFY_WITH_TIMEOUT(settled(), 5000);
    for (int i = 0; i < dials.size(); ++i)
        QCOMPARE(dials.at(i)->geometry(), places.at(i));
}

void TestGaugeContainer::frameRateKeys()
{
    std::unique_ptr<GaugeContainer> c(screenWith({makeDef("JOB", "A")}));
    QCOMPARE(c->frameRate(), 30);
    QCOMPARE(c->frameInterval(), 33);
    for (int i = 0; i < 14; ++i)
        QTest::keyClick(c.get(), Qt::Key_Minus);
    QCOMPARE(c->frameRate(), 2);
    QCOMPARE(c->frameInterval(), 500);
    QTest::keyClick(c.get(), Qt::Key_Minus);
    QCOMPARE(c->frameRate(), 1);
    QCOMPARE(c->frameInterval(), 1000);
    QTest::keyClick(c.get(), Qt::Key_Minus);
    QCOMPARE(c->frameRate(), 1);
    QTest::keyClick(c.get(), Qt::Key_Plus);
    QCOMPARE(c->frameRate(), 3);
    QCOMPARE(c->frameInterval(), 333);
    for (int i = 0; i < 60; ++i)
        QTest::keyClick(c.get(), Qt::Key_Plus);
    QCOMPARE(c->frameRate(), 100);
    QCOMPARE(c->frameInterval(), 10);
}

void TestGaugeContainer::jobThroughTheReceiverReachesItsDial()
{
    const GaugeDef def = makeDef("STATUS_LMM", "STATUS_LMM_WERT");
    std::unique_ptr<GaugeContainer> c(screenWith({def}));
    PlotWindowFeed::connect(c.get());
    c->show();
    PlotWindowFeed::send(PlotWindowFeed::makeJob("D73N57C0", "STATUS_LMM", {{"STATUS_LMM_WERT", 8, 42.25}}));
    QTRY_COMPARE(c->gauges().first()->gauge()->value(), 42.25);
    QTRY_COMPARE(c->textLines().first()->valueLabel()->text(), QString("42.25"));
}

void TestGaugeContainer::closingWhileFedLeavesNoThread()
{
    const GaugeDef def = makeDef("STATUS_LMM", "STATUS_LMM_WERT");
    QPointer<GaugeContainer> c(screenWith({def}));
    PlotWindowFeed::connect(c.data());
    c->show();
    QPointer<QThread> thread(c->dataThread());
    QPointer<GaugeContainerData> data(c->data());
    QVERIFY(thread->isRunning());
    QCOMPARE(data->thread(), thread.data());

    // Jobs keep coming from the receiver's thread while the screen closes.
    int n = 0;
    for (; n < 200; ++n)
        PlotWindowFeed::send(PlotWindowFeed::makeJob("D73N57C0", "STATUS_LMM", {{"STATUS_LMM_WERT", 8, double(n)}}));
    QTRY_VERIFY(c->gauges().first()->gauge()->value() > 0);
    for (int i = 0; i < 200; ++i, ++n)
        PlotWindowFeed::send(PlotWindowFeed::makeJob("D73N57C0", "STATUS_LMM", {{"STATUS_LMM_WERT", 8, double(n)}}));
    QVERIFY(c->close());
    for (int i = 0; i < 200; ++i, ++n)
        PlotWindowFeed::send(PlotWindowFeed::makeJob("D73N57C0", "STATUS_LMM", {{"STATUS_LMM_WERT", 8, double(n)}}));
    QTRY_VERIFY(c.isNull());
    QVERIFY(data.isNull());
    QTRY_VERIFY(thread.isNull());
}

QTEST_MAIN(TestGaugeContainer)
#include "tst_gaugecontainer.moc"
