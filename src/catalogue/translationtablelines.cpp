#include "translationtablelines.h"

#include <QDebug>

namespace TranslationTableLines {

void read(QTextStream &in, const std::function<void(int lineNo, const QStringList &fields, const QString &line)> &take)
{
    int lineNo = 0;
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
            continue;
        }
        take(lineNo, fields, line);
    }
}

} // namespace TranslationTableLines
