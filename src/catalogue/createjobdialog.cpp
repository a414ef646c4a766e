#include "createjobdialog.h"
#include "ui_createjobdialog.h"

CreateJobDialog::CreateJobDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::CreateJobDialog)
{
    ui->setupUi(this);
}

CreateJobDialog::~CreateJobDialog()
{
    delete ui;
}

void CreateJobDialog::setEcu(QString ecu)
{
    ui->txtEcu->setText(ecu);
}

void CreateJobDialog::setVirtualName(QString name)
{
    ui->txtVirtualName->setText(name);
}

void CreateJobDialog::setComment(QString comment)
{
    ui->txtComment->setText(comment);
}

QString CreateJobDialog::ecu() const
{
    return ui->txtEcu->text();
}

QString CreateJobDialog::virtualName() const
{
    return ui->txtVirtualName->text();
}

QString CreateJobDialog::comment() const
{
    return ui->txtComment->text();
}
