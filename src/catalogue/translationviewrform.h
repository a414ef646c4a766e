#pragma once
// A sub-window that shows the English job translation table with a filter
// that is applied on Return or "Apply" (typing alone does not filter).
#include <QWidget>

namespace Ui {
class TranslationViewrForm;
}

class TranslationTableView;

class TranslationViewrForm : public QWidget
{
    Q_OBJECT
public:
    explicit TranslationViewrForm(QWidget *parent = nullptr);
    ~TranslationViewrForm() override;

    TranslationTableView *tableView() const;

private slots:
    void on_pushButton_clicked();
    void on_lineEdit_returnPressed();
    void on_lineEdit_textChanged(QString text);

private:
    void applyFilter();

    Ui::TranslationViewrForm *ui;
};
