// The data sender offscreen, on the slave of a pseudo-terminal whose master
// the test plays as the device, up to the device going away; a port that
// does not open says why.
#include "datasenderwindow.h"
#include "childwidget.h"
#include "cputime.h"
#include "ptydevice.h"
#include "unopenableport.h"
#include "workdir.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

namespace {
QStringList output(DataSenderWindow &w)
{
    return childWidget<QTextEdit>(w, "txtOutput")->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void click(DataSenderWindow &w, const char *button)
{
    QTest::mouseClick(childWidget<QPushButton>(w, button), Qt::LeftButton);
}

void start(DataSenderWindow &w, const QString &port)
{
    childWidget<QLineEdit>(w, "editComPort")->setText(port);
    click(w, "btnStart");
}

void send(DataSenderWindow &w, const QString &hex)
{
    childWidget<QLineEdit>(w, "editData")->setText(hex);
    click(w, "btnSend");
}
} // namespace

class TestDataSenderWindow : public QObject
{
    Q_OBJECT
private slots:
    void defaultPortIsLinux();
    void sendsHexAt115200();
    void showsReceivedBlocks();
    void startDropsWhatWaitedBefore();
    void missingPort();
    void portThatDoesNotOpenSaysWhy_data();
    void portThatDoesNotOpenSaysWhy();
    void sendWithoutPortOrDigits();
    void lostPortClosedAndReportedOnce();
};

void TestDataSenderWindow::defaultPortIsLinux()
{
    DataSenderWindow w;
    QCOMPARE(childWidget<QLineEdit>(w, "editComPort")->text(), QString("/dev/ttyUSB1"));
    QCOMPARE(w.windowTitle(), QString("Form"));
}

void TestDataSenderWindow::sendsHexAt115200()
{
    PtyDevice dev;
    DataSenderWindow w;
    start(w, dev.slavePath());
    QVERIFY(w.port().isOpen());
    QCOMPARE(output(w).last(), QString("open Port OK"));
    QCOMPARE(w.port().readBufferSize(), qint64(1024));
    QCOMPARE(dev.baudRate(), 115200);
    QCOMPARE(dev.dataBits(), 8);
    send(w, "8112F1");
    QCOMPARE(dev.readExactly(4, 1000), QByteArray::fromHex("8112f1"));
    // No echo and no check byte in the output.
    QCOMPARE(output(w).filter("8112").size(), 0);

    click(w, "btnStop");
    QVERIFY(!w.port().isOpen());
}

void TestDataSenderWindow::showsReceivedBlocks()
{
    PtyDevice dev;
    DataSenderWindow w;
    start(w, dev.slavePath());
    QVERIFY(dev.write(QByteArray::fromHex("c157")));
    QTRY_VERIFY_WITH_TIMEOUT(output(w).contains("'c157'"), 3000);
}

void TestDataSenderWindow::startDropsWhatWaitedBefore()
{
    // Bytes the device sent before the port was started are discarded, not
    // shown as if they were a reply.
    PtyDevice dev;
    QVERIFY(dev.write("stale"));
    QTest::qWait(50);
    DataSenderWindow w;
    start(w, dev.slavePath());
    QVERIFY(dev.write(QByteArray::fromHex("c157")));
    QTRY_VERIFY_WITH_TIMEOUT(output(w).contains("'c157'"), 3000);
    QTest::qWait(50);
    QCOMPARE(output(w).filter("'").size(), 1);
    QCOMPARE(dev.read(50), QByteArray());
}

void TestDataSenderWindow::missingPort()
{
    DataSenderWindow w;
    start(w, "/nonexistent/ttyKELVO");
    QVERIFY(!w.port().isOpen());
    QCOMPARE(output(w), QStringList{"open Port failed: /nonexistent/ttyKELVO: No such file or directory"});
    send(w, "8112F1");
    QCOMPARE(output(w).last(), QString("write failed: port not open"));
}

void TestDataSenderWindow::portThatDoesNotOpenSaysWhy_data()
{
    UnopenablePort::addRows();
}

void TestDataSenderWindow::portThatDoesNotOpenSaysWhy()
{
    QFETCH(UnopenablePort::How, how);
    WorkDir wd;
    PtyDevice dev;
    UnopenablePort blocked(how, dev, wd.filePath("ttyNone"));
    DataSenderWindow w;
    start(w, blocked.path());
    blocked.asUser(false);
    QVERIFY(!w.port().isOpen());
    QCOMPARE(output(w), QStringList{"open Port failed: " + blocked.path() + ": " + blocked.reason()});
}

void TestDataSenderWindow::sendWithoutPortOrDigits()
{
    PtyDevice dev;
    DataSenderWindow w;
    send(w, "C157");
    QCOMPARE(output(w).last(), QString("write failed: port not open"));
    start(w, dev.slavePath());
    send(w, "xyz!");
    QCOMPARE(output(w).last(), QString("nothing sent: no hex digits"));
    QCOMPARE(dev.read(100), QByteArray());
    // Stopped again: Send reports it.
    click(w, "btnStop");
    send(w, "C157");
    QCOMPARE(output(w).last(), QString("write failed: port not open"));
}

void TestDataSenderWindow::lostPortClosedAndReportedOnce()
{
    PtyDevice dev;
    DataSenderWindow w;
    start(w, dev.slavePath());
    dev.write(QByteArray::fromHex("c157"));
    QTRY_VERIFY_WITH_TIMEOUT(output(w).contains("'c157'"), 3000);
    dev.unplug();
    const double cpu = CpuTime::whileRunning(2000);
    QVERIFY2(cpu < 0.1, qPrintable(QString::number(cpu)));
    QCOMPARE(output(w).filter("port lost").size(), 1);
    QCOMPARE(output(w).last(), "port lost: " + dev.slavePath() + " (the line hung up)");
    // As Stop leaves it: closed, and Start may open a port again.
    QVERIFY(!w.port().isOpen());
    PtyDevice other;
    start(w, other.slavePath());
    QVERIFY(w.port().isOpen());
    send(w, "8112f1");
    QCOMPARE(other.readExactly(3, 2000), QByteArray::fromHex("8112f1"));
}

int main(int argc, char **argv)
{
    int holderRc = 0;
    if (UnopenablePort::holdPortIfAsked(argc, argv, &holderRc))
        return holderRc;
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestDataSenderWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_datasenderwindow.moc"
