// The serial-port test window offscreen, on the slave of a pseudo-terminal
// whose master the test plays as the device: the port list, opening,
// telegrams typed as hex, received blocks, the answer to 0x81, and the line
// sequences (5-baud initialisation, ADS Send, pin display) on a recording
// line control whose fake clock makes them take no time; and the device
// side going away. Select Port also takes a typed path (a pseudo-terminal,
// a by-id link), and a port that does not open is logged with the
// system's reason.
#include "childwidget.h"
#include "cputime.h"
#include "ptydevice.h"
#include "recordinglinecontrol.h"
#include "seriaporttestform.h"
#include "serialportpinchecker.h"
#include "settingsdialog.h"
#include "unopenableport.h"
#include "workdir.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextEdit>
#include <QtTest>

using Rec = RecordingLineControl;

namespace {
SerialPortList portsOf(const QList<SerialPortList::Port> &ports)
{
    return SerialPortList([ports]() { return ports; });
}

SerialPortList ptyPorts(const PtyDevice &dev)
{
    SerialPortList::Port p;
    p.name = dev.slavePath();
    p.description = QStringLiteral("pseudo-terminal");
    return portsOf({p});
}

QStringList logLines(SeriaPortTestForm &form)
{
    return childWidget<QTextEdit>(form, "txtReceive")->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The hex of every received line, joined.
QString receivedHex(SeriaPortTestForm &form)
{
    static const QRegularExpression line(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d\\.\\d\\d\\d < ([0-9a-f]+)$"));
    QString hex;
    for (const QString &l : logLines(form)) {
        const QRegularExpressionMatch m = line.match(l);
        if (m.hasMatch())
            hex += m.captured(1);
    }
    return hex;
}

void click(QWidget &w, const char *button)
{
    QTest::mouseClick(childWidget<QAbstractButton>(w, button), Qt::LeftButton);
}

// Chooses the first listed port in the window's dialog and applies it.
void chooseFirstPort(SeriaPortTestForm &form, int baudRate)
{
    SerialPortSettings s;
    s.baudRate = baudRate;
    s.dataBits = 8;
    s.parity = 0;
    s.stopBits = 1;
    form.settingsDialog()->setPortSettings(s);
    QTest::mouseClick(form.settingsDialog()->findChild<QPushButton *>("applyButton"), Qt::LeftButton);
}

void openFirstPort(SeriaPortTestForm &form)
{
    chooseFirstPort(form, 9600);
    click(form, "pushButton");
}

// Types a path into the dialog's port box, as the user does, and applies.
void choosePortTyped(SeriaPortTestForm &form, const QString &path)
{
    QComboBox *box = childWidget<QComboBox>(*form.settingsDialog(), "serialPortInfoListBox");
    QVERIFY(box->lineEdit());
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), path);
    QTest::mouseClick(form.settingsDialog()->findChild<QPushButton *>("applyButton"), Qt::LeftButton);
}

int linesContaining(SeriaPortTestForm &form, const QString &text)
{
    return logLines(form).filter(text).size();
}

// What the device receives while the window's events run, until n bytes
// came or the time is up.
QByteArray receivedWhileRunning(PtyDevice &dev, int n, int timeoutMs)
{
    QByteArray got;
    QElapsedTimer t;
    t.start();
    while (got.size() < n && t.elapsed() < timeoutMs) {
        QTest::qWait(10);
        got += dev.drain();
    }
    return got;
}

QList<Rec::Call> withoutPinReads(const QList<Rec::Call> &calls)
{
    QList<Rec::Call> out;
    for (const Rec::Call &c : calls) {
        if (c.action != Rec::ReadPins)
            out << c;
    }
    return out;
}
} // namespace

class TestSeriaPortTestForm : public QObject
{
    Q_OBJECT
private slots:
    void listsPortsWithReserved();
    void selectAndOpen();
    void portThatDoesNotOpen();
    void typedPortOpens_data();
    void typedPortOpens();
    void selectPortListsPortsPresentNow();
    void portThatDoesNotOpenSaysWhy_data();
    void portThatDoesNotOpenSaysWhy();
    void sendsTypedHex_data();
    void sendsTypedHex();
    void sendOnClosedPort();
    void writeThatNeverLeavesTimesOut();
    void receivedBlocksLogged();
    void burstLoggedCompleteAndInOrder();
    void answers81WithDtrPulse();
    void slowInitTiming_data();
    void slowInitTiming();
    void slowInitRefusesBadAddress_data();
    void slowInitRefusesBadAddress();
    void refusedLineActionsAreLoggedAndSequenceGoesOn();
    void adsSend();
    void pinDisplayFollowsPinsWhileOpen();
    void failedPinReadLoggedOnce();
    void manualLines();
    void realControlOnPseudoTerminal();
    void lostPortClosedAndLoggedOnce();
};

void TestSeriaPortTestForm::listsPortsWithReserved()
{
    SerialPortList::Port free;
    free.name = QStringLiteral("ttyUSB0");
    free.description = QStringLiteral("K+DCAN cable");
    SerialPortList::Port held = free;
    held.name = QStringLiteral("ttyUSB1");
    held.busy = true;
    QList<SerialPortList::Port> ports{free, held};
    SeriaPortTestForm form(nullptr, SerialPortList([&ports]() { return ports; }));
    QListWidget *list = childWidget<QListWidget>(form, "listWidget");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->text(), QString(" ttyUSB0 : K+DCAN cable"));
    QCOMPARE(list->item(1)->text(), QString("[reserved] ttyUSB1 : K+DCAN cable"));
    QCOMPARE(list->item(1)->data(Qt::UserRole).toString(), QString("ttyUSB1"));

    ports.removeFirst();
    click(form, "btnRefresh");
    QCOMPARE(list->count(), 1);
    QVERIFY(list->item(0)->text().startsWith("[reserved] ttyUSB1"));
}

void TestSeriaPortTestForm::selectAndOpen()
{
    PtyDevice dev;
    Rec lines;
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    click(form, "pushButton_2");
    QVERIFY(form.settingsDialog()->isVisible());
    chooseFirstPort(form, 19200);
    QVERIFY(!form.settingsDialog()->isVisible());
    QVERIFY(logLines(form).contains("Port:" + dev.slavePath() + " selected"));

    click(form, "pushButton");
    QVERIFY(form.port()->isOpen());
    QVERIFY(logLines(form).contains("try to open port: " + dev.slavePath()));
    QVERIFY(logLines(form).contains("port opened:" + dev.slavePath()));
    // (A pseudo-terminal keeps 8 data bits whatever it is told.)
    QCOMPARE(dev.baudRate(), 19200);
    // RTS and DTR go off through the line control.
    const QList<Rec::Call> calls = withoutPinReads(lines.calls());
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.at(0).action, Rec::Rts);
    QCOMPARE(calls.at(0).value, 0);
    QCOMPARE(calls.at(1).action, Rec::Dtr);
    QCOMPARE(calls.at(1).value, 0);
    QVERIFY(form.pinChecker()->isRunning());

    click(form, "btnClosePort");
    QVERIFY(!form.port()->isOpen());
    QVERIFY(!form.pinChecker()->isRunning());
    QCOMPARE(logLines(form).last(), "port" + dev.slavePath() + " closed");
}

void TestSeriaPortTestForm::portThatDoesNotOpen()
{
    SerialPortList::Port gone;
    gone.name = QStringLiteral("/nonexistent/ttyKELVO");
    Rec lines;
    SeriaPortTestForm form(nullptr, portsOf({gone}), &lines);
    openFirstPort(form);
    QVERIFY(!form.port()->isOpen());
    QCOMPARE(linesContaining(form, "port NOT opened:/nonexistent/ttyKELVO"), 1);
    QVERIFY(!form.pinChecker()->isRunning());
    // The buttons then act on a closed port: nothing is sent, each says so.
    childWidget<QComboBox>(form, "cmbSendHex")->setEditText("120305");
    QTest::keyClick(childWidget<QComboBox>(form, "cmbSendHex"), Qt::Key_Return);
    QCOMPARE(linesContaining(form, "Error writing data"), 1);
    click(form, "pushButton_4");
    QCOMPARE(lines.now(), 0);
    QCOMPARE(logLines(form).last(), QString("port not open"));
}

void TestSeriaPortTestForm::typedPortOpens_data()
{
    QTest::addColumn<bool>("byIdLink");
    QTest::newRow("pseudo-terminal") << false;
    QTest::newRow("by-id link") << true;
}

void TestSeriaPortTestForm::typedPortOpens()
{
    QFETCH(bool, byIdLink);
    WorkDir wd;
    PtyDevice dev;
    QString path = dev.slavePath();
    if (byIdLink) {
        QVERIFY(QDir().mkpath(wd.filePath("serial/by-id")));
        path = wd.filePath("serial/by-id/usb-FTDI_K_DCAN_A1B2C3-if00-port0");
        QVERIFY(QFile::link(dev.slavePath(), path));
    }
    // The system lists a cable, not the port the user means.
    SerialPortList::Port listed;
    listed.name = QStringLiteral("ttyS0");
    listed.description = QStringLiteral("on-board");
    Rec lines;
    SeriaPortTestForm form(nullptr, portsOf({listed}), &lines);
    click(form, "pushButton_2");
    QVERIFY(form.settingsDialog()->isVisible());
    choosePortTyped(form, path);
    QVERIFY(!form.settingsDialog()->isVisible());
    QVERIFY(logLines(form).contains("Port:" + path + " selected"));

    click(form, "pushButton");
    QVERIFY2(form.port()->isOpen(), qPrintable(logLines(form).join('\n')));
    QVERIFY(logLines(form).contains("port opened:" + path));
    // It is that port: a telegram reaches the device.
    childWidget<QComboBox>(form, "cmbSendHex")->setEditText("120305");
    QTest::keyClick(childWidget<QComboBox>(form, "cmbSendHex"), Qt::Key_Return);
    QCOMPARE(dev.readExactly(3, 2000), QByteArray::fromHex("120305"));
    click(form, "btnClosePort");
    QCOMPARE(logLines(form).last(), "port" + path + " closed");
}

void TestSeriaPortTestForm::selectPortListsPortsPresentNow()
{
    PtyDevice dev;
    SerialPortList::Port cable;
    cable.name = QStringLiteral("ttyUSB0");
    QList<SerialPortList::Port> ports{cable};
    Rec lines;
    SeriaPortTestForm form(nullptr, SerialPortList([&ports]() { return ports; }), &lines);
    click(form, "pushButton_2");
    choosePortTyped(form, dev.slavePath());
    QComboBox *box = childWidget<QComboBox>(*form.settingsDialog(), "serialPortInfoListBox");
    QCOMPARE(box->count(), 1);

    // An adapter plugged in meanwhile is offered; the typed port stays.
    cable.name = QStringLiteral("ttyUSB1");
    ports << cable;
    click(form, "pushButton_2");
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->itemText(1), QString("ttyUSB1"));
    QCOMPARE(box->currentText(), dev.slavePath());
    // So does a listed port chosen before.
    box->setCurrentIndex(1);
    QTest::mouseClick(form.settingsDialog()->findChild<QPushButton *>("applyButton"), Qt::LeftButton);
    ports.removeFirst();
    click(form, "pushButton_2");
    QCOMPARE(box->count(), 1);
    QCOMPARE(box->currentText(), QString("ttyUSB1"));
    QCOMPARE(form.settingsDialog()->portSettings().name, QString("ttyUSB1"));
}

void TestSeriaPortTestForm::portThatDoesNotOpenSaysWhy_data()
{
    UnopenablePort::addRows();
}

void TestSeriaPortTestForm::portThatDoesNotOpenSaysWhy()
{
    QFETCH(UnopenablePort::How, how);
    WorkDir wd;
    PtyDevice dev;
    UnopenablePort blocked(how, dev, wd.filePath("ttyNone"));
    Rec lines;
    SeriaPortTestForm form(nullptr, portsOf({}), &lines);
    click(form, "pushButton_2");
    choosePortTyped(form, blocked.path());
    click(form, "pushButton");
    blocked.asUser(false);
    QVERIFY(!form.port()->isOpen());
    QCOMPARE(logLines(form).last(), "port NOT opened:" + blocked.path() + " (" + blocked.reason() + ")");
    QVERIFY(!form.pinChecker()->isRunning());
}

void TestSeriaPortTestForm::sendsTypedHex_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("withCheck");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QStringList>("logged");
    QTest::newRow("with check byte") << "120305" << true << QByteArray::fromHex("12030514")
                                     << QStringList{"checksum is 0x14", "checksum2 is 0x2e", "> 12030514"};
    QTest::newRow("without") << "120305" << false << QByteArray::fromHex("120305")
                             << QStringList{"checksum is 0x14", "checksum2 is 0x1a", "> 120305"};
    QTest::newRow("blanks and case") << "b8 12 F1" << false << QByteArray::fromHex("b812f1")
                                     << QStringList{"checksum is 0x5b", "checksum2 is 0xbb", "> b812f1"};
    // Nothing to send: not even a lone check byte goes out.
    QTest::newRow("no hex digits") << "zz" << true << QByteArray()
                                   << QStringList{"nothing sent: \"zz\" holds no hex digits"};
}

void TestSeriaPortTestForm::sendsTypedHex()
{
    QFETCH(QString, typed);
    QFETCH(bool, withCheck);
    QFETCH(QByteArray, sent);
    QFETCH(QStringList, logged);
    PtyDevice dev;
    Rec lines;
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    openFirstPort(form);
    QVERIFY(form.port()->isOpen());
    const int before = logLines(form).size();
    childWidget<QCheckBox>(form, "chkCheckSum")->setChecked(withCheck);
    QComboBox *hex = childWidget<QComboBox>(form, "cmbSendHex");
    hex->setFocus();
    QTest::keyClicks(hex, typed);
    QTest::keyClick(hex, Qt::Key_Return);
    // The window waited for the bytes to leave: they are all there.
    QCOMPARE(dev.readExactly(sent.size(), 500), sent);
    QCOMPARE(dev.read(50), QByteArray());
    QCOMPARE(logLines(form).mid(before), logged);
    // The combo box keeps what was sent in its list.
    QCOMPARE(hex->count(), 1);
    QCOMPARE(hex->itemText(0), typed);
}

void TestSeriaPortTestForm::sendOnClosedPort()
{
    PtyDevice dev;
    Rec lines;
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    form.sendHex("120305", true);
    QCOMPARE(logLines(form).last(), QString("Error writing data: port not open"));
}

void TestSeriaPortTestForm::writeThatNeverLeavesTimesOut()
{
    // A device that reads nothing: once the line's buffers are full, a
    // write cannot leave, and the window gives up after its time limit
    // instead of hanging.
    PtyDevice dev;
    Rec lines;
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    openFirstPort(form);
    const QString huge(1 << 21, QLatin1Char('5'));  // 1 MB of 0x55
    QElapsedTimer t;
    t.start();
    form.sendHex(huge, true);
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    QVERIFY2(logLines(form).last().startsWith("Error writing data: "), qPrintable(logLines(form).last()));
    // What did not leave is dropped: the next telegram goes out alone.
    while (!dev.read(200).isEmpty()) {
    }
    form.sendHex("120305", true);
    QCOMPARE(logLines(form).last(), QString("> 120305"));
    QCOMPARE(dev.read(1000), QByteArray::fromHex("120305"));
}

void TestSeriaPortTestForm::receivedBlocksLogged()
{
    PtyDevice dev;
    Rec lines;
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    openFirstPort(form);
    QVERIFY(dev.write(QByteArray::fromHex("c157")));
    QTRY_COMPARE_WITH_TIMEOUT(receivedHex(form), QString("c157"), 3000);
    // Neither block began with 0x81: nothing was answered.
    QCOMPARE(receivedWhileRunning(dev, 1, 100), QByteArray());
    QCOMPARE(lines.count(Rec::Dtr), 1);  // the one of opening
}

void TestSeriaPortTestForm::burstLoggedCompleteAndInOrder()
{
    PtyDevice dev;
    Rec lines;
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    openFirstPort(form);
    QByteArray burst;
    for (int i = 0; i < 4096; ++i)
        burst.append(char((i * 7 + 3) & 0x7F));  // never 0x81
    QVERIFY(dev.write(burst));
    QTRY_VERIFY_WITH_TIMEOUT(receivedHex(form).size() >= burst.size() * 2, 20000);
    QCOMPARE(receivedHex(form), QString::fromLatin1(burst.toHex()));
}

void TestSeriaPortTestForm::answers81WithDtrPulse()
{
    PtyDevice dev;
    Rec lines;
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    openFirstPort(form);
    lines.clear();

    QVERIFY(dev.write(QByteArray::fromHex("82")));
    QTRY_COMPARE_WITH_TIMEOUT(receivedHex(form), QString("82"), 3000);
    QCOMPARE(receivedWhileRunning(dev, 1, 200), QByteArray());
    QCOMPARE(lines.count(Rec::Dtr), 0);

    QVERIFY(dev.write(QByteArray::fromHex("81")));
    QCOMPARE(receivedWhileRunning(dev, 1, 3000), QByteArray::fromHex("81"));
    QTRY_COMPARE_WITH_TIMEOUT(lines.count(Rec::Dtr), 2, 3000);
    const QList<Rec::Call> calls = withoutPinReads(lines.calls());
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls.at(0).action, Rec::Dtr);
    QCOMPARE(calls.at(0).value, 1);
    QCOMPARE(calls.at(1).action, Rec::Dtr);
    QCOMPARE(calls.at(1).value, 0);
    QCOMPARE(receivedHex(form), QString("8281"));
    QVERIFY(logLines(form).contains("writing"));
    QCOMPARE(linesContaining(form, "Error writing data"), 0);

    // What follows the 0x81 at once is logged too, after the answer; it
    // does not wait for the next byte to come.
    QVERIFY(dev.write(QByteArray::fromHex("81c157")));
    QCOMPARE(receivedWhileRunning(dev, 1, 3000), QByteArray::fromHex("81"));
    QTRY_COMPARE_WITH_TIMEOUT(receivedHex(form), QString("828181c157"), 3000);
    QCOMPARE(receivedWhileRunning(dev, 1, 100), QByteArray());
    QCOMPARE(lines.count(Rec::Dtr), 4);
}

void TestSeriaPortTestForm::slowInitTiming_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("logged");
    QTest::addColumn<QList<int>>("bits");
    QTest::newRow("0x33") << "0x33" << "110011" << QList<int>{1, 1, 0, 0, 1, 1, 0};
    // Read with automatic base: "10" is ten, and logged as ten.
    QTest::newRow("10 is ten") << "10" << "1010" << QList<int>{0, 1, 0, 1, 0, 0, 0};
    QTest::newRow("0x7f") << "0x7f" << "1111111" << QList<int>{1, 1, 1, 1, 1, 1, 1};
    QTest::newRow("0") << " 0 " << "0" << QList<int>{0, 0, 0, 0, 0, 0, 0};
}

void TestSeriaPortTestForm::slowInitTiming()
{
    QFETCH(QString, address);
    QFETCH(QString, logged);
    QFETCH(QList<int>, bits);
    PtyDevice dev;
    Rec lines;
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    openFirstPort(form);
    form.pinChecker()->stopLoop();  // only the sequence's own calls
    lines.clear();
    childWidget<QLineEdit>(form, "lineEdit")->setText(address);
    const int before = logLines(form).size();
    QElapsedTimer real;
    real.start();
    click(form, "pushButton_4");
    QVERIFY(real.elapsed() < 1000);  // the fake clock took the time

    // 1000 ms high, a low start bit, seven bits of 200 ms, a low stop bit.
    QCOMPARE(lines.now(), qint64(2800));
    for (qint64 t : {0, 500, 999})
        QVERIFY2(lines.lineHighAt(t), qPrintable(QString::number(t)));
    QVERIFY(!lines.lineHighAt(1000));
    QVERIFY(!lines.lineHighAt(1199));
    for (int i = 0; i < 7; ++i) {
        for (qint64 t : {1200 + 200 * i, 1300 + 200 * i, 1399 + 200 * i})
            QVERIFY2(lines.lineHighAt(t) == (bits.at(i) == 1),
                     qPrintable(QString("bit %1 at %2").arg(i).arg(t)));
    }
    QVERIFY(!lines.lineHighAt(2600));
    QVERIFY(!lines.lineHighAt(2799));
    // It ends with DTR off and no break: the line stays low.
    QVERIFY(!lines.dtrAt(2800));
    QVERIFY(!lines.breakAt(2800));
    const QList<Rec::Call> calls = lines.calls();
    QCOMPARE(calls.last().action, Rec::Dtr);
    QCOMPARE(calls.last().value, 0);

    const QStringList log = logLines(form).mid(before);
    QCOMPARE(log.first(), logged);
    QCOMPARE(log.last(), QString("init done"));
    QCOMPARE(log.filter("refused").size(), 0);
    QCOMPARE(log.at(1), QString("L-Line: false, SetDtr -> true"));
    QCOMPARE(log.at(2), QString("startbit"));
}

void TestSeriaPortTestForm::slowInitRefusesBadAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::newRow("letters") << "L-line";
    QTest::newRow("empty") << "";
    QTest::newRow("more than a byte") << "0x100";
    QTest::newRow("negative") << "-1";
    // Seven data bits go out: an eighth would be dropped without a word.
    QTest::newRow("0x80") << "0x80";
    QTest::newRow("0xff") << "0xff";
    QTest::newRow("128") << "128";
}

void TestSeriaPortTestForm::slowInitRefusesBadAddress()
{
    QFETCH(QString, address);
    PtyDevice dev;
    Rec lines;
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    openFirstPort(form);
    form.pinChecker()->stopLoop();
    lines.clear();
    childWidget<QLineEdit>(form, "lineEdit")->setText(address);
    click(form, "pushButton_4");
    QCOMPARE(lines.calls().size(), 0);
    QCOMPARE(lines.now(), qint64(0));
    QCOMPARE(logLines(form).last(),
             QString("L-Line init: \"%1\" is no 7-bit address (0 to 0x7f)").arg(address.trimmed()));
}

void TestSeriaPortTestForm::refusedLineActionsAreLoggedAndSequenceGoesOn()
{
    PtyDevice dev;
    Rec lines;
    lines.refuse(Rec::Dtr, QStringLiteral("no DTR on this cable"));
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    openFirstPort(form);
    form.pinChecker()->stopLoop();
    QCOMPARE(linesContaining(form, "DTR off refused: no DTR on this cable"), 1);
    lines.clear();
    const int before = logLines(form).size();
    childWidget<QLineEdit>(form, "lineEdit")->setText("0x33");
    click(form, "pushButton_4");
    QCOMPARE(lines.now(), qint64(2800));
    const QStringList log = logLines(form).mid(before);
    QCOMPARE(log.filter("refused").size(), lines.count(Rec::Dtr));
    QCOMPARE(log.filter("DTR on refused: no DTR on this cable").size(), 5);   // idle and four 1 bits
    QCOMPARE(log.filter("DTR off refused: no DTR on this cable").size(), 6);  // start, three 0 bits, stop, end
    QCOMPARE(log.last(), QString("init done"));
}

void TestSeriaPortTestForm::adsSend()
{
    PtyDevice dev;
    Rec lines;
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    openFirstPort(form);
    lines.clear();
    lines.watch(dev);
    childWidget<QComboBox>(form, "cmbSendHex")->setEditText("120305");
    click(form, "pushButton_3");
    lines.settle();

    const QList<Rec::Call> calls = withoutPinReads(lines.calls());
    QCOMPARE(calls.size(), 7);
    const QByteArray telegram = QByteArray::fromHex("120305");
    QCOMPARE(calls.at(0).action, Rec::Dtr);
    QCOMPARE(calls.at(0).value, 1);
    QCOMPARE(calls.at(1).action, Rec::Write);
    QCOMPARE(calls.at(1).bytes, telegram);
    QCOMPARE(calls.at(2).action, Rec::Dtr);
    QCOMPARE(calls.at(2).value, 0);
    QCOMPARE(calls.at(3).action, Rec::Wait);
    QCOMPARE(calls.at(3).value, 1000);
    QCOMPARE(calls.at(4).action, Rec::Dtr);
    QCOMPARE(calls.at(4).value, 1);
    QCOMPARE(calls.at(4).at, qint64(1000));
    QCOMPARE(calls.at(5).action, Rec::Write);
    QCOMPARE(calls.at(5).bytes, telegram);
    QCOMPARE(calls.at(6).action, Rec::Dtr);
    QCOMPARE(calls.at(6).value, 1);
    QCOMPARE(linesContaining(form, "> 120305"), 2);
    QVERIFY(logLines(form).contains("ADS test"));
    QVERIFY(logLines(form).contains("ADS test2"));
}

void TestSeriaPortTestForm::pinDisplayFollowsPinsWhileOpen()
{
    PtyDevice dev;
    Rec lines;
    lines.scriptPins({QSerialPort::NoSignal, QSerialPort::DataTerminalReadySignal | QSerialPort::TransmittedDataSignal});
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    QCheckBox *dtr = childWidget<QCheckBox>(form, "btnDTR");
    QCheckBox *tx = childWidget<QCheckBox>(form, "btnTX");
    QTest::qWait(120);
    QCOMPARE(lines.count(Rec::ReadPins), 0);  // no port, no polling
    openFirstPort(form);
    QCOMPARE(form.pinChecker()->interval, 50);
    QTRY_VERIFY_WITH_TIMEOUT(dtr->isChecked() && tx->isChecked(), 3000);
    QVERIFY(lines.count(Rec::ReadPins) >= 2);

    click(form, "btnClosePort");
    const int reads = lines.count(Rec::ReadPins);
    QTest::qWait(150);
    QCOMPARE(lines.count(Rec::ReadPins), reads);
}

void TestSeriaPortTestForm::failedPinReadLoggedOnce()
{
    PtyDevice dev;
    Rec lines;
    lines.refuse(Rec::ReadPins, QStringLiteral("no modem lines"));
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    openFirstPort(form);
    QTRY_COMPARE_WITH_TIMEOUT(lines.count(Rec::ReadPins), 1, 3000);
    QTest::qWait(200);
    QCOMPARE(lines.count(Rec::ReadPins), 1);
    QVERIFY(!form.pinChecker()->isRunning());
    QCOMPARE(linesContaining(form, "pin read failed"), 1);
    QVERIFY(logLines(form).contains("pin read failed, pin display stopped: no modem lines"));
}

void TestSeriaPortTestForm::manualLines()
{
    PtyDevice dev;
    Rec lines;
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    openFirstPort(form);
    form.pinChecker()->stopLoop();
    lines.clear();
    for (const char *button : {"btnSetDTR", "btnClearDTR", "btnBreak", "btnClear", "btnSendBreak"})
        click(form, button);
    const QList<Rec::Call> calls = lines.calls();
    QCOMPARE(calls.size(), 5);
    const QList<QPair<Rec::Action, int>> expected{
        {Rec::Dtr, 1}, {Rec::Dtr, 0}, {Rec::Break, 1}, {Rec::Break, 0}, {Rec::TimedBreak, 1000}};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(calls.at(i).action, expected.at(i).first);
        QCOMPARE(calls.at(i).value, expected.at(i).second);
    }
    QCOMPARE(lines.now(), qint64(1000));
}

void TestSeriaPortTestForm::realControlOnPseudoTerminal()
{
    // The port's own line control: a pseudo-terminal has no modem lines, so
    // DTR, RTS and the pin read are refused, one log line each, while the
    // break (and the bytes) go through.
    PtyDevice dev;
    SeriaPortTestForm form(nullptr, ptyPorts(dev));
    openFirstPort(form);
    QVERIFY(form.port()->isOpen());
    QCOMPARE(linesContaining(form, "RTS off refused: "), 1);
    QCOMPARE(linesContaining(form, "DTR off refused: "), 1);
    QTRY_COMPARE_WITH_TIMEOUT(linesContaining(form, "pin read failed"), 1, 3000);
    QVERIFY(!form.pinChecker()->isRunning());

    const int before = logLines(form).size();
    for (const char *button : {"btnSetDTR", "btnClearDTR", "btnBreak", "btnClear"})
        click(form, button);
    QStringList log = logLines(form).mid(before);
    QCOMPARE(log.size(), 2);
    QVERIFY(log.at(0).startsWith("DTR on refused: "));
    QVERIFY(log.at(1).startsWith("DTR off refused: "));

    // ADS Send goes on past every refusal and sends both telegrams.
    childWidget<QComboBox>(form, "cmbSendHex")->setEditText("8112f1");
    click(form, "pushButton_3");
    QCOMPARE(dev.readExactly(6, 2000), QByteArray::fromHex("8112f18112f1"));
    log = logLines(form).mid(before + 2);
    QCOMPARE(log.filter("refused").size(), 4);
    QCOMPARE(log.filter("> 8112f1").size(), 2);
    QCOMPARE(linesContaining(form, "pin read failed"), 1);
}

void TestSeriaPortTestForm::lostPortClosedAndLoggedOnce()
{
    PtyDevice dev;
    Rec lines;
    lines.scriptPins({QSerialPort::DataTerminalReadySignal | QSerialPort::TransmittedDataSignal});
    SeriaPortTestForm form(nullptr, ptyPorts(dev), &lines);
    QCheckBox *dtr = childWidget<QCheckBox>(form, "btnDTR");
    QCheckBox *tx = childWidget<QCheckBox>(form, "btnTX");
    openFirstPort(form);
    QTRY_VERIFY_WITH_TIMEOUT(dtr->isChecked() && tx->isChecked(), 3000);
    dev.write(QByteArray::fromHex("55"));
    QTRY_COMPARE_WITH_TIMEOUT(receivedHex(form), QString("55"), 3000);
    dev.unplug();
    const double cpu = CpuTime::whileRunning(2000);
    QVERIFY2(cpu < 0.1, qPrintable(QString::number(cpu)));
    QCOMPARE(linesContaining(form, "port lost"), 1);
    QVERIFY(logLines(form).contains("port lost: " + dev.slavePath() + " (the line hung up)"));
    // As Close leaves it: port closed, pins no longer read nor shown.
    QVERIFY(!form.port()->isOpen());
    QVERIFY(!form.pinChecker()->isRunning());
    QVERIFY(!dtr->isChecked() && !tx->isChecked());
    const int reads = lines.count(Rec::ReadPins);
    QTest::qWait(150);
    QCOMPARE(lines.count(Rec::ReadPins), reads);
    // What is typed now meets a closed port.
    childWidget<QComboBox>(form, "cmbSendHex")->setEditText("120305");
    QTest::keyClick(childWidget<QComboBox>(form, "cmbSendHex"), Qt::Key_Return);
    QCOMPARE(logLines(form).last(), QString("Error writing data: port not open"));
}

int main(int argc, char **argv)
{
    int holderRc = 0;
    if (UnopenablePort::holdPortIfAsked(argc, argv, &holderRc))
        return holderRc;
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestSeriaPortTestForm test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_seriaporttestform.moc"
