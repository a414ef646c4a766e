#include "gaugewidget.h"

#include "basicgauge.h"
#include "mylabel.h"

#include <QMouseEvent>
#include <QVBoxLayout>

#include <cmath>

GaugeWidget::GaugeWidget(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("GaugeWidget"));
    resize(371, 218);
    setStyleSheet(QStringLiteral("background-color: rgb(0, 0, 0);"));
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    m_title = new MyLabel(this);
    m_title->setObjectName(QStringLiteral("title"));
    m_title->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    m_title->setWordWrap(true);
    m_title->setMinPointSize(12);
    m_gauge = new BasicGauge(this);
    m_gauge->setObjectName(QStringLiteral("gauge"));
    layout->addWidget(m_title);
    layout->addWidget(m_gauge);
}

void GaugeWidget::setGaugeDef(const GaugeDef &def)
{
    m_def = def;
    m_gauge->setGaugeDef(def);
    m_title->setText(def.title);
    m_title->setColor(def.titleColor.isValid() ? def.titleColor : QColor(Qt::white));
}

void GaugeWidget::setValue(double value)
{
    if (m_autoScale) {
        // The scale shows converted values: compare those. Only a limit
        // that moves costs a new background.
        const double shown = m_def.conversionFactor * value;
        if (std::isfinite(shown)) {
            const double oldMax = m_gauge->scaleMax();
            const double oldMin = m_gauge->scaleMin();
            bool moved = false;
            if (shown > oldMax) {
                m_def.max = shown;
                moved = true;
            }
            if (shown < oldMin) {
                m_def.min = shown;
                moved = true;
            }
            if (moved) {
                m_gauge->setGaugeDef(m_def);
                m_gauge->setForceRedraw(true);
                m_gauge->resizeDone();
            }
        }
    }
    m_gauge->setValue(value);
}

void GaugeWidget::refresh()
{
    m_gauge->update();
}

void GaugeWidget::mousePressEvent(QMouseEvent *event)
{
    emit clicked(this);
    event->ignore();
}
