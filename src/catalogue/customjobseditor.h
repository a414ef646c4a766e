#pragma once
// The store of the user's custom jobs, "config/customjobs.xml": EDIABAS jobs
// with a fixed argument string and a name of the user's own. Made for one
// operation and dropped after it; every operation reads the file anew.
//
// Each entry is an element "customjob" with the attribute "ecu" and the
// children jobname, virtualname, comment, argument and, optionally, a fifth
// child holding the result aliases. Children are taken by position.
//
// The file belongs to the user: it is written through SafeFile (a failed
// write keeps the old file) and never over a file that did not parse.
#include "cjob.h"

#include <QDomDocument>
#include <QDomElement>
#include <QList>
#include <QString>
#include <functional>
#include <log4cplus/logger.h>

class CustomJobsEditor
{
public:
    CustomJobsEditor();

    // The entries of that ECU (exact, case-sensitive), in file order.
    QList<CJob> getCustomJobs(QString ecu);
    // Every entry in file order.
    QList<CJob> getCustomJobs();

    // Each returns whether the file now holds the change.
    bool addJobAndSave(const CJob &job);
    bool updateJobAndSave(const CJob &job);
    bool delJobAndSave(const CJob &job);

    QString fileName() const { return file; }
    // Why the last operation failed, for the user (the file is missing, is
    // not valid XML, cannot be written); empty after a success.
    QString errorString() const { return error; }

private:
    enum ReadResult { ReadOk, ReadMissing, ReadBroken };
    ReadResult readFile(const char *countLabel, QList<QDomElement> &entries);
    // Reads the file for a listing; a missing file is logged and lists nothing.
    void readForListing(const char *countLabel, QList<QDomElement> &entries);
    // The job an entry names, with its comment and argument.
    static CJob jobFrom(const QDomElement &entry);
    // Reads the file for a change; false (logged) when it is missing or broken.
    bool readForChange(QList<QDomElement> &entries);
    // Hands every entry of that job to `change`, then saves.
    bool changeEntries(const CJob &job, const char *action, const std::function<void(QDomElement &)> &change);
    bool save();
    QDomElement buildEntry(const CJob &job);
    bool matches(const QDomElement &entry, const CJob &job) const;

    QDomDocument doc;
    QString file;
    QString error;
    log4cplus::Logger logger;
};
