#include "ecudetectwindow.h"
#include "ui_ecudetectwindow.h"

#include "crunner.h"
#include "ediabasapi.h"
#include "ediabassessionlock.h"
#include "ediabasutils.h"
#include "ediabasutils2.h"
#include "programclosing.h"
#include "protocollines.h"

#include <QCloseEvent>
#include <QDebug>
#include <QThread>

namespace {
const char *const initJob = "INITIALISIERUNG";
const char *const variantResult = "VARIANTE";
const char *const refusedLine = "EDIABAS is busy with another job: detection stopped";
} // namespace

EcuDetectWindow::EcuDetectWindow(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::EcuDetectWindow)
{
    ui->setupUi(this);
}

EcuDetectWindow::~EcuDetectWindow()
{
    delete ui;
}

QStringList EcuDetectWindow::candidates()
{
    return {QStringLiteral("D_0012"), QStringLiteral("D_MOTOR"), QStringLiteral("D_MOTOR2"),
            QStringLiteral("G_MOTOR"), QStringLiteral("G_MOTOR2")};
}

int EcuDetectWindow::pendingTests() const
{
    int n = 0;
    for (const QPointer<QObject> &p : tests)
        n += p ? 1 : 0;
    return n;
}

void EcuDetectWindow::append(const QString &line)
{
    ProtocolLines::append(ui->textEdit, line);
}

void EcuDetectWindow::endRun()
{
    detecting = false;
    ui->detectButton->setEnabled(true);
}

void EcuDetectWindow::closeEvent(QCloseEvent *e)
{
    // A run in progress notices it after the job it waits for and stops.
    closing = true;
    QWidget::closeEvent(e);
}

void EcuDetectWindow::on_detectButton_clicked()
{
    if (detecting)
        return;
    detecting = true;
    closing = false;
    ui->detectButton->setEnabled(false);
    // The run lets events through while it waits for EDIABAS; the window
    // may be closed and deleted meanwhile. Only locals are used across a
    // wait, and the window is touched only after checking that it is there.
    QPointer<EcuDetectWindow> self(this);
    EdiabasUtils utils;
    ResultList lst;

    int state = 0;
    int code = 0;
    bool refused = false;
    {
        EdiabasSessionLock session;
        if (session.isLocked()) {
            state = apiState();
            code = apiErrorCode();
        } else {
            refused = true;
        }
    }
    if (!self)
        return;
    if (refused) {
        append(QString::fromLatin1(refusedLine));
        endRun();
        return;
    }
    qDebug() << "apistate:" << state << ", before apiInit";
    if (code == 126 || code == 133) {
        qDebug() << "doing apiInit";
        // Joins the runners' shared session rather than replacing it.
        CRunner::initEdiabas();
        if (!self)
            return;
    }
    ui->lblECU->setText(QString());

    bool answered = false;
    for (const QString &ecu : candidates()) {
        if (closing || ProgramClosing::announced())
            break;
        append(QStringLiteral("Querying: ") + ecu);
        const int result = utils.execApiJob(ecu, QString::fromLatin1(initJob), QString(), lst);
        if (!self)
            return;
        if (result == EdiabasUtils::Refused) {
            append(QString::fromLatin1(refusedLine));
            break;
        }
        if (result == 1) {
            answered = true;
            break;
        }
        const QString err = utils.lastErrorText();
        qDebug() << err;
        append(err);
    }

    if (answered && !closing && !ProgramClosing::announced()) {
        for (int set = 0; set < lst.count(); ++set) {
            const QList<CJobResult> results = lst.value(set);
            for (const CJobResult &r : results) {
                const QString name = QString::fromLatin1(r.name.c_str());
                const QString value = r.textQ();
                qDebug() << "set:" << set << ",name:" << name << ", res:" << value;
                if (name != QLatin1String(variantResult))
                    continue;
                qDebug() << "variante: " << value;
                if (value.isEmpty())
                    continue;
                qDebug() << "ecu emitted";
                emit ecuDetected(value);
                if (!self)
                    return;
                ui->lblECU->setText(value);
                append(value);
                endRun();
                return;
            }
        }
    }
    endRun();
}

void EcuDetectWindow::on_pushButton_clicked()
{
    auto *thread = new QThread;
    auto *worker = new EdiabasUtils2;
    worker->ecu = QStringLiteral("DM338DS0");
    worker->jobName = QStringLiteral("INFO");
    worker->moveToThread(thread);
    connect(thread, &QThread::started, worker, &EdiabasUtils2::execApiJob);
    connect(thread, &QThread::started, this, &EcuDetectWindow::onStarted);
    connect(worker, &EdiabasUtils2::apiJobFinished, this, &EcuDetectWindow::onApiJobFinished);
    connect(worker, &EdiabasUtils2::apiJobFinished, this, &EcuDetectWindow::onFinished);
    // The job is the thread's only task: once it is reported, the thread
    // ends and takes the worker and itself away.
    connect(worker, &EdiabasUtils2::apiJobFinished, thread, &QThread::quit, Qt::DirectConnection);
    connect(thread, &QThread::finished, worker, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    tests.removeAll(QPointer<QObject>());
    tests << QPointer<QObject>(thread) << QPointer<QObject>(worker);
    // It may outlive this window; it must not outlive the program.
    ProgramClosing::waitAtEnd(thread);
    thread->start(QThread::InheritPriority);
    qDebug() << "btn finished";
}

void EcuDetectWindow::onStarted()
{
    qDebug() << "onStarted";
}

void EcuDetectWindow::onFinished()
{
    qDebug() << "onFinished";
}

void EcuDetectWindow::onApiJobFinished(ResultList lst)
{
    qDebug() << "detect: onApiJobFinished" << lst.count();
}
