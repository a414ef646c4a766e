// The serial-port settings dialog offscreen: what a record preselects, what
// Apply hands back, the port box and its information labels, and the
// custom baud rate.
#include "childwidget.h"
#include "settingsdialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>


namespace {
SerialPortList portsNamed(const QStringList &names)
{
    return SerialPortList([names]() {
        QList<SerialPortList::Port> list;
        for (const QString &name : names) {
            SerialPortList::Port p;
            p.name = name;
            p.description = name + QStringLiteral(" cable");
            p.manufacturer = QStringLiteral("Maker of ") + name;
            p.location = QStringLiteral("/dev/") + name;
            list << p;
        }
        return list;
    });
}

SerialPortSettings record(const QString &name, int baud, int dataBits, int parity, int stopBits, int flow)
{
    SerialPortSettings s;
    s.name = name;
    s.baudRate = baud;
    s.dataBits = dataBits;
    s.parity = parity;
    s.stopBits = stopBits;
    s.flowControl = flow;
    return s;
}

QComboBox *box(SettingsDialog &d, const char *name)
{
    return childWidget<QComboBox>(d, name);
}
} // namespace

class TestSettingsDialog : public QObject
{
    Q_OBJECT
private slots:
    void preselectsAndApplies_data();
    void preselectsAndApplies();
    void customBaudRate_data();
    void customBaudRate();
    void portInfoAndConstruction();
    void takesTypedPath();
};

void TestSettingsDialog::preselectsAndApplies_data()
{
    QTest::addColumn<QStringList>("ports");
    QTest::addColumn<SerialPortSettings>("given");
    // Shown texts: port, baud, data bits, parity, stop bits, flow control.
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<SerialPortSettings>("applied");

    const QStringList two{"ttyUSB0", "ttyUSB1"};
    // The applied record: the shown port and texts with these numbers
    // (baud rate, data bits, parity, stop bits, flow control).
    auto row = [](const char *tag, const QStringList &ports, const SerialPortSettings &given,
                  const QStringList &shown, const QList<int> &numbers) {
        SerialPortSettings s = record(shown.at(0), numbers.at(0), numbers.at(1), numbers.at(2), numbers.at(3),
                                      numbers.at(4));
        s.stringBaudRate = shown.at(1);
        s.stringDataBits = shown.at(2);
        s.stringParity = shown.at(3);
        s.stringStopBits = shown.at(4);
        s.stringFlowControl = shown.at(5);
        QTest::newRow(tag) << ports << given << shown << s;
    };
    row("parity 0 is None", two, record("ttyUSB1", 115200, 8, 0, 1, 0),
        {"ttyUSB1", "115200", "8", "None", "1", "None"}, {115200, 8, 0, 1, 0});
    row("parity 1 is not offered: Even", two, record("ttyUSB0", 9600, 8, 1, 1, 0),
        {"ttyUSB0", "9600", "8", "Even", "1", "None"}, {9600, 8, 2, 1, 0});
    row("5 data bits", two, record("ttyUSB0", 19200, 5, 3, 2, 1),
        {"ttyUSB0", "19200", "5", "Odd", "2", "RTS/CTS"}, {19200, 5, 3, 2, 1});
    row("9 data bits are not offered: 8", two, record("ttyUSB0", 38400, 9, 4, 1, 2),
        {"ttyUSB0", "38400", "8", "Space", "1", "XON/XOFF"}, {38400, 8, 4, 1, 2});
    row("57600 is not offered: 9600", two, record("ttyUSB0", 57600, 7, 5, 1, 0),
        {"ttyUSB0", "9600", "7", "Mark", "1", "None"}, {9600, 7, 5, 1, 0});
    row("1.5 stop bits are 3", two, record("ttyUSB1", 9600, 8, 2, 3, 0),
        {"ttyUSB1", "9600", "8", "Even", "1.5", "None"}, {9600, 8, 2, 3, 0});
    // A port that is not listed (typed, or gone) stays as it was: Apply
    // does not switch to another device.
    row("unlisted port stays", two, record("ttyS9", 9600, 8, 2, 1, 0),
        {"ttyS9", "9600", "8", "Even", "1", "None"}, {9600, 8, 2, 1, 0});
    row("no ports, the port stays", QStringList(), record("ttyUSB0", 9600, 8, 2, 1, 0),
        {"ttyUSB0", "9600", "8", "Even", "1", "None"}, {9600, 8, 2, 1, 0});
    row("no port named: the first", two, record("", 9600, 8, 2, 1, 0),
        {"ttyUSB0", "9600", "8", "Even", "1", "None"}, {9600, 8, 2, 1, 0});
    row("no ports, no name", QStringList(), record("", 9600, 8, 2, 1, 0),
        {"", "9600", "8", "Even", "1", "None"}, {9600, 8, 2, 1, 0});
    // The port name is compared with its case: "TTYUSB1" is not listed.
    row("port name case", two, record("TTYUSB1", 9600, 8, 2, 1, 0),
        {"TTYUSB1", "9600", "8", "Even", "1", "None"}, {9600, 8, 2, 1, 0});
}

void TestSettingsDialog::preselectsAndApplies()
{
    QFETCH(QStringList, ports);
    QFETCH(SerialPortSettings, given);
    QFETCH(QStringList, shown);
    QFETCH(SerialPortSettings, applied);

    SettingsDialog d(nullptr, portsNamed(ports));
    d.setPortSettings(given);
    d.show();
    const char *boxes[] = {"serialPortInfoListBox", "baudRateBox", "dataBitsBox", "parityBox", "stopBitsBox",
                           "flowControlBox"};
    QStringList texts;
    for (const char *name : boxes)
        texts << box(d, name)->currentText();
    QCOMPARE(texts, shown);
    // Nothing is handed back before Apply.
    QCOMPARE(d.portSettings().baudRate, given.baudRate);

    QSignalSpy spy(&d, &SettingsDialog::settingsApplied);
    QTest::mouseClick(d.findChild<QPushButton *>("applyButton"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QVERIFY(!d.isVisible());
    const SerialPortSettings got = d.portSettings();
    QCOMPARE(got.name, applied.name);
    QCOMPARE(got.baudRate, applied.baudRate);
    QCOMPARE(got.stringBaudRate, applied.stringBaudRate);
    QCOMPARE(got.dataBits, applied.dataBits);
    QCOMPARE(got.stringDataBits, applied.stringDataBits);
    QCOMPARE(got.parity, applied.parity);
    QCOMPARE(got.stringParity, applied.stringParity);
    QCOMPARE(got.stopBits, applied.stopBits);
    QCOMPARE(got.stringStopBits, applied.stringStopBits);
    QCOMPARE(got.flowControl, applied.flowControl);
    QCOMPARE(got.stringFlowControl, applied.stringFlowControl);
}

void TestSettingsDialog::customBaudRate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("applies");
    QTest::newRow("250000") << "250000" << true;
    QTest::newRow("4000000") << "4000000" << true;
    QTest::newRow("0 would hang up the line") << "0" << false;
    QTest::newRow("nothing typed") << "" << false;
    // The validator takes no letters and nothing above 4000000.
    QTest::newRow("letters") << "fast" << false;
    QTest::newRow("too high") << "40000000" << true;
}

void TestSettingsDialog::customBaudRate()
{
    QFETCH(QString, typed);
    QFETCH(bool, applies);
    SettingsDialog d(nullptr, portsNamed({"ttyUSB0"}));
    d.setPortSettings(record("ttyUSB0", 19200, 8, 2, 1, 0));
    d.show();
    QComboBox *baud = box(d, "baudRateBox");
    QVERIFY(!baud->isEditable());
    baud->setCurrentIndex(SettingsDialog::CustomBaudIndex);
    QCOMPARE(baud->currentIndex(), int(SettingsDialog::CustomBaudIndex));
    QVERIFY(baud->isEditable());
    QVERIFY(baud->lineEdit()->validator());
    QCOMPARE(baud->currentText(), QString());
    QTest::keyClicks(baud->lineEdit(), typed);

    QSignalSpy spy(&d, &SettingsDialog::settingsApplied);
    QTest::mouseClick(d.findChild<QPushButton *>("applyButton"), Qt::LeftButton);
    // A typed rate never becomes an entry of the box.
    QCOMPARE(baud->count(), 5);
    QLabel *hint = d.findChild<QLabel *>("customBaudHint");
    if (applies) {
        QCOMPARE(spy.count(), 1);
        QVERIFY(!d.isVisible());
        // "40000000" is stopped by the validator at its seventh digit.
        const QString expected = typed.left(7);
        QCOMPARE(d.portSettings().baudRate, expected.toInt());
        QCOMPARE(d.portSettings().stringBaudRate, expected);
    } else {
        QCOMPARE(spy.count(), 0);
        QVERIFY(d.isVisible());
        QVERIFY(hint->isVisible());
        QCOMPARE(d.portSettings().baudRate, 19200);
        QCOMPARE(d.portSettings().stringBaudRate, QString());
    }

    // Back to a listed rate: the box takes no typing and Apply works.
    baud->setCurrentIndex(1);
    QVERIFY(!baud->isEditable());
    QVERIFY(!hint->isVisible());
    QTest::mouseClick(d.findChild<QPushButton *>("applyButton"), Qt::LeftButton);
    QCOMPARE(d.portSettings().baudRate, 19200);
}

void TestSettingsDialog::portInfoAndConstruction()
{
    SettingsDialog d(nullptr, portsNamed({"ttyUSB0", "ttyACM0"}));
    // The record is taken from the boxes before they are filled: no port
    // and the first entries (parity 0 finds "None").
    QCOMPARE(d.portSettings().name, QString());
    QCOMPARE(d.portSettings().baudRate, 0);
    QCOMPARE(box(d, "parityBox")->currentText(), QString("None"));
    QCOMPARE(box(d, "dataBitsBox")->currentText(), QString("8"));
    QCOMPARE(d.windowTitle(), QString("Settings"));

    QComboBox *ports = box(d, "serialPortInfoListBox");
    QCOMPARE(ports->count(), 2);
    QCOMPARE(ports->itemData(1).toStringList(),
             (QStringList{"ttyACM0", "ttyACM0 cable", "Maker of ttyACM0", "/dev/ttyACM0"}));
    ports->setCurrentIndex(1);
    QCOMPARE(d.findChild<QLabel *>("descriptionLabel")->text(), QString("Description: ttyACM0 cable"));
    QCOMPARE(d.findChild<QLabel *>("manufacturerLabel")->text(), QString("Manufacturer: Maker of ttyACM0"));
    QCOMPARE(d.findChild<QLabel *>("locationLabel")->text(), QString("Location: /dev/ttyACM0"));
    QCOMPARE(d.findChild<QLabel *>("vidLabel")->text(), QString("Vendor ID:"));
    QCOMPARE(d.findChild<QLabel *>("pidLabel")->text(), QString("Product ID:"));
    // An empty box changes nothing shown.
    ports->clear();
    QCOMPARE(d.findChild<QLabel *>("locationLabel")->text(), QString("Location: /dev/ttyACM0"));
}

void TestSettingsDialog::takesTypedPath()
{
    SettingsDialog d(nullptr, portsNamed({"ttyUSB0", "ttyACM0"}));
    d.setPortSettings(record("ttyACM0", 9600, 8, 2, 1, 0));
    d.show();
    QComboBox *ports = box(d, "serialPortInfoListBox");
    QLabel *description = d.findChild<QLabel *>("descriptionLabel");
    QLabel *location = d.findChild<QLabel *>("locationLabel");
    QCOMPARE(location->text(), QString("Location: /dev/ttyACM0"));
    QVERIFY(ports->lineEdit());
    ports->lineEdit()->selectAll();
    const QString link = "/dev/serial/by-id/usb-FTDI_K_DCAN_A1B2C3-if00-port0";
    QTest::keyClicks(ports->lineEdit(), link);
    // Nothing is known of a typed port: no other port's information.
    QCOMPARE(description->text(), QString("Description: "));
    QCOMPARE(location->text(), QString("Location: "));

    QSignalSpy spy(&d, &SettingsDialog::settingsApplied);
    QTest::mouseClick(d.findChild<QPushButton *>("applyButton"), Qt::LeftButton);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(d.portSettings().name, link);
    // The typed path does not become an entry.
    QCOMPARE(ports->count(), 2);

    // Given back (the main window's record), it is shown as it was typed.
    SettingsDialog again(nullptr, portsNamed({"ttyUSB0", "ttyACM0"}));
    again.setPortSettings(d.portSettings());
    QCOMPARE(box(again, "serialPortInfoListBox")->currentText(), link);
    QCOMPARE(again.findChild<QLabel *>("locationLabel")->text(), QString("Location: "));

    // Typing a listed name or its path, or choosing it, shows its
    // information again.
    ports->lineEdit()->selectAll();
    QTest::keyClicks(ports->lineEdit(), "ttyUSB0");
    QCOMPARE(location->text(), QString("Location: /dev/ttyUSB0"));
    ports->lineEdit()->selectAll();
    QTest::keyClicks(ports->lineEdit(), "/dev/ttyACM0");
    QCOMPARE(description->text(), QString("Description: ttyACM0 cable"));
    QCOMPARE(ports->currentText(), QString("/dev/ttyACM0"));
    ports->setCurrentIndex(1);
    QCOMPARE(description->text(), QString("Description: ttyACM0 cable"));
    QTest::mouseClick(d.findChild<QPushButton *>("applyButton"), Qt::LeftButton);
    QCOMPARE(d.portSettings().name, QString("ttyACM0"));
}

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
