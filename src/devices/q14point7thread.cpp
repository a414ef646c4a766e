#include "q14point7thread.h"

#include "extsourcefailure.h"
#include "extsourceresult.h"
#include "kelvosettings.h"
#include "latin1.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <cmath>
#include <cstring>

namespace {
const double DefaultLambdaToAfr = 14.7;
// A pause longer than a minute is a typing error, not a timing.
const int MaxPauseMs = 60000;
} // namespace

Q14Point7Thread::Q14Point7Thread(QString jobName, QObject *parent)
    : QObject(parent)
    , name(std::move(jobName))
    , logger(KelvoLog::get("qextrunnerthread"))
{
    LOG4CPLUS_DEBUG(logger, "Q14Point7 started");
    qRegisterMetaType<Q14point7TimingSettings>("Q14point7TimingSettings");
    connect(&reader, &Q14Point7Reader::dataRead, this, &Q14Point7Thread::onDataRead);
    connect(&reader, &Q14Point7Reader::error, this, &Q14Point7Thread::onReaderError);
    // The Windows default "COM1" cannot be opened on Linux.
    SerialPortSettings settings;
    settings.name = QStringLiteral("/dev/ttyUSB0");
    settings.baudRate = 14400;
    settings.dataBits = 8;
    settings.parity = 0;
    settings.stopBits = 1;
    settings.flowControl = 0;
    reader.setSerialSettings(settings);

    QString replaced;
    pauseInit = KelvoSettings::intValue(QStringLiteral("14point7/pause_init"), 100, 0, MaxPauseMs, &replaced);
    LOG4CPLUS_DEBUG_FMT(logger, "pause between init bytes:%d", pauseInit);
    pauseData = KelvoSettings::intValue(QStringLiteral("14point7/pause_data"), 40, 0, MaxPauseMs, &replaced);
    if (!replaced.isNull())
        LOG4CPLUS_WARN_FMT(logger, "14point7/pause_data '%s' is no pause: %d ms used", KELVO_QS(replaced),
                           pauseData);
    LOG4CPLUS_DEBUG_FMT(logger, "pause between data request:%d", pauseData);
    timeoutRead = KelvoSettings::intValue(QStringLiteral("14point7/read_timeout"), 40, 0, MaxPauseMs);
    LOG4CPLUS_DEBUG_FMT(logger, "read timeout:%d", timeoutRead);
    {
        auto ini = KelvoSettings::open();
        const QString key = QStringLiteral("14point7/lambda2afr");
        if (ini->contains(key)) {
            bool ok = false;
            const double factor = ini->value(key).toDouble(&ok);
            // A factor that is no positive finite number would make every
            // AFR meaningless.
            if (ok && std::isfinite(factor) && factor > 0)
                lambda2afr = factor;
            else
                LOG4CPLUS_WARN_FMT(logger, "14point7/lambda2afr '%s' is no factor: %f used",
                                   KELVO_QS(ini->value(key).toString()), DefaultLambdaToAfr);
        }
    }
    LOG4CPLUS_DEBUG_FMT(logger, "lambda2afr conversion:%f", lambda2afr);
    reader.setDataPause(pauseData);
}

Q14Point7Thread::~Q14Point7Thread()
{
    LOG4CPLUS_DEBUG(logger, "~Q14Point7()");
    reader.stop();
}

void Q14Point7Thread::onTimingSettingsChanged(Q14point7TimingSettings settings)
{
    LOG4CPLUS_DEBUG_FMT(logger, "Timingsettings changed: dataPause:%d, readTimeout:%d", settings.dataPause,
                        settings.readTimeout);
    // Stored only: the running reader keeps its pause.
    pauseData = settings.dataPause;
    timeoutRead = settings.readTimeout;
}

void Q14Point7Thread::start()
{
    reader.start();
}

bool Q14Point7Thread::isRunning() const
{
    return reader.isOpen();
}

void Q14Point7Thread::stop()
{
    LOG4CPLUS_DEBUG(logger, "Q14Point7Reader: stop");
    reader.stop();
}

void Q14Point7Thread::onReaderError(const QString &message)
{
    LOG4CPLUS_ERROR_FMT(logger, "%s: %s", KELVO_QS(name), KELVO_QS(message));
    emit jobFinished(ExtSourceFailure::fromStreamError(name, reader.serialSettings().name, message),
                     ExtSourceFailure::Result);
}

float Q14Point7Thread::sensorValue(const QByteArray &message)
{
    if (message.size() < 4)
        return 0.0f;
    const quint32 bits = (quint32(quint8(message.at(0))) << 24) | (quint32(quint8(message.at(1))) << 16)
        | (quint32(quint8(message.at(2))) << 8) | quint32(quint8(message.at(3)));
    float x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

double Q14Point7Thread::afr(float raw, double lambdaToAfr)
{
    // In double: a huge x squared stays finite.
    double x = raw;
    if (x < -57.0)
        x = -57.0;
    double lambda;
    if (x <= 0) {
        lambda = 2.692e-05 * x * x + 0.006872 * x + 0.9966;
    } else {
        double o2 = 0.002976 * x - 3.59e-06 * x * x - 0.0001117;
        if (o2 > 0.209)
            o2 = 0.209;
        lambda = (1 + o2 / 3) / (1 - 4.76 * o2);
    }
    return lambda * lambdaToAfr;
}

CJobResult Q14Point7Thread::getBoost(const QByteArray &message) const
{
    CJobResult result;
    result.name = "BOOST";
    result.displayName = "BOOST";
    const int raw = message.size() > 17 ? quint8(message.at(17)) : 0;
    // Worked out in double, kept in single precision.
    const float boost = float(raw * 0.28431 - 14.5);
    LOG4CPLUS_TRACE_FMT(logger, "boost val:%4.2f", double(boost));
    ExtSourceResult::setReal(result, double(boost));
    return result;
}

CJobResult Q14Point7Thread::getAFR(const QByteArray &message) const
{
    CJobResult result;
    result.name = "AFR";
    result.displayName = "AFR";
    LOG4CPLUS_TRACE_FMT(logger, "AFR bytes 1-2-3-4:%s", message.left(4).toHex().constData());
    const float x = sensorValue(message);
    LOG4CPLUS_TRACE_FMT(logger, "AFR bytes converted to float:%3.3f", double(x));
    const double value = afr(x, lambda2afr);
    LOG4CPLUS_TRACE_FMT(logger, "AFR actual:%4.2f", value);
    ExtSourceResult::setReal(result, value);
    return result;
}

void Q14Point7Thread::onDataRead(QByteArray message)
{
    LOG4CPLUS_TRACE_FMT(logger, "read msg: '%s'", message.toHex().constData());
    if (message.size() != Q14Point7Reader::MessageSize)
        return;
    // An x that is no number gives no lambda: no reading.
    if (!std::isfinite(sensorValue(message))) {
        LOG4CPLUS_DEBUG_FMT(logger, "message without a sensor value dropped: %s", message.toHex().constData());
        return;
    }
    QElapsedTimer timer;
    timer.start();
    CJob job;
    job.jobName = Latin1::toStd(name);
    job.timeStamp = QDateTime::currentMSecsSinceEpoch();
    job.results.reserve(3);
    CJobResult raw;
    raw.name = "RAWDATA_AS_HEX";
    raw.displayName = "RAWDATA_AS_HEX";
    ExtSourceResult::setHex(raw, message);
    job.addResult(raw);
    job.addResult(getBoost(message));
    job.addResult(getAFR(message));
    job.duration = timer.elapsed();
    emit jobFinished(job, 0);
}
