#include "edport.h"

#include "canserial.h"
#include "edtelegramframer.h"
#include "serialportloss.h"
#include "serialwait.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QThread>

EdPort::EdPort(const QString &portName, QObject *parent)
    : BridgeWorker(portName, parent)
{
}

void EdPort::fromProxy(QByteArray arr)
{
    handOver(0, arr);
}

void EdPort::startLoop()
{
    qDebug() << "EdPort:" << name << " startLoop: Thread id:" << QThread::currentThreadId();
    {
        QSerialPort port;
        QString why;
        if (stopRequested || !CanSerial::open(port, name, logger, &why)) {
            if (!stopRequested)
                emit error(QStringLiteral("port ") + name + QStringLiteral(" not opened: ") + why);
            loopEnded();
            return;
        }
        running = true;
        emit connected();
        qDebug() << "EdPort: before while ";
        EdTelegramFramer framer;
        QElapsedTimer clock;
        clock.start();
        QList<QByteArray> telegrams;
        while (!stopRequested) {
            for (const HandOver &h : takeHandOvers()) {
                LOG4CPLUS_DEBUG_FMT(logger, "ed: fromProxy:%s", h.bytes.toHex().constData());
                if (!CanSerial::write(port, h.bytes))
                    LOG4CPLUS_ERROR(logger, "write failed");
            }
            const SerialWait::Result w = SerialWait::wait(port, LoopWaitMs, stopRequested, LoopWaitMs);
            if (w == SerialWait::Lost) {
                const QString reason = SerialPortLoss::reasonOf(port);
                LOG4CPLUS_ERROR_FMT(logger, "ed: port %s lost: %s", KELVO_QS(name), KELVO_QS(reason));
                emit error(QStringLiteral("port ") + name + QStringLiteral(" lost: ") + reason);
                break;
            }
            if (w == SerialWait::Data) {
                const QByteArray bytes = port.readAll();
                LOG4CPLUS_TRACE_FMT(logger, "ed read:%s", bytes.toHex().constData());
                framer.feed(bytes, clock.elapsed(), telegrams);
            } else {
                framer.expire(clock.elapsed());
            }
            for (const QString &why : framer.takeDropped())
                LOG4CPLUS_WARN_FMT(logger, "ed: dropped %s", KELVO_QS(why));
            for (const QByteArray &telegram : telegrams) {
                LOG4CPLUS_DEBUG_FMT(logger, "ed msg:%s,len:%d", telegram.toHex().constData(), telegram.size());
                LOG4CPLUS_DEBUG_FMT(logger, "echo:%s", telegram.toHex().constData());
                // EDIABAS reads its own telegram back before the answer.
                if (!CanSerial::write(port, telegram))
                    LOG4CPLUS_ERROR(logger, "write failed");
                emit toPrxy(telegram);
            }
            telegrams.clear();
        }
        qDebug() << " ED: out of while";
    }
    loopEnded();
}
