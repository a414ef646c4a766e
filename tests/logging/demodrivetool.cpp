// Writes the demo's "demo-drive.csv" and its side file: two minutes of a
// drive at 20 lines a second, logged by DataLogger from jobs of the
// simulation. The petrol ECU's measurement job (every result its gauge
// definitions show) runs every 50 ms and writes the lines; the diesel ECU's
// air-mass job runs every 200 ms as a sync job whose values fill the other
// lines. The simulation draws its values at random; the tool bends them
// into a drive (each value follows a slow throttle curve within its gauge's
// range, with the simulation's draw as a little noise) so that the graph
// reads like one. Markers are pressed at 30 s and 90 s.
//
//     demo_drive_tool <demo folder>
#include "csvlogwriter.h"
#include "ediabasjobsimulation.h"
#include "gaugedefmanager.h"
#include "latin1.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

namespace {
const char *const Petrol = "MSV70";
const char *const PetrolJob = "MW_SELECT_LESEN_NORM";
const char *const Diesel = "D73N57C0";
const char *const DieselJob = "STATUS_LMM";

// The throttle from 0 to 1 over the drive: idle, pulls through the gears,
// a cruise and a stop.
double throttle(double seconds, double phase)
{
    const double t = seconds + phase;
    const double gears = 0.5 + 0.5 * std::sin(t / 6.0) * std::sin(t / 1.7);
    const double cruise = seconds > 60 && seconds < 95 ? 0.55 : gears;
    const double stop = seconds > 110 ? (120 - seconds) / 10.0 : 1.0;
    return std::max(0.0, std::min(1.0, cruise * stop));
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <demo folder>\n", argv[0]);
        return 2;
    }
    const QDir demo(QString::fromLocal8Bit(argv[1]));
    QDir::setCurrent(demo.absolutePath());
    GaugeDefManager gauges;
    gauges.reload();
    const QList<GaugeDef> defs = gauges.gaugeDefs(Petrol);

    EdiabasJobSimulation simulation;
    simulation.seed(19);
    QTemporaryDir out;
    CsvLogOptions options;
    options.dir = out.path();
    options.marker = true;
    const qint64 start = QDateTime(QDate(2026, 12, 10), QTime(14, 30, 0)).toMSecsSinceEpoch();
    CsvLogWriter log(options, start);

    // The columns: the petrol job's numeric results, then the diesel job's.
    CJob petrolShape(Petrol, PetrolJob);
    simulation.getJob(petrolShape);
    CJob dieselShape(Diesel, DieselJob);
    simulation.getJob(dieselShape);
    for (const CJob *shape : {&petrolShape, &dieselShape}) {
        for (const CJobResult &r : shape->results) {
            if (r.format == 6 || r.format == 7)
                continue;
            log.addColumn(shape->ecuName.c_str(), shape->jobName.c_str(), r.name.c_str());
        }
    }
    log.logger().addSyncJob(dieselShape);
    log.start();

    auto range = [&defs](const std::string &name, double &low, double &high) {
        for (const GaugeDef &d : defs) {
            if (d.resultName == Latin1::toQString(name).toUpper()) {
                const double f = d.conversionFactor != 0.0 ? d.conversionFactor : 1.0;
                low = d.min / f;
                high = d.max / f;
                return;
            }
        }
        low = 0.0;
        high = 100.0;
    };
    auto shape = [&](CJob &job, double seconds) {
        int i = 0;
        for (CJobResult &r : job.results) {
            ++i;
            if (r.format == 6 || r.format == 7)
                continue;
            double low, high;
            range(r.name, low, high);
            const double drawn = std::abs(r.realValue) / std::max(1e-9, std::abs(high));
            const double level = 0.1 + 0.8 * throttle(seconds, i * 0.9);
            const double v = low + (high - low) * (0.95 * level + 0.05 * std::min(1.0, drawn));
            r.realValue = v;
            r.setTextValue(QByteArray::number(v, 'f', 3).constData());
        }
    };

    const int lines = 2 * 60 * 20;
    for (int n = 0; n < lines; ++n) {
        const qint64 t = start + 50 * n + 50;
        const double seconds = (t - start) / 1000.0;
        if (n == 600 || n == 1800)
            log.mark();
        CJob petrol(Petrol, PetrolJob);
        simulation.getJob(petrol);
        petrol.timeStamp = t;
        shape(petrol, seconds);
        log.write(petrol);
        if (n % 4 == 0) {
            CJob diesel(Diesel, DieselJob);
            simulation.getJob(diesel);
            diesel.timeStamp = t + 1;
            shape(diesel, seconds);
            log.write(diesel);
        }
    }
    const QString file = log.stop();
    const QString target = demo.filePath(QStringLiteral("demo-drive.csv"));
    for (const QString &suffix : {QString(), QStringLiteral(".info")}) {
        QFile::remove(target + suffix);
        if (!QFile::copy(file + suffix, target + suffix)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(target + suffix));
            return 1;
        }
    }
    std::printf("%s: %d lines\n", qPrintable(target), lines);
    return 0;
}
