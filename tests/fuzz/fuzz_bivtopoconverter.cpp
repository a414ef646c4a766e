// Translation tables come from outside: any bytes must convert, and what the
// converter writes must stay well-formed PO (every string closed, quotes and
// backslashes escaped), or lrelease throws the whole file away.
#include "bivtopoconverter.h"
#include "fuzzworkdir.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

// A PO string line: keyword, blank, then "..." with only escaped quotes inside.
static bool wellFormedString(const QString &line, int start)
{
    if (start >= line.size() || line.at(start) != QLatin1Char('"') || !line.endsWith(QLatin1Char('"')))
        return false;
    for (int i = start + 1; i < line.size() - 1; ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('\\')) {
            ++i;
            if (i >= line.size() - 1)
                return false;
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return false;
    }
    return true;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool quiet = (Fuzz::quiet(), true);
    Q_UNUSED(quiet);
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QTextStream in(&bytes, QIODevice::ReadOnly);
    in.setCodec("UTF-8");
    QString po;
    QTextStream out(&po, QIODevice::WriteOnly);
    out.setCodec("UTF-8");
    BivToPoConverter conv;
    const int entries = conv.convert(in, out);

    const QStringList lines = po.split(QLatin1Char('\n'));
    if (lines.size() != 10 + entries * 5 + 1)
        std::abort();
    for (int e = 0; e < entries; ++e) {
        const int at = 10 + e * 5;
        if (lines.at(at) != QLatin1String("# ") || !lines.at(at + 1).startsWith(QLatin1String("msgctxt ")) ||
            !lines.at(at + 2).startsWith(QLatin1String("msgid ")) ||
            !lines.at(at + 3).startsWith(QLatin1String("msgstr ")) || !lines.at(at + 4).isEmpty())
            std::abort();
        if (!wellFormedString(lines.at(at + 1), 8) || !wellFormedString(lines.at(at + 2), 6) ||
            !wellFormedString(lines.at(at + 3), 7) || lines.at(at + 2) == QLatin1String("msgid \"\""))
            std::abort();
    }
    return 0;
}
