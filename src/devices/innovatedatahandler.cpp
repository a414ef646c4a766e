#include "innovatedatahandler.h"

#include "extsourcefailure.h"
#include "extsourceresult.h"
#include "innovatemtsextconfig.h"
#include "latin1.h"

#include <QDateTime>
#include <QDebug>
#include <QHash>

InnovateDataHandler::InnovateDataHandler(QString jobName, QObject *parent)
    : QObject(parent)
    , name(std::move(jobName))
    , logger(KelvoLog::get("innovate"))
    , config(InnovateMTSExtConfig::instance())
    , follower(*config, name)
    , jobName(Latin1::toStd(name))
{
    LOG4CPLUS_DEBUG(logger, "Innovate started");
    // What does not read is told at start(), once the window listens.
    config->load();
    connect(&follower, &InnovateConfigFollower::notice, this, &InnovateDataHandler::notice);
    const bool c1 = connect(config, &InnovateMTSExtConfig::inputConfigChanged, this,
                            &InnovateDataHandler::configChanged, Qt::DirectConnection);
    const bool c2 = connect(&stream, &InnovateStreamHandler::MTSPacketRead, this,
                            &InnovateDataHandler::onMTSPacketRead, Qt::DirectConnection);
    qDebug() << "connect=" << c1 << "connect2=" << c2;
    connect(&stream, &InnovateStreamHandler::error, this, &InnovateDataHandler::onStreamError);
    // The Windows default "COM1" cannot be opened on Linux.
    SerialPortSettings settings = stream.serialSettings();
    settings.name = QStringLiteral("/dev/ttyUSB0");
    settings.baudRate = 19200;
    settings.dataBits = 8;
    settings.parity = 0;
    settings.stopBits = 1;
    settings.flowControl = 0;
    stream.setSerialSettings(settings);
    ceReply.clear();
    f3Reply.clear();
    queries.setSingleShot(true);
    connect(&queries, &QTimer::timeout, this, &InnovateDataHandler::queryTimer);
    queries.start(250);
}

InnovateDataHandler::~InnovateDataHandler()
{
    stream.stop();
}

void InnovateDataHandler::start()
{
    // Only now is the plot window listening.
    follower.noteReadError();
    stream.start();
}

bool InnovateDataHandler::isRunning() const
{
    return stream.isOpen();
}

void InnovateDataHandler::stop()
{
    stream.stop();
}

void InnovateDataHandler::setUSB(bool USB)
{
    isUSB = USB;
    stream.setIsUSB(true);
}

void InnovateDataHandler::configChanged()
{
    qDebug() << "config changed:";
    follower.markStale();
}

void InnovateDataHandler::queryTimer()
{
    LOG4CPLUS_DEBUG(logger, ">queryTimer");
    if (!ceSent) {
        stream.write(QByteArray(1, char(InnovateMTSPacket::DeviceNames)));
        LOG4CPLUS_DEBUG(logger, "CE Sent");
        queries.start(500);
        ceSent = true;
    } else if (!f3Sent) {
        stream.write(QByteArray(1, char(InnovateMTSPacket::DeviceTypes)));
        LOG4CPLUS_DEBUG(logger, "F3 Sent");
        queries.start(500);
        f3Sent = true;
    }
}

void InnovateDataHandler::onStreamError(const QString &message)
{
    LOG4CPLUS_ERROR_FMT(logger, "%s: %s", KELVO_QS(name), KELVO_QS(message));
    const QString port = isUSB ? QStringLiteral("LM-2 USB") : stream.serialSettings().name;
    emit jobFinished(ExtSourceFailure::fromStreamError(name, port, message), ExtSourceFailure::Result);
}

void InnovateDataHandler::takeDeviceNames(const InnovateMTSPacket &packet)
{
    devNames.clear();
    const QStringList names = packet.deviceNames();
    LOG4CPLUS_DEBUG_FMT(logger, "devCount:%d", names.size());
    // The second, third, ... device of one name get the letters a, b, ...
    // and, past the letters, their occurrence number.
    QHash<QString, int> seen;
    for (const QString &n : names) {
        LOG4CPLUS_DEBUG_FMT(logger, "devname added:'%s'", KELVO_QS(n));
        const int k = seen[n]++;
        if (k == 0)
            devNames << n;
        else if (k <= letters.size())
            devNames << n + letters.at(k - 1);
        else
            devNames << n + QString::number(k + 1);
    }
}

void InnovateDataHandler::onMTSPacketRead(InnovateMTSPacket packet)
{
    // A repaired file may lack a device that could not be added while it
    // did not read: it is tried again.
    if (follower.refresh())
        configTried.clear();
    CJob job;
    job.jobName = jobName;
    job.timeStamp = QDateTime::currentMSecsSinceEpoch();

    if (packet.replyType != 0) {
        LOG4CPLUS_DEBUG_FMT(logger, "Query response:%x", unsigned(packet.replyType));
        if (packet.replyType == InnovateMTSPacket::DeviceNames) {
            ceReply = packet;
            takeDeviceNames(packet);
        } else if (packet.replyType == InnovateMTSPacket::DeviceTypes) {
            f3Reply = packet;
            devTypes = packet.deviceTypes();
            LOG4CPLUS_DEBUG_FMT(logger, "devCount:%d", devTypes.size());
            for (const QString &t : devTypes)
                LOG4CPLUS_DEBUG_FMT(logger, "devtype added:'%s'", KELVO_QS(t));
        }
        return;
    }

    LOG4CPLUS_DEBUG_FMT(logger, "devTypes count:%d, devNames count:%d", devTypes.size(), devNames.size());
    LOG4CPLUS_DEBUG_FMT(logger, "inputs count:%d", packet.channelCount);
    if (devTypes.size() == devNames.size() && !devNames.isEmpty()) {
        // At most a result per channel, and one per device that stands in.
        job.results.reserve(qMin<int>(packet.channelCount, InnovateMTSPacket::MaxChannels) + devNames.size());
        int packetInd = 0;
        for (int n = 0; n < devNames.size(); ++n) {
            const QString &devName = devNames.at(n);
            const QString &devType = devTypes.at(n);
            LOG4CPLUS_DEBUG_FMT(logger, "devType:'%s'", KELVO_QS(devType));
            if (config->hasInputConfig(devName)) {
                LOG4CPLUS_DEBUG_FMT(logger, "inputConfig exists:%s, packetInd:%d", KELVO_QS(devName), packetInd);
                fillJobResultsForDevice(job, devName, packet, packetInd);
            } else if (config->deviceDef(devType)) {
                LOG4CPLUS_DEBUG_FMT(logger, "inputConfig does not exists, packetInd:%d", packetInd);
                // Once per device: a configuration that does not take (a
                // default function without a sensor definition) is not
                // appended again with every packet.
                if (!configTried.contains(devName)) {
                    configTried.insert(devName);
                    LOG4CPLUS_DEBUG_FMT(logger, "add new config for:%s", KELVO_QS(devName));
                    config->addNewConfig(devName, devType);
                    follower.reload();
                }
            } else {
                LOG4CPLUS_DEBUG_FMT(logger, "inputConfig does not exists, packetInd:%d", packetInd);
                CJobResult result;
                result.name = "STAT_UNKNOWN";
                result.displayName = Latin1::toStd(devType + QStringLiteral(" NOT DEFINED"));
                ExtSourceResult::setReal(result, 0.0);
                job.addResult(result);
            }
        }
    }
    job.duration = packet.elapsedMs;
    LOG4CPLUS_DEBUG(logger, "emit job");
    emit jobFinished(job, 0);
}

const QVector<InnovateDataHandler::InputText> &InnovateDataHandler::inputTexts(const QString &deviceName,
                                                                                 const DeviceInputConfig &device)
{
    if (textsGeneration != config->generation()) {
        texts.clear();
        textsGeneration = config->generation();
    }
    auto it = texts.find(deviceName);
    if (it != texts.end())
        return *it;
    QVector<InputText> list(device.inputs.size());
    for (int i = 1; i <= list.size(); ++i) {
        const auto found = device.inputs.constFind(i);
        if (found == device.inputs.constEnd())
            continue;
        const SensorDef &item = *found;
        InputText &t = list[i - 1];
        t.configured = true;
        t.name = Latin1::toStd(deviceName + QLatin1Char('_') + QString::number(i));
        t.displayName = Latin1::toStd(deviceName + QLatin1Char('_') + item.name + QLatin1Char('_') + QString::number(i));
        QString unit = item.unit;
        const SensorDef *def = config->sensorDef(item.name);
        if (def && !def->unit.isEmpty() && def->unit != item.unit) {
            LOG4CPLUS_DEBUG_FMT(logger, " def unit for sensor: %s, conf unit:%s", KELVO_QS(def->unit),
                                KELVO_QS(item.unit));
            // Only between two units the converter knows, and only where it
            // has a conversion; otherwise the value stays in the definition's unit.
            const bool known = !converter.unitName(def->unitNum).isEmpty()
                               && !converter.unitName(item.unitNum).isEmpty() && def->unitNum != item.unitNum;
            const float probe = 1.0f;
            if (known && converter.convert(def->unitNum, item.unitNum, &probe) != UnitConverter::NoUnit) {
                t.convertFrom = def->unitNum;
                t.convertTo = item.unitNum;
            } else {
                unit = def->unit;
            }
        }
        t.unit = Latin1::toStd(unit);
    }
    return *texts.insert(deviceName, list);
}

void InnovateDataHandler::fillJobResultsForDevice(CJob &job, const QString &deviceName,
                                                  const InnovateMTSPacket &packet, int &packetInd)
{
    const DeviceInputConfig *device = config->inputConfig(deviceName);
    if (!device)
        return;
    const QVector<InputText> &inputs = inputTexts(deviceName, *device);
    for (int i = 1; i <= inputs.size(); ++i, ++packetInd) {
        const InputText &text = inputs.at(i - 1);
        // A gap in the numbers, or an input the packet has no channel for:
        // no result, but the channel is the input's all the same.
        if (!text.configured) {
            LOG4CPLUS_WARN_FMT(logger, "%s has no input %d", KELVO_QS(deviceName), i);
            continue;
        }
        if (packetInd >= packet.channelCount || packetInd >= InnovateMTSPacket::MaxChannels) {
            LOG4CPLUS_DEBUG_FMT(logger, "no channel %d for input %d of %s", packetInd, i, KELVO_QS(deviceName));
            continue;
        }
        const SensorDef &item = *device->inputs.constFind(i);
        LOG4CPLUS_DEBUG_FMT(logger, "SensorFunction name:%s,packetInd:%d", KELVO_QS(item.name), packetInd);
        const InnovateMTSChannel &channel = packet.channels[packetInd];
        float value = 0.0f;
        if (item.name == QLatin1String("LAMBDA")) {
            if (channel.function != 0)
                LOG4CPLUS_WARN(logger, "func NOT LAMBDA");
            else
                LOG4CPLUS_DEBUG(logger, "func== LAMBDA");
            LOG4CPLUS_DEBUG(logger, "input type set to LAMBDA");
            const float lambda = float(channel.value / 1000.0 + 0.5);
            value = float(packet.afrMultiplier * lambda / 10.0);
            if (channel.function == 1)
                value = value * 10;
            LOG4CPLUS_DEBUG_FMT(logger, "lambda func:%d,lambda raw:%d,lambda afrmult:%d, afr:%f",
                                int(channel.function), int(channel.value), int(packet.afrMultiplier), double(value));
        } else {
            value = float((item.max - item.min) / 1023.0 * channel.value + item.min);
            LOG4CPLUS_DEBUG_FMT(logger, "SensorFunction AUX,unit:%s,name:'%s', value:%f,raw:%f", KELVO_QS(item.unit),
                                KELVO_QS(item.name), double(value), double(channel.value));
        }
        if (value > item.max)
            value = item.max;
        if (value < item.min)
            value = item.min;

        double shown = value;
        if (text.convertFrom != UnitConverter::NoUnit) {
            shown = converter.convert(text.convertFrom, text.convertTo, &value);
            LOG4CPLUS_DEBUG_FMT(logger, " convval:%f", shown);
        }
        // Filled in place: a result is over a kilobyte to copy.
        job.results.resize(job.results.size() + 1);
        CJobResult &result = job.results.last();
        result.name = text.name;
        result.displayName = text.displayName;
        ExtSourceResult::setReal(result, shown);
        result.unit = text.unit;
    }
}
