#pragma once
// The 2-D chart: bins one job result (the cell value, Z) over two others
// (X and Y) into a grid, like a map of an engine's operating points, and
// shows the last, average, minimum, maximum and count of every cell on its
// pages. Its 3-D buttons open surfaces of the tables; they need a host for
// sub-windows (setMainWnd), without one they only log.
#include "cjob.h"
#include "chartvariables.h"
#include "kelvolog.h"

#include <QString>
#include <QStringList>
#include <QWidget>

class Avg2DChartTableView;
class Basic2DChartTableView;
class Chart3D;
class MdiHost;

namespace Ui {
class Basic2DChart;
}

class Basic2DChart : public QWidget
{
    Q_OBJECT
public:
    explicit Basic2DChart(QWidget *parent = nullptr);
    ~Basic2DChart() override;

    // Where the 3-D windows go; the opener passes it after showing the chart.
    void setMainWnd(MdiHost *host) { mainWnd = host; }

    void initModel(int rows, int cols, int xMax, int yMax, int xMin, int yMin);
    // With AutoScale on, widens the limits to take in the sample; true
    // when a limit changed (the tables are then re-formatted).
    bool adjustAutoScaleLimits(double x, double y);
    // Sets the cell of (x, y) to the value in every table.
    void setCellValue(double x, double y, double value);

    const ChartVariables &chartVariables() const { return chVars; }
    bool isReady() const { return ready; }
    Avg2DChartTableView *averageView() const { return avgView; }

signals:
    void valueRowSet(int row, int col, qreal cellValue);
    void chartVarsUpdated(const ChartVariables &vars);
    void setValue(qreal x, qreal y, qreal cellValue);
    void formatView();
    void formatTable();

public slots:
    void onJobFinished(CJob argJob, int result);
    void on_pushButton_clicked();
    void on_btnSetVal_clicked();
    void addResultsToCombos(const QString &res);
    void on_chkAutoScale_clicked();
    void on_btnChart3D_clicked();
    void on_chkDebug_clicked();
    void on_btn3DLast_clicked();
    void on_btn3DMax_clicked();
    void on_btn3DMin_clicked();
    void on_btn3DAvg_clicked();

private:
    // Adds the keys to the three combo boxes, selects the keys stored in
    // "kelvo.ini" and applies the choice once: always, or only when a key
    // was new.
    void addKeysToCombos(const QStringList &keys, bool applyAlways);
    // A 3-D window in the host's MDI area with this chart's grid; null
    // without a host.
    Chart3D *open3D(const QString &title);
    void open3DFor(Basic2DChartTableView *view, const QString &title);

    Ui::Basic2DChart *ui;
    log4cplus::Logger logger;
    ChartVariables chVars;
    QString xKey;
    QString yKey;
    QString zKey;
    double xValue = 0.0;
    double yValue = 0.0;
    double zValue = 0.0;
    bool xSeen = false;
    bool ySeen = false;
    bool zSeen = false;
    int resultCount = 0;
    int widestKey = 0;
    bool ready = false;
    Avg2DChartTableView *avgView = nullptr;
    MdiHost *mainWnd = nullptr;
};
