#pragma once
// How an external source says that it does not read: one pseudo job with
// the result 349, its job name, no results and an error text that the
// plot window's status line shows, with the reason in the system's words.
//
// The port-holding parts of the sources (stream handlers, readers) emit
// their error(QString) as "<what failed>: <reason>", for instance
// "open com port failed: No such file or directory" or
// "port lost: the line hung up"; fromStreamError() turns such a text into the
// job's error text: "failed to open port <port>: <reason>" or
// "port lost: <reason>".
#include "cjob.h"

#include <QString>

class ExtSourceFailure
{
public:
    enum { Result = 349 };

    static QString openFailed(const QString &port, const QString &reason);
    static QString lost(const QString &reason);
    // A stream's error text: a loss when it begins with "port lost", else
    // a port that did not open.
    static bool isLoss(const QString &streamError);
    static QString reasonOf(const QString &streamError);
    // The job that carries the error text.
    static CJob job(const QString &jobName, const QString &errorText);
    // The job for a stream's error text on that port.
    static CJob fromStreamError(const QString &jobName, const QString &port, const QString &streamError);
};
