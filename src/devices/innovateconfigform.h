#pragma once
// "Innovate Config": one row per input of each configured device of the
// MTS chain; for the chosen row the sensor function ("Input Type") its
// channel offers and the unit. A choice is written at once into
// "config/InputConfigs.xml" through the shared configuration, which a
// running Innovate source then reloads. "Delete config" only announces a
// change and rebuilds the list (nothing is deleted). A file that does not
// read changes nothing: the list stays as last read and the window says
// why; a file changed on disk (by hand, say) is read again at once.
#include "inputconfigitem.h"
#include "kelvolog.h"
#include "unitconverter.h"

#include <QModelIndex>
#include <QWidget>
#include <memory>
#include <vector>

class InnovateMTSExtConfig;
class QKeyEvent;
class QStandardItemModel;

namespace Ui {
class InnovateConfigForm;
}

class InnovateConfigForm : public QWidget
{
    Q_OBJECT
public:
    explicit InnovateConfigForm(QWidget *parent = nullptr);
    ~InnovateConfigForm() override;

    // Rebuilds the list from the configuration's input configurations.
    void loadConfigs();

public slots:
    void on_listView_clicked(const QModelIndex &index);
    void on_listView_entered(const QModelIndex &index);
    void on_cmbInputType_activated(const QString &text);
    void on_cmbUnit_activated(const QString &text);
    void on_btnDeleteConfig_clicked();
    void fillUnitsCombo(const QString &inputType);
    void fillUnitsCombo(const QString &inputType, const QString &selUnit);
    void foo();
    void list_keyPressEvent(QKeyEvent *event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The record of a list row; the form's own, rebuilt with the list.
    InputConfigItem *itemAt(int row) const;
    // The functions the item's channel offers, with the item's current.
    void fillInputTypeCombo(const InputConfigItem &item);
    // The list from the files, the row shown again.
    void reload(int row);
    // After a write: the same, and the list takes the focus.
    void reloadAndShow(int row);
    // A change made elsewhere (by hand, say): the list as the files stand.
    void filesChanged();
    // What keeps a choice or the files from taking, under the list;
    // nothing when all is well.
    void showProblem(const QString &text);

    Ui::InnovateConfigForm *ui;
    InnovateMTSExtConfig *config;
    QStandardItemModel *model;
    UnitConverter converter;
    int currentRow = -1;
    std::vector<std::unique_ptr<InputConfigItem>> rows;
    log4cplus::Logger logger;
};
