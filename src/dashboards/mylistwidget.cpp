#include "mylistwidget.h"

#include <QKeyEvent>

MyListWidget::MyListWidget(QWidget *parent)
    : QListWidget(parent)
{
}

void MyListWidget::keyPressEvent(QKeyEvent *event)
{
    emit keyPressed(event);
    event->ignore();
    QListWidget::keyPressEvent(event);
}
