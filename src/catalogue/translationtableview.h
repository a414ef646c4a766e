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
    // What the last load could not show (the file, or lines that are no
    // rows); empty when it showed the whole file.
    QString loadProblem() const { return problem; }

    QStandardItemModel *sourceModel() const { return sourceItems; }
    QSortFilterProxyModel *proxyModel() const { return filterProxy; }

private:
    void showFileOrder();
    void showError(const QString &text);

    QStandardItemModel *sourceItems;
    QSortFilterProxyModel *filterProxy;
    QString problem;
};
