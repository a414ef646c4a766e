#pragma once
// Reads a range of ECU memory with a repeated EDIABAS job (by default
// "SPEICHER_LESEN" on "MSV70"): one job per block, the address and the
// block length in two of its arguments (JobToolPlan), and the chosen
// result of every block appended to a dump file as upper-case hex.
//
// It drives a CRunner of its own in a thread of its own, past the job queue
// and the fan-out; the runner shares the EDIABAS session (and its lock)
// with the main runner.
#include "cjob.h"
#include "jobtoolplan.h"

#include <QFile>
#include <QStringList>
#include <QWidget>

#include <atomic>
#include <memory>

class CRunner;
class QThread;

namespace Ui {
class JobTool;
}

class JobTool : public QWidget
{
    Q_OBJECT
public:
    explicit JobTool(QWidget *parent = nullptr);
    ~JobTool() override;

    bool isReading() const { return reading; }
    QString dumpFileName() const { return dump.fileName(); }
    // The form's texts as the plan reads them.
    JobToolPlan::Form form() const;
    // prefix + "yyyy-MM-dd" + "-" + "HHmmss" + ".txt", with "_1", "_2", ...
    // before ".txt" when that file exists.
    static QString dumpName(const QString &prefix, const QDateTime &when);

signals:
    void emitRunJob(CJob job, bool waitBusy);
    // Every block of a read came back; the dump file is closed.
    void readFinished();

public slots:
    void on_pushButton_clicked();
    void onJobFinished(CJob job, int ret);
    void on_iterationAmountFieldComboBox_activated(QString text);

private:
    void appendResult(const QString &text);

    Ui::JobTool *ui = nullptr;
    CRunner *runner = nullptr;
    QThread *thread = nullptr;
    std::shared_ptr<std::atomic<bool>> runnerGone = std::make_shared<std::atomic<bool>>(false);
    QFile dump;
    QString resultName;
    bool reading = false;
    int received = 0;
    int sent = 0;
    // The address of every block sent, in order: the runner returns them
    // in the order they were sent.
    QStringList addresses;
    QStringList failed;
};
