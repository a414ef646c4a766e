#pragma once
// The cells of a plot window's result table: one row per result, column 0
// with a check box that switches the result's plot, its display name and
// the CJobResult itself as user data; column 1 the unit; column 2 the value.
#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <QVariant>

class ResultTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ResultTableModel(QObject *parent = nullptr);
    ~ResultTableModel() override;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Replaces every row by `rows` empty, unchecked rows of `columns` cells.
    void setDimensions(int rows, int columns);
    // Empties the model: no rows, no columns.
    void clear();
    // Cells outside the table are ignored; true when the text changed.
    bool setText(int row, int column, const QString &text);
    // setText(), and the views are told when the text changed.
    void updateText(int row, int column, const QString &text);
    void setUserData(int row, int column, const QVariant &value);
    QVariant userData(int row, int column) const;
    bool setCellData(int row, int column, const QVariant &value, int role);
    // Tells the views that the value columns (or every column) changed.
    void refresh(bool valuesOnly);
    // Tells the views that one cell changed: they paint that cell alone,
    // where a range of cells has them paint all they show.
    void refreshCell(int row, int column);

signals:
    void itemChecked(int row, int col, Qt::CheckState state);

private:
    bool inside(int row, int column) const;
    void clearRows();

    QList<QList<QString>> texts;
    QList<QList<QVariant>> userValues;
    QList<int> checkStates;
    int rows = 0;
    int columns = 0;
};
