#include "plxconfigform.h"
#include "ui_plxconfigform.h"

#include "filewatch.h"
#include "problemlabel.h"

#include <QDebug>
#include <QEvent>
#include <QStandardItemModel>

namespace {
const int ConfRole = Qt::UserRole + 1;
}

PLXConfigForm::PLXConfigForm(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::PLXConfigForm)
    , manager(nullptr)
    , model(new QStandardItemModel(this))
    , watch(nullptr)
    , logger(KelvoLog::get("plx"))
{
    ui->setupUi(this);
    ui->listView->setModel(model);
    manager.load();
    showProblem(tr("No sensors shown"), manager.lastError());
    ui->listView->installEventFilter(this);
    loadConfigs();
    if (model->rowCount() > 0) {
        const QModelIndex first = model->index(0, 0);
        ui->listView->setCurrentIndex(first);
        on_listView_clicked(first);
    }
    watch = new FileWatch(manager.configFile(), this);
    connect(watch, &FileWatch::changed, this, &PLXConfigForm::onFileChanged);
}

void PLXConfigForm::onFileChanged()
{
    const QModelIndex current = ui->listView->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    manager.load();
    const QString why = manager.lastError();
    if (!why.isEmpty()) {
        // Broken by hand or half written: what the list shows still is what
        // the file said last, and the user knows why it does not follow.
        showProblem(tr("List kept as read last"), why);
        return;
    }
    showList(row);
    showProblem(QString(), QString());
}

PLXConfigForm::~PLXConfigForm()
{
    ui->listView->removeEventFilter(this);
    ui->listView->setModel(nullptr);
    delete ui;
}

void PLXConfigForm::loadConfigs()
{
    qDebug() << ">loadConfigs" << "rowcount before:" << model->rowCount();
    // The items go before the records they point to.
    model->clear();
    rows.clear();
    qDebug() << "rowcount:" << model->rowCount();
    for (const PLXSensorConf &conf : manager.sensorConfigs()) {
        rows.push_back(std::make_unique<PLXSensorConf>(conf));
        const PLXSensorDefinition *def = manager.definition(conf.address);
        auto *item = new QStandardItem((def ? def->name : QString()) + QStringLiteral(" #")
                                       + QString::number(conf.instance));
        item->setEditable(false);
        item->setData(QVariant::fromValue(rows.back().get()), ConfRole);
        model->appendRow(item);
    }
    qDebug() << "<loadConfigs";
}

PLXSensorConf *PLXConfigForm::confAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != model)
        return nullptr;
    return index.data(ConfRole).value<PLXSensorConf *>();
}

void PLXConfigForm::showNothing()
{
    ui->comboBox->clear();
    ui->lblSensorAddress->clear();
    ui->lblInstance->clear();
    ui->lblUnitNum->clear();
}

void PLXConfigForm::on_listView_clicked(const QModelIndex &index)
{
    showNothing();
    const PLXSensorConf *conf = confAt(index);
    qDebug() << "pressed:" << index.row() << "variant:" << (conf != nullptr);
    if (!conf)
        return;
    if (const PLXSensorDefinition *def = manager.definition(conf->address)) {
        for (const auto &unit : def->units)
            ui->comboBox->addItem(unit.first, unit.second);
    }
    ui->lblSensorAddress->setText(QString::number(conf->address));
    ui->lblInstance->setText(QString::number(conf->instance));
    ui->lblUnitNum->setText(QString::number(conf->unitNum));
    // The unit whose number is stored, wherever the definition lists it.
    ui->comboBox->setCurrentIndex(ui->comboBox->findData(QString::number(conf->unitNum)));
}

void PLXConfigForm::on_listView_entered(const QModelIndex &index)
{
    qDebug() << "entered";
    on_listView_clicked(index);
}

bool PLXConfigForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->listView && event->type() == QEvent::KeyRelease) {
        const QModelIndex current = ui->listView->currentIndex();
        if (current.isValid())
            on_listView_clicked(current);
    }
    return QWidget::eventFilter(watched, event);
}

void PLXConfigForm::showProblem(const QString &what, const QString &why)
{
    if (!why.isEmpty())
        LOG4CPLUS_WARN_FMT(logger, "PLX Config: %s: %s", KELVO_QS(what), KELVO_QS(why));
    ProblemLabel::show(ui->lblProblem, why.isEmpty() ? QString() : what + QStringLiteral(": ") + why);
}

void PLXConfigForm::reload(int row)
{
    manager.load();
    showList(row);
}

void PLXConfigForm::showList(int row)
{
    loadConfigs();
    const QModelIndex again = model->index(row, 0);
    if (again.isValid()) {
        ui->listView->setCurrentIndex(again);
        on_listView_clicked(again);
    } else {
        showNothing();
    }
}

void PLXConfigForm::on_comboBox_activated(int index)
{
    qDebug() << "activated:" << index;
    if (index < 0)
        return;
    const QModelIndex current = ui->listView->currentIndex();
    const PLXSensorConf *conf = confAt(current);
    if (!conf)
        return;
    bool ok = false;
    const int unitNum = ui->comboBox->itemData(index).toString().toInt(&ok);
    if (!ok) {
        LOG4CPLUS_WARN_FMT(logger, "unit '%s' has no number: nothing written",
                           KELVO_QS(ui->comboBox->itemText(index)));
        return;
    }
    const bool written = manager.updateSensorConf(conf, unitNum);
    const QString why = manager.lastError();
    // Shown as the file now stands: the chosen unit when it was written,
    // else the stored one, never a choice that went nowhere.
    reload(current.row());
    if (written)
        showProblem(tr("Unit written, list not read again"), manager.lastError());
    else
        showProblem(tr("Unit not changed"), why);
    ui->listView->setFocus();
}

void PLXConfigForm::on_btnDeleteConfig_clicked()
{
    const bool removed = manager.removeConfigFile();
    const QString why = manager.lastError();
    manager.load();
    loadConfigs();
    showNothing();
    showProblem(tr("Configuration not deleted"), removed ? QString() : why);
}
