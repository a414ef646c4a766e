#pragma once
// The English job translation table ("translations/jobs_all_en_EN.txt") as a
// sortable, filterable table. Cell edits stay in memory; nothing is saved.
#include <QTableView>

class QSortFilterProxyModel;
class QStandardItemModel;

class TranslationTableView : public QTableView
{
    Q_OBJECT
public:
    explicit TranslationTableView(QWidget *parent = nullptr);

    // A regular expression matched, case-insensitively, against every column.
    void setFilter(QString filter);
    // Reads the table file; a file that cannot be opened gives a message box.
    void load();

    QStandardItemModel *sourceModel() const { return sourceItems; }
    QSortFilterProxyModel *proxyModel() const { return filterProxy; }

private:
    void showFileOrder();

    QStandardItemModel *sourceItems;
    QSortFilterProxyModel *filterProxy;
};
