#pragma once
// A minimal serial terminal for trying telegrams by hand: opens a named port
// at 115200 baud, 8 data bits, even parity, 1 stop bit, sends the bytes
// typed as hex and shows every received block as hex between quotes.
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

    Ui::DataSenderWindow *ui = nullptr;
    QSerialPort serial;
};
