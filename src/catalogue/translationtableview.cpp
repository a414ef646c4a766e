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
    QFile file(QString::fromLatin1(TableFile));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("error"), file.errorString(), QMessageBox::Ok);
        box.exec();
        return;
    }
    QTextStream in(&file);
    in.setCodec("UTF-8");
    sourceItems->blockSignals(true);
    int row = 0;
    TranslationTableLines::read(in, [&](int, const QStringList &fields, const QString &) {
        QList<QStandardItem *> cells;
        for (int c = 0; c < 3; ++c)
            cells << new QStandardItem(fields.at(c));
        sourceItems->appendRow(cells);
        ++row;
    });
    qDebug() << "translation table rows:" << row;
    sourceItems->blockSignals(false);
    // The model changed behind blocked signals: hand it to the proxy anew so
    // that proxy and view see every row.
    filterProxy->setSourceModel(nullptr);
    filterProxy->setSourceModel(sourceItems);
    TableColumns::fitToContents(this);
}

void TranslationTableView::setFilter(QString filter)
{
    filterProxy->setFilterKeyColumn(-1);
    filterProxy->setFilterRegExp(QRegExp(filter, Qt::CaseInsensitive));
    setModel(filterProxy);
    TableColumns::fitToContents(this);
}
