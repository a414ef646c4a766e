#include "translationviewrform.h"

#include "problemlabel.h"
#include "translationtableview.h"
#include "ui_translationviewrform.h"

TranslationViewrForm::TranslationViewrForm(QWidget *parent) : QWidget(parent), ui(new Ui::TranslationViewrForm)
{
    ui->setupUi(this);
    // The table loaded while the form was set up: what it could not show
    // stays in view under it.
    ProblemLabel::show(ui->lblProblem, ui->tableView->loadProblem());
}

TranslationViewrForm::~TranslationViewrForm()
{
    delete ui;
}

TranslationTableView *TranslationViewrForm::tableView() const
{
    return ui->tableView;
}

void TranslationViewrForm::applyFilter()
{
    ui->tableView->setFilter(ui->lineEdit->text());
}

void TranslationViewrForm::on_pushButton_clicked()
{
    applyFilter();
}

void TranslationViewrForm::on_lineEdit_returnPressed()
{
    applyFilter();
}

void TranslationViewrForm::on_lineEdit_textChanged(QString)
{
}
