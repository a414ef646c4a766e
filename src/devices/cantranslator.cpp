#include "cantranslator.h"

#include "canserial.h"
#include "extlinecollector.h"
#include "serialportloss.h"
#include "serialwait.h"

#include <QDebug>
#include <QSerialPort>

namespace {
const int TesterId = CANTransport::EcuIdBase + CANTransport::TesterAddress;

// The adapter ends a refusal with a BELL where an answer ends with "\r":
// each BELL closes a line of its own, so that it is read in its turn.
QByteArray bellsEndLines(QByteArray bytes)
{
    return bytes.replace('\a', QByteArrayLiteral("\a\r"));
}

bool isFrameLine(const QByteArray &line)
{
    const char c = line.at(0);
    return c == 't' || c == 'T' || c == 'r' || c == 'R';
}
} // namespace

CANTranslator::CANTranslator(const QString &portName, QObject *parent)
    : BridgeWorker(portName, parent)
{
}

QByteArray CANTranslator::initCommands()
{
    // Close, acceptance code and mask, error flags cleared, 500 kbit/s, open.
    return QByteArrayLiteral("\rC\rMC2400000\rm3DBF0000\rW2D00\rS6\rO\r");
}

QByteArray CANTranslator::flowControl(quint8 ecu)
{
    // Continue to send, no block limit, 2 ms between frames, four fillers.
    CANFrame fc;
    fc.identifier = quint16(TesterId);
    fc.data = QByteArray::fromRawData("\0\x30\0\x02\0\0\0\0", 8);
    fc.data.detach();
    fc.data[0] = char(ecu);
    fc.length = 8;
    return fc.toSlcan() + '\r';
}

QString CANTranslator::answerText(const QByteArray &line)
{
    if (line == "\a")
        return QStringLiteral("refused (BEL)");
    QString text;
    for (const char c : line) {
        const uchar b = uchar(c);
        if (b >= 0x20 && b < 0x7F)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(uint(b), 2, 16, QLatin1Char('0'));
    }
    return text;
}

void CANTranslator::inProxy(QByteArray arr)
{
    handOver(Telegram, arr);
}

void CANTranslator::sendRaw(QByteArray bytes)
{
    handOver(Raw, bytes);
}

void CANTranslator::startOk()
{
    qDebug() << "trans: startOK";
}

void CANTranslator::send(QSerialPort &port, const HandOver &h)
{
    if (h.kind == Raw) {
        LOG4CPLUS_DEBUG_FMT(logger, "writeUsb:%s", h.bytes.constData());
        if (!CanSerial::write(port, h.bytes))
            LOG4CPLUS_ERROR(logger, "CANtrans: write failed");
        return;
    }
    LOG4CPLUS_DEBUG_FMT(logger, "inProxy:%s", h.bytes.toHex().constData());
    const QList<CANFrame> frames = CANTransport::split(h.bytes);
    if (frames.isEmpty())
        LOG4CPLUS_WARN_FMT(logger, "CANtrans: not a telegram: %s", h.bytes.toHex().constData());
    // All frames at once: the adapter queues them, the ECU's flow control
    // is not waited for.
    for (const CANFrame &frame : frames) {
        LOG4CPLUS_DEBUG_FMT(logger, "frame:%s", KELVO_QS(frame.debugText()));
        const QByteArray line = frame.toSlcan();
        LOG4CPLUS_DEBUG_FMT(logger, "CANtrans: send:%s", line.constData());
        if (!CanSerial::write(port, line + '\r'))
            LOG4CPLUS_ERROR(logger, "CANtrans: write failed");
    }
}

void CANTranslator::handleLine(QSerialPort &port, QByteArray line, QStringList &answers)
{
    // The adapter acknowledges every frame it sent with "z".
    int acks = 0;
    while (acks < line.size() && (line.at(acks) == 'z' || line.at(acks) == 'Z'))
        ++acks;
    line.remove(0, acks);
    if (line.isEmpty())
        return;
    if (!isFrameLine(line)) {
        LOG4CPLUS_DEBUG_FMT(logger, "CANTrans: adapter answered: %s", line.toHex().constData());
        answers << answerText(line);
        return;
    }
    CANFrame frame;
    if (!CANFrame::parse(line, frame)) {
        LOG4CPLUS_TRACE_FMT(logger, "CANtrans: not a frame: %s", line.toHex().constData());
        return;
    }
    if (frame.identifier < CANTransport::EcuIdBase || frame.identifier > CANTransport::EcuIdBase + 0xFF
        || frame.identifier == TesterId)
        return;
    const int outcome = transport.reassemble(frame);
    if (outcome == CANTransport::Rejected) {
        LOG4CPLUS_WARN_FMT(logger, "CANtrans: %s: %s", line.constData(), KELVO_QS(transport.lastError()));
        return;
    }
    const bool firstFrame = (uchar(frame.data.at(1)) >> 4) == 1;
    if (firstFrame && outcome == CANTransport::Pending) {
        LOG4CPLUS_DEBUG(logger, "ctrl frame");
        if (!CanSerial::write(port, flowControl(quint8(frame.identifier - CANTransport::EcuIdBase))))
            LOG4CPLUS_ERROR(logger, "CANtrans: flow control not written");
    }
    if (outcome == CANTransport::Complete) {
        LOG4CPLUS_DEBUG_FMT(logger, ">emit fromPrxy:%s", transport.telegram().toHex().constData());
        emit fromPrxy(transport.telegram());
        LOG4CPLUS_DEBUG(logger, "<emit fromPrxy");
    }
}

void CANTranslator::startLoop()
{
    LOG4CPLUS_DEBUG(logger, "CANTrans: startLoop");
    {
        QSerialPort port;
        QString why;
        if (stopRequested || !CanSerial::open(port, name, logger, &why)) {
            if (!stopRequested) {
                LOG4CPLUS_ERROR_FMT(logger, "CANTrans: port %s open failed", KELVO_QS(name));
                emit error(QStringLiteral("port:") + name + QStringLiteral(" not opened: ") + why);
            }
            loopEnded();
            return;
        }
        CanSerial::write(port, initCommands());
        port.waitForReadyRead(LoopWaitMs);
        const QByteArray answers = port.readAll();
        LOG4CPLUS_DEBUG_FMT(logger, "CANTrans: init read: %s", answers.toHex().constData());
        running = true;
        emit connected();
        ExtLineCollector lines(CANFrame::MaxLine, ExtLineCollector::FirstLineKept);
        lines.feed(bellsEndLines(answers));
        bool lost = false;
        while (!stopRequested) {
            for (const HandOver &h : takeHandOvers())
                send(port, h);
            QByteArray line;
            QStringList said;
            while (lines.takeLine(line))
                handleLine(port, line, said);
            if (!said.isEmpty())
                emit answered(said);
            if (const int dropped = lines.takeOverlongCount())
                LOG4CPLUS_WARN_FMT(logger, "CANtrans: dropped %d overlong line(s)", dropped);
            const SerialWait::Result w = SerialWait::wait(port, LoopWaitMs, stopRequested, LoopWaitMs);
            if (w == SerialWait::Lost) {
                const QString reason = SerialPortLoss::reasonOf(port);
                LOG4CPLUS_ERROR_FMT(logger, "CANtrans: port %s lost: %s", KELVO_QS(name), KELVO_QS(reason));
                emit error(QStringLiteral("port:") + name + QStringLiteral(" lost: ") + reason);
                lost = true;
                break;
            }
            if (w == SerialWait::Data) {
                const QByteArray bytes = port.readAll();
                LOG4CPLUS_TRACE_FMT(logger, "usb recv:%s", bytes.constData());
                lines.feed(bellsEndLines(bytes));
            }
        }
        if (!lost)
            CanSerial::closeChannel(port);
        qDebug() << " TRANS: out of while";
    }
    loopEnded();
}
