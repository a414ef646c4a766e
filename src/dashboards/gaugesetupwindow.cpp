#include "gaugesetupwindow.h"
#include "ui_gaugesetupwindow.h"

#include "cjobresultpair.h"
#include "gaugecontainer.h"
#include "gaugedefmanager.h"
#include "latin1.h"
#include "mdihost.h"

#include <QDebug>
#include <QKeyEvent>
#include <QMdiSubWindow>

GaugeSetupWindow::GaugeSetupWindow(MdiHost *mainWindow, GaugeDefManager *manager, QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::GaugeSetupWindow)
    , m_mainWindow(mainWindow)
    , m_manager(manager)
    , logger(KelvoLog::get("gauges"))
{
    ui->setupUi(this);
    setWindowTitle(QStringLiteral("Gauge screens"));

    ui->comboBox->addItems(m_manager->ecuNames());
    const int found = ui->comboBox->findText(m_mainWindow->currentEcu(), Qt::MatchFixedString);
    // An ECU without gauges is no entry: the combo is left without one.
    if (found != 0)
        ui->comboBox->setCurrentIndex(found);
    fillScreens();

    connect(ui->listWidget, &MyListWidget::keyPressed, this, &GaugeSetupWindow::list_keyPressed);
    // The user opens the window to pick a screen: Return, the arrows and
    // Escape work at once, without a click into the list first.
    setFocusProxy(ui->listWidget);
    ui->listWidget->setFocus();
}

GaugeSetupWindow::~GaugeSetupWindow()
{
    delete ui;
}

void GaugeSetupWindow::fillScreens()
{
    const QString ecu = ui->comboBox->currentText();
    const QList<GaugeScreenConf> screens = m_manager->gaugeScreens(ecu);
    qDebug() << "SETUP: Screens count: " << screens.size();
    ui->listWidget->clear();
    for (const GaugeScreenConf &screen : screens)
        ui->listWidget->addItem(screen.name);
    if (ui->listWidget->count() > 0) {
        ui->listWidget->setCurrentRow(0);
        ui->listWidget->item(0)->setSelected(true);
    }
}

void GaugeSetupWindow::on_comboBox_currentIndexChanged(int)
{
    fillScreens();
}

void GaugeSetupWindow::on_comboBox_currentIndexChanged(const QString &text)
{
    qDebug() << "changed" << text;
}

bool GaugeSetupWindow::showScreen()
{
    QListWidgetItem *item = ui->listWidget->currentItem();
    if (!item)
        return false;
    const QString ecu = ui->comboBox->currentText();
    const QString screenName = item->text();

    auto *container = new GaugeContainer(nullptr);
    QMdiSubWindow *sub = m_mainWindow->addSubWindow(container);
    container->setSubWindow(sub);
    m_mainWindow->connectJobListener(container);
    container->show();

    const QSize host = m_mainWindow->hostSize();
    if (sub) {
        sub->resize(int(host.width() * 0.75), int(host.height() * 0.75));
        sub->move(0, 0);
    }
    container->setStyleSheet(QStringLiteral("background-color:black"));

    GaugeScreenConf screen;
    if (m_manager->getSingleScreen(ecu, screenName, &screen)) {
        qDebug() << "get screen:" << screen.name;
        container->setWindowTitle(screen.name);
        container->setColumns(screen.columns);
        for (const GaugeScreenElement &element : qAsConst(screen.elements)) {
            qDebug() << "screen elem:" << element.name;
            GaugeDef def;
            if (!m_manager->getSingleDef(ecu, element.name, &def)) {
                qDebug() << "DEF NOT found:" << element.name;
                continue;
            }
            qDebug() << "DEF found:" << element.name;
            CJobResultPair pair;
            // The screen is the ECU's: another ECU's job of that name must
            // not move its dials.
            pair.job.ecuName = Latin1::toStd(ecu);
            pair.job.jobName = Latin1::toStd(def.jobName);
            pair.resultName = Latin1::toStd(def.resultName);
            // Only the pair's name is 8-bit: the dial keeps the title as read.
            pair.resultDisplayName = Latin1::toStd(def.title);
            container->addGauge(pair, def, false);
        }
    } else {
        qDebug() << "screen NOT found:" << screenName;
        LOG4CPLUS_WARN_FMT(logger, "gauge screen not found: %s", KELVO_QS(screenName));
    }
    closeWindow();
    return true;
}

void GaugeSetupWindow::closeWindow()
{
    if (auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget()))
        sub->close();
    else
        close();
}

void GaugeSetupWindow::on_pushButton_clicked()
{
    showScreen();
}

void GaugeSetupWindow::on_pushButton_2_clicked()
{
    closeWindow();
}

void GaugeSetupWindow::on_listWidget_doubleClicked(const QModelIndex &)
{
    showScreen();
}

void GaugeSetupWindow::list_keyPressed(QKeyEvent *event)
{
    qDebug() << "LIST: keypressed";
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        showScreen();
    event->ignore();
}

void GaugeSetupWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        closeWindow();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}
