#pragma once
// The trace window: records an EDIABAS trace of the ECU chosen in the ECU
// list and sends the recorded trace files away, showing both as coloured
// protocol lines. While either runs, both buttons are disabled and the
// window does not close.
#include <QNetworkReply>
#include <QWidget>

class DebugUtils;
class QPushButton;

namespace Ui {
class DebugForm;
}

class DebugForm : public QWidget
{
    Q_OBJECT
public:
    explicit DebugForm(QWidget *parent = nullptr);
    ~DebugForm() override;

    DebugUtils *utils() const { return debugUtils; }
    // A trace run or an upload series is going on.
    bool isBusy() const { return busy; }

    static QString infoText();

public slots:
    void onEcuSelected(QString ecu);
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_pushButton_3_clicked();
    void onRunTraceStatusChanged(int status);
    void onJobStarted(QString job);
    void onTextMessage(QString msg);
    void onError(QNetworkReply::NetworkError err);
    void upReady(QString file, QString serverResponse);

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    void setBusy(bool on);

    Ui::DebugForm *ui = nullptr;
    DebugUtils *debugUtils = nullptr;
    bool uploadFailed = false;
    bool busy = false;
};
