#pragma once
// "PLX Config": lists the configured PLX sensors and lets the user pick the
// unit each one reports in; the choice is written to the configuration
// file, which a running PLX source watches. "Delete config" removes the
// file; the next PLX frame writes a fresh one. The window follows the file
// on disk. A configuration file that does not read changes nothing: the
// list stays as it was, the window says why, and shows the file once it
// reads again.
#include "kelvolog.h"
#include "plxsensorconfigmanager.h"

#include <QModelIndex>
#include <QWidget>
#include <memory>
#include <vector>

class FileWatch;
class QStandardItemModel;

namespace Ui {
class PLXConfigForm;
}

class PLXConfigForm : public QWidget
{
    Q_OBJECT
public:
    explicit PLXConfigForm(QWidget *parent = nullptr);
    ~PLXConfigForm() override;

    // Rebuilds the list from the manager's configurations.
    void loadConfigs();
    PLXSensorConfigManager &configManager() { return manager; }

public slots:
    void on_listView_clicked(const QModelIndex &index);
    void on_listView_entered(const QModelIndex &index);
    void on_comboBox_activated(int index);
    void on_btnDeleteConfig_clicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The sensor of a list row; the form's own copy, rebuilt with the list.
    PLXSensorConf *confAt(const QModelIndex &index) const;
    void showNothing();
    // Reads the files again and shows the row again; a configuration that
    // does not read keeps the list.
    void reload(int row);
    // The list as the manager read it, with the row shown again.
    void showList(int row);
    // What went wrong, under the list; nothing when all is well.
    void showProblem(const QString &what, const QString &why);
    // The file changed on disk: shown as it now reads, or kept as it was.
    void onFileChanged();

    Ui::PLXConfigForm *ui;
    PLXSensorConfigManager manager;
    QStandardItemModel *model;
    std::vector<std::unique_ptr<PLXSensorConf>> rows;
    FileWatch *watch;
    log4cplus::Logger logger;
};
