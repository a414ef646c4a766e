#pragma once
// A small sub-window that finds out which engine ECU the car carries: it
// asks five candidate ECU descriptions to run their initialisation job, takes
// the first that answers and announces the name of the variant it reports
// ("VARIANTE"). The main window connects ecuDetected() to the ECU list.
// "Test" runs one fixed EDIABAS job in a thread of its own and only logs it.
#include "resultlist.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QThread;

namespace Ui {
class EcuDetectWindow;
}

class EcuDetectWindow : public QWidget
{
    Q_OBJECT
public:
    explicit EcuDetectWindow(QWidget *parent = nullptr);
    ~EcuDetectWindow() override;

    // The ECU descriptions asked, in order.
    static QStringList candidates();
    // Threads and workers of "Test" presses that have not gone yet.
    int pendingTests() const;

signals:
    void ecuDetected(QString ecu);

public slots:
    void on_detectButton_clicked();
    void on_pushButton_clicked();
    void onStarted();
    void onFinished();
    void onApiJobFinished(ResultList lst);

protected:
    void closeEvent(QCloseEvent *e) override;

private:
    void append(const QString &line);
    void endRun();

    Ui::EcuDetectWindow *ui = nullptr;
    bool detecting = false;
    bool closing = false;
    QList<QPointer<QObject>> tests;
};
