#pragma once
// "14point7Tester": a bench window for a 14Point7 controller. It drives a
// Q14Point7Reader of its own on the port typed into the port field and
// prints every block the reader passes on as lower-case hex, one paragraph
// each: the answers to 0x01 and 0x04, then one line of 42 digits per data
// message. Apply sets the pause after each data request; the next message
// already uses it. Errors (a port that does not open or is lost) show in
// the log too.
#include "kelvolog.h"
#include "q14point7reader.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

namespace Ui {
class Q14Point7TesterWindow;
}

class Q14Point7TesterWindow : public QWidget
{
    Q_OBJECT
public:
    explicit Q14Point7TesterWindow(QWidget *parent = nullptr);
    ~Q14Point7TesterWindow() override;

    const Q14Point7Reader &streamReader() const { return reader; }

private slots:
    void on_pushButton_2_clicked();
    void onMessageReceived(QByteArray message);
    void onDataRead(QByteArray data);
    void onError(QString message);
    void on_pushButton_clicked();
    void on_btnDataPauseApply_clicked();

private:
    Ui::Q14Point7TesterWindow *ui;
    Q14Point7Reader reader;
    log4cplus::Logger logger;
};
