#include "debugutils.h"

#include "cjob.h"
#include "crunner.h"
#include "customjobseditor.h"
#include "ediabasapi.h"
#include "ediabassessionlock.h"
#include "ediabasutils.h"
#include "kelvolog.h"
#include "kelvosettings.h"
#include "latin1.h"
#include "programclosing.h"
#include "resultlist.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHttpMultiPart>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QPointer>
#include <QThread>
#include <QUrl>

#include <log4cplus/fileappender.h>
#include <log4cplus/layout.h>
#include <log4cplus/logger.h>
#include <memory>

namespace {

const char *const refusedLine = "EDIABAS is busy with another job: trace stopped";
const char *const closingLine = "The program is closing: trace stopped";
const char *const userAgentText = "Mozilla/5.0 (X11; U; Linux x86_64; en-US; rv:1.9.1.3) Gecko/20091020 "
                                  "Ubuntu/9.10 (karmic) Firefox/3.5.3 GTB7.0";

// One trace log: a logger named after the file, level FATAL, writing through
// a file appender of its own. Its records stay out of the program's other
// logs (no additivity: the dotted name would hand them up to the root), and
// closing it closes this appender only.
class TraceLog
{
public:
    ~TraceLog() { close(); }

    bool open(const QString &path, const QString &name)
    {
        // log4cplus does not tell whether its file opened: make sure it can.
        QFile probe(path);
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return false;
        probe.close();
        KelvoLog::ensureInitialised();
        logger = log4cplus::Logger::getInstance(Latin1::toStd(name));
        logger.setLogLevel(log4cplus::FATAL_LOG_LEVEL);
        logger.setAdditivity(false);
        const QByteArray file = QFile::encodeName(path);
        appender = log4cplus::SharedAppenderPtr(
            new log4cplus::FileAppender(std::string(file.constData(), size_t(file.size())), std::ios_base::trunc, true));
        appender->setName(Latin1::toStd(name));
        appender->setLayout(std::unique_ptr<log4cplus::Layout>(
            new log4cplus::PatternLayout(LOG4CPLUS_TEXT("%d{%d.%m.%Y %H:%M:%S} %m"))));
        logger.addAppender(appender);
        return true;
    }

    void write(const QString &text)
    {
        if (appender)
            LOG4CPLUS_FATAL_STR(logger, Latin1::toStd(text));
    }

    void close()
    {
        if (!appender)
            return;
        logger.removeAppender(appender);
        appender->close();
        appender = log4cplus::SharedAppenderPtr();
    }

private:
    log4cplus::Logger logger;
    log4cplus::SharedAppenderPtr appender;
};

QString resultRecord(const CJobResult &r)
{
    return QStringLiteral("'%1','%2','%3'\n")
        .arg(Latin1::toQString(r.name), r.textQ(), Latin1::toQString(r.typeName));
}

void writeResults(TraceLog &log, const ResultList &results, bool logKeys)
{
    for (int set = 0; set < results.count(); ++set) {
        if (logKeys)
            qDebug() << "key=" << set;
        for (const CJobResult &r : results.value(set))
            log.write(resultRecord(r));
    }
}

// Keeps the GUI alive for ms while a holder of the EDIABAS session waits.
void pumpFor(int ms)
{
    QElapsedTimer t;
    t.start();
    do {
        EdiabasSessionLock::processEvents();
        QThread::msleep(5);
    } while (t.elapsed() < ms && !ProgramClosing::announced());
}

// Sets the trace values of the EDIABAS configuration; with tracePath, also
// finds the interface trace file. False when the session lock is refused.
bool setTraceConfig(const char *ifh, const char *api, const char *priority, QString *tracePath = nullptr)
{
    EdiabasSessionLock session;
    if (!session.isLocked())
        return false;
    apiSetConfig("IfhTrace", ifh);
    apiSetConfig("ApiTrace", api);
    apiSetConfig("TaskPriority", priority);
    if (tracePath) {
        char value[APIMAXCONFIG] = {0};
        if (apiGetConfig("TracePath", value) && value[0])
            *tracePath = QString::fromLocal8Bit(value) + QStringLiteral("/ifh.trc");
        else
            *tracePath = QStringLiteral("ediabas/trace/ifh.trc");
    }
    return true;
}

// A job still busy in EDIABAS (someone else's, given up on) is waited for
// at most limitMs, then broken off.
void waitWhileBusy(int limitMs)
{
    QElapsedTimer t;
    t.start();
    while (apiState() == 0) {
        if (t.elapsed() >= limitMs || ProgramClosing::announced()) {
            qDebug() << "EDIABAS still busy: apiBreak";
            apiBreak();
            break;
        }
        pumpFor(100);
    }
}

// What one job of the trace run leaves behind.
struct Slice
{
    bool refused = false;
    bool traceMissing = false;
    QString text;   // the interface trace the job produced
    QString error;  // the job's EDIABAS error text
    ResultList results;
};

// Runs one job and cuts its part out of the interface trace, all under the
// session lock: no other thread's job can write into the slice.
Slice takeSlice(EdiabasUtils &utils, TraceLog &log, const QString &ecu, const CJob &job, const QString &tracePath,
                int busyWaitLimitMs)
{
    Slice s;
    EdiabasSessionLock session;
    if (!session.isLocked()) {
        s.refused = true;
        return s;
    }
    waitWhileBusy(busyWaitLimitMs);
    const qint64 start = QFileInfo(tracePath).size();
    qDebug() << QString::asprintf("pos before: size:%lld", start);
    if (!job.comment.empty())
        log.write(Latin1::toQString(job.comment) + QLatin1Char('\n'));
    const QString jobName = Latin1::toQString(job.jobName);
    if (utils.execApiJob(ecu, jobName, Latin1::toQString(job.arguments), s.results) == EdiabasUtils::Refused) {
        s.refused = true;
        return s;
    }
    s.error = utils.lastErrorText();
    EdiabasSessionLock::processEvents();

    QFile file(tracePath);
    if (!file.open(QIODevice::ReadOnly)) {
        s.traceMissing = true;
        return s;
    }
    qint64 end = file.size();
    qDebug() << QString::asprintf("pos after:%lld,size:%lld", end, end);
    if (jobName.toUpper() == QLatin1String("INFO")) {
        // The runtime may write INFO's trace late.
        int budget = DebugUtils::InfoWaitMs;
        while (end == start && budget > 0) {
            qDebug() << QString::asprintf("****pos after:%lld,size:%lld, waitTime:%d", end, end, budget);
            pumpFor(200);
            budget -= 200;
            QFile again(tracePath);
            if (again.open(QIODevice::ReadOnly))
                end = again.size();
            qDebug() << QString::asprintf("----pos after:%lld,size:%lld, waitTime:%d", end, end, budget);
        }
        pumpFor(100);
    }
    // A trace file that shrank (the runtime started it anew) gives nothing.
    if (end > start && file.seek(start)) {
        s.text = QString::fromLatin1(file.read(end - start));
        s.text.remove(QLatin1Char('\r'));
        s.text.chop(1);
    }
    qDebug() << "data written:'" << s.text;
    return s;
}

} // namespace

DebugUtils::DebugUtils(QObject *parent)
    : QObject(parent)
    , networkManager(new QNetworkAccessManager(this))
{
    qRegisterMetaType<QNetworkReply::NetworkError>("QNetworkReply::NetworkError");
    connect(ProgramClosing::instance(), &ProgramClosing::closing, this, &DebugUtils::abortUpload);
}

DebugUtils::~DebugUtils() = default;

QString DebugUtils::traceFolder()
{
    return QStringLiteral("DebugLogs");
}

QString DebugUtils::logFileBaseName(const QString &ecu, const QDateTime &when)
{
    // The ECU name is typed by the user: it must not lead out of the folder.
    QString safe;
    for (const QChar c : ecu) {
        if ((c.unicode() < 128 && c.isLetterOrNumber()) || c == QLatin1Char('_') || c == QLatin1Char('-'))
            safe += c;
    }
    return safe + QLatin1Char('_') + when.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('.')
           + when.toString(QStringLiteral("HHmmss.zzz"));
}

QStringList DebugUtils::fixedJobs()
{
    return {QStringLiteral("IDENT"),           QStringLiteral("INFO"),           QStringLiteral("AIF_LESEN"),
            QStringLiteral("FS_QUICK_LESEN"),  QStringLiteral("FS_SHADOW_LESEN"), QStringLiteral("FS_LESEN_TEXT"),
            QStringLiteral("FS_LESEN")};
}

QString DebugUtils::uploadServer()
{
    QString server = KelvoSettings::open()->value(QStringLiteral("trace/upload_server")).toString().trimmed();
    while (server.endsWith(QLatin1Char('/')))
        server.chop(1);
    return server;
}

QByteArray DebugUtils::userAgent()
{
    return QByteArray(userAgentText);
}

QByteArray DebugUtils::contentDisposition(const QString &fileName)
{
    // The name's bytes as the folder holds them. A quote or backslash would
    // end or escape the quoted name, a line break end the header: those,
    // every other control byte and "%" itself are sent percent-encoded, so
    // that any name arrives whole and decodes to exactly the file's name.
    // Other bytes, UTF-8 included, go as they are, as browsers send them.
    static const QByteArray plain = [] {
        QByteArray bytes;
        for (int b = 0x20; b < 0x100; ++b) {
            if (b != '"' && b != '\\' && b != '%' && b != 0x7F)
                bytes += char(b);
        }
        return bytes;
    }();
    const QByteArray quoted = QFile::encodeName(fileName).toPercentEncoding(plain);
    return QByteArrayLiteral("form-data; name=\"file\"; filename=\"") + quoted + '"';
}

int DebugUtils::runEcuTrace(QString ecu)
{
    QPointer<DebugUtils> self(this);
    const QString name = logFileBaseName(ecu, QDateTime::currentDateTime());
    const QString path = traceFolder() + QLatin1Char('/') + name;
    TraceLog log;
    if (!QDir().mkpath(traceFolder()) || !log.open(path, name)) {
        qDebug() << "can't create trace log" << path;
        emit textMessage(QStringLiteral("Can't create trace log ") + path);
        emit runTraceStatusChanged(StatusFailed);
        return 0;
    }
    logName = name;
    qDebug() << "logfile created:" << name;
    qDebug() << "logfile read:" << name;

    // Every way out puts the EDIABAS configuration back and closes the log.
    auto finish = [&](int status, const QString &message) {
        setTraceConfig("0", "0", "0");
        log.close();
        if (self && !message.isEmpty())
            emit textMessage(message);
        if (self)
            emit runTraceStatusChanged(status);
        return 0;
    };
    const QString refused = QString::fromLatin1(refusedLine);
    const QString closing = QString::fromLatin1(closingLine);

    CRunner::initEdiabas();
    QString tracePath;
    const bool configured = setTraceConfig("3", "3", "9", &tracePath);
    if (!self)
        return finish(StatusFailed, QString());
    if (!configured) {
        // Nothing was switched on: nothing to put back but the log.
        log.close();
        emit textMessage(refused);
        emit runTraceStatusChanged(StatusFailed);
        return 0;
    }

    EdiabasUtils utils;
    ResultList jobList;
    const int listed = utils.execApiJob(ecu, QStringLiteral("_JOBS"), QString(), jobList);
    if (!self || listed == EdiabasUtils::Refused)
        return finish(StatusFailed, refused);

    QList<CJob> jobs;
    for (int set = 0; set < jobList.count(); ++set) {
        for (const CJobResult &r : jobList.value(set)) {
            const QString text = r.textQ();
            if (text.startsWith(QLatin1String("STATUS")) || text.contains(QLatin1String("LESEN"))) {
                CJob job;
                job.jobName = Latin1::toStd(text);
                jobs << job;
                qDebug() << "set:" << set << ",name:" << Latin1::toQString(r.name) << ", res:" << text;
            }
        }
    }
    jobs += CustomJobsEditor().getCustomJobs(ecu);
    writeResults(log, jobList, true);
    log.write(QStringLiteral("Jobs count: '%1'\n").arg(jobs.size()));

    if (!QFile(tracePath).open(QIODevice::ReadOnly)) {
        log.write(QStringLiteral("Can't open trace file"));
        return finish(StatusFailed, QString());
    }
    const QStringList fixed = fixedJobs();
    for (int i = fixed.size() - 1; i >= 0; --i) {
        CJob job;
        job.jobName = Latin1::toStd(fixed.at(i));
        jobs.prepend(job);
    }

    for (const CJob &job : jobs) {
        EdiabasSessionLock::processEvents();
        if (!self)
            return finish(StatusFailed, QString());
        if (ProgramClosing::announced())
            return finish(StatusFailed, closing);
        const QString jobName = Latin1::toQString(job.jobName);
        emit jobStarted(jobName);
        if (!self)
            return finish(StatusFailed, QString());
        const Slice slice = takeSlice(utils, log, ecu, job, tracePath, busyWaitLimitMs);
        if (!self)
            return finish(StatusFailed, QString());
        if (slice.refused)
            return finish(StatusFailed, refused);
        if (!slice.error.isEmpty())
            emit textMessage(QStringLiteral("error:") + slice.error);
        if (slice.traceMissing) {
            log.write(QStringLiteral("Can't open trace file"));
            return finish(StatusFailed, QString());
        }
        log.write(QStringLiteral("<jobstart>'%1','%2'\n").arg(jobName, slice.text));
        qDebug() << "start to loop results";
        writeResults(log, slice.results, false);
        log.write(QStringLiteral("<jobend>\n"));
    }
    qDebug() << "finishing";
    return finish(StatusFinished, QString());
}

void DebugUtils::waitForUpload()
{
    QPointer<DebugUtils> self(this);
    while (self && uploading && !ProgramClosing::announced()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        if (self && uploading)
            QThread::msleep(5);
    }
}

void DebugUtils::upload(QString fileName, QString filePath)
{
    QPointer<DebugUtils> self(this);
    waitForUpload();
    if (!self || ProgramClosing::announced())
        return;
    qDebug() << "DebugUtils::upload" << filePath << " <start>";
    const QString server = uploadServer();
    if (server.isEmpty()) {
        emit textMessage(QStringLiteral("No upload server set"));
        return;
    }
    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        // No reply will come for it: nothing is in flight, the next file
        // may go.
        qDebug() << "file not found";
        emit textMessage(QStringLiteral("File ") + fileName + QStringLiteral(" can't be read: not sent"));
        return;
    }
    const QByteArray content = file.readAll();
    file.close();
    uploading = true;
    currentFile = filePath;

    auto *multiPart = new QHttpMultiPart(QHttpMultiPart::FormDataType);
    QHttpPart part;
    part.setRawHeader("Content-Disposition", contentDisposition(fileName));
    part.setHeader(QNetworkRequest::ContentTypeHeader, QVariant(QStringLiteral("text/plain")));
    part.setBody(content);
    multiPart->append(part);

    QNetworkRequest request(QUrl(server + QStringLiteral("/kelvo/upload.php")));
    request.setAttribute(QNetworkRequest::HttpPipeliningAllowedAttribute, true);
    request.setRawHeader("Referer", (server + QStringLiteral("/abc")).toLatin1());
    request.setRawHeader("User-Agent", userAgent());
    request.setTransferTimeout(uploadTimeoutMs);
    QNetworkReply *reply = networkManager->post(request, multiPart);
    currentReply = reply;
    multiPart->setParent(reply);
    connect(reply, &QNetworkReply::uploadProgress, this, &DebugUtils::progress);
    connect(reply, &QNetworkReply::finished, this, &DebugUtils::replyFinished);
    connect(reply, &QNetworkReply::errorOccurred, this, &DebugUtils::onError);
    qDebug() << "DebugUtils::upload <end>";
}

void DebugUtils::uploadFolder()
{
    QPointer<DebugUtils> self(this);
    const QDir dir(traceFolder());
    qDebug() << "upload dir:" << dir.absolutePath();
    if (uploadServer().isEmpty()) {
        emit textMessage(QStringLiteral("No upload server set"));
        return;
    }
    const QStringList files = dir.entryList({QStringLiteral("*")}, QDir::Files, QDir::Name);
    for (const QString &name : files) {
        upload(name, dir.absolutePath() + QLatin1Char('/') + name);
        if (!self || ProgramClosing::announced())
            return;
    }
    // The caller learns of the end only once the last reply came.
    waitForUpload();
}

void DebugUtils::abortUpload()
{
    // Its finished() ends the upload and lets the waits above return.
    if (currentReply)
        currentReply->abort();
}

void DebugUtils::progress(qint64 sent, qint64 total)
{
    qDebug() << QString::asprintf("progress,sent:%lld,total:%lld", sent, total);
}

void DebugUtils::replyFinished()
{
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    qDebug() << "replyfinished, currentFile:" << currentFile;
    uploading = false;
    QByteArray body;
    // A failed request was announced by networkError; its body, if any, is
    // the server's error page and is not shown as an answer.
    if (reply && reply->error() == QNetworkReply::NoError)
        body = reply->readAll();
    if (reply) {
        reply->close();
        reply->deleteLater();
    }
    emit upReady(QFileInfo(currentFile).fileName(), QString::fromUtf8(body));
}

void DebugUtils::onError(QNetworkReply::NetworkError err)
{
    qDebug() << "onError,err=" << err;
    // finished() follows and ends the upload.
    emit networkError(err);
}

void DebugUtils::slotReadyRead()
{
    qDebug() << "slotReadyRead";
}

void DebugUtils::namFinished(QNetworkReply *reply)
{
    qDebug() << "namFinished, http statuscode:"
             << (reply ? reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0);
}
