// kelvo_prgwriter: writes a small EDIABAS ECU description file (PRG) from a
// text description, for the demo and for trying the catalogue by hand.
//
//   kelvo_prgwriter INPUT.txt OUTPUT.prg      (INPUT "-" reads standard input)
//
// Input format (UTF-8 or Latin-1 text; lines may end in CRLF; the bytes are
// stored as they are, so write Latin-1 for umlauts):
//
//   # a comment (outside [description])
//   [description]
//   ECU:Engine control MSV70
//   JOBNAME:STATUS_MOTORDREHZAHL
//   JOBCOMMENT:Engine speed
//   RESULT:STAT_MOTORDREHZAHL_WERT
//   RESULTTYPE:real
//   [jobs]
//   STATUS_MOTORDREHZAHL
//   [table MESSWERTETAB]
//   NR<TAB>RESULTNAME<TAB>INFO
//   0x01<TAB>STAT_MOTORDREHZAHL_WERT<TAB>Engine speed
//
// - [description]: every line up to the next section is the description text,
//   verbatim (LF line ends), as the catalogue reads it ("ECU:" line, then the
//   "JOBNAME:", "JOBCOMMENT:", "RESULT:", "RESULTTYPE:", ... lines of each job).
// - [jobs]: one job name per line for the job list. Without this section the
//   job list is made of the "JOBNAME:" values of the description.
// - [table NAME]: a table; its first non-empty line holds the column names,
//   each further line one row; cells are separated by TAB characters and every
//   row must have as many cells as the header. Lines starting with '#' are
//   skipped. Any number of tables may follow one another.
// A section header is a line of its own in square brackets.
#include "prgwriter.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s INPUT.txt OUTPUT.prg   (INPUT - reads standard input)\n", argv[0]);
        return 2;
    }
    QFile in;
    const QString inName = QString::fromLocal8Bit(argv[1]);
    bool opened = false;
    if (inName == QLatin1String("-"))
        opened = in.open(stdin, QIODevice::ReadOnly);
    else {
        in.setFileName(inName);
        opened = in.open(QIODevice::ReadOnly);
    }
    if (!opened) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    PrgWriter writer;
    QString error;
    if (!writer.parseSource(in.readAll(), &error)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    if (!writer.write(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
