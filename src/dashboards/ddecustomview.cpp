#include "ddecustomview.h"
#include "exactnumber.h"
#include "ui_ddecustomview.h"

#include "customexpressionseditor.h"
#include "kelvofonts.h"
#include "latin1.h"

#include <QDebug>
#include <QFile>
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

// What a label shows without a value where its number would stand: no
// figure at all, so nothing is taken for a reading.
const char noNumber[] = "--";

QString labelText(const LabelFormat &f, const QString &number)
{
    const QString unit = QString::fromUtf8(f.unit);
    const QString text = f.plain ? number.rightJustified(f.width) + unit
                                 : (number.rightJustified(f.width) + unit).rightJustified(f.width);
    return QString::fromUtf8(f.prefix) + text;
}

bool carriesAny(const CJob &job)
{
    double value = 0.0;
    for (const LabelFormat &f : labelFormats) {
        if (DDECustomView::findValue(job, f.result, &value))
            return true;
    }
    return false;
}

bool isShownResult(const QString &name)
{
    for (const LabelFormat &f : labelFormats) {
        if (name.compare(QLatin1String(f.result), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
} // namespace

DDECustomView::DDECustomView(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::DDECustomView)
    , logger(KelvoLog::get("gauges"))
{
    // "Consolas" of the form is drawn by the monospaced font that stands in for it.
    KelvoFonts::install();
    ui->setupUi(this);
    m_title = windowTitle();
    // The form's texts hold a sample reading; none has happened yet.
    for (const LabelFormat &f : labelFormats)
        (ui->*f.label)->setText(labelText(f, QLatin1String(noNumber)));
    follow(ecuOfExpressions());
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
        // A result without a number (a formula that has no value yet, a
        // text) is no reading: the label keeps what it shows.
        double number = 0.0;
        if (QByteArray::fromStdString(r.name).toUpper() == wanted && ExactNumber::resultValue(r, number)) {
            *value = number;
            found = true;
        }
    }
    return found;
}

QString DDECustomView::ecuOfExpressions()
{
    CustomExpressionsEditor expressions;
    // No file, no formulas: the runner already says so in the log.
    if (!QFile::exists(expressions.fileName()))
        return QString();
    expressions.loadConfig();
    for (const CustomExpressionsEditor::Filing &f : expressions.filings()) {
        if (!f.ecu.isEmpty() && isShownResult(f.resultName))
            return f.ecu;
    }
    return QString();
}

void DDECustomView::follow(const QString &ecu)
{
    m_ecu = ecu;
    if (!ecu.isEmpty())
        LOG4CPLUS_INFO_FMT(logger, "diesel dashboard follows %s", KELVO_QS(ecu));
    setWindowTitle(ecu.isEmpty() ? m_title : QStringLiteral("%1 (%2)").arg(m_title, ecu));
}

QString DDECustomView::formatVal(qreal &val, QString &unit, int dig, int just)
{
    return (QString::number(val, 'f', dig).rightJustified(just) + unit).rightJustified(just);
}

void DDECustomView::onJobFinished(CJob job, int result)
{
    Q_UNUSED(result)
    // A job without ECU cannot be told apart from another ECU's.
    const QString ecu = Latin1::toQString(job.ecuName);
    if (ecu.isEmpty())
        return;
    if (m_ecu.isEmpty()) {
        if (!carriesAny(job))
            return;
        follow(ecu);
    }
    // ECU names are looked up without regard to case, as the ECU files are.
    if (ecu.compare(m_ecu, Qt::CaseInsensitive) != 0)
        return;
    for (const LabelFormat &f : labelFormats) {
        double value = 0.0;
        // A result the job lacks leaves its label as it was.
        if (!findValue(job, f.result, &value))
            continue;
        (ui->*f.label)->setText(labelText(f, QString::number(value, 'f', f.decimals)));
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
