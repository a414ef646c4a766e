#include "problemlabel.h"

#include <QLabel>

namespace ProblemLabel {

void show(QLabel *label, const QString &problem)
{
    if (!problem.isEmpty()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::red);
        label->setPalette(palette);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setText(problem);
    }
    label->setVisible(!problem.isEmpty());
}

} // namespace ProblemLabel
