#include "mdiarea.h"

#include <QDebug>
#include <QDir>
#include <QFile>
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
