#pragma once
// The logger presets in "config/datalogger.json": named lists of
// {"ecu", "job", "result"} entries under the member "loggingSets".
// A file that does not parse is never overwritten.
#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

class DataLoggerSet : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QVariantMap loggingSets READ loggingSets WRITE setLoggingSets)
public:
    enum ReadStatus { Missing, Loaded, Invalid };

    explicit DataLoggerSet(QObject *parent = nullptr);
    ~DataLoggerSet() override;

    static QString fileName(); // "config/datalogger.json"

    QVariantMap loggingSets() const { return sets; }
    void setLoggingSets(const QVariantMap &map);

    QVariantList presetEntries(const QString &name) const;
    void insertPreset(const QString &name, const QVariant &entries);
    int removePreset(const QString &name);
    QStringList presetNames() const { return sets.keys(); } // the map's (sorted) key order
    // The rows (each an entry()) that a preset ticks: those of its entries'
    // ECU, job and result. Two ECUs' jobs of one name are two jobs; an entry
    // that names no ECU (written by hand) ticks the job's rows of every ECU.
    QList<int> rowsToTick(const QString &name, const QVariantList &rows) const;

    // Loads the file; a missing file is an empty set, an unparsable one is
    // Invalid (the set stays empty and later writes are refused).
    ReadStatus readFile(QString *error = nullptr);
    // Writes through a save file; refuses after an Invalid read.
    bool writeFile(QString *error = nullptr);

    static QVariantMap entry(const QString &ecu, const QString &job, const QString &result);

private:
    QVariantMap sets;
    ReadStatus status = Missing;
};
