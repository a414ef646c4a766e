#include "filelookup.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

QString FileLookup::resolve(const QString &dir, const QString &name)
{
    if (dir.isEmpty())
        return resolve(name);
    return resolve(dir + QLatin1Char('/') + name);
}

QString FileLookup::resolve(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;

    const bool absolute = path.startsWith(QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString current = absolute ? QStringLiteral("/") : QString();
    for (const QString &part : parts) {
        const QString base = current.isEmpty() ? QStringLiteral(".") : current;
        QString next = current.isEmpty() ? part
                       : (current.endsWith(QLatin1Char('/')) ? current + part : current + QLatin1Char('/') + part);
        if (part != QLatin1String(".") && part != QLatin1String("..") && !QFileInfo::exists(next)) {
            const QStringList entries = QDir(base).entryList(
                QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
            bool found = false;
            for (const QString &entry : entries) {
                if (entry.compare(part, Qt::CaseInsensitive) == 0) {
                    next = current.isEmpty() ? entry
                           : (current.endsWith(QLatin1Char('/')) ? current + entry : current + QLatin1Char('/') + entry);
                    found = true;
                    break;
                }
            }
            if (!found)
                return path;
        }
        current = next;
    }
    return current;
}
