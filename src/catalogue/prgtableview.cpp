#include "prgtableview.h"
#include "selectioncopy.h"

#include <QDebug>

PRGTableView::PRGTableView(QWidget *parent)
    : QTableView(parent)
{
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
}

void PRGTableView::mousePressEvent(QMouseEvent *event)
{
    qDebug() << "mousepressevent";
    QTableView::mousePressEvent(event);
}

void PRGTableView::keyPressEvent(QKeyEvent *event)
{
    if (!SelectionCopy::handle(this, event))
        QTableView::keyPressEvent(event);
}
