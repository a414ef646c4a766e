#pragma once
// CSV logs for the playback tests, written by the program's own DataLogger
// (time code 0: milliseconds since the start, ";" and a side file).
#include "csvlogwriter.h"
#include "datalogger.h"
#include "latin1.h"
#include "loggerfixture.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTest>

namespace playbackfixture {

// A log of `rows` lines in the working directory: job "MOTOR" of ECU
// "MSV70" with one column per name, result k of row i = (k + 1) * i, row i
// stamped i * stepMs after the start. Returns the log's name.
inline QString writeLog(int rows, qint64 stepMs, const QStringList &names,
                        const QString &prefix = QStringLiteral("play_"))
{
    using namespace loggerfixture;
    DataLogger logger;
    logger.setClock([] { return t0(); });
    logger.setTimeFormat(DataLogger::Milliseconds);
    logger.setSeparator(QLatin1Char(';'));
    logger.setDecimalSeparator(QLatin1Char('.'));
    logger.setFillColumns(false);
    logger.setFilePrefix(prefix);
    std::vector<std::string> stdNames;
    for (const QString &name : names) {
        stdNames.push_back(Latin1::toStd(name));
        logger.addToFilter(column("MOTOR", stdNames.back().c_str(), nullptr, 8, "MSV70"));
    }
    logger.startLog();
    for (int i = 0; i < rows; ++i) {
        CJob j("MSV70", "MOTOR");
        j.timeStamp = t0() + i * stepMs;
        for (size_t k = 0; k < stdNames.size(); ++k)
            j.addResult(result(stdNames[k].c_str(), QByteArray::number(int(k + 1) * i).constData()));
        logger.handleData(j);
    }
    const QString name = logger.fileName();
    logger.stopLog();
    // Written long ago, not still being written.
    setWrittenAt(name, t0() + rows * stepMs);
    return name;
}

// Two columns: STAT_A_WERT = i and STAT_B_WERT = 2 i.
inline QString writeLog(int rows, qint64 stepMs = 10)
{
    return writeLog(rows, stepMs, {QStringLiteral("STAT_A_WERT"), QStringLiteral("STAT_B_WERT")});
}

// A log of MSV70's MOTOR, "Engine speed" 3655.5 and 3700.25, "Coolant
// temperature" 87 and 88 at 100 and 200 ms, that a spreadsheet saved again
// with another separator, keeping the side file the logger wrote:
// - semicolonAsComma: logged with ";" and a decimal comma, saved with ","
//   (the decimals quoted);
// - otherwise: logged with "," and a decimal point, saved with ";" and a
//   decimal comma.
// The logger's own bytes go to *logged. Returns the log's name.
inline QString writeResavedLog(bool semicolonAsComma, QByteArray *logged = nullptr,
                               const QString &name = QStringLiteral("resaved.csv"))
{
    using namespace loggerfixture;
    CsvLogOptions o;
    o.separator = QLatin1Char(semicolonAsComma ? ';' : ',');
    o.decimal = QLatin1Char(semicolonAsComma ? ',' : '.');
    o.prefix = QStringLiteral("logged_");
    CsvLogWriter w(o, t0());
    w.addColumn("MSV70", "MOTOR", "STAT_MOTORDREHZAHL_WERT", "Engine speed");
    w.addColumn("MSV70", "MOTOR", "STAT_KUEHLMITTELTEMPERATUR_WERT", "Coolant temperature");
    w.start();
    w.write("MSV70", "MOTOR", t0() + 100,
            {{"STAT_MOTORDREHZAHL_WERT", QStringLiteral("3655.5")}, {"STAT_KUEHLMITTELTEMPERATUR_WERT", QStringLiteral("87")}});
    w.write("MSV70", "MOTOR", t0() + 200,
            {{"STAT_MOTORDREHZAHL_WERT", QStringLiteral("3700.25")}, {"STAT_KUEHLMITTELTEMPERATUR_WERT", QStringLiteral("88")}});
    const QString file = w.stop();
    QFile original(file);
    if (logged && original.open(QIODevice::ReadOnly))
        *logged = original.readAll();
    original.close();
    QFile::remove(file);
    QFile::remove(name + QStringLiteral(".info"));
    QFile::rename(file + QStringLiteral(".info"), name + QStringLiteral(".info"));
    QFile resaved(name);
    if (resaved.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        resaved.write(semicolonAsComma ? "time,Engine speed,Coolant temperature\r\n"
                                         "100,\"3655,5\",87\r\n"
                                         "200,\"3700,25\",88\r\n"
                                       : "time;Engine speed;Coolant temperature\r\n"
                                         "100;3655,5;87\r\n"
                                         "200;3700,25;88\r\n");
        resaved.close();
    }
    setWrittenAt(name, t0() + 1000);
    return name;
}

// The two ways of writeResavedLog as the rows of a _data function, each with
// the message the reader gives for it.
inline void addResavedRows()
{
    QTest::addColumn<bool>("semicolonAsComma");
    QTest::addColumn<QString>("message");
    QTest::newRow("; log saved with ,")
        << true << "side file \"resaved.csv.info\" separator \";\" does not split the header: read with \",\"";
    QTest::newRow(", log saved with ; and decimal comma")
        << false << "side file \"resaved.csv.info\" separator \",\" does not split the header: read with \";\"";
}

} // namespace playbackfixture
