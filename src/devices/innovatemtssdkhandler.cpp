#include "innovatemtssdkhandler.h"

#include "exponenttext.h"
#include "extsourcefailure.h"
#include "extsourceresult.h"
#include "latin1.h"
#include "mtssdklib.h"

#include <QDateTime>
#include <QDebug>
#include <QElapsedTimer>
#include <QStringList>

namespace {
// A result added without a value: there is nothing to plot for it.
CJobResult bareResult(const QString &name)
{
    CJobResult r;
    r.name = Latin1::toStd(name);
    r.typeName = "real";
    r.format = 8;
    r.realValue = 0.0;
    r.setTextValue("");
    return r;
}

CJobResult realResult(const QString &name, double value)
{
    CJobResult r;
    r.name = Latin1::toStd(name);
    ExtSourceResult::setReal(r, value);
    return r;
}

void setExponentText(CJobResult &r, double value)
{
    char text[32];
    ExponentText::write(value, text, sizeof text);
    r.setTextValue(text);
}
} // namespace

InnovateMTSSDKHandler::InnovateMTSSDKHandler(QString jobName, QObject *parent)
    : QObject(parent)
    , name(std::move(jobName))
    , logger(KelvoLog::get("innovate"))
    , control(new MTSSDKLib::MTS(this))
    , follower(config, name)
{
    LOG4CPLUS_DEBUG(logger, "Innovate MTS started");
    connect(control, SIGNAL(NewData()), this, SLOT(onNewData()));
    connect(control, SIGNAL(ConnectionError()), this, SLOT(onConnectionError()));
    connect(control, SIGNAL(ConnectionEvent(int)), this, SLOT(onConnectionEvent(int)));
    // What does not read is told at start(), once the window listens.
    config.load();
    connect(&follower, &InnovateConfigFollower::notice, this, &InnovateMTSSDKHandler::notice);
    connectTimer.setSingleShot(true);
    connectTimer.setTimerType(Qt::PreciseTimer);
    connect(&connectTimer, &QTimer::timeout, this, &InnovateMTSSDKHandler::startConnect);
}

InnovateMTSSDKHandler::~InnovateMTSSDKHandler()
{
    LOG4CPLUS_DEBUG(logger, "~Innovate()");
    stop();
}

int InnovateMTSSDKHandler::intProperty(const char *property) const
{
    return control->property(property).toInt();
}

double InnovateMTSSDKHandler::realProperty(const char *property) const
{
    return control->property(property).toDouble();
}

QString InnovateMTSSDKHandler::textProperty(const char *property) const
{
    return control->property(property).toString();
}

void InnovateMTSSDKHandler::start()
{
    if (stopped)
        return;
    follower.noteReadError();
    connectTimer.start(ConnectDelayMs);
}

void InnovateMTSSDKHandler::startConnect()
{
    if (stopped)
        return;
    qDebug() << "StartConnect";
    LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: start(), portname:%s", KELVO_QS(settings.name));
    if (control->isNull()) {
        fail(QStringLiteral("MTS SDK not available"));
        return;
    }
    const int ports = intProperty("PortCount");
    LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: portcount: %d", ports);
    QStringList names;
    bool found = false;
    for (int i = 0; i < ports && !found; ++i) {
        control->setProperty("CurrentPort", i);
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: setCurrentPort: %d", i);
        const QString portName = textProperty("PortName");
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: port %s found", KELVO_QS(portName));
        names << portName;
        if (portName == settings.name) {
            control->setProperty("CurrentPort", i);
            LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: port %d (%s) selected", i, KELVO_QS(portName));
            found = true;
        }
    }
    // A port named that the SDK does not know is not quietly swapped for
    // another one; no name leaves the choice to the SDK.
    if (!found && !settings.name.isEmpty()) {
        fail(ExtSourceFailure::openFailed(
            settings.name, names.isEmpty() ? QStringLiteral("no such MTS port (the MTS SDK reports none)")
                                           : QStringLiteral("no such MTS port (the MTS SDK reports %1)")
                                                 .arg(names.join(QStringLiteral(", ")))));
        return;
    }
    LOG4CPLUS_DEBUG(logger, "Innovate MTS: calling connect()");
    control->Connect();
    LOG4CPLUS_DEBUG(logger, "Innovate MTS: after connect()");
}

void InnovateMTSSDKHandler::onConnectionEvent(int result)
{
    LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: connectionevent:%d", result);
    if (stopped)
        return;
    connected = true;
    control->StartData();
}

void InnovateMTSSDKHandler::onConnectionError()
{
    LOG4CPLUS_ERROR(logger, "Innovate MTS: connectionError");
    if (stopped)
        return;
    const QString reason = QStringLiteral("the MTS SDK reports a connection error");
    fail(connected ? ExtSourceFailure::lost(reason)
                   : ExtSourceFailure::openFailed(settings.name.isEmpty() ? textProperty("PortName") : settings.name,
                                                  reason));
}

void InnovateMTSSDKHandler::fail(const QString &text)
{
    LOG4CPLUS_ERROR_FMT(logger, "Innovate MTS: %s", KELVO_QS(text));
    stop();
    emit jobFinished(ExtSourceFailure::job(name, text), ExtSourceFailure::Result);
}

bool InnovateMTSSDKHandler::isRunning() const
{
    return !stopped;
}

void InnovateMTSSDKHandler::stop()
{
    connectTimer.stop();
    if (stopped)
        return;
    stopped = true;
    LOG4CPLUS_DEBUG(logger, "Innovate MTS: stop()");
    control->Disconnect();
    control->clear();
}

void InnovateMTSSDKHandler::onNewData()
{
    LOG4CPLUS_DEBUG(logger, "Innovate MTS: onNewData()");
    if (stopped)
        return;
    follower.refresh();
    QElapsedTimer clock;
    clock.start();
    CJob job;
    job.jobName = Latin1::toStd(name);
    job.timeStamp = QDateTime::currentMSecsSinceEpoch();
    const int inputs = intProperty("InputCount");
    for (int input = 0; input < inputs; ++input)
        addJobResultForInput(job, input);
    job.duration = clock.elapsed();
    emit jobFinished(job, 0);
}

void InnovateMTSSDKHandler::addJobResultForInput(CJob &job, int input)
{
    control->setProperty("CurrentInput", input);
    const int function = intProperty("InputFunction");
    const int type = intProperty("InputType");
    const QString inputName = textProperty("InputName");
    const QString inputUnit = textProperty("InputUnit");
    const double afrMultiplier = realProperty("InputAFRMultiplier");
    const QString deviceName = textProperty("InputDeviceName");
    const int deviceChannel = intProperty("InputDeviceChannel");
    if (logger.isEnabledFor(log4cplus::DEBUG_LOG_LEVEL)) {
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: addJobResultForInput %s,%d", job.jobName.c_str(), input);
        LOG4CPLUS_DEBUG(logger, "----------- MTS SDK DATA------------------");
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input num: %d", input);
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input function: %d", function);
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input type: %d", type);
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input name: %s", KELVO_QS(inputName));
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input unit: %s", KELVO_QS(inputUnit));
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input AFR Multiplier: %f", afrMultiplier);
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input device name: %s", KELVO_QS(deviceName));
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input device type: %d", intProperty("InputDeviceType"));
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input device channel: %d", deviceChannel);
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input min value: %f", realProperty("InputMinValue"));
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input max value: %f", realProperty("InputMaxValue"));
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input min volt: %f", realProperty("InputMinVolt"));
        LOG4CPLUS_DEBUG_FMT(logger, "Innovate MTS: input max volt: %f", realProperty("InputMaxVolt"));
        LOG4CPLUS_DEBUG(logger, "----------- -------------------------------");
    }
    const int sample = intProperty("InputSample");
    CJobResult r = bareResult(inputName);
    const auto addFunction = [&] { job.addResult(realResult(inputName + QStringLiteral("_FUNC"), function)); };

    switch (type) {
    case 2: // auxiliary input
        if (function == 9) {
            float min = float(realProperty("InputMinValue"));
            float max = float(realProperty("InputMaxValue"));
            QString unit = inputUnit;
            const QString bareInputName = inputName.left(qMax(0, inputName.size() - 2));
            LOG4CPLUS_DEBUG_FMT(logger, "bareInputName:%s", KELVO_QS(bareInputName));
            if (const DeviceInputConfig *device = config.inputConfig(bareInputName)) {
                LOG4CPLUS_DEBUG_FMT(logger, "Input config exists for:%s", KELVO_QS(bareInputName));
                const auto item = device->inputs.constFind(input);
                if (item != device->inputs.constEnd()) {
                    min = item->min;
                    max = item->max;
                    unit = item->unit;
                    LOG4CPLUS_DEBUG_FMT(logger, "Using SensorFunction: %s for input: %d, min:%f, max:%f, unit:%s",
                                        KELVO_QS(item->name), deviceChannel, double(min), double(max),
                                        KELVO_QS(unit));
                }
            }
            const float span = max - min;
            const float scaled = span * float(sample);
            const float value = min + scaled / 1024.0f;
            ExtSourceResult::setReal(r, value);
            r.unit = Latin1::toStd(unit);
        } else {
            addFunction();
        }
        job.addResult(r);
        return;
    case 1: { // lambda with AFR
        const float lambda = float(sample / 1000.0 + 0.5);
        const float value = float(afrMultiplier * lambda);
        r.unit = Latin1::toStd(inputUnit);
        if (function == 0) {
            r.realValue = value;
            setExponentText(r, r.realValue);
        } else if (function == 1) {
            r.realValue = double(float(value * 10));
            setExponentText(r, r.realValue);
        }
        addFunction();
        job.addResult(r);
        return;
    }
    case 0: { // lambda
        const float lambda = float(sample / 1000.0 + 0.5);
        r.unit = Latin1::toStd(inputUnit);
        if (function == 0 || function == 1) {
            r.realValue = function == 0 ? double(lambda) : double(float(lambda * 10));
            setExponentText(r, r.realValue);
        } else {
            addFunction();
        }
        job.addResult(r);
        return;
    }
    default: {
        CJobResult inputType = realResult(inputName + QStringLiteral("_INPUTTYPE"), type);
        setExponentText(inputType, function);
        job.addResult(inputType);
        job.addResult(realResult(inputName + QStringLiteral("_INPUT_FUNC"), function));
        CJobResult device = realResult(QStringLiteral("DEVICE_NAME") + deviceName, 0.0);
        setExponentText(device, function);
        job.addResult(device);
        job.addResult(r);
        return;
    }
    }
}
