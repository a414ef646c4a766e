#pragma once
// Turns the job-list files below the working directory into the catalogue:
// the ECU names with their descriptions ("jobs/eculist.txt" with the ECU
// description files, the BIV files of "jobs/serialjobs") and, for one ECU, a
// CPRGFile with its jobs. Job and ECU file names are matched without regard
// to letter case; lines lose a trailing "\r".
#include "cprgfile.h"
#include "prgfilereader.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QRegExp>
#include <QString>
#include <QStringList>
#include <log4cplus/logger.h>

class JobListFileReader
{
public:
    JobListFileReader();
    virtual ~JobListFileReader();
    JobListFileReader(const JobListFileReader &) = delete;
    JobListFileReader &operator=(const JobListFileReader &) = delete;

    // Every name of the ECU list with the "ECU" line of its description file.
    void readFromPrg(const QString &ecuListPath);
    // BIV mode: the "ECU" line of every "*.biv" file under the file's base
    // name; otherwise every "*.txt" file read as a comma list.
    void readBIVsFromdir(QString dir, bool biv);
    // One comma list: "ECU,description" lines and "job,result,type,title" lines.
    void readFromTxt(QString path);
    // A new job (owned by the caller) from one job text block.
    CJob *parseJob(QString &block);
    // The jobs of an EDIABAS ECU from its description file; never null.
    CPRGFile *createPrgFromPrg(QString ecuName, bool filterOn);
    // The jobs of dir + "/" + fileName with the user's custom jobs in front;
    // null when the BIV file cannot be opened.
    CPRGFile *createPrgFromCustomJobBIV(QString fileName, bool filterOn, QString dir);

    QStringList getEcuNames() const;
    QString getEcuDescription(QString ecuName) const;
    PRGFileReader &prgReader() { return reader; }
    void loadTranslations(QString path);

    // The ECUs read by readFromTxt (owned by the reader).
    const QList<CPRGFile *> &txtPrgFiles() const { return prgFiles; }

    static QString ecuListPath();    // "jobs/eculist.txt"
    static QString serialJobsDir();  // "jobs/serialjobs"
    static QString customJobsDir();  // "jobs/customjobs"
    static QString filterFilePath(); // "job_filter_include.txt"
    static QString titleFilePath();  // "translations.txt"

    // The text cut into job blocks at every "JOBNAME".
    static QStringList jobBlocks(const QString &text);
    // The value of the first "ECU" line of the text; null when there is none.
    static QString ecuLine(const QString &text);

private:
    QRegExp buildFilter();
    void addJobs(CPRGFile *prg, const QString &text, bool filterOn, const QRegExp &filter);

    QList<CPRGFile *> prgFiles;
    log4cplus::Logger logger;
    QHash<QString, QString> *jobTitles;
    QMap<QString, QString> ecuDescriptions;
    PRGFileReader reader;
};
