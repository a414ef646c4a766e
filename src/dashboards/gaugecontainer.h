#pragma once
// The window of one gauge screen: a grid of dials and, as the second view,
// a column of text lines, one of each per shown result. Finished jobs go to
// a worker in a thread of its own; a timer in the GUI thread samples the
// worker's latest values and sets every dial and line to them.
#include "cjob.h"
#include "cjobresultpair.h"
#include "gaugedef.h"
#include "kelvolog.h"

#include <QList>
#include <QMap>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class GaugeContainerData;
class GaugeWidget;
class QThread;
class TextValueWidget;

namespace Ui {
class GaugeContainer;
}

class GaugeContainer : public QWidget
{
    Q_OBJECT
public:
    enum { StartFrameRate = 30, MaxFrameRate = 100, FrameRateStep = 2 };

    explicit GaugeContainer(QWidget *parent = nullptr);
    ~GaugeContainer() override;

    // The sub-window the creator put the screen in, kept for the creator.
    void setSubWindow(QMdiSubWindow *subWindow) { m_subWindow = subWindow; }
    QMdiSubWindow *subWindow() const { return m_subWindow; }
    // Columns of the dial grid; a negative count means 1.
    void setColumns(int n);
    int columns() const { return m_columns; }
    // One dial in the grid and one text line below the others.
    void addGauge(const CJobResultPair &pair, const GaugeDef &def, bool autoScale);

    bool isShowingGauges() const { return m_showingGauges; }
    void switchViews();
    int frameRate() const { return m_frameRate; }
    int frameInterval() const { return m_animationTimer.interval(); }
    // Every dial and text line in the order they were added.
    QList<GaugeWidget *> gauges() const { return m_gauges; }
    QList<TextValueWidget *> textLines() const { return m_texts; }
    GaugeContainerData *data() const { return m_data; }
    QThread *dataThread() const { return m_thread; }

signals:
    void jobFinished(CJob job, int result);

public slots:
    void onJobFinished(CJob argJob, int result);
    // One frame: every dial and text line takes its result's latest value.
    void animate();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void setFrameRate(int rate);

    Ui::GaugeContainer *ui = nullptr;
    // Every widget of a result key: two dials of one result both move.
    QMap<QString, QList<GaugeWidget *>> m_gaugeTable;
    QMap<QString, QList<TextValueWidget *>> m_textTable;
    QList<GaugeWidget *> m_gauges;
    QList<TextValueWidget *> m_texts;
    QPointer<QMdiSubWindow> m_subWindow;
    int m_nextRow = 0;
    int m_nextColumn = 0;
    bool m_showingGauges = true;
    QTimer m_animationTimer;
    int m_frameRate = StartFrameRate;
    int m_columns = 0;
    log4cplus::Logger logger;
    GaugeContainerData *m_data = nullptr;
    QThread *m_thread = nullptr;
};
