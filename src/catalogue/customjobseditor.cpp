#include "customjobseditor.h"
#include "kelvolog.h"
#include "latin1.h"
#include "safefile.h"

#include <QDebug>
#include <QDomNodeList>
#include <QFile>
#include <QTextStream>

namespace {

// The text of the entry's child at that position (0-based); a child that is
// missing or is no element or text reads as empty.
QString childText(const QDomElement &entry, int position)
{
    const QDomNodeList children = entry.childNodes();
    if (position >= children.count())
        return QString();
    const QDomNode node = children.at(position);
    if (node.isElement())
        return node.toElement().text();
    if (node.isText() || node.isCDATASection())
        return node.nodeValue();
    return QString();
}

} // namespace

CustomJobsEditor::CustomJobsEditor()
    : file(QStringLiteral("config/customjobs.xml")), logger(KelvoLog::get("customjobseditor"))
{
}

CustomJobsEditor::ReadResult CustomJobsEditor::readFile(const char *countLabel, QList<QDomElement> &entries)
{
    entries.clear();
    error.clear();
    doc = QDomDocument();
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        error = QStringLiteral("%1 cannot be read: %2").arg(file, f.errorString());
        return ReadMissing;
    }
    QString parseError;
    int line = 0, column = 0;
    const bool parsed = doc.setContent(&f, &parseError, &line, &column);
    f.close();
    if (!parsed) {
        const QString msg = QStringLiteral("%1 is not valid XML (line %2, column %3: %4)")
                                .arg(file).arg(line).arg(column).arg(parseError);
        LOG4CPLUS_ERROR_FMT(logger, "%s", KELVO_QS(msg));
        qWarning("%s", qPrintable(msg));
        error = msg;
        doc = QDomDocument();
        return ReadBroken;
    }
    const QDomElement root = doc.documentElement();
    LOG4CPLUS_DEBUG_FMT(logger, "root: %s", KELVO_QS(root.tagName()));
    // A snapshot: the live node list would shift under a removal.
    const QDomNodeList list = root.elementsByTagName(QStringLiteral("customjob"));
    for (int i = 0; i < list.count(); ++i)
        entries << list.at(i).toElement();
    LOG4CPLUS_DEBUG_FMT(logger, countLabel, int(entries.size()));
    return ReadOk;
}

void CustomJobsEditor::readForListing(const char *countLabel, QList<QDomElement> &entries)
{
    if (readFile(countLabel, entries) == ReadMissing)
        LOG4CPLUS_ERROR_FMT(logger, "customjobs config:%s not found!", KELVO_QS(file));
}

CJob CustomJobsEditor::jobFrom(const QDomElement &entry)
{
    CJob job;
    job.ecuName = Latin1::toStd(entry.attribute(QStringLiteral("ecu")));
    job.jobName = Latin1::toStd(childText(entry, 0));
    job.virtualName = Latin1::toStd(childText(entry, 1));
    job.comment = Latin1::toStd(childText(entry, 2));
    job.arguments = Latin1::toStd(childText(entry, 3));
    return job;
}

QList<CJob> CustomJobsEditor::getCustomJobs(QString ecu)
{
    LOG4CPLUS_DEBUG_FMT(logger, "getCustomJobs: %s", KELVO_QS(ecu));
    QList<CJob> jobs;
    QList<QDomElement> entries;
    readForListing("customjob blocks found: %d", entries);
    for (const QDomElement &entry : entries) {
        const QString entryEcu = entry.attribute(QStringLiteral("ecu"));
        const int children = entry.childNodes().count();
        LOG4CPLUS_TRACE_FMT(logger, "ecu: %s,childnodes:%d", KELVO_QS(entryEcu), children);
        if (entryEcu != ecu)
            continue;
        CJob job = jobFrom(entry);
        job.jobTitle = job.comment;
        if (children == 5)
            job.resultAliases = Latin1::toStd(childText(entry, 4));
        jobs << job;
    }
    return jobs;
}

QList<CJob> CustomJobsEditor::getCustomJobs()
{
    QList<CJob> jobs;
    QList<QDomElement> entries;
    readForListing("Configuration blocks found: %d", entries);
    for (const QDomElement &entry : entries)
        jobs << jobFrom(entry);
    return jobs;
}

QDomElement CustomJobsEditor::buildEntry(const CJob &job)
{
    QDomElement entry = doc.createElement(QStringLiteral("customjob"));
    entry.setAttribute(QStringLiteral("ecu"), Latin1::toQString(job.ecuName));
    const std::pair<const char *, const std::string *> children[] = {
        {"jobname", &job.jobName},
        {"virtualname", &job.virtualName},
        {"comment", &job.comment},
        {"argument", &job.arguments},
    };
    for (const auto &child : children) {
        QDomElement e = doc.createElement(QString::fromLatin1(child.first));
        e.appendChild(doc.createTextNode(Latin1::toQString(*child.second)));
        entry.appendChild(e);
    }
    return entry;
}

bool CustomJobsEditor::matches(const QDomElement &entry, const CJob &job) const
{
    return entry.attribute(QStringLiteral("ecu")) == Latin1::toQString(job.ecuName)
           && childText(entry, 0) == Latin1::toQString(job.jobName)
           && childText(entry, 1) == Latin1::toQString(job.virtualName);
}

bool CustomJobsEditor::addJobAndSave(const CJob &job)
{
    LOG4CPLUS_DEBUG(logger, ">addJobAndSave");
    QList<QDomElement> entries;
    if (!readForChange(entries))
        return false;
    QDomElement root = doc.documentElement();
    const QDomElement entry = buildEntry(job);
    const QString ecu = Latin1::toQString(job.ecuName);
    bool placed = false;
    for (QDomElement &existing : entries) {
        if (existing.attribute(QStringLiteral("ecu")) != ecu)
            continue;
        LOG4CPLUS_DEBUG_FMT(logger, "adding job, ecu: %s, job: %s, virtualjob: %s", KELVO_QS(ecu),
                            job.jobName.c_str(), job.virtualName.c_str());
        existing.parentNode().insertBefore(entry, existing);
        placed = true;
        break;
    }
    if (!placed) {
        if (!entries.isEmpty())
            entries.first().parentNode().insertBefore(entry, entries.first());
        else
            root.insertBefore(entry, root.firstChild());
    }
    return save();
}

bool CustomJobsEditor::readForChange(QList<QDomElement> &entries)
{
    const ReadResult r = readFile("customjob blocks found: %d", entries);
    if (r == ReadMissing)
        LOG4CPLUS_ERROR_FMT(logger, "customjobfile:%s not found!", KELVO_QS(file));
    return r == ReadOk;
}

bool CustomJobsEditor::changeEntries(const CJob &job, const char *action,
                                     const std::function<void(QDomElement &)> &change)
{
    QList<QDomElement> entries;
    if (!readForChange(entries))
        return false;
    for (QDomElement &existing : entries) {
        if (!matches(existing, job))
            continue;
        LOG4CPLUS_DEBUG_FMT(logger, "%s, ecu: %s, job: %s, virtualjob: %s", action, job.ecuName.c_str(),
                            job.jobName.c_str(), job.virtualName.c_str());
        change(existing);
    }
    return save();
}

bool CustomJobsEditor::updateJobAndSave(const CJob &job)
{
    LOG4CPLUS_DEBUG(logger, ">updateJobAndSave");
    const bool ok = changeEntries(job, "updating", [&](QDomElement &existing) {
        QDomElement entry = buildEntry(job);
        // The result aliases are set in the custom-job window's alias editor,
        // not in the job: keep them.
        const QDomNodeList children = existing.childNodes();
        if (children.count() >= 5)
            entry.appendChild(children.at(4).cloneNode(true));
        existing.parentNode().replaceChild(entry, existing);
    });
    if (ok)
        qDebug().noquote() << doc.toString(1);
    return ok;
}

bool CustomJobsEditor::delJobAndSave(const CJob &job)
{
    LOG4CPLUS_DEBUG(logger, ">updateJobAndSave");
    return changeEntries(job, "removing",
                         [](QDomElement &existing) { existing.parentNode().removeChild(existing); });
}

bool CustomJobsEditor::save()
{
    QByteArray bytes;
    {
        QTextStream out(&bytes, QIODevice::WriteOnly);
        out.setCodec("UTF-8");
        doc.save(out, 1);
    }
    // A document that saves to nothing would empty the user's file.
    SafeFile f(file);
    const bool saved = !bytes.isEmpty() && f.write(bytes);
    if (!saved) {
        if (!bytes.isEmpty() && f.openFailed()) {
            LOG4CPLUS_ERROR(logger, "Can't open customjobs.xml");
            error = QStringLiteral("Can't open %1 for writing: %2").arg(file, f.errorString());
        } else {
            LOG4CPLUS_ERROR(logger, "Can't save to customjobs.xml");
            error = QStringLiteral("Can't save to %1: %2")
                        .arg(file, bytes.isEmpty() ? QStringLiteral("nothing to write") : f.errorString());
        }
        qWarning("%s", qPrintable(error));
        return false;
    }
    LOG4CPLUS_DEBUG(logger, "<updateJobAndSave");
    return true;
}
