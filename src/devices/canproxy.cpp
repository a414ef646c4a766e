#include "canproxy.h"

#include "cantranslator.h"
#include "edport.h"
#include "kelvosettings.h"

#include <QDebug>
#include <QSettings>
#include <QThread>

namespace {
// Where EDIABAS keeps its interface settings, in the working directory.
const char *const ObdIni = "ediabas/obd.ini";
} // namespace

CANProxy::CANProxy(QObject *parent)
    : QObject(parent)
    , logger(KelvoLog::get("proxy"))
{
    auto settings = KelvoSettings::open();
    edPortName = settings->value(QStringLiteral("usb/ediabas")).toString();
    usbPortName = settings->value(QStringLiteral("usb/usb")).toString();
    if (edPortName.isEmpty())
        edPortName = QStringLiteral("/dev/ttyUSB5");
    if (usbPortName.isEmpty())
        usbPortName = QStringLiteral("/dev/ttyUSB19");
    qDebug() << " canproxy: obd port:" << obdIniPort();
}

CANProxy::~CANProxy()
{
    stop();
}

QString CANProxy::obdIniPort()
{
    QSettings ini(QString::fromLatin1(ObdIni), QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    return ini.value(QStringLiteral("OBD/Port")).toString();
}

void CANProxy::start()
{
    if (started)
        stop();
    edThread = new QThread;
    usbThread = new QThread;
    edThread->setObjectName(QStringLiteral("canBridgeEdiabas"));
    usbThread->setObjectName(QStringLiteral("canBridgeUsb"));
    ed = new EdPort(edPortName);
    trans = new CANTranslator(usbPortName);
    ed->moveToThread(edThread);
    trans->moveToThread(usbThread);
    connect(ed, &EdPort::connected, this, &CANProxy::edConn);
    connect(trans, &CANTranslator::connected, this, &CANProxy::transConn);
    connect(ed, &EdPort::error, this, &CANProxy::edErr);
    connect(trans, &CANTranslator::error, this, &CANProxy::transErr);
    connect(trans, &CANTranslator::answered, this, &CANProxy::usbAnswers);
    connect(edThread, &QThread::started, ed, &EdPort::startLoop);
    connect(usbThread, &QThread::started, trans, &CANTranslator::startLoop);
    // Both loops block in their threads: the telegrams cross by direct
    // calls that hand them over under the receiving worker's mutex.
    connect(ed, &EdPort::toPrxy, trans, &CANTranslator::inProxy, Qt::DirectConnection);
    connect(trans, &CANTranslator::fromPrxy, ed, &EdPort::fromProxy, Qt::DirectConnection);
    edThread->start();
    usbThread->start();
    qDebug() << "CANProxy: Thread id:" << QThread::currentThreadId();
    started = true;
}

void CANProxy::stop()
{
    if (!started)
        return;
    ed->stop();
    trans->stop();
    // Each loop sees its flag within one short wait, closes its port and
    // returns; then the thread's event loop ends.
    for (QThread *t : {edThread, usbThread}) {
        t->quit();
        t->wait();
    }
    delete ed;
    delete trans;
    delete edThread;
    delete usbThread;
    ed = nullptr;
    trans = nullptr;
    edThread = usbThread = nullptr;
    started = false;
}

void CANProxy::sendToUsb(const QByteArray &bytes)
{
    if (!trans) {
        LOG4CPLUS_WARN_FMT(logger, "bridge not started: %s not sent", bytes.constData());
        return;
    }
    trans->sendRaw(bytes);
}
