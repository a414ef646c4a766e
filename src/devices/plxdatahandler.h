#pragma once
// Decodes the real-time stream of a PLX sensor hub into one pseudo job per
// frame, one real result per sensor record, in the unit the sensor
// configuration chooses. Read by a QExtRunnerThread in block mode: the
// last complete frame of each read block is decoded, a frame cut at the end
// of a block is completed by the next.
//
// The configuration file is watched; after a change the next frame uses
// the new units, and while it does not read, the units read last, and
// notice() says once why (emptied once the file reads again). While
// the file is missing, the next frame with sensors writes a new one
// listing every sensor seen so far once, in unit 0.
//
// onDataReceived runs in the reader's thread; the watch lives in the
// thread of the handler (the GUI thread) and only sets flags.
#include "extsourcedatahandler.h"
#include "filewatch.h"
#include "kelvolog.h"
#include "plxsensorconfigmanager.h"
#include "plxstreamdecoder.h"

#include <QHash>
#include <QObject>
#include <atomic>

class PLXDataHandler : public QObject, public ExtSourceDataHandler
{
    Q_OBJECT
    Q_INTERFACES(ExtSourceDataHandler)
public:
    explicit PLXDataHandler(QObject *parent = nullptr);
    ~PLXDataHandler() override;

    SerialPortSettings &serialSettings() override { return settings; }
    void setSerialSettings(const SerialPortSettings &s) { settings = s; }
    // The pseudo job the setup window opens a plot window on.
    static void fillJob(CJob &job);
    void onDataReceived(QByteArray &data, CJob &job, bool &valid) override;
    // One five-byte sensor record to one result, in its configured unit.
    void fillJobResult(const QByteArray &record, CJobResult &result);

    static double convertValue(int address, int unit, int raw)
    {
        return PLXStreamDecoder::convertValue(address, unit, raw);
    }
    static QByteArray resultName(int address, int instance)
    {
        return PLXStreamDecoder::resultName(address, instance);
    }
    bool isConfigMissing() const { return configMissing.load(); }
    // Why the configuration does not read, or empty; for a window opened
    // after the handler was made.
    QString configNotice() const { return noticeText(configProblem); }
    int droppedFrames() const { return decoder.droppedFrames(); }

signals:
    // What the user should know of the configuration; empty when all is well.
    void notice(QString text);

private:
    // What a sensor's results carry, kept until the configuration reloads.
    struct SensorText
    {
        std::string name;
        std::string displayName;
        std::string unit;
        int unitNum = 0;
    };
    void fillResult(const PLXStreamDecoder::Record &record, CJobResult &result);
    const SensorText &sensorText(int address, int instance);
    void reloadConfig();
    // The file changed, was replaced, deleted or made again.
    void fileChanged();
    static QString noticeText(const QString &problem);

    log4cplus::Logger logger;
    SerialPortSettings settings;
    PLXStreamDecoder decoder;
    PLXSensorConfigManager configManager;
    FileWatch watch;
    std::atomic<bool> configChanged{false};
    std::atomic<bool> configMissing{false};
    QList<PLXSensorConf> discovered;
    QHash<int, SensorText> texts;
    // Why the configuration did not read at the last reload, logged once.
    QString configProblem;
};
