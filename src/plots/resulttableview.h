#pragma once
// The result table of a plot window; it owns its model.
#include "resulttablemodel.h"

#include <QTableView>

class ResultTableView : public QTableView
{
    Q_OBJECT
public:
    explicit ResultTableView(QWidget *parent = nullptr);
    ~ResultTableView() override;

    ResultTableModel *tableModel() { return &m_model; }
    void clearModel() { m_model.clear(); }
    int rowCount() const { return m_model.rowCount(); }

private:
    ResultTableModel m_model;
};
