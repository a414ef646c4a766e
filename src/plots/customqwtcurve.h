#pragma once
// One time curve of a plot: a Qwt curve that knows the job result it shows
// and reports new y extremes, so that the plot can keep all its curves on
// one vertical scale. Created, fed, drawn and deleted in the GUI thread.
#include "cjobresultpair.h"
#include "customqwtcurvedata.h"

#include <log4cplus/logger.h>
#include <qwt_plot_curve.h>

#include <QObject>

class CustomQwtCurve : public QObject, public QwtPlotCurve
{
    Q_OBJECT
public:
    CustomQwtCurve();
    explicit CustomQwtCurve(CJobResultPair &pair);
    ~CustomQwtCurve() override;

    // The title a pair gets: its display name, else the part of the result
    // name inside "STAT_..._WERT", else the whole result name.
    static QString titleFor(const CJobResultPair &pair);

    // Takes the display name its result now comes with (a source may
    // rename a result while it runs: an Innovate input given another
    // function); the title follows. True when it changed; an empty name
    // (a log's or a playback's value) changes nothing.
    bool followDisplayName(const std::string &displayName);

    CJobResultPair *resultPair() { return &m_pair; }
    const CJobResultPair *resultPair() const { return &m_pair; }
    CustomQwtCurveData *curveData() const { return m_data; }
    // The series store takes the data over. Two curves may share one data
    // object (the shared-cursor plot): it is then released only once, by
    // the curve that was given it first.
    void setCurveData(CustomQwtCurveData *data);
    // (x[i], y[i]) as recorded, without the y factor; (0, 0) outside.
    QPointF rawSample(qint64 i) const;

    // Draws only the points inside the visible time range, and long runs
    // of points as the minimum and maximum of each pixel column.
    void drawSeries(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                    const QRectF &canvasRect, int from, int to) const override;

    // appendPoint without its per-point log line, for whole logs read at
    // once: the same point, the same extreme reports.
    void appendQuiet(qreal x, qreal y);

signals:
    void maxYChanged(CJobResultPair pair, qreal y);
    void minYChanged(CJobResultPair pair, qreal y);

public slots:
    void appendPoint(qreal x, qreal y);

private:
    void init();
    void drawThinned(QPainter *painter, const QwtScaleMap &xMap, const QwtScaleMap &yMap,
                     const QRectF &canvasRect, qint64 from, qint64 to) const;

    bool m_antialiased = true;
    CJobResultPair m_pair;
    CustomQwtCurveData *m_data = nullptr;
    log4cplus::Logger m_log;
};
