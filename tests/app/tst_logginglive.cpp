// The data logger as a new user of the demo meets it: in simulation the
// petrol ECU's measurement job runs, two results are ticked in its plot
// window, "Data Log" opens the logger with the demo's prefix and preset, a
// log is started, marked with Return and stopped, and the CSV file and its
// side file are in the working directory. Then a log folder that cannot be
// made turns the window red. Then MSV70's and D73N57C0's "Measurement
// values", one job name on two ECUs, logged together. With
// KELVO_LOGGER_SHOTS naming a directory the test leaves screenshots there.
#include "datalogger.h"
#include "demosession.h"
#include "loggingresulttableview.h"
#include "loggingwindow.h"
#include "mainwindow.h"
#include "mdiarea.h"
#include "plotwindow.h"
#include "resulttablemodel.h"
#include "resulttableview.h"
#include "workdir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

class TestLoggingLive : public QObject
{
    Q_OBJECT
private slots:
    void logTheDemoAsANewUser();
    void logTwoEcusMeasurementValues();
};

namespace {
// Ticks the rows of those results in the plot window's table.
void tickResults(PlotWindow *plot, const QList<std::string> &names)
{
    ResultTableModel *model = plot->findChild<ResultTableView *>("tableView")->tableModel();
    QTRY_VERIFY(model->rowCount() > 0);
    for (int r = 0; r < model->rowCount(); ++r)
        if (names.contains(model->userData(r, 0).value<CJobResult>().name))
            model->setCellData(r, 0, Qt::Checked, Qt::CheckStateRole);
}
} // namespace

void TestLoggingLive::logTheDemoAsANewUser()
{
    DemoSession demo(QStringLiteral(KELVO_SOURCE_DIR) + "/demo");
    QVERIFY(demo.isReady());
    MainWindow &w = demo.window();
    const WorkDir &wd = demo.workDir();
    QVERIFY(demo.chooseJob("MSV70", "Measurement values"));
    QTRY_VERIFY(!w.plotWindows().isEmpty());
    PlotWindow *plot = w.plotWindows().first();
    ResultTableModel *model = plot->findChild<ResultTableView *>("tableView")->tableModel();
    QTRY_VERIFY(model->rowCount() > 0);
    for (int r = 0; r < model->rowCount(); ++r) {
        const std::string name = model->userData(r, 0).value<CJobResult>().name;
        if (name == "STAT_ENG_NAVRG_WERT" || name == "STAT_CTSCD_TCLNT_WERT")
            model->setCellData(r, 0, Qt::Checked, Qt::CheckStateRole);
    }
    QCOMPARE(plot->plotWidgets().size(), 2);

    QTest::mouseClick(plot->findChild<QPushButton *>("btnDataLog"), Qt::LeftButton);
    LoggingWindow *lw = w.lastLoggingWindow();
    QVERIFY(lw);
    lw->parentWidget()->resize(620, 560);
    w.centerSubWindow(lw->parentWidget());
    lw->parentWidget()->raise();
    QCOMPARE(lw->findChild<QComboBox *>("cmbPrefix")->currentText(), QString("demo_"));
    QCOMPARE(lw->findChild<QComboBox *>("cmbPreset")->currentText(), QString("Engine"));
    // The preset ticks the demo's two rows of the (disabled) result table.
    auto *table = lw->findChild<LoggingResultTableView *>("tableView");
    QTRY_VERIFY(table->sourceModel()->rowCount() > 2);
    int ticked = 0;
    for (int r = 0; r < table->sourceModel()->rowCount(); ++r)
        ticked += table->isChecked(r) ? 1 : 0;
    QCOMPARE(ticked, 2);
    auto *list = lw->findChild<QListWidget *>("listResultNames");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QString("Coolant temperature"));
    QCOMPARE(list->item(1)->text(), QString("Engine speed"));

    lw->findChild<QCheckBox *>("chkMarker")->setChecked(true);
    auto *button = lw->findChild<QPushButton *>("btnExec");
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(lw->isLogging());
    const QString file = lw->dataLogger()->fileName();
    QVERIFY2(QFileInfo(file).fileName().startsWith("demo_"), qPrintable(file));
    auto *label = lw->findChild<QLabel *>("labelFileName");
    QCOMPARE(label->text(), "Saving 2 values to " + file);
    QTRY_VERIFY_WITH_TIMEOUT(lw->dataLogger()->lineCount() >= 3, 10000);
    QTest::keyClick(lw, Qt::Key_Return);
    const int marked = lw->dataLogger()->lineCount();
    QTRY_VERIFY_WITH_TIMEOUT(lw->dataLogger()->lineCount() >= marked + 3, 10000);
    QTRY_VERIFY(lw->findChild<QLabel *>("labelLinesCount")->text().toInt() > 0);
    DemoSession::shoot(&w, "KELVO_LOGGER_SHOTS", "logger-saving", true);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(!lw->isLogging());
    QCOMPARE(label->text(), "Saved:" + file);

    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.first(), QByteArray("time,Coolant temperature,Engine speed,MARKER\r"));
    QVERIFY(lines.at(1).endsWith(",Marker.0\r"));
    QVERIFY(lines.at(lines.size() - 2).endsWith(",Marker.1\r"));
    QVERIFY(QFileInfo(wd.filePath(QFileInfo(file).fileName() + ".info")).isFile());

    // A folder that cannot be made: the window turns red and says why.
    wd.write("blocked", "a file, not a folder");
    lw->findChild<QLineEdit *>("txtLogFIle")->setText(wd.filePath("blocked/logs"));
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(!lw->failure().isEmpty());
    QVERIFY(label->text().startsWith("Cannot create log file"));
    QCOMPARE(lw->findChildren<QMessageBox *>().size(), 1);
    DemoSession::shoot(&w, "KELVO_LOGGER_SHOTS", "logger-failure", true);
}

// Both ECUs answer MW_SELECT_LESEN_NORM with an engine speed and a coolant
// temperature; MSV70's are logged, and D73N57C0's vehicle speed. Each line
// comes from one job, so with "Fill all columns" off a line fills either
// MSV70's columns or D73N57C0's, never both.
void TestLoggingLive::logTwoEcusMeasurementValues()
{
    DemoSession demo(QStringLiteral(KELVO_SOURCE_DIR) + "/demo");
    QVERIFY(demo.isReady());
    MainWindow &w = demo.window();
    QVERIFY(demo.chooseJob("MSV70", "Measurement values"));
    QVERIFY(demo.chooseJob("D73N57C0", "Measurement values"));
    QTRY_COMPARE(w.plotWindows().size(), 2);
    PlotWindow *petrol = nullptr;
    PlotWindow *diesel = nullptr;
    for (PlotWindow *p : w.plotWindows())
        (p->job().ecuName == "MSV70" ? petrol : diesel) = p;
    QVERIFY(petrol && diesel && diesel->job().ecuName == "D73N57C0");
    tickResults(petrol, {"STAT_ENG_NAVRG_WERT", "STAT_CTSCD_TCLNT_WERT"});
    QCOMPARE(petrol->plotWidgets().size(), 2);
    tickResults(diesel, {"STAT_GESCHWINDIGKEIT_WERT"});
    QCOMPARE(diesel->plotWidgets().size(), 1);

    QTest::mouseClick(petrol->findChild<QPushButton *>("btnDataLog"), Qt::LeftButton);
    LoggingWindow *lw = w.lastLoggingWindow();
    QVERIFY(lw);
    auto *list = lw->findChild<QListWidget *>("listResultNames");
    QTRY_COMPARE(list->count(), 3);
    // "Sync jobs" offers the two jobs, told apart by their ECU.
    auto *tabs = lw->findChild<QTabWidget *>("tabWidget");
    tabs->setCurrentWidget(lw->findChild<QWidget *>("tabSync"));
    auto *sync = lw->findChild<QListWidget *>("listSyncJobs");
    QStringList entries;
    for (int i = 0; i < sync->count(); ++i)
        entries << sync->item(i)->text();
    entries.sort();
    QCOMPARE(entries, (QStringList{"Selected measurement values (D73N57C0)", "Selected measurement values (MSV70)"}));

    auto *button = lw->findChild<QPushButton *>("btnExec");
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(lw->isLogging());
    const QString file = lw->dataLogger()->fileName();
    QTRY_VERIFY_WITH_TIMEOUT(lw->dataLogger()->lineCount() >= 12, 20000);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(!lw->isLogging());

    QFile csv(file);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = csv.readAll().trimmed().split('\n');
    QCOMPARE(lines.first(), QByteArray("time,Coolant temperature,Engine speed,Vehicle speed\r"));
    int petrolLines = 0;
    int dieselLines = 0;
    for (int i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> cells = lines.at(i).trimmed().split(',');
        QCOMPARE(cells.size(), 4);
        const bool petrolCells = !cells.at(1).isEmpty() && !cells.at(2).isEmpty();
        const bool dieselCells = !cells.at(3).isEmpty();
        QVERIFY2(petrolCells != dieselCells, lines.at(i).constData());
        QVERIFY2(petrolCells || (cells.at(1).isEmpty() && cells.at(2).isEmpty()), lines.at(i).constData());
        (petrolCells ? petrolLines : dieselLines) += 1;
    }
    QVERIFY(petrolLines > 0 && dieselLines > 0);
    // The side file names each column's ECU.
    QFile info(file + ".info");
    QVERIFY(info.open(QIODevice::ReadOnly));
    const QByteArray xml = info.readAll();
    QCOMPARE(xml.count("<ecu>MSV70</ecu>"), 2);
    QCOMPARE(xml.count("<ecu>D73N57C0</ecu>"), 1);
}

QTEST_MAIN(TestLoggingLive)
#include "tst_logginglive.moc"
