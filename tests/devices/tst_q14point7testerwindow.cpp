// The 14Point7 tester offscreen: its form; Start on a pseudo-terminal
// printing both answers and then one line of 42 hex digits per message;
// Apply; Start twice; Stop and Start again; a missing port in the log; a
// port pulled while it runs, in the log once.
#include "cputime.h"
#include "fourteenpoint7controller.h"
#include "guitestmain.h"
#include "ptydevice.h"
#include "q14point7testerwindow.h"
#include "workdir.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

namespace {
using Controller = FourteenPoint7Controller;

struct Tester
{
    Q14Point7TesterWindow window;
    QLineEdit *port = window.findChild<QLineEdit *>("editPortName");
    QLineEdit *pause = window.findChild<QLineEdit *>("editDataPause");
    QTextEdit *log = window.findChild<QTextEdit *>("textEdit");
    void click(const char *name) { QTest::mouseClick(window.findChild<QPushButton *>(name), Qt::LeftButton); }
    void start() { click("pushButton_2"); }
    void stop() { click("pushButton"); }
    void apply(const QString &text)
    {
        pause->setText(text);
        click("btnDataPauseApply");
    }
    QStringList lines() const { return log->toPlainText().split('\n', Qt::SkipEmptyParts); }
    int messageLines() const
    {
        int n = 0;
        for (const QString &l : lines())
            n += l.size() == 42 ? 1 : 0;
        return n;
    }
};
} // namespace

class TestQ14Point7TesterWindow : public QObject
{
    Q_OBJECT
private slots:
    void form();
    void startPrintsTheExchange();
    void applyPause();
    void startTwiceKeepsExchange();
    void stopThenStartRestarts();
    void missingPortShownInLog();
    void pulledPortShownOnceAndLetGo();
};

void TestQ14Point7TesterWindow::form()
{
    Tester t;
    QCOMPARE(t.window.windowTitle(), QString("14point7Tester"));
    QCOMPARE(t.window.size(), QSize(613, 535));
    QCOMPARE(t.window.findChild<QPushButton *>("pushButton_2")->text(), QString("Start"));
    QCOMPARE(t.window.findChild<QPushButton *>("pushButton")->text(), QString("Stop"));
    QCOMPARE(t.window.findChild<QPushButton *>("btnDataPauseApply")->text(), QString("Apply"));
    QCOMPARE(t.window.findChild<QLabel *>("label")->text(), QString("Data pause:"));
    QCOMPARE(t.port->text(), QString("/dev/ttyUSB0"));
    QCOMPARE(t.pause->text(), QString("40"));
    QCOMPARE(t.log->font().family(), QString("Courier New"));
    QCOMPARE(t.log->font().pointSize(), 10);
    QCOMPARE(t.window.streamReader().dataPause(), 40);
    QCOMPARE(t.window.streamReader().serialSettings().baudRate, 14400);
    QVERIFY(t.log->toPlainText().isEmpty());
}

void TestQ14Point7TesterWindow::startPrintsTheExchange()
{
    PtyDevice dev;
    Controller slc(dev);
    slc.setReading(-5.0f, 80);
    slc.start();
    Tester t;
    t.port->setText(dev.slavePath());
    t.start();
    QTRY_VERIFY_WITH_TIMEOUT(t.messageLines() >= 3, 10000);
    const QStringList lines = t.lines();
    QCOMPARE(lines.at(0), QString::fromLatin1(Controller::startAnswer().toHex()));
    QCOMPARE(lines.at(1), QString::fromLatin1(Controller::initAnswer().toHex()));
    for (int i = 2; i < lines.size(); ++i)
        QCOMPARE(lines.at(i), QString::fromLatin1(Controller::message(-5.0f, 80).toHex()));
    QCOMPARE(dev.baudRate(), 14400);
    t.stop();
}

void TestQ14Point7TesterWindow::applyPause()
{
    PtyDevice dev;
    Controller slc(dev);
    slc.start();
    Tester t;
    t.port->setText(dev.slavePath());
    t.apply("0");
    QCOMPARE(t.window.streamReader().dataPause(), 0);
    t.start();
    QTRY_VERIFY_WITH_TIMEOUT(t.messageLines() >= 5, 10000);
    // The next message already takes a new pause.
    t.apply("250");
    QCOMPARE(t.window.streamReader().dataPause(), 250);
    const int before = slc.messageCount();
    QTRY_VERIFY_WITH_TIMEOUT(slc.messageCount() >= before + 3, 10000);
    const QList<Controller::Event> requests = slc.requests();
    // The last two requests both came after Apply: the pause lies between
    // them (less the controller's wake-up delay).
    const qint64 gap = requests.last().atMs - requests.at(requests.size() - 2).atMs;
    QVERIFY2(gap >= 200, qPrintable(QString::number(gap)));
    t.apply("abc");
    QCOMPARE(t.window.streamReader().dataPause(), 0);
    t.stop();
}

void TestQ14Point7TesterWindow::startTwiceKeepsExchange()
{
    PtyDevice dev;
    Controller slc(dev);
    slc.start();
    Tester t;
    t.port->setText(dev.slavePath());
    t.start();
    QTRY_VERIFY_WITH_TIMEOUT(t.messageLines() >= 2, 10000);
    t.start();
    QVERIFY(t.log->toPlainText().contains("open port failed: open already, its exchange goes on"));
    const int before = t.messageLines();
    QTRY_VERIFY_WITH_TIMEOUT(t.messageLines() >= before + 3, 10000);
    // Still one exchange: one start byte sent.
    QCOMPARE(slc.received().count(char(0x01)), 1);
    t.stop();
}

void TestQ14Point7TesterWindow::stopThenStartRestarts()
{
    PtyDevice dev;
    Controller slc(dev);
    slc.start();
    Tester t;
    t.port->setText(dev.slavePath());
    t.start();
    QTRY_VERIFY_WITH_TIMEOUT(t.messageLines() >= 2, 10000);
    t.stop();
    QVERIFY(!t.window.streamReader().isOpen());
    // What the reader wrote before its stop may still be on its way through
    // the terminal: the restart is what comes after the line goes quiet.
    int sent = -1;
    for (int wait = 0; wait < 30 && sent != slc.received().size(); ++wait) {
        sent = slc.received().size();
        QTest::qWait(300);
    }
    QCOMPARE(slc.received().size(), sent);
    t.log->clear();
    t.start();
    QTRY_VERIFY_WITH_TIMEOUT(t.messageLines() >= 2, 10000);
    QCOMPARE(slc.received().at(sent), char(0x01));
    QCOMPARE(t.lines().at(0), QString::fromLatin1(Controller::startAnswer().toHex()));
    t.stop();
}

void TestQ14Point7TesterWindow::missingPortShownInLog()
{
    WorkDir wd;
    Tester t;
    t.port->setText(wd.filePath("ttyNone"));
    t.start();
    QVERIFY2(t.log->toPlainText().contains("open port failed: No such file or directory"),
             qPrintable(t.log->toPlainText()));
    QVERIFY(t.log->toPlainText().contains("ttyNone"));
}

void TestQ14Point7TesterWindow::pulledPortShownOnceAndLetGo()
{
    PtyDevice dev;
    Controller slc(dev);
    slc.setReading(-5.0f, 80);
    slc.start();
    Tester t;
    t.port->setText(dev.slavePath());
    t.start();
    QTRY_VERIFY_WITH_TIMEOUT(t.messageLines() >= 2, 10000);
    slc.stop();
    dev.unplug();
    const double cpu = CpuTime::whileRunning(2000);
    QVERIFY2(cpu < 0.1, qPrintable(QString::number(cpu)));
    QCOMPARE(t.lines().filter("port lost").size(), 1);
    QCOMPARE(t.lines().last(), "onError:port lost: the line hung up (" + dev.slavePath() + ")");
    QVERIFY(!t.window.streamReader().isOpen());
}

KELVO_GUI_TEST_MAIN(TestQ14Point7TesterWindow)
#include "tst_q14point7testerwindow.moc"
