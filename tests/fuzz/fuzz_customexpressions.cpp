// "config/customexpressions.xml" is the user's own file: any bytes must load
// and every filed formula must evaluate, run after run, without a crash.
#include "cjob.h"
#include "customexpressionseditor.h"
#include "fuzzworkdir.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = (Fuzz::quiet(), true);
    Q_UNUSED(quiet);
    CustomExpressionsEditor editor;
    editor.loadConfig(QByteArray(reinterpret_cast<const char *>(data), int(size)));

    // Run every ECU/job pair the file names twice, with results that change
    // between the runs so that names appear and disappear.
    QList<CJob> jobs;
    jobs << CJob("E", "J") << CJob("D_MOTOR", "STATUS_X");
    for (int run = 0; run < 2; ++run) {
        for (CJob job : jobs) {
            const char *names[] = {"X", "T[0]", "Y", "A-B", "WERT[1]"};
            for (int i = 0; i < 5; ++i) {
                if ((i + run) % 2 == 0)
                    continue;
                CJobResult r;
                r.name = names[i];
                r.realValue = 1.5 * i;
                r.format = i == 2 ? 2 : 8;
                r.intValue = qint16(i);
                job.addResult(r);
            }
            editor.applyExpressions(job);
        }
    }
    return 0;
}
