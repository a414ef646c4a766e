#pragma once
// "Usb": the window of the EDIABAS-to-CAN bridge. The user types the port
// EDIABAS writes to and the port of the USB-CAN adapter and presses Start
// (again: the running bridge stops first); each side's pane shows
// "Ediabas connected" / "USB connected" or the error. The label shows the
// port EDIABAS itself uses ("OBD/Port" of "ediabas/obd.ini"). A command
// typed below the adapter's pane goes to the adapter on Return, and what
// the adapter answers ("V0107" to "V") shows in that pane. The ports
// are kept in "usb/ediabas" and "usb/usb" of "kelvo.ini" when the window
// closes.
#include <QWidget>
#include <memory>

class CANProxy;
class QCloseEvent;

namespace Ui {
class CanProxyWindow;
}

class CanProxyWindow : public QWidget
{
    Q_OBJECT
public:
    // Lines the adapter's pane keeps: an adapter that babbles (a wrong
    // device on the port) cannot make it grow without end.
    enum { MaxPaneLines = 2000 };

    explicit CanProxyWindow(QWidget *parent = nullptr);
    ~CanProxyWindow() override;

    CANProxy *proxy() const { return canProxy.get(); }

public slots:
    void on_pushButton_clicked();
    void onEdConn();
    void onTransConn();
    void onEdErr(QString err);
    void onTransErr(QString err);
    void on_txtUsbSend_returnPressed();
    void onTransAnswers(QStringList answers);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Once per close: the ports are written and the bridge stops.
    void saveAndStop();

    Ui::CanProxyWindow *ui;
    std::unique_ptr<CANProxy> canProxy;
    bool closed = false;
};
