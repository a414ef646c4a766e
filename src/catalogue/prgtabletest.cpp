#include "prgtabletest.h"
#include "ui_prgtabletest.h"

#include "customjobtables.h"
#include "filelookup.h"
#include "readablecolour.h"
#include "translationmgr.h"

#include <QDebug>
#include <QFileInfo>
#include <QHeaderView>
#include <QRegExp>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>

PRGTableTest::PRGTableTest(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::PRGTableTest)
    , model(new QStandardItemModel(this))
    , proxy(new QSortFilterProxyModel(this))
    , cache(KelvoLog::get("customjobseditor"))
    , translations(TranslationMgr::instance())
    , logger(KelvoLog::get("customjobseditor"))
{
    ui->setupUi(this);
    ui->tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    proxy->setSourceModel(model);
    proxy->setFilterKeyColumn(-1);
    proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy->setFilterRegExp(QRegExp(ui->lineEdit->text(), Qt::CaseInsensitive, QRegExp::RegExp));
    ui->tableView->setModel(proxy);
    // Columns are sized to the rows on screen and a few hundred around them,
    // not to all of a table's thousands: a search keystroke stays quick.
    ui->tableView->horizontalHeader()->setResizeContentsPrecision(ContentsPrecision);
    ui->tableView->resizeColumnsToContents();
}

PRGTableTest::~PRGTableTest()
{
    delete ui;
}

void PRGTableTest::setEcu(QString ecu)
{
    ecuName = ecu;
    ui->editEcuFileName->setText(ecu + QStringLiteral(".prg"));
}

void PRGTableTest::setTable(QString table)
{
    tableName = table;
    const int index = ui->cmdTableName->findText(table, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index >= 0)
        ui->cmdTableName->setCurrentIndex(index);
    on_pushButton_clicked();
}

bool PRGTableTest::namesFile(const QString &fileName) const
{
    return !fileName.isEmpty() && QFileInfo(FileLookup::resolve(reader.ecuDirectory(), fileName)).isFile();
}

void PRGTableTest::markFileName(bool good, const QString &reason)
{
    // A name that is good reads in the theme's colour, a bad one in red.
    ReadableColour::setTextColour(ui->editEcuFileName, good ? QColor() : QColor(Qt::red));
    ui->editEcuFileName->setToolTip(reason);
}

void PRGTableTest::on_editEcuFileName_textChanged(QString text)
{
    ui->cmdTableName->clear();
    if (!namesFile(text)) {
        // Red alone does not say whether the name is wrong or the folder.
        markFileName(false, text.isEmpty() ? QStringLiteral("Type the name of an ECU description file (such as "
                                                             "MSV70.prg) of the folder %1")
                                                 .arg(reader.ecuDirectory())
                                           : QStringLiteral("%1 is no file of the ECU folder %2")
                                                 .arg(text, reader.ecuDirectory()));
        return;
    }
    markFileName(true);
    QStringList names = reader.tableNames(text);
    names.sort(Qt::CaseSensitive);
    ui->cmdTableName->addItems(names);
}

void PRGTableTest::on_cmdTableName_activated(QString)
{
    on_pushButton_clicked();
}

void PRGTableTest::on_pushButton_clicked()
{
    LOG4CPLUS_DEBUG(logger, "Custom job show table");
    const QString fileName = ui->editEcuFileName->text();
    if (!namesFile(fileName))
        return;
    const QString table = ui->cmdTableName->currentText();
    const PRGTable *read = cache.get(reader, fileName, table);
    if (!read) {
        // What the grid showed stays: only a table that reads replaces it.
        const QString reason = table.isEmpty()
                                   ? QStringLiteral("%1 holds no table").arg(fileName)
                                   : QStringLiteral("table %1 of %2 cannot be read (missing or damaged)")
                                         .arg(table, fileName);
        LOG4CPLUS_WARN_FMT(logger, "%s", KELVO_QS(reason));
        markFileName(false, reason);
        return;
    }
    markFileName(true);

    const CustomJobTables::Grid grid = CustomJobTables::browserGrid(read->text, table, translations);
    // Filled detached from the proxy: one reset for the view instead of a
    // signal per cell.
    proxy->setSourceModel(nullptr);
    model->clear();
    model->setRowCount(grid.rows.size());
    model->setColumnCount(grid.columnNames.size());
    model->setHorizontalHeaderLabels(grid.columnNames);
    for (int r = 0; r < grid.rows.size(); ++r) {
        const QStringList &row = grid.rows.at(r);
        for (int c = 0; c < row.size(); ++c)
            model->setItem(r, c, new QStandardItem(row.at(c)));
    }
    proxy->setSourceModel(model);
    ui->tableView->horizontalHeader()->setSectionsMovable(true);
    ui->tableView->resizeColumnsToContents();
}

void PRGTableTest::on_lineEdit_textChanged(QString text)
{
    proxy->setFilterKeyColumn(-1);
    proxy->setFilterRegExp(QRegExp(text, Qt::CaseInsensitive, QRegExp::RegExp));
    ui->tableView->resizeColumnsToContents();
}

void PRGTableTest::on_tableView_doubleClicked(QModelIndex index)
{
    const QModelIndex source = proxy->mapToSource(index);
    if (!source.isValid())
        return;
    qDebug() << "proxydata:" << index.data().toString();
    qDebug() << "ondoubleclicked";
    QStringList rowData;
    for (int c = 0; c < model->columnCount(); ++c)
        rowData << model->index(source.row(), c).data().toString();
    qDebug() << "mapped:" << rowData;
    emit dblClicked(ecuName, tableName, rowData);
}
