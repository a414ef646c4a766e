#pragma once
// The INI dialect of the gauge files. QSettings cannot read them: it folds
// "[General]" into the top level, splits values at commas and treats key
// case by platform. Here group and key names match without regard to case
// (the first spelling met is kept), every value is plain text (a leading
// "#" or a comma included), "[General]" is a group like any other, and keys
// before the first group header belong to the top level.
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class GaugeIniFile
{
public:
    // Reads a file as UTF-8; a file that cannot be opened reads as empty.
    bool load(const QString &path);
    void parse(const QByteArray &text);

    // Group names, ascending by character code (exact comparison).
    QStringList childGroups() const;
    // Keys of a group in file order ("" is the top level).
    QStringList keys(const QString &group) const;
    bool contains(const QString &group, const QString &key) const;
    QString value(const QString &group, const QString &key,
                  const QString &def = QString()) const;

private:
    struct Group
    {
        QString name;
        QList<QPair<QString, QString>> entries;
    };
    const Group *findGroup(const QString &name) const;
    Group *findGroup(const QString &name);

    Group topLevel;
    QList<Group> groups;
    QHash<QString, int> groupIndex; // case-folded name -> index in groups
};
