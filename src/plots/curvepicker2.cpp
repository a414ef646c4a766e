#include "curvepicker2.h"
#include "kelvolog.h"

#include <QDebug>

CurvePicker2::CurvePicker2(QWidget *parent)
    : QwtPicker(parent)
{
}

void CurvePicker2::selected(QPolygon polygon)
{
    qDebug() << "picker2,selected" << polygon;
}

void CurvePicker2::onSelected(QPolygon polygon)
{
    Q_UNUSED(polygon)
    qDebug() << "picker2,onselected";
}

void CurvePicker2::onMoved(QPoint point)
{
    Q_UNUSED(point)
    qDebug() << "picker2,onMoved";
}
