#include "ecudatasolver.h"

#include "cjob.h"
#include "cjobresult.h"
#include "ecudataresponse.h"
#include "kelvolog.h"
#include "latin1.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>

namespace {

const QString digitalEcu = QStringLiteral("BMSS501_SERIAL");
const char *const digitalJobPrefix = "STATUS_DIGITAL";
const int digitalStatusByte = 7;

int bytesRead(const QString &dataType)
{
    return (dataType == QLatin1String("4") || dataType == QLatin1String("5") || dataType == QLatin1String("7")) ? 2 : 1;
}

QString percentE(double v)
{
    // Qt's own formatting: the C library's would follow LC_NUMERIC.
    return QString::asprintf("%E", v);
}

} // namespace

EcuDataSolver::EcuDataSolver(QObject *parent)
    : QObject(parent), logger(KelvoLog::get("datatable"))
{
}

EcuDataSolver::~EcuDataSolver()
{
    clearTables();
}

bool EcuDataSolver::loadTables()
{
    const QDir dir(QStringLiteral("ecudata"));
    if (!dir.exists())
        return true;
    const QFileInfoList entries = dir.entryInfoList({QStringLiteral("*_DATATABLE")},
                                                    QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                                                    QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &entry : entries) {
        const QString path = dir.absolutePath() + QLatin1Char('/') + entry.fileName();
        LOG4CPLUS_DEBUG_FMT(logger, "read datafile:%s", KELVO_QS(path));
        const QString baseName = entry.fileName().section(QLatin1Char('.'), 0, 0);
        const int at = baseName.indexOf(QLatin1String("_DATATABLE"));
        if (at <= 0)
            continue;
        const QString key = baseName.left(at);
        auto *table = new EcuDataTable(key);
        table->loadTable(path);
        LOG4CPLUS_DEBUG_FMT(logger, "insert datatable: %s", KELVO_QS(key));
        delete tables.value(key, nullptr);
        tables.insert(key, table);
    }
    return true;
}

void EcuDataSolver::clearTables()
{
    qDeleteAll(tables);
    tables.clear();
    scratchRows.clear();
}

QStringList EcuDataSolver::tableNames() const
{
    QStringList names = tables.keys();
    std::sort(names.begin(), names.end());
    return names;
}

EcuDataTable *EcuDataSolver::getEcuDataTable(const CJob &job) const
{
    LOG4CPLUS_DEBUG_FMT(logger, "getEcuDataTable for job: %s", job.ecuName.c_str());
    const QString key = Latin1::toQString(job.ecuName).remove(QStringLiteral("_SERIAL"));
    LOG4CPLUS_DEBUG_FMT(logger, "key: %s", KELVO_QS(key));
    EcuDataTable *table = tables.value(key, nullptr);
    if (!table) {
        LOG4CPLUS_ERROR_FMT(logger, "no EcuDataTable found for key: %s", KELVO_QS(key));
        return nullptr;
    }
    LOG4CPLUS_DEBUG_FMT(logger, "return EcuDataTable: %s", KELVO_QS(key));
    return table;
}

bool EcuDataSolver::fillJobResults(CJob &job, EcuDataResponse &response)
{
    LOG4CPLUS_DEBUG_FMT(logger, "fillJobResults: %s", job.jobName.c_str());
    const QByteArray &reply = response.data();

    if (Latin1::toQString(job.ecuName) == digitalEcu && job.jobName.rfind(digitalJobPrefix, 0) == 0) {
        if (reply.size() > digitalStatusByte) {
            const unsigned char status = static_cast<unsigned char>(reply.at(digitalStatusByte));
            QDebug zlist = qDebug();
            zlist << "zlist=";
            for (int j = 0; j < 6; ++j)
                zlist << (status & (1 << j));
            for (int j = 0; j < 6; ++j) {
                const int z = (status & (1 << j)) ? 1 : 0;
                qDebug() << "z=" << z;
                CJobResult r;
                r.name = "ZUENDUNG" + std::to_string(j) + "_AKTIV";
                r.displayName = r.name;
                r.typeName = "int";
                r.format = 2;
                r.intValue = qint16(z);
                r.realValue = z;
                r.setTextValue(Latin1::toStd(percentE(z)));
                job.addResult(r);
            }
        } else {
            LOG4CPLUS_ERROR_FMT(logger, "digital status: dataLen [%d] smaller than status byte [%d]",
                                int(reply.size()), digitalStatusByte);
        }
    }

    EcuDataTable *table = getEcuDataTable(job);
    if (!table)
        return false;
    scratchRows.clear();
    if (!table->getResultsByTelegram(job, scratchRows))
        return false;
    job.results.reserve(job.results.size() + scratchRows.size());
    for (const ResultInfoRow &row : qAsConst(scratchRows)) {
        if (!replyHoldsRow(row, reply)) {
            LOG4CPLUS_ERROR_FMT(logger, "getSingleResult: dataLen [%d] smaller than row byte [%d]",
                                int(reply.size()), bytePosition(row));
            continue;
        }
        solveResults(job, row, response);
    }
    scratchRows.clear();
    return true;
}

void EcuDataSolver::solveResults(CJob &job, const ResultInfoRow &row, const EcuDataResponse &response)
{
    LOG4CPLUS_DEBUG_FMT(logger, "solveresult: %s", KELVO_QS(row.NAME));
    const double value = getSingleResult(row, response);
    CJobResult r;
    r.name = Latin1::toStd(row.JOBNAME);
    r.displayName = Latin1::toStd(row.LNAME.isEmpty() ? row.JOBNAME : row.LNAME);
    r.comment = Latin1::toStd(row.LNAME);
    r.typeName = "real";
    r.format = 8;
    r.realValue = value;
    r.setTextValue(Latin1::toStd(percentE(value)));
    r.unit = Latin1::toStd(row.MEAS);
    r.numberFormat = Latin1::toStd(row.ANZ);
    LOG4CPLUS_DEBUG_FMT(logger, "addResult: %s,%s", r.name.c_str(), r.displayName.c_str());
    job.addResult(r);
}

double EcuDataSolver::getSingleResult(const ResultInfoRow &row, const EcuDataResponse &response) const
{
    const QByteArray &d = response.data();
    const int b = bytePosition(row);
    if (!replyHoldsRow(row, d)) {
        LOG4CPLUS_ERROR_FMT(logger, "getSingleResult: dataLen [%d] smaller than row byte [%d]", int(d.size()), b);
        return 0.0;
    }
    auto u8 = [&d](int i) { return int(static_cast<unsigned char>(d.at(i))); };
    const double factA = readNumber(row.FACT_A);
    const double factB = readNumber(row.FACT_B);
    LOG4CPLUS_DEBUG_FMT(logger, "fact_a=%f,fact_b=%f", factA, factB);

    double raw = 0.0;
    const QString &type = row.DATA_TYPE;
    if (type == QLatin1String("2")) {
        raw = u8(b);
        LOG4CPLUS_DEBUG_FMT(logger, "c=%d,signed_c=%d", u8(b), int(static_cast<signed char>(u8(b))));
    } else if (type == QLatin1String("3")) {
        raw = int(static_cast<signed char>(u8(b)));
        LOG4CPLUS_DEBUG_FMT(logger, "type=3: c=%d", int(raw));
    } else if (type == QLatin1String("4")) {
        const int lo = u8(b);
        const int hi = int(static_cast<signed char>(u8(b + 1)));
        raw = lo + 256 * hi;
        LOG4CPLUS_DEBUG_FMT(logger, "type=4: val2= %f, val1=%f", double(hi), double(lo));
    } else if (type == QLatin1String("5")) {
        raw = 256 * u8(b) + u8(b + 1);
        LOG4CPLUS_DEBUG_FMT(logger, "c1=%d,c2=%d,c3=%d", u8(b), u8(b + 1), int(raw));
    } else if (type == QLatin1String("7")) {
        raw = static_cast<qint16>(quint16(256 * u8(b) + u8(b + 1)));
        LOG4CPLUS_DEBUG_FMT(logger, "%s,c1=%d,c2=%d,c3=%f", KELVO_QS(row.NAME), u8(b), u8(b + 1), raw);
    } else {
        // Codes the decoder does not know (bit flags, addresses): the plain
        // byte at the row's position, so the user still sees what came.
        LOG4CPLUS_WARN_FMT(logger, "unknown type: %d", type.toInt());
        raw = u8(b);
    }
    return raw * factA + factB;
}

QString EcuDataSolver::formatResultLine(const ResultInfoRow &row, const EcuDataResponse &response) const
{
    const double value = getSingleResult(row, response);
    return QStringLiteral("%1 --------------------- %2   %3")
        .arg(row.LNAME.leftJustified(40, QLatin1Char(' ')),
             QString::number(value, 'g', 6).rightJustified(15, QLatin1Char(' ')),
             row.MEAS.leftJustified(10, QLatin1Char(' ')));
}

bool EcuDataSolver::replyHoldsRow(const ResultInfoRow &row, const QByteArray &reply)
{
    const qint64 b = bytePosition(row);
    return b >= 0 && b + bytesRead(row.DATA_TYPE) <= qint64(reply.size());
}

int EcuDataSolver::bytePosition(const ResultInfoRow &row)
{
    bool ok = false;
    const int b = row.BYTE.toInt(&ok, 10);
    return ok ? b : 0;
}

double EcuDataSolver::readNumber(const QString &text)
{
    thread_local const QLocale german = [] {
        QLocale l(QLocale::German);
        l.setNumberOptions(QLocale::RejectGroupSeparator);
        return l;
    }();
    thread_local const QLocale neutral = [] {
        QLocale l = QLocale::c();
        l.setNumberOptions(QLocale::RejectGroupSeparator);
        return l;
    }();
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0.0;
    bool ok = false;
    double v = german.toDouble(t, &ok);
    if (ok)
        return v;
    v = neutral.toDouble(t, &ok);
    return ok ? v : 0.0;
}
