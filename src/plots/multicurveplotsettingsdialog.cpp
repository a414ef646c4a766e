#include "multicurveplotsettingsdialog.h"
#include "ui_multicurveplotsettingsdialog.h"

#include "kelvolog.h"
#include "latin1.h"
#include "plotwidgetdata.h"
#include "translationmgr.h"

#include <QHeaderView>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidgetItem>

MultiCurvePlotSettingsDialog::MultiCurvePlotSettingsDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::MultiCurvePlotSettingsDialog)
    , m_log(KelvoLog::get("multicurve"))
{
    ui->setupUi(this);
    // Never this dialog's child: the manager outlives every window.
    m_translations = TranslationMgr::instance();
}

MultiCurvePlotSettingsDialog::~MultiCurvePlotSettingsDialog()
{
    delete ui;
}

void MultiCurvePlotSettingsDialog::setSelectedPairs(QList<CJobResultPair> pairs)
{
    m_selectedPairs = pairs;
}

bool MultiCurvePlotSettingsDialog::isSelected(CJobResultPair &pair) const
{
    for (const CJobResultPair &selected : m_selectedPairs) {
        // MSV70's result plotted leaves the same-named one of another ECU
        // unticked.
        if (PlotWidgetData::samePair(selected, pair))
            return true;
    }
    return false;
}

QString MultiCurvePlotSettingsDialog::jobText(const CJobResultPair &pair)
{
    const QString name = pair.getJobName();
    if (pair.job.ecuName.empty())
        return name;
    return name + QStringLiteral(" (") + Latin1::toQString(pair.job.ecuName) + QLatin1Char(')');
}

void MultiCurvePlotSettingsDialog::setResultPairs(QList<CJobResultPair> pairs)
{
    QTableWidget *table = ui->tableWidget;
    table->setRowCount(0);
    m_listedPairs.clear();
    for (int row = 0; row < pairs.size(); ++row) {
        table->insertRow(row);
        auto *job = new QTableWidgetItem;
        job->setFlags(job->flags() | Qt::ItemIsUserCheckable);
        job->setCheckState(Qt::Unchecked);
        table->setItem(row, 0, job);
        table->setItem(row, 1, new QTableWidgetItem);
        table->setItem(row, 2, new QTableWidgetItem);
    }
    for (int row = 0; row < pairs.size(); ++row) {
        CJobResultPair &pair = pairs[row];
        m_translations->translate(pair);
        LOG4CPLUS_DEBUG_FMT(m_log, "resultname:%s", pair.resultName.c_str());
        LOG4CPLUS_DEBUG_FMT(m_log, "displayname:%s", pair.resultDisplayName.c_str());
        QTableWidgetItem *job = table->item(row, 0);
        job->setCheckState(isSelected(pair) ? Qt::Checked : Qt::Unchecked);
        job->setText(jobText(pair));
        table->item(row, 1)->setText(Latin1::toQString(pair.resultDisplayName));
        table->item(row, 2)->setText(Latin1::toQString(pair.resultName));
        m_listedPairs << pair;
    }
    fitToContents();
}

void MultiCurvePlotSettingsDialog::fitToContents()
{
    QTableWidget *table = ui->tableWidget;
    QHeaderView *header = table->horizontalHeader();
    // A stretched column takes the room left, not its text's width.
    header->setStretchLastSection(false);
    table->resizeColumnsToContents();
    table->resizeRowsToContents();
    int columns = 0;
    for (int c = 0; c < table->columnCount(); ++c)
        columns += header->sectionSize(c);
    const int frame = 2 * table->frameWidth();
    const QSize wanted(table->verticalHeader()->sizeHint().width() + columns + frame
                           + table->verticalScrollBar()->sizeHint().width(),
                       header->sizeHint().height() + table->verticalHeader()->length() + frame
                           + table->horizontalScrollBar()->sizeHint().height());
    // What the dialog puts around the table: its layout at the current size.
    layout()->activate();
    const QSize around = size() - table->size();
    QSize size = (wanted + around).expandedTo(minimumSizeHint()).expandedTo(this->size());
    if (const QScreen *screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
    // Where the table has room for every column, the last one takes what is
    // left over; on a narrower screen the columns keep their widths and the
    // table scrolls.
    header->setStretchLastSection(size.width() - around.width() >= wanted.width());
}

void MultiCurvePlotSettingsDialog::on_buttonBox_accepted()
{
    m_resultPairs.clear();
    QTableWidget *table = ui->tableWidget;
    for (int row = 0; row < table->rowCount() && row < m_listedPairs.size(); ++row) {
        if (table->item(row, 0)->checkState() != Qt::Checked)
            continue;
        // The listed pair keeps its job's ECU, so that the plot takes this
        // result from that ECU's job only.
        const CJobResultPair &pair = m_listedPairs.at(row);
        LOG4CPLUS_DEBUG_FMT(m_log, "job:%s,result:%s", KELVO_QS(pair.getJobName()), pair.resultName.c_str());
        m_resultPairs << pair;
    }
    LOG4CPLUS_DEBUG_FMT(m_log, "%d jobresults selected", m_resultPairs.size());
    emit settingsChanged(m_resultPairs);
}

void MultiCurvePlotSettingsDialog::on_buttonBox_rejected()
{
}

void MultiCurvePlotSettingsDialog::showRow(int row)
{
    QTableWidget *table = ui->tableWidget;
    if (row < 0 || row >= table->rowCount())
        return;
    const QString text = table->item(row, 0)->text() + ":" + table->item(row, 1)->text();
    ui->lblJobResult->setText(text);
    LOG4CPLUS_DEBUG_FMT(m_log, "%s", KELVO_QS(text));
}

void MultiCurvePlotSettingsDialog::on_tableWidget_clicked(const QModelIndex &index)
{
    LOG4CPLUS_DEBUG_FMT(m_log, "entered %d,%d", index.row(), index.column());
    showRow(index.row());
}

void MultiCurvePlotSettingsDialog::on_yMultValue_editingFinished()
{
    showRow(ui->tableWidget->currentRow());
    LOG4CPLUS_DEBUG_FMT(m_log, "mult size:%d", m_multipliers.size());
}

void MultiCurvePlotSettingsDialog::on_tableWidget_itemEntered(QTableWidgetItem *item)
{
    Q_UNUSED(item)
    LOG4CPLUS_DEBUG(m_log, "itementered");
}

void MultiCurvePlotSettingsDialog::on_tableWidget_cellEntered(int row, int column)
{
    Q_UNUSED(row)
    Q_UNUSED(column)
    LOG4CPLUS_DEBUG(m_log, "cellActivated");
}
