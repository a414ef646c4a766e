// Reply cutting and decoding under arbitrary input.
//
// First byte, bit 7 clear: a serial exchange with one of the built-in
// tables. The byte picks the table (low 5 bits) and the digital-status job
// name (bit 6); byte 1 picks the telegram, byte 2 the chunk size the
// adapter delivers; with bit 5 set the echo is left out. The rest are the
// received bytes after the echo, cut by EcuMsg and decoded with the table;
// the same bytes are also decoded directly as a reply.
//
// Bit 7 set: the rest up to the first NUL is a table text, loaded as rows,
// and what follows the NUL is a reply decoded with every row.
#include "cjob.h"
#include "ecudataresponse.h"
#include "ecudatasolver.h"
#include "ecudatatable.h"
#include "ecumsg.h"
#include "fuzzworkdir.h"
#include "latin1.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

namespace {

struct Setup
{
    QTemporaryDir dir;
    EcuDataSolver solver;
    QStringList keys;
    Setup()
    {
        Fuzz::quiet();
        // The tables are switched on by files in "ecudata" of the working
        // directory; libFuzzer writes its corpus relative to the old one.
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QDir().mkpath(QStringLiteral("ecudata"));
        for (const char *key : {"ME72KWP1", "DM338DS0", "DM338DS1", "MS410DS1", "MS410DS3", "MS420DS0", "MS430DS0",
                                "DM528DS3", "DM528DS0", "DM524DS0", "BMSS501", "M60_338D", "MSS54DS0", "MSS52DS0",
                                "MSS52DS1", "DM5212R5", "DM5212L5", "MS411DS1", "ME9K_NG4", "D73N57C0", "MRMA24"}) {
            QFile f(QStringLiteral("ecudata/%1_DATATABLE").arg(QLatin1String(key)));
            f.open(QIODevice::WriteOnly);
        }
        solver.loadTables();
        keys = solver.tableNames();
        QDir::setCurrent(previous);
    }
};

Setup &setup()
{
    static Setup s;
    return s;
}

void exchange(const uint8_t *data, size_t size)
{
    Setup &s = setup();
    if (s.keys.isEmpty())
        return;
    const QString key = s.keys.at(data[0] % 32 % s.keys.size());
    EcuDataTable *table = s.solver.tableByName(key);
    const QStringList telegrams = table->telegrams();
    CJob job;
    job.ecuName = Latin1::toStd(key + QStringLiteral("_SERIAL"));
    job.jobName = (data[0] & 0x40) ? "STATUS_DIGITAL" : "STATUS";
    job.telegram = telegrams.isEmpty() ? std::string() : Latin1::toStd(telegrams.at(data[1] % telegrams.size()));
    const int chunk = data[2] ? data[2] : 1;
    const QByteArray received(reinterpret_cast<const char *>(data + 3), int(size - 3));

    const QByteArray request = EcuMsg::buildRequest(job.ecuName, job.telegram);
    QByteArray stream = (data[0] & 0x20) ? QByteArray() : request;
    stream += received;

    EcuMsg msg;
    msg.clear();
    msg.setTelegram(request);
    for (int at = 0; at < stream.size(); at += chunk) {
        msg.addData(stream.mid(at, chunk));
        if (msg.hasError() || msg.status() == EcuMsg::Complete)
            break;
    }
    EcuDataResponse response;
    if (!msg.hasError()) {
        response.setData(msg.message());
        s.solver.fillJobResults(job, response);
    }
    CJob direct = job;
    direct.clearResults();
    response.setData(received);
    s.solver.fillJobResults(direct, response);
}

void tableText(const uint8_t *data, size_t size)
{
    Setup &s = setup();
    const QByteArray all(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const int nul = all.indexOf('\0');
    const QByteArray text = nul < 0 ? all : all.left(nul);
    EcuDataResponse response;
    response.setData(nul < 0 ? QByteArray() : all.mid(nul + 1));
    EcuDataTable table(QStringLiteral("FUZZ"));
    table.loadText(QString::fromLatin1(text));
    CJob job;
    for (const ResultInfoRow &row : table.rows) {
        s.solver.getSingleResult(row, response);
        s.solver.formatResultLine(row, response);
        if (EcuDataSolver::replyHoldsRow(row, response.data()))
            s.solver.solveResults(job, row, response);
    }
    for (const QString &tel : table.telegrams()) {
        job.telegram = Latin1::toStd(tel);
        table.rowsForTelegram(job);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    if (data[0] & 0x80)
        tableText(data, size);
    else
        exchange(data, size);
    return 0;
}
