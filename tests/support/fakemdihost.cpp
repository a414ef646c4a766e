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
    return area.addSubWindow(widget);
}

bool FakeMdiHost::connectJobListener(QObject *listener)
{
    listeners << listener;
    PlotWindowFeed::connect(listener);
    return true;
}
