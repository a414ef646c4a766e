#include "canadapter.h"

#include "canserial.h"
#include "extlinecollector.h"
#include "extsourcefailure.h"
#include "kelvoglobaldata.h"
#include "latin1.h"
#include "serialportloss.h"
#include "serialwait.h"
#include "tsanannotate.h"

#include <QDateTime>
#include <QDebug>
#include <QElapsedTimer>
#include <QSerialPort>

CANAdapter::CANAdapter(const QString &adapterName, QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("can"))
    , name(adapterName)
{
    job.jobName = Latin1::toStd(name);
}

CANAdapter::~CANAdapter()
{
    qDebug() << "~CANAAdapter";
    stop();
}

const QList<QByteArray> &CANAdapter::initGroups()
{
    // Acceptance masks compare the low 7 bits of the standard identifier;
    // the filters let 0x0AA, 0x0CE and 0x1A0 through (MCP2515 registers:
    // identifier bits 10..3 in the high register, 2..0 in bits 7..5 of the
    // low one).
    static const QList<QByteArray> groups = {
        "\rC\rZ1\r",
        "W2D00\rW200f\rW21e0\rW2200\rW2300\r",
        "W0015\rW0140\rW0200\rW0300\r",
        "W0419\rW05c0\rW0600\rW0700\r",
        "W240f\rW25e0\rW2600\rW2700\r",
        "W0815\rW0940\rW0a00\rW0b00\r",
        "W1019\rW11c0\rW1200\rW1300\r",
        "W1434\rW1500\rW1600\rW1700\r",
        "W1834\rW1900\rW1a00\rW1b00\r",
        "S6\r",
        "O\r",
    };
    return groups;
}

void CANAdapter::setStartTimeReceiver(QObject *receiver)
{
    startTimeReceiver = receiver;
    if (!receiver)
        return;
    if (receiver->metaObject()->indexOfSlot("setStartTime(qint64)") < 0) {
        LOG4CPLUS_ERROR(logger, "the start-time receiver has no setStartTime(qint64)");
        return;
    }
    // Runs in the receiver's thread; the time crosses as the signed number
    // the plot window takes.
    connect(this, &CANAdapter::usbTinStartTimeChanged, receiver, [receiver](quint64 time) {
        QMetaObject::invokeMethod(receiver, "setStartTime", Qt::DirectConnection, Q_ARG(qint64, qint64(time)));
    });
}

void CANAdapter::start()
{
}

void CANAdapter::stop()
{
    LOG4CPLUS_DEBUG(logger, "CANAdapter::stop()");
    stopRequested = true;
}

void CANAdapter::portFailed(const QString &text)
{
    ended = true;
    emit jobFinished(ExtSourceFailure::job(Latin1::toQString(job.jobName), text), ExtSourceFailure::Result);
}

void CANAdapter::initialise(QSerialPort &port)
{
    const QList<QByteArray> &groups = initGroups();
    for (int i = 0; i < groups.size(); ++i) {
        const bool late = i >= groups.size() - 3;
        port.write(groups.at(i));
        port.waitForBytesWritten(late ? LastGroupWaitMs : GroupWaitMs);
    }
}

void CANAdapter::startLoop()
{
    // Pairs with the acquire of whoever waits for this thread.
    struct Ended
    {
        CANAdapter *adapter;
        ~Ended()
        {
            adapter->ended = true;
            KELVO_TSAN_RELEASE(adapter);
        }
    } loopEnded{this};
    LOG4CPLUS_DEBUG(logger, "canadapter: startLoop");
    LOG4CPLUS_DEBUG_FMT(logger, "canadapter: port %s", KELVO_QS(settings.name));
    if (stopRequested)
        return;
    QSerialPort port;
    QString why;
    if (!CanSerial::open(port, settings.name, logger, &why)) {
        LOG4CPLUS_ERROR_FMT(logger, "canadapter: port %s open failed", KELVO_QS(settings.name));
        emit error(QStringLiteral("port:") + settings.name + QStringLiteral(" not opened: ") + why);
        portFailed(ExtSourceFailure::openFailed(settings.name, why));
        return;
    }
    initialise(port);
    const QByteArray answers = port.readAll();
    LOG4CPLUS_DEBUG_FMT(logger, "canadapter: init read: %s", answers.toHex().constData());
    emit connected();
    listening = true;
    LOG4CPLUS_DEBUG_FMT(logger, "canadapter: timer type: %d", int(QElapsedTimer::clockType()));

    const qint64 loopStart = QDateTime::currentMSecsSinceEpoch();
    QElapsedTimer elapsed;
    elapsed.start();
    LOG4CPLUS_DEBUG(logger, "start loop");
    // Command answers ("\r", BELL) end lines of their own; no line is
    // dropped as the tail of one begun before the port opened.
    ExtLineCollector lines(CANFrame::MaxLine, ExtLineCollector::FirstLineKept);
    lines.feed(answers);
    bool lost = false;
    while (!stopRequested) {
        QByteArray line;
        while (lines.takeLine(line))
            handleLine(line, loopStart, elapsed.elapsed());
        if (const int dropped = lines.takeOverlongCount())
            LOG4CPLUS_WARN_FMT(logger, "dropped %d line(s) longer than %d characters", dropped, int(CANFrame::MaxLine));
        const SerialWait::Result w = SerialWait::wait(port, ReadWaitMs, stopRequested);
        if (w == SerialWait::Lost) {
            lost = true;
            break;
        }
        if (w == SerialWait::Timeout)
            LOG4CPLUS_TRACE(logger, "canadapter timeout in read");
        if (w == SerialWait::Data)
            lines.feed(port.readAll());
    }
    listening = false;
    if (lost) {
        const QString reason = SerialPortLoss::reasonOf(port);
        LOG4CPLUS_ERROR_FMT(logger, "canadapter: port %s lost: %s", KELVO_QS(settings.name), KELVO_QS(reason));
        port.close();
        emit error(QStringLiteral("port:") + settings.name + QStringLiteral(" lost: ") + reason);
        portFailed(ExtSourceFailure::lost(reason));
        return;
    }
    CanSerial::closeChannel(port);
    port.close();
    LOG4CPLUS_DEBUG(logger, "canadapter: loop ended, channel closed");
}

void CANAdapter::handleLine(const QByteArray &line, qint64 loopStart, qint64 elapsed)
{
    LOG4CPLUS_TRACE_FMT(logger, "usb recv:%s,elapsed:%lld", line.constData(), (long long)(elapsed & 0xFFFF));
    if (!decoder.takeLine(line)) {
        LOG4CPLUS_TRACE_FMT(logger, "not a stamped frame: '%s'", line.toHex().constData());
        return;
    }
    LOG4CPLUS_TRACE_FMT(logger, "frame ts:%d", int(decoder.lastFrame().timeStamp));
    if (startTime == 0) {
        startTime = quint64(loopStart + elapsed);
        KelvoGlobalData *global = KelvoGlobalData::instance();
        global->setCanAdapterStartTime(qint64(startTime));
        LOG4CPLUS_DEBUG_FMT(logger, "usbTinStart=%llu, diff to kelvoStart:%lld", (unsigned long long)startTime,
                            (long long)(qint64(startTime) - global->startTime()));
        emit usbTinStartTimeChanged(startTime);
    }
    job.timeStamp = qint64(startTime + (decoder.unwrappedTime() - decoder.firstTime()));
    decoder.fillJob(job);
    LOG4CPLUS_TRACE_FMT(logger, "lastExecTime=%lld, usbTinTimeFromstart:%llu", (long long)job.timeStamp,
                        (unsigned long long)decoder.unwrappedTime());
    emit jobFinished(job, 0);
}
