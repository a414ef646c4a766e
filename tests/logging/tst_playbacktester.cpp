// The playback window: its list of logs, controls that do nothing before a
// log is opened, the status texts of a failed load, the gauge screen and
// graph it opens for a loaded log (definitions from its own gauge files,
// made up for the rest), replayed jobs re-emitted, and its player thread:
// one at a time, gone when the window closes.
#include "basicgauge.h"
#include "csvgraphwindow.h"
#include "fakemdihost.h"
#include "gaugecontainer.h"
#include "gaugewidget.h"
#include "guitestmain.h"
#include "jobmetatypes.h"
#include "playbackfixture.h"
#include "plotwidget.h"
#include "playbackthread.h"
#include "playbacktester.h"
#include "workdir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTextEdit>
#include <QThread>
#include <QApplication>
#include <QtTest>
#include <memory>

namespace {
QStringList tenColumns()
{
    return {"STAT_A_WERT", "STAT_B_WERT", "STAT_C_WERT", "STAT_D_WERT", "STAT_E_WERT",
            "STAT_F_WERT", "STAT_G_WERT", "STAT_H_WERT", "STAT_I_WERT", "STAT_MOTOR_WERT"};
}

// Gauge files of the window's own manager: MSV70 knows STAT_A_WERT of MOTOR,
// written in another letter case than the log's.
const QByteArray definitions = "[A]\n"
                               "Jobname=motor\n"
                               "Resultname=stat_a_wert\n"
                               "Min=0\n"
                               "Max=500\n"
                               "title=Alpha\n"
                               "unit=bar\n";

template <typename T> T *child(QWidget *w, const char *name)
{
    return w->findChild<T *>(QLatin1String(name));
}

JobInfo columnInfo(const char *job, const QString &translated, const QString &raw)
{
    JobInfo info;
    info.job.ecuName = "MSV70";
    info.job.jobName = job;
    info.resultName = translated;
    info.sideFileName = raw;
    return info;
}
} // namespace

class TestPlayBackTester : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { JobMetaTypes::registerAll(); }
    void init() { workDir.reset(new WorkDir); }
    void cleanup() { workDir.reset(); }

    void listsLogFilesOnly();
    void inertBeforeOpen();
    void missingFileSaysWhy();
    void gaugeDefinitions_data();
    void gaugeDefinitions();
    void gaugeColumns();
    void opensViewsAndReplays();
    void playsToTheEndAndShowsPlay();
    void keysStepWhereverTheFocusIs_data();
    void keysStepWhereverTheFocusIs();
    void loadReportStaysWhilePlaying_data();
    void loadReportStaysWhilePlaying();
    void secondOpenLeavesOneWorker();
    void closingEndsTheWorker();
    void firstRowAtOpenAndStart();
    void resavedLogPlaysUnderItsNames_data();
    void resavedLogPlaysUnderItsNames();

private:
    std::unique_ptr<WorkDir> workDir;
};

void TestPlayBackTester::listsLogFilesOnly()
{
    QVERIFY(workDir->write("b.csv", "time;A\r\n"));
    QVERIFY(workDir->write("A.csv", "time;A\r\n"));
    QVERIFY(workDir->write("notes.txt", "x"));
    QVERIFY(QDir(workDir->path()).mkdir("folder.csv"));
    FakeMdiHost host;
    PlayBackTester tester(nullptr, &host);
    auto *combo = child<QComboBox>(&tester, "cmbCsvFile");
    QStringList items;
    for (int i = 0; i < combo->count(); ++i)
        items << combo->itemText(i);
    QCOMPARE(items, (QStringList{"A.csv", "b.csv"}));
}

void TestPlayBackTester::inertBeforeOpen()
{
    playbackfixture::writeLog(3);
    FakeMdiHost host;
    PlayBackTester tester(nullptr, &host);
    tester.show();
    QSignalSpy jobs(&tester, &PlayBackTester::jobFinished);
    QVERIFY(!child<QPushButton>(&tester, "btnStart")->isEnabled());
    child<QPushButton>(&tester, "pushButton_3")->click();
    child<QPushButton>(&tester, "pushButton_4")->click();
    QVERIFY(QMetaObject::invokeMethod(&tester, "on_btnStart_clicked"));
    QTest::keyClick(&tester, Qt::Key_Left);
    QTest::keyClick(&tester, Qt::Key_Right);
    child<QScrollBar>(&tester, "horizontalScrollBar")->setValue(5);
    child<QSpinBox>(&tester, "spnSpeed")->setValue(100);
    QCoreApplication::processEvents();
    QVERIFY(!tester.hasWorker());
    QVERIFY(tester.findChildren<QThread *>().isEmpty());
    QCOMPARE(host.area.subWindowList().size(), 0);
    QCOMPARE(jobs.count(), 0);
    QVERIFY(child<QTextEdit>(&tester, "textEdit")->toPlainText().isEmpty());
}

void TestPlayBackTester::missingFileSaysWhy()
{
    const QString file = playbackfixture::writeLog(3);
    FakeMdiHost host;
    PlayBackTester tester(nullptr, &host);
    QVERIFY(QFile::remove(file));
    child<QPushButton>(&tester, "pushButton_5")->click();
    auto *text = child<QTextEdit>(&tester, "textEdit");
    QTRY_VERIFY_WITH_TIMEOUT(text->toPlainText().contains("Error during load"), 30000);
    const QStringList lines = text->toPlainText().split('\n');
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines.at(0), QString("loading file.."));
    // Why, not only that: the reader's reason follows.
    QVERIFY2(lines.at(1).startsWith("Error during load: ") && lines.at(1).size() > 19, qPrintable(lines.at(1)));
    QCOMPARE(host.area.subWindowList().size(), 0);
    QVERIFY(!tester.gaugeScreen());
}

void TestPlayBackTester::gaugeDefinitions_data()
{
    QTest::addColumn<QString>("translated");
    QTest::addColumn<QString>("raw");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("title");
    QTest::newRow("same name, other case") << "Stat_A_Wert" << "Stat_A_Wert" << true << "Alpha";
    QTest::newRow("translated, the file names the side file's name") << "Pressure" << "STAT_A_WERT" << true << "Alpha";
    QTest::newRow("translated, the file names the translation") << "stat_a_wert" << "STAT_X" << true << "Alpha";
    QTest::newRow("no definition: prefix and suffix removed") << "STAT_MOTOR_WERT" << "STAT_MOTOR_WERT" << false
                                                                << "MOTOR";
    QTest::newRow("no definition: case kept") << "stat_motor_wert" << "stat_motor_wert" << false
                                              << "stat_motor_wert";
}

void TestPlayBackTester::gaugeDefinitions()
{
    QFETCH(QString, translated);
    QFETCH(QString, raw);
    QFETCH(bool, found);
    QFETCH(QString, title);
    GaugeDef file;
    file.jobName = "MOTOR";
    file.resultName = "STAT_A_WERT";
    file.title = "Alpha";
    file.min = 0;
    file.max = 500;
    GaugeDef other = file;
    other.jobName = "OTHERJOB";
    other.title = "Other job";
    bool wasFound = !found;
    const GaugeDef def = PlayBackTester::gaugeDefFor({other, file}, columnInfo("motor", translated, raw), &wasFound);
    QCOMPARE(wasFound, found);
    QCOMPARE(def.title, title);
    if (!found) {
        QCOMPARE(def.jobName, QString("motor"));
        QCOMPARE(def.resultName, translated);
        QCOMPARE(def.unit, QString("-"));
        QCOMPARE(def.min, 0.0);
        QCOMPARE(def.max, 1.0);
        QCOMPARE(def.needleColor, QColor("#157DEC"));
        QCOMPARE(def.color, QColor("#ff0000"));
        QCOMPARE(def.fillColor, QColor("#000000"));
        QCOMPARE(def.textColor, QColor("#ffffff"));
        QCOMPARE(def.titleColor, QColor("#FFFFFF"));
        QCOMPARE(def.decimals, GaugeDef().decimals);
        QCOMPARE(def.conversionFactor, GaugeDef().conversionFactor);
    }
}

void TestPlayBackTester::gaugeColumns()
{
    QCOMPARE(PlayBackTester::gaugeColumns(10), 3);
    QCOMPARE(PlayBackTester::gaugeColumns(9), 3);
    QCOMPARE(PlayBackTester::gaugeColumns(16), 4);
    QCOMPARE(PlayBackTester::gaugeColumns(1), 1);
    QCOMPARE(PlayBackTester::gaugeColumns(0), 0);
}

void TestPlayBackTester::opensViewsAndReplays()
{
    QVERIFY(workDir->write("gauges/MSV70/definitions.txt", definitions));
    playbackfixture::writeLog(20, 50, tenColumns());
    FakeMdiHost host(QSize(1000, 800));
    PlayBackTester tester(nullptr, &host);
    tester.show();
    QSignalSpy jobs(&tester, &PlayBackTester::jobFinished);
    child<QPushButton>(&tester, "pushButton_5")->click();
    QTRY_VERIFY_WITH_TIMEOUT(tester.gaugeScreen() != nullptr, 30000);
    auto *text = child<QTextEdit>(&tester, "textEdit");

    // The gauge screen: 10 columns in a grid of 3, every column a dial.
    GaugeContainer *screen = tester.gaugeScreen();
    QCOMPARE(screen->columns(), 3);
    QCOMPARE(screen->gauges().size(), 10);
    QCOMPARE(screen->subWindow()->pos(), QPoint(0, 0));
    QCOMPARE(screen->subWindow()->size(), QSize(500, 400));
    const GaugeWidget *alpha = screen->gauges().at(0);
    QCOMPARE(alpha->gaugeDef().title, QString("Alpha"));
    QCOMPARE(alpha->gaugeDef().max, 500.0);
    QVERIFY(!alpha->autoScale());
    const GaugeWidget *motor = screen->gauges().at(9);
    QCOMPARE(motor->gaugeDef().title, QString("MOTOR"));
    // Made up (range 0 to 1 at first, see gaugeDefinitions) and scaling
    // itself to the values replayed meanwhile.
    QVERIFY(motor->autoScale());
    QCOMPARE(motor->resultPair().resultName, std::string("STAT_MOTOR_WERT"));
    QCOMPARE(motor->resultPair().job.jobName, std::string("MOTOR"));

    // The graph of the whole log below it; no chart unless ticked.
    QVERIFY(qobject_cast<CSVGraphWindow *>(tester.graphWindow()));
    QVERIFY(!tester.chartWindow());
    QCOMPARE(host.area.subWindowList().size(), 2);

    // Scroll bar over rows 0 .. 19; the first row shown is row 0.
    auto *bar = child<QScrollBar>(&tester, "horizontalScrollBar");
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 19);
    QTRY_VERIFY_WITH_TIMEOUT(!jobs.isEmpty() && jobs.last().at(0).value<CJob>().timeStamp == 0, 30000);
    jobs.clear();

    // Next: row 1 as text and as one job re-emitted with result 0.
    child<QPushButton>(&tester, "pushButton_4")->click();
    QTRY_COMPARE_WITH_TIMEOUT(jobs.count(), 1, 30000);
    const CJob job = jobs.at(0).at(0).value<CJob>();
    QCOMPARE(jobs.at(0).at(1).toInt(), 0);
    QCOMPARE(job.jobName, std::string("MOTOR"));
    QCOMPARE(job.timeStamp, qint64(50));
    QCOMPARE(job.getResultCount(), 10);
    QCOMPARE(job.resultAt(9).realValue, 10.0);
    QStringList lines = text->toPlainText().split('\n');
    QCOMPARE(lines.mid(0, 3), (QStringList{"MOTOR", "MOTORSTAT_A_WERT", "1"}));
    QCOMPARE(lines.last(), QString("10"));

    // The keys step too; the scroll bar seeks.
    QTest::keyClick(&tester, Qt::Key_Left);
    QTRY_COMPARE_WITH_TIMEOUT(jobs.count(), 2, 30000);
    QCOMPARE(jobs.at(1).at(0).value<CJob>().timeStamp, qint64(0));
    bar->setValue(7);
    QTRY_COMPARE_WITH_TIMEOUT(jobs.count(), 3, 30000);
    QCOMPARE(jobs.at(2).at(0).value<CJob>().timeStamp, qint64(350));

    // The gauges are fed from the re-emitted jobs.
    QTRY_COMPARE_WITH_TIMEOUT(motor->gauge()->value(), 70.0, 30000);
}

void TestPlayBackTester::playsToTheEndAndShowsPlay()
{
    playbackfixture::writeLog(30);
    FakeMdiHost host;
    PlayBackTester tester(nullptr, &host);
    child<QCheckBox>(&tester, "chkChart2D")->setChecked(true);
    child<QSpinBox>(&tester, "spnSpeed")->setValue(0);
    QSignalSpy jobs(&tester, &PlayBackTester::jobFinished);
    child<QPushButton>(&tester, "pushButton_5")->click();
    QTRY_VERIFY_WITH_TIMEOUT(tester.gaugeScreen() != nullptr, 30000);
    QVERIFY(tester.chartWindow());
    auto *start = child<QPushButton>(&tester, "btnStart");
    QVERIFY(start->isEnabled());
    QCOMPARE(start->text(), QString("Start"));
    start->click();
    QCOMPARE(start->text(), QString("Stop"));
    // At the end the player stops on the last row by itself.
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QString("Play"), 60000);
    QCOMPARE(tester.playbackWorker()->getCurIndex(), 29);
    QCOMPARE(jobs.last().at(0).value<CJob>().timeStamp, qint64(290));
    QCOMPARE(child<QScrollBar>(&tester, "horizontalScrollBar")->value(), 29);
    // Choosing another file disables Start until the next Open.
    QVERIFY(QMetaObject::invokeMethod(&tester, "on_cmbCsvFile_activated", Q_ARG(QString, QString("x.csv"))));
    QVERIFY(!start->isEnabled());
}

void TestPlayBackTester::keysStepWhereverTheFocusIs_data()
{
    QTest::addColumn<QString>("widget");
    for (const char *name : {"pushButton_5", "pushButton_3", "pushButton_4", "btnStart", "textEdit", "spnSpeed",
                             "cmbCsvFile", "chkChart2D", "horizontalScrollBar"})
        QTest::newRow(name) << name;
}

// Left and Right step one row whichever control has the focus; the focus
// stays where it is.
void TestPlayBackTester::keysStepWhereverTheFocusIs()
{
    QFETCH(QString, widget);
    playbackfixture::writeLog(20, 50);
    FakeMdiHost host;
    PlayBackTester tester(nullptr, &host);
    tester.show();
    QApplication::setActiveWindow(&tester);
    QVERIFY(QTest::qWaitForWindowActive(&tester));
    QSignalSpy jobs(&tester, &PlayBackTester::jobFinished);
    auto shownTime = [&jobs](int i) { return jobs.at(i).at(0).value<CJob>().timeStamp; };
    child<QPushButton>(&tester, "pushButton_5")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!jobs.isEmpty() && shownTime(jobs.size() - 1) == 0, 30000);
    auto *target = child<QWidget>(&tester, qPrintable(widget));
    target->setFocus(Qt::TabFocusReason);
    QTRY_VERIFY(target->hasFocus());
    jobs.clear();

    const struct
    {
        Qt::Key key;
        qint64 time;
    } steps[] = {{Qt::Key_Right, 50}, {Qt::Key_Right, 100}, {Qt::Key_Left, 50}};
    for (const auto &step : steps) {
        const int before = jobs.size();
        QTest::keyClick(QApplication::focusWidget(), step.key);
        QTRY_COMPARE_WITH_TIMEOUT(jobs.size(), before + 1, 30000);
        QCOMPARE(shownTime(before), step.time);
        QVERIFY(target->hasFocus());
    }
}

void TestPlayBackTester::loadReportStaysWhilePlaying_data()
{
    QTest::addColumn<QByteArray>("log");
    QTest::addColumn<QString>("report");
    QTest::addColumn<int>("rows");
    QTest::newRow("0-byte") << QByteArray() << "empty log" << 0;
    QTest::newRow("header only") << QByteArray("time;A;B\r\n") << "empty log" << 0;
    QTest::newRow("header without line end") << QByteArray("time;A;B") << "empty log" << 0;
    QTest::newRow("last line cut") << QByteArray("time;A\r\n10;1\r\n20;2\r\n30;3\r\n3") << "last line incomplete"
                                   << 3;
}

// An empty log says so, and what the load reported stays above the rows.
void TestPlayBackTester::loadReportStaysWhilePlaying()
{
    QFETCH(QByteArray, log);
    QFETCH(QString, report);
    QFETCH(int, rows);
    QVERIFY(workDir->write("x.csv", log));
    // Saved an hour ago: a finished log, not one still being written.
    QFile saved(workDir->filePath("x.csv"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    saved.close();
    FakeMdiHost host;
    PlayBackTester tester(nullptr, &host);
    tester.show();
    auto *text = child<QTextEdit>(&tester, "textEdit");
    QSignalSpy jobs(&tester, &PlayBackTester::jobFinished);
    child<QPushButton>(&tester, "pushButton_5")->click();
    QTRY_VERIFY_WITH_TIMEOUT(tester.gaugeScreen() != nullptr, 30000);
    QCOMPARE(tester.playbackWorker()->rowCount(), rows);
    auto shown = [text] { return text->toPlainText().split('\n'); };
    if (rows == 0) {
        // Open asks for row 0: there is none, and the text says why once
        // that answer has replaced the loading messages.
        QTRY_VERIFY_WITH_TIMEOUT(!shown().contains("file loaded") && shown().contains(report), 30000);
        QTest::keyClick(&tester, Qt::Key_Right);
        child<QPushButton>(&tester, "btnStart")->click();
        QTRY_COMPARE_WITH_TIMEOUT(child<QPushButton>(&tester, "btnStart")->text(), QString("Play"), 30000);
        QVERIFY(shown().contains(report));
        QCOMPARE(jobs.count(), 0);
        return;
    }
    // Each row shown below the report: row 0, then row 1 by Next.
    auto rowBelowReport = [&shown, &report](const QStringList &row) {
        const QStringList lines = shown();
        const int at = lines.indexOf(row.first());
        return lines.indexOf(report) >= 0 && lines.indexOf(report) < at && lines.mid(at) == row;
    };
    auto lastShown = [&jobs] { return jobs.isEmpty() ? -1 : jobs.last().at(0).value<CJob>().timeStamp; };
    QTRY_COMPARE_WITH_TIMEOUT(lastShown(), qint64(10), 30000);
    QVERIFY2(rowBelowReport({"DUMMYJOB", "DUMMYJOBA", "1"}), qPrintable(text->toPlainText()));
    child<QPushButton>(&tester, "pushButton_4")->click();
    QTRY_COMPARE_WITH_TIMEOUT(lastShown(), qint64(20), 30000);
    QVERIFY2(rowBelowReport({"DUMMYJOB", "DUMMYJOBA", "2"}), qPrintable(text->toPlainText()));
}

// Row 0 is the log's first row: Open shows it, Start plays from it, and the
// scroll bar reaches it. Its values are shown as logged, every digit.
void TestPlayBackTester::firstRowAtOpenAndStart()
{
    QVERIFY(workDir->write("x.csv", "time;A;B\r\n100;20;12345.678\r\n200;21;4294967295\r\n300;22;0.1\r\n"));
    QFile saved(workDir->filePath("x.csv"));
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QVERIFY(saved.setFileTime(QDateTime::currentDateTime().addSecs(-3600), QFileDevice::FileModificationTime));
    saved.close();
    FakeMdiHost host;
    PlayBackTester tester(nullptr, &host);
    child<QSpinBox>(&tester, "spnSpeed")->setValue(0);
    tester.show();
    auto *text = child<QTextEdit>(&tester, "textEdit");
    auto *bar = child<QScrollBar>(&tester, "horizontalScrollBar");
    QSignalSpy jobs(&tester, &PlayBackTester::jobFinished);
    auto shownTimes = [&jobs] {
        QList<qint64> times;
        for (const QList<QVariant> &emitted : qAsConst(jobs))
            times << emitted.at(0).value<CJob>().timeStamp;
        return times;
    };
    child<QPushButton>(&tester, "pushButton_5")->click();
    QTRY_VERIFY_WITH_TIMEOUT(tester.gaugeScreen() != nullptr, 30000);
    // Loaded: the player stays on row 0, which the scroll bar can reach.
    QCOMPARE(tester.playbackWorker()->getCurIndex(), 0);
    QCOMPARE(bar->minimum(), 0);
    QCOMPARE(bar->maximum(), 2);
    QCOMPARE(bar->value(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(shownTimes(), QList<qint64>{100}, 30000);
    QCOMPARE(text->toPlainText().split('\n'),
             (QStringList{"DUMMYJOB", "DUMMYJOBA", "20", "DUMMYJOBB", "12345.678"}));
    QCOMPARE(tester.playbackWorker()->getCurIndex(), 0);

    // Start plays every row from the first.
    jobs.clear();
    auto *start = child<QPushButton>(&tester, "btnStart");
    start->click();
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QString("Play"), 30000);
    QTRY_COMPARE_WITH_TIMEOUT(shownTimes(), (QList<qint64>{100, 200, 300}), 30000);
    QCOMPARE(text->toPlainText().split('\n').mid(3), (QStringList{"DUMMYJOBB", "0.1"}));
    QCOMPARE(bar->value(), 2);

    // Back to the first row by the scroll bar.
    jobs.clear();
    bar->setValue(0);
    QCOMPARE(bar->value(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(shownTimes(), QList<qint64>{100}, 30000);
    QCOMPARE(tester.playbackWorker()->getCurIndex(), 0);
}

void TestPlayBackTester::resavedLogPlaysUnderItsNames_data()
{
    playbackfixture::addResavedRows();
}

// A log a spreadsheet saved again with another separator, its side file
// kept: played under the side file's job and names, and the window says
// how it was read.
void TestPlayBackTester::resavedLogPlaysUnderItsNames()
{
    QFETCH(bool, semicolonAsComma);
    QFETCH(QString, message);
    playbackfixture::writeResavedLog(semicolonAsComma);
    FakeMdiHost host;
    PlayBackTester tester(nullptr, &host);
    tester.show();
    auto *combo = child<QComboBox>(&tester, "cmbCsvFile");
    combo->setCurrentIndex(combo->findText("resaved.csv"));
    QCOMPARE(combo->currentText(), QString("resaved.csv"));
    QSignalSpy jobs(&tester, &PlayBackTester::jobFinished);
    child<QPushButton>(&tester, "pushButton_5")->click();
    QTRY_VERIFY_WITH_TIMEOUT(tester.gaugeScreen() != nullptr, 30000);
    QCOMPARE(tester.playbackWorker()->rowCount(), 2);
    QTRY_COMPARE_WITH_TIMEOUT(jobs.count(), 1, 30000);
    const CJob job = jobs.at(0).at(0).value<CJob>();
    QCOMPARE(job.ecuName, std::string("MSV70"));
    QCOMPARE(job.jobName, std::string("MOTOR"));
    QCOMPARE(job.getResultCount(), 2);
    QCOMPARE(job.resultAt(0).realValue, 3655.5);
    auto *text = child<QTextEdit>(&tester, "textEdit");
    QCOMPARE(text->toPlainText().split('\n'),
             (QStringList{message, "MOTOR", "MOTOREngine speed", "3655.5", "MOTORCoolant temperature", "87"}));
    // A dial per column, under the side file's job.
    const QList<GaugeWidget *> dials = tester.gaugeScreen()->gauges();
    QCOMPARE(dials.size(), 2);
    QCOMPARE(dials.at(0)->resultPair().job.ecuName, std::string("MSV70"));
    QCOMPARE(dials.at(0)->resultPair().resultName, std::string("Engine speed"));
    // The graph of the whole log shows both curves and the message.
    auto *graph = qobject_cast<CSVGraphWindow *>(tester.graphWindow());
    QVERIFY(graph);
    QCOMPARE(graph->messages(), QStringList{message});
    QCOMPARE(graph->plot()->curveMap().size(), 2);
}

void TestPlayBackTester::secondOpenLeavesOneWorker()
{
    playbackfixture::writeLog(200);
    FakeMdiHost host;
    PlayBackTester tester(nullptr, &host);
    child<QSpinBox>(&tester, "spnSpeed")->setValue(0);
    child<QPushButton>(&tester, "pushButton_5")->click();
    QTRY_VERIFY_WITH_TIMEOUT(tester.gaugeScreen() != nullptr, 30000);
    child<QPushButton>(&tester, "btnStart")->click();
    QPointer<PlayBackThread> first = tester.playbackWorker();
    QPointer<QThread> firstThread = tester.findChild<QThread *>();
    QVERIFY(firstThread);

    child<QPushButton>(&tester, "pushButton_5")->click();
    // The first player and its thread are gone before the second starts.
    QVERIFY(!first);
    QVERIFY(!firstThread);
    QCOMPARE(tester.findChildren<QThread *>().size(), 1);
    QVERIFY(tester.playbackWorker());
    QCOMPARE(child<QPushButton>(&tester, "btnStart")->text(), QString("Start"));
    QTRY_COMPARE_WITH_TIMEOUT(host.windows<GaugeContainer>().size(), 2, 30000);
}

void TestPlayBackTester::closingEndsTheWorker()
{
    playbackfixture::writeLog(200);
    FakeMdiHost host;
    auto *tester = new PlayBackTester(nullptr, &host);
    tester->show();
    child<QSpinBox>(tester, "spnSpeed")->setValue(5000);
    child<QPushButton>(tester, "pushButton_5")->click();
    QTRY_VERIFY_WITH_TIMEOUT(tester->gaugeScreen() != nullptr, 30000);
    child<QPushButton>(tester, "btnStart")->click();
    QPointer<PlayBackThread> worker = tester->playbackWorker();
    // Closing waits for the player, which ends its 5 s pause at once.
    QVERIFY(tester->close());
    QVERIFY(!worker);
    QVERIFY(!tester->hasWorker());
    QVERIFY(tester->findChildren<QThread *>().isEmpty());
    delete tester;
    // The views stay with the main window.
    QCOMPARE(host.windows<GaugeContainer>().size(), 1);
}

KELVO_GUI_TEST_MAIN(TestPlayBackTester)
#include "tst_playbacktester.moc"
