#pragma once
// The EDIABAS side of the CAN bridge: reads the telegrams EDIABAS writes
// to its serial port (EdTelegramFramer), echoes each one back as the
// K-line interface EDIABAS expects would, and hands it to the CAN side
// (toPrxy, connected directly to CANTranslator::inProxy). Answers from the
// CAN side arrive through fromProxy() from the translator's thread and are
// written to EDIABAS by this worker's loop.
#include "bridgeworker.h"

class EdPort : public BridgeWorker
{
    Q_OBJECT
public:
    explicit EdPort(const QString &portName, QObject *parent = nullptr);

signals:
    void toPrxy(QByteArray arr);

public slots:
    void startLoop();
    // Any thread: the bytes go to EDIABAS from this worker's loop.
    void fromProxy(QByteArray arr);
};
