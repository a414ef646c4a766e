// The external-source setup window: its devices and their ids, the saved
// choices, Connect for AEM and PLX (names, baud rule), one source per
// device (a second Connect while it runs is refused and said so, for every
// kind of device; after a loss or a failed open Connect starts it again in
// its own window), why a port does not open in the plot window's status
// line, and PLX end to end through
// the real main window on a pseudo-terminal hub; 14Point7 and TechEdge
// with their own baud rates, the 14Point7 plot following a scripted
// controller and the TechEdge plot staying empty; Innovate sources whose
// configuration breaks or whose input changes function while they run.
#include "aemdatahandler.h"
#include "extloggersetupwindow.h"
#include "extsourcehost.h"
#include "extsourcemanager.h"
#include "fourteenpoint7controller.h"
#include "globaljobreceiver.h"
#include "innovateconfigform.h"
#include "innovatedatahandler.h"
#include "innovatemtssdkhandler.h"
#include "innovatestandin.h"
#include "innovatetestfiles.h"
#include "jobsink.h"
#include "logcapture.h"
#include "loggingwindow.h"
#include "datalogger.h"
#include "mainwindow.h"
#include "mdiarea.h"
#include "mtschain.h"
#include "plotwidget.h"
#include "plotwidgetcontainer.h"
#include "customqwtcurve.h"
#include "plotwindow.h"
#include "plotwindowfeed.h"
#include "plxdatahandler.h"
#include "plxstream.h"
#include "privatetemp.h"
#include "ptydevice.h"
#include "ptyresponder.h"
#include "q14point7thread.h"
#include "qextrunnerthread.h"
#include "resultlookup.h"
#include "resulttablemodel.h"
#include "resulttableview.h"
#include "techedgewbo2datahandler.h"
#include "unopenableport.h"
#include "workdir.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QComboBox>
#include <QLabel>
#include <QListView>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSerialPort>
#include <QSettings>
#include <QtTest>

namespace {
// Opens plot windows of its own and hands out the job receiver.
class FakeHost : public ExtSourceHost
{
public:
    ~FakeHost()
    {
        // Sources stop before the windows they feed go.
        ExtSourceManager::destroy();
        qDeleteAll(windows);
    }
    PlotWindow &createPlotWindow(CJob &job, Qt::WindowFlags) override
    {
        auto *w = new PlotWindow(job);
        PlotWindowFeed::connect(w);
        windows << w;
        return *w;
    }
    QObject *jobReceiver() override { return GlobalJobReceiver::instance(); }

    QList<PlotWindow *> windows;
};

struct Setup
{
    explicit Setup(ExtSourceHost *host)
        : window(host)
    {
    }
    ExtLoggerSetupWindow window;
    QComboBox *device = window.findChild<QComboBox *>("comboBox");
    QComboBox *port = window.findChild<QComboBox *>("cmbComPort");
    QComboBox *baud = window.findChild<QComboBox *>("cmbBaudRate");
    void choose(const QString &deviceText, const QString &portText, const QString &baudText = QString())
    {
        choose(&window, deviceText, portText, baudText);
    }
    static void choose(ExtLoggerSetupWindow *w, const QString &deviceText, const QString &portText,
                       const QString &baudText)
    {
        auto *device = w->findChild<QComboBox *>("comboBox");
        auto *baud = w->findChild<QComboBox *>("cmbBaudRate");
        device->setCurrentIndex(device->findText(deviceText));
        w->findChild<QComboBox *>("cmbComPort")->setEditText(portText);
        baud->setCurrentIndex(baud->findText(baudText));
    }
    void connectButton() { QTest::mouseClick(window.findChild<QPushButton *>("pushButton"), Qt::LeftButton); }
};

// The value text the plot window's table shows for a result, or a null text.
QString shownValue(PlotWindow &w, const char *name)
{
    ResultTableModel *m = w.findChild<ResultTableView *>("tableView")->tableModel();
    for (int r = 0; r < m->rowCount(); ++r) {
        if (m->userData(r, 0).value<CJobResult>().name == name)
            return m->data(m->index(r, 2)).toString();
    }
    return QString();
}

// The result a plot window's table holds under that name.
CJobResult shownResult(PlotWindow &w, const char *name)
{
    ResultTableModel *m = w.findChild<ResultTableView *>("tableView")->tableModel();
    for (int r = 0; r < m->rowCount(); ++r) {
        const CJobResult result = m->userData(r, 0).value<CJobResult>();
        if (result.name == name)
            return result;
    }
    return CJobResult();
}

// A result's row in a plot window's table: "name | unit", or a null text.
QString shownRow(PlotWindow &w, const char *name)
{
    ResultTableModel *m = w.findChild<ResultTableView *>("tableView")->tableModel();
    for (int r = 0; r < m->rowCount(); ++r) {
        if (m->userData(r, 0).value<CJobResult>().name == name)
            return m->data(m->index(r, 0)).toString() + " | " + m->data(m->index(r, 1)).toString();
    }
    return QString();
}

// The title of the curve a result's plot shows, or a null text.
QString plotTitle(PlotWindow &w, const char *name)
{
    PlotWidgetContainer *c = w.plotWidgets().value(name);
    const CustomQwtCurve *curve = c ? c->plotWidget()->curveAt(0) : nullptr;
    return curve ? curve->title().text() : QString();
}

// The first line of a file.
QByteArray firstLine(const QString &file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readLine().trimmed() : QByteArray();
}

// The names an AEM handler gives its results.
QStringList aemNames(ExtSourceDataHandler *handler)
{
    QByteArray line = "1.0";
    CJob job;
    bool valid = false;
    handler->onDataReceived(line, job, valid);
    return {QString::fromStdString(job.jobName), QString::fromStdString(job.resultAt(0).name),
            QString::fromStdString(job.resultAt(0).displayName)};
}
} // namespace

class TestExtLoggerSetupWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void devicesAndIds();
    void noSavedChoiceLeavesCombosEmpty();
    void choicesSavedOnConnectAndRestored();
    void aemConnect_data();
    void aemConnect();
    void secondConnectOpensNothing();
    void widebandSourcesTakePortAndBaud_data();
    void widebandSourcesTakePortAndBaud();
    void fourteenPoint7ThroughMainWindow();
    void techEdgeThroughMainWindowStaysEmpty();
    void innovateSerialMissingPort();
    void innovateUsbAndMtsPlotNamedValues();
    void innovateConfigBrokenWhileRunning_data();
    void innovateConfigBrokenWhileRunning();
    void innovateInputFunctionChangesWhileRunning_data();
    void innovateInputFunctionChangesWhileRunning();
    void plxConfigBrokenWhileRunning();
    void noDeviceDoesNothing();
    void reconnectAfterPortComesBack_data();
    void reconnectAfterPortComesBack();
    void secondConnectWhileRunningRefused_data();
    void secondConnectWhileRunningRefused();
    void failedOpenSaysWhy_data();
    void failedOpenSaysWhy();
    void innovateMtsSaysWhyItDoesNotConnect_data();
    void innovateMtsSaysWhyItDoesNotConnect();
    void plxThroughMainWindow();
    void closingMainWindowWhileStreamingEndsSoon();
};

void TestExtLoggerSetupWindow::initTestCase()
{
    PlotWindowFeed::startReceiver();
}

void TestExtLoggerSetupWindow::devicesAndIds()
{
    WorkDir wd;
    FakeHost host;
    Setup s(&host);
    QCOMPARE(s.window.windowTitle(), QString("External logger setup"));
    QCOMPARE(s.window.size(), QSize(390, 151));
    const QStringList texts{"AEM Air/Fuel Ratio", "AEM Boost",     "PLX Real-Time",
                            "14point7 SLC PP2",   "Innovate Serial", "Innovate MTS",
                            "Innovate USB",       "TechEdge WBO2",   "USBTin CAN adapter"};
    const QList<int> ids{1, 2, 3, 4, 5, 6, 8, 7, 9};
    QCOMPARE(s.device->count(), texts.size());
    for (int i = 0; i < texts.size(); ++i) {
        QCOMPARE(s.device->itemText(i), texts.at(i));
        QCOMPARE(s.device->itemData(i).toInt(), ids.at(i));
    }
    QStringList bauds;
    for (int i = 0; i < s.baud->count(); ++i)
        bauds << s.baud->itemText(i);
    QCOMPARE(bauds, (QStringList{"9600", "14400", "19200", "38400", "57600", "115200"}));
    QVERIFY(s.port->isEditable());
    for (int i = 0; i < s.port->count(); ++i)
        QVERIFY(!s.port->itemText(i).contains("pts"));
}

void TestExtLoggerSetupWindow::noSavedChoiceLeavesCombosEmpty()
{
    WorkDir wd;
    FakeHost host;
    Setup s(&host);
    QCOMPARE(s.device->currentIndex(), -1);
    QCOMPARE(s.baud->currentIndex(), -1);
    QCOMPARE(s.port->currentText(), QString());
}

void TestExtLoggerSetupWindow::choicesSavedOnConnectAndRestored()
{
    WorkDir wd;
    FakeHost host;
    {
        Setup s(&host);
        s.choose("AEM Air/Fuel Ratio", "/dev/kelvo-missing", "57600");
        s.connectButton();
    }
    QSettings ini("kelvo.ini", QSettings::IniFormat);
    QCOMPARE(ini.value("external_source/device").toString(), QString("AEM Air/Fuel Ratio"));
    QCOMPARE(ini.value("external_source/baud").toString(), QString("57600"));
    QCOMPARE(ini.value("external_source/comport").toString(), QString("/dev/kelvo-missing"));
    {
        // The first entry comes back as well; a port that is not listed
        // comes back as it was typed.
        Setup s(&host);
        QCOMPARE(s.device->currentText(), QString("AEM Air/Fuel Ratio"));
        QCOMPARE(s.baud->currentText(), QString("57600"));
        QCOMPARE(s.port->currentIndex(), -1);
        QCOMPARE(s.port->currentText(), QString("/dev/kelvo-missing"));
        s.choose("USBTin CAN adapter", "/dev/ttyUSB9", "9600");
        s.connectButton();
    }
    ini.sync();
    QCOMPARE(ini.value("external_source/device").toString(), QString("USBTin CAN adapter"));
    Setup s(&host);
    QCOMPARE(s.device->currentData().toInt(), 9);
    QCOMPARE(s.baud->currentText(), QString("9600"));
}

void TestExtLoggerSetupWindow::aemConnect_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QStringList>("names");
    const QStringList afr{"AEM_AFR", "AEM_AFR_VALUE", "Air/fuel ratio"};
    QTest::newRow("9600") << "AEM Air/Fuel Ratio" << "9600" << 9600 << afr;
    QTest::newRow("19200") << "AEM Air/Fuel Ratio" << "19200" << 19200 << afr;
    QTest::newRow("38400") << "AEM Air/Fuel Ratio" << "38400" << 115200 << afr;
    QTest::newRow("14400") << "AEM Air/Fuel Ratio" << "14400" << 115200 << afr;
    QTest::newRow("none") << "AEM Air/Fuel Ratio" << QString() << 115200 << afr;
    QTest::newRow("boost") << "AEM Boost" << "9600" << 9600 << QStringList{"AEM_BOOST", "AEM_BOOST", "AEM Boost"};
}

void TestExtLoggerSetupWindow::aemConnect()
{
    QFETCH(QString, device);
    QFETCH(QString, baud);
    QFETCH(int, rate);
    QFETCH(QStringList, names);
    WorkDir wd;
    FakeHost host;
    Setup s(&host);
    s.choose(device, "/dev/kelvo-missing", baud);
    s.connectButton();
    QCOMPARE(host.windows.size(), 1);
    PlotWindow *w = host.windows.first();
    QVERIFY(w->isVisible());
    QCOMPARE(w->job().ecuName, std::string("AEM"));
    QCOMPARE(QString::fromStdString(w->job().jobName), names.at(0));
    QCOMPARE(w->windowTitle(), device == "AEM Boost" ? QString("Boost") : QString("AEM air/fuel ratio"));
    QExtRunnerThread *reader = ExtSourceManager::instance()->extRunner(names.at(0));
    QVERIFY(reader);
    QVERIFY(reader->isReadLine());
    auto *handler = dynamic_cast<AEMDataHandler *>(reader->dataHandler());
    QVERIFY(handler);
    QCOMPARE(handler->parent(), ExtSourceManager::instance());
    QCOMPARE(handler->serialSettings().baudRate, rate);
    QCOMPARE(handler->serialSettings().name, QString("/dev/kelvo-missing"));
    QCOMPARE(handler->serialSettings().flowControl, int(QSerialPort::HardwareControl));
    QCOMPARE(aemNames(handler), names);
    // The missing port shows in the plot window's status line.
    QTRY_VERIFY_WITH_TIMEOUT(w->findChild<QLabel *>("errorStatus")->text().contains("failed to open port"), 10000);
    QVERIFY(!reader->isReading());
}

void TestExtLoggerSetupWindow::secondConnectOpensNothing()
{
    WorkDir wd;
    FakeHost host;
    Setup s(&host);
    QLabel *said = s.window.findChild<QLabel *>("lblStatus");
    s.choose("AEM Boost", "/dev/kelvo-missing", "9600");
    s.connectButton();
    QExtRunnerThread *aem = ExtSourceManager::instance()->extRunner("AEM_BOOST");
    QTRY_VERIFY_WITH_TIMEOUT(!aem->isRunning(), 10000);
    // Its port did not open: Connect tries again in the same window.
    s.connectButton();
    QCOMPARE(host.windows.size(), 1);
    QVERIFY(ExtSourceManager::instance()->extRunner("AEM_BOOST"));
    QCOMPARE(said->text(), QString("AEM Boost started again in its plot window."));

    s.choose("PLX Real-Time", "/dev/kelvo-missing");
    s.connectButton();
    QCOMPARE(host.windows.size(), 2);
    QCOMPARE(said->text(), QString());
    QExtRunnerThread *plx = ExtSourceManager::instance()->extRunner("PLX_SERIAL_REALTIME");
    QVERIFY(plx && !plx->isReadLine());
    QTRY_VERIFY_WITH_TIMEOUT(!plx->isRunning(), 10000);
    s.connectButton();
    QCOMPARE(host.windows.size(), 2);
    QVERIFY(ExtSourceManager::instance()->extRunner("PLX_SERIAL_REALTIME"));

    // Once its window closed, a device connects again in a new one.
    host.windows.last()->close();
    QCOMPARE(ExtSourceManager::instance()->extRunner("PLX_SERIAL_REALTIME"), nullptr);
    s.connectButton();
    QCOMPARE(host.windows.size(), 3);
    QVERIFY(ExtSourceManager::instance()->extRunner("PLX_SERIAL_REALTIME"));
}

void TestExtLoggerSetupWindow::widebandSourcesTakePortAndBaud_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("baud");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QString>("title");
    QTest::newRow("14point7, no baud chosen") << "14point7 SLC PP2" << "" << 14400 << "14point7";
    QTest::newRow("14point7, 19200") << "14point7 SLC PP2" << "19200" << 19200 << "14point7";
    QTest::newRow("TechEdge, no baud chosen") << "TechEdge WBO2" << "" << 19200 << "TechEdge WBo2";
    QTest::newRow("TechEdge, 9600") << "TechEdge WBO2" << "9600" << 9600 << "TechEdge WBo2";
}

void TestExtLoggerSetupWindow::widebandSourcesTakePortAndBaud()
{
    QFETCH(QString, device);
    QFETCH(QString, baud);
    QFETCH(int, rate);
    QFETCH(QString, title);
    WorkDir wd;
    FakeHost host;
    Setup s(&host);
    s.choose(device, "/dev/kelvo-missing", baud);
    s.connectButton();
    QCOMPARE(host.windows.size(), 1);
    PlotWindow *w = host.windows.first();
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), title);
    ExtSourceManager *manager = ExtSourceManager::instance();
    SerialPortSettings settings;
    if (device.startsWith("14")) {
        auto *source = manager->findChild<Q14Point7Thread *>();
        QVERIFY(source);
        QCOMPARE(manager->last14Point7(), source);
        QCOMPARE(w->job().ecuName, std::string("14P7"));
        QCOMPARE(w->job().jobName, std::string("14POINT7"));
        settings = source->serialSettings();
    } else {
        auto *source = manager->findChild<TechEdgeWBo2DataHandler *>();
        QVERIFY(source);
        QCOMPARE(w->job().jobName, std::string("WBO2"));
        settings = source->serialSettings();
    }
    QCOMPARE(settings.name, QString("/dev/kelvo-missing"));
    QCOMPARE(settings.baudRate, rate);
    // The missing port shows where the user looks.
    QTRY_VERIFY(w->findChild<QLabel *>("errorStatus")->text().contains("failed to open port"));
}

void TestExtLoggerSetupWindow::fourteenPoint7ThroughMainWindow()
{
    WorkDir wd;
    PtyDevice dev;
    FourteenPoint7Controller slc(dev);
    slc.setReading(0.0f, 51);
    slc.start();
    MainWindow main(QStringList{"kelvo", "simulation"});
    main.findChild<QAction *>("actionExternal_source")->trigger();
    ExtLoggerSetupWindow *setup = nullptr;
    for (QMdiSubWindow *sub : main.mdi()->subWindowList())
        setup = setup ? setup : qobject_cast<ExtLoggerSetupWindow *>(sub->widget());
    QVERIFY(setup);
    Setup::choose(setup, "14point7 SLC PP2", dev.slavePath(), "14400");
    QTest::mouseClick(setup->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
    QCOMPARE(main.plotWindows().size(), 1);
    PlotWindow *plot = main.plotWindows().first();
    QCOMPARE(plot->windowTitle(), QString("14point7"));
    QTRY_COMPARE_WITH_TIMEOUT(shownValue(*plot, "AFR"), QString("14.650"), 10000);
    QCOMPARE(shownValue(*plot, "BOOST"), QString::number(double(float(51 * 0.28431 - 14.5)), 'f', 3));
    QCOMPARE(shownResult(*plot, "AFR").realValue, 14.65002);
    QCOMPARE(dev.baudRate(), 14400);
    Q14Point7Thread *source = ExtSourceManager::instance()->last14Point7();
    QVERIFY(source);
    QVERIFY(source->streamReader().isOpen());

    // Closing the plot window stops the source and frees the port.
    plot->close();
    QTRY_VERIFY(!source->streamReader().isOpen());
    const int sent = slc.received().size();
    QSerialPort port(dev.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    QCoreApplication::processEvents();
    QCOMPARE(slc.received().size(), sent);
}

void TestExtLoggerSetupWindow::techEdgeThroughMainWindowStaysEmpty()
{
    WorkDir wd;
    PtyDevice dev;
    LogCapture log("wbo2");
    MainWindow main(QStringList{"kelvo", "simulation"});
    Setup s(&main);
    s.choose("TechEdge WBO2", dev.slavePath(), "19200");
    s.connectButton();
    QCOMPARE(main.plotWindows().size(), 1);
    PlotWindow *plot = main.plotWindows().first();
    QCOMPARE(plot->windowTitle(), QString("TechEdge WBo2"));
    dev.write(QByteArray::fromHex("5aa5010203"));
    QTRY_VERIFY(log.contains("read:5aa5010203"));
    QCoreApplication::processEvents();
    QCOMPARE(plot->findChild<ResultTableView *>("tableView")->tableModel()->rowCount(), 0);
    auto *source = ExtSourceManager::instance()->findChild<TechEdgeWBo2DataHandler *>();
    QVERIFY(source->streamHandler().isOpen());
    plot->close();
    QTRY_VERIFY(!source->streamHandler().isOpen());
    QSerialPort port(dev.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
}

void TestExtLoggerSetupWindow::innovateSerialMissingPort()
{
    WorkDir wd;
    FakeHost host;
    Setup s(&host);
    s.choose("Innovate Serial", "/dev/kelvo-missing", "19200");
    s.connectButton();
    QCOMPARE(host.windows.size(), 1);
    PlotWindow *w = host.windows.first();
    QVERIFY(w->isVisible());
    QCOMPARE(w->windowTitle(), QString("Innovate"));
    QCOMPARE(w->job().jobName, std::string("INNOVATE"));
    QCOMPARE(w->job().ecuName, std::string());
    auto *source = ExtSourceManager::instance()->findChild<InnovateDataHandler *>();
    QVERIFY(source);
    QCOMPARE(source->serialSettings().name, QString("/dev/kelvo-missing"));
    QCOMPARE(source->serialSettings().baudRate, 19200);
    QTRY_VERIFY(w->findChild<QLabel *>("errorStatus")->text().contains("failed to open port"));
}

void TestExtLoggerSetupWindow::innovateUsbAndMtsPlotNamedValues()
{
    WorkDir wd;
    InnovateTestFiles::installDemo(wd);
    wd.write("innovate/innovate.json", InnovateTestFiles::demoFile("innovate/innovate.json"));
    FakeHost host;
    Setup usb(&host);
    usb.choose("Innovate USB", "", "");
    usb.connectButton();
    Setup mts(&host);
    mts.choose("Innovate MTS", "MTS-1", "");
    mts.connectButton();
    QElapsedTimer sinceConnect;
    sinceConnect.start();
    // The SDK source connects 2 s after Connect, not at once.
    QCOMPARE(InnovateStandIn::callCount("MTS::Connect"), 0);
    QCOMPARE(host.windows.size(), 2);
    QCOMPARE(host.windows.at(0)->windowTitle(), QString("Innovate USB"));
    QCOMPARE(host.windows.at(1)->windowTitle(), QString("Innovate MTS SDK"));
    QCOMPARE(ExtSourceManager::instance()->findChild<InnovateMTSSDKHandler *>()->serialSettings().name,
             QString("MTS-1"));
    QTRY_VERIFY_WITH_TIMEOUT(!shownValue(*host.windows.at(0), "AUX4_3").isEmpty(), 20000);
    QVERIFY(!shownValue(*host.windows.at(0), "LM-2_1").isEmpty());
    // Still waiting, unless a loaded machine took most of the 2 s to get here.
    if (sinceConnect.elapsed() < 1000)
        QCOMPARE(InnovateStandIn::callCount("MTS::Connect"), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!shownValue(*host.windows.at(1), "LM-2 AFR").isEmpty(), 20000);
    QCOMPARE(InnovateStandIn::callCount("MTS::Connect"), 1);
    // Closing the plot windows stops both sources.
    host.windows.at(0)->close();
    host.windows.at(1)->close();
    QTRY_COMPARE(InnovateStandIn::lm2OpenHandles(), 0);
    QTRY_COMPARE(InnovateStandIn::callCount("MTS::Disconnect"), 1);
    InnovateStandIn::reset();
}

void TestExtLoggerSetupWindow::innovateConfigBrokenWhileRunning_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("result");
    QTest::newRow("Innovate USB") << "Innovate USB" << "" << "AUX4_3";
    QTest::newRow("Innovate MTS") << "Innovate MTS" << "MTS-1" << "AUX4_1";
}

void TestExtLoggerSetupWindow::innovateConfigBrokenWhileRunning()
{
    QFETCH(QString, device);
    QFETCH(QString, port);
    QFETCH(QString, result);
    WorkDir wd;
    InnovateTestFiles::installDemo(wd);
    wd.write("innovate/innovate.json", InnovateTestFiles::demoFile("innovate/innovate.json"));
    const QByteArray good = wd.read("config/InputConfigs.xml");
    QVERIFY(!good.isEmpty());
    FakeHost host;
    Setup s(&host);
    s.choose(device, port, "");
    s.connectButton();
    PlotWindow *w = host.windows.first();
    auto *status = w->findChild<QLabel *>("errorStatus");
    QTRY_VERIFY_WITH_TIMEOUT(!shownValue(*w, result.toLatin1()).isEmpty(), 10000);
    QTRY_COMPARE(status->text(), QString("Status: OK"));
    const int rows = w->findChild<ResultTableView *>("tableView")->tableModel()->rowCount();

    // Broken by hand: the status line says why, the table keeps every
    // result and values keep coming.
    wd.write("config/InputConfigs.xml", good.left(good.size() / 2));
    QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith("  Error: config/InputConfigs.xml does not read: "), 20000);
    QVERIFY2(status->text().contains("the last good one stays in use"), qPrintable(status->text()));
    const quint64 messages = w->messageCount();
    QTRY_VERIFY(w->messageCount() > messages + 3);
    QVERIFY(status->text().startsWith("  Error: config/InputConfigs.xml"));
    QCOMPARE(w->findChild<ResultTableView *>("tableView")->tableModel()->rowCount(), rows);
    QVERIFY(!shownValue(*w, result.toLatin1()).isEmpty());

    // Repaired: the next packet reads it and all is well again.
    wd.write("config/InputConfigs.xml", good);
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QString("Status: OK"), 20000);
    w->close();
    InnovateStandIn::reset();
}

void TestExtLoggerSetupWindow::innovateInputFunctionChangesWhileRunning_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("configRow"); // in Innovate Config
    QTest::addColumn<QString>("before");    // the plot window's row
    QTest::addColumn<QString>("after");
    QTest::addColumn<double>("max"); // of SPEED
    // The serial source names each input after its function.
    QTest::newRow("Innovate Serial") << "Innovate Serial" << "AUX4_2" << "AUX4_2 (PRESSURE)"
                                     << "AUX4_PRESSURE_2 | bar" << "AUX4_SPEED_2 | km/h" << 300.0;
    // The SDK names its inputs itself; the unit is the configuration's.
    QTest::newRow("Innovate MTS") << "Innovate MTS" << "AUX4_1" << "AUX4_1 (TEMP)" << "AUX4_1 | degC"
                                  << "AUX4_1 | km/h" << 300.0;
}

// An input given another function in Innovate Config while its source
// runs: the row in the plot window, the plot's title, the logged column and
// what a listener gets follow it; so they do when a hand edit of the file
// gives it back its function.
void TestExtLoggerSetupWindow::innovateInputFunctionChangesWhileRunning()
{
    QFETCH(QString, device);
    QFETCH(QString, result);
    QFETCH(QString, configRow);
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(double, max);
    const QByteArray name = result.toLatin1();
    WorkDir wd;
    InnovateTestFiles::installDemo(wd);
    wd.write("innovate/innovate.json", InnovateTestFiles::demoFile("innovate/innovate.json"));
    const QByteArray good = wd.read("config/InputConfigs.xml");
    PtyDevice dev;
    MtsChain chain(dev);
    InnovateTestFiles::playDemoChain(chain);
    chain.start();
    JobSink sink;
    PlotWindowFeed::connect(&sink);

    MainWindow main(QStringList{"kelvo", "simulation"});
    main.findChild<QAction *>("actionExternal_source")->trigger();
    ExtLoggerSetupWindow *setup = nullptr;
    for (QMdiSubWindow *sub : main.mdi()->subWindowList())
        setup = setup ? setup : qobject_cast<ExtLoggerSetupWindow *>(sub->widget());
    QVERIFY(setup);
    if (device == "Innovate MTS")
        Setup::choose(setup, device, "MTS-1", "");
    else
        Setup::choose(setup, device, dev.slavePath(), "19200");
    QTest::mouseClick(setup->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
    QCOMPARE(main.plotWindows().size(), 1);
    PlotWindow *plot = main.plotWindows().first();
    QTRY_COMPARE_WITH_TIMEOUT(shownRow(*plot, name), before, 20000);
    // Plotted and logged.
    ResultTableModel *table = plot->findChild<ResultTableView *>("tableView")->tableModel();
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->userData(r, 0).value<CJobResult>().name == name.constData())
            table->setCellData(r, 0, Qt::Checked, Qt::CheckStateRole);
    }
    const QString shownBefore = before.section(" | ", 0, 0);
    QCOMPARE(plotTitle(*plot, name), shownBefore);
    main.findChild<QAction *>("actionLogging")->trigger();
    LoggingWindow *logger = main.lastLoggingWindow();
    QVERIFY(logger);
    QSignalSpy files(logger->dataLogger(), &DataLogger::logFileStarted);
    QTest::mouseClick(logger->findChild<QPushButton *>("btnExec"), Qt::LeftButton);
    QTRY_VERIFY(logger->isLogging());
    QTRY_COMPARE(files.count(), 1);
    // Written in blocks: the header is there once the first block is.
    QTRY_VERIFY_WITH_TIMEOUT(firstLine(files.at(0).at(0).toString()).contains(shownBefore.toLatin1()), 10000);

    // SPEED instead, as the user picks it in Innovate Config.
    main.findChild<QAction *>("actionInnovate_Config")->trigger();
    InnovateConfigForm *form = main.findChild<InnovateConfigForm *>();
    QVERIFY(form);
    auto *list = form->findChild<QListView *>("listView");
    QModelIndex row;
    for (int i = 0; i < list->model()->rowCount(); ++i) {
        if (list->model()->index(i, 0).data().toString() == configRow)
            row = list->model()->index(i, 0);
    }
    QVERIFY2(row.isValid(), qPrintable(configRow));
    list->setCurrentIndex(row);
    form->on_listView_clicked(row);
    auto *type = form->findChild<QComboBox *>("cmbInputType");
    type->setCurrentIndex(type->findText("SPEED"));
    QVERIFY(type->currentIndex() >= 0);
    QMetaObject::invokeMethod(type, "activated", Q_ARG(QString, "SPEED"));

    QTRY_COMPARE_WITH_TIMEOUT(shownRow(*plot, name), after, 20000);
    const QString shownAfter = after.section(" | ", 0, 0);
    QCOMPARE(plotTitle(*plot, name), shownAfter);
    // The job a listener gets: the new name and unit, a speed.
    QTRY_VERIFY(sink.count() > 0 && findResult(sink.last(), name.constData())
                && findResult(sink.last(), name.constData())->unit == "km/h");
    const CJobResult speed = *findResult(sink.last(), name.constData());
    QCOMPARE(QString::fromStdString(speed.displayName.empty() ? speed.name : speed.displayName), shownAfter);
    QVERIFY2(speed.realValue >= 0 && speed.realValue <= max, qPrintable(QString::number(speed.realValue)));
    // A new name: the log goes on in a new file whose header names the
    // column anew (the old file keeps the old name over the old values).
    if (shownAfter != shownBefore) {
        QTRY_COMPARE_WITH_TIMEOUT(files.count(), 2, 10000);
        QTRY_VERIFY_WITH_TIMEOUT(firstLine(files.at(1).at(0).toString()).contains(shownAfter.toLatin1()), 10000);
        QVERIFY(firstLine(files.at(0).at(0).toString()).contains(shownBefore.toLatin1()));
    }

    // A hand edit gives it back its old function.
    wd.write("config/InputConfigs.xml", good);
    QTRY_COMPARE_WITH_TIMEOUT(shownRow(*plot, name), before, 20000);
    QCOMPARE(plotTitle(*plot, name), shownBefore);

    QTest::mouseClick(logger->findChild<QPushButton *>("btnExec"), Qt::LeftButton);
    QTRY_VERIFY(!logger->isLogging());
    plot->close();
    chain.stop();
    InnovateStandIn::reset();
}

void TestExtLoggerSetupWindow::plxConfigBrokenWhileRunning()
{
    WorkDir wd;
    const QByteArray good = "<SensorConfigs>\n <SensorConfig address=\"0\" instance=\"0\" unitNum=\"0\"/>\n"
                            "</SensorConfigs>\n";
    wd.write("config/PLXSensorsConfig.xml", good);
    PtyDevice dev;
    PtyResponder hub(dev);
    hub.play(PlxStream::frame({{0, 0, 96}}), 7, 20);
    hub.start();
    FakeHost host;
    Setup s(&host);
    s.choose("PLX Real-Time", dev.slavePath());
    s.connectButton();
    PlotWindow *w = host.windows.first();
    auto *status = w->findChild<QLabel *>("errorStatus");
    QTRY_VERIFY_WITH_TIMEOUT(!shownValue(*w, "STAT_AFR_0").isEmpty(), 10000);
    QTRY_COMPARE(status->text(), QString("Status: OK"));

    // Broken by hand: the status line says why while values keep coming.
    const QByteArray broken = good.left(good.size() / 2);
    wd.write("config/PLXSensorsConfig.xml", broken);
    QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith("  Error: config/PLXSensorsConfig.xml does not read: "),
                             5000);
    QVERIFY2(status->text().endsWith("the units read last stay in use"), qPrintable(status->text()));
    const quint64 messages = w->messageCount();
    QTRY_VERIFY(w->messageCount() > messages + 3);
    QVERIFY(status->text().startsWith("  Error: config/PLXSensorsConfig.xml"));
    QCOMPARE(wd.read("config/PLXSensorsConfig.xml"), broken);

    // Repaired: the next frame reads it and all is well again.
    wd.write("config/PLXSensorsConfig.xml", good);
    QTRY_COMPARE_WITH_TIMEOUT(status->text(), QString("Status: OK"), 20000);
    w->close();
    hub.stop();
}

void TestExtLoggerSetupWindow::noDeviceDoesNothing()
{
    WorkDir wd;
    FakeHost host;
    Setup s(&host);
    s.port->setEditText("/dev/kelvo-missing");
    s.connectButton();
    QCOMPARE(host.windows.size(), 0);
    QVERIFY(ExtSourceManager::instance()->children().isEmpty());
    QVERIFY(!QFile::exists("kelvo.ini"));
}

void TestExtLoggerSetupWindow::plxThroughMainWindow()
{
    WorkDir wd;
    PtyDevice dev;
    PtyResponder hub(dev);
    hub.play(QByteArray::fromHex("80000000012040"), 7, 50);
    hub.start();
    MainWindow main(QStringList{"kelvo", "simulation"});
    QAction *action = main.findChild<QAction *>("actionExternal_source");
    QVERIFY(action->isEnabled());
    action->trigger();
    ExtLoggerSetupWindow *setup = nullptr;
    for (QMdiSubWindow *sub : main.mdi()->subWindowList())
        setup = setup ? setup : qobject_cast<ExtLoggerSetupWindow *>(sub->widget());
    QVERIFY(setup);
    QVERIFY(setup->isVisible());
    QComboBox *device = setup->findChild<QComboBox *>("comboBox");
    device->setCurrentIndex(device->findText("PLX Real-Time"));
    setup->findChild<QComboBox *>("cmbComPort")->setEditText(dev.slavePath());
    QTest::mouseClick(setup->findChild<QPushButton *>("pushButton"), Qt::LeftButton);
    QCOMPARE(main.plotWindows().size(), 1);
    PlotWindow *plot = main.plotWindows().first();
    QCOMPARE(plot->windowTitle(), QString("PLX real-time"));
    QTRY_COMPARE_WITH_TIMEOUT(shownValue(*plot, "STAT_AFR_0"), QString("0.936"), 10000);
    // The readings take the fan-out, as runner jobs do.
    bool registered = false;
    for (const CJob &job : GlobalJobReceiver::instance()->jobs())
        registered = registered || job.jobName == "PLX_SERIAL_REALTIME";
    QVERIFY(registered);

    // Closing the plot window stops the reader and frees the port.
    plot->close();
    QCOMPARE(ExtSourceManager::instance()->extRunner("PLX_SERIAL_REALTIME"), nullptr);
    QSerialPort port(dev.slavePath());
    QVERIFY(port.open(QIODevice::ReadWrite));
    hub.stop();
}

void TestExtLoggerSetupWindow::closingMainWindowWhileStreamingEndsSoon()
{
    WorkDir wd;
    PtyDevice plxDev;
    PtyDevice aemDev;
    PtyResponder hub(plxDev);
    hub.play(PlxStream::frame({{0, 0, 96}, {6, 0, 100}}), 5, 0);
    hub.start();
    QElapsedTimer t;
    {
        MainWindow main(QStringList{"kelvo", "simulation"});
        ExtLoggerSetupWindow setup(&main);
        Setup plx(&main);
        plx.choose("PLX Real-Time", plxDev.slavePath());
        plx.connectButton();
        Setup aem(&main);
        aem.choose("AEM Air/Fuel Ratio", aemDev.slavePath(), "9600");
        aem.connectButton();
        QCOMPARE(main.plotWindows().size(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(shownValue(*main.plotWindows().first(), "STAT_RPM_0"), QString("1955.000"),
                                  10000);
        QTRY_VERIFY(ExtSourceManager::instance()->extRunner("AEM_AFR")->isReading());
        main.close();
        t.start();
    }
    QVERIFY2(t.elapsed() < 4000, qPrintable(QString::number(t.elapsed())));
    hub.stop();
    // Both ports are free again.
    QSerialPort a(plxDev.slavePath());
    QVERIFY(a.open(QIODevice::ReadWrite));
    QSerialPort b(aemDev.slavePath());
    QVERIFY(b.open(QIODevice::ReadWrite));
}

namespace {
// A device's stream on a pseudo-terminal, as PLX or AEM sends it.
QByteArray streamOf(const QString &device)
{
    return device == "PLX Real-Time" ? PlxStream::frame({{0, 0, 96}}) : QByteArray("14.7\t1\r\n");
}

QString statusOf(PlotWindow &w)
{
    return w.findChild<QLabel *>("errorStatus")->text();
}
} // namespace

void TestExtLoggerSetupWindow::reconnectAfterPortComesBack_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("jobName");
    QTest::addColumn<QByteArray>("result");
    QTest::newRow("PLX") << "PLX Real-Time" << "PLX_SERIAL_REALTIME" << QByteArray("STAT_AFR_0");
    QTest::newRow("AEM") << "AEM Air/Fuel Ratio" << "AEM_AFR" << QByteArray("AEM_AFR_VALUE");
}

void TestExtLoggerSetupWindow::reconnectAfterPortComesBack()
{
    QFETCH(QString, device);
    QFETCH(QString, jobName);
    QFETCH(QByteArray, result);
    WorkDir wd;
    // The port as a by-id link would name it: the same name before the
    // adapter is pulled and after it is plugged in again.
    const QString link = wd.filePath("ttyDevice");
    auto first = std::make_unique<PtyDevice>();
    QVERIFY(QFile::link(first->slavePath(), link));
    auto device1 = std::make_unique<PtyResponder>(*first);
    device1->play(streamOf(device), 7, 20);
    device1->start();
    FakeHost host;
    Setup s(&host);
    QLabel *said = s.window.findChild<QLabel *>("lblStatus");
    QVERIFY(said);
    s.choose(device, link, "9600");
    s.connectButton();
    QCOMPARE(host.windows.size(), 1);
    PlotWindow *w = host.windows.first();
    QTRY_VERIFY_WITH_TIMEOUT(!shownValue(*w, result).isEmpty(), 10000);
    QTRY_COMPARE(statusOf(*w), QString("Status: OK"));
    QCOMPARE(said->text(), QString());

    // While it runs, a second Connect starts nothing and says so.
    QExtRunnerThread *reader = ExtSourceManager::instance()->extRunner(jobName);
    s.connectButton();
    QCOMPARE(host.windows.size(), 1);
    QCOMPARE(ExtSourceManager::instance()->extRunner(jobName), reader);
    QCOMPARE(said->text(), device + " is connected already on " + link
                               + "; close its plot window to connect it anew.");

    // Pulled: the window says so and its rate is 0 at once, and stays 0.
    device1->stop();
    first->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(statusOf(*w).startsWith("  Error: port lost: "), 10000);
    QCOMPARE(w->messagesPerSecond(), 0.0);
    w->timerTimeout();
    QCOMPARE(w->findChild<QLabel *>("lblThroughPut")->text().trimmed(), QString("0.0 msg / sec"));

    // Plugged in again under the same name: Connect starts the source again
    // in its own window, which follows the device once more.
    device1.reset();
    auto second = std::make_unique<PtyDevice>();
    QVERIFY(QFile::remove(link));
    QVERIFY(QFile::link(second->slavePath(), link));
    PtyResponder device2(*second);
    device2.play(streamOf(device), 7, 20);
    device2.start();
    s.connectButton();
    QCOMPARE(host.windows.size(), 1);
    QCOMPARE(said->text(), device + " started again in its plot window.");
    QTRY_COMPARE_WITH_TIMEOUT(statusOf(*w), QString("Status: OK"), 10000);
    const quint64 messages = w->messageCount();
    QTRY_VERIFY_WITH_TIMEOUT(w->messageCount() > messages + 2, 10000);
    QVERIFY(w->messagesPerSecond() > 0);
    QVERIFY(ExtSourceManager::instance()->isSourceRunning(jobName));
    w->close();
    device2.stop();
}

void TestExtLoggerSetupWindow::secondConnectWhileRunningRefused_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("jobName");
    QTest::addColumn<bool>("serial");
    QTest::newRow("AEM Boost") << "AEM Boost" << "AEM_BOOST" << true;
    QTest::newRow("PLX") << "PLX Real-Time" << "PLX_SERIAL_REALTIME" << true;
    QTest::newRow("14point7") << "14point7 SLC PP2" << "14POINT7" << true;
    QTest::newRow("Innovate Serial") << "Innovate Serial" << "INNOVATE" << true;
    QTest::newRow("TechEdge") << "TechEdge WBO2" << "WBO2" << true;
    QTest::newRow("USBTin CAN") << "USBTin CAN adapter" << "CAN" << true;
    QTest::newRow("Innovate USB") << "Innovate USB" << "INNOVATE_USB" << false;
    QTest::newRow("Innovate MTS") << "Innovate MTS" << "MTS" << false;
}

void TestExtLoggerSetupWindow::secondConnectWhileRunningRefused()
{
    QFETCH(QString, device);
    QFETCH(QString, jobName);
    QFETCH(bool, serial);
    WorkDir wd;
    InnovateTestFiles::installDemo(wd);
    wd.write("innovate/innovate.json", InnovateTestFiles::demoFile("innovate/innovate.json"));
    PtyDevice dev;
    const QString port = serial ? dev.slavePath() : device == "Innovate MTS" ? QString("MTS-1") : QString();
    FakeHost host;
    Setup s(&host);
    s.choose(device, port, "19200");
    s.connectButton();
    QCOMPARE(host.windows.size(), 1);
    ExtSourceManager *manager = ExtSourceManager::instance();
    QTRY_VERIFY_WITH_TIMEOUT(manager->isSourceRunning(jobName), 10000);
    const QList<QObject *> sources = manager->children();

    // A second setup window sees it as well: the device is not started
    // twice, and no window shows another source's values as its own.
    Setup again(&host);
    again.choose(device, port, "19200");
    again.connectButton();
    QCOMPARE(host.windows.size(), 1);
    QCOMPARE(manager->children(), sources);
    const QString said = again.window.findChild<QLabel *>("lblStatus")->text();
    QVERIFY2(said.startsWith(device + " is connected already"), qPrintable(said));
    QVERIFY(manager->isSourceRunning(jobName));

    // Once its window is closed, Connect opens a new one.
    host.windows.first()->close();
    QVERIFY(!manager->sourceWindow(jobName));
    again.connectButton();
    QCOMPARE(host.windows.size(), 2);
    QTRY_VERIFY_WITH_TIMEOUT(manager->isSourceRunning(jobName), 10000);
    host.windows.last()->close();
    InnovateStandIn::reset();
}

void TestExtLoggerSetupWindow::failedOpenSaysWhy_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<UnopenablePort::How>("how");
    for (const char *device : {"PLX Real-Time", "Innovate Serial", "14point7 SLC PP2"}) {
        for (UnopenablePort::How how : UnopenablePort::all())
            QTest::newRow(QByteArray(device) + ", " + UnopenablePort::name(how)) << device << how;
    }
}

void TestExtLoggerSetupWindow::failedOpenSaysWhy()
{
    QFETCH(QString, device);
    QFETCH(UnopenablePort::How, how);
    WorkDir wd;
    PtyDevice dev;
    // Held here: the Innovate Simulator, say, has it open.
    UnopenablePort blocked(how, dev, wd.filePath("ttyNone"));
    const QString port = blocked.path();
    FakeHost host;
    Setup s(&host);
    s.choose(device, port, "19200");
    s.connectButton();
    PlotWindow *w = host.windows.first();
    QTRY_VERIFY_WITH_TIMEOUT(statusOf(*w).startsWith("  Error: "), 10000);
    QCOMPARE(statusOf(*w), "  Error: failed to open port " + port + ": " + blocked.reason());
    blocked.asUser(false);
    QCOMPARE(w->messagesPerSecond(), 0.0);
    w->close();
}

void TestExtLoggerSetupWindow::innovateMtsSaysWhyItDoesNotConnect_data()
{
    QTest::addColumn<bool>("scripted");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("said");
    QTest::newRow("no SDK") << false << "MTS-1" << "  Error: MTS SDK not available";
    QTest::newRow("no such port") << true << "MTS-9"
                                  << "  Error: failed to open port MTS-9: no such MTS port (the MTS SDK reports MTS-1)";
}

void TestExtLoggerSetupWindow::innovateMtsSaysWhyItDoesNotConnect()
{
    QFETCH(bool, scripted);
    QFETCH(QString, port);
    QFETCH(QString, said);
    WorkDir wd;
    InnovateTestFiles::installDemo(wd);
    if (scripted)
        wd.write("innovate/innovate.json", InnovateTestFiles::demoFile("innovate/innovate.json"));
    FakeHost host;
    Setup s(&host);
    s.choose("Innovate MTS", port, "");
    s.connectButton();
    PlotWindow *w = host.windows.first();
    QTRY_COMPARE_WITH_TIMEOUT(statusOf(*w), said, 10000);
    // No other port was taken in its place.
    QCOMPARE(InnovateStandIn::callCount("MTS::Connect"), 0);
    QVERIFY(!ExtSourceManager::instance()->isSourceRunning("MTS"));
    w->close();
    InnovateStandIn::reset();
}

int main(int argc, char **argv)
{
    int holderRc = 0;
    if (UnopenablePort::holdPortIfAsked(argc, argv, &holderRc))
        return holderRc;
    qputenv("QT_NO_GLIB", "1");
    PrivateTemp temp;
    QApplication app(argc, argv);
    TestExtLoggerSetupWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    const int rc = QTest::qExec(&test, argc, argv);
    PlotWindowFeed::stopReceiver();
    return rc;
}
#include "tst_extloggersetupwindow.moc"
