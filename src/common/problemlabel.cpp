#include "problemlabel.h"

#include "readablecolour.h"

#include <QLabel>

namespace ProblemLabel {

void show(QLabel *label, const QString &problem)
{
    if (!problem.isEmpty()) {
        // Red that reads on the theme's background, also after a change of it.
        ReadableColour::setTextColour(label, Qt::red);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setText(problem);
    }
    label->setVisible(!problem.isEmpty());
}

} // namespace ProblemLabel
