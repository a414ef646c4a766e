// The "Usb" window of the EDIABAS-to-CAN bridge, offscreen: its fields from
// "kelvo.ini", the EDIABAS port label, Start with both sides connected or
// failing, the adapter command field and the adapter's answers in its pane,
// the keys written on close, and either
// side's port pulled while the bridge runs.
#include "canproxy.h"
#include "cputime.h"
#include "canproxywindow.h"
#include "ptydevice.h"
#include "slcanadapter.h"
#include "workdir.h"

#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

class TestCanProxyWindow : public QObject
{
    Q_OBJECT
private slots:
    void noKeysEmptyFields();
    void startConnectsAndCloseSavesPorts();
    void adapterAnswersShowInItsPane();
    void errorsShowInTheirPanes();
    void pulledPortReportedOnceInItsPane_data();
    void pulledPortReportedOnceInItsPane();
};

namespace {
template <typename T>
T *child(QWidget &w, const char *name)
{
    return w.findChild<T *>(name);
}
} // namespace

void TestCanProxyWindow::noKeysEmptyFields()
{
    WorkDir wd;
    wd.write("ediabas/obd.ini", "[OBD]\nPort=/dev/ttyUSB0\n");
    CanProxyWindow w;
    QCOMPARE(w.windowTitle(), QStringLiteral("Form"));
    QCOMPARE(w.size(), QSize(411, 392));
    QCOMPARE(child<QLineEdit>(w, "txtEdiabasPort")->text(), QString());
    QCOMPARE(child<QLineEdit>(w, "txtUsbPort")->text(), QString());
    QCOMPARE(child<QLineEdit>(w, "txtUsbSend")->text(), QStringLiteral("MC2400000"));
    QCOMPARE(child<QLabel>(w, "lblOBD")->text(), QStringLiteral("OBD.ini Ediabas port:/dev/ttyUSB0"));
    QCOMPARE(child<QPlainTextEdit>(w, "txtEdiabas")->font().family(), QStringLiteral("DejaVu Sans Mono"));
    QCOMPARE(child<QPlainTextEdit>(w, "txtUSB")->font().pointSize(), 10);
}

void TestCanProxyWindow::startConnectsAndCloseSavesPorts()
{
    WorkDir wd;
    PtyDevice ed, usb;
    SlcanAdapter adapter(usb);
    adapter.start();
    {
        CanProxyWindow w;
        QCOMPARE(child<QLabel>(w, "lblOBD")->text(), QStringLiteral("OBD.ini Ediabas port:"));
        w.show();
        child<QLineEdit>(w, "txtEdiabasPort")->setText(ed.slavePath());
        child<QLineEdit>(w, "txtUsbPort")->setText(usb.slavePath());
        QTest::mouseClick(child<QPushButton>(w, "pushButton"), Qt::LeftButton);
        QTRY_COMPARE(child<QPlainTextEdit>(w, "txtEdiabas")->toPlainText(), QStringLiteral("Ediabas connected"));
        QTRY_COMPARE(child<QPlainTextEdit>(w, "txtUSB")->toPlainText(), QStringLiteral("USB connected"));
        QVERIFY(adapter.waitForCommand("O", 2000));
        // A command typed below the adapter's pane, sent on Return.
        QLineEdit *send = child<QLineEdit>(w, "txtUsbSend");
        send->setText("V");
        QTest::keyClick(send, Qt::Key_Return);
        QVERIFY(adapter.waitForCommand("V", 2000));
        QCOMPARE(adapter.commands().count("MC2400000"), 1);
        send->setText("MC2400000");
        QTest::keyClick(send, Qt::Key_Return);
        QTRY_COMPARE(adapter.commands().count("MC2400000"), 2);
        QVERIFY(adapter.received().contains("\rV\r"));
        w.close();
        QVERIFY(!w.proxy()->isStarted());
        // The device reads the close command in its own thread.
        QTRY_VERIFY_WITH_TIMEOUT(!adapter.channelOpen(), 10000);
    }
    QSettings ini("kelvo.ini", QSettings::IniFormat);
    QCOMPARE(ini.value("usb/ediabas").toString(), ed.slavePath());
    QCOMPARE(ini.value("usb/usb").toString(), usb.slavePath());
    // They come back.
    CanProxyWindow again;
    QCOMPARE(child<QLineEdit>(again, "txtEdiabasPort")->text(), ed.slavePath());
    QCOMPARE(again.proxy()->usbPort(), usb.slavePath());
}

void TestCanProxyWindow::adapterAnswersShowInItsPane()
{
    WorkDir wd;
    PtyDevice ed, usb;
    SlcanAdapter adapter(usb);
    // Broadcast frames on the bus meanwhile: frames are no answers.
    adapter.stream({SlcanAdapter::frameLine(0x0AA, QByteArray::fromHex("0102030405060708"))}, 5, true);
    adapter.start();
    CanProxyWindow w;
    w.show();
    child<QLineEdit>(w, "txtEdiabasPort")->setText(ed.slavePath());
    child<QLineEdit>(w, "txtUsbPort")->setText(usb.slavePath());
    QTest::mouseClick(child<QPushButton>(w, "pushButton"), Qt::LeftButton);
    QPlainTextEdit *pane = child<QPlainTextEdit>(w, "txtUSB");
    QTRY_COMPARE(pane->toPlainText(), QStringLiteral("USB connected"));
    QVERIFY(adapter.waitForCommand("O", 2000));
    QTRY_VERIFY(adapter.linesStreamed() > 3);

    QLineEdit *send = child<QLineEdit>(w, "txtUsbSend");
    auto type = [send](const char *command) {
        send->setText(command);
        QTest::keyClick(send, Qt::Key_Return);
    };
    type("V");
    QTRY_COMPARE(pane->toPlainText(), QStringLiteral("USB connected\nV0107"));
    // A command it refuses is answered with a BELL; one it carries out
    // with a bare "\r", which adds nothing.
    type("Q");
    QTRY_COMPARE(pane->toPlainText(), QStringLiteral("USB connected\nV0107\nrefused (BEL)"));
    type("O");
    QVERIFY(adapter.waitForCommand("O", 2000));
    type("V");
    QTRY_COMPARE(pane->toPlainText(), QStringLiteral("USB connected\nV0107\nrefused (BEL)\nV0107"));
    // Two answers that come at once, the refusal first.
    adapter.send("\aN1234\r");
    QTRY_COMPARE(pane->toPlainText(),
                 QStringLiteral("USB connected\nV0107\nrefused (BEL)\nV0107\nrefused (BEL)\nN1234"));
    w.close();
}

void TestCanProxyWindow::errorsShowInTheirPanes()
{
    WorkDir wd;
    CanProxyWindow w;
    child<QLineEdit>(w, "txtEdiabasPort")->setText(wd.filePath("ttyNoEdiabas"));
    child<QLineEdit>(w, "txtUsbPort")->setText(wd.filePath("ttyNoUsb"));
    QTest::mouseClick(child<QPushButton>(w, "pushButton"), Qt::LeftButton);
    QTRY_COMPARE(child<QPlainTextEdit>(w, "txtEdiabas")->toPlainText(),
                 "error:port " + wd.filePath("ttyNoEdiabas") + " not opened: No such file or directory");
    QTRY_COMPARE(child<QPlainTextEdit>(w, "txtUSB")->toPlainText(),
                 "error:port:" + wd.filePath("ttyNoUsb") + " not opened: No such file or directory");
    // Return with no bridge running sends nothing and breaks nothing.
    QTest::keyClick(child<QLineEdit>(w, "txtUsbSend"), Qt::Key_Return);
}

void TestCanProxyWindow::pulledPortReportedOnceInItsPane_data()
{
    QTest::addColumn<bool>("ediabasSide");
    QTest::newRow("EDIABAS side") << true;
    QTest::newRow("adapter side") << false;
}

void TestCanProxyWindow::pulledPortReportedOnceInItsPane()
{
    QFETCH(bool, ediabasSide);
    WorkDir wd;
    PtyDevice ed, usb;
    SlcanAdapter adapter(usb);
    adapter.start();
    CanProxyWindow w;
    w.show();
    child<QLineEdit>(w, "txtEdiabasPort")->setText(ed.slavePath());
    child<QLineEdit>(w, "txtUsbPort")->setText(usb.slavePath());
    QTest::mouseClick(child<QPushButton>(w, "pushButton"), Qt::LeftButton);
    QPlainTextEdit *edPane = child<QPlainTextEdit>(w, "txtEdiabas");
    QPlainTextEdit *usbPane = child<QPlainTextEdit>(w, "txtUSB");
    QTRY_COMPARE(edPane->toPlainText(), QStringLiteral("Ediabas connected"));
    QTRY_COMPARE(usbPane->toPlainText(), QStringLiteral("USB connected"));
    QVERIFY(adapter.waitForCommand("O", 2000));
    adapter.stop();
    if (ediabasSide)
        ed.unplug();
    else
        usb.unplug();
    // The other half of the bridge still waits on its port, in slices (a
    // tenth of a core or so under the sanitizer); a lost port polled again
    // and again would take most of a core.
    const double cpu = CpuTime::whileRunning(2000);
    QVERIFY2(cpu < 0.5, qPrintable(QString::number(cpu)));
    if (ediabasSide) {
        QCOMPARE(edPane->toPlainText(), "Ediabas connected\nerror:port " + ed.slavePath() + " lost: the line hung up");
        QCOMPARE(usbPane->toPlainText(), QStringLiteral("USB connected"));
    } else {
        QCOMPARE(usbPane->toPlainText(), "USB connected\nerror:port:" + usb.slavePath() + " lost: the line hung up");
        QCOMPARE(edPane->toPlainText(), QStringLiteral("Ediabas connected"));
    }
    w.close();
}

QTEST_MAIN(TestCanProxyWindow)
#include "tst_canproxywindow.moc"
