// CSVGraphWindow: the whole-log read gives the curves that rows fed one by
// one as jobs give; hostile logs give a message over the plot and never a
// crash; legend, tool bar and scroll bar.
#include "csvgraphwindow.h"
#include "csvjobparser.h"
#include "csvlogwriter.h"
#include "csvreader.h"
#include "guitestmain.h"
#include "customqwtcurve.h"
#include "fileappender.h"
#include "loggerfixture.h"
#include "playbackfixture.h"
#include "plotwidget.h"
#include "workdir.h"

#include <qwt_legend.h>
#include <qwt_legend_label.h>
#include <qwt_plot_textlabel.h>
#include <qwt_plot_zoomer.h>
#include <qwt_scale_div.h>

#include <QScrollBar>
#include <QThread>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

using namespace loggerfixture;

namespace {
// Row by row, as live jobs arrive: every row parsed into jobs and fed through onJobFinished.
void feedRows(CSVGraphWindow &w, const QString &file)
{
    CSVReader reader;
    QVERIFY(reader.load(file));
    CSVJobParser parser;
    parser.loadColumns(file, reader.readHeader());
    reader.indexTimes(parser);
    w.plot()->reset();
    w.plot()->setStartTime(reader.startTime());
    for (int i = 0; i < reader.rowCount() - 1; ++i) {
        for (const CJob &job : parser.parse(reader.getRow(i), reader.dayOffset(i)))
            emit w.onJobFinished(job, 0);
    }
}

// Curves in creation order (colours are given in that order).
QStringList describeCurves(PlotWidget *plot)
{
    QList<CustomQwtCurve *> curves = plot->curveMap().values();
    QStringList out;
    for (CustomQwtCurve *c : curves) {
        CustomQwtCurveData *d = c->curveData();
        QStringList points;
        for (qint64 i = 0; i < d->pointCount(); ++i)
            points << QString("%1/%2").arg(d->rawX(i)).arg(d->rawY(i));
        out << QString("%1 %2 f=%3 [%4]")
                   .arg(c->title().text(), c->pen().color().name())
                   .arg(d->factorY(), 0, 'g', 12)
                   .arg(points.join(' '));
    }
    out << QString("peak %1").arg(plot->data()->curvePeak());
    return out;
}

// A log saved by hand (or by a script) a while ago: finished.
QString writeFile(const WorkDir &wd, const QString &name, const QByteArray &bytes)
{
    wd.write(name, bytes);
    setWrittenAt(wd.filePath(name), t0());
    return wd.filePath(name);
}
} // namespace

class TestCsvGraphWindow : public QObject
{
    Q_OBJECT
private slots:
    void wholeLogReadEqualsRowsFedAsJobs_data();
    void wholeLogReadEqualsRowsFedAsJobs();
    void startTimeAndMidnight();
    void hostileLogs_data();
    void hostileLogs();
    void fileStillBeingWritten();
    void legendToolBarAndScrollBar();
    void opensOnTheFirstRow_data();
    void opensOnTheFirstRow();
    void resavedLogShowsItsCurves_data();
    void resavedLogShowsItsCurves();
};

void TestCsvGraphWindow::wholeLogReadEqualsRowsFedAsJobs_data()
{
    QTest::addColumn<int>("timeFormat");
    QTest::addColumn<bool>("fill");
    QTest::addColumn<bool>("withInfo");
    QTest::addColumn<bool>("marker");
    QTest::newRow("ms fill info") << 0 << true << true << false;
    QTest::newRow("ms nofill info marker") << 0 << false << true << true;
    QTest::newRow("seconds nofill header") << 1 << false << false << false;
    QTest::newRow("clock fill header marker") << 2 << true << false << true;
    QTest::newRow("system ms nofill info") << 3 << false << true << false;
}

void TestCsvGraphWindow::wholeLogReadEqualsRowsFedAsJobs()
{
    QFETCH(int, timeFormat);
    QFETCH(bool, fill);
    QFETCH(bool, withInfo);
    QFETCH(bool, marker);
    WorkDir wd;
    CsvLogOptions o;
    o.timeFormat = timeFormat;
    o.fill = fill;
    o.marker = marker;
    CsvLogWriter w(o, t0());
    // One job on two ECUs: its result B of each is a curve of its own (with
    // the side file; the header alone names B twice, a second name is made
    // up); rising, falling and negative values (y factors), texts.
    w.addColumn("ECU1", "J", "STAT_A_WERT");
    w.addColumn("ECU1", "J", "B");
    w.addColumn("ECU2", "J", "B");
    w.addColumn("ECU2", "J", "STAT_C_WERT");
    w.start();
    for (int i = 0; i < 60; ++i) {
        const qint64 t = t0() + 100 + 50 * i;
        w.write("ECU1", "J", t, {{"STAT_A_WERT", QString::number(i * 7 % 23)}, {"B", QString::number(-i * 1.5)}});
        if (i % 3 == 0)
            w.write("ECU2", "J", t + 20,
                    {{"B", i == 30 ? QString("n/a") : QString::number(1000 - i)}, {"STAT_C_WERT", QString::number(i * i)}});
    }
    const QString file = w.stop();
    if (!withInfo)
        QVERIFY(QFile::remove(file + ".info"));

    CSVGraphWindow whole;
    QVERIFY(whole.load(file));
    QVERIFY2(whole.messages().isEmpty(), qPrintable(whole.messages().join('\n')));
    CSVGraphWindow rows;
    feedRows(rows, file);
    QVERIFY(rows.jobCount() > 0);
    const QStringList a = describeCurves(whole.plot());
    const QStringList b = describeCurves(rows.plot());
    QCOMPARE(a.size(), 5); // curves + peak
    for (int i = 0; i < a.size(); ++i)
        QCOMPARE(a[i], b[i]);
    // Each B curve holds its own ECU's values only: ECU1's fall below 0,
    // ECU2's lie near 1000; one curve fed by both would hold both.
    QStringList kinds;
    for (CustomQwtCurve *c : whole.plot()->curveMap()) {
        const std::string &name = c->resultPair()->resultName;
        if (name == "STAT_A_WERT" || name == "STAT_C_WERT")
            continue;
        const CustomQwtCurveData *d = c->curveData();
        bool negative = false, high = false, zero = false;
        for (qint64 i = 0; i < d->pointCount(); ++i) {
            negative = negative || d->rawY(i) < 0;
            high = high || d->rawY(i) > 900;
            zero = zero || d->rawY(i) == 0;
        }
        kinds << (negative && high ? "both" : negative ? "ECU1" : high ? "ECU2" : "none");
        // ECU2's "n/a" is no value: no point, never one at 0.
        if (high)
            QVERIFY(!zero);
    }
    kinds.sort();
    QCOMPARE(kinds, (QStringList{"ECU1", "ECU2"}));
    QCOMPARE(whole.plot()->data()->lastElapsed(), rows.plot()->data()->lastElapsed());
}

void TestCsvGraphWindow::startTimeAndMidnight()
{
    WorkDir wd;
    CSVGraphWindow w;
    // Times of day across midnight: shown as logged, the next day on.
    QVERIFY(w.load(writeFile(wd, "n.csv", "time;a\n23:59:59,000;1\n00:00:00,500;2\n00:00:01,000;3\n")));
    CustomQwtCurveData *d = w.plot()->curveMap().first()->curveData();
    QCOMPARE(d->pointCount(), qint64(3));
    QCOMPARE(d->rawX(0), 86399000.0);
    QCOMPARE(d->rawX(1), 86400500.0);
    QCOMPARE(d->rawX(2), 86401000.0);
    // Milliseconds since the epoch count from the first row.
    QVERIFY(w.load(writeFile(wd, "e.csv", "time;a\n1796910330000;1\n1796910330050;2\n")));
    d = w.plot()->curveMap().first()->curveData();
    QCOMPARE(d->rawX(0), 0.0);
    QCOMPARE(d->rawX(1), 50.0);
    QCOMPARE(w.plot()->data()->startTime(), qint64(1796910330000));
}

void TestCsvGraphWindow::hostileLogs_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("loads");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("points"); // per curve, in map order

    QTest::newRow("truncated last line") << QByteArray("time;a\r\n1;10\r\n2;20\r\n3") << true
                                         << "last line incomplete" << "a:2";
    // As an editor saves it: the last line is whole, only its end is missing.
    QTest::newRow("last line without line end") << QByteArray("time;a\r\n1;10\r\n2;20\r\n3;3") << true << ""
                                                << "a:3";
    QTest::newRow("fewer header names") << QByteArray("time;a\n1;10;5\n2;20\n3;30;6\n") << true
                                        << "2 rows skipped: 3 fields, header names 2" << "a:1";
    QTest::newRow("more header names") << QByteArray("time;a;b\n1;10\n2;20;1\n") << true
                                       << "1 rows skipped: 2 fields, header names 3" << "a:1 b:1";
    // A text, "nan" or blanks are no value: no point (never one at 0).
    QTest::newRow("texts and empty cells") << QByteArray("time;a;b\n1;abc;\n2;;nan\n3;4;5\n4; ;\t\n") << true << ""
                                           << "a:1 b:1";
    QTest::newRow("quoted separator") << QByteArray("time,a,b\n1,\"12,5\",3\n2,12,5,3\n") << true
                                      << "1 rows skipped: 4 fields, header names 3" << "a:1 b:1";
    QTest::newRow("0-byte") << QByteArray() << true << "empty log" << "";
    QByteArray utf16;
    for (char c : QByteArray("time;a\r\n1;2\r\n")) {
        utf16 += c;
        utf16 += '\0';
    }
    QTest::newRow("UTF-16") << utf16 << false << "not a text log" << "";
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << false << "not a text log" << "";
    QTest::newRow("first line over 64 KiB") << QByteArray(70000, ';') + "\n" << false << "not a text log" << "";
}

void TestCsvGraphWindow::hostileLogs()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, loads);
    QFETCH(QString, message);
    QFETCH(QString, points);
    WorkDir wd;
    CSVGraphWindow w;
    QCOMPARE(w.load(writeFile(wd, "h.csv", bytes)), loads);
    QVERIFY2(message.isEmpty() ? w.messages().isEmpty() : w.messages().join('\n').contains(message),
             qPrintable(w.messages().join('\n')));
    QStringList counts;
    for (CustomQwtCurve *c : w.plot()->curveMap())
        counts << c->title().text() + ":" + QString::number(c->curveData()->pointCount());
    QCOMPARE(counts.join(' '), points);
    // The message stands over the plot.
    bool shown = message.isEmpty();
    for (QwtPlotItem *item : w.plot()->itemList(QwtPlotItem::Rtti_PlotTextLabel))
        shown = shown || static_cast<QwtPlotTextLabel *>(item)->text().text().contains(message);
    QVERIFY(shown);
}

void TestCsvGraphWindow::fileStillBeingWritten()
{
    WorkDir wd;
    QByteArray bytes = "time;a\r\n";
    for (int i = 0; i < 20000; ++i)
        bytes += QByteArray::number(i) + ";" + QByteArray::number(i % 100) + "\r\n";
    const QString file = writeFile(wd, "w.csv", bytes);
    FileAppender writer(file, 20000, [](QFile &f, int i) {
        f.write(QByteArray::number(i) + ";");
        f.write(QByteArray::number(i % 100) + "\r\n");
    });
    bool seen = false;
    for (int attempt = 0; attempt < 200 && !seen; ++attempt) {
        CSVGraphWindow w;
        QVERIFY(w.load(file));
        seen = w.messages().contains("still being written");
        // Whole rows only: the last point is a whole row's.
        CustomQwtCurveData *d = w.plot()->curveMap().first()->curveData();
        QCOMPARE(d->rawY(d->pointCount() - 1), double(qint64(d->rawX(d->pointCount() - 1)) % 100));
        QVERIFY(d->pointCount() >= 20000);
    }
    QVERIFY(seen);
}

void TestCsvGraphWindow::legendToolBarAndScrollBar()
{
    WorkDir wd;
    // A missing file, a directory named like a log, a broken side file.
    CSVGraphWindow w;
    QVERIFY(!w.load(wd.filePath("missing.csv")));
    QVERIFY(w.messages().join('\n').contains("cannot open"));
    QVERIFY(w.plot()->curveMap().isEmpty());
    QVERIFY(QDir(wd.path()).mkdir("x.csv"));
    QVERIFY(!w.load(wd.filePath("x.csv")));
    QVERIFY(w.messages().join('\n').contains("is a directory"));
    QByteArray log = "time;A;B\r\n";
    for (int i = 0; i < 1200; ++i)
        log += QByteArray::number(i * 50) + ";" + QByteArray::number(i % 40) + ";" + QByteArray::number(100 - i % 7)
            + "\r\n";
    const QString file = writeFile(wd, "g.csv", log);
    wd.write("g.csv.info", "<CSVFile><columns>");
    QVERIFY(w.load(file));
    QVERIFY(w.messages().join('\n').contains("columns taken from the header"));
    QCOMPARE(w.plot()->curveMap().size(), 2);

    QCOMPARE(w.toolBar()->findChildren<QToolButton *>().size() >= 6, true);
    // 60 s of log in 30 s windows: two steps, following the newest data.
    QCOMPARE(w.scrollBar()->maximum(), 2);
    w.setScrollPosition(0);
    QCOMPARE(w.scrollBar()->value(), 1);
    QCOMPARE(w.plot()->axisScaleDiv(QwtPlot::xBottom).upperBound(), 30000.0);
    // A y range is no time position.
    w.plot()->setAxisScaleAndNotify(QwtPlot::yLeft, 0, 1e6);
    QCOMPARE(w.scrollBar()->value(), 1);

    w.onLegendTimer();
    QVERIFY(w.plot()->zoomer()->isEnabled());
    const QwtScaleDiv y = w.plot()->axisScaleDiv(QwtPlot::yLeft);
    QVERIFY(y.lowerBound() < y.upperBound());
    QCOMPARE(w.plot()->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 0.0);
    CustomQwtCurve *first = w.plot()->curveMap().first();
    const QList<QWidget *> labels = w.legend()->legendWidgets(w.plot()->itemToInfo(first));
    QCOMPARE(labels.size(), 1);
    auto *label = qobject_cast<QwtLegendLabel *>(labels.first());
    QVERIFY(label->isChecked());
    // Unticking hides the curve.
    label->setChecked(false);
    emit w.legend()->checked(w.plot()->itemToInfo(first), false, 0);
    QVERIFY(!first->isVisible());

    const qint64 window = w.plot()->timeWindow();
    w.onZoomIn();
    QVERIFY(w.plot()->timeWindow() < window);
    w.onZoomOut();
    QCOMPARE(w.plot()->timeWindow(), window);
    w.onDelete();
    QVERIFY(w.plot()->curveMap().isEmpty());
}

void TestCsvGraphWindow::opensOnTheFirstRow_data()
{
    QTest::addColumn<int>("timeFormat");
    QTest::addColumn<QByteArray>("byHand");
    QTest::newRow("milliseconds") << int(DataLogger::Milliseconds) << QByteArray();
    QTest::newRow("time in seconds") << int(DataLogger::TimeInSeconds) << QByteArray();
    QTest::newRow("current time") << int(DataLogger::CurrentTime) << QByteArray();
    QTest::newRow("system time milliseconds") << int(DataLogger::SystemTimeMilliseconds) << QByteArray();
    QTest::newRow("milliseconds from 100 s, by hand") << -1 << QByteArray("time;a\n100000;1\n100250;2\n102000;3\n");
}

// A log of the clock time (here from 03:41:48) opens on its first row, as
// does a log of any other time column: its first row's time is in view when
// the window opens (position 0) and after the legend's set-up.
void TestCsvGraphWindow::opensOnTheFirstRow()
{
    QFETCH(int, timeFormat);
    QFETCH(QByteArray, byHand);
    WorkDir wd;
    QString file;
    if (timeFormat < 0) {
        file = writeFile(wd, "late.csv", byHand);
    } else {
        CsvLogOptions o;
        o.timeFormat = timeFormat;
        const qint64 start = QDateTime(QDate(2026, 12, 10), QTime(3, 41, 48)).toMSecsSinceEpoch();
        CsvLogWriter w(o, start);
        w.addColumn("ECU", "J", "A");
        w.start();
        for (int i = 0; i < 40; ++i)
            w.write("ECU", "J", start + 100 + 250 * i, {{"A", QString::number(i % 7)}});
        file = w.stop();
    }
    CSVGraphWindow g;
    g.resize(800, 400);
    QVERIFY(g.load(file));
    QVERIFY2(g.messages().isEmpty(), qPrintable(g.messages().join('\n')));
    CustomQwtCurveData *d = g.plot()->curveMap().first()->curveData();
    const double first = d->rawX(0);
    auto inView = [&g](double x) {
        const QwtScaleDiv shown = g.plot()->axisScaleDiv(QwtPlot::xBottom);
        return shown.lowerBound() <= x && x <= shown.upperBound();
    };
    g.setScrollPosition(0);
    g.show();
    QVERIFY2(inView(first), qPrintable(QString("first row at %1 ms, view %2 .. %3")
                                           .arg(first)
                                           .arg(g.plot()->axisScaleDiv(QwtPlot::xBottom).lowerBound())
                                           .arg(g.plot()->axisScaleDiv(QwtPlot::xBottom).upperBound())));
    // The scroll bar starts at that page.
    QCOMPARE(g.scrollBar()->minimum(), g.scrollBar()->value());
    g.onLegendTimer();
    QVERIFY(inView(first));
    // Zooming out all the way comes back to it too.
    QVERIFY(g.plot()->zoomer()->zoomBase().left() <= first && first <= g.plot()->zoomer()->zoomBase().right());
}

void TestCsvGraphWindow::resavedLogShowsItsCurves_data()
{
    playbackfixture::addResavedRows();
}

// The Log Viewer on a log a spreadsheet saved again with another separator,
// its side file kept: a curve per column with every value, and the reason
// over the plot.
void TestCsvGraphWindow::resavedLogShowsItsCurves()
{
    QFETCH(bool, semicolonAsComma);
    QFETCH(QString, message);
    WorkDir wd;
    const QString file = wd.filePath(playbackfixture::writeResavedLog(semicolonAsComma));
    CSVGraphWindow w;
    QVERIFY(w.load(file));
    QCOMPARE(w.messages(), QStringList{message});
    QStringList curves;
    for (CustomQwtCurve *c : w.plot()->curveMap()) {
        CustomQwtCurveData *d = c->curveData();
        QStringList points;
        for (qint64 i = 0; i < d->pointCount(); ++i)
            points << QString("%1/%2").arg(d->rawX(i)).arg(d->rawY(i));
        curves << c->resultPair()->job.ecuName.c_str() + QString(" ") + c->title().text() + " " + points.join(' ');
    }
    curves.sort();
    QCOMPARE(curves, (QStringList{"MSV70 Coolant temperature 100/87 200/88", "MSV70 Engine speed 100/3655.5 200/3700.25"}));
    bool shown = false;
    for (QwtPlotItem *item : w.plot()->itemList(QwtPlotItem::Rtti_PlotTextLabel))
        shown = shown || static_cast<QwtPlotTextLabel *>(item)->text().text().contains(message);
    QVERIFY(shown);
}

KELVO_GUI_TEST_MAIN(TestCsvGraphWindow)
#include "tst_csvgraphwindow.moc"
