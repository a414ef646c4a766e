#pragma once
// The external source of a TechEdge WBo2 controller ("TechEdge WBO2", job
// name "WBO2"): opens the port through its stream handler and logs what
// arrives. Its frames are not decoded, so no reading is ever emitted and
// the plot window stays empty; jobFinished carries only the result 349 of
// a port that does not open or is lost, with the reason. Lives in the GUI
// thread.
#include "cjob.h"
#include "serialportsettings.h"
#include "techedgewbo2streamhandler.h"

#include <QObject>
#include <QString>

class TechEdgeWBo2DataHandler : public QObject
{
    Q_OBJECT
public:
    explicit TechEdgeWBo2DataHandler(QString jobName, QObject *parent = nullptr);
    ~TechEdgeWBo2DataHandler() override;

    SerialPortSettings serialSettings() const { return stream.serialSettings(); }
    void setSerialSettings(const SerialPortSettings &settings) { stream.setSerialSettings(settings); }
    TechEdgeWBo2StreamHandler &streamHandler() { return stream; }
    // True while its port is open.
    Q_INVOKABLE bool isRunning() const;

signals:
    void jobFinished(CJob job, int result);

public slots:
    void start();
    void stop();
    void onPacketRead(QByteArray packet);

private slots:
    void onStreamError(const QString &message);

private:
    TechEdgeWBo2StreamHandler stream;
    QString name;
};
