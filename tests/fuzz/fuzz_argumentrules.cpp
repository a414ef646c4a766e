// The argument rules of the measuring jobs on any argument string and any
// selector: parsing and joining give the string back, an added selector is
// the last one parsed, a removed one is gone, and a refusal changes nothing.
//
// Input: one byte choosing the job, then the arguments, the selector and
// the ECU name, separated by zero bytes (all Latin-1).
#include "cjob.h"
#include "fuzzworkdir.h"
#include "jobargumentrules.h"
#include "latin1.h"

#include <cstdint>
#include <cstdlib>

namespace {
const char *const jobs[] = {"MW_SELECT_LESEN_NORM", "STATUS_MESSWERTBLOCK_LESEN", "MESSWERTBLOCK_LESEN",
                            "MW_SELECT_LESEN_NORM2", "STATUS_BLOCK_LESEN", "STATUS_LMM"};

void check(bool holds)
{
    if (!holds)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = (Fuzz::quiet(), true);
    (void)quiet;
    if (size < 1)
        return 0;
    const QString jobName = QString::fromLatin1(jobs[data[0] % (sizeof jobs / sizeof jobs[0])]);
    const QStringList parts =
        QString::fromLatin1(reinterpret_cast<const char *>(data + 1), int(size - 1)).split(QChar(0));
    const QString arguments = parts.value(0);
    const QString selector = parts.value(1);
    const QString ecu = parts.value(2);

    const JobArgumentRules rules;
    CJob job(Latin1::toStd(ecu), Latin1::toStd(jobName));
    job.arguments = Latin1::toStd(arguments);
    rules.getArgumentColumn(ecu, jobName, arguments);
    rules.getArgumentPrefix(jobName, job);
    rules.isHexArgument(jobName, selector);

    bool error = false;
    const QStringList selectors = rules.parseArgument(jobName, arguments, &error);
    if (!error)
        check(rules.joinArguments(selectors, job) == arguments);
    else
        check(rules.getJobKind(jobName) == JobArgumentRules::MwSelectLesenNorm && selectors.isEmpty());

    CJob added = job;
    if (rules.addArgument(added, selector)) {
        check(rules.refusal(job, selector).isEmpty());
        bool addError = false;
        const QStringList after = rules.parseArgument(jobName, Latin1::toQString(added.arguments), &addError);
        check(!addError && after == selectors + QStringList{selector});
    } else {
        check(!rules.refusal(job, selector).isEmpty());
        check(added.arguments == job.arguments);
    }

    CJob removed = job;
    if (rules.removeArgument(removed, selector)) {
        QStringList expected = selectors;
        expected.removeAll(selector);
        bool removeError = false;
        check(rules.parseArgument(jobName, Latin1::toQString(removed.arguments), &removeError) == expected);
        check(!removeError);
    } else {
        check(error && removed.arguments == job.arguments);
    }
    return 0;
}
