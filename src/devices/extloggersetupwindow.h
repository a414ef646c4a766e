#pragma once
// Where the user connects an external device: a device, a serial port and
// a baud rate, then Connect. Connect builds the device's pseudo job, has
// the host open a plot window for it and starts the device's source
// through ExtSourceManager; from then on its readings reach every job
// listener. Disconnect and Close do nothing (a source ends when its plot
// window closes).
//
// One source per device: while a device's source runs, Connect starts no
// second one and says so below the choices. Once it no longer runs (its
// port did not open, or was lost), Connect starts it again, with the
// choices made now, in its own plot window; once that window is closed,
// Connect opens a new one.
//
// The device ids are the item data of the device combo. AEM and PLX have
// set-ups of their own, every other device's source comes in through
// commonSource(); an id without one logs "not available" and opens nothing.
#include "kelvolog.h"
#include "serialportsettings.h"

#include <QString>
#include <QVector>
#include <QWidget>
#include <functional>

class CJob;
class ExtSourceHost;
class ExtSourceManager;
class PlotWindow;
class QCloseEvent;

namespace Ui {
class ExtLoggerSetupWindow;
}

class ExtLoggerSetupWindow : public QWidget
{
    Q_OBJECT
public:
    enum DeviceId {
        NoDevice = 0,
        AemAirFuelRatio = 1,
        AemBoost = 2,
        PlxRealTime = 3,
        FourteenPoint7 = 4,
        InnovateSerial = 5,
        InnovateMts = 6,
        TechEdgeWbo2 = 7,
        InnovateUsb = 8,
        UsbTinCan = 9,
    };

    // One entry of the device combo, in list order.
    struct Device
    {
        int id;
        const char *text;
        const char *ecuName;
        const char *jobName;
        const char *jobTitle;
    };
    static const QVector<Device> &devices();
    // The pseudo job the device's plot window is opened on.
    static CJob deviceJob(const Device &device);

    // host opens the plot windows and hands out the job receiver.
    explicit ExtLoggerSetupWindow(ExtSourceHost *host, QWidget *parent = nullptr);
    ~ExtLoggerSetupWindow() override;

public slots:
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    // What the common steps need of a source created by a manager factory.
    // Without the settings pair the source takes no port and baud rate.
    struct CommonSource
    {
        QObject *object = nullptr;
        std::function<SerialPortSettings()> settings;
        std::function<void(const SerialPortSettings &)> setSettings;
        std::function<void()> start;
    };
    using SourceFactory =
        std::function<CommonSource(ExtSourceManager &, const QString &name, QObject *listener, PlotWindow &)>;
    // The factory of a device of ids 4 to 9; empty while its source is not
    // built ("not available").
    static SourceFactory commonSource(int id);

    void saveSettings();
    void restoreSettings();
    // Each starts the device's source; into window when given (a source
    // that stopped is started again there), else into a new plot window.
    void connectAem(const Device &device, PlotWindow *window);
    void connectPlx(const Device &device, PlotWindow *window);
    void connectCommon(const Device &device, PlotWindow *window);
    // What Connect did, below the choices.
    void say(const QString &text);

    Ui::ExtLoggerSetupWindow *ui;
    ExtSourceHost *host;
    log4cplus::Logger logger;
};
