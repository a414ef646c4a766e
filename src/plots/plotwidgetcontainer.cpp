#include "plotwidgetcontainer.h"
#include "kelvolog.h"
#include "plotwidget.h"

#include <QScrollBar>
#include <QThread>
#include <QVBoxLayout>

PlotWidgetContainer::PlotWidgetContainer(QWidget *parent, bool ownThread)
    : QWidget(parent)
{
    m_plot = new PlotWidget(this, ownThread);
    m_scrollBar = new QScrollBar(Qt::Horizontal, this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_plot);
    layout->addWidget(m_scrollBar);
    m_scrollBar->setRange(1, 1);
    connect(m_scrollBar, &QScrollBar::valueChanged, m_plot, &PlotWidget::onSliderValueChanged);
    connect(m_plot, &PlotWidget::scaleChanged, this, &PlotWidgetContainer::onScaleChanged);
}

PlotWidgetContainer::~PlotWidgetContainer()
{
    LOG4CPLUS_DEBUG_FMT(KelvoLog::get("plotwidget"), "~PlotWidgetContainer(),thread id:%p",
                        static_cast<void *>(QThread::currentThread()));
}

void PlotWidgetContainer::onScaleChanged(int axis, double min, double max)
{
    LOG4CPLUS_DEBUG_FMT(KelvoLog::get("plotwidget"),
                        "PWC:scale changed:%d,%f,%f PWC:xscale:%lld,xmax:%lld,pos:%d,scrollmax:%d", axis, min, max,
                        static_cast<long long>(m_plot->timeWindow()), static_cast<long long>(m_plot->timeMax()),
                        m_scrollBar->value(), m_scrollBar->maximum());
    followPages(m_plot, m_scrollBar, max);
}

void PlotWidgetContainer::followPages(PlotWidget *plot, QScrollBar *bar, double max)
{
    const qint64 window = plot->timeWindow();
    const qint64 pages = plot->timeMax() / window;
    bar->setMaximum(int(std::min<qint64>(pages, INT_MAX)));
    if (plot->isFollowingCurve()) {
        const double page = max / double(window);
        const int value = (page >= 1.0 && page < double(INT_MAX)) ? int(page) : bar->maximum();
        LOG4CPLUS_DEBUG_FMT(KelvoLog::get("plotwidget"), "PWC::setValue:%d", value);
        bar->setValue(value);
    }
}
