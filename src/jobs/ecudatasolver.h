#pragma once
// Turns the reply to a serial telegram into the job's results: finds the
// ECU's data table, takes the rows of the job's telegram and reads each
// value at its byte position, decodes it by its data type and scales it by
// its factor and offset. Tables are switched on by files in "ecudata".
#include "ecudatatable.h"
#include "resultinforow.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <log4cplus/logger.h>

class CJob;
class EcuDataResponse;

class EcuDataSolver : public QObject
{
public:
    explicit EcuDataSolver(QObject *parent = nullptr);
    ~EcuDataSolver() override;

    // Loads a table for every "<KEY>_DATATABLE" entry of "ecudata".
    bool loadTables();
    void clearTables();
    QStringList tableNames() const;
    EcuDataTable *tableByName(const QString &key) const { return tables.value(key, nullptr); }
    // The table of the job's ECU (its name without "_SERIAL"), or null.
    EcuDataTable *getEcuDataTable(const CJob &job) const;

    // Adds one result per row of the job's telegram (and the ignition bits
    // of BMSS501_SERIAL's digital status); false when the ECU has no table or
    // the telegram no rows.
    bool fillJobResults(CJob &job, EcuDataResponse &response);
    void solveResults(CJob &job, const ResultInfoRow &row, const EcuDataResponse &response);
    // The value of one row; 0 when the reply does not hold its bytes.
    double getSingleResult(const ResultInfoRow &row, const EcuDataResponse &response) const;
    // "<LNAME> --------------------- <value>   <MEAS>" for the testing window.
    QString formatResultLine(const ResultInfoRow &row, const EcuDataResponse &response) const;

    // Whether the reply holds every byte the row's type reads.
    static bool replyHoldsRow(const ResultInfoRow &row, const QByteArray &reply);
    // BYTE as a decimal number; empty or not a number reads as 0.
    static int bytePosition(const ResultInfoRow &row);
    // A factor or offset: German rules (decimal comma, no grouping) first,
    // then the neutral ones; empty or not a number reads as 0. Never touches
    // the process-wide default locale.
    static double readNumber(const QString &text);

private:
    QHash<QString, EcuDataTable *> tables;
    QList<ResultInfoRow> scratchRows;
    log4cplus::Logger logger;
};
