#pragma once
// The main window's central widget: the MDI area that holds every other
// window, with a background picture rescaled to the area's width once the
// user stops resizing.
#include <QMdiArea>
#include <QPixmap>
#include <QTimer>

class MdiArea : public QMdiArea
{
    Q_OBJECT
public:
    explicit MdiArea(QWidget *parent = nullptr);

    const QPixmap &backgroundPicture() const { return background; }

public slots:
    void resizeDone();

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    QPixmap background;
    QTimer resizeTimer;
};
