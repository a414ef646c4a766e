#pragma once
// Every result of the jobs the plot windows show, one checkable row each
// ("Source", "Job", "Result", "Value"), behind a filter over all columns.
// Space ticks or unticks the selected rows.
#include "cjob.h"

#include <QList>
#include <QStandardItemModel>
#include <QTableView>

class QSortFilterProxyModel;

class LoggingResultTableView : public QTableView
{
    Q_OBJECT
public:
    // One row as the presets see it.
    struct Row
    {
        QString ecu;
        QString job;
        QString result;
    };

    explicit LoggingResultTableView(QWidget *parent = nullptr);
    ~LoggingResultTableView() override;

    // Rows for every result of the jobs, all unticked.
    void fill(const QList<CJob> &jobs);
    // A regular expression over all columns, letter case ignored; a pattern
    // that is not a valid expression filters by its plain text.
    void setFilterText(const QString &text);

    // The rows of the source model, filter and sort aside.
    QList<Row> rows() const;
    bool isChecked(int sourceRow) const;
    void setChecked(int sourceRow, bool checked);
    void uncheckAll();
    // The ticked rows the view shows, in its order.
    QList<Row> checkedShownRows() const;

    QStandardItemModel *sourceModel() { return &m_model; }
    QSortFilterProxyModel *proxyModel() const { return m_proxy; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    Row rowAt(int sourceRow) const;

    QStandardItemModel m_model;
    QSortFilterProxyModel *m_proxy = nullptr;
};
