#pragma once
// The live view of one job: its results in a checkable, filterable table,
// one time plot per ticked result, a status line with the job's timings and
// the message rate, and the export of screenshots and curve data.
#include "cjob.h"
#include "cjobresult.h"
#include "cjobresultpair.h"

#include <log4cplus/logger.h>

#include <QChar>
#include <QElapsedTimer>
#include <QMap>
#include <QMutex>
#include <QPen>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <deque>

class CustomQwtCurve;
class GaugeContainer;
class MdiHost;
class PlotWidget;
class PlotWidgetContainer;
class QCloseEvent;
class QSortFilterProxyModel;
class TranslationMgr;

namespace Ui {
class PlotWindow;
}

class PlotWindow : public QWidget
{
    Q_OBJECT
public:
    PlotWindow(CJob job, QWidget *parent = nullptr);
    ~PlotWindow() override;

    CJob &job() { return m_job; }
    void setMainStyleSheet(const QString &styleSheet) { m_styleSheet = styleSheet; }
    // The main window, for the windows this one opens (the gauge screen).
    void setMainWnd(MdiHost *mainWindow);

    QMap<QString, PlotWidgetContainer *> &plotWidgets() { return m_plots; }
    // Every plotted result: the plots in map order, each plot's curves in
    // key order.
    QList<CJobResultPair> plottedPairs();

    // Both write into the working directory; false when a file could not be
    // written (the error is logged and shown in the status line).
    bool saveScreenshot();
    bool saveCsv();

    void addPlotWidget(CJobResult result);
    void removePlotWidget(QString name);
    void createTableItems(int rows, const CJob &job);
    void updateResultsTableWithJob(CJob &job, bool withValues);
    void updateResultsTable2(const CJobResult &result, int row, bool withValues);
    void markAll(bool unmark);
    void updateStatusLabels(const CJob &job);
    // The messages of the last RateSpanMs (or since the first one, when
    // that is less), per second: 0 once the source failed (a job with a
    // result other than 0) and until readings come again, and 0 once a
    // source has sent nothing for that long.
    double messagesPerSecond();
    enum { RateSpanMs = 5000 };

    bool isPaused() const { return m_paused; }
    bool isRealtime() const { return m_realtime; }
    QTimer *refreshTimer() { return &m_refreshTimer; }
    quint64 messageCount() const { return m_messageCount; }
    qint64 startTime() const { return m_startTime; }

    // The value text of a result as the table shows it; serialJob selects
    // the job's own number format for real values.
    static QString formatValue(const CJobResult &result, bool serialJob);
    // Names and texts of the exported files.
    static QString exportName(const QString &name);
    static QString csvTimeText(double x, QChar decimalPoint);
    static QString csvValueText(double y, QChar decimalPoint);
    // The context-menu entries, run by their text.
    void runMenuAction(const QString &text);
    // A gauge screen of the plotted results in the main window's MDI area;
    // null without a main window.
    GaugeContainer *createGauges();
    // Resets every plot without touching the message counter.
    void on_pushButton_clicked();

signals:
    void jobResultUpdated(CJobResult &result, int index);
    void closed(QCloseEvent *event);
    void plotWidgetStatusChanged(int status, CJob job, QString resultName);
    void onJobFinished2(CJob job, int result);
    // "Data Log" pressed: whoever owns the data-logger window opens one.
    void dataLogRequested();
    // "Multiplot" pressed: whoever hosts the windows opens a multi-curve
    // plot of these results.
    void multiCurveRequested(QList<CJobResultPair> pairs);

public slots:
    void onJobFinished(CJob job, int result);
    void onItemChecked(int row, int col, Qt::CheckState state);
    void resetPlotWidgets();
    void setStartTime(qint64 value);
    void timerTimeout();
    // In realtime mode: shows what came in since the last frame.
    void onFrame();
    void contextMenu(const QPoint &pos);
    void resizeDone();
    void resizeTimerFunc();
    void on_btnMarkAll_clicked();
    void on_cmbRefreshRate_currentIndexChanged(int index);
    void on_btnMultiCurve_clicked();
    void on_btnGauge_clicked();
    void on_txtFilter_textChanged(const QString &text);
    void on_btnDataLog_clicked();
    // A lasting condition of the window's source that fails no job (its
    // configuration file does not read): shown in place of "Status: OK"
    // until the source clears it with an empty text.
    void setSourceNotice(const QString &text);

protected:
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void connectNotify(const QMetaMethod &signal) override;

private:
    void applyStoredRate(const QString &stored);
    void setPaused(bool paused);
    void showExportError(const QString &text);
    // The first curve of a plot, or null while it has none.
    static CustomQwtCurve *firstCurve(PlotWidget *plot);
    void drawFirstCurve(PlotWidget *plot);
    // A plotted result that comes with another display name than its
    // curve's: the curve takes it, and the logger is told.
    void followDisplayName(PlotWidgetContainer *container, const CJobResult &res);
    bool jobIsMine(const CJob &job) const;
    // Gives the result table the width its names, units and values need,
    // taken from the plots (which keep at least half), until the user moves
    // the splitter himself; where even that is too narrow the names give way,
    // so that each value stays in sight without scrolling.
    void fitTable();
    void setStatusOk();
    QString titleText() const;

    CJob m_job;
    Ui::PlotWindow *ui;
    log4cplus::Logger logger;
    bool m_paused = false;
    QMutex m_plotMutex;
    QMap<QString, PlotWidgetContainer *> m_plots;
    QChar m_decimalPoint = QLatin1Char('.');
    QTimer m_refreshTimer;
    QElapsedTimer m_rateClock;
    qint64 m_rateStartWall = 0;
    // When the readings of the last RateSpanMs came, on the rate clock.
    std::deque<qint64> m_arrivals;
    quint64 m_messageCount = 0;
    bool m_started = false;
    bool m_realtime = false;
    // Realtime values wait for the next display frame.
    bool m_framePending = false;
    CJob m_lastJob;
    int m_lastResult = 0;
    QString m_sourceNotice;
    QString m_styleSheet;
    MdiHost *m_mainWindow = nullptr;
    QTimer m_resizeTimer;
    bool m_resizing = false;
    int m_lastWidth = -1;
    int m_lastHeight = -1;
    QSortFilterProxyModel *m_proxy = nullptr;
    QTimer m_columnTimer;
    // The user placed the splitter: the table keeps the width he gave it.
    bool m_splitterMoved = false;
    // The table was fitted before the units came: fitted again with them.
    bool m_fitWithUnits = false;
    TranslationMgr *m_translations = nullptr;
    bool m_threads = false;
    qint64 m_startTime = 0;
    bool m_registered = false;
    // The curves' own pens while the window is paused, by result name.
    QMap<QString, QPen> m_pausedPens;
    // An export error stays readable for a while before "Status: OK" returns.
    QElapsedTimer m_exportErrorClock;
};
