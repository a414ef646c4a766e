#include "mdiarea.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QLayout>
#include <QSizeGrip>
#include <QResizeEvent>

MdiArea::MdiArea(QWidget *parent)
    : QMdiArea(parent)
{
    // Leaves the working directory's path for tools that run beside the
    // program. The file is truncated first: a shorter path must not keep
    // the tail of a longer one from an earlier run.
    QFile pathFile(QStringLiteral("data2.txt"));
    if (pathFile.open(QIODevice::WriteOnly | QIODevice::Truncate))
        pathFile.write(QDir::currentPath().toLocal8Bit());

    const bool loaded = background.load(QStringLiteral("logo.jpg"));
    if (!loaded)
        background.load(QStringLiteral("./logo.png"));
    qDebug() << "load pixmap:" << loaded;

    resizeTimer.setSingleShot(true);
    connect(&resizeTimer, &QTimer::timeout, this, &MdiArea::resizeDone);
    setBackground(background.isNull() ? QBrush() : QBrush(background));
}

QSize MdiArea::openingSize(QMdiSubWindow *sub) const
{
    QWidget *widget = sub->widget();
    if (!widget)
        return sub->sizeHint();
    const QSize hint = widget->sizeHint().isValid() ? widget->sizeHint() : QSize(0, 0);
    // A form's size stands as the size asked for once it was set; an
    // unsized widget's default geometry says nothing.
    QSize content = hint;
    if (widget->testAttribute(Qt::WA_Resized))
        content = content.expandedTo(widget->size());
    // The frame and title bar around the widget.
    const QMargins frame = sub->contentsMargins() + (sub->layout() ? sub->layout()->contentsMargins() : QMargins());
    QSize size = content.grownBy(frame).expandedTo(sub->minimumSizeHint());
    // A hidden area has no size to go by yet.
    if (isVisible())
        size = size.boundedTo(viewport()->size());
    return size;
}

QMdiSubWindow *MdiArea::addWindow(QWidget *widget, Qt::WindowFlags flags)
{
    // Sized before it is added, so that the area places it by its real size.
    // Moving the widget into the frame forgets its focus child: keep it.
    QWidget *focus = widget->focusWidget();
    auto *sub = new QMdiSubWindow(viewport(), flags);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWidget(widget);
    sub->resize(openingSize(sub));
    addSubWindow(sub, flags);
    keepInside(sub);
    if (focus)
        focus->setFocus();
    return sub;
}

void MdiArea::addSizeGrip(QMdiSubWindow *sub)
{
    auto *grip = new QSizeGrip(sub);
    sub->layout()->addWidget(grip);
    QSize size = sub->size() + QSize(0, grip->sizeHint().height() + qMax(0, sub->layout()->spacing()));
    if (isVisible())
        size = size.boundedTo(viewport()->size());
    sub->resize(size);
    keepInside(sub);
}

void MdiArea::keepInside(QMdiSubWindow *sub)
{
    if (!isVisible())
        return;
    const QSize area = viewport()->size();
    const QRect r = sub->geometry();
    const QPoint inside(qMax(0, qMin(r.x(), area.width() - r.width())), qMax(0, qMin(r.y(), area.height() - r.height())));
    if (inside != r.topLeft())
        sub->move(inside);
}

void MdiArea::resizeEvent(QResizeEvent *e)
{
    QMdiArea::resizeEvent(e);
    resizeTimer.start(100);
}

void MdiArea::resizeDone()
{
    qDebug() << "resizeDone";
    if (background.isNull()) {
        setBackground(QBrush());
    } else {
        const QPixmap scaled = background.scaledToWidth(geometry().width(), Qt::SmoothTransformation);
        setBackground(QBrush(scaled));
    }
    viewport()->update();
}
