#include "translationtableview.h"
#include "tablecolumns.h"
#include "translationtablelines.h"

#include <QDebug>
#include <QFile>
#include <QHeaderView>
#include <QList>
#include <QMessageBox>
#include <QRegExp>
#include <QSortFilterProxyModel>
#include <QStandardItem>
#include <QStandardItemModel>
#include <QStringList>
#include <QTextStream>

namespace {
const char TableFile[] = "./translations/jobs_all_en_EN.txt";
}

TranslationTableView::TranslationTableView(QWidget *parent)
    : QTableView(parent), sourceItems(new QStandardItemModel(this)), filterProxy(new QSortFilterProxyModel(this))
{
    verticalHeader()->setVisible(false);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(20);
    horizontalHeader()->setCascadingSectionResizes(true);
    horizontalHeader()->setStretchLastSection(true);
    setWordWrap(true);
    filterProxy->setSourceModel(sourceItems);
    filterProxy->setFilterKeyColumn(-1);
    filterProxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    setModel(filterProxy);
    setSortingEnabled(true);
    showFileOrder();
    TableColumns::fitToContents(this);
    load();
}

void TranslationTableView::showFileOrder()
{
    // Rows in the order of the file, and no arrow claiming another order,
    // until the user clicks a column header.
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    filterProxy->sort(-1);
}

void TranslationTableView::load()
{
    problem.clear();
    QFile file(QString::fromLatin1(TableFile));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        showError(QStringLiteral("%1 cannot be read: %2").arg(file.fileName(), file.errorString()));
        return;
    }
    QTextStream in(&file);
    in.setCodec("UTF-8");
    sourceItems->blockSignals(true);
    int row = 0;
    int firstSkipped = 0;
    const int skipped = TranslationTableLines::read(in, [&](int, const QStringList &fields, const QString &) {
        QList<QStandardItem *> cells;
        for (int c = 0; c < 3; ++c)
            cells << new QStandardItem(fields.at(c));
        sourceItems->appendRow(cells);
        ++row;
    }, &firstSkipped);
    qDebug() << "translation table rows:" << row;
    sourceItems->blockSignals(false);
    // The model changed behind blocked signals: hand it to the proxy anew so
    // that proxy and view see every row.
    filterProxy->setSourceModel(nullptr);
    filterProxy->setSourceModel(sourceItems);
    TableColumns::fitToContents(this);
    // A line without its three TAB-separated fields is no row: say so, or
    // a file written with other separators would just look empty.
    if (skipped > 0) {
        problem = QStringLiteral("%1 has lines without the three TAB-separated fields name, context and "
                                 "translation; they are not shown (%2 in all, the first is line %3).")
                      .arg(file.fileName())
                      .arg(skipped)
                      .arg(firstSkipped);
        qWarning("%s", qPrintable(problem));
    }
}

void TranslationTableView::showError(const QString &text)
{
    problem = text;
    qWarning("%s", qPrintable(text));
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("error"), text, QMessageBox::Ok);
    box.exec();
}

void TranslationTableView::setFilter(QString filter)
{
    filterProxy->setFilterKeyColumn(-1);
    filterProxy->setFilterRegExp(QRegExp(filter, Qt::CaseInsensitive));
    setModel(filterProxy);
    TableColumns::fitToContents(this);
}
