// The row steps of the PRG table browser and the custom-job window on any
// table text and argument string: every grid row has a cell per column, the
// selector table has one row per selector and none for a prefix field (or
// none at all, with the reason), and a browser row gives back the cell of
// the selector column.
//
// Input: one byte choosing the job (and so the table), then the table text,
// the arguments and the ECU name, separated by zero bytes (all Latin-1).
#include "customjobtables.h"
#include "fuzzjobinput.h"
#include "jobargumentrules.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzJobInput input;
    if (!input.decode(data, size))
        return 0;
    const QString jobName = input.jobName;
    const QString text = input.text(0);
    const QString arguments = input.text(1);
    const QString ecu = input.text(2);
    const JobArgumentRules rules;
    // The bit above the job's choice shows the table under another name.
    const QString tableName = input.flag ? QStringLiteral("OTHER") : rules.getTableName(jobName);

    const CustomJobTables::Grid grid = CustomJobTables::browserGrid(text, tableName, nullptr);
    for (const QStringList &row : grid.rows)
        Fuzz::check(row.size() == grid.columnNames.size());
    Fuzz::check(grid.columnNames.last() == CustomJobTables::longOriginalColumn());

    const CustomJobTables::SelectorRows rows =
        CustomJobTables::selectorRows(text, tableName, ecu, jobName, arguments, nullptr);
    if (rows.problem.isEmpty()) {
        bool error = false;
        Fuzz::check(rows.rows.size() == rules.parseSelectors(jobName, arguments, &error).size());
        for (const QStringList &row : rows.rows)
            Fuzz::check(row.size() == CustomJobTables::SelectorColumns);
    } else {
        Fuzz::check(rows.rows.isEmpty());
    }

    // Each browser row double-clicked: the selector is its cell in the
    // selector column, and the table holds it when it came from a row.
    const QStringList visible = grid.columnNames.mid(0, grid.columnNames.size() - 1);
    const int column = visible.indexOf(rules.getArgumentColumn(ecu, jobName, arguments));
    for (int r = 0; r < grid.rows.size() && r < 64; ++r) {
        QString problem;
        const QString selector =
            CustomJobTables::selectorOfRow(text, tableName, ecu, jobName, arguments, grid.rows.at(r), &problem);
        if (!problem.isEmpty()) {
            Fuzz::check(selector.isEmpty());
            continue;
        }
        QString cell = grid.rows.at(r).at(column);
        if (rules.isHexArgument(jobName, cell))
            cell = cell.mid(2);
        Fuzz::check(selector == cell);
        if (!selector.isEmpty())
            Fuzz::check(CustomJobTables::tableHoldsSelector(text, ecu, jobName, arguments, selector));
    }
    // Rows that do not line up give no selector.
    QString problem;
    Fuzz::check(CustomJobTables::selectorOfRow(text, tableName, ecu, jobName, arguments, QStringList{"x"}, &problem)
                    .isEmpty()
          || grid.columnNames.size() == 1);
    return 0;
}
