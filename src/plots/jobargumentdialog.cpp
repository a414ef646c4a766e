#include "jobargumentdialog.h"
#include "ui_jobargumentdialog.h"

JobArgumentDialog::JobArgumentDialog(QWidget *parent, QString argument)
    : QDialog(parent)
    , ui(new Ui::JobArgumentDialog)
    , m_argument(std::move(argument))
{
    ui->setupUi(this);
    ui->textEdit->setPlainText(m_argument);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &JobArgumentDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &JobArgumentDialog::reject);
}

JobArgumentDialog::~JobArgumentDialog()
{
    delete ui;
}

void JobArgumentDialog::accept()
{
    m_argument = ui->textEdit->toPlainText();
    QDialog::accept();
}

void JobArgumentDialog::reject()
{
    QDialog::reject();
}
