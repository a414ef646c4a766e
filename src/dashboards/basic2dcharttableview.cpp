#include "basic2dcharttableview.h"

#include "basic2dchartutils.h"

#include <QBrush>
#include <QHeaderView>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <algorithm>

void Basic2DChartTableView::Model::setAxes(double xMin, double xStep, double yMin, double yStep)
{
    labelled = true;
    axisMin[0] = xMin;
    axisStep[0] = xStep;
    axisMin[1] = yMin;
    axisStep[1] = yStep;
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    if (rowCount() > 0)
        emit headerDataChanged(Qt::Vertical, 0, rowCount() - 1);
}

QVariant Basic2DChartTableView::Model::headerData(int section, Qt::Orientation orientation, int role) const
{
    const int count = orientation == Qt::Horizontal ? columnCount() : rowCount();
    if (!labelled || section < 0 || section >= count || (role != Qt::DisplayRole && role != Qt::ForegroundRole))
        return QStandardItemModel::headerData(section, orientation, role);
    if (role == Qt::ForegroundRole)
        return QBrush(orientation == Qt::Horizontal ? Qt::blue : Qt::red);
    const int axis = orientation == Qt::Horizontal ? 0 : 1;
    const double step = axisStep[axis];
    // The first label is the limit itself, also when the step is infinite.
    return Basic2DChartUtils::axisLabel(axisMin[axis] + (section ? section * step : 0.0), step);
}

Basic2DChartTableView::Header::Header(Qt::Orientation orientation, QWidget *parent)
    : QHeaderView(orientation, parent)
{
    // As a table view sets up its own headers.
    setSectionsClickable(true);
    setHighlightSections(true);
}

QSize Basic2DChartTableView::Header::sizeHint() const
{
    const int sections = count();
    enum { Ends = 4, Between = 8 };
    if (sections <= 2 * Ends + Between)
        return QHeaderView::sizeHint();
    QSize hint(0, 0);
    auto take = [&](int section) {
        if (!isSectionHidden(section))
            hint = hint.expandedTo(sectionSizeFromContents(section));
    };
    for (int i = 0; i < Ends; ++i) {
        take(i);
        take(sections - 1 - i);
    }
    for (int i = 1; i <= Between; ++i)
        take(int(qint64(sections) * i / (Between + 1)));
    return hint;
}

Basic2DChartTableView::Basic2DChartTableView(QWidget *parent)
    : QTableView(parent)
    , logger(KelvoLog::get("chart"))
{
    setHorizontalHeader(new Header(Qt::Horizontal, this));
    setVerticalHeader(new Header(Qt::Vertical, this));
    setModel(&model);
    // A width set by anyone but formatView (the user dragging a column
    // apart) is set back by the next formatView.
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this]() {
        if (!formatting)
            formattedWidth = -1;
    });
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
    // The model makes the item of a cell that has none without announcing
    // a new layout (setItem would, and every header and view would then
    // walk all its sections for each new cell).
    QStandardItem *item = model.itemFromIndex(model.index(row, col));
    if (item->text().isEmpty())
        filledCells.emplace_back(row, col);
    item->setText(text);
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

    // The cells lose their texts; the item of the highlighted cell stays
    // with its background, the others go, so that the items do not pile up
    // with every grid change (an item without a text and background shows
    // as the white cell the old item would).
    for (const auto &cell : filledCells) {
        if (cell.first == highlightRow && cell.second == highlightCol) {
            if (QStandardItem *item = model.item(cell.first, cell.second))
                item->setText(QString());
        } else {
            delete model.takeItem(cell.first, cell.second);
        }
    }
    filledCells.clear();
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
    model.setAxes(chVars.xMin, xStep, chVars.yMin, yStep);
}

void Basic2DChartTableView::formatColVal(QString &strVal, qreal &val, qreal step)
{
    strVal = Basic2DChartUtils::axisLabel(val, step);
}

int Basic2DChartTableView::contentWidth(int col) const
{
    // What resizing the column to its contents would give, asked of the
    // filled cells only: an empty cell asks for less than any text.
    int width = horizontalHeader()->isHidden() ? 0 : horizontalHeader()->sectionSizeHint(col);
    const int grid = showGrid() ? 1 : 0;
    for (const auto &cell : filledCells) {
        if (cell.second == col)
            width = std::max(width, sizeHintForIndex(model.index(cell.first, col)).width() + grid);
    }
    return width;
}

void Basic2DChartTableView::formatView()
{
    const int columns = model.columnCount();
    const int lastCol = std::max(0, columns - 2);
    // The columns are made wide enough for "9999.999" as an item of the
    // view would show it, measured without writing it into a cell.
    QStyleOptionViewItem option = viewOptions();
    option.features |= QStyleOptionViewItem::HasDisplay;
    option.text = QStringLiteral("9999.999");
    const int probe = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width()
        + (showGrid() ? 1 : 0);
    const int w = std::max(contentWidth(lastCol), probe);
    const int width = int(w + w * 0.2);
    formatting = true;
    if (width != formattedWidth || columns != formattedColumns) {
        for (int col = 0; col <= lastCol; ++col)
            setColumnWidth(col, width);
        formattedWidth = width;
        formattedColumns = columns;
    }
    // The column after them fits its own contents.
    if (columns - 1 > lastCol)
        setColumnWidth(columns - 1, contentWidth(columns - 1));
    formatting = false;
}
