#include "plotwidgetdata.h"
#include "customqwtcurve.h"
#include "exactnumber.h"
#include "kelvolog.h"
#include "latin1.h"

#include <QColor>
#include <QMutexLocker>
#include <QPen>
#include <QThread>
#include <cmath>

namespace {
// Qt's global colours from red on; transparent is left out so that every
// curve stays visible, and the list starts over after dark yellow.
QColor curveColour(int n)
{
    const int visible = Qt::darkYellow - Qt::red + 1;
    return QColor(Qt::GlobalColor(Qt::red + (n - 1) % visible));
}
} // namespace

PlotWidgetData::PlotWidgetData(QObject *parent)
    : QObject(parent)
{
    m_log = KelvoLog::get("plotwidget");
    qRegisterMetaType<const CustomQwtCurve *>("const CustomQwtCurve*");
}

PlotWidgetData::~PlotWidgetData() = default;

void PlotWidgetData::setStartTime(const qint64 &value)
{
    m_startTime.store(value);
    LOG4CPLUS_DEBUG_FMT(m_log, "data: set startTime %lld", static_cast<long long>(value));
}

bool PlotWidgetData::acceptsPair(CJobResultPair &pair) const
{
    return acceptsResult(pair.job, pair.resultName);
}

bool PlotWidgetData::sameJob(const CJob &a, const CJob &b)
{
    if (!a.ecuName.empty() && !b.ecuName.empty() && a.ecuName != b.ecuName)
        return false;
    return a.getDisplayName() == b.getDisplayName();
}

bool PlotWidgetData::samePair(const CJobResultPair &a, const CJobResultPair &b)
{
    return a.resultName == b.resultName && sameJob(a.job, b.job);
}

bool PlotWidgetData::acceptsResult(const CJob &job, const std::string &resultName) const
{
    if (m_plotAll.load())
        return true;
    QMutexLocker lock(&m_pairsMutex);
    for (const CJobResultPair &p : m_acceptedPairs) {
        // A result chosen from one ECU's job takes no values from the job of
        // that name on another ECU: the two would zig-zag on one curve.
        if (p.resultName == resultName && sameJob(p.job, job))
            return true;
    }
    return false;
}

void PlotWidgetData::setAcceptedPairs(const QList<CJobResultPair> &pairs)
{
    QMutexLocker lock(&m_pairsMutex);
    m_acceptedPairs = pairs;
}

QList<CJobResultPair> PlotWidgetData::acceptedPairs() const
{
    QMutexLocker lock(&m_pairsMutex);
    return m_acceptedPairs;
}

bool PlotWidgetData::readValue(const CJobResult &res, double &value)
{
    // The number as the job gave it: the typed value where the text shows
    // it rounded; none for byte data, a source's raw hex and a text that is
    // no number.
    return ExactNumber::resultValue(res, value);
}

void PlotWidgetData::onJobResultUpdated(const CJobResult &res, const CJob job, int result)
{
    Q_UNUSED(result)
    LOG4CPLUS_DEBUG_FMT(m_log, "data: >onJobResultUpdated:%s,%s,threadid:%p", KELVO_QS(job.getDisplayName()),
                        res.name.c_str(), static_cast<void *>(QThread::currentThread()));
    const qint64 start = m_startTime.load();
    if (job.timeStamp < start) {
        LOG4CPLUS_DEBUG_FMT(m_log, "data: OOOOPPS, startTime > job lastexectime, diff: %lld",
                            static_cast<long long>(start - job.timeStamp));
        return;
    }
    LOG4CPLUS_TRACE_FMT(m_log, "data: lastexectime - starttime, diff: %lld",
                        static_cast<long long>(job.timeStamp - start));

    if (!acceptsResult(job, res.name))
        return;
    CJobResultPair pair;
    pair.job = job;
    pair.resultName = res.name;
    pair.resultDisplayName = res.displayName;
    pair.result = res;

    double y = 0.0;
    // A result without a number has no place on the curve: a 0 there would
    // read as a measurement.
    if (!readValue(res, y)) {
        LOG4CPLUS_TRACE_FMT(m_log, "data: no number in %s: '%s'", res.name.c_str(), res.textValue);
        return;
    }
    emit pointReady(pair, job.timeStamp, y);
    LOG4CPLUS_TRACE(m_log, "data: < onJobResultUpdated");
}

bool PlotWidgetData::addPoint(const CJobResultPair &pair, qint64 timeStamp, double y)
{
    // The start time may have moved (a reset) while the value was on its way.
    const qint64 elapsed = timeStamp - m_startTime.load();
    if (elapsed < 0)
        return false;
    if (!std::isfinite(y))
        return false;
    CustomQwtCurve *curve = curveFor(CurveKey(pair));
    if (!curve) {
        LOG4CPLUS_DEBUG_FMT(m_log, "curve does not exists:%s,%s", KELVO_QS(pair.getJobName()),
                            pair.resultName.c_str());
        CJobResultPair copy(pair);
        curve = addCurve(copy);
        emit curveAdded(curve);
    } else {
        curve->followDisplayName(pair.resultDisplayName);
    }
    m_lastElapsed = elapsed;
    m_xValue = double(elapsed);
    curve->appendPoint(double(elapsed), y);
    return true;
}

CustomQwtCurve *PlotWidgetData::curveFor(const CurveKey &key) const
{
    auto it = m_curves.lowerBound(CurveKey(key.jobName, key.resultName, std::string()));
    CustomQwtCurve *loose = nullptr;
    for (; it != m_curves.cend() && it.key().sameResult(key); ++it) {
        if (it.key().ecuName == key.ecuName)
            return it.value();
        if (!loose && (it.key().ecuName.empty() || key.ecuName.empty()))
            loose = it.value();
    }
    return loose;
}

CustomQwtCurve *PlotWidgetData::addCurve(CJobResultPair &pair)
{
    LOG4CPLUS_DEBUG_FMT(m_log, ">> PlotWidget::AddCurve %s:%s: diplayname:%s", KELVO_QS(pair.getJobName()),
                        pair.resultName.c_str(), pair.resultDisplayName.c_str());
    // A pair keeps the curve it has: replacing it would throw its points away.
    auto existing = m_curves.find(CurveKey(pair));
    if (existing != m_curves.end()) {
        LOG4CPLUS_DEBUG(m_log, "<< PlotWidget::AddCurve, curve exists");
        return existing.value();
    }
    auto *curve = new CustomQwtCurve(pair);
    connect(this, &PlotWidgetData::appendPoint, curve, &CustomQwtCurve::appendPoint);
    // The curve reports from the GUI thread and the factors belong to it:
    // run the handler right there, whatever thread this object lives in.
    connect(curve, &CustomQwtCurve::maxYChanged, this, &PlotWidgetData::onMaxYChanged, Qt::DirectConnection);

    m_curves.insert(CurveKey(pair), curve);
    QPen pen(curveColour(m_curves.size()));
    pen.setWidth(2);
    curve->setPen(pen);
    LOG4CPLUS_DEBUG_FMT(m_log, "<< PlotWidget::AddCurve, curves count:%d", m_curves.size());
    return curve;
}

void PlotWidgetData::deleteCurves()
{
    for (CustomQwtCurve *curve : qAsConst(m_curves)) {
        curve->curveData()->clear();
        curve->detach();
        delete curve;
    }
    m_curves.clear();
}

void PlotWidgetData::resetPeak()
{
    m_curvePeak = 0.0;
    m_peakPair = CJobResultPair();
    m_lastElapsed = 0;
    m_xValue = 0.0;
}

bool PlotWidgetData::takeFactorsChanged()
{
    const bool changed = m_factorsChanged;
    m_factorsChanged = false;
    return changed;
}

void PlotWidgetData::onMaxYChanged(CJobResultPair pair, qreal y)
{
    const CurveKey reporter(pair);
    if (m_peakPair.getJobName().isEmpty()) {
        m_curvePeak = y;
        m_peakPair = pair;
        return;
    }
    if (m_curves.size() > 1) {
        for (auto it = m_curves.begin(); it != m_curves.end(); ++it) {
            CustomQwtCurveData *data = it.value()->curveData();
            double factor;
            if (it.key() == reporter && m_curvePeak < y) {
                factor = 1.0;
            } else {
                const double maxY = data->maxY();
                // A curve without a positive value yet has nothing to stretch.
                factor = maxY > 0.0 ? m_curvePeak / maxY : 1.0;
            }
            const double before = data->factorY();
            data->setFactorY(factor);
            if (data->factorY() != before)
                m_factorsChanged = true;
            LOG4CPLUS_DEBUG_FMT(m_log, "data: set factorY:%f for %s", data->factorY(),
                                it.key().resultName.c_str());
        }
    }
    if (y > m_curvePeak) {
        m_curvePeak = y;
        m_peakPair = pair;
    }
}
