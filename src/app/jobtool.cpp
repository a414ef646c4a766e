#include "jobtool.h"
#include "ui_jobtool.h"

#include "crunner.h"
#include "latin1.h"
#include "tsanannotate.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <memory>

JobTool::JobTool(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::JobTool)
{
    ui->setupUi(this);
    qDebug() << "Jobtool thread:" << QThread::currentThread();
    runner = new CRunner(nullptr);
    thread = new QThread;
    thread->setObjectName(QStringLiteral("jobToolThread"));
    CRunner *r = runner;
    // Each queued delivery carries its own copy of the job.
    connect(this, &JobTool::emitRunJob, runner, [r](CJob job, bool waitBusy) { r->runJob(job, waitBusy); });
    connect(runner, &CRunner::jobFinished, this, &JobTool::onJobFinished);
    // What the runner does last (giving back its EDIABAS share) happens
    // before the destructor's wait returns, also as ThreadSanitizer sees it.
    std::shared_ptr<std::atomic<bool>> gone = runnerGone;
    connect(runner, &QObject::destroyed, [gone] { gone->store(true, std::memory_order_release); });
    runner->moveToThread(thread);
    thread->start(QThread::InheritPriority);
}

JobTool::~JobTool()
{
    // Blocks not yet run are dropped, the one running is cut short; then
    // the runner goes in its own thread, which ends with it.
    QCoreApplication::removePostedEvents(runner, QEvent::MetaCall);
    runner->stop();
    // deleteLater hands the runner over through Qt's event queue, which
    // ThreadSanitizer cannot see; the runner's destructor acquires this.
    KELVO_TSAN_RELEASE(runner);
    runner->deleteLater();
    thread->quit();
    thread->wait();
    if (!runnerGone->load(std::memory_order_acquire))
        qDebug() << "job tool: the runner did not go with its thread";
    delete thread;
    dump.close();
    delete ui;
}

JobToolPlan::Form JobTool::form() const
{
    JobToolPlan::Form f;
    f.arguments = QStringList{ui->arg1LineEdit->text(), ui->arg2LineEdit->text(), ui->arg3LineEdit->text(),
                              ui->arg4LineEdit->text()};
    f.amountArgument = ui->iterationAmountFieldComboBox->currentText();
    f.targetArgument = ui->iterationTargetCombo->currentText();
    QAbstractButton *checked = ui->buttonGroup->checkedButton();
    if (checked && checked->objectName().startsWith(QLatin1String("radTotalLen"))) {
        f.mode = JobToolPlan::TotalLength;
        qDebug() << "radTotalLen selected";
    } else {
        f.mode = JobToolPlan::IterationCount;
        if (checked)
            qDebug() << "iterations count selected";
    }
    f.iterationCount = ui->iterationCountLineEdit->text();
    f.totalLength = ui->totalDataLengthEdit->text();
    return f;
}

QString JobTool::dumpName(const QString &prefix, const QDateTime &when)
{
    const QString base = prefix + when.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('-')
                         + when.toString(QStringLiteral("HHmmss"));
    QString name = base + QStringLiteral(".txt");
    for (int n = 1; QFileInfo::exists(name); ++n)
        name = base + QStringLiteral("_%1.txt").arg(n);
    return name;
}

void JobTool::appendResult(const QString &text)
{
    ui->textEdit->appendPlainText(text);
}

void JobTool::on_pushButton_clicked()
{
    if (reading)
        return;
    const JobToolPlan plan = JobToolPlan::make(form());
    if (!plan.isValid()) {
        appendResult(plan.refusal());
        return;
    }
    if (plan.blockCount() > 1 || plan.lastBlockLength() != plan.blockLength())
        qDebug() << "iterations:" << plan.blockCount() << ", mod:" << plan.lastBlockLength();

    dump.close();
    dump.setFileName(dumpName(ui->logFilePrefix->text(), QDateTime::currentDateTime()));
    qDebug() << "filename:" << dump.fileName();
    if (!dump.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        appendResult(QStringLiteral("Can't open dump file %1: %2").arg(dump.fileName(), dump.errorString()));
        return;
    }
    runner->setSimulation(ui->checkBox->isChecked());
    resultName = ui->resultFieldLineEdit->text();
    received = 0;
    sent = 0;
    addresses.clear();
    failed.clear();
    reading = true;
    ui->pushButton->setEnabled(false);

    const std::string ecu = Latin1::toStd(ui->eCULineEdit->text());
    const std::string jobName = Latin1::toStd(ui->jobLineEdit->text());
    for (int i = 0; i < plan.blockCount(); ++i) {
        CJob job(ecu, jobName);
        const QString args = plan.arguments(i);
        job.arguments = Latin1::toStd(args);
        addresses << plan.addressText(i);
        emit emitRunJob(job, true);
        ++sent;
    }
}

void JobTool::onJobFinished(CJob job, int ret)
{
    if (!reading)
        return;
    const QString address = addresses.value(received);
    ++received;
    QString lines = QStringLiteral("-----------------------------\nfinished job with arg: ")
                    + Latin1::toQString(job.arguments) + QStringLiteral(",err:") + Latin1::toQString(job.errorText);
    bool stored = false;
    const std::string wanted = Latin1::toStd(resultName);
    for (const CJobResult &r : job.results) {
        lines += QStringLiteral("\nresult:") + Latin1::toQString(r.name) + QLatin1Char(':') + r.textQ();
        if (r.name == wanted) {
            const QByteArray bytes(r.textValue);
            stored = dump.write(bytes) == bytes.size();
        }
    }
    if (ret != 0 || !stored) {
        failed << address;
        lines += QStringLiteral("\nblock at %1 failed").arg(address);
    }
    if (received == sent) {
        dump.close();
        lines += QStringLiteral("\nfile closed");
        if (!failed.isEmpty())
            lines += QStringLiteral(", %1 of %2 blocks failed: %3").arg(failed.size()).arg(sent).arg(failed.join(", "));
        reading = false;
        ui->pushButton->setEnabled(true);
    }
    appendResult(lines);
    if (!reading)
        emit readFinished();
}

void JobTool::on_iterationAmountFieldComboBox_activated(QString text)
{
    qDebug() << "activated:" << text;
}
