#pragma once
// The main window's central widget: the MDI area that holds every other
// window, with a background picture rescaled to the area's width once the
// user stops resizing.
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPixmap>
#include <QTimer>

class MdiArea : public QMdiArea
{
    Q_OBJECT
public:
    explicit MdiArea(QWidget *parent = nullptr);

    const QPixmap &backgroundPicture() const { return background; }

    // Adds the widget as a sub-window that opens at the size its form was
    // made for, or its layout asks for if that is more, within the area:
    // the size hint alone can be far smaller than the form and would cut
    // the values the window shows.
    QMdiSubWindow *addWindow(QWidget *widget, Qt::WindowFlags flags = Qt::WindowFlags());
    // The size a sub-window holding the widget opens at.
    QSize openingSize(QMdiSubWindow *sub) const;
    // A size grip under the widget; the sub-window grows by its row, so the
    // widget keeps the size it opened at.
    void addSizeGrip(QMdiSubWindow *sub);
    // Moves the sub-window back into the area where it reaches past it.
    void keepInside(QMdiSubWindow *sub);

public slots:
    void resizeDone();

protected:
    void resizeEvent(QResizeEvent *e) override;

private:

    QPixmap background;
    QTimer resizeTimer;
};
