#pragma once
// A developer's bench for the diagnostic cable: lists the serial ports,
// opens one with the parameters chosen in its own SettingsDialog, sends
// hand-typed telegrams as hex (optionally with their check byte), drives
// DTR and break by hand, performs the slow 5-baud address initialisation
// bit by bit and the "ADS Send" sequence, and logs every received block
// with a time stamp. A block that begins with 0x81 is answered with 0x81.
//
// Every line action goes through a SerialLineControl: the port's own, or
// one given to the constructor (tests record the timing on a fake clock).
// A refused action puts one line in the log and the sequence goes on.
// A port that goes away while open is closed, logged once with the reason,
// and the window is left as Close leaves it.
#include "serialportlist.h"

#include <QSerialPort>
#include <QWidget>
#include <memory>

class SerialLineControl;
class SerialPortLoss;
class SerialPortPinChecker;
class SettingsDialog;

namespace Ui {
class SeriaPortTestForm;
}

class SeriaPortTestForm : public QWidget
{
    Q_OBJECT
public:
    // Milliseconds a write may take to leave before it counts as failed.
    enum { WriteTimeoutMs = 1000 };
    // One bit of the 5-baud initialisation, and the idle time before it.
    enum { SlowBitMs = 200, SlowInitIdleMs = 1000 };
    // Blocks logged in one go before the window lets other events in.
    enum { MaxBlocksPerRead = 256 };

    explicit SeriaPortTestForm(QWidget *parent = nullptr, const SerialPortList &ports = SerialPortList(),
                               SerialLineControl *lines = nullptr);
    ~SeriaPortTestForm() override;

    SettingsDialog *settingsDialog() const { return settings; }
    SerialPortPinChecker *pinChecker() const { return checker; }
    QSerialPort *port() const { return serial; }

public slots:
    // Sends hex text as bytes (plus the check byte when "Append checksum"
    // is ticked); with waitWritten it returns once the bytes have left.
    void sendHex(const QString &text, bool waitWritten);

private slots:
    void on_btnRefresh_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_clicked();
    void on_btnClosePort_clicked();
    void readData();
    void bytesWritten(qint64 bytes);
    void on_pushButton_4_clicked();
    void on_pushButton_3_clicked();
    void on_btnSetDTR_clicked();
    void on_btnClearDTR_clicked();
    void on_btnBreak_clicked();
    void on_btnClear_clicked();
    void on_btnSendBreak_clicked();
    void status(QSerialPort::PinoutSignals signal);
    void pinReadFailed(const QString &reason);
    void portLost(const QString &reason);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Connected to the dialog's settingsApplied() by the constructor (not
    // a slot: its name would have it matched to a child by name).
    void on_settings_applied();
    void log(const QString &line);
    // "hh:mm:ss.zzz < " and the bytes in hex, with its line feed.
    static QString receivedLine(const QByteArray &bytes);
    // Writes (and with waitWritten waits for the bytes to leave); false on
    // a failed or timed out write, the reason in *error.
    bool writeAndWait(const QByteArray &bytes, bool waitWritten, QString *error);
    bool lineAction(bool ok, const char *what);
    bool setDtr(bool on);
    bool setRts(bool on);
    bool setBreak(bool on);
    bool timedBreak(int ms);
    // The K/L line as the 5-baud initialisation drives it.
    void lineHigh();
    void lineLow();
    bool requireOpen();
    // The pin display stopped and cleared, as a closed port shows it.
    void showClosed();

    Ui::SeriaPortTestForm *ui = nullptr;
    QSerialPort *serial = nullptr;
    SerialPortLoss *loss = nullptr;
    SettingsDialog *settings = nullptr;
    std::unique_ptr<SerialLineControl> ownLines;
    SerialLineControl *lines = nullptr;
    SerialPortPinChecker *checker = nullptr;
    SerialPortList portList;
    QString openName;
};
