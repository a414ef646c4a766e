#pragma once
// The line in which a window says what it could not read (a file of the
// user's that does not parse, lines that are no rows): red (a shade that
// reads on the theme's background), kept in view until the problem is
// gone, its text selectable for a bug report.
#include <QString>

class QLabel;

namespace ProblemLabel {

// Shows the problem in the label, or hides the label when it is empty.
void show(QLabel *label, const QString &problem);

} // namespace ProblemLabel
