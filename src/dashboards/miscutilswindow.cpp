#include "miscutilswindow.h"
#include "ui_miscutilswindow.h"

MiscUtilsWindow::MiscUtilsWindow(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::MiscUtilsWindow)
{
    ui->setupUi(this);
}

MiscUtilsWindow::~MiscUtilsWindow()
{
    delete ui;
}

QString MiscUtilsWindow::definitionTemplate(const QString &name)
{
    QString text = QStringLiteral("[%1]\n"
                                  "Min=0\n"
                                  "Max=130\n"
                                  "Title=Oil temp.\n"
                                  "Unit=deg C\n"
                                  "Jobname=MW_SELECT_LESEN_NORM\n"
                                  "Resultname=STAT_%1_WERT\n"
                                  "color=#ff0000\n"
                                  "needlecolor=#157DEC\n"
                                  "textcolor=#ffffff\n"
                                  "titlecolor=#FFFFFF\n"
                                  "fillcolor=#000000\n");
    // Not arg(): a name holding "%2" must come out as typed.
    return text.replace(QStringLiteral("%1"), name);
}

void MiscUtilsWindow::on_lineEdit_returnPressed()
{
    ui->textEdit->setPlainText(definitionTemplate(ui->lineEdit->text().toUpper()));
}

void MiscUtilsWindow::on_lineEdit_textChanged(const QString &)
{
}

void MiscUtilsWindow::on_horizontalScrollBar_valueChanged(int)
{
}
