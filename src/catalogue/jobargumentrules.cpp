#include "jobargumentrules.h"

#include "cjob.h"
#include "latin1.h"

#include <QDebug>
#include <algorithm>
#include <memory>

namespace {

struct Rule
{
    const char *jobName;
    const char *table;
    const char *separator;
};

// Indexed by kind.
const Rule rules[] = {
    {"MW_SELECT_LESEN_NORM", "BETRIEBSWTAB", ""},
    {"STATUS_MESSWERTBLOCK_LESEN", "MESSWERTETAB", ";"},
    {"MESSWERTBLOCK_LESEN", "MESSWERTETAB", ","},
    {"MW_SELECT_LESEN_NORM2", "MESSWERTETAB", " "},
    {"STATUS_BLOCK_LESEN", "SG_FUNKTIONEN", ";"},
};

// The ECUs whose MW_SELECT_LESEN_NORM table keeps the selectors in "ADR".
const char *const addressEcus[] = {"dde40kw0", "dde41kr0", "dde41kl0", "dde30ds0",  "d40m57a1", "d40mv401b",
                                   "d50m47a",  "d50m57a0", "d50m57a1", "d50m57c0", "d50m57d0"};

// The ECUs whose STATUS_BLOCK_LESEN starts with mode 0.
const char *const modeZeroEcus[] = {"n63", "s55", "mevd"};

} // namespace

int JobArgumentRules::getJobKind(const QString &jobName) const
{
    for (int kind = 0; kind < int(sizeof rules / sizeof rules[0]); ++kind) {
        if (jobName == QLatin1String(rules[kind].jobName))
            return kind;
    }
    return NoKind;
}

QString JobArgumentRules::getTableName(const QString &jobName) const
{
    const int kind = getJobKind(jobName);
    return kind == NoKind ? QString() : QString::fromLatin1(rules[kind].table);
}

QString JobArgumentRules::getSeparator(const QString &jobName) const
{
    const int kind = getJobKind(jobName);
    return kind == NoKind ? QStringLiteral(";") : QString::fromLatin1(rules[kind].separator);
}

QString JobArgumentRules::getArgumentPrefix(const QString &jobName, const CJob &job) const
{
    switch (getJobKind(jobName)) {
    case StatusMesswertblockLesen:
        return QStringLiteral("3");
    case StatusBlockLesen: {
        const QString ecu = Latin1::toQString(job.ecuName);
        for (const char *name : modeZeroEcus) {
            if (ecu.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return QStringLiteral("0;JA;ID");
        }
        return QStringLiteral("3;JA;ID");
    }
    default:
        return QString();
    }
}

QString JobArgumentRules::getArgumentColumn(const QString &ecu, const QString &jobName, QString arguments) const
{
    switch (getJobKind(jobName)) {
    case MwSelectLesenNorm: {
        const QString lower = ecu.toLower();
        for (const char *name : addressEcus) {
            if (lower == QLatin1String(name))
                return QStringLiteral("ADR");
        }
        return QStringLiteral("ADR_ALT");
    }
    case StatusMesswertblockLesen: {
        if (arguments.isEmpty())
            return QString();
        qDebug() << "jobargument:" << arguments;
        bool number = false;
        const int mode = arguments.section(QLatin1Char(';'), 0, 0).toInt(&number, 10);
        if (!number)
            return QStringLiteral("ARG");
        switch (mode) {
        case 0:
        case 1:
            return QStringLiteral("ARG");
        case 2:
        case 3:
            return QStringLiteral("ID");
        case 4:
        case 5:
            return QStringLiteral("LABEL");
        default:
            return QString();
        }
    }
    case MwSelectLesenNorm2:
        return QStringLiteral("LABEL");
    case MesswertblockLesen:
    case StatusBlockLesen:
        return QStringLiteral("ID");
    default:
        return QString();
    }
}

bool JobArgumentRules::isHexArgument(const QString &jobName, const QString &value) const
{
    return getJobKind(jobName) == MwSelectLesenNorm && value.startsWith(QLatin1String("0x"));
}

QStringList JobArgumentRules::parseArgument(const QString &jobName, const QString &arguments, bool *error) const
{
    qDebug() << ">parseArgument:" << arguments;
    QStringList selectors;
    if (getJobKind(jobName) == MwSelectLesenNorm) {
        if (arguments.size() % FixedWidth != 0) {
            qDebug() << "ERROR INARGUMENT SIZE";
            if (error)
                *error = true;
            return selectors;
        }
        for (int i = 0; i < arguments.size(); i += FixedWidth)
            selectors << arguments.mid(i, FixedWidth);
        return selectors;
    }
    // A job without arguments has no selector, not one empty selector.
    if (arguments.isEmpty())
        return selectors;
    return arguments.split(getSeparator(jobName), Qt::KeepEmptyParts);
}

int JobArgumentRules::prefixFieldCount(const QString &jobName) const
{
    const QString prefix = getArgumentPrefix(jobName, CJob());
    return prefix.isEmpty() ? 0 : prefix.split(getSeparator(jobName)).size();
}

QStringList JobArgumentRules::parseSelectors(const QString &jobName, const QString &arguments, bool *error) const
{
    return parseArgument(jobName, arguments, error).mid(prefixFieldCount(jobName));
}

QString JobArgumentRules::joinArguments(const QStringList &selectors, const CJob &job) const
{
    return selectors.join(getSeparator(Latin1::toQString(job.jobName)));
}

QString JobArgumentRules::refusal(const CJob &job, const QString &selector) const
{
    const QString jobName = Latin1::toQString(job.jobName);
    const QString separator = getSeparator(jobName);
    if (selector.isEmpty())
        return QStringLiteral("an empty selector");
    if (!separator.isEmpty() && selector.contains(separator))
        return QStringLiteral("the selector '%1' holds the separator '%2' of %3").arg(selector, separator, jobName);
    if (getJobKind(jobName) == MwSelectLesenNorm) {
        if (selector.size() != FixedWidth)
            return QStringLiteral("the selector '%1' of %2 is not %3 characters long")
                .arg(selector, jobName)
                .arg(FixedWidth);
        // Appended to arguments of a broken length it would be cut apart.
        if (job.arguments.size() % FixedWidth != 0)
            return QStringLiteral("the arguments '%1' of %2 are not made of %3-character selectors")
                .arg(Latin1::toQString(job.arguments), jobName)
                .arg(FixedWidth);
    }
    // Appended to a cut-off prefix it would be read as a prefix field.
    const int prefixFields = prefixFieldCount(jobName);
    bool error = false;
    if (parseArgument(jobName, Latin1::toQString(job.arguments), &error).size() < prefixFields)
        return QStringLiteral("the arguments '%1' of %2 lack their %3 prefix fields")
            .arg(Latin1::toQString(job.arguments), jobName)
            .arg(prefixFields);
    return QString();
}

bool JobArgumentRules::addArgument(CJob &job, const QString &selector) const
{
    if (!refusal(job, selector).isEmpty())
        return false;
    QString arguments = Latin1::toQString(job.arguments);
    if (!arguments.isEmpty())
        arguments += getSeparator(Latin1::toQString(job.jobName));
    arguments += selector;
    job.arguments = Latin1::toStd(arguments);
    return true;
}

bool JobArgumentRules::removeArgument(CJob &job, const QString &selector) const
{
    bool error = false;
    QStringList selectors = parseArgument(Latin1::toQString(job.jobName), Latin1::toQString(job.arguments), &error);
    if (error)
        return false;
    // A prefix field may read like a selector ("ID", "3"): it is no
    // selector and stays.
    const int prefixFields = std::min(prefixFieldCount(Latin1::toQString(job.jobName)), int(selectors.size()));
    QStringList kept = selectors.mid(prefixFields);
    kept.removeAll(selector);
    selectors = selectors.mid(0, prefixFields) + kept;
    job.arguments = Latin1::toStd(joinArguments(selectors, job));
    return true;
}

QPair<QString, QString> JobArgumentRules::findMeasureJob(const QString &ecu) const
{
    return findMeasureJob(ecu, PRGFileReader());
}

QPair<QString, QString> JobArgumentRules::findMeasureJob(const QString &ecu, PRGFileReader reader) const
{
    const QString file = ecu + QStringLiteral(".prg");
    const QStringList jobs = reader.jobNames(file);
    qDebug() << "joblist read:" << jobs;
    // The first that applies counts; there is no fall-back to the next.
    for (int kind : {int(StatusBlockLesen), int(StatusMesswertblockLesen), int(MwSelectLesenNorm)}) {
        const QString job = QString::fromLatin1(rules[kind].jobName);
        if (!jobs.contains(job))
            continue;
        const QString table = QString::fromLatin1(rules[kind].table);
        const std::unique_ptr<PRGTable> read(reader.readTable(file, table));
        if (!read)
            return {};
        return {job, table};
    }
    return {};
}
