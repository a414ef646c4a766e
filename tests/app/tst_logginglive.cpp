// The data logger as a new user of the demo meets it: in simulation the
// petrol ECU's measurement job runs, two results are ticked in its plot
// window, "Data Log" opens the logger with the demo's prefix and preset, a
// log is started, marked with Return and stopped, and the CSV file and its
// side file are in the working directory. Then a log folder that cannot be
// made turns the window red. With KELVO_LOGGER_SHOTS naming a directory the
// test leaves screenshots there.
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
};

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

QTEST_MAIN(TestLoggingLive)
#include "tst_logginglive.moc"
