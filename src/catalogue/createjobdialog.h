#pragma once
// The small modal dialog in which the user names a new custom job: its ECU,
// its virtual name and its comment ("Jobname", the title the job is listed
// under). It holds the three texts and checks nothing; the custom-job window
// checks and stores the job.
#include <QDialog>
#include <QString>

namespace Ui {
class CreateJobDialog;
}

class CreateJobDialog : public QDialog
{
    Q_OBJECT
public:
    explicit CreateJobDialog(QWidget *parent = nullptr);
    ~CreateJobDialog() override;

    void setEcu(QString ecu);
    void setVirtualName(QString name);
    void setComment(QString comment);
    QString ecu() const;
    QString virtualName() const;
    QString comment() const;

private:
    Ui::CreateJobDialog *ui;
};
