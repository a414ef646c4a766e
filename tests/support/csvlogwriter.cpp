#include "csvlogwriter.h"

#include <QDateTime>
#include <QFile>

bool setWrittenAt(const QString &path, qint64 time)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
        && file.setFileTime(QDateTime::fromMSecsSinceEpoch(time), QFileDevice::FileModificationTime);
}

CsvLogWriter::CsvLogWriter(const CsvLogOptions &options, qint64 start)
    : now(start), m_logger(new DataLogger)
{
    m_logger->setClock([this] { return now; });
    m_logger->setSeparator(options.separator);
    m_logger->setDecimalSeparator(options.decimal);
    m_logger->setTimeFormat(options.timeFormat);
    m_logger->setFillColumns(options.fill);
    m_logger->setMarkerColumn(options.marker);
    m_logger->setLogPath(options.dir);
    m_logger->setFilePrefix(options.prefix);
}

CsvLogWriter::~CsvLogWriter() = default;

void CsvLogWriter::addColumn(const char *ecu, const char *job, const char *result, const char *display)
{
    CJobResultPair pair;
    pair.job = CJob(ecu, job);
    pair.resultName = result;
    pair.resultDisplayName = display ? display : result;
    pair.result.format = 8;
    m_logger->addToFilter(pair);
}

void CsvLogWriter::start()
{
    m_logger->startLog();
}

void CsvLogWriter::write(const char *ecu, const char *job, qint64 time,
                         const std::initializer_list<std::pair<const char *, QString>> &results)
{
    CJob j(ecu, job);
    j.timeStamp = time;
    for (const auto &r : results) {
        CJobResult res;
        res.name = r.first;
        res.format = 8;
        res.setTextValue(r.second.toLatin1().constData());
        j.addResult(res);
    }
    write(j);
}

void CsvLogWriter::write(const CJob &job)
{
    if (job.timeStamp > now)
        now = job.timeStamp;
    m_logger->handleData(job);
}

void CsvLogWriter::mark()
{
    m_logger->onMarkerEvent();
}

QString CsvLogWriter::stop()
{
    const QString name = m_logger->fileName();
    m_logger->stopLog();
    setWrittenAt(name, now);
    return name;
}
