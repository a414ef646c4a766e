#pragma once
// Reads the gauge definitions and gauge screens below "gauges" (one
// directory per ECU) once and answers look-ups by ECU and name. For an ECU
// with several entries the one loaded last comes first.
#include "gaugedef.h"
#include "gaugescreenconf.h"
#include "kelvolog.h"

#include <QMultiMap>
#include <QObject>
#include <QStringList>

class GaugeDefManager : public QObject
{
    Q_OBJECT
public:
    // The process-wide manager; the first call creates and loads it.
    static GaugeDefManager *instance(QObject *parent = nullptr);

    explicit GaugeDefManager(QObject *parent = nullptr);
    ~GaugeDefManager() override;

    bool reload();
    bool loadDefs();
    bool loadScreens();

    QList<GaugeDef> gaugeDefs(const QString &ecu) const;
    bool getSingleDef(const QString &ecu, const QString &name, GaugeDef *out) const;
    QList<GaugeScreenConf> gaugeScreens(const QString &ecu) const;
    bool getSingleScreen(const QString &ecu, const QString &name, GaugeScreenConf *out) const;
    QStringList ecuNames() const;
    QStringList readScreenConfDefs(const QString &path) const;

private:
    QStringList ecuDirectories() const;

    QMultiMap<QString, GaugeDef> defs;
    QMultiMap<QString, GaugeScreenConf> screens;
    log4cplus::Logger logger;
};
