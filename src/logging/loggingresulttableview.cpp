#include "loggingresulttableview.h"
#include "latin1.h"
#include "exactnumber.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QRegExp>
#include <QSortFilterProxyModel>

LoggingResultTableView::LoggingResultTableView(QWidget *parent)
    : QTableView(parent)
{
    m_model.setHorizontalHeaderLabels({QStringLiteral("Source"), QStringLiteral("Job"), QStringLiteral("Result"),
                                       QStringLiteral("Value")});
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(&m_model);
    m_proxy->setFilterKeyColumn(-1);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    setModel(m_proxy);
    // No sort arrow until the user sorts: the rows stay in job order.
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    setSortingEnabled(true);
    setWordWrap(true);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setCascadingSectionResizes(true);
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(20);
}

LoggingResultTableView::~LoggingResultTableView()
{
    // The proxy must not outlive its source inside the view.
    setModel(nullptr);
}

void LoggingResultTableView::fill(const QList<CJob> &jobs)
{
    m_model.removeRows(0, m_model.rowCount());
    for (const CJob &job : jobs) {
        const QString ecu = Latin1::toQString(job.ecuName);
        const QString jobName = job.getDisplayName();
        for (const CJobResult &result : job.results) {
            auto *source = new QStandardItem(ecu);
            source->setCheckable(true);
            source->setCheckState(Qt::Unchecked);
            source->setEditable(false);
            auto *jobItem = new QStandardItem(jobName);
            jobItem->setEditable(false);
            auto *resultItem = new QStandardItem(Latin1::toQString(result.name));
            resultItem->setEditable(false);
            // The number as the job gave it, all its digits; a text as it is.
            double number = 0.0;
            const bool isNumber = ExactNumber::resultValue(result, number);
            auto *value = new QStandardItem(isNumber ? ExactNumber::of(number) : result.textQ());
            value->setEditable(false);
            m_model.appendRow({source, jobItem, resultItem, value});
        }
    }
}

void LoggingResultTableView::setFilterText(const QString &text)
{
    QRegExp rx(text, Qt::CaseInsensitive);
    if (!rx.isValid())
        rx = QRegExp(QRegExp::escape(text), Qt::CaseInsensitive);
    m_proxy->setFilterRegExp(rx);
}

LoggingResultTableView::Row LoggingResultTableView::rowAt(int sourceRow) const
{
    return Row{m_model.item(sourceRow, 0)->text(), m_model.item(sourceRow, 1)->text(),
               m_model.item(sourceRow, 2)->text()};
}

QList<LoggingResultTableView::Row> LoggingResultTableView::rows() const
{
    QList<Row> all;
    for (int r = 0; r < m_model.rowCount(); ++r)
        all << rowAt(r);
    return all;
}

bool LoggingResultTableView::isChecked(int sourceRow) const
{
    const QStandardItem *item = m_model.item(sourceRow, 0);
    return item && item->checkState() == Qt::Checked;
}

void LoggingResultTableView::setChecked(int sourceRow, bool checked)
{
    if (QStandardItem *item = m_model.item(sourceRow, 0))
        item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

void LoggingResultTableView::uncheckAll()
{
    for (int r = 0; r < m_model.rowCount(); ++r)
        setChecked(r, false);
}

QList<LoggingResultTableView::Row> LoggingResultTableView::checkedShownRows() const
{
    QList<Row> ticked;
    for (int r = 0; r < m_proxy->rowCount(); ++r) {
        const int sourceRow = m_proxy->mapToSource(m_proxy->index(r, 0)).row();
        if (isChecked(sourceRow))
            ticked << rowAt(sourceRow);
    }
    return ticked;
}

void LoggingResultTableView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Space) {
        QTableView::keyPressEvent(event);
        return;
    }
    QList<int> sourceRows;
    for (const QModelIndex &index : selectionModel()->selectedIndexes()) {
        const int row = m_proxy->mapToSource(index).row();
        if (!sourceRows.contains(row))
            sourceRows << row;
    }
    for (int row : sourceRows)
        setChecked(row, !isChecked(row));
    event->accept();
}
