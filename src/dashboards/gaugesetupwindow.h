#pragma once
// "Gauge screens": pick an ECU and one of its screens, and a gauge screen
// opens in the main window's MDI area, fed with the live job stream. The
// window closes itself once it opened one.
#include "kelvolog.h"

#include <QModelIndex>
#include <QWidget>

class GaugeDefManager;
class MdiHost;
class QKeyEvent;

namespace Ui {
class GaugeSetupWindow;
}

class GaugeSetupWindow : public QWidget
{
    Q_OBJECT
public:
    GaugeSetupWindow(MdiHost *mainWindow, GaugeDefManager *manager, QWidget *parent = nullptr);
    ~GaugeSetupWindow() override;

    // Opens the screen of the list's current entry; false (and nothing
    // opened) when the list has none.
    bool showScreen();

private slots:
    void on_comboBox_currentIndexChanged(int index);
    void on_comboBox_currentIndexChanged(const QString &text);
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void on_listWidget_doubleClicked(const QModelIndex &index);
    void list_keyPressed(QKeyEvent *event);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void fillScreens();
    // Closes the sub-window this window sits in (or the window itself);
    // deferred, since it runs inside the list's own handlers.
    void closeWindow();

    Ui::GaugeSetupWindow *ui = nullptr;
    MdiHost *m_mainWindow = nullptr;
    GaugeDefManager *m_manager = nullptr;
    log4cplus::Logger logger;
};
