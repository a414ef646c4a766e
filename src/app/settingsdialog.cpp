#include "settingsdialog.h"
#include "ui_settingsdialog.h"

#include "readablecolour.h"

#include <QComboBox>
#include <QDebug>
#include <QIntValidator>
#include <QLineEdit>
#include <QSerialPort>

namespace {
struct Choice
{
    const char *text;
    int value;
};

// Selects the entry whose value is `value`, else the entry at `fallback`;
// returns the position found, -1 when it fell back.
int selectValue(QComboBox *box, int value, int fallback)
{
    const int found = box->findData(value);
    box->setCurrentIndex(found >= 0 ? found : fallback);
    return found;
}

void addChoices(QComboBox *box, std::initializer_list<Choice> choices)
{
    for (const Choice &c : choices)
        box->addItem(QString::fromLatin1(c.text), c.value);
}
} // namespace

SettingsDialog::SettingsDialog(QWidget *parent, const SerialPortList &ports)
    : QDialog(parent)
    , ui(new Ui::SettingsDialog)
    , portList(ports)
{
    ui->setupUi(this);
    // A dark red that a dark theme lightens until it reads.
    ReadableColour::setTextColour(ui->customBaudHint, QColor(0xb0, 0, 0));
    ui->customBaudHint->hide();
    intValidator = new QIntValidator(0, MaxBaudRate, this);
    ui->baudRateBox->setInsertPolicy(QComboBox::NoInsert);
    // Typed paths are taken as they are, not added to the list.
    ui->serialPortInfoListBox->setEditable(true);
    ui->serialPortInfoListBox->setInsertPolicy(QComboBox::NoInsert);

    connect(ui->applyButton, &QPushButton::clicked, this, &SettingsDialog::apply);
    connect(ui->serialPortInfoListBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SettingsDialog::showPortInfo);
    connect(ui->baudRateBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SettingsDialog::checkCustomBaudRatePolicy);
    connect(ui->serialPortInfoListBox, &QComboBox::editTextChanged, this, &SettingsDialog::showTypedPortInfo);

    // The record is taken from the still empty boxes first: what the dialog
    // preselects until its owner sets a record of its own.
    takeChoices();
    fillParameterBoxes();
    fillPortBox(currentSettings.name);
}

SettingsDialog::~SettingsDialog()
{
    delete ui;
}

void SettingsDialog::setPortSettings(const SerialPortSettings &settings)
{
    currentSettings = settings;
    fillParameterBoxes();
    fillPortBox(currentSettings.name);
}

void SettingsDialog::refreshPorts()
{
    fillPortBox(ui->serialPortInfoListBox->currentText());
}

SerialPortSettings SettingsDialog::portSettings() const
{
    return currentSettings;
}

void SettingsDialog::apply()
{
    if (!takeChoices()) {
        ui->customBaudHint->show();
        ui->baudRateBox->setFocus();
        return;
    }
    ui->customBaudHint->hide();
    hide();
}

void SettingsDialog::showPortInfo(int idx)
{
    if (idx == -1)
        return;
    const QStringList list = ui->serialPortInfoListBox->itemData(idx).toStringList();
    ui->descriptionLabel->setText(tr("Description: %1").arg(list.value(1)));
    ui->manufacturerLabel->setText(tr("Manufacturer: %1").arg(list.value(2)));
    ui->locationLabel->setText(tr("Location: %1").arg(list.value(3)));
}

void SettingsDialog::showTypedPortInfo(const QString &text)
{
    // An empty box says nothing new.
    if (text.isEmpty())
        return;
    // A listed port, by its name or its path ("/dev/ttyUSB0" is "ttyUSB0").
    QComboBox *box = ui->serialPortInfoListBox;
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i) == text || box->itemData(i).toStringList().value(3) == text) {
            showPortInfo(i);
            return;
        }
    }
    // Not a listed port: nothing is known of it.
    ui->descriptionLabel->setText(tr("Description: %1").arg(QString()));
    ui->manufacturerLabel->setText(tr("Manufacturer: %1").arg(QString()));
    ui->locationLabel->setText(tr("Location: %1").arg(QString()));
}

void SettingsDialog::checkCustomBaudRatePolicy(int idx)
{
    const bool custom = idx == CustomBaudIndex;
    ui->baudRateBox->setEditable(custom);
    ui->customBaudHint->hide();
    if (custom) {
        ui->baudRateBox->clearEditText();
        ui->baudRateBox->lineEdit()->setValidator(intValidator);
        ui->baudRateBox->lineEdit()->setFocus();
    }
}

void SettingsDialog::fillParameterBoxes()
{
    ui->baudRateBox->clear();
    addChoices(ui->baudRateBox, {{"9600", QSerialPort::Baud9600},
                                 {"19200", QSerialPort::Baud19200},
                                 {"38400", QSerialPort::Baud38400},
                                 {"115200", QSerialPort::Baud115200}});
    ui->baudRateBox->addItem(tr("Custom"));
    selectValue(ui->baudRateBox, currentSettings.baudRate, 0);

    ui->dataBitsBox->clear();
    addChoices(ui->dataBitsBox, {{"5", QSerialPort::Data5},
                                 {"6", QSerialPort::Data6},
                                 {"7", QSerialPort::Data7},
                                 {"8", QSerialPort::Data8}});
    selectValue(ui->dataBitsBox, currentSettings.dataBits, 3);

    ui->parityBox->clear();
    addChoices(ui->parityBox, {{"None", QSerialPort::NoParity},
                               {"Even", QSerialPort::EvenParity},
                               {"Odd", QSerialPort::OddParity},
                               {"Mark", QSerialPort::MarkParity},
                               {"Space", QSerialPort::SpaceParity}});
    const int parityAt = selectValue(ui->parityBox, currentSettings.parity, 1);
    qDebug() << "baudidx=" << parityAt;

    ui->stopBitsBox->clear();
    addChoices(ui->stopBitsBox, {{"1", QSerialPort::OneStop},
                                 {"1.5", QSerialPort::OneAndHalfStop},
                                 {"2", QSerialPort::TwoStop}});
    selectValue(ui->stopBitsBox, currentSettings.stopBits, 0);

    ui->flowControlBox->clear();
    addChoices(ui->flowControlBox, {{"None", QSerialPort::NoFlowControl},
                                    {"RTS/CTS", QSerialPort::HardwareControl},
                                    {"XON/XOFF", QSerialPort::SoftwareControl}});
    selectValue(ui->flowControlBox, currentSettings.flowControl, 0);
}

void SettingsDialog::fillPortBox(const QString &name)
{
    ui->serialPortInfoListBox->clear();
    const QList<SerialPortList::Port> ports = portList.ports();
    for (const SerialPortList::Port &port : ports) {
        ui->serialPortInfoListBox->addItem(
            port.name, QStringList{port.name, port.description, port.manufacturer, port.location});
    }
    const int at = ui->serialPortInfoListBox->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at >= 0)
        ui->serialPortInfoListBox->setCurrentIndex(at);
    else if (!name.isEmpty())
        ui->serialPortInfoListBox->setEditText(name);
}

bool SettingsDialog::takeChoices()
{
    SerialPortSettings taken = currentSettings;
    taken.name = ui->serialPortInfoListBox->currentText();
    if (ui->baudRateBox->currentIndex() == CustomBaudIndex) {
        bool ok = false;
        const int rate = ui->baudRateBox->currentText().toInt(&ok, 10);
        if (!ok || rate <= 0 || rate > MaxBaudRate)
            return false;
        taken.baudRate = rate;
    } else {
        taken.baudRate = ui->baudRateBox->currentData().toInt();
    }
    taken.stringBaudRate = QString::number(taken.baudRate);
    taken.dataBits = ui->dataBitsBox->currentData().toInt();
    taken.stringDataBits = ui->dataBitsBox->currentText();
    taken.parity = ui->parityBox->currentData().toInt();
    taken.stringParity = ui->parityBox->currentText();
    taken.stopBits = ui->stopBitsBox->currentData().toInt();
    taken.stringStopBits = ui->stopBitsBox->currentText();
    taken.flowControl = ui->flowControlBox->currentData().toInt();
    taken.stringFlowControl = ui->flowControlBox->currentText();
    currentSettings = taken;
    emit settingsApplied();
    return true;
}
