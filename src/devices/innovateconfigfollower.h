#pragma once
// Keeps an Innovate source's configuration up to date with its files: a
// change on disk (by hand, or by the configuration form) or an announced
// change marks it stale, and the source reads it again before its next
// packet. While a file does not read, the configuration keeps what it last
// read; notice() says so once, with the reason, and is emptied once the
// files read again. The serial/USB source and the MTS source share it.
#include "kelvolog.h"

#include <QObject>
#include <QString>

class InnovateMTSExtConfig;

class InnovateConfigFollower : public QObject
{
    Q_OBJECT
public:
    // Watches config's files from now on; sourceName heads the log lines.
    InnovateConfigFollower(InnovateMTSExtConfig &config, const QString &sourceName, QObject *parent = nullptr);

    // The configuration is to be read again before the next packet.
    void markStale() { stale = true; }
    // Reads the configuration again when it is stale; true when it did and
    // every file read.
    bool refresh();
    // Reads the configuration now.
    void reload();
    // Tells what the last read of the configuration left unread, if that
    // changed since it was last told.
    void noteReadError();

signals:
    void notice(QString text);

private:
    InnovateMTSExtConfig &config;
    QString source;
    log4cplus::Logger logger;
    bool stale = false;
    QString reported;
};
