#pragma once
// CSV logs for the playback tests, written by the program's own DataLogger
// (time code 0: milliseconds since the start, ";" and a side file).
#include "csvlogwriter.h"
#include "datalogger.h"
#include "latin1.h"
#include "loggerfixture.h"

#include <QString>
#include <QStringList>

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

} // namespace playbackfixture
