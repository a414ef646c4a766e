#include "lreleasetool.h"

#include "bivtopoconverter.h"

#include <QFileInfo>
#include <QLibraryInfo>
#include <QProcess>
#include <QStandardPaths>

QString LReleaseTool::path()
{
    const QString beside = QLibraryInfo::location(QLibraryInfo::BinariesPath) + QStringLiteral("/lrelease");
    const QFileInfo info(beside);
    if (info.isFile() && info.isExecutable())
        return beside;
    for (const char *name : {"lrelease", "lrelease-qt5"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

bool LReleaseTool::compile(const QString &po, const QString &qm, QString *log)
{
    const QString tool = path();
    if (tool.isEmpty()) {
        if (log)
            *log = QStringLiteral("lrelease not found");
        return false;
    }
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(tool, {QStringLiteral("-silent"), po, QStringLiteral("-qm"), qm});
    const bool finished = p.waitForFinished(60000);
    if (log)
        *log = QString::fromLocal8Bit(p.readAll());
    return finished && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0 && QFileInfo::exists(qm);
}

bool LReleaseTool::compileTable(const QString &table, QString *log)
{
    QString base = table;
    if (base.endsWith(QStringLiteral(".txt")))
        base.chop(4);
    BivToPoConverter converter;
    if (!converter.convert(table, base + QStringLiteral(".po"))) {
        if (log)
            *log = QStringLiteral("cannot convert ") + table;
        return false;
    }
    return compile(base + QStringLiteral(".po"), base + QStringLiteral(".qm"), log);
}
