#include "selectioncopy.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QClipboard>
#include <QDebug>
#include <QKeyEvent>
#include <QKeySequence>
#include <algorithm>

QString SelectionCopy::text(const QAbstractItemView *view)
{
    if (!view->selectionModel())
        return QString();
    QModelIndexList indexes = view->selectionModel()->selectedIndexes();
    if (indexes.isEmpty())
        return QString();
    std::sort(indexes.begin(), indexes.end(), [](const QModelIndex &a, const QModelIndex &b) {
        return a.row() != b.row() ? a.row() < b.row() : a.column() < b.column();
    });
    QString out;
    for (int i = 0; i < indexes.size(); ++i) {
        out += indexes.at(i).data(Qt::DisplayRole).toString();
        const bool last = i + 1 == indexes.size();
        out += (!last && indexes.at(i + 1).row() == indexes.at(i).row()) ? QLatin1Char('\t') : QLatin1Char('\n');
    }
    return out;
}

bool SelectionCopy::handle(const QAbstractItemView *view, QKeyEvent *event)
{
    if (!event->matches(QKeySequence::Copy))
        return false;
    const QString copied = text(view);
    if (!copied.isEmpty()) {
        QApplication::clipboard()->setText(copied);
        qDebug() << copied;
    }
    event->accept();
    return true;
}
