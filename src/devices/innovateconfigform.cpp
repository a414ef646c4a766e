#include "innovateconfigform.h"
#include "ui_innovateconfigform.h"

#include "innovatemtsextconfig.h"
#include "problemlabel.h"

#include <QDebug>
#include <QEvent>
#include <QStandardItemModel>

namespace {
const int ItemRole = Qt::UserRole + 1;
}

InnovateConfigForm::InnovateConfigForm(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::InnovateConfigForm)
    , config(InnovateMTSExtConfig::instance())
    , model(new QStandardItemModel(this))
    , logger(KelvoLog::get("innovate"))
{
    ui->setupUi(this);
    ui->listView->setModel(model);
    ui->listView->installEventFilter(this);
    config->load();
    loadConfigs();
    if (model->rowCount() > 0) {
        const QModelIndex first = model->index(0, 0);
        ui->listView->setCurrentIndex(first);
        on_listView_clicked(first);
    }
    showProblem(config->readError());
    connect(config, &InnovateMTSExtConfig::inputConfigChanged, this, &InnovateConfigForm::foo);
    config->watchFiles();
    connect(config, &InnovateMTSExtConfig::filesChanged, this, &InnovateConfigForm::filesChanged);
}

InnovateConfigForm::~InnovateConfigForm()
{
    ui->listView->removeEventFilter(this);
    ui->listView->setModel(nullptr);
    delete ui;
}

void InnovateConfigForm::loadConfigs()
{
    qDebug() << ">loadConfigs" << "rowcount before:" << model->rowCount();
    const int remembered = ui->listView->currentIndex().row();
    // The items go before the records they point to.
    model->clear();
    rows.clear();
    qDebug() << "rowcount:" << model->rowCount();
    for (const QString &name : config->inputConfigNames()) {
        const DeviceInputConfig *device = config->inputConfig(name);
        if (!device)
            continue;
        qDebug() << "inputconfig:" << device->prefix << ", inputs:" << device->inputs.size();
        for (int i = 1; i <= device->inputs.size(); ++i) {
            const auto input = device->inputs.constFind(i);
            if (input == device->inputs.constEnd())
                continue;
            auto record = std::make_unique<InputConfigItem>();
            record->deviceName = device->prefix;
            record->deviceType = device->devType;
            record->inputNumber = i;
            record->function = input->name;
            record->unitNum = input->unitNum;
            auto *item = new QStandardItem(QStringLiteral("%1_%2 (%3)").arg(device->prefix).arg(i).arg(input->name));
            item->setEditable(false);
            item->setData(QVariant::fromValue(record.get()), ItemRole);
            rows.push_back(std::move(record));
            model->appendRow(item);
            qDebug() << "loadConfigs:" << '"' + device->prefix + '"' << ",unit:" << input->unitNum;
        }
    }
    if (remembered >= 0 && remembered < model->rowCount())
        ui->listView->setCurrentIndex(model->index(remembered, 0));
    qDebug() << "<loadConfigs";
}

InputConfigItem *InnovateConfigForm::itemAt(int row) const
{
    const QStandardItem *item = row >= 0 ? model->item(row, 0) : nullptr;
    return item ? item->data(ItemRole).value<InputConfigItem *>() : nullptr;
}

void InnovateConfigForm::on_listView_clicked(const QModelIndex &index)
{
    currentRow = index.isValid() && index.model() == model ? index.row() : -1;
    ui->cmbInputType->clear();
    ui->cmbUnit->clear();
    ui->lblMinVal->clear();
    ui->lblMaxVal->clear();
    qDebug() << "pressed:" << index;
    const InputConfigItem *item = itemAt(currentRow);
    if (!item)
        return;
    const QString unitName = converter.unitName(item->unitNum);
    qDebug() << "clicked:devName" << item->deviceName << ",devType:" << item->deviceType << "," << item->inputNumber
             << "," << item->function << "unitNum:" << item->unitNum << "unit:" << unitName;
    fillInputTypeCombo(*item);
    fillUnitsCombo(item->function, unitName);
}

void InnovateConfigForm::fillInputTypeCombo(const InputConfigItem &item)
{
    ui->cmbInputType->clear();
    QStringList functions;
    if (DeviceDef *def = config->deviceDef(item.deviceType)) {
        qDebug() << "functions:" << def->functions;
        functions = def->functions.value(item.inputNumber);
        qDebug() << "chanFuncs=" << functions;
        if (functions.isEmpty()) {
            // The channel offers nothing: its current function at least.
            functions << item.function;
            def->functions.insert(item.inputNumber, functions);
        }
    } else {
        LOG4CPLUS_WARN_FMT(logger, "DEF IS NULL !! (%s)", KELVO_QS(item.deviceType));
        functions << item.function;
    }
    for (const QString &f : functions)
        ui->cmbInputType->addItem(f, f);
    ui->cmbInputType->setCurrentIndex(ui->cmbInputType->findText(item.function, Qt::MatchFixedString));
}

void InnovateConfigForm::on_listView_entered(const QModelIndex &index)
{
    qDebug() << "entered";
    on_listView_clicked(index);
}

bool InnovateConfigForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ui->listView && event->type() == QEvent::KeyRelease) {
        const QModelIndex current = ui->listView->currentIndex();
        if (current.isValid())
            on_listView_clicked(current);
    }
    return QWidget::eventFilter(watched, event);
}

void InnovateConfigForm::list_keyPressEvent(QKeyEvent *)
{
    qDebug() << "keyPressEvent";
}

void InnovateConfigForm::fillUnitsCombo(const QString &inputType)
{
    ui->cmbUnit->clear();
    ui->lblMinVal->clear();
    ui->lblMaxVal->clear();
    qDebug() << "fillUnitsCombo:" << '"' + inputType + '"';
    const SensorDef *def = config->sensorDef(inputType);
    if (!def) {
        LOG4CPLUS_WARN_FMT(logger, "no sensor definition of %s: no units", KELVO_QS(inputType));
        return;
    }
    int type = converter.measurementType(def->unitNum);
    if (type < 0)
        type = 0;
    const QStringList units = converter.unitsForType(type);
    qDebug() << "unitList:" << units;
    if (units.isEmpty() && !def->unit.isEmpty())
        ui->cmbUnit->addItem(def->unit);
    else
        ui->cmbUnit->addItems(units);
    ui->lblMinVal->setText(QString::number(double(def->min)));
    ui->lblMaxVal->setText(QString::number(double(def->max)));
}

void InnovateConfigForm::fillUnitsCombo(const QString &inputType, const QString &selUnit)
{
    fillUnitsCombo(inputType);
    const int index = ui->cmbUnit->findText(selUnit, Qt::MatchFixedString);
    if (index >= 0)
        ui->cmbUnit->setCurrentIndex(index);
}

void InnovateConfigForm::on_cmbInputType_activated(const QString &text)
{
    qDebug() << "activated:" << text;
    qDebug() << "indexChanged" << text;
    const int row = ui->listView->currentIndex().row();
    const InputConfigItem *item = itemAt(row);
    if (!item)
        return;
    InputConfigItem changed = *item;
    changed.function = text;
    qDebug() << "current list item" << changed.deviceName << changed.inputNumber << changed.function;
    const bool written = config->updateSensorConfg(*item, changed);
    const QString why = config->lastError();
    // Shown as the file now stands: never a choice that went nowhere.
    reloadAndShow(row);
    if (!written)
        showProblem(QStringLiteral("Input type not changed: ") + why);
}

void InnovateConfigForm::on_cmbUnit_activated(const QString &text)
{
    const InputConfigItem *item = itemAt(currentRow);
    if (!item) {
        qDebug() << " i == NULL";
        return;
    }
    qDebug() << "unit clicked: input: devName" << item->deviceName << item->deviceType << "," << item->inputNumber
             << item->function << "unitNum:" << text;
    InputConfigItem changed = *item;
    // A unit the converter has no code for leaves the stored one as it is.
    const int code = converter.unitCode(text);
    changed.unitNum = code >= 0 ? code : UnitConverter::NoUnit;
    if (code < 0)
        LOG4CPLUS_WARN_FMT(logger, "unit '%s' has no code: unit of %s_%d unchanged", KELVO_QS(text),
                           KELVO_QS(item->deviceName), item->inputNumber);
    const bool written = config->updateSensorConfg(*item, changed);
    const QString why = config->lastError();
    reloadAndShow(currentRow);
    if (!written)
        showProblem(QStringLiteral("Unit not changed: ") + why);
}

void InnovateConfigForm::reload(int row)
{
    config->load();
    showProblem(config->readError());
    loadConfigs();
    const QModelIndex index = model->index(row, 0);
    if (index.isValid()) {
        ui->listView->setCurrentIndex(index);
        on_listView_clicked(index);
    }
}

void InnovateConfigForm::reloadAndShow(int row)
{
    reload(row);
    ui->listView->setFocus();
}

void InnovateConfigForm::on_btnDeleteConfig_clicked()
{
    config->notifyInputConfigChanged();
    config->load();
    showProblem(config->readError());
    loadConfigs();
}

void InnovateConfigForm::filesChanged()
{
    reload(currentRow);
}

void InnovateConfigForm::showProblem(const QString &text)
{
    if (!text.isEmpty() && (text != ui->lblProblem->text() || ui->lblProblem->isHidden()))
        LOG4CPLUS_WARN_FMT(logger, "Innovate Config: %s", KELVO_QS(text));
    ProblemLabel::show(ui->lblProblem, text);
}

void InnovateConfigForm::foo()
{
    qDebug() << "FOO";
}
