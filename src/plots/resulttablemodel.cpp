#include "resulttablemodel.h"

#include <QDebug>

ResultTableModel::ResultTableModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    // itemChecked may be connected queued or spied on.
    qRegisterMetaType<Qt::CheckState>("Qt::CheckState");
}

ResultTableModel::~ResultTableModel() = default;

int ResultTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : rows;
}

int ResultTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columns;
}

bool ResultTableModel::inside(int row, int column) const
{
    return row >= 0 && row < rows && column >= 0 && column < columns && row < texts.size()
        && column < texts.at(row).size();
}

QVariant ResultTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !inside(index.row(), index.column()))
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return texts.at(index.row()).at(index.column());
    case Qt::CheckStateRole:
        if (index.column() == 0)
            return checkStates.at(index.row());
        return QVariant();
    case Qt::UserRole:
        return userValues.at(index.row()).at(index.column());
    default:
        return QVariant();
    }
}

bool ResultTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (index.isValid() && index.column() == 0 && role == Qt::CheckStateRole
        && inside(index.row(), 0)) {
        const int state = value.toInt();
        checkStates[index.row()] = state;
        // Views repaint the box also when the change came from code (Mark all).
        emit dataChanged(index, index, {Qt::CheckStateRole});
        emit itemChecked(index.row(), index.column(), Qt::CheckState(state));
        qDebug() << "setData return checked:" << true;
        return true;
    }
    return QAbstractTableModel::setData(index, value, role);
}

Qt::ItemFlags ResultTableModel::flags(const QModelIndex &index) const
{
    if (index.column() == 0)
        return QAbstractTableModel::flags(index) | Qt::ItemIsUserCheckable | Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled;
}

void ResultTableModel::clearRows()
{
    texts.clear();
    userValues.clear();
    checkStates.clear();
    rows = 0;
    columns = 0;
}

void ResultTableModel::clear()
{
    beginResetModel();
    clearRows();
    endResetModel();
}

void ResultTableModel::setDimensions(int rowCount, int columnCount)
{
    rowCount = qMax(0, rowCount);
    columnCount = qMax(0, columnCount);
    beginResetModel();
    clearRows();
    rows = rowCount;
    columns = columnCount;
    texts.reserve(rows);
    userValues.reserve(rows);
    checkStates.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        checkStates.append(Qt::Unchecked);
        QList<QString> textRow;
        QList<QVariant> dataRow;
        for (int c = 0; c < columns; ++c) {
            textRow.append(QString());
            dataRow.append(QVariant(QString()));
        }
        texts.append(textRow);
        userValues.append(dataRow);
    }
    endResetModel();
    if (rows > 0 && columns > 0)
        emit dataChanged(index(0, 0), index(rows - 1, columns - 1));
}

bool ResultTableModel::setText(int row, int column, const QString &text)
{
    if (!inside(row, column) || texts.at(row).at(column) == text)
        return false;
    texts[row][column] = text;
    return true;
}

void ResultTableModel::setUserData(int row, int column, const QVariant &value)
{
    if (inside(row, column))
        userValues[row][column] = value;
}

QVariant ResultTableModel::userData(int row, int column) const
{
    if (!inside(row, column))
        return QVariant();
    return userValues.at(row).at(column);
}

bool ResultTableModel::setCellData(int row, int column, const QVariant &value, int role)
{
    return setData(index(row, column), value, role);
}

void ResultTableModel::refresh(bool valuesOnly)
{
    const int first = valuesOnly ? 2 : 0;
    if (rows <= 0 || columns <= first)
        return;
    emit dataChanged(index(0, first), index(rows - 1, columns - 1), {Qt::DisplayRole});
}

void ResultTableModel::refreshCell(int row, int column)
{
    if (inside(row, column))
        emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
}

void ResultTableModel::updateText(int row, int column, const QString &text)
{
    if (setText(row, column, text))
        refreshCell(row, column);
}
