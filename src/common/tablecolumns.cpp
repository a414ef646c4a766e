#include "tablecolumns.h"

#include <QHeaderView>
#include <QTableView>

void TableColumns::fitToContents(QTableView *view)
{
    view->resizeColumnsToContents();
    QHeaderView *header = view->horizontalHeader();
    if (!header->stretchLastSection())
        return;
    header->setStretchLastSection(false);
    header->setStretchLastSection(true);
}
