// The EDIABAS stand-in's JSON script: parse it, and when it is accepted run
// each scripted job once and read every result back through the runtime's
// entry points.
#include "api32.h"
#include "ediabasstandin.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char *>(data), int(size));
    EdiabasStandIn::reset();
    if (!EdiabasStandIn::loadScript(json))
        return 0;
    // No waiting in a fuzz run.
    EdiabasStandIn::setHandler([](const EdiabasStandIn::JobRequest &, EdiabasStandIn::Response &r) {
        r.busyMs = 0;
        r.busyUntilBroken = false;
        r.traceDelayMs = 0;
    });
    ApiHandle h = 0;
    if (!__apiInit(&h))
        return 0;
    QStringList jobs;  // "ECU\tJOB\tARGS"
    const QJsonObject ecus = QJsonDocument::fromJson(json).object().value(QStringLiteral("ecus")).toObject();
    for (auto e = ecus.begin(); e != ecus.end() && jobs.size() < 16; ++e) {
        jobs << e.key() + QStringLiteral("\tDEFAULT_JOB\t");
        const QJsonObject js = e.value().toObject().value(QStringLiteral("jobs")).toObject();
        for (auto j = js.begin(); j != js.end() && jobs.size() < 16; ++j) {
            jobs << e.key() + QLatin1Char('\t') + j.key() + QLatin1Char('\t');
            const QJsonObject args = j.value().toObject().value(QStringLiteral("arguments")).toObject();
            for (auto a = args.begin(); a != args.end() && jobs.size() < 16; ++a)
                jobs << e.key() + QLatin1Char('\t') + j.key() + QLatin1Char('\t') + a.key();
        }
    }
    for (const QString &line : jobs) {
        const QStringList p = line.split(QLatin1Char('\t'));
        __apiJob(h, p.at(0).toLatin1().constData(), p.at(1).toLatin1().constData(), p.at(2).toLatin1().constData(), "");
        __apiState(h);
        unsigned short sets = 0;
        __apiResultSets(h, &sets);
        for (unsigned short s = 0; s <= sets && s < 64; ++s) {
            unsigned short count = 0;
            __apiResultNumber(h, &count, s);
            for (unsigned short i = 1; i <= count && i < 256; ++i) {
                char name[APIMAXNAME];
                char text[APIMAXTEXT];
                static unsigned char bytes[APIMAXBINARY];
                unsigned short len = 0;
                double real = 0;
                short integer = 0;
                int format = 0;
                if (!__apiResultName(h, name, i, s))
                    continue;
                __apiResultText(h, text, name, s, "");
                __apiResultFormat(h, &format, name, s);
                __apiResultReal(h, &real, name, s);
                __apiResultInt(h, &integer, name, s);
                __apiResultBinary(h, bytes, &len, name, s);
            }
        }
        char err[256];
        __apiErrorCode(h);
        __apiErrorText(h, err, sizeof err);
    }
    __apiEnd(h);
    return 0;
}
