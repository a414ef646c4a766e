#pragma once
// The stand-in's script: which ECU answers which job with what, read from
// JSON (format in README.md). Internal to the stand-in library.
#include "ediabasstandin.h"

#include <QHash>
#include <QJsonValue>
#include <QString>

namespace EdiabasStandIn {

struct ErrorDef
{
    int code = 0;
    QString text;
};

// The errors the runtime itself raises; a script may give other codes/texts.
struct ErrorDefs
{
    ErrorDef invalidHandle{133, QStringLiteral("API: no valid EDIABAS handle (not initialised or ended)")};
    ErrorDef initFailed{126, QStringLiteral("API: EDIABAS could not be initialised")};
    ErrorDef unknownEcu{22, QStringLiteral("SYS: ECU description not found: %1")};
    ErrorDef unknownJob{28, QStringLiteral("SYS: job not found: %1")};
    ErrorDef resultNotFound{134, QStringLiteral("API: result not found: %1")};
    ErrorDef jobBusy{124, QStringLiteral("API: job still running")};
    ErrorDef jobBroken{125, QStringLiteral("API: job broken")};
    ErrorDef noAnswer{19, QStringLiteral("IFH: no answer from the control unit")};
};

// Responses used in turn; the last one repeats.
struct ResponseList
{
    QVector<Response> responses;
    int next = 0;
    bool isEmpty() const { return responses.isEmpty(); }
    Response take();
};

struct JobEntry
{
    ResponseList responses;
    QHash<QString, ResponseList> byArguments;  // exact argument text
};

struct EcuEntry
{
    QString name;
    QString variant;
    QHash<QString, JobEntry> jobs;  // keyed by the upper-cased job name
    ResponseList defaults;
};

class EdiabasScript
{
public:
    enum Lookup { Found, UnknownEcu, UnknownJob };

    bool parse(const QByteArray &json, QString *error);

    // Picks the response for (ECU, job, arguments), else (ECU, job), else the
    // ECU's default. ECU and job names ignore case, arguments do not.
    Lookup resolve(const QString &ecu, const QString &job, const QString &arguments,
                   Response &out, QString &variant);

    bool initFails = false;
    ErrorDef initError;
    ErrorDefs errors;
    QHash<QString, EcuEntry> ecus;  // keyed by the upper-cased ECU name
};

// Parses one response object (also used for the handler tests' convenience).
bool parseResponse(const QJsonValue &value, Response &out, QString *error, const QString &where);

} // namespace EdiabasStandIn
