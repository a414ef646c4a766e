#include "basic2dchart.h"
#include "ui_basic2dchart.h"

#include "avg2dcharttableview.h"
#include "basic2dchartutils.h"
#include "chart3d.h"
#include "kelvosettings.h"
#include "mdihost.h"
#include "numbertext.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QMdiSubWindow>
#include <QStyle>
#include <cmath>

namespace {
const char *const lastKeys[3] = {"chart2D/lastXresult", "chart2D/lastYresult", "chart2D/lastZresult"};
}

Basic2DChart::Basic2DChart(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Basic2DChart)
{
    ui->setupUi(this);
    avgView = new Avg2DChartTableView(this);
    avgView->setObjectName(QStringLiteral("tableAvg"));
    ui->layout_tabAverage->insertWidget(0, avgView);

    ui->tableView->setKind(Basic2DChartTableView::Last);
    ui->tableMin->setKind(Basic2DChartTableView::Minimum);
    ui->tableMax->setKind(Basic2DChartTableView::Maximum);
    ui->tableCount->setKind(Basic2DChartTableView::Count);

    for (Basic2DChartTableView *view : {ui->tableView, ui->tableMin, ui->tableMax, ui->tableCount,
                                        static_cast<Basic2DChartTableView *>(avgView)}) {
        connect(this, &Basic2DChart::chartVarsUpdated, view, &Basic2DChartTableView::onChartVarsUpdated);
        connect(this, &Basic2DChart::formatTable, view, &Basic2DChartTableView::formatTable);
        connect(this, &Basic2DChart::formatView, view, &Basic2DChartTableView::formatView);
        connect(this, &Basic2DChart::setValue, view, &Basic2DChartTableView::setValue);
    }

    logger = KelvoLog::get("chart");
    ui->txtOutput->hide();

    on_chkAutoScale_clicked();
    on_pushButton_clicked();
    ui->widgetDebug->setVisible(ui->chkDebug->isChecked());
    for (int i = 0; i < ui->tabWidget->count(); ++i)
        ui->tabWidget->widget(i)->setAutoFillBackground(true);
}

Basic2DChart::~Basic2DChart()
{
    if (!ui->cmbCell->currentText().isEmpty()) {
        auto settings = KelvoSettings::open();
        settings->setValue(QLatin1String(lastKeys[0]), ui->cmbXResult->currentText());
        settings->setValue(QLatin1String(lastKeys[1]), ui->cmbYResult->currentText());
        settings->setValue(QLatin1String(lastKeys[2]), ui->cmbCell->currentText());
    }
    delete ui;
}

void Basic2DChart::initModel(int rows, int cols, int xMax, int yMax, int xMin, int yMin)
{
    LOG4CPLUS_DEBUG_FMT(logger, ">initModel:row:%d,row:%d xMax:%d,yMax:%d xMin:%d,yMin%d", rows, cols, xMax, yMax,
                        xMin, yMin);
    chVars.rows = ChartVariables::boundedBins(rows);
    chVars.cols = ChartVariables::boundedBins(cols);
    chVars.xMax = xMax;
    chVars.yMax = yMax;
    chVars.xMin = xMin;
    chVars.yMin = yMin;
    resultCount = 0;
    emit chartVarsUpdated(chVars);
    emit formatTable();
    emit formatView();
}

void Basic2DChart::on_pushButton_clicked()
{
    const int rows = ui->txtRows->text().toInt(nullptr, 10);
    const int cols = ui->txtCols->text().toInt(nullptr, 10);
    if (ui->chkAutoScale->isChecked()) {
        initModel(rows, cols, 0, 0, 0, 0);
    } else {
        initModel(rows, cols, ui->txtXMax->text().toInt(nullptr, 10), ui->txtYMax->text().toInt(nullptr, 10),
                  ui->txtXMin->text().toInt(nullptr, 10), ui->txtYMin->text().toInt(nullptr, 10));
    }
    // A value seen for the result an axis had is not one of the result it
    // has now.
    auto take = [](QString &key, const QString &chosen, bool &seen) {
        if (key != chosen)
            seen = false;
        key = chosen;
    };
    take(xKey, ui->cmbXResult->currentText(), xSeen);
    take(yKey, ui->cmbYResult->currentText(), ySeen);
    take(zKey, ui->cmbCell->currentText(), zSeen);
    if (!xKey.isEmpty() && !yKey.isEmpty() && !zKey.isEmpty())
        ready = true;
}

void Basic2DChart::on_chkAutoScale_clicked()
{
    const bool enabled = !ui->chkAutoScale->isChecked();
    const QList<QWidget *> limits = {ui->lblXMax, ui->lblYMax, ui->lblXMin, ui->lblYMin,
                                     ui->txtXMax, ui->txtYMax, ui->txtXMin, ui->txtYMin};
    for (QWidget *w : limits)
        w->setEnabled(enabled);
}

void Basic2DChart::on_chkDebug_clicked()
{
    ui->widgetDebug->setVisible(ui->chkDebug->isChecked());
}

bool Basic2DChart::adjustAutoScaleLimits(double x, double y)
{
    if (!ui->chkAutoScale->isChecked())
        return false;
    const ChartVariables before = chVars;
    if (x < before.xMin)
        chVars.xMin = x;
    if (x > before.xMax)
        chVars.xMax = x;
    if (y < before.yMin)
        chVars.yMin = y;
    if (y > before.yMax)
        chVars.yMax = y;
    if (chVars == before)
        return false;
    LOG4CPLUS_DEBUG(logger, "limits changed");
    emit chartVarsUpdated(chVars);
    emit formatTable();
    emit formatView();
    return true;
}

void Basic2DChart::setCellValue(double x, double y, double value)
{
    if (!ready)
        return;
    int col = 0;
    int row = 0;
    const bool hasCell = chVars.cellOf(x, y, &col, &row);
    emit setValue(x, y, value);
    if (hasCell)
        emit valueRowSet(row, col, value);
}

void Basic2DChart::onJobFinished(CJob argJob, int result)
{
    Q_UNUSED(result)
    const QString displayName = argJob.getDisplayName();
    LOG4CPLUS_DEBUG_FMT(logger, "onJobFinished:%s", KELVO_QS(displayName));
    const bool grown = argJob.getResultCount() > resultCount;
    QStringList keys;
    for (const CJobResult &r : argJob.results) {
        const QString key = Basic2DChartUtils::resultKey(argJob, r);
        if (grown)
            keys << key;
        double value = 0.0;
        // A result without a number stays offered but sets nothing: a 0
        // would put a sample in a cell it never was in.
        if (!Basic2DChartUtils::resultNumber(r, value)) {
            LOG4CPLUS_DEBUG_FMT(logger, "no number: %s", KELVO_QS(key));
            continue;
        }
        LOG4CPLUS_DEBUG_FMT(logger, "resultVal:%f", value);
        if (key == xKey) {
            xValue = value;
            xSeen = true;
            LOG4CPLUS_DEBUG_FMT(logger, "X val:%f", value);
        }
        if (key == yKey) {
            yValue = value;
            ySeen = true;
            LOG4CPLUS_DEBUG_FMT(logger, "Y val:%f", value);
        }
        if (key == zKey) {
            zValue = value;
            zSeen = true;
            LOG4CPLUS_DEBUG_FMT(logger, "Cell val:%f", value);
        }
    }
    if (xSeen && ySeen && zSeen) {
        const bool changed = adjustAutoScaleLimits(xValue, yValue);
        LOG4CPLUS_DEBUG_FMT(logger, "values OK, changed:%d", int(changed));
        setCellValue(xValue, yValue, zValue);
        xSeen = ySeen = zSeen = false;
    } else {
        LOG4CPLUS_DEBUG(logger, "values NOT OK");
    }
    if (grown) {
        addKeysToCombos(keys, false);
        resultCount = argJob.getResultCount();
    }
}

void Basic2DChart::addResultsToCombos(const QString &res)
{
    addKeysToCombos(QStringList{res}, true);
}

void Basic2DChart::addKeysToCombos(const QStringList &keys, bool applyAlways)
{
    QComboBox *const combos[3] = {ui->cmbXResult, ui->cmbYResult, ui->cmbCell};
    const QFontMetrics metrics(ui->cmbXResult->font());
    bool added = false;
    for (const QString &key : keys) {
        for (QComboBox *combo : combos) {
            if (combo->findText(key, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0) {
                combo->addItem(key);
                added = true;
            }
        }
        widestKey = std::max(widestKey, metrics.horizontalAdvance(key));
        QAbstractItemView *list = ui->cmbXResult->view();
        if (widestKey > list->minimumWidth()) {
            widestKey += style()->pixelMetric(QStyle::PM_ScrollBarExtent) + list->autoScrollMargin();
            for (QComboBox *combo : combos)
                combo->view()->setMinimumWidth(widestKey);
        }
    }

    // A job that brings no new key changes no choice; applying again would
    // only restart the auto-scale limits at 0..0 and hide every cell.
    if (!added && !applyAlways)
        return;
    auto settings = KelvoSettings::open();
    for (int i = 0; i < 3; ++i) {
        const QString stored = settings->value(QLatin1String(lastKeys[i]), QString()).toString();
        const int index = combos[i]->findText(stored, Qt::MatchExactly | Qt::MatchCaseSensitive);
        if (index > 0)
            combos[i]->setCurrentIndex(index);
    }
    on_pushButton_clicked();
}

void Basic2DChart::on_btnSetVal_clicked()
{
    ready = true;
    bool xOk = false;
    bool yOk = false;
    bool valueOk = false;
    const double x = NumberText::toDouble(ui->txtXVal->text(), &xOk);
    const double y = NumberText::toDouble(ui->txtYVal->text(), &yOk);
    const double value = NumberText::toDouble(ui->txtCellValue->text(), &valueOk);
    // An empty or mistyped field is no 0: nothing is set.
    if (!xOk || !yOk || !valueOk) {
        LOG4CPLUS_DEBUG(logger, "Set Value: a field holds no number");
        return;
    }
    const float xLimit = float(x);
    adjustAutoScaleLimits(std::isfinite(xLimit) ? double(xLimit) : x, y);
    setCellValue(x, y, value);
}

Chart3D *Basic2DChart::open3D(const QString &title)
{
    if (!mainWnd) {
        LOG4CPLUS_INFO(logger, "3D chart: no main window to open it in");
        return nullptr;
    }
    auto *chart = new Chart3D();
    chart->setChVars(chVars);
    // Sized before it is added: the area places a window whole by the size
    // it has then; grown afterwards, it reached past the area's right edge.
    chart->resize(300, 300);
    QMdiSubWindow *sub = mainWnd->addSubWindow(chart);
    sub->show();
    // The chart keeps its caption above the box, clear of the axes' numbers.
    if (!title.isEmpty())
        chart->setTitle(title);
    connect(this, &Basic2DChart::chartVarsUpdated, chart, &Chart3D::onChartVarsUpdated);
    chart->onChartVarsUpdated(chVars);
    return chart;
}

void Basic2DChart::open3DFor(Basic2DChartTableView *view, const QString &title)
{
    if (Chart3D *chart = open3D(title))
        connect(view, &Basic2DChartTableView::setValueRowSignal, chart, &Chart3D::onValueRowSet);
}

void Basic2DChart::on_btnChart3D_clicked()
{
    if (Chart3D *chart = open3D(QString()))
        connect(this, &Basic2DChart::valueRowSet, chart, &Chart3D::onValueRowSet);
}

void Basic2DChart::on_btn3DLast_clicked()
{
    open3DFor(ui->tableView, QStringLiteral("Last values"));
}

void Basic2DChart::on_btn3DMax_clicked()
{
    open3DFor(ui->tableMax, QStringLiteral("Max values"));
}

void Basic2DChart::on_btn3DMin_clicked()
{
    open3DFor(ui->tableMin, QStringLiteral("Min values"));
}

void Basic2DChart::on_btn3DAvg_clicked()
{
    open3DFor(avgView, QStringLiteral("Avg. values"));
}
