#pragma once
// The data side of a time plot. onJobResultUpdated runs in the worker's
// thread (its own one when the plot asks for it): it picks the results to
// plot and reads their values, then hands each one over as pointReady().
// The owning plot routes pointReady() to addPoint() in the GUI thread,
// where the curves are created, fed, scaled and deleted: nothing the GUI
// thread paints is ever touched by the worker thread.
#include "cjobresultpair.h"
#include "curvekey.h"

#include <log4cplus/logger.h>

#include <QList>
#include <QMap>
#include <QMutex>
#include <QObject>
#include <atomic>

class CustomQwtCurve;

class PlotWidgetData : public QObject
{
    Q_OBJECT
public:
    explicit PlotWidgetData(QObject *parent = nullptr);
    ~PlotWidgetData() override;

    // Any thread.
    void setStartTime(const qint64 &value);
    qint64 startTime() const { return m_startTime.load(); }
    bool acceptsPair(CJobResultPair &pair) const;
    // The same test for a result of a job, without building the pair.
    bool acceptsResult(const CJob &job, const std::string &resultName) const;
    // Whether two jobs are runs of one job: the same display name, and the
    // same ECU where both name one (pseudo jobs of devices name none).
    static bool sameJob(const CJob &a, const CJob &b);
    // Two pairs name the same result of the same job in that sense.
    static bool samePair(const CJobResultPair &a, const CJobResultPair &b);
    void setAcceptedPairs(const QList<CJobResultPair> &pairs);
    QList<CJobResultPair> acceptedPairs() const;
    void setPlotAll(bool on) { m_plotAll.store(on); }
    bool plotAll() const { return m_plotAll.load(); }
    // The plotted value of a result: the number the job gave; false (value
    // 0, never plotted) for a text that is no decimal number, for byte data
    // and for a source's raw bytes.
    static bool readValue(const CJobResult &res, double &value);

    // GUI thread only from here on.
    CustomQwtCurve *addCurve(CJobResultPair &pair);
    // Appends one value, stamped at timeStamp (ms since the epoch), to the
    // pair's curve, creating the curve first; false when it was dropped.
    bool addPoint(const CJobResultPair &pair, qint64 timeStamp, double y);
    QMap<CurveKey, CustomQwtCurve *> &curveMap() { return m_curves; }
    const QMap<CurveKey, CustomQwtCurve *> &curveMap() const { return m_curves; }
    // The curve a value of this job's result goes to: the one of its own
    // ECU, else one of that job and result where either side names no ECU
    // (a device's pseudo job, a choice without ECU); null when there is none.
    CustomQwtCurve *curveFor(const CurveKey &key) const;
    // Deletes every curve (detaching it from its plot first).
    void deleteCurves();
    qint64 lastElapsed() const { return m_lastElapsed; }
    void setLastElapsed(qint64 ms) { m_lastElapsed = ms; }
    double xValue() const { return m_xValue; }
    void setXValue(double x) { m_xValue = x; }
    double curvePeak() const { return m_curvePeak; }
    void setCurvePeak(double peak) { m_curvePeak = peak; }
    void resetPeak();
    // True once after any curve's y factor changed: what is on the canvas
    // then no longer matches the curve and needs a full replot.
    bool takeFactorsChanged();

signals:
    void appendPoint(qreal x, qreal y);
    void curveAdded(const CustomQwtCurve *curve);
    void pointReady(CJobResultPair pair, qint64 timeStamp, double y);

public slots:
    void onJobResultUpdated(const CJobResult &res, const CJob job, int result = 0);
    void onMaxYChanged(CJobResultPair pair, qreal y);

private:
    QMap<CurveKey, CustomQwtCurve *> m_curves;
    mutable QMutex m_pairsMutex;
    QList<CJobResultPair> m_acceptedPairs;
    std::atomic<qint64> m_startTime{0};
    log4cplus::Logger m_log;
    qint64 m_lastElapsed = 0;
    double m_xValue = 0.0;
    std::atomic<bool> m_plotAll{true};
    double m_curvePeak = 0.0;
    CJobResultPair m_peakPair;
    bool m_factorsChanged = false;
};
