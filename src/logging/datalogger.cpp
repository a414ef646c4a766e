#include "datalogger.h"
#include "exactnumber.h"
#include "latin1.h"
#include "threadcall.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QRegularExpression>
#include <QThread>
#include <QTime>
#include <QXmlStreamWriter>
#include <unistd.h>

namespace {
const qint64 dayMs = 24LL * 60 * 60 * 1000;
const int syncIntervalMs = 3000;
}

DataLogger::DataLogger(QObject *parent)
    : QObject(parent),
      logger(KelvoLog::get("logging")),
      logger2(KelvoLog::get("logging2")),
      ruleLogger(KelvoLog::get("log_rule")),
      clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    sinceSync.start();
}

DataLogger::~DataLogger()
{
    if (logFile.isOpen()) {
        writeBuffer();
        syncToDisk(true);
        logFile.close();
    }
}

template <class F> void DataLogger::inLoggerThread(F f)
{
    ThreadCall::run(this, std::move(f));
}


void DataLogger::setDecimalSeparator(QChar c)
{
    inLoggerThread([this, c] { decimal = c; });
}

void DataLogger::setSeparator(QChar c)
{
    inLoggerThread([this, c] { separator = c; });
}

void DataLogger::setTimeFormat(int code)
{
    inLoggerThread([this, code] { timeFormat = code; });
}

void DataLogger::setFillColumns(bool fill)
{
    inLoggerThread([this, fill] { fillColumns = fill; });
}

void DataLogger::setMarkerColumn(bool on)
{
    inLoggerThread([this, on] {
        if (markerColumn != on && m_fileStatus.load() == Saving && columnsChangedAt == 0)
            columnsChangedAt = clock();
        markerColumn = on;
    });
}

void DataLogger::setLogPath(const QString &path)
{
    inLoggerThread([this, path] { logDir = path; });
}

void DataLogger::setFilePrefix(const QString &prefix)
{
    inLoggerThread([this, prefix] { filePrefix = prefix; });
}

void DataLogger::clearFilter()
{
    inLoggerThread([this] {
        if (m_fileStatus.load() == Saving && columnsChangedAt == 0)
            columnsChangedAt = clock();
        filter.clear();
        rebuildKeys();
        publishState();
    });
}

void DataLogger::addToFilter(const CJobResultPair &pair)
{
    inLoggerThread([this, pair] {
        if (m_fileStatus.load() == Saving && columnsChangedAt == 0)
            columnsChangedAt = clock();
        filter.append(pair);
        rebuildKeys();
        resultValues.insert(filterKeys.last(), Value());
        publishState();
    });
}

void DataLogger::addSyncJob(const CJob &job)
{
    inLoggerThread([this, job] {
        syncJobs.append(job);
        syncJobIds.insert(identity.of(job));
    });
}

void DataLogger::clearSyncJobs()
{
    inLoggerThread([this] {
        syncJobs.clear();
        syncJobIds.clear();
    });
}

void DataLogger::setRule(const LoggingRule &newRule)
{
    inLoggerThread([this, newRule] {
        rule = newRule;
        ruleJobId = identity.of(rule.job());
        publishState();
    });
}

void DataLogger::setClock(Clock c)
{
    inLoggerThread([this, c] { clock = c; });
}

void DataLogger::startLog(const QString &)
{
    inLoggerThread([this] {
        writeFailed = false;
        doStart();
    });
}

void DataLogger::stopLog()
{
    inLoggerThread([this] { doStop(); });
}

bool DataLogger::isRuleActive() const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return sharedRuleActive;
}

QString DataLogger::fileName() const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return sharedFileName;
}

int DataLogger::filterCount() const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return sharedFilter.size();
}

QList<CJobResultPair> DataLogger::saveFilter() const
{
    std::lock_guard<std::mutex> lock(stateMutex);
    return sharedFilter;
}

void DataLogger::publishState()
{
    std::lock_guard<std::mutex> lock(stateMutex);
    sharedFileName = m_fileName;
    sharedFilter = filter;
    sharedRuleActive = rule.active;
}

void DataLogger::rebuildKeys()
{
    QList<CJob> jobs;
    jobs.reserve(filter.size());
    for (const CJobResultPair &entry : qAsConst(filter))
        jobs << entry.job;
    identity.setJobs(jobs);
    filterJobIds.clear();
    filterKeys.clear();
    columnsOfJob.clear();
    for (int i = 0; i < filter.size(); ++i) {
        const QString id = identity.of(filter[i].job);
        filterJobIds << id;
        filterKeys << id + QLatin1Char('.') + Latin1::toQString(filter[i].resultName);
        columnsOfJob[id].append(i);
    }
    syncJobIds.clear();
    for (const CJob &job : qAsConst(syncJobs))
        syncJobIds.insert(identity.of(job));
    ruleJobId = identity.of(rule.job());
}

// A separator, CR or LF inside a cell would shift every later column, and
// other control characters would make a reader take the log for a binary
// file; each becomes a blank. (A tab that is not the separator is text.)
QString DataLogger::clean(QString text, QChar sep)
{
    for (QChar &c : text) {
        if (c == sep || (c.unicode() < 0x20 && c != QLatin1Char('\t')))
            c = QLatin1Char(' ');
    }
    return text;
}

// A field that opens with a quote is read up to its closing quote, so such
// a text is written quoted ("" for each quote in it), as spreadsheets do;
// any other text stands as it is.
QString DataLogger::quoted(const QString &text)
{
    if (!text.startsWith(QLatin1Char('"')))
        return text;
    QString inner = text;
    inner.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + inner + QLatin1Char('"');
}

QChar DataLogger::decimalFor(QChar decimal, QChar sep)
{
    // A decimal character equal to the separator would split every number
    // and time into two fields.
    return decimal == sep ? QLatin1Char('.') : decimal;
}

QString DataLogger::columnTitle(const CJobResultPair &entry)
{
    const std::string &name = entry.resultDisplayName.empty() ? entry.resultName : entry.resultDisplayName;
    return Latin1::toQString(name);
}

QString DataLogger::cellText(const QString &value, int format, QChar decimal, QChar sep)
{
    Value v;
    v.text = value;
    v.isNumber = ExactNumber::read(value, v.real);
    v.number = v.isNumber ? ExactNumber::of(v.real) : QString();
    return cell(v, format, decimal, sep);
}

QString DataLogger::cell(const Value &value, int format, QChar decimal, QChar sep)
{
    // Byte data shown as hexadecimal stays text: "00012345" is not 12345.
    if (format == 7 || !value.isNumber)
        return quoted(clean(value.text, sep));
    const QChar dec = decimalFor(decimal, sep);
    if (dec == QLatin1Char('.'))
        return value.number;
    QString text = value.number;
    text.replace(QLatin1Char('.'), dec);
    return text;
}

QStringList DataLogger::columnSignature() const
{
    QStringList columns;
    for (int i = 0; i < filter.size(); ++i)
        columns << filterKeys[i] + QLatin1Char('\x01') + Latin1::toQString(filter[i].resultDisplayName);
    if (markerColumn)
        columns << QStringLiteral("\x01MARKER");
    return columns;
}

void DataLogger::doStart()
{
    timeFormatText = QStringLiteral("HH:mm:ss") + decimalFor(decimal, separator) + QStringLiteral("zzz");
    if (logFile.isOpen()) {
        writeBuffer();
        syncToDisk(true);
        logFile.close();
    }
    m_fileStatus = Stopped;
    m_lineCount = 0;
    const qint64 now = clock();
    startTime = columnsChangedAt > 0 ? columnsChangedAt : now;
    columnsChangedAt = 0;
    const QDateTime started = QDateTime::fromMSecsSinceEpoch(now);
    QString stamp = started.date().toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char('-') +
                    started.time().toString(QStringLiteral("HHmmss"));
    stamp.replace(QRegularExpression(QStringLiteral("[/,:.]")), QStringLiteral("_"));

    // An empty directory is the working directory. Two starts in one second
    // get distinct names; an existing log or side file is never truncated.
    const QDir dir(logDir.isEmpty() ? QStringLiteral(".") : logDir);
    QString lastError;
    bool opened = false;
    for (int n = 0; n < 1000 && !opened; ++n) {
        const QString base = filePrefix + stamp + (n == 0 ? QString() : QStringLiteral("_%1").arg(n));
        const QString name = dir.filePath(base + QStringLiteral(".csv"));
        if (QFile::exists(name) || QFile::exists(name + QStringLiteral(".info")))
            continue;
        logFile.setFileName(name);
        // Unbuffered: each job's bytes go to the file in one write, and a
        // write the disk refuses leaves nothing behind in a buffer.
        if (logFile.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
            opened = true;
            m_fileName = name;
        } else {
            lastError = logFile.errorString();
            if (!QFile::exists(name))
                break; // not a name clash: the folder refuses us
        }
    }
    if (!opened) {
        const QString message = QStringLiteral("Cannot create log file in \"%1\": %2")
                                    .arg(QDir::toNativeSeparators(dir.absolutePath()), lastError);
        LOG4CPLUS_ERROR_FMT(logger, "%s", KELVO_QS(message));
        // As after a failed write: a rule starts no file of its own until
        // the user starts one, so the failure is reported once.
        writeFailed = true;
        publishState();
        emit logFileError(message);
        return;
    }
    fileColumns = columnSignature();
    m_fileStatus = Saving;
    sinceSync.restart();
    publishState();
    writeInfoFile();
    LOG4CPLUS_INFO_FMT(logger, "log started: %s", KELVO_QS(m_fileName));
    emit logFileStarted(m_fileName);
}

void DataLogger::doStop()
{
    writeBuffer();
    if (logFile.isOpen()) {
        syncToDisk(true);
        logFile.close();
    }
    // The count stays: it is what the file just closed holds.
    m_fileStatus = Stopped;
    LOG4CPLUS_INFO_FMT(logger, "log stopped: %s", KELVO_QS(m_fileName));
    emit logFileStopped(m_fileName);
}

void DataLogger::restartIfColumnsChanged(qint64 jobTime)
{
    if (columnsChangedAt == 0)
        return;
    if (m_fileStatus.load() != Saving || columnSignature() == fileColumns) {
        columnsChangedAt = 0;
        return;
    }
    // No columns left (the last plot closed): the file stays as it is until
    // columns come back; the same ones continue it.
    if (filter.isEmpty()) {
        columnsChangedAt = 0;
        return;
    }
    // Lines after a change of columns would no longer match the header:
    // the old file ends here and a new one starts with its own header. A
    // job that finished before the change reached this thread still belongs
    // in the new file.
    LOG4CPLUS_INFO(logger, "columns changed while logging: starting a new file");
    columnsChangedAt = qMin(columnsChangedAt, jobTime);
    doStop();
    doStart();
}

bool DataLogger::writeInfoFile()
{
    QFile info(m_fileName + QStringLiteral(".info"));
    if (!info.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const QString message = QStringLiteral("Cannot create side file \"%1\": %2").arg(info.fileName(), info.errorString());
        LOG4CPLUS_ERROR_FMT(logger, "%s", KELVO_QS(message));
        emit logFileError(message);
        return false;
    }
    QXmlStreamWriter xml(&info);
    xml.setCodec("UTF-8");
    xml.setAutoFormatting(true);
    xml.setAutoFormattingIndent(4);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("CSVFile"));
    xml.writeStartElement(QStringLiteral("info"));
    xml.writeTextElement(QStringLiteral("starttime"), QString::number(quint64(startTime)));
    xml.writeTextElement(QStringLiteral("startdate"),
                         QDateTime::fromMSecsSinceEpoch(startTime).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")));
    xml.writeTextElement(QStringLiteral("timeformat"), QString::number(timeFormat));
    xml.writeStartElement(QStringLiteral("CSVSeparator"));
    xml.writeCDATA(QString(separator));
    xml.writeEndElement();
    xml.writeStartElement(QStringLiteral("columns"));
    qDebug() << ">*** PLAYBACK ***";
    int number = 1;
    for (const CJobResultPair &entry : filter) {
        qDebug() << "PRG name:" << entry.job.ecuName.c_str() << "Job name:" << entry.job.jobName.c_str()
                 << "Job virtualname:" << entry.job.virtualName.c_str() << "Job argument:"
                 << entry.job.arguments.c_str() << "Result name:" << columnTitle(entry);
        xml.writeStartElement(QStringLiteral("column"));
        xml.writeTextElement(QStringLiteral("number"), QString::number(number++));
        xml.writeTextElement(QStringLiteral("ecu"), Latin1::toQString(entry.job.ecuName));
        xml.writeTextElement(QStringLiteral("jobname"), Latin1::toQString(entry.job.jobName));
        xml.writeTextElement(QStringLiteral("virtualname"), Latin1::toQString(entry.job.virtualName));
        xml.writeTextElement(QStringLiteral("resultname"), clean(columnTitle(entry), separator));
        xml.writeEndElement();
    }
    qDebug() << "<*** PLAYBACK ***";
    xml.writeEndDocument();
    info.close();
    if (xml.hasError() || info.error() != QFileDevice::NoError) {
        emit logFileError(QStringLiteral("Cannot write side file \"%1\"").arg(info.fileName()));
        return false;
    }
    return true;
}

QString DataLogger::headerLine() const
{
    QString header = QStringLiteral("time");
    for (const CJobResultPair &entry : filter)
        header += separator + quoted(clean(columnTitle(entry), separator));
    if (markerColumn)
        header += separator + QStringLiteral("MARKER");
    return header;
}

QString DataLogger::timeColumn(const CJob &job, quint64 sinceStart) const
{
    switch (timeFormat) {
    case TimeInSeconds:
        return QTime(0, 0).addMSecs(int(sinceStart % quint64(dayMs))).toString(timeFormatText);
    case CurrentTime:
        return QDateTime::fromMSecsSinceEpoch(job.timeStamp).time().toString(timeFormatText);
    case SystemTimeMilliseconds:
        return QString::number(quint64(clock()));
    case Milliseconds:
    default:
        return QString::number(sinceStart);
    }
}

void DataLogger::checkRules(int column)
{
    if (!rule.active) {
        LOG4CPLUS_DEBUG(ruleLogger, "rule NOT active");
        return;
    }
    // The watched value of its own ECU's job, not another ECU's of that name.
    if (filterJobIds[column] != ruleJobId || filter[column].resultName != rule.resultName) {
        LOG4CPLUS_DEBUG(ruleLogger, "loggingrule did NOT match");
        return;
    }
    const Value watched = resultValues.value(filterKeys[column]);
    if (!watched.isNumber) {
        // No value yet, a blank or a text: nothing to judge, never a 0.
        LOG4CPLUS_DEBUG(ruleLogger, "watched value is no number: rule not applied");
        return;
    }
    const bool match = rule.matches(watched.real);
    if (m_fileStatus.load() == Saving) {
        if (match) {
            LOG4CPLUS_DEBUG(ruleLogger, "loggingrule matches, NOP");
        } else {
            LOG4CPLUS_DEBUG(ruleLogger, "loggingrule does NOT match, STOPPING log");
            doStop();
        }
    } else if (match && writeFailed) {
        LOG4CPLUS_DEBUG(ruleLogger, "loggingrule matches, but the last file could not be written: no new file");
    } else if (match) {
        LOG4CPLUS_DEBUG(ruleLogger, "loggingrule matches, START a new file");
        doStart();
    } else {
        LOG4CPLUS_DEBUG(ruleLogger, "loggingrule did not match, do not start a new file");
    }
}

void DataLogger::handleData(CJob job)
{
    restartIfColumnsChanged(job.timeStamp);
    if (startTime > job.timeStamp) {
        LOG4CPLUS_DEBUG(logger, "job executed before start time");
        return;
    }
    const QString jobId = identity.of(job);
    const auto own = columnsOfJob.constFind(jobId);
    if (own == columnsOfJob.constEnd()) {
        LOG4CPLUS_DEBUG_FMT(logger, "NOT in filter: %s", KELVO_QS(jobId));
        return;
    }

    delivered.fill(false, filter.size());
    for (const CJobResult &result : qAsConst(job.results)) {
        for (int i : *own) {
            if (filter[i].resultName == result.name) {
                const QString &key = filterKeys[i];
                Value &value = resultValues[key];
                value.text = result.textQ();
                // The number as the job gave it: the typed value where the
                // text only shows it rounded, written once.
                value.isNumber = ExactNumber::resultValue(result, value.real);
                value.number = value.isNumber ? ExactNumber::of(value.real) : QString();
                delivered[i] = true;
                LOG4CPLUS_TRACE_FMT(logger2, "save to resultValues: %s,%s", KELVO_QS(key), result.textValue);
            }
        }
    }

    QString cells;
    for (int i = 0; i < filter.size(); ++i) {
        if (rule.active)
            checkRules(i);
        const QString &key = filterKeys[i];
        cells += separator;
        if (fillColumns) {
            cells += cell(resultValues[key], filter[i].result.format, decimal, separator);
        } else if (delivered[i]) {
            cells += cell(resultValues.value(key), filter[i].result.format, decimal, separator);
        }
    }
    if (markerColumn)
        cells += separator + markerText + QString::number(markerCount);

    if (m_fileStatus.load() == Saving) {
        const bool syncOnly = fillColumns && syncJobIds.contains(jobId);
        // A rule that starts a file while this job is handled starts it a
        // moment after the job ran: its first line is at 0, never wrapped.
        const quint64 sinceStart = job.timeStamp > startTime ? quint64(job.timeStamp - startTime) : 0;
        if (m_lineCount.load() + bufferedLines == 0) {
            buffer += headerLine() + QStringLiteral("\r\n");
            writeLine(timeColumn(job, sinceStart) + cells);
        } else if (!syncOnly) {
            writeLine(timeColumn(job, sinceStart) + cells);
        }
    }
    // A file that takes no more lines (a full disk) ends the log: reported
    // once, and the logger never pretends to be saving what it loses.
    if (!writeBuffer() && logFile.isOpen()) {
        writeFailed = true;
        doStop();
    }
}

void DataLogger::writeLine(const QString &line)
{
    buffer += line;
    buffer += QStringLiteral("\r\n");
    LOG4CPLUS_TRACE_FMT(logger, "line:%s", KELVO_QS(line));
    ++bufferedLines;
}

bool DataLogger::writeBuffer()
{
    if (buffer.isEmpty())
        return true;
    const int lines = bufferedLines;
    bufferedLines = 0;
    if (!logFile.isOpen()) {
        buffer.clear();
        return true;
    }
    const QByteArray bytes = buffer.toLatin1();
    buffer.clear();
    // Each job's line reaches the operating system at once, so that a crash
    // of the program loses nothing already handed to the logger.
    const qint64 before = logFile.pos();
    qint64 written = logFile.write(bytes);
    if (written >= 0 && written < bytes.size()) {
        // A full disk took part of the line; the rest names the reason.
        const qint64 more = logFile.write(bytes.constData() + written, bytes.size() - written);
        if (more > 0)
            written += more;
    }
    if (written != bytes.size() || !logFile.flush()) {
        const QString message = QStringLiteral("Cannot write log file \"%1\": %2").arg(m_fileName, logFile.errorString());
        LOG4CPLUS_ERROR_FMT(logger, "%s", KELVO_QS(message));
        // A part of a line would spoil the file for its readers: it ends
        // with the last whole line.
        if (written > 0 && logFile.resize(before))
            logFile.seek(before);
        emit logFileError(message);
        return false;
    }
    m_lineCount += lines;
    syncToDisk(false);
    return true;
}

void DataLogger::syncToDisk(bool force)
{
    if (!logFile.isOpen())
        return;
    if (!force && sinceSync.elapsed() < syncIntervalMs)
        return;
    logFile.flush();
    ::fsync(logFile.handle());
    sinceSync.restart();
}

void DataLogger::onMarkerEvent()
{
    inLoggerThread([this] {
        ++markerCount;
        LOG4CPLUS_DEBUG(logger, "onMarkerEvent");
    });
}
