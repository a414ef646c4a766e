#pragma once
// The external source of a 14Point7 controller ("14point7 SLC PP2"): owns a
// Q14Point7Reader and turns every data message of exactly 21 bytes into one
// pseudo job with the results "RAWDATA_AS_HEX", "BOOST" and "AFR". A plain
// object in the thread that created it (the GUI thread), in spite of its
// name. A port that does not open, or fails while open, gives one job with
// result 349 that says why. The "14point7/..." keys of "kelvo.ini" are read once, at
// construction.
#include "cjob.h"
#include "cjobresult.h"
#include "kelvolog.h"
#include "q14point7reader.h"
#include "q14point7timingsettings.h"
#include "serialportsettings.h"

#include <QObject>
#include <QString>

class Q14Point7Thread : public QObject
{
    Q_OBJECT
public:
    explicit Q14Point7Thread(QString name, QObject *parent = nullptr);
    ~Q14Point7Thread() override;

    void setSerialSettings(const SerialPortSettings &settings) { reader.setSerialSettings(settings); }
    SerialPortSettings serialSettings() const { return reader.serialSettings(); }
    Q14Point7Reader &streamReader() { return reader; }
    // True while its port is open and the exchange runs.
    Q_INVOKABLE bool isRunning() const;
    double lambdaToAfr() const { return lambda2afr; }
    int dataPause() const { return pauseData; }
    int readTimeout() const { return timeoutRead; }

    // The raw sensor value of a message: the big-endian single in bytes 0..3.
    static float sensorValue(const QByteArray &message);
    CJobResult getBoost(const QByteArray &message) const;
    CJobResult getAFR(const QByteArray &message) const;
    // The air/fuel ratio of a raw sensor value with the factor.
    static double afr(float x, double lambdaToAfr);

signals:
    void jobFinished(CJob job, int result);

public slots:
    void onTimingSettingsChanged(Q14point7TimingSettings settings);
    void onDataRead(QByteArray message);
    void start();
    void stop();

private slots:
    void onReaderError(const QString &message);

private:
    QString name;
    log4cplus::Logger logger;
    Q14Point7Reader reader;
    int pauseInit = 100;
    double lambda2afr = 14.7;
    int pauseData = 40;
    int timeoutRead = 40;
};
