#include "bivtopoconverter.h"
#include "safefile.h"
#include "translationtablelines.h"

#include <QDebug>
#include <QFile>
#include <QStringList>
#include <QTextStream>

BivToPoConverter::BivToPoConverter(QObject *parent) : QObject(parent) {}

QString BivToPoConverter::escape(const QString &text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '"': out += QLatin1String("\\\""); break;
        // A stray control character would end the PO string mid-line.
        case '\r': out += QLatin1String("\\r"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\t': out += QLatin1String("\\t"); break;
        default: out += c;
        }
    }
    return out;
}

bool BivToPoConverter::convert(QString inputPath, QString outputPath)
{
    QFile input(inputPath);
    const bool readable = input.open(QIODevice::ReadOnly | QIODevice::Text);
    if (!readable)
        qWarning() << "translation table" << inputPath << "cannot be read:" << input.errorString();
    QByteArray po;
    {
        QTextStream in(&input);
        in.setCodec("UTF-8");
        QTextStream out(&po, QIODevice::WriteOnly);
        out.setCodec("UTF-8");
        if (readable) {
            convert(in, out);
        } else {
            QString empty;
            QTextStream none(&empty, QIODevice::ReadOnly);
            convert(none, out);
        }
    }
    // Written aside and renamed over the old file at the end: a write that
    // fails half-way (a full disk) neither truncates the old PO file nor
    // passes for a conversion. A folder that takes no new file still lets
    // the PO file be rewritten in place: it is made again from its table.
    SafeFile output(outputPath, SafeFile::DirectWriteFallback);
    if (!output.write(po)) {
        qWarning() << "PO file" << outputPath << "cannot be written:" << output.errorString();
        return false;
    }
    return true;
}

int BivToPoConverter::convert(QTextStream &in, QTextStream &out)
{
    out << "msgid \"\"\n"
           "msgstr \"\"\n"
           "\"MIME-Version: 1.0\\n\"\n"
           "\"Project-Id-Version: \\n\"\n"
           "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
           "\"Content-Transfer-Encoding: 8bit\\n\"\n"
           "\"Plural-Forms: nplurals=2; plural=(n != 1);\\n\"\n"
           "\"Language: de_DE\\n\"\n"
           "\"X-Qt-Contexts: true\\n\"\n"
           "\n";
    int entries = 0;
    TranslationTableLines::read(in, [&](int lineNo, const QStringList &fields, const QString &line) {
        if (fields.at(0).isEmpty()) {
            // An empty msgid is the PO header: lrelease would reject the file.
            qWarning() << "translation table line" << lineNo << "has no source text, skipped:" << line;
            return;
        }
        QString translation = fields.at(2);
        translation.replace(QLatin1Char('"'), QLatin1Char('\''));
        // The context goes with an empty disambiguation part, as Qt reads
        // PO files that declare X-Qt-Contexts.
        out << "# \n"
            << "msgctxt \"" << escape(fields.at(1)) << "|\"\n"
            << "msgid \"" << escape(fields.at(0)) << "\"\n"
            << "msgstr \"" << escape(translation) << "\"\n"
            << "\n";
        ++entries;
    });
    out.flush();
    return entries;
}
