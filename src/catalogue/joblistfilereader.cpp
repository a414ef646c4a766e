#include "joblistfilereader.h"
#include "filelookup.h"
#include "kelvolog.h"
#include "latin1.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// Windows spellings ("jobs\serialjobs") still name the same folder.
QString slashes(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// The file's bytes as Latin-1 text; false when it cannot be opened.
bool readText(const QString &path, QString &text)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    text = QString::fromLatin1(f.readAll());
    return true;
}

// Lines without their end, a trailing "\r" removed.
QStringList splitLines(const QString &text)
{
    QStringList lines = text.split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

} // namespace

JobListFileReader::JobListFileReader()
    : logger(KelvoLog::get("filereader")), jobTitles(new QHash<QString, QString>)
{
    loadTranslations(FileLookup::resolve(titleFilePath()));
}

JobListFileReader::~JobListFileReader()
{
    qDeleteAll(prgFiles);
    prgFiles.clear();
    delete jobTitles;
}

QString JobListFileReader::ecuListPath() { return QStringLiteral("jobs/eculist.txt"); }
QString JobListFileReader::serialJobsDir() { return QStringLiteral("jobs/serialjobs"); }
QString JobListFileReader::customJobsDir() { return QStringLiteral("jobs/customjobs"); }
QString JobListFileReader::filterFilePath() { return QStringLiteral("job_filter_include.txt"); }
QString JobListFileReader::titleFilePath() { return QStringLiteral("translations.txt"); }

QStringList JobListFileReader::jobBlocks(const QString &text)
{
    static const QString key = QStringLiteral("JOBNAME");
    QStringList blocks;
    int start = text.indexOf(key);
    while (start >= 0) {
        const int next = text.indexOf(key, start + key.size());
        blocks << text.mid(start, next < 0 ? -1 : next - start);
        start = next;
    }
    return blocks;
}

QString JobListFileReader::ecuLine(const QString &text)
{
    for (const QString &line : splitLines(text)) {
        const QStringList fields = line.split(QLatin1Char(':'));
        if (fields.size() >= 2 && fields.at(0) == QLatin1String("ECU"))
            return fields.at(1);
    }
    return QString();
}

void JobListFileReader::readFromPrg(const QString &ecuListPath)
{
    LOG4CPLUS_DEBUG(logger, ">readFromPrg");
    QString text;
    if (!readText(FileLookup::resolve(slashes(ecuListPath)), text)) {
        LOG4CPLUS_WARN_FMT(logger, "ECU list %s not found", KELVO_QS(ecuListPath));
        LOG4CPLUS_DEBUG(logger, "<ReadFromPrg");
        return;
    }
    for (const QString &line : splitLines(text)) {
        const QString name = line.trimmed();
        if (name.isEmpty())
            continue;
        LOG4CPLUS_DEBUG_FMT(logger, "reading desc: %s", KELVO_QS(name));
        const QString description = ecuLine(reader.readDescriptionText(name + QStringLiteral(".prg")));
        if (description.isNull())
            continue;
        ecuDescriptions.insert(name, description);
        LOG4CPLUS_DEBUG_FMT(logger, "%s --> %s", KELVO_QS(name), KELVO_QS(description));
    }
    LOG4CPLUS_DEBUG(logger, "<ReadFromPrg");
}

void JobListFileReader::readBIVsFromdir(QString dir, bool biv)
{
    LOG4CPLUS_DEBUG(logger, ">readBIVsFromdir");
    QDir d(FileLookup::resolve(slashes(dir)));
    const QStringList entries = d.entryList(QStringList(biv ? QStringLiteral("*.biv") : QStringLiteral("*.txt")),
                                            QDir::Files, QDir::Name | QDir::IgnoreCase);
    for (const QString &entry : entries) {
        const QString path = d.absolutePath() + QLatin1Char('/') + entry;
        if (!biv) {
            readFromTxt(path);
            continue;
        }
        LOG4CPLUS_DEBUG_FMT(logger, "reading file: %s", KELVO_QS(path));
        const QString base = entry.section(QLatin1Char('.'), 0, 0);
        QString text;
        if (!readText(path, text)) {
            LOG4CPLUS_WARN_FMT(logger, "File not found: %s", KELVO_QS(path));
            continue;
        }
        const QString description = ecuLine(text);
        if (description.isNull()) {
            LOG4CPLUS_WARN_FMT(logger, "%s has no ECU line", KELVO_QS(path));
            continue;
        }
        ecuDescriptions.insert(base, description);
        LOG4CPLUS_DEBUG_FMT(logger, "%s --> %s", KELVO_QS(base), KELVO_QS(description));
    }
    LOG4CPLUS_DEBUG(logger, "<readBIVsFromdir");
}

void JobListFileReader::readFromTxt(QString path)
{
    QString text;
    if (!readText(FileLookup::resolve(slashes(path)), text))
        return;
    CPRGFile *current = nullptr;
    int lineNo = 0;
    for (const QString &line : splitLines(text)) {
        ++lineNo;
        const QStringList fields = line.split(QLatin1Char(','));
        if (fields.size() == 2) {
            current = new CPRGFile;
            current->name = Latin1::toStd(fields.at(0).toUpper());
            current->description = Latin1::toStd(fields.at(1).toUpper());
            prgFiles.append(current);
        } else if (fields.size() == 4) {
            if (!current) {
                LOG4CPLUS_WARN_FMT(logger, "%s line %d: job line before any ECU line skipped",
                                   KELVO_QS(path), lineNo);
                continue;
            }
            CJob *job = new CJob;
            job->ecuName = current->name;
            job->ecuDescription = current->description;
            job->jobName = Latin1::toStd(fields.at(0).toUpper());
            job->jobTitle = Latin1::toStd(fields.at(3));
            CJobResult result;
            result.name = Latin1::toStd(fields.at(1).toUpper());
            result.typeName = Latin1::toStd(fields.at(2).toUpper());
            result.displayName = Latin1::toStd(fields.at(3));
            job->addResult(result);
            current->addJob(job);
        }
    }
}

CJob *JobListFileReader::parseJob(QString &block)
{
    LOG4CPLUS_DEBUG(logger, ">parseJob");
    CJob *job = new CJob;
    CJobResult pending;
    bool hasPending = false;
    for (const QString &line : splitLines(block)) {
        LOG4CPLUS_TRACE_FMT(logger, "read line: %s", KELVO_QS(line));
        if (line.startsWith(QLatin1String("//")))
            continue;
        const QStringList fields = line.split(QLatin1Char(':'));
        if (fields.size() < 2)
            continue;
        const QString &key = fields.at(0);
        const std::string value = Latin1::toStd(fields.at(1));
        if (key == QLatin1String("JOBNAME")) {
            job->jobName = value;
            LOG4CPLUS_TRACE_FMT(logger, "Current job: %s", value.c_str());
        } else if (key == QLatin1String("TELEGRAM")) {
            job->telegram = value;
            LOG4CPLUS_TRACE_FMT(logger, "Current job telegram: %s", value.c_str());
        } else if (key == QLatin1String("JOBCOMMENT")) {
            if (job->comment.empty())
                job->comment = value;
        } else if (key == QLatin1String("VIRTUALNAME")) {
            if (job->virtualName.empty())
                job->virtualName = value;
        } else if (key == QLatin1String("JOBARGUMENT")) {
            if (job->arguments.empty())
                job->arguments = value;
        } else if (key == QLatin1String("RESULT")) {
            if (hasPending)
                job->addResult(pending);
            pending = CJobResult();
            pending.name = value;
            hasPending = true;
            LOG4CPLUS_TRACE_FMT(logger, "addResult %s", value.c_str());
        } else if (key == QLatin1String("RESULTTYPE")) {
            if (hasPending)
                pending.typeName = value;
            else
                LOG4CPLUS_WARN_FMT(logger, "tried to add resulttype %s to null result", value.c_str());
        } else if (key == QLatin1String("RESULTCOMMENT")) {
            if (hasPending)
                pending.comment = value;
            else
                LOG4CPLUS_WARN_FMT(logger, "tried to add resultcomment %s to null result", value.c_str());
        }
    }
    if (hasPending)
        job->addResult(pending);
    LOG4CPLUS_DEBUG(logger, "<parseJob");
    return job;
}

QRegExp JobListFileReader::buildFilter()
{
    QString pattern = QStringLiteral(".*");
    QString text;
    if (readText(FileLookup::resolve(filterFilePath()), text)) {
        const QStringList lines = splitLines(text);
        pattern = lines.isEmpty() ? QString() : lines.first();
    }
    QRegExp filter(pattern, Qt::CaseInsensitive);
    if (!filter.isValid()) {
        LOG4CPLUS_WARN_FMT(logger, "job filter '%s' is not a valid regular expression (%s); no job is filtered",
                           KELVO_QS(pattern), KELVO_QS(filter.errorString()));
        qWarning("job filter \"%s\" in %s is not a valid regular expression; no job is filtered",
                 qPrintable(pattern), qPrintable(filterFilePath()));
        filter = QRegExp(QStringLiteral(".*"), Qt::CaseInsensitive);
    }
    return filter;
}

void JobListFileReader::addJobs(CPRGFile *prg, const QString &text, bool filterOn, const QRegExp &filter)
{
    for (QString block : jobBlocks(text)) {
        CJob *job = parseJob(block);
        const QString jobName = Latin1::toQString(job->jobName);
        if (filterOn && !jobName.contains(filter)) {
            LOG4CPLUS_DEBUG_FMT(logger, "FILTERED: '%s'", job->jobName.c_str());
            delete job;
            continue;
        }
        job->jobTitle = job->jobName;
        job->ecuDescription = prg->description;
        job->ecuName = prg->name;
        const QString title = jobTitles->value(jobName);
        if (!title.isEmpty()) {
            job->jobTitle = Latin1::toStd(title);
            LOG4CPLUS_TRACE_FMT(logger, "translate:'%s'-->'%s'", job->jobName.c_str(), job->jobTitle.c_str());
        } else {
            LOG4CPLUS_TRACE_FMT(logger, "translation not found:'%s'", job->jobName.c_str());
            if (!job->comment.empty())
                job->jobTitle = job->comment;
        }
        LOG4CPLUS_DEBUG_FMT(logger, "add job to prg:'%s'", job->jobName.c_str());
        prg->addJob(job);
    }
}

CPRGFile *JobListFileReader::createPrgFromPrg(QString ecuName, bool filterOn)
{
    const QRegExp filter = buildFilter();
    const QString text = reader.readDescriptionBlock(ecuName + QStringLiteral(".prg"));
    CPRGFile *prg = new CPRGFile;
    prg->description = Latin1::toStd(ecuLine(text));
    prg->name = Latin1::toStd(ecuName);
    addJobs(prg, text, filterOn, filter);
    return prg;
}

CPRGFile *JobListFileReader::createPrgFromCustomJobBIV(QString fileName, bool filterOn, QString dir)
{
    const QString path = FileLookup::resolve(slashes(dir), fileName);
    const QString base = fileName.section(QLatin1Char('.'), 0, 0);
    const QRegExp filter = buildFilter();
    QString text;
    if (!readText(path, text)) {
        qDebug() << "file not found" << path;
        return nullptr;
    }
    CPRGFile *prg = new CPRGFile;
    prg->description = Latin1::toStd(ecuLine(text));
    prg->name = Latin1::toStd(base);
    addJobs(prg, text, filterOn, filter);

    const QString customPath = FileLookup::resolve(customJobsDir(), base + QStringLiteral("_CUSTOMJOBS.BIV"));
    QString custom;
    if (readText(customPath, custom)) {
        qDebug() << "CUSTOMJOBS:" << customPath;
        qDebug() << "START:" << custom.indexOf(QLatin1String("JOBNAME"));
        // Each user job goes in front, so they end up in reverse file order.
        for (QString block : jobBlocks(custom)) {
            qDebug() << "BLOKKI:" << block;
            CJob *job = parseJob(block);
            job->ecuName = prg->name;
            job->ecuDescription = prg->description;
            LOG4CPLUS_DEBUG_FMT(logger, "add virtual job:ecu'%s' name:'%s', virtual:'%s', args:'%s''",
                                job->ecuName.c_str(), job->jobName.c_str(), job->virtualName.c_str(),
                                job->arguments.c_str());
            job->jobTitle = job->comment;
            prg->insertJob(0, job);
        }
    }
    return prg;
}

QStringList JobListFileReader::getEcuNames() const
{
    return ecuDescriptions.keys();
}

QString JobListFileReader::getEcuDescription(QString ecuName) const
{
    return ecuDescriptions.value(ecuName);
}

void JobListFileReader::loadTranslations(QString path)
{
    jobTitles->clear();
    QString text;
    if (!readText(FileLookup::resolve(slashes(path)), text))
        return;
    int lineNo = 0;
    for (const QString &line : splitLines(text)) {
        ++lineNo;
        const QStringList fields = line.split(QLatin1Char('='));
        if (fields.size() < 2) {
            if (!line.trimmed().isEmpty())
                LOG4CPLUS_WARN_FMT(logger, "%s line %d has no '=', skipped", KELVO_QS(path), lineNo);
            continue;
        }
        jobTitles->insert(fields.at(0), fields.at(1));
    }
}
