#pragma once
// Turns the text lines of an AEM gauge (wideband air/fuel ratio or boost)
// into pseudo jobs: the first TAB-separated field is the value, and the
// whole line comes along in hexadecimal as "rawdata". A line whose first
// field is no finite single-precision number gives no job. Read by a
// QExtRunnerThread in line mode, which hands over one line at a time
// without its "\r" and "\n". The setup window gives the device's names.
#include "extsourcedatahandler.h"
#include "kelvolog.h"

#include <QObject>
#include <QString>

class AEMDataHandler : public QObject, public ExtSourceDataHandler
{
    Q_OBJECT
    Q_INTERFACES(ExtSourceDataHandler)
public:
    explicit AEMDataHandler(QObject *parent = nullptr);
    ~AEMDataHandler() override;

    SerialPortSettings &serialSettings() override { return settings; }
    void setSerialSettings(const SerialPortSettings &s) { settings = s; }
    void setJobName(const QString &name);
    void setResultName(const QString &name);
    void setResultDisplayName(const QString &name);
    void onDataReceived(QByteArray &line, CJob &job, bool &valid) override;

    // The value of a line: its first field as a single-precision number,
    // widened; ok false (and 0) when that is no finite number (NumberText:
    // a blank field is none).
    static double lineValue(const QByteArray &line, bool *ok = nullptr);

private:
    log4cplus::Logger logger;
    std::string jobName;
    std::string resultName;
    std::string resultDisplayName;
    SerialPortSettings settings;
};
