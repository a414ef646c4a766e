#include "basic2dcharttableview.h"

#include "basic2dchartutils.h"

#include <QBrush>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

Basic2DChartTableView::Basic2DChartTableView(QWidget *parent)
    : QTableView(parent)
    , logger(KelvoLog::get("chart"))
{
    setModel(&model);
}

void Basic2DChartTableView::setValue(qreal x, qreal y, qreal curCellVal)
{
    int col = 0;
    int row = 0;
    if (!chVars.cellOf(x, y, &col, &row) || col < 0 || row < 0)
        return;
    const double value = storedValue(valueStore.find(col, row), curCellVal);
    LOG4CPLUS_DEBUG_FMT(logger, " col=%d,row=%d", col, row);
    saveTableValue(x, y, value);
    setValueRow(row, col, float(shownValue(*valueStore.find(col, row))));
}

double Basic2DChartTableView::storedValue(const TableValueStore::Entry *stored, double sample) const
{
    switch (m_kind) {
    case Minimum:
        return stored && stored->value < sample ? stored->value : sample;
    case Maximum:
        return stored && stored->value > sample ? stored->value : sample;
    case Count:
        return double((stored ? stored->count : 0) + 1);
    default:
        return sample;
    }
}

void Basic2DChartTableView::saveTableValue(double x, double y, double cell)
{
    int col = 0;
    int row = 0;
    if (!chVars.cellOf(x, y, &col, &row))
        return;
    LOG4CPLUS_DEBUG_FMT(logger, "save row:%d,col:%d,val:%f", row, col, cell);
    valueStore.save(col, row, x, y, cell);
}

double Basic2DChartTableView::shownValue(const TableValueStore::Entry &entry) const
{
    return m_kind == Count ? double(entry.count) : entry.value;
}

double Basic2DChartTableView::mergedValue(const TableValueStore::Entry &present,
                                          const TableValueStore::Entry &incoming) const
{
    switch (m_kind) {
    case Minimum:
        return std::min(present.value, incoming.value);
    case Maximum:
        return std::max(present.value, incoming.value);
    case Count:
        return double(present.count + incoming.count);
    default:
        return incoming.value;
    }
}

void Basic2DChartTableView::setValueRow(int row, int col, float value)
{
    emit setValueRowSignal(row, col, qreal(value));
    if (row < 0 || col < 0 || row >= model.rowCount() || col >= model.columnCount())
        return;
    const QString text = Basic2DChartUtils::cellText(value);
    QStandardItem *item = model.item(row, col);
    if (item) {
        item->setText(text);
    } else {
        item = new QStandardItem(text);
        model.setItem(row, col, item);
    }
    // The cell's own light background takes dark text: the theme's text
    // colour may be light.
    item->setBackground(QBrush(Qt::lightGray));
    item->setForeground(QBrush(Qt::black));
    if (firstHighlight) {
        firstHighlight = false;
    } else if ((highlightRow != row || highlightCol != col) && highlightRow < model.rowCount()
               && highlightCol < model.columnCount()) {
        if (QStandardItem *previous = model.item(highlightRow, highlightCol))
            previous->setBackground(QBrush(Qt::white));
    }
    highlightRow = row;
    highlightCol = col;
}

void Basic2DChartTableView::onChartVarsUpdated(const ChartVariables &vars)
{
    LOG4CPLUS_DEBUG(logger, "on chartVars Updated");
    chVars = vars.bounded();
    const QVector<TableValueStore::Entry> old = valueStore.takeAll();

    for (int row = 0; row < model.rowCount(); ++row) {
        for (int col = 0; col < model.columnCount(); ++col) {
            if (QStandardItem *item = model.item(row, col))
                item->setText(QString());
        }
    }
    model.setColumnCount(chVars.cols + 1);
    model.setRowCount(chVars.rows + 1);

    LOG4CPLUS_DEBUG_FMT(logger, " >re-insert existing vals, count:%d", old.size());
    for (const TableValueStore::Entry &entry : old) {
        int col = 0;
        int row = 0;
        if (!chVars.cellOf(entry.x, entry.y, &col, &row)) {
            valueStore.park(entry);
            continue;
        }
        const TableValueStore::Entry *present = valueStore.find(col, row);
        const double value = present ? mergedValue(*present, entry) : entry.value;
        valueStore.save(col, row, entry.x, entry.y, value, entry.count);
    }
    for (const TableValueStore::Entry &entry : valueStore.entries()) {
        if (entry.binned && entry.col >= 0 && entry.row >= 0)
            setValueRow(entry.row, entry.col, float(shownValue(entry)));
    }
    LOG4CPLUS_DEBUG(logger, " <re-insert existing");
}

void Basic2DChartTableView::formatTable()
{
    const double xStep = chVars.xStep();
    const double yStep = chVars.yStep();
    LOG4CPLUS_DEBUG_FMT(logger, "xStep:%f, yStep:%f", xStep, yStep);
    // The first label is the limit itself, also when the step is infinite.
    auto label = [this](double min, double step, int i, Qt::GlobalColor colour) {
        qreal value = min + (i ? i * step : 0.0);
        QString text;
        formatColVal(text, value, step);
        auto *item = new QStandardItem(text);
        item->setForeground(QBrush(colour));
        return item;
    };
    for (int col = 0; col < model.columnCount(); ++col)
        model.setHorizontalHeaderItem(col, label(chVars.xMin, xStep, col, Qt::blue));
    for (int row = 0; row < model.rowCount(); ++row)
        model.setVerticalHeaderItem(row, label(chVars.yMin, yStep, row, Qt::red));
}

void Basic2DChartTableView::formatColVal(QString &strVal, qreal &val, qreal step)
{
    strVal = Basic2DChartUtils::axisLabel(val, step);
}

void Basic2DChartTableView::formatView()
{
    const int lastCol = std::max(0, model.columnCount() - 2);
    // The columns are made wide enough for "9999.999" as an item of the
    // view would show it, measured without writing it into a cell.
    QStyleOptionViewItem option = viewOptions();
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("9999.999");
    const int probe = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width()
        + (showGrid() ? 1 : 0);
    resizeColumnsToContents();
    const int w = std::max(columnWidth(lastCol), probe);
    const int width = int(w + w * 0.2);
    for (int col = 0; col <= lastCol; ++col)
        setColumnWidth(col, width);
}
