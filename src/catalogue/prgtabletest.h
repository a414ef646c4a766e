#pragma once
// A sub-window that shows one table of an ECU description file (PRG) as a
// sortable, searchable grid. The user names the file, picks a table and
// presses Refresh; the hidden columns are left out, the long column shows
// the translated long text of the row's result and the table's own text
// moves to an extra last column. A double click announces the row's cells
// under the ECU and table the window was given (the custom-job window takes
// a selector from them). Each window keeps the tables it read.
#include "kelvolog.h"
#include "prgfilereader.h"
#include "prgtablecache.h"

#include <QModelIndex>
#include <QStringList>
#include <QWidget>

class QSortFilterProxyModel;
class QStandardItemModel;
class TranslationMgr;

namespace Ui {
class PRGTableTest;
}

class PRGTableTest : public QWidget
{
    Q_OBJECT
public:
    explicit PRGTableTest(QWidget *parent = nullptr);
    ~PRGTableTest() override;

    // The ECU whose description file ("<ecu>.prg") the window shows.
    void setEcu(QString ecu);
    // The table to show (when the file has it) and to report with a double
    // click; shows it at once.
    void setTable(QString table);

    // The rows the column widths are measured on.
    static const int ContentsPrecision = 300;

    QStandardItemModel *sourceModel() const { return model; }
    int cachedTables() const { return cache.size(); }

signals:
    // Declared for those who connect it; the browser does not emit it.
    void pressed(QModelIndex index);
    void dblClicked(QString ecu, QString table, QStringList rowData);

private slots:
    void on_pushButton_clicked();
    void on_cmdTableName_activated(QString text);
    void on_editEcuFileName_textChanged(QString text);
    void on_lineEdit_textChanged(QString text);
    void on_tableView_doubleClicked(QModelIndex index);

private:
    // The named file is a regular file of the ECU directory (any case).
    bool namesFile(const QString &fileName) const;
    // Black, or red with the reason as tool tip.
    void markFileName(bool good, const QString &reason = QString());

    Ui::PRGTableTest *ui;
    PRGFileReader reader;
    QStandardItemModel *model;
    QString ecuName;
    QString tableName;
    QSortFilterProxyModel *proxy;
    PRGTableCache cache;
    TranslationMgr *translations;
    log4cplus::Logger logger;
};
