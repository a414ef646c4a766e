#pragma once
// The external source of an Innovate MTS chain on a serial port ("INNOVATE")
// or on the LM-2 USB link ("INNOVATE_USB"). Asks the chain for its device
// names (0xCE, 250 ms after construction) and types (0xF3, 500 ms later),
// once each, and turns every data packet into one pseudo job: per device
// with an input configuration one real result per input, in the unit the
// configuration chooses; a device of a known type without one gets a
// default configuration written (results from the next packet on); a
// device of an unknown type gives "STAT_UNKNOWN". A port that does not open
// gives one job with result 349 "failed to open port <port>: <reason>", a
// port lost while open one with 349 "port lost: <reason>". Lives in the GUI
// thread.
//
// The configuration files are watched: a change on disk, by hand or by the
// configuration form, is read before the next packet. While a file does not
// read, the last good configuration stays in use and notice() says so once,
// with the reason; once the files read again, notice() is emptied.
#include "cjob.h"
#include "deviceinputconfig.h"
#include "innovateconfigfollower.h"
#include "innovatemtspacket.h"
#include "innovatestreamhandler.h"
#include "kelvolog.h"
#include "serialportsettings.h"
#include "unitconverter.h"

#include <QObject>
#include <QHash>
#include <QSet>
#include <QVector>
#include <QStringList>
#include <QTimer>

class InnovateMTSExtConfig;

class InnovateDataHandler : public QObject
{
    Q_OBJECT
public:
    explicit InnovateDataHandler(QString name, QObject *parent = nullptr);
    ~InnovateDataHandler() override;

    SerialPortSettings serialSettings() const { return stream.serialSettings(); }
    void setSerialSettings(const SerialPortSettings &settings) { stream.setSerialSettings(settings); }
    InnovateStreamHandler &streamHandler() { return stream; }
    // True while the port (or the LM-2) is open and read.
    Q_INVOKABLE bool isRunning() const;
    QStringList deviceNames() const { return devNames; }
    QStringList deviceTypes() const { return devTypes; }

public slots:
    void start();
    void stop();
    void setUSB(bool USB);
    void configChanged();
    void queryTimer();
    void onMTSPacketRead(InnovateMTSPacket packet);

signals:
    void jobFinished(CJob job, int result);
    // For the plot window's status line: what keeps the configuration from
    // reading, empty once it reads.
    void notice(QString text);

private slots:
    void onStreamError(const QString &message);

private:
    // What an input's result carries besides its value, kept until the
    // configuration is read again: made anew for every packet, the texts
    // would cost more than the values.
    struct InputText
    {
        bool configured = false;
        std::string name;
        std::string displayName;
        std::string unit;
        // Both set: the value is converted from the one to the other.
        int convertFrom = UnitConverter::NoUnit;
        int convertTo = UnitConverter::NoUnit;
    };
    // Indexed by input number - 1.
    const QVector<InputText> &inputTexts(const QString &deviceName, const DeviceInputConfig &device);
    void fillJobResultsForDevice(CJob &job, const QString &deviceName, const InnovateMTSPacket &packet,
                                 int &packetInd);
    void takeDeviceNames(const InnovateMTSPacket &packet);

    InnovateStreamHandler stream;
    QString name;
    log4cplus::Logger logger;
    InnovateMTSExtConfig *config;
    QStringList devTypes;
    QStringList devNames;
    InnovateMTSPacket ceReply;
    InnovateMTSPacket f3Reply;
    bool ceSent = false;
    bool f3Sent = false;
    bool isUSB = false;
    const QString letters = QStringLiteral("abcdefghijklmn");
    InnovateConfigFollower follower;
    // Devices a default configuration was tried for, once each.
    QSet<QString> configTried;
    QTimer queries;
    UnitConverter converter;
    const std::string jobName;
    QHash<QString, QVector<InputText>> texts;
    quint64 textsGeneration = 0;
};
