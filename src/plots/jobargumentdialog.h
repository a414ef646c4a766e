#pragma once
// Edits the ";"-separated EDIABAS argument text of a plot window's job.
#include <QDialog>
#include <QString>

namespace Ui {
class JobArgumentDialog;
}

class JobArgumentDialog : public QDialog
{
    Q_OBJECT
public:
    JobArgumentDialog(QWidget *parent, QString argument);
    ~JobArgumentDialog() override;

    // The edited text after OK; the text given at construction otherwise.
    QString argument() const { return m_argument; }

public slots:
    void accept() override;
    void reject() override;

private:
    Ui::JobArgumentDialog *ui;
    QString m_argument;
};
