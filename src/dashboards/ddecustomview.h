#pragma once
// A fixed dashboard for one diesel engine control unit: fifteen values on
// black panels around a turbocharger picture, each the named result of
// whatever job arrives. The result names are built in.
#include "cjob.h"
#include "kelvolog.h"

#include <QString>
#include <QWidget>

namespace Ui {
class DDECustomView;
}

class DDECustomView : public QWidget
{
    Q_OBJECT
public:
    explicit DDECustomView(QWidget *parent = nullptr);
    ~DDECustomView() override;

    // The real value of the job's last result with that name, compared
    // without regard to case; false when the job has none.
    static bool findValue(const CJob &job, const char *name, double *value);

public slots:
    void onJobFinished(CJob job, int result);
    // The number with dig decimals right-justified to just characters,
    // the unit appended, the whole right-justified to just again.
    QString formatVal(qreal &val, QString &unit, int dig, int just);

private slots:
    void on_pushButton_clicked();

private:
    Ui::DDECustomView *ui;
    log4cplus::Logger logger;
};
