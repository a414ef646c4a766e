// The argument rules of the measuring jobs on any argument string and any
// selector: parsing and joining give the string back, an added selector is
// the last one parsed, a removed one is gone from the selectors while the
// prefix fields stay, and a refusal changes nothing.
//
// Input: one byte choosing the job, then the arguments, the selector and
// the ECU name, separated by zero bytes (all Latin-1).
#include "cjob.h"
#include "fuzzjobinput.h"
#include "jobargumentrules.h"
#include "latin1.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzJobInput input;
    if (!input.decode(data, size))
        return 0;
    const QString jobName = input.jobName;
    const QString arguments = input.text(0);
    const QString selector = input.text(1);
    const QString ecu = input.text(2);

    const JobArgumentRules rules;
    CJob job(Latin1::toStd(ecu), Latin1::toStd(jobName));
    job.arguments = Latin1::toStd(arguments);
    rules.getArgumentColumn(ecu, jobName, arguments);
    rules.getArgumentPrefix(jobName, job);
    rules.isHexArgument(jobName, selector);

    bool error = false;
    const QStringList selectors = rules.parseArgument(jobName, arguments, &error);
    if (!error)
        Fuzz::check(rules.joinArguments(selectors, job) == arguments);
    else
        Fuzz::check(rules.getJobKind(jobName) == JobArgumentRules::MwSelectLesenNorm && selectors.isEmpty());

    CJob added = job;
    if (rules.addArgument(added, selector)) {
        Fuzz::check(rules.refusal(job, selector).isEmpty());
        bool addError = false;
        const QStringList after = rules.parseArgument(jobName, Latin1::toQString(added.arguments), &addError);
        Fuzz::check(!addError && after == selectors + QStringList{selector});
    } else {
        Fuzz::check(!rules.refusal(job, selector).isEmpty());
        Fuzz::check(added.arguments == job.arguments);
    }

    CJob removed = job;
    if (rules.removeArgument(removed, selector)) {
        const int prefixFields = std::min(rules.prefixFieldCount(jobName), int(selectors.size()));
        QStringList expected = selectors.mid(prefixFields);
        expected.removeAll(selector);
        expected = selectors.mid(0, prefixFields) + expected;
        // The rest joined again (a lone empty selector left over joins to
        // no arguments at all).
        Fuzz::check(Latin1::toQString(removed.arguments) == rules.joinArguments(expected, job));
        bool removeError = false;
        const QStringList after = rules.parseArgument(jobName, Latin1::toQString(removed.arguments), &removeError);
        Fuzz::check(!removeError && !after.mid(prefixFields).contains(selector));
        Fuzz::check(Latin1::toQString(removed.arguments)
                        .startsWith(rules.joinArguments(selectors.mid(0, prefixFields), job)));
    } else {
        Fuzz::check(error && removed.arguments == job.arguments);
    }
    return 0;
}
