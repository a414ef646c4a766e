// The program's entry point: prepares translations, the dashboard font and
// logging, handles the one-shot "translate" mode, and otherwise runs the
// main window until it closes.
#include "bivtopoconverter.h"
#include "kelvofonts.h"
#include "kelvolog.h"
#include "mainwindow.h"
#include "translationmgr.h"

#include <QApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <cstdio>

namespace {

// Converts every job table under "./translations" into a PO file beside it.
// Two tables whose names agree up to the first dot would write the same PO
// file: the one named exactly after the PO file wins (else the first), the
// others are reported and skipped, and the exit code says so.
int convertTranslations()
{
    std::printf("starting translations from .txt to .po\n");
    std::fflush(stdout);
    BivToPoConverter converter(nullptr);
    const QDir dir(QStringLiteral("./translations"));
    const QFileInfoList entries = dir.entryInfoList(
        QStringList() << QStringLiteral("custom_jobs*.txt") << QStringLiteral("jobs_all*.txt"),
        QDir::Files, QDir::Name | QDir::IgnoreCase);

    auto outputOf = [](const QFileInfo &entry) {
        return entry.absolutePath() + "/" + entry.fileName().section(QLatin1Char('.'), 0, 0) + ".po";
    };
    QHash<QString, QString> owner; // output path -> the table that writes it
    for (const QFileInfo &entry : entries) {
        const QString output = outputOf(entry);
        const bool exact = entry.fileName().section(QLatin1Char('.'), 0, 0) + ".txt" == entry.fileName();
        if (!owner.contains(output) || exact)
            owner.insert(output, entry.absoluteFilePath());
    }

    int failures = 0;
    for (const QFileInfo &entry : entries) {
        qDebug() << "--------------------------------";
        qDebug() << "info:" << entry.absoluteFilePath();
        const QString input = entry.absolutePath() + "/" + entry.fileName();
        const QString output = outputOf(entry);
        if (owner.value(output) != entry.absoluteFilePath()) {
            std::fprintf(stderr, "%s would overwrite %s, written from %s: skipped\n", qPrintable(input),
                         qPrintable(output), qPrintable(owner.value(output)));
            ++failures;
            continue;
        }
        std::printf("%s --> %s\n", qPrintable(input), qPrintable(output));
        std::fflush(stdout);
        if (!converter.convert(input, output)) {
            std::fprintf(stderr, "%s could not be written\n", qPrintable(output));
            ++failures;
        }
    }
    std::printf("translations done\n");
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // The debug lines are for whoever traces a fault; a plain run prints
    // only warnings and errors. Decided before anything writes a line.
    bool trace = false;
    for (int i = 1; i < argc; ++i)
        trace = trace || qstrcmp(argv[i], "trace") == 0;
    KelvoLog::showDebugOutput(trace);

    QApplication app(argc, argv);
    TranslationMgr::instance(&app);

    KelvoFonts::install();

    // Without "trace", or without its file, the loggers' warnings and
    // errors still reach the terminal.
    if (!trace || !KelvoLog::configure(QStringLiteral("log4cplus.properties")))
        KelvoLog::showProblems();
    if (trace && !QFileInfo::exists(QStringLiteral("log4cplus.properties")))
        qWarning("trace: no log4cplus.properties in the working directory, only warnings and errors are logged");

    if (argc > 1) {
        const QStringList words = QCoreApplication::arguments().mid(1);
        if (words.contains(QStringLiteral("translate")))
            return convertTranslations();
    }

    int rc = 0;
    {
        MainWindow window(QCoreApplication::arguments());
        window.show();
        window.restore();
        rc = app.exec();
    }
    return rc;
}
