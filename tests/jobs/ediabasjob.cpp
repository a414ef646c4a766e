// ediabasjob [-C DIR] ECU JOB [ARGUMENTS]
// Runs one EDIABAS job through the program's binding in the working directory
// DIR (where the runtime finds "ediabas/ediabas.json") and prints its
// results, one line per result: "set N: NAME (TYPE) = TEXT". Exit status 0
// when the job ended ready, else 1 with the EDIABAS error on stderr.
#include "ediabasapi.h"
#include "ediabassessionlock.h"
#include "ediabasutils.h"

#include <QCoreApplication>
#include <QDir>
#include <QStringList>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &msg) {
        if (type != QtDebugMsg)
            std::fprintf(stderr, "%s\n", msg.toLocal8Bit().constData());
    });
    QStringList args = app.arguments().mid(1);
    if (args.size() >= 2 && args.first() == QLatin1String("-C")) {
        if (!QDir::setCurrent(args.at(1))) {
            std::fprintf(stderr, "ediabasjob: cannot change to %s\n", args.at(1).toLocal8Bit().constData());
            return 2;
        }
        args = args.mid(2);
    }
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: ediabasjob [-C DIR] ECU JOB [ARGUMENTS]\n");
        return 2;
    }
    {
        EdiabasSessionLock lock;
        if (!apiInit()) {
            const char *err = apiErrorText();
            std::fprintf(stderr, "apiInit failed: %d %s\n", apiErrorCode(), err ? err : "");
            return 1;
        }
    }
    EdiabasUtils utils;
    ResultList lst;
    const int state = utils.execApiJob(args.at(0), args.at(1), args.value(2), lst);
    int status = 0;
    {
        EdiabasSessionLock lock;
        if (state != 1) {
            const char *err = apiErrorText();
            std::fprintf(stderr, "state %d, error %d: %s\n", state, apiErrorCode(), err ? err : "");
            status = 1;
        }
        apiEnd();
    }
    for (int set = 0; set < lst.count(); ++set)
        for (const CJobResult &r : lst.value(set))
            std::printf("set %d: %s (%s) = %s\n", set, r.name.c_str(), r.typeName.c_str(), r.textValue);
    return status;
}
