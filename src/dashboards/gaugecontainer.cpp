#include "gaugecontainer.h"
#include "ui_gaugecontainer.h"

#include "gaugecontainerdata.h"
#include "gaugewidget.h"
#include "textvaluewidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QThread>

GaugeContainer::GaugeContainer(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::GaugeContainer)
    , logger(KelvoLog::get("gauges"))
{
    ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    ui->textWidget->hide();

    connect(&m_animationTimer, &QTimer::timeout, this, &GaugeContainer::animate);
    m_animationTimer.start(1000 / m_frameRate);

    m_data = new GaugeContainerData(nullptr);
    m_thread = new QThread(nullptr);
    m_thread->setObjectName(QStringLiteral("gaugeDataThread"));
    connect(this, &GaugeContainer::jobFinished, m_data, &GaugeContainerData::onJobFinished);
    connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
    m_data->moveToThread(m_thread);
    m_thread->start(QThread::InheritPriority);
}

GaugeContainer::~GaugeContainer()
{
    LOG4CPLUS_DEBUG(logger, "~GaugeContainer");
    m_animationTimer.stop();
    // Cut first: the worker, ending in its own thread, then has no link back
    // to this screen to undo while the screen goes.
    disconnect(this, nullptr, m_data, nullptr);
    // The worker goes in its own thread as the thread's loop ends; the
    // thread object then deletes itself.
    m_data->deleteLater();
    m_thread->quit();
    m_thread->wait();
    m_data = nullptr;
    disconnect(this, nullptr, this, nullptr);
    delete ui;
}

void GaugeContainer::setColumns(int n)
{
    m_columns = n < 0 ? 1 : n;
}

void GaugeContainer::addGauge(const CJobResultPair &pair, const GaugeDef &def, bool autoScale)
{
    auto *gauge = new GaugeWidget(this);
    gauge->setResultPair(pair);
    gauge->setGaugeDef(def);
    gauge->setAutoScale(autoScale);
    ui->gridGauge->addWidget(gauge, m_nextRow, m_nextColumn);
    ++m_nextColumn;
    if (m_nextColumn > m_columns - 1) {
        ++m_nextRow;
        m_nextColumn = 0;
    }

    auto *text = new TextValueWidget(this);
    text->setResultPair(pair);
    text->setGaugeDef(def);
    ui->gridText->addWidget(text, ui->gridText->count(), 0);

    gauge->setFocusPolicy(Qt::StrongFocus);

    const QString key = GaugeContainerData::resultKey(pair);
    m_gaugeTable[key].append(gauge);
    m_textTable[key].append(text);
    m_gauges.append(gauge);
    m_texts.append(text);
}

void GaugeContainer::onJobFinished(CJob argJob, int result)
{
    emit jobFinished(argJob, result);
}

void GaugeContainer::animate()
{
    for (auto it = m_gaugeTable.cbegin(); it != m_gaugeTable.cend(); ++it) {
        // A dial whose result has not come shows no reading.
        double v = 0.0;
        if (!m_data->value(it.key(), &v))
            continue;
        for (GaugeWidget *gauge : it.value()) {
            gauge->setValue(v);
            gauge->refresh();
        }
    }
    for (auto it = m_textTable.cbegin(); it != m_textTable.cend(); ++it) {
        double v = 0.0;
        if (!m_data->value(it.key(), &v))
            continue;
        for (TextValueWidget *text : it.value()) {
            text->setValue(v);
            text->refresh();
        }
    }
}

void GaugeContainer::switchViews()
{
    if (m_showingGauges) {
        ui->gaugeWidget->hide();
        ui->textWidget->show();
    } else {
        ui->textWidget->hide();
        ui->gaugeWidget->show();
    }
    m_showingGauges = !m_showingGauges;
    // The layout gives the view that comes back the room the other one had.
    // Sizing the views to their hints instead would shrink the dials to
    // their minimum in the corner until the window is resized.
    layout()->activate();
}

void GaugeContainer::setFrameRate(int rate)
{
    // 100 frames a second at most: beyond that the interval would reach 0
    // and the timer would keep the GUI thread busy.
    m_frameRate = qBound(1, rate, int(MaxFrameRate));
    m_animationTimer.start(1000 / m_frameRate);
    LOG4CPLUS_DEBUG_FMT(logger, "gauge frame rate %d, %d ms", m_frameRate, 1000 / m_frameRate);
}

void GaugeContainer::mousePressEvent(QMouseEvent *event)
{
    switchViews();
    event->accept();
}

void GaugeContainer::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Space:
    case Qt::Key_Enter:
        switchViews();
        break;
    case Qt::Key_Plus:
        setFrameRate(m_frameRate + FrameRateStep);
        break;
    case Qt::Key_Minus:
        setFrameRate(m_frameRate - FrameRateStep);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}
