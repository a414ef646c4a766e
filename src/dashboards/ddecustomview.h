#pragma once
// A fixed dashboard for one diesel engine control unit: fifteen values on
// black panels around a turbocharger picture, each a named result of that
// ECU's jobs. The result names are built in. Two ECUs often run jobs with
// the same result names: the dashboard follows one ECU, the one that the
// custom expressions give its computed values, else the first whose job
// brings any of its results, and its title names it.
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

    // The ECU whose jobs it shows; empty until one is chosen.
    QString followedEcu() const { return m_ecu; }

public slots:
    void onJobFinished(CJob job, int result);
    // The number with dig decimals right-justified to just characters,
    // the unit appended, the whole right-justified to just again.
    QString formatVal(qreal &val, QString &unit, int dig, int just);

private slots:
    void on_pushButton_clicked();

private:
    void follow(const QString &ecu);
    // The ECU of the first custom formula that gives one of its results.
    static QString ecuOfExpressions();

    Ui::DDECustomView *ui;
    QString m_title;
    QString m_ecu;
    log4cplus::Logger logger;
};
