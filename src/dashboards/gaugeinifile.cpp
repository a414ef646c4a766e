#include "gaugeinifile.h"

#include <QFile>
#include <algorithm>

bool GaugeIniFile::load(const QString &path)
{
    topLevel = Group();
    groups.clear();
    groupIndex.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    parse(file.readAll());
    return true;
}

void GaugeIniFile::parse(const QByteArray &text)
{
    topLevel = Group();
    groups.clear();
    groupIndex.clear();
    QString all = QString::fromUtf8(text);
    if (all.startsWith(QChar(0xFEFF)))
        all.remove(0, 1);
    Group *current = &topLevel;
    const QStringList lines = all.split(QLatin1Char('\n'));
    for (QString line : lines) {
        line = line.trimmed(); // also drops a trailing "\r"
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            const QString name = line.mid(1, line.size() - 2).trimmed();
            current = findGroup(name);
            if (!current) {
                groupIndex.insert(name.toCaseFolded(), groups.size());
                groups.append(Group{name, {}});
                current = &groups.last();
            }
            continue;
        }
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        QString value = line.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith(QLatin1Char('"')) && value.endsWith(QLatin1Char('"')))
            value = value.mid(1, value.size() - 2);
        bool replaced = false;
        for (auto &entry : current->entries) {
            if (entry.first.compare(key, Qt::CaseInsensitive) == 0) {
                entry.second = value; // the later line wins, as in any INI reader
                replaced = true;
                break;
            }
        }
        if (!replaced)
            current->entries.append(qMakePair(key, value));
    }
}

QStringList GaugeIniFile::childGroups() const
{
    QStringList names;
    for (const Group &g : groups)
        names << g.name;
    std::sort(names.begin(), names.end(),
              [](const QString &a, const QString &b) { return a.compare(b, Qt::CaseSensitive) < 0; });
    return names;
}

QStringList GaugeIniFile::keys(const QString &group) const
{
    QStringList result;
    if (const Group *g = findGroup(group)) {
        for (const auto &entry : g->entries)
            result << entry.first;
    }
    return result;
}

bool GaugeIniFile::contains(const QString &group, const QString &key) const
{
    if (const Group *g = findGroup(group)) {
        for (const auto &entry : g->entries) {
            if (entry.first.compare(key, Qt::CaseInsensitive) == 0)
                return true;
        }
    }
    return false;
}

QString GaugeIniFile::value(const QString &group, const QString &key, const QString &def) const
{
    if (const Group *g = findGroup(group)) {
        for (const auto &entry : g->entries) {
            if (entry.first.compare(key, Qt::CaseInsensitive) == 0)
                return entry.second;
        }
    }
    return def;
}

const GaugeIniFile::Group *GaugeIniFile::findGroup(const QString &name) const
{
    if (name.isEmpty())
        return &topLevel;
    const auto it = groupIndex.constFind(name.toCaseFolded());
    return it == groupIndex.constEnd() ? nullptr : &groups.at(it.value());
}

GaugeIniFile::Group *GaugeIniFile::findGroup(const QString &name)
{
    return const_cast<Group *>(static_cast<const GaugeIniFile *>(this)->findGroup(name));
}
