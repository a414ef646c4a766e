#include "extloggersetupwindow.h"
#include "ui_extloggersetupwindow.h"

#include "aemdatahandler.h"
#include "canadapterfe.h"
#include "cjob.h"
#include "extsourcehost.h"
#include "extsourcemanager.h"
#include "innovatedatahandler.h"
#include "innovatemtssdkhandler.h"
#include "kelvosettings.h"
#include "latin1.h"
#include "plotwindow.h"
#include "plxdatahandler.h"
#include "q14point7thread.h"
#include "qextrunnerthread.h"
#include "techedgewbo2datahandler.h"

#include <QCloseEvent>
#include <QDebug>
#include <QSerialPortInfo>

namespace {
const char *const DeviceKey = "external_source/device";
const char *const BaudKey = "external_source/baud";
const char *const PortKey = "external_source/comport";
} // namespace

const QVector<ExtLoggerSetupWindow::Device> &ExtLoggerSetupWindow::devices()
{
    // "Innovate USB" (8) comes before "TechEdge WBO2" (7).
    static const QVector<Device> list = {
        {AemAirFuelRatio, QT_TR_NOOP("AEM Air/Fuel Ratio"), "AEM", "AEM_AFR", "AEM air/fuel ratio"},
        {AemBoost, QT_TR_NOOP("AEM Boost"), "AEM", "AEM_BOOST", "Boost"},
        {PlxRealTime, QT_TR_NOOP("PLX Real-Time"), "PLX", "PLX_SERIAL_REALTIME", "PLX real-time"},
        {FourteenPoint7, QT_TR_NOOP("14point7 SLC PP2"), "14P7", "14POINT7", "14point7"},
        {InnovateSerial, QT_TR_NOOP("Innovate Serial"), "", "INNOVATE", "Innovate"},
        {InnovateMts, QT_TR_NOOP("Innovate MTS"), "", "MTS", "Innovate MTS SDK"},
        {InnovateUsb, QT_TR_NOOP("Innovate USB"), "", "INNOVATE_USB", "Innovate USB"},
        {TechEdgeWbo2, QT_TR_NOOP("TechEdge WBO2"), "", "WBO2", "TechEdge WBo2"},
        {UsbTinCan, QT_TR_NOOP("USBTin CAN adapter"), "", "CAN", "USBTin CAN adapter"},
    };
    return list;
}

CJob ExtLoggerSetupWindow::deviceJob(const Device &device)
{
    CJob job(device.ecuName, device.jobName);
    job.jobTitle = device.jobTitle;
    return job;
}

ExtLoggerSetupWindow::SourceFactory ExtLoggerSetupWindow::commonSource(int id)
{
    switch (id) {
    case FourteenPoint7:
        return [](ExtSourceManager &m, const QString &name, QObject *listener, PlotWindow &w) {
            Q14Point7Thread *s = m.create14Point7(name, listener, w);
            return CommonSource{s, [s] { return s->serialSettings(); },
                                [s](const SerialPortSettings &p) { s->setSerialSettings(p); }, [s] { s->start(); }};
        };
    case TechEdgeWbo2:
        return [](ExtSourceManager &m, const QString &name, QObject *listener, PlotWindow &w) {
            TechEdgeWBo2DataHandler *s = m.createTechEdge(name, listener, w);
            return CommonSource{s, [s] { return s->serialSettings(); },
                                [s](const SerialPortSettings &p) { s->setSerialSettings(p); }, [s] { s->start(); }};
        };
    case InnovateSerial:
        return [](ExtSourceManager &m, const QString &name, QObject *listener, PlotWindow &w) {
            auto *s = m.createInnovate(name, listener, w);
            return CommonSource{s, [s] { return s->serialSettings(); },
                                [s](const SerialPortSettings &p) { s->setSerialSettings(p); }, [s] { s->start(); }};
        };
    case InnovateUsb:
        // No port and no baud rate: the LM-2 is reached through its driver.
        return [](ExtSourceManager &m, const QString &name, QObject *listener, PlotWindow &w) {
            auto *s = m.createInnovate(name, listener, w);
            return CommonSource{s, {}, {}, [s] {
                                    s->setUSB(true);
                                    s->start();
                                }};
        };
    case InnovateMts:
        // start() connects 2 s later.
        return [](ExtSourceManager &m, const QString &name, QObject *listener, PlotWindow &w) {
            auto *s = m.createMTS(name, listener, w);
            return CommonSource{s, [s] { return s->serialSettings(); },
                                [s](const SerialPortSettings &p) { s->setSerialSettings(p); }, [s] { s->start(); }};
        };
    case UsbTinCan:
        return [](ExtSourceManager &m, const QString &name, QObject *listener, PlotWindow &w) {
            CANAdapterFE *s = m.createCANAdapter(name, listener, w);
            return CommonSource{s, [s] { return s->serialSettings(); },
                                [s](const SerialPortSettings &p) { s->setSerialSettings(p); }, [s] { s->start(); }};
        };
    default:
        return SourceFactory();
    }
}

ExtLoggerSetupWindow::ExtLoggerSetupWindow(ExtSourceHost *sourceHost, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ExtLoggerSetupWindow)
    , host(sourceHost)
    , logger(KelvoLog::get("extsourcemanager"))
{
    ui->setupUi(this);
    for (const Device &d : devices())
        ui->comboBox->addItem(tr(d.text), d.id);
    // Pseudo-terminals and by-id links are not listed: the combo is
    // editable, so any path can be typed ("./ttyPLX", "/dev/pts/3").
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        ui->cmbComPort->addItem(info.portName());
    const char *const bauds[] = {"9600", "14400", "19200", "38400", "57600", "115200"};
    int data = 1;
    for (const char *baud : bauds)
        ui->cmbBaudRate->addItem(QString::fromLatin1(baud), data++);
    restoreSettings();
    ui->pushButton->setFocus(Qt::OtherFocusReason);
}

ExtLoggerSetupWindow::~ExtLoggerSetupWindow()
{
    delete ui;
}

void ExtLoggerSetupWindow::restoreSettings()
{
    auto settings = KelvoSettings::open();
    const struct
    {
        const char *key;
        QComboBox *combo;
    } saved[] = {{DeviceKey, ui->comboBox}, {BaudKey, ui->cmbBaudRate}, {PortKey, ui->cmbComPort}};
    for (const auto &s : saved) {
        const QString text = settings->value(QString::fromLatin1(s.key), QStringLiteral("1")).toString();
        // A text that is not listed (first start, a port gone) leaves the
        // combo without a current entry.
        s.combo->setCurrentIndex(s.combo->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
        // A port typed last time (a pseudo-terminal, a by-id link) is never
        // listed: it comes back as typed, and Connect says if it is gone.
        if (s.combo == ui->cmbComPort && s.combo->currentIndex() < 0
            && settings->contains(QString::fromLatin1(s.key)))
            s.combo->setEditText(text);
    }
}

void ExtLoggerSetupWindow::saveSettings()
{
    auto settings = KelvoSettings::open();
    settings->setValue(QString::fromLatin1(DeviceKey), ui->comboBox->currentText());
    settings->setValue(QString::fromLatin1(BaudKey), ui->cmbBaudRate->currentText());
    settings->setValue(QString::fromLatin1(PortKey), ui->cmbComPort->currentText());
}

void ExtLoggerSetupWindow::on_pushButton_clicked()
{
    const int id = ui->comboBox->currentIndex() < 0 ? int(NoDevice) : ui->comboBox->currentData().toInt();
    const Device *device = nullptr;
    for (const Device &d : devices()) {
        if (d.id == id)
            device = &d;
    }
    if (!device) {
        LOG4CPLUS_INFO(logger, "Connect without a device: nothing to do");
        say(tr("Choose a device first."));
        return;
    }
    saveSettings();
    const QString name = QString::fromLatin1(device->jobName);
    const QString deviceText = tr(device->text);
    ExtSourceManager *manager = ExtSourceManager::instance();
    PlotWindow *own = manager->sourceWindow(name);
    if (own && manager->isSourceRunning(name)) {
        const QString port = manager->sourcePort(name);
        const QString text = port.isEmpty()
            ? tr("%1 is connected already; close its plot window to connect it anew.").arg(deviceText)
            : tr("%1 is connected already on %2; close its plot window to connect it anew.").arg(deviceText, port);
        LOG4CPLUS_INFO_FMT(logger, "%s", KELVO_QS(text));
        say(text);
        return;
    }
    if (own)
        manager->retireSource(name);
    switch (id) {
    case AemAirFuelRatio:
    case AemBoost:
        connectAem(*device, own);
        break;
    case PlxRealTime:
        connectPlx(*device, own);
        break;
    default:
        connectCommon(*device, own);
        break;
    }
    say(own ? tr("%1 started again in its plot window.").arg(deviceText) : QString());
}

void ExtLoggerSetupWindow::say(const QString &text)
{
    ui->lblStatus->setText(text);
}

void ExtLoggerSetupWindow::connectAem(const Device &device, PlotWindow *own)
{
    const bool afr = device.id == AemAirFuelRatio;
    const QString keyName = QString::fromLatin1(device.jobName);
    const QString resultName = afr ? keyName + QStringLiteral("_VALUE") : keyName;
    const QString resultDisplayName = afr ? QStringLiteral("Air/fuel ratio") : QStringLiteral("AEM Boost");
    ExtSourceManager *manager = ExtSourceManager::instance();
    CJob job = deviceJob(device);
    auto *handler = new AEMDataHandler(manager);
    SerialPortSettings settings = handler->serialSettings();
    settings.name = ui->cmbComPort->currentText();
    const QString baud = ui->cmbBaudRate->currentText();
    settings.baudRate = baud == QLatin1String("9600") ? 9600 : baud == QLatin1String("19200") ? 19200 : 115200;
    qDebug() << "baud rate:" << settings.baudRate;
    handler->setSerialSettings(settings);
    handler->setJobName(keyName);
    handler->setResultName(resultName);
    handler->setResultDisplayName(resultDisplayName);

    PlotWindow *window = own;
    if (!window) {
        window = &host->createPlotWindow(job, Qt::WindowFlags());
        connect(window, &PlotWindow::closed, manager, &ExtSourceManager::onCloseEvent);
        window->show();
    }
    // Line mode from the first byte on.
    QExtRunnerThread *runner = manager->createExtRunner(job, handler, host->jobReceiver(), true);
    manager->fileSource(keyName, runner, *window, settings.name);
}

void ExtLoggerSetupWindow::connectPlx(const Device &device, PlotWindow *own)
{
    ExtSourceManager *manager = ExtSourceManager::instance();
    auto *handler = new PLXDataHandler(manager);
    CJob job;
    PLXDataHandler::fillJob(job);
    SerialPortSettings settings = handler->serialSettings();
    settings.name = ui->cmbComPort->currentText();
    handler->setSerialSettings(settings);

    PlotWindow *window = own;
    if (!window) {
        window = &host->createPlotWindow(job, Qt::WindowFlags());
        connect(window, &PlotWindow::closed, manager, &ExtSourceManager::onCloseEvent);
        connect(window, &QObject::destroyed, manager, &ExtSourceManager::onDestroyed);
    }
    // Said in the window's status line: a unit that stays although the user
    // changed the file must not go unexplained.
    connect(handler, &PLXDataHandler::notice, window, &PlotWindow::setSourceNotice);
    window->setSourceNotice(handler->configNotice());
    if (!own)
        window->show();
    QExtRunnerThread *runner = manager->createExtRunner(job, handler, host->jobReceiver());
    manager->fileSource(QString::fromLatin1(device.jobName), runner, *window, settings.name);
}

void ExtLoggerSetupWindow::connectCommon(const Device &device, PlotWindow *own)
{
    const SourceFactory create = commonSource(device.id);
    if (!create) {
        LOG4CPLUS_WARN_FMT(logger, "%s: not available", device.text);
        return;
    }
    ExtSourceManager *manager = ExtSourceManager::instance();
    PlotWindow *window = own;
    if (!window) {
        CJob job = deviceJob(device);
        window = &host->createPlotWindow(job, Qt::WindowFlags());
        window->show();
    }
    const CommonSource source =
        create(*manager, QString::fromLatin1(device.jobName), host->jobReceiver(), *window);
    if (!source.object) {
        LOG4CPLUS_ERROR_FMT(logger, "%s: no source created", device.text);
        return;
    }
    if (!source.object->parent())
        source.object->setParent(manager);
    QString port;
    if (source.settings && source.setSettings) {
        SerialPortSettings settings = source.settings();
        settings.name = ui->cmbComPort->currentText();
        // No baud rate chosen (first start): the source keeps its own.
        bool ok = false;
        const int baud = ui->cmbBaudRate->currentText().toInt(&ok);
        if (ok && baud > 0)
            settings.baudRate = baud;
        source.setSettings(settings);
        port = settings.name;
    }
    manager->fileSource(QString::fromLatin1(device.jobName), source.object, *window, port);
    if (source.start)
        source.start();
}

void ExtLoggerSetupWindow::on_pushButton_2_clicked()
{
}

void ExtLoggerSetupWindow::on_pushButton_3_clicked()
{
}

void ExtLoggerSetupWindow::closeEvent(QCloseEvent *e)
{
    qDebug() << "setup close event";
    e->accept();
}
