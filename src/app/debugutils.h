#pragma once
// Records a diagnostic trace of one ECU and sends trace files away.
//
// A trace run switches the EDIABAS interface and API traces on, runs seven
// fixed jobs, every job of the ECU's "_JOBS" list whose name starts with
// "STATUS" or contains "LESEN", and the ECU's custom jobs, and writes per job
// the slice of the EDIABAS interface trace it produced and all its results
// into a trace log in "DebugLogs". Each slice is taken while holding the
// EDIABAS session lock, so no other thread's job lands in it.
//
// The upload posts files of "DebugLogs" one after another as multipart
// forms to "trace/upload_server" (kelvo.ini, "http://host:port") +
// "/kelvo/upload.php".
//
// Both run in the GUI thread and keep it responsive by processing events
// while they wait; the trace window drives them.
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QDateTime;
class QNetworkAccessManager;

class DebugUtils : public QObject
{
    Q_OBJECT
public:
    // runTraceStatusChanged: the run went through all jobs, or it failed.
    enum { StatusFinished = 234, StatusFailed = 0 };
    enum { DefaultUploadTimeoutMs = 30000, BusyWaitLimitMs = 10000, InfoWaitMs = 3000 };

    explicit DebugUtils(QObject *parent = nullptr);
    ~DebugUtils() override;

    // "DebugLogs", relative to the working directory.
    static QString traceFolder();
    // The trace log's file name for an ECU: its letters, digits, "_" and
    // "-" only, "_", the date "yyyy-MM-dd", ".", the time "HHmmss.zzz".
    static QString logFileBaseName(const QString &ecu, const QDateTime &when);
    // The seven jobs every trace runs first, in their order.
    static QStringList fixedJobs();
    // "trace/upload_server" of kelvo.ini without trailing "/"; empty: unset.
    static QString uploadServer();
    static QByteArray userAgent();
    // The Content-Disposition of a file's part: form-data, name "file" and
    // the file's name quoted, its bytes that would break the header
    // ("\"", "\\", "%", control bytes) percent-encoded.
    static QByteArray contentDisposition(const QString &fileName);

    // The file name of the current (or last) trace log.
    QString logFileName() const { return logName; }
    bool isUploading() const { return uploading; }
    // Time-out of one upload without progress, in ms (30 s).
    void setUploadTimeout(int ms) { uploadTimeoutMs = ms; }
    // How long a trace job waits for a job still busy in EDIABAS before it
    // breaks it off, in ms (10 s).
    void setBusyWaitLimit(int ms) { busyWaitLimitMs = ms; }

    // The trace run for the ECU description ecu; returns when it is over
    // (always 0; the outcome is runTraceStatusChanged).
    int runEcuTrace(QString ecu);
    // Sends one file; waits for the upload before it to end, returns once
    // the request is on its way.
    void upload(QString fileName, QString filePath);
    // Sends every file of "DebugLogs" in turn; returns after the last reply.
    // The program's close ends the series at once: the request in flight is
    // aborted and the files after it are not sent.
    void uploadFolder();

signals:
    void runTraceStatusChanged(int status);
    void jobStarted(QString job);
    void textMessage(QString msg);
    void upReady(QString file, QString serverResponse);
    void networkError(QNetworkReply::NetworkError err);

public slots:
    void progress(qint64 sent, qint64 total);
    void replyFinished();
    void onError(QNetworkReply::NetworkError err);
    void slotReadyRead();
    void namFinished(QNetworkReply *reply);

private:
    void waitForUpload();
    void abortUpload();

    QNetworkAccessManager *networkManager = nullptr;
    QPointer<QNetworkReply> currentReply;
    QString currentFile;
    bool uploading = false;
    QString logName;
    int uploadTimeoutMs = DefaultUploadTimeoutMs;
    int busyWaitLimitMs = BusyWaitLimitMs;
};
