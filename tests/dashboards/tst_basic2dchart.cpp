// The 2-D chart window offscreen: jobs arriving as the fan-out delivers
// them, the choice of keys, auto-scale, the stored keys, "Set Value", odd
// grid parameters and the 3-D buttons without a main window.
#include "avg2dcharttableview.h"
#include "basic2dchart.h"
#include "basic2dcharttableview.h"
#include "basic2dchartutils.h"
#include "plotwindowfeed.h"
#include "workdir.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

using Result = QPair<QString, QString>; // result name, text value
using Job = QList<Result>;
Q_DECLARE_METATYPE(QList<Job>)

class TestBasic2DChart : public QObject
{
    Q_OBJECT
private slots:
    void leadingNumber_data();
    void leadingNumber();
    void jobSequences_data();
    void jobSequences();
    void resultsWithoutNumberSetNoCell();
    void autoScaleFormatsBeforeBinning();
    void setValueWithoutKeys();
    void combosFillOnceAndWithoutDuplicates();
    void storedKeysSelectedAndWrittenOnClose();
    void keysTellEcusApart();
    void oddGridParametersEndCleanly_data();
    void oddGridParametersEndCleanly();
    void autoScaleFirstSampleAtZeroSetsNoCell();
    void threeDButtonsWithoutMainWindowOnlyLog();
};

namespace {
// A job "J" whose results carry the texts given; the real value of every
// result is 99, which the chart must not use. Without an ECU (as a log
// without its side file gives it) the keys are "J.<result>".
CJob job(const Job &results, const char *name = "J", const char *ecu = "")
{
    QList<PlotWindowFeed::Value> values;
    QList<QByteArray> keep;
    for (const Result &r : results) {
        keep << r.first.toLatin1() << r.second.toLatin1();
        values << PlotWindowFeed::Value{keep[keep.size() - 2].constData(), 8, 99.0, "",
                                        keep.last().constData()};
    }
    return PlotWindowFeed::makeJob(ecu, name, values);
}

template <class T> T *child(QWidget &w, const char *name)
{
    T *found = w.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

void setText(QWidget &w, const char *name, const QString &text)
{
    child<QLineEdit>(w, name)->setText(text);
}

void choose(QWidget &w, const char *combo, const QString &key)
{
    QComboBox *box = child<QComboBox>(w, combo);
    const int index = box->findText(key);
    QVERIFY2(index >= 0, qPrintable(key));
    box->setCurrentIndex(index);
}

// Fills the combo boxes from one job with all the names, then picks X, Y
// and Z and presses Apply.
void prepare(Basic2DChart &chart, const QStringList &names, const QString &x, const QString &y,
             const QString &z)
{
    Job all;
    for (const QString &n : names)
        all << Result(n, "0");
    chart.onJobFinished(job(all), 0);
    choose(chart, "cmbXResult", "J." + x);
    choose(chart, "cmbYResult", "J." + y);
    choose(chart, "cmbCell", "J." + z);
    QTest::mouseClick(child<QPushButton>(chart, "pushButton"), Qt::LeftButton);
}

Basic2DChartTableView *lastTable(Basic2DChart &chart)
{
    return child<Basic2DChartTableView>(chart, "tableView");
}

// Every non-empty cell of a table as "row,col=text".
QStringList filled(Basic2DChartTableView *view)
{
    QStringList cells;
    QStandardItemModel *model = view->tableModel();
    for (int row = 0; row < model->rowCount(); ++row)
        for (int col = 0; col < model->columnCount(); ++col)
            if (QStandardItem *item = model->item(row, col); item && !item->text().isEmpty())
                cells << QString("%1,%2=%3").arg(row).arg(col).arg(item->text());
    return cells;
}
} // namespace

void TestBasic2DChart::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("isNumber");
    QTest::addColumn<double>("value");
    QTest::newRow("unit after it") << "12.5 bar" << true << 12.5;
    QTest::newRow("letters") << "abc" << false << 0.0;
    QTest::newRow("exponent form") << "3.856400E+03" << true << 3856.4;
    QTest::newRow("leading blanks") << "  -7" << true << -7.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blanks") << " \t " << false << 0.0;
    QTest::newRow("comma is no decimal point") << "1,5" << true << 1.0;
    QTest::newRow("out of range") << "1e999" << false << 0.0;
    QTest::newRow("not a number word") << "nan" << false << 0.0;
}

void TestBasic2DChart::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, isNumber);
    QFETCH(double, value);
    double got = -1.0;
    QCOMPARE(Basic2DChartUtils::leadingNumber(text.toLatin1().constData(), got), isNumber);
    QCOMPARE(got, value);
}

void TestBasic2DChart::jobSequences_data()
{
    QTest::addColumn<bool>("autoScale");
    QTest::addColumn<QStringList>("names");  // X, Y, Z first, then others
    QTest::addColumn<QList<Job>>("jobs");
    QTest::addColumn<QStringList>("cells"); // of the Last table after the jobs

    const QStringList xyz{"X", "Y", "Z"};
    QTest::newRow("auto-scale 500 and 20: the extra row and column")
        << true << xyz << QList<Job>{{{"X", "500"}, {"Y", "20"}, {"Z", "7"}}} << QStringList{"10,10=7"};
    QTest::newRow("X and Y in one job, Z in the next")
        << false << xyz << QList<Job>{{{"X", "5000"}, {"Y", "50"}}, {{"Z", "3"}}} << QStringList{"5,5=3"};
    QTest::newRow("only X and Y: nothing")
        << false << xyz << QList<Job>{{{"X", "5000"}, {"Y", "50"}}, {{"X", "1000"}}} << QStringList{};
    QTest::newRow("a value seen twice keeps the latest")
        << false << xyz << QList<Job>{{{"X", "5000"}, {"Y", "50"}}, {{"X", "1000"}, {"Z", "4"}}}
        << QStringList{"5,1=4"};
    QTest::newRow("a number with a unit") << false << xyz
                                          << QList<Job>{{{"X", "100"}, {"Y", "10"}, {"Z", "12.5 bar"}}}
                                          << QStringList{"1,0=12.50"};
    QTest::newRow("letters are no number, whatever the real value")
        << false << xyz << QList<Job>{{{"X", "100"}, {"Y", "10"}, {"Z", "abc"}}} << QStringList{};
    QTest::newRow("a value without a number waits for the next one")
        << false << xyz << QList<Job>{{{"X", "100"}, {"Y", "10"}, {"Z", " "}}, {{"Z", "6"}}}
        << QStringList{"1,0=6"};
    QTest::newRow("keys differing only in case")
        << false << QStringList{"X", "Y", "Z", "x"}
        << QList<Job>{{{"x", "9000"}, {"X", "2000"}, {"Y", "10"}, {"Z", "1"}}} << QStringList{"1,2=1"};
    QTest::newRow("one result as X and Y") << false << QStringList{"X", "X", "Z"}
                                           << QList<Job>{{{"X", "50"}, {"Z", "2"}}} << QStringList{"5,0=2"};
    QTest::newRow("outside the fixed limits: no cell")
        << false << xyz << QList<Job>{{{"X", "20000"}, {"Y", "10"}, {"Z", "1"}}} << QStringList{};
}

void TestBasic2DChart::jobSequences()
{
    QFETCH(bool, autoScale);
    QFETCH(QStringList, names);
    QFETCH(QList<Job>, jobs);
    QFETCH(QStringList, cells);
    WorkDir wd;
    Basic2DChart chart;
    if (autoScale)
        QTest::mouseClick(child<QCheckBox>(chart, "chkAutoScale"), Qt::LeftButton);
    QStringList catalogue = names;
    catalogue.removeDuplicates();
    prepare(chart, catalogue, names[0], names[1], names[2]);
    QVERIFY(chart.isReady());
    QVERIFY(filled(lastTable(chart)).isEmpty());
    for (const Job &j : jobs)
        chart.onJobFinished(job(j), 0);
    QCOMPARE(filled(lastTable(chart)), cells);
}

void TestBasic2DChart::resultsWithoutNumberSetNoCell()
{
    WorkDir wd;
    Basic2DChart chart;
    // As the runner fills them: byte data as hexadecimal text, a blank
    // text, reals whose texts show them to 7 digits.
    auto measurement = [](const char *daten) {
        return PlotWindowFeed::makeJob("", "J",
                                       {{"STAT_RPM", 8, 5000, "", "5.000000E+03"},
                                        {"DATEN", 7, 0, "", daten},
                                        {"STAT_TEXT", 6, 0, "", " "},
                                        {"STAT_TEMP", 2, 50, "", "50"},
                                        {"STAT_LOAD", 8, 12345.678, "", "1.234568E+04"}});
    };
    chart.onJobFinished(measurement("0012"), 0);
    auto axes = [&chart](const char *y, const char *z) {
        choose(chart, "cmbXResult", "J.STAT_RPM");
        choose(chart, "cmbYResult", QString("J.") + y);
        choose(chart, "cmbCell", QString("J.") + z);
        QTest::mouseClick(child<QPushButton>(chart, "pushButton"), Qt::LeftButton);
    };
    QSignalSpy samples(&chart, &Basic2DChart::setValue);
    const QList<QPair<const char *, const char *>> choices{
        {"DATEN", "STAT_LOAD"}, {"STAT_TEXT", "STAT_LOAD"}, {"STAT_TEMP", "DATEN"}, {"STAT_TEMP", "STAT_TEXT"}};
    for (const auto &yz : choices) {
        axes(yz.first, yz.second);
        for (const char *daten : {"0012", "1E05", "0A"})
            chart.onJobFinished(measurement(daten), 0);
        QVERIFY2(samples.isEmpty(), yz.first);
        QVERIFY2(filled(lastTable(chart)).isEmpty(), yz.second);
    }

    // The cell value as the job gave it, not its shorter text.
    axes("STAT_TEMP", "STAT_LOAD");
    chart.onJobFinished(measurement("0012"), 0);
    QCOMPARE(samples.size(), 1);
    QCOMPARE(samples.at(0).at(0).toDouble(), 5000.0);
    QCOMPARE(samples.at(0).at(1).toDouble(), 50.0);
    QCOMPARE(samples.at(0).at(2).toDouble(), 12345.678);
    QCOMPARE(filled(lastTable(chart)), QStringList{"5,5=12345.68"});
}

void TestBasic2DChart::autoScaleFormatsBeforeBinning()
{
    WorkDir wd;
    Basic2DChart chart;
    QCheckBox *autoScale = child<QCheckBox>(chart, "chkAutoScale");
    QTest::mouseClick(autoScale, Qt::LeftButton);
    QVERIFY(!child<QLineEdit>(chart, "txtXMax")->isEnabled());
    QVERIFY(!child<QWidget>(chart, "lblYMin")->isEnabled());
    prepare(chart, {"X", "Y", "Z"}, "X", "Y", "Z");
    QCOMPARE(chart.chartVariables().xMax, 0.0);

    // The tables are re-formatted for the new limits before the sample is
    // binned: the header reads 500 when the cell is set.
    Basic2DChartTableView *table = lastTable(chart);
    QStringList headerWhenSet;
    connect(table, &Basic2DChartTableView::setValueRowSignal, this, [&]() {
        headerWhenSet << table->tableModel()->headerData(10, Qt::Horizontal).toString()
                      << table->tableModel()->headerData(10, Qt::Vertical).toString();
    });
    QSignalSpy formats(&chart, &Basic2DChart::formatTable);
    chart.onJobFinished(job({{"X", "500"}, {"Y", "20"}, {"Z", "7"}}), 0);
    QCOMPARE(formats.size(), 1);
    QCOMPARE(chart.chartVariables().xMin, 0.0);
    QCOMPARE(chart.chartVariables().xMax, 500.0);
    QCOMPARE(chart.chartVariables().yMax, 20.0);
    QCOMPARE(headerWhenSet, (QStringList{"500", "20"}));

    // Inside the limits: no re-formatting.
    chart.onJobFinished(job({{"X", "250"}, {"Y", "10"}, {"Z", "8"}}), 0);
    QCOMPARE(formats.size(), 1);
    QCOMPARE(filled(table), (QStringList{"5,5=8", "10,10=7"}));
    QTest::mouseClick(autoScale, Qt::LeftButton);
    QVERIFY(child<QLineEdit>(chart, "txtXMax")->isEnabled());
}

void TestBasic2DChart::setValueWithoutKeys()
{
    WorkDir wd;
    Basic2DChart chart;
    QVERIFY(!chart.isReady());
    setText(chart, "txtXVal", "5000");
    setText(chart, "txtYVal", "50");
    setText(chart, "txtCellValue", "4");
    QTest::mouseClick(child<QPushButton>(chart, "btnSetVal"), Qt::LeftButton);
    QVERIFY(chart.isReady());
    QCOMPARE(filled(lastTable(chart)), QStringList{"5,5=4"});
    QCOMPARE(filled(chart.averageView()), QStringList{"5,5=4"});
    QCOMPARE(filled(child<Basic2DChartTableView>(chart, "tableCount")), QStringList{"5,5=1"});

    // A field left empty or mistyped is no 0: nothing is set.
    for (const char *field : {"txtCellValue", "txtXVal", "txtYVal"}) {
        setText(chart, field, field == QLatin1String("txtYVal") ? "abc" : " ");
        QTest::mouseClick(child<QPushButton>(chart, "btnSetVal"), Qt::LeftButton);
        QCOMPARE(filled(child<Basic2DChartTableView>(chart, "tableCount")), QStringList{"5,5=1"});
        setText(chart, field, field == QLatin1String("txtCellValue") ? "4" : field == QLatin1String("txtXVal") ? "5000" : "50");
    }
}

void TestBasic2DChart::combosFillOnceAndWithoutDuplicates()
{
    WorkDir wd;
    Basic2DChart chart;
    QComboBox *x = child<QComboBox>(chart, "cmbXResult");
    QSignalSpy applied(&chart, &Basic2DChart::chartVarsUpdated);
    chart.onJobFinished(job({{"A", "1"}, {"B", "1"}, {"C", "1"}}, "J1"), 0);
    QCOMPARE(x->count(), 3);
    QCOMPARE(applied.size(), 1);
    // Fewer results than remembered: nothing is added, nothing applied.
    chart.onJobFinished(job({{"A", "1"}, {"B", "1"}}, "J2"), 0);
    QCOMPARE(x->count(), 3);
    QCOMPARE(applied.size(), 1);
    chart.onJobFinished(job({{"A", "1"}, {"B", "1"}, {"C", "1"}}, "J1"), 0);
    QCOMPARE(applied.size(), 1);
    // More results: only the new key is added, to all three boxes.
    chart.onJobFinished(job({{"A", "1"}, {"B", "1"}, {"C", "1"}, {"LONG_RESULT_NAME_OF_THE_DIESEL_ECU_WERT", "1"}}, "J1"),
                        0);
    QStringList items;
    for (int i = 0; i < x->count(); ++i)
        items << x->itemText(i);
    QCOMPARE(items, (QStringList{"J1.A", "J1.B", "J1.C", "J1.LONG_RESULT_NAME_OF_THE_DIESEL_ECU_WERT"}));
    QCOMPARE(child<QComboBox>(chart, "cmbYResult")->count(), 4);
    QCOMPARE(child<QComboBox>(chart, "cmbCell")->count(), 4);
    QCOMPARE(applied.size(), 2);
    // The lists are wide enough for the longest key.
    const int wide = x->fontMetrics().horizontalAdvance("J1.LONG_RESULT_NAME_OF_THE_DIESEL_ECU_WERT");
    for (const char *name : {"cmbXResult", "cmbYResult", "cmbCell"})
        QVERIFY(child<QComboBox>(chart, name)->view()->minimumWidth() >= wide);
    // The key the chart applied is the selection.
    QVERIFY(chart.isReady());
}

void TestBasic2DChart::storedKeysSelectedAndWrittenOnClose()
{
    WorkDir wd;
    wd.write("kelvo.ini", "[chart2D]\nlastXresult=J.C\nlastYresult=J.A\nlastZresult=J.B\n");
    auto chart = std::make_unique<Basic2DChart>();
    chart->onJobFinished(job({{"A", "1"}, {"B", "1"}, {"C", "1"}}), 0);
    QCOMPARE(child<QComboBox>(*chart, "cmbXResult")->currentText(), QString("J.C"));
    QCOMPARE(child<QComboBox>(*chart, "cmbYResult")->currentText(), QString("J.A"));
    QCOMPARE(child<QComboBox>(*chart, "cmbCell")->currentText(), QString("J.B"));
    // The stored keys were applied: the next job sets a cell with them.
    chart->onJobFinished(job({{"A", "50"}, {"B", "9"}, {"C", "5000"}}), 0);
    QCOMPARE(filled(lastTable(*chart)), QStringList{"5,5=9"});

    choose(*chart, "cmbXResult", "J.A");
    chart.reset();
    QSettings ini("kelvo.ini", QSettings::IniFormat);
    QCOMPARE(ini.value("chart2D/lastXresult").toString(), QString("J.A"));
    QCOMPARE(ini.value("chart2D/lastYresult").toString(), QString("J.A"));
    QCOMPARE(ini.value("chart2D/lastZresult").toString(), QString("J.B"));

    // A chart that never saw a job writes nothing.
    QFile::remove("kelvo.ini");
    { Basic2DChart empty; }
    QVERIFY(!QFile::exists("kelvo.ini"));
}

void TestBasic2DChart::keysTellEcusApart()
{
    // Two ECUs run a job of one name; the chart takes X, Y and Z from the
    // ECU whose keys were chosen (stored here), never from the other.
    WorkDir wd;
    const QString mw = QStringLiteral("Measurement values.");
    wd.write("kelvo.ini", QStringLiteral("[chart2D]\nlastXresult=%1X (MSV70)\nlastYresult=%1Y (MSV70)\n"
                                         "lastZresult=%1Z (MSV70)\n")
                              .arg(mw)
                              .toUtf8());
    Basic2DChart chart;
    const char *name = "Measurement values";
    chart.onJobFinished(job({{"X", "0"}, {"Y", "0"}, {"Z", "0"}}, name, "MSV70"), 0);
    chart.onJobFinished(job({{"X", "5000"}, {"Y", "50"}, {"Z", "9"}, {"W", "1"}}, name, "D73N57C0"), 0);
    QComboBox *x = child<QComboBox>(chart, "cmbXResult");
    QVERIFY(x->findText(mw + "X (MSV70)") >= 0);
    QVERIFY(x->findText(mw + "X (D73N57C0)") >= 0);
    QCOMPARE(x->currentText(), mw + "X (MSV70)");
    QCOMPARE(child<QComboBox>(chart, "cmbYResult")->currentText(), mw + "Y (MSV70)");
    QCOMPARE(child<QComboBox>(chart, "cmbCell")->currentText(), mw + "Z (MSV70)");

    chart.onJobFinished(job({{"X", "5000"}, {"Y", "50"}, {"Z", "9"}, {"W", "1"}}, name, "D73N57C0"), 0);
    QCOMPARE(filled(lastTable(chart)), QStringList());
    chart.onJobFinished(job({{"X", "1500"}, {"Y", "20"}, {"Z", "3"}}, name, "MSV70"), 0);
    QCOMPARE(filled(lastTable(chart)), QStringList{"2,1=3"});
}

void TestBasic2DChart::oddGridParametersEndCleanly_data()
{
    QTest::addColumn<QString>("cols");
    QTest::addColumn<QString>("xMin");
    QTest::addColumn<QString>("xMax");
    QTest::addColumn<int>("columns");
    QTest::addColumn<QStringList>("cells");
    QTest::newRow("Cols 0") << "0" << "0" << "10000" << 1 << QStringList{};
    QTest::newRow("Cols abc") << "abc" << "0" << "10000" << 1 << QStringList{};
    QTest::newRow("Cols -3") << "-3" << "0" << "10000" << 1 << QStringList{};
    QTest::newRow("Cols 100000") << "100000" << "0" << "10000" << 1001 << QStringList{"5,500=3"};
    QTest::newRow("equal limits") << "10" << "5000" << "5000" << 11 << QStringList{};
    // Reversed limits mirror the grid: 5000 in column 5, 0 in column 10.
    QTest::newRow("limits reversed") << "10" << "10000" << "0" << 11 << QStringList{"5,5=3", "5,10=3"};
}

void TestBasic2DChart::oddGridParametersEndCleanly()
{
    QFETCH(QString, cols);
    QFETCH(QString, xMin);
    QFETCH(QString, xMax);
    QFETCH(int, columns);
    QFETCH(QStringList, cells);
    WorkDir wd;
    Basic2DChart chart;
    setText(chart, "txtCols", cols);
    setText(chart, "txtXMin", xMin);
    setText(chart, "txtXMax", xMax);
    prepare(chart, {"X", "Y", "Z"}, "X", "Y", "Z");
    QCOMPARE(lastTable(chart)->tableModel()->columnCount(), columns);
    QCOMPARE(chart.chartVariables().cols, columns - 1);
    for (const char *x : {"5000", "0", "10000", "-1e300", "1e300"})
        chart.onJobFinished(job({{"X", x}, {"Y", "50"}, {"Z", "3"}}), 0);
    // Only the sample at 5000 may show, and only where the grid has a cell
    // for it.
    QStringList shown = filled(lastTable(chart));
    shown.removeAll("5,0=3");
    shown.removeAll("5,1000=3");
    QCOMPARE(shown, cells);
}

void TestBasic2DChart::autoScaleFirstSampleAtZeroSetsNoCell()
{
    WorkDir wd;
    Basic2DChart chart;
    QTest::mouseClick(child<QCheckBox>(chart, "chkAutoScale"), Qt::LeftButton);
    prepare(chart, {"X", "Y", "Z"}, "X", "Y", "Z");
    QSignalSpy rows(&chart, &Basic2DChart::valueRowSet);
    chart.onJobFinished(job({{"X", "0"}, {"Y", "0"}, {"Z", "5"}}), 0);
    QCOMPARE(chart.chartVariables().xMax, 0.0);
    QCOMPARE(chart.chartVariables().yMax, 0.0);
    QCOMPARE(rows.size(), 0);
    QVERIFY(filled(lastTable(chart)).isEmpty());
    QVERIFY(filled(child<Basic2DChartTableView>(chart, "tableCount")).isEmpty());
    // The next sample widens the limits and finds its cell.
    chart.onJobFinished(job({{"X", "100"}, {"Y", "10"}, {"Z", "6"}}), 0);
    QCOMPARE(rows.size(), 1);
    QCOMPARE(filled(lastTable(chart)), QStringList{"10,10=6"});
}

void TestBasic2DChart::threeDButtonsWithoutMainWindowOnlyLog()
{
    WorkDir wd;
    auto chart = std::make_unique<Basic2DChart>();
    chart->show();
    for (const char *button : {"btnChart3D", "btn3DLast", "btn3DAvg", "btn3DMin", "btn3DMax"})
        QTest::mouseClick(child<QPushButton>(*chart, button), Qt::LeftButton);
    for (QWidget *w : QApplication::allWidgets())
        QVERIFY(!w->inherits("Chart3D"));
}

QTEST_MAIN(TestBasic2DChart)
#include "tst_basic2dchart.moc"
