#pragma once
// The choice of results for the multi-curve plot: one row per numeric
// result of the jobs the plot has seen, the plotted ones ticked. A row
// names its job's ECU, since two ECUs often run a job of the same name; OK
// hands the ticked pairs over as they were listed, with those ECU names.
#include "cjobresultpair.h"

#include <log4cplus/logger.h>

#include <QDialog>
#include <QList>
#include <QMap>
#include <QModelIndex>

class QTableWidgetItem;
class TranslationMgr;

namespace Ui {
class MultiCurvePlotSettingsDialog;
}

class MultiCurvePlotSettingsDialog : public QDialog
{
    Q_OBJECT
public:
    explicit MultiCurvePlotSettingsDialog(QWidget *parent = nullptr);
    ~MultiCurvePlotSettingsDialog() override;

    // Fills the table; call setSelectedPairs first.
    void setResultPairs(QList<CJobResultPair> pairs);
    void setSelectedPairs(QList<CJobResultPair> pairs);
    bool isSelected(CJobResultPair &pair) const;
    // The Job column's text: the job's display name and, where known, its ECU.
    static QString jobText(const CJobResultPair &pair);
    // The pairs built by the last OK.
    QList<CJobResultPair> resultPairs() const { return m_resultPairs; }
    // Shows the current row in the label; the form has no multiplier field
    // whose editing would call it.
    void on_yMultValue_editingFinished();

signals:
    void settingsChanged(QList<CJobResultPair> pairs);

public slots:
    void on_buttonBox_accepted();
    void on_buttonBox_rejected();
    void on_tableWidget_clicked(const QModelIndex &index);
    void on_tableWidget_itemEntered(QTableWidgetItem *item);
    void on_tableWidget_cellEntered(int row, int column);

private:
    void showRow(int row);
    // Columns as wide as their texts, the dialog as large as the table then
    // needs, within the screen.
    void fitToContents();

    Ui::MultiCurvePlotSettingsDialog *ui;
    QList<CJobResultPair> m_selectedPairs;
    QList<CJobResultPair> m_resultPairs;
    QMap<CJobResultPair, double> m_multipliers; // never filled
    TranslationMgr *m_translations = nullptr;
    // The pairs as listed, row by row.
    QList<CJobResultPair> m_listedPairs;
    log4cplus::Logger m_log;
};
