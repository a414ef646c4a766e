#pragma once
// The decoder side of a serial device that a QExtRunnerThread reads: the
// reader opens the port from the handler's settings and hands it what
// arrives; the handler turns those bytes into a pseudo job. A handler class
// derives from QObject first and from this interface second, and names it
// in Q_INTERFACES, so qobject_cast<ExtSourceDataHandler *> finds it.
#include "cjob.h"
#include "serialportsettings.h"

#include <QByteArray>
#include <QObject>

class ExtSourceDataHandler
{
public:
    virtual ~ExtSourceDataHandler() = default;

    // The handler's own port parameters; the reader copies them once,
    // before it opens the port.
    virtual SerialPortSettings &serialSettings() = 0;
    // Runs in the reader's thread. Fills job (job name, time stamp,
    // results) and sets valid when a complete reading was decoded; may
    // consume data.
    virtual void onDataReceived(QByteArray &data, CJob &job, bool &valid) = 0;
};

#define ExtSourceDataHandler_iid "org.kelvo.ExtSourceDataHandler"
Q_DECLARE_INTERFACE(ExtSourceDataHandler, ExtSourceDataHandler_iid)
