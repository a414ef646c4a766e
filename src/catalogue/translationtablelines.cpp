#include "translationtablelines.h"

#include <QDebug>

namespace TranslationTableLines {

int read(QTextStream &in, const std::function<void(int lineNo, const QStringList &fields, const QString &line)> &take,
         int *firstSkipped)
{
    int lineNo = 0;
    int skipped = 0;
    QString line;
    while (in.readLineInto(&line)) {
        ++lineNo;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char('\t'), Qt::KeepEmptyParts);
        if (fields.size() < 3) {
            qWarning() << "translation table line" << lineNo << "has fewer than three fields, skipped:" << line;
            if (skipped++ == 0 && firstSkipped)
                *firstSkipped = lineNo;
            continue;
        }
        take(lineNo, fields, line);
    }
    return skipped;
}

} // namespace TranslationTableLines
