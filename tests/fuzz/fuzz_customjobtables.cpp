// The row steps of the PRG table browser and the custom-job window on any
// table text and argument string: every grid row has a cell per column, the
// selector table has one row per selector (or none, with the reason), and a
// browser row gives back the cell of the selector column.
//
// Input: one byte choosing the job (and so the table), then the table text,
// the arguments and the ECU name, separated by zero bytes (all Latin-1).
#include "customjobtables.h"
#include "fuzzworkdir.h"
#include "jobargumentrules.h"

#include <cstdint>
#include <cstdlib>

namespace {
const char *const jobs[] = {"MW_SELECT_LESEN_NORM", "STATUS_MESSWERTBLOCK_LESEN", "MESSWERTBLOCK_LESEN",
                            "MW_SELECT_LESEN_NORM2", "STATUS_BLOCK_LESEN", "STATUS_LMM"};

void check(bool holds)
{
    if (!holds)
        std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = (Fuzz::quiet(), true);
    (void)quiet;
    if (size < 1)
        return 0;
    const QString jobName = QString::fromLatin1(jobs[data[0] % (sizeof jobs / sizeof jobs[0])]);
    const QStringList parts =
        QString::fromLatin1(reinterpret_cast<const char *>(data + 1), int(size - 1)).split(QChar(0));
    const QString text = parts.value(0);
    const QString arguments = parts.value(1);
    const QString ecu = parts.value(2);
    const JobArgumentRules rules;
    // The bit above the job's choice shows the table under another name.
    const QString tableName = (data[0] & 0x80) ? QStringLiteral("OTHER") : rules.getTableName(jobName);

    const CustomJobTables::Grid grid = CustomJobTables::browserGrid(text, tableName, nullptr);
    for (const QStringList &row : grid.rows)
        check(row.size() == grid.columnNames.size());
    check(grid.columnNames.last() == CustomJobTables::longOriginalColumn());

    const CustomJobTables::SelectorRows rows =
        CustomJobTables::selectorRows(text, tableName, ecu, jobName, arguments, nullptr);
    if (rows.problem.isEmpty()) {
        bool error = false;
        check(rows.rows.size() == rules.parseArgument(jobName, arguments, &error).size());
        for (const QStringList &row : rows.rows)
            check(row.size() == CustomJobTables::SelectorColumns);
    } else {
        check(rows.rows.isEmpty());
    }

    // Each browser row double-clicked: the selector is its cell in the
    // selector column, and the table holds it when it came from a row.
    const QStringList visible = grid.columnNames.mid(0, grid.columnNames.size() - 1);
    const int column = visible.indexOf(rules.getArgumentColumn(ecu, jobName, arguments));
    for (int r = 0; r < grid.rows.size() && r < 64; ++r) {
        QString problem;
        const QString selector =
            CustomJobTables::selectorOfRow(text, ecu, jobName, arguments, grid.rows.at(r), &problem);
        if (!problem.isEmpty()) {
            check(selector.isEmpty());
            continue;
        }
        QString cell = grid.rows.at(r).at(column);
        if (rules.isHexArgument(jobName, cell))
            cell = cell.mid(2);
        check(selector == cell);
        if (!selector.isEmpty())
            check(CustomJobTables::tableHoldsSelector(text, ecu, jobName, arguments, selector));
    }
    // Rows that do not line up give no selector.
    QString problem;
    check(CustomJobTables::selectorOfRow(text, ecu, jobName, arguments, QStringList{"x"}, &problem).isEmpty()
          || grid.columnNames.size() == 1);
    return 0;
}
