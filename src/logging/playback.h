#pragma once
// A cursor over one loaded CSV log: the current row and the jobs logged in
// it. Used by one thread at a time (the playback worker's, or the GUI's).
#include "cjob.h"
#include "csvjobparser.h"
#include "csvreader.h"
#include "kelvolog.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>

class PlayBack : public QObject
{
    Q_OBJECT
public:
    enum Op { Next = 2, Previous = 3, Seek = 4 };
    Q_ENUM(Op)

    explicit PlayBack(QObject *parent = nullptr);
    ~PlayBack() override;

    // Indexes the log and reads its columns from the side file, or from the
    // header when there is none; false (nothing changed) when the log
    // cannot be read, with the reason in errorString().
    bool load(const QString &fileName);
    bool isLoaded() const { return loaded; }
    QString errorString() const { return error; }
    // True for a row of the loaded log.
    bool checkIndex(int index) const;
    int getCurIndex() const { return currentIndex; }
    // The first row's time when that is a date (milliseconds since the
    // epoch), else 0: the log's times count from its start.
    qint64 getStartTime() const;
    const CSVJobParser &parser() const { return *jobParser; }
    // Warnings of the last load (rows skipped, an incomplete last line).
    QStringList warnings() const;

public slots:
    // Next, Previous or Seek (to pos); a target outside the log, or any other
    // operation, leaves the current row.
    void execOp(PlayBack::Op operation, quint32 pos);
    // Makes a valid row current and returns its jobs; an invalid row gives
    // an empty list and leaves the current row.
    QList<CJob> seek(int sampleIndex);
    // The jobs of the current row (empty when there is none).
    QList<CJob> current();
    // Data rows of the log.
    quint32 rowCount() const;

private:
    QList<CJob> jobsOfRow(int row);

    int currentIndex = 0;
    std::unique_ptr<CSVReader> reader;
    std::unique_ptr<CSVJobParser> jobParser;
    bool loaded = false;
    QString error;
    log4cplus::Logger logger;
};
