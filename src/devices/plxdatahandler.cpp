#include "plxdatahandler.h"

#include "extsourceresult.h"
#include "latin1.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QSerialPort>

namespace {
const char *const JobName = "PLX_SERIAL_REALTIME";

bool configReadable(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly | QIODevice::Text);
}
} // namespace

PLXDataHandler::PLXDataHandler(QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("plx"))
    , configManager(nullptr)
    , watch(configManager.configFile())
{
    settings.baudRate = QSerialPort::Baud19200;
    settings.dataBits = QSerialPort::Data8;
    settings.parity = QSerialPort::NoParity;
    settings.stopBits = QSerialPort::OneStop;
    settings.flowControl = QSerialPort::NoFlowControl;
    configManager.load();
    configProblem = configManager.lastError();

    connect(&watch, &FileWatch::changed, this, &PLXDataHandler::fileChanged);
    configChanged = false;
    configMissing = !configReadable(configManager.configFile());
}

PLXDataHandler::~PLXDataHandler() = default;

void PLXDataHandler::fillJob(CJob &job)
{
    job = CJob();
    job.ecuName = "PLX";
    job.jobName = JobName;
    job.jobTitle = "PLX real-time";
}

void PLXDataHandler::fileChanged()
{
    configChanged = true;
    if (!configReadable(configManager.configFile()))
        configMissing = true;
}

void PLXDataHandler::reloadConfig()
{
    // A file that does not read leaves the units read last in place: a
    // reading never switches to another unit because of a typing error.
    configManager.load();
    texts.clear();
    const QString problem = configManager.lastError();
    if (problem == configProblem)
        return;
    if (problem.isEmpty())
        LOG4CPLUS_INFO_FMT(logger, "%s reads again", KELVO_QS(configManager.configFile()));
    else
        LOG4CPLUS_WARN_FMT(logger, "the units read last stay: %s", KELVO_QS(problem));
    configProblem = problem;
    emit notice(noticeText(problem));
}

QString PLXDataHandler::noticeText(const QString &problem)
{
    if (problem.isEmpty())
        return QString();
    return problem + QStringLiteral("; the units read last stay in use");
}

const PLXDataHandler::SensorText &PLXDataHandler::sensorText(int address, int instance)
{
    const int key = (address << 6) | instance;
    auto it = texts.find(key);
    if (it != texts.end())
        return *it;
    SensorText t;
    t.name = PLXStreamDecoder::resultName(address, instance).toStdString();
    QString display;
    if (const PLXSensorDefinition *def = configManager.definition(address))
        display = def->name;
    else
        display = QStringLiteral("Sensor_") + QString::number(address);
    display += QStringLiteral(" #") + QString::number(instance);
    t.displayName = Latin1::toStd(display);
    if (const PLXSensorConf *conf = configManager.findConf(address, instance)) {
        t.unitNum = conf->unitNum;
        t.unit = Latin1::toStd(conf->unitName);
    }
    return *texts.insert(key, t);
}

void PLXDataHandler::fillResult(const PLXStreamDecoder::Record &record, CJobResult &result)
{
    const SensorText &t = sensorText(record.address, record.instance);
    const double value = PLXStreamDecoder::convertValue(record.address, t.unitNum, record.data);
    result.name = t.name;
    result.displayName = t.displayName;
    result.comment = t.displayName;
    ExtSourceResult::setReal(result, value);
    result.unit = t.unit;
    LOG4CPLUS_TRACE_FMT(logger, "addr:%d,instance:%d,data:%d, dataval:%f,unitName:%s", record.address,
                        record.instance, record.data, value, t.unit.c_str());
}

void PLXDataHandler::fillJobResult(const QByteArray &record, CJobResult &result)
{
    // The record's five bytes, read as the second to sixth of a frame.
    fillResult(PLXStreamDecoder::record(QByteArray(1, char(PLXStreamDecoder::Start)) + record, 0), result);
}

void PLXDataHandler::onDataReceived(QByteArray &data, CJob &job, bool &valid)
{
    LOG4CPLUS_DEBUG_FMT(logger, "onDataReceived, length:%d '%s'", data.size(), data.toHex().constData());
    if (configChanged.exchange(false))
        reloadConfig();
    job.jobName = JobName;
    job.timeStamp = QDateTime::currentMSecsSinceEpoch();

    QByteArray frame;
    const bool complete = decoder.feed(data, frame);
    data.clear();
    if (!complete) {
        LOG4CPLUS_TRACE_FMT(logger, "data NOT valid:'%s'", decoder.pending().toHex().constData());
        valid = false;
        return;
    }
    LOG4CPLUS_TRACE_FMT(logger, "data valid:'%s'", frame.toHex().constData());

    const bool missing = configMissing;
    const int count = PLXStreamDecoder::recordCount(frame);
    // Filled in place: a result is over a kilobyte to copy.
    const int first = job.results.size();
    job.results.resize(first + count);
    for (int k = 0; k < count; ++k) {
        const PLXStreamDecoder::Record record = PLXStreamDecoder::record(frame, k);
        fillResult(record, job.results[first + k]);
        if (missing) {
            bool known = false;
            for (const PLXSensorConf &conf : discovered)
                known = known || (conf.address == record.address && conf.instance == record.instance);
            if (!known) {
                PLXSensorConf conf;
                conf.address = record.address;
                conf.instance = record.instance;
                discovered.append(conf);
                qDebug() << "got addr " << record.address << "got inst: " << record.instance;
            }
        }
    }
    if (missing && !discovered.isEmpty()) {
        // Cleared before the write: a delete reported while it is written
        // marks the file missing again and is not lost.
        configMissing = false;
        if (configManager.writeConfig(discovered)) {
            reloadConfig();
        } else {
            configMissing = true;
        }
    }
    valid = true;
}
