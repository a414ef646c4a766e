#pragma once
// The hour-long log shared by the CSV log benchmarks (graph window and
// playback): 72,000 lines of 50 columns, six-digit values, times in ms
// since the start (time code 0), 50 ms apart, with its ".info" side file,
// about 30 MB. Written once per run by DataLogger, as the program logs.
#include "csvlogwriter.h"

#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <string>

namespace CsvLogBench {
const int Lines = 72000;
const int Columns = 50;
const qint64 Step = 50;
const qint64 T0 = 1796910330000LL;

// Six digits, varied per column and line.
inline QString value(int column, int line)
{
    return QString::number(100000 + (line * 7919 + column * 104729) % 900000);
}

inline const QString &logFile()
{
    static QTemporaryDir dir;
    static QString file;
    if (!file.isEmpty())
        return file;
    CsvLogOptions options;
    options.dir = dir.path();
    CsvLogWriter log(options, T0);
    std::vector<std::string> names;
    for (int c = 0; c < Columns; ++c) {
        names.push_back("STAT_VALUE_" + std::to_string(c) + "_WERT");
        log.addColumn("MSV70", "MW_SELECT_LESEN_NORM", names.back().c_str());
    }
    log.start();
    for (int line = 0; line < Lines; ++line) {
        CJob job("MSV70", "MW_SELECT_LESEN_NORM");
        job.timeStamp = T0 + Step * line;
        for (int c = 0; c < Columns; ++c) {
            CJobResult r;
            r.name = names[size_t(c)];
            r.format = 8;
            r.setTextValue(value(c, line).toLatin1().constData());
            job.addResult(r);
        }
        log.write(job);
    }
    file = log.stop();
    std::fprintf(stderr, "log written: %s, %.1f MB\n", qPrintable(file), QFileInfo(file).size() / 1e6);
    return file;
}

inline qint64 fileBytes()
{
    return QFileInfo(logFile()).size();
}
} // namespace CsvLogBench
