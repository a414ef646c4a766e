#include "fakemdihost.h"

#include "plotwindowfeed.h"

FakeMdiHost::FakeMdiHost(const QSize &size)
    : size(size)
{
    area.resize(size);
    area.show();
}

QMdiSubWindow *FakeMdiHost::addSubWindow(QWidget *widget)
{
    // As the main window's area does, a widget sized before it is added
    // keeps that size inside its frame.
    const bool sized = widget->testAttribute(Qt::WA_Resized);
    const QSize size = widget->size();
    QMdiSubWindow *sub = area.addSubWindow(widget);
    if (sized)
        sub->resize(size.grownBy(sub->contentsMargins()));
    return sub;
}

bool FakeMdiHost::connectJobListener(QObject *listener)
{
    listeners << listener;
    PlotWindowFeed::connect(listener);
    return true;
}
