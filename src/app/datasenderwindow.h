#pragma once
// A minimal serial terminal for trying telegrams by hand: opens a named port
// at 115200 baud, 8 data bits, even parity, 1 stop bit, sends the bytes
// typed as hex and shows every received block as hex between quotes. A
// port that goes away while open is closed and reported once, as Stop
// leaves it.
#include "serialportloss.h"

#include <QSerialPort>
#include <QWidget>

namespace Ui {
class DataSenderWindow;
}

class DataSenderWindow : public QWidget
{
    Q_OBJECT
public:
    enum { WriteTimeoutMs = 1000 };

    explicit DataSenderWindow(QWidget *parent = nullptr);
    ~DataSenderWindow() override;

    QSerialPort &port() { return serial; }

public slots:
    void onReadyRead();

private slots:
    void on_btnStart_clicked();
    void on_btnStop_clicked();
    void on_btnSend_clicked();

private:
    void append(const QString &line);
    void portLost(const QString &reason);

    Ui::DataSenderWindow *ui = nullptr;
    QSerialPort serial;
    SerialPortLoss loss{serial};
    // As typed at Start: the port names "/dev/pts/7" "pts/7".
    QString openName;
};
