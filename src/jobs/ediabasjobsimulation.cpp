#include "ediabasjobsimulation.h"

#include "cjob.h"
#include "exponenttext.h"
#include "translationmgr.h"

#include <QDateTime>
#include <cstring>

EdiabasJobSimulation::EdiabasJobSimulation(QObject *parent)
    : QObject(parent), translator(TranslationMgr::instance())
{
    seed(quint32(QDateTime::currentSecsSinceEpoch()));
}

void EdiabasJobSimulation::seed(quint32 value)
{
    generator.seed(value);
}

int EdiabasJobSimulation::rand()
{
    // The same range on every platform, whatever the C library's RAND_MAX.
    return int(generator() % (RandMax + 1u));
}

namespace {
CJobResult real(const std::string &name, double v)
{
    CJobResult r;
    r.name = name;
    r.typeName = "real";
    r.format = 8;
    r.realValue = v;
    r.setTextValue(ExponentText::of(v).constData());
    return r;
}

// (rand % n) * k held in a 32-bit float: the real value and its text both
// carry the float's rounding, so the two agree to the last printed digit.
CJobResult scaled(const std::string &name, int draw, double factor)
{
    const float v = float(draw * factor);
    return real(name, double(v));
}

CJobResult text(const std::string &name, const char *value)
{
    CJobResult r;
    r.name = name;
    r.typeName = "string";
    r.format = 6;
    r.setTextValue(value);
    return r;
}

CJobResult binary(const std::string &name, const char *type, const std::string &hex)
{
    CJobResult r;
    r.name = name;
    r.typeName = type;
    r.format = 7;
    r.setTextValue(hex);
    return r;
}

std::string toHex(const char *bytes, int count)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(size_t(count) * 2);
    for (int i = 0; i < count; ++i) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        hex += digits[b >> 4];
        hex += digits[b & 0x0f];
    }
    return hex;
}
}

CJobResult EdiabasJobSimulation::randomResult(std::string name, double, double high)
{
    return real(name, double(rand()) * high / double(RandMax));
}

void EdiabasJobSimulation::getJob(CJob &job)
{
    job.timeStamp = QDateTime::currentMSecsSinceEpoch();
    const std::string &ecu = job.ecuName;
    const std::string &name = job.jobName;

    if (ecu == "MSV70") {
        const CJobResult speed = scaled("STAT_MoFVSS_a_WERT", rand() % 20, 99.48274);
        job.addResult(speed);
        // 64 bytes: the previous value's "%E" text with its terminating zero,
        // then zero bytes.
        char bytes[64];
        std::memset(bytes, 0, sizeof bytes);
        std::memcpy(bytes, speed.textValue, strnlen(speed.textValue, sizeof bytes - 1));
        job.addResult(binary("DATEN", "binary", toHex(bytes, int(sizeof bytes))));
        // The filtered acceleration above is no speed: the petrol ECU
        // reports its vehicle speed under the name the other ECUs use.
        job.addResult(scaled("STAT_GESCHWINDIGKEIT_WERT", rand() % 20, 12.68274));
    }
    if (ecu == "D73N57C0") {
        job.addResult(scaled("STAT_MoFVSS_a_WERT", rand() % 20, 99.48274));
        job.addResult(scaled("STAT_FAHRZEUGBESCHLEUNIGUNG_WERT", rand() % 20, 0.98274));
        job.addResult(scaled("STAT_GESCHWINDIGKEIT_WERT", rand() % 20, 0.68274));
        job.addResult(scaled("STAT_MoFVSS_vAccMon_WERT", rand() % 20, 0.38274));
    }
    if (ecu == "GS19D") {
        job.addResult(binary("DATEN", "data", "00102233ABCD"));
        CJobResult count;
        count.name = "ANZAHL";
        count.typeName = "int";
        count.format = 2;
        count.intValue = 3;
        count.realValue = 3;
        count.setTextValue(ExponentText::of(3).constData());
        job.addResult(count);
        job.addResult(scaled("STAT_GESCHWINDIGKEIT_WERT", rand() % 20, 0.68274));
        job.addResult(scaled("STAT_MoFVSS_vAccMon_WERT", rand() % 20, 0.38274));
    }

    if (name == "STATUS_INT") {
        job.addResult(scaled("STATUS_INT_WERT", rand() % 20 - 10, 0.48274));
        job.addResult(text("STATUS_INT_EINH", "[1]"));
        job.addResult(text("JOB_STATUS", "OKAY"));
    } else if (name == "STATUS_LMM") {
        job.addResult(scaled("STATUS_LMM_WERT", rand() % 50, 3.1415963456));
        job.addResult(text("STATUS_LMM_EINH", "[kg/h]"));
        job.addResult(text("JOB_STATUS", "OKAY"));
    } else if (name == "MW_SELECT_LESEN_NORM") {
        job.addResult(binary("BINARY_DATA", "binary", "0011223344556677889900"));
        static const struct {
            const char *name;
            double high;
        } values[] = {
            {"STAT_ENG_NAVRG_WERT", 5000},       {"STAT_CTSCD_TCLNT_WERT", 100},
            {"STAT_AFSCD_MAIRPERCYL_WERT", 1200}, {"STAT_BPACD_ROUT_WERT", 100},
            {"STAT_BPSCD_pOutVal_WERT", 3000},    {"STAT_IATSCD_TAIRCATS_WERT", 1000},
            {"STAT_LSU_RLMBD[0]_WERT", 32},       {"STAT_RAILCD_PPEAK_WERT", 1300},
            {"STAT_INJCRV_QMI1DES_WERT", 1000},   {"STAT_INJCRV_TIMI1ET_WERT", 1000},
            {"STAT_INJCRV_PHIMI1DES_WERT", 20},
        };
        for (const auto &v : values)
            job.addResult(randomResult(v.name, 0, v.high));
    } else if (name == "TEST_TWO_INTEGER") {
        CJobResult first = real("INT1", double(rand() % 90));
        first.typeName = "integer";
        job.addResult(first);
        CJobResult second = real("INT2", double(rand()) / RandMax);
        second.typeName = "integer";
        job.addResult(second);
        job.addResult(text("JOB_STATUS", "OKAY"));
    } else if (name == "TEST_MW_SELECT_CHANGING_RESULTS") {
        if (callCount % 10 == 0) {
            job.addResult(text("JOB_STATUS", "ERROR_ARGUMENT"));
        } else {
            job.addResult(text("STAT_InjCtl_qSetUnBal_EINH", "mg/hub"));
            job.addResult(real("STAT_InjCtl_qSetUnBal_WERT", double(rand()) / RandMax));
            job.addResult(text("JOB_STATUS", "OKAY"));
        }
    } else if (name == "TEST_MANY_RESULTS") {
        for (int i = 0; i < 200; ++i) {
            const std::string n = std::to_string(i);
            job.addResult(text("STAT_InjCtl_qSetUnBal_EINH_" + n, "mg/hub"));
            CJobResult v = real("STAT_InjCtl_qSetUnBal_WERT_" + n, double(rand()) / RandMax);
            v.comment = "qsetunlab_comment";
            job.addResult(v);
            job.addResult(text("JOB_STATUS", "OKAY"));
        }
    } else if (name == "MW_SELECT_LESEN") {
        if (!job.virtualName.empty()) {
            job.addResult(text("STAT_InjCtl_qSetUnBal_EINH", "mg/hub"));
            job.addResult(real("STAT_BPSCD_POUTVAL_WERT", double(rand())));
            job.addResult(real("STAT_INJCTL_QSETUNBAL_WERT", double(rand()) / RandMax));
            job.addResult(real("STAT_INJVLV_QFBCCYL[5]_WERT", double(rand()) / RandMax));
            job.addResult(text("JOB_STATUS", "OKAY"));
        }
    } else {
        CJobResult unknown;
        unknown.name = "STATUS_UNKNOWN_WERT";
        unknown.typeName = "real";
        unknown.format = 2;
        unknown.intValue = qint16(rand() % 20);
        // realValue as well, so that plots and gauges show the value too.
        unknown.realValue = unknown.intValue;
        unknown.setTextValue(ExponentText::of(unknown.intValue).constData());
        job.addResult(unknown);
        job.jobTitle = "Unknown";
        job.addResult(text("JOB_STATUS", "OKAY"));
        job.addResult(text("STATUS_UNKNOWN_EINH", "kg/h"));
    }

    ++callCount;
    translator->translate(job);
}
