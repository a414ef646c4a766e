#include "ddecustomview.h"
#include "ui_ddecustomview.h"

#include "kelvofonts.h"

#include <QDebug>
#include <QLabel>

namespace {
// How a label shows its value: a prefix, then either formatVal (unit,
// decimals, width) or the number right-justified to width with the unit
// after it (plain).
struct LabelFormat
{
    QLabel *Ui::DDECustomView::*label;
    const char *prefix;
    const char *result;
    const char *unit;
    int decimals;
    int width;
    bool plain;
};

const LabelFormat labelFormats[] = {
    {&Ui::DDECustomView::lblRPM, "", "STAT_Eng_nAvrg_WERT", " RPM", 0, 9, false},
    {&Ui::DDECustomView::lblWater, "Water:", "STAT_CTSCD_tClnt_WERT", " °C", 2, 5, false},
    {&Ui::DDECustomView::lblMAF, "MAF:", "STAT_AFSCD_mAirPerCyl_WERT", " mg/hub", 0, 4, false},
    {&Ui::DDECustomView::lblN75, "N75:", "STAT_BPACD_rOut_WERT", " %", 0, 3, false},
    {&Ui::DDECustomView::lblBoost, "Boost:", "STAT_BPSCD_pOutVal_WERT", " bar", 0, 4, false},
    {&Ui::DDECustomView::lblIAT, "Intake air temp.", "STAT_IATSCD_tAirCats_WERT", " °C", 1, 6, false},
    {&Ui::DDECustomView::lblLAMBDA, "Lambda:", "STAT_LSU_rLmbd[0]_WERT", "", 2, 8, true},
    {&Ui::DDECustomView::lblRail, "Rail pressure:", "STAT_RailCD_pPeak_WERT", " bar", 0, 6, true},
    {&Ui::DDECustomView::lblINJ, "Injection:", "STAT_InjCrv_qMI1Des_WERT", " mg", 2, 10, false},
    {&Ui::DDECustomView::lblDUR, "Inj. duration:", "STAT_InjCrv_tiMI1ET_WERT", " µs", 1, 6, false},
    {&Ui::DDECustomView::lblSOI, "Start of inj.:", "STAT_InjCrv_phiMI1Des_WERT", " °", 1, 6, false},
    {&Ui::DDECustomView::lblAFR, "AFR:", "AFSCD_Afr", "", 2, 8, true},
    {&Ui::DDECustomView::lblTorque, "Torque:<BR>", "CoEng_Torque", " Nm", 0, 14, false},
    {&Ui::DDECustomView::lblHp, "Power:<BR>", "CoEng_Power", " HP", 0, 14, false},
    {&Ui::DDECustomView::lblEOI, "End of inj.:", "InjCrv_eoiMI1", " °", 2, 8, false},
};
} // namespace

DDECustomView::DDECustomView(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::DDECustomView)
    , logger(KelvoLog::get("gauges"))
{
    // "Consolas" of the form is drawn by the monospaced font that stands in for it.
    KelvoFonts::install();
    ui->setupUi(this);
}

DDECustomView::~DDECustomView()
{
    delete ui;
}

bool DDECustomView::findValue(const CJob &job, const char *name, double *value)
{
    const QByteArray wanted = QByteArray(name).toUpper();
    bool found = false;
    for (const CJobResult &r : job.results) {
        if (QByteArray::fromStdString(r.name).toUpper() == wanted) {
            *value = r.realValue;
            found = true;
        }
    }
    return found;
}

QString DDECustomView::formatVal(qreal &val, QString &unit, int dig, int just)
{
    return (QString::number(val, 'f', dig).rightJustified(just) + unit).rightJustified(just);
}

void DDECustomView::onJobFinished(CJob job, int result)
{
    Q_UNUSED(result)
    for (const LabelFormat &f : labelFormats) {
        double value = 0.0;
        // A result the job lacks leaves its label as it was.
        if (!findValue(job, f.result, &value))
            continue;
        QString unit = QString::fromUtf8(f.unit);
        const QString number = f.plain ? QString::number(value, 'f', f.decimals).rightJustified(f.width) + unit
                                       : formatVal(value, unit, f.decimals, f.width);
        (ui->*f.label)->setText(QString::fromUtf8(f.prefix) + number);
    }
    LOG4CPLUS_DEBUG_FMT(logger, "rpm:%s RPM", KELVO_QS(ui->lblRPM->text()));
    LOG4CPLUS_DEBUG_FMT(logger, "lambda:%s", KELVO_QS(ui->lblLAMBDA->text()));
    LOG4CPLUS_DEBUG_FMT(logger, "injection:%s", KELVO_QS(ui->lblINJ->text()));
    LOG4CPLUS_DEBUG_FMT(logger, "afr:%s", KELVO_QS(ui->lblAFR->text()));
    LOG4CPLUS_DEBUG_FMT(logger, "%s", KELVO_QS(ui->lblEOI->text()));
}

void DDECustomView::on_pushButton_clicked()
{
    qDebug() << ui->widget_3->styleSheet();
}
