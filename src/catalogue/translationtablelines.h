#pragma once
// The lines of a translation table ("translations/jobs_all_<locale>.txt"):
// source text, context and translation, separated by tabs; further fields
// are ignored. Both the PO converter and the table window read them.
#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>

namespace TranslationTableLines {

// Hands every line with three or more fields to `take`, with its 1-based
// number; a shorter line that is not empty is skipped with a warning.
// Returns the number of lines skipped so, and the first one's number in
// *firstSkipped (when given).
int read(QTextStream &in, const std::function<void(int lineNo, const QStringList &fields, const QString &line)> &take,
         int *firstSkipped = nullptr);

} // namespace TranslationTableLines
