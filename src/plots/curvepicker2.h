#pragma once
// A picker whose slots only report what reaches them.
#include <qwt_picker.h>

#include <QPoint>
#include <QPolygon>

class CurvePicker2 : public QwtPicker
{
    Q_OBJECT
public:
    explicit CurvePicker2(QWidget *parent = nullptr);

public slots:
    void selected(QPolygon polygon);
    void onSelected(QPolygon polygon);
    void onMoved(QPoint point);
};
