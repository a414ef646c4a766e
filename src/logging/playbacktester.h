#pragma once
// The playback window: replays a CSV log of the working directory into a
// gauge screen (and, when ticked, a 2-D chart) of its own, as if the logged
// jobs were running now, and opens a graph of the whole log beside them.
// The player runs in a thread of its own; every control is a direct call
// into it and does nothing before a log is opened.
#include "cjob.h"
#include "jobinfo.h"
#include "gaugecontainer.h"
#include "gaugedef.h"
#include "kelvolog.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

class GaugeDefManager;
class MdiHost;
class PlayBackThread;
class QThread;

namespace Ui {
class PlayBackTester;
}

class PlayBackTester : public QWidget
{
    Q_OBJECT
public:
    PlayBackTester(QWidget *parent, MdiHost *mainWnd);
    ~PlayBackTester() override;

    // The definition a column's gauge gets: a file's definition of that
    // job and result (letter case ignored; the side file's own result name
    // or its translation), else one made up with an auto-scaled range.
    static GaugeDef gaugeDefFor(const QList<GaugeDef> &defs, const JobInfo &column, bool *found = nullptr);
    // Gauge columns for that many logged columns.
    static int gaugeColumns(int columnCount);

    // What the window opened for the current log (none before it loaded).
    GaugeContainer *gaugeScreen() const { return gauges; }
    QWidget *graphWindow() const { return graph; }
    QWidget *chartWindow() const { return chart; }
    bool hasWorker() const { return worker != nullptr; }
    PlayBackThread *playbackWorker() const { return worker; }

signals:
    void jobFinished(CJob job, int result);

private slots:
    void on_pushButton_5_clicked();
    void on_pushButton_4_clicked();
    void onPosChanged(int ind);
    void on_pushButton_3_clicked();
    void on_horizontalScrollBar_valueChanged(int value);
    void fileStatusChanged(int status);
    void jobsReady(QList<CJob> jobs);
    void on_btnStart_clicked();
    void on_spnSpeed_valueChanged(int value);
    void on_cmbCsvFile_activated(const QString &text);
    void onPlayStatusChanged(int status);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    // Left and Right reach the window from whatever child has the focus.
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void fillFileList();
    void stopWorker();
    void buildViews();
    void openGraphWindow();
    // True for Left and Right: they step one row back or on.
    bool stepKey(QKeyEvent *event);

    MdiHost *mainWnd = nullptr;
    Ui::PlayBackTester *ui = nullptr;
    PlayBackThread *worker = nullptr;
    QThread *thread = nullptr;
    GaugeDefManager *defManager = nullptr;
    QString openedFile;
    // What the load of the open log reported ("empty log", a line left
    // out): shown above every row.
    QStringList loadReport;
    QPointer<GaugeContainer> gauges;
    QPointer<QWidget> graph;
    QPointer<QWidget> chart;
    log4cplus::Logger logger;
};
