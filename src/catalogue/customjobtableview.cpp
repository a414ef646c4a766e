#include "customjobtableview.h"
#include "selectioncopy.h"

#include <QKeyEvent>

CustomJobTableVIew::CustomJobTableVIew(QWidget *parent)
    : QTableView(parent)
{
}

void CustomJobTableVIew::keyPressEvent(QKeyEvent *event)
{
    if (SelectionCopy::handle(this, event))
        return;
    emit onKeyPressed(event, currentIndex());
    QTableView::keyPressEvent(event);
}
