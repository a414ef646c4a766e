// The PRG table browser on description files written to disk: its table
// list, the grid (hidden columns, header row, translated long column),
// search, copy, double clicks and what a damaged table or hostile cells do.
#include "logcapture.h"
#include "lreleasetool.h"
#include "prgtabletest.h"
#include "prgtableview.h"
#include "prgwriter.h"
#include "translationmgr.h"
#include "workdir.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QtTest>
#include <memory>

class TestPRGTableTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void form();
    void tableListSortedByCode();
    void measurementTableGrid();
    void searchAnyColumnAnyCase_data();
    void searchAnyColumnAnyCase();
    void copyJoinsCellsAndRows();
    void unknownTableShowsFirstReportsGiven();
    void typedNameFillsListClicksReportEmptyNames();
    void damagedTableChangesNothing();
    void hostileCellsAreNoRows();
    void cachePerWindow();

private:
    std::unique_ptr<WorkDir> catalogueDir;
};

namespace {

QByteArray latin1(const char *text)
{
    return QByteArray(text);
}

// ecu/ECU1.prg: a measurement table, a small table to copy from, a damaged
// table and some names to sort.
void writeEcu(const WorkDir &wd, const QByteArray &firstName = "MOTORTEMP")
{
    PrgWriter w;
    w.setDescription("ECU:Test ECU\n");
    w.addJob("MW_SELECT_LESEN_NORM");
    w.addTable("alpha", {"A"}, {{"1"}});
    w.addTable("BETRIEBSWTAB", {"NAME", "TELEGRAM", "LNAME"},
               {{firstName, "12 34", "Motortemperatur"},
                {"STAT_ABC", "00", "Abc-Wert"},
                {"n_mot", "temp", "Drehzahl"},
                {"motortemp", "00", "klein"},
                {"OELTEMP", "", latin1("\xD6ltemperatur")}});
    w.addTable("Zeta", {"A"}, {{"1"}});
    w.addTable("COPY", {"C0", "C1", "C2"}, {{"r1", "a", "b"}, {"r2", "c", "d"}});
    w.addTable("BROKEN", {"C0", "C1"}, {{"x", "y"}});
    w.addTable("HOSTILE", {"C0", "C1", "C2"},
               {{"a\tb", "x", "y"}, {"m", "n\no", "p"}, {"1", "2", "3"}, {"", "", ""}});
    w.setTableRows(4, 100000000); // BROKEN: more rows than the file holds
    QDir().mkpath(wd.filePath("ecu"));
    QVERIFY(w.write(wd.filePath("ecu/ECU1.prg")));
}

QStringList headerLabels(const QStandardItemModel *model)
{
    QStringList labels;
    for (int c = 0; c < model->columnCount(); ++c)
        labels << model->horizontalHeaderItem(c)->text();
    return labels;
}

QStringList sourceRow(const QStandardItemModel *model, int row)
{
    QStringList cells;
    for (int c = 0; c < model->columnCount(); ++c)
        cells << model->item(row, c)->text();
    return cells;
}

// The source row whose first cell is `first`.
QStringList rowStarting(const QStandardItemModel *model, const QString &first)
{
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->item(r, 0)->text() == first)
            return sourceRow(model, r);
    }
    return {};
}

QComboBox *tables(PRGTableTest &b)
{
    return b.findChild<QComboBox *>("cmdTableName");
}

QLineEdit *fileEdit(PRGTableTest &b)
{
    return b.findChild<QLineEdit *>("editEcuFileName");
}

PRGTableView *view(PRGTableTest &b)
{
    return b.findChild<PRGTableView *>("tableView");
}

// Marked in red (a shade of it that reads on the field's background).
bool isRed(QLineEdit *edit)
{
    const QColor text = edit->palette().color(QPalette::Active, QPalette::Text);
    return text.red() > 200 && text.green() < 60 && text.blue() < 60;
}

void doubleClickViewRow(PRGTableTest &b, int row)
{
    PRGTableView *v = view(b);
    const QRect rect = v->visualRect(v->model()->index(row, 0));
    QTest::mouseClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
    QTest::mouseDClick(v->viewport(), Qt::LeftButton, Qt::NoModifier, rect.center());
}

} // namespace

void TestPRGTableTest::initTestCase()
{
    QVERIFY2(!LReleaseTool::path().isEmpty(), "lrelease (qttools5-dev-tools) is needed");
    catalogueDir = std::make_unique<WorkDir>();
    QString log;
    QVERIFY(catalogueDir->write("translations/jobs_all_en_EN.txt", "STAT_MOTORTEMP_WERT\tRES_L\tEngine temperature\n"
                                                                   "STAT_ABC\tRES_L\tAbc value\n"));
    QVERIFY2(LReleaseTool::compileTable(catalogueDir->filePath("translations/jobs_all_en_EN.txt"), &log),
             qPrintable(log));
    QVERIFY(TranslationMgr::instance()->isLoaded());
}

void TestPRGTableTest::form()
{
    WorkDir wd;
    PRGTableTest b;
    QCOMPARE(b.windowTitle(), QString("Table"));
    QCOMPARE(b.size(), QSize(676, 432));
    QCOMPARE(b.findChild<QPushButton *>("pushButton")->text(), QString("Refresh"));
    QVERIFY(view(b)->isSortingEnabled());
    QCOMPARE(view(b)->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(view(b)->selectionBehavior(), QAbstractItemView::SelectRows);
}

void TestPRGTableTest::tableListSortedByCode()
{
    WorkDir wd;
    writeEcu(wd);
    PRGTableTest b;
    b.setEcu("ECU1");
    QCOMPARE(fileEdit(b)->text(), QString("ECU1.prg"));
    QVERIFY(!isRed(fileEdit(b)));
    QStringList names;
    for (int i = 0; i < tables(b)->count(); ++i)
        names << tables(b)->itemText(i);
    QCOMPARE(names, (QStringList{"BETRIEBSWTAB", "BROKEN", "COPY", "HOSTILE", "Zeta", "alpha"}));

    // A folder is no description file; nor is a name that is not there.
    QDir().mkpath(wd.filePath("ecu/DIR.prg"));
    for (const char *name : {"DIR.prg", "ECU2.prg", ""}) {
        fileEdit(b)->setText(name);
        QVERIFY2(isRed(fileEdit(b)), name);
        QCOMPARE(tables(b)->count(), 0);
        // The tool tip says why, naming the folder looked in.
        QVERIFY2(fileEdit(b)->toolTip().contains(QString(name) + (*name ? " is no file" : ""))
                     && fileEdit(b)->toolTip().contains("ecu"),
                 qPrintable(fileEdit(b)->toolTip()));
    }
}

void TestPRGTableTest::measurementTableGrid()
{
    WorkDir wd;
    writeEcu(wd);
    PRGTableTest b;
    b.setEcu("ECU1");
    b.setTable("BETRIEBSWTAB");
    QStandardItemModel *m = b.sourceModel();
    QCOMPARE(headerLabels(m), (QStringList{"NAME", "LNAME", "Long orig. descr."}));
    // The header line is a row of its own, its long text in the last column.
    QCOMPARE(m->rowCount(), 6);
    QCOMPARE(m->item(0, 0)->text(), QString("NAME"));
    QCOMPARE(m->item(0, 2)->text(), QString("LNAME"));
    QVERIFY(view(b)->horizontalHeader()->sectionsMovable());
    QCOMPARE(view(b)->model()->rowCount(), 6);

    // The long column translated, the table's own text in the last column.
    QCOMPARE(rowStarting(m, "MOTORTEMP"), (QStringList{"MOTORTEMP", "Engine temperature", "Motortemperatur"}));
    // Looked up upper-cased; a name starting with STAT is the key itself.
    QCOMPARE(rowStarting(m, "motortemp"), (QStringList{"motortemp", "Engine temperature", "klein"}));
    QCOMPARE(rowStarting(m, "STAT_ABC"), (QStringList{"STAT_ABC", "Abc value", "Abc-Wert"}));
    // No translation: an empty cell, the table's text stays in the last column.
    QCOMPARE(rowStarting(m, "OELTEMP"), (QStringList{"OELTEMP", "", QString::fromLatin1("\xD6ltemperatur")}));
}

void TestPRGTableTest::searchAnyColumnAnyCase_data()
{
    QTest::addColumn<QString>("search");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("temp") << "temp" << QStringList{"MOTORTEMP", "OELTEMP", "motortemp"};
    QTest::newRow("translation column") << "abc VAL" << QStringList{"STAT_ABC"};
    QTest::newRow("original column") << "^drehzahl$" << QStringList{"n_mot"};
    QTest::newRow("hidden column is not searched") << "12 34" << QStringList{};
    QTest::newRow("empty shows all") << ""
                                     << QStringList{"MOTORTEMP", "NAME", "OELTEMP", "STAT_ABC", "motortemp", "n_mot"};
}

void TestPRGTableTest::searchAnyColumnAnyCase()
{
    QFETCH(QString, search);
    QFETCH(QStringList, names);
    WorkDir wd;
    writeEcu(wd);
    PRGTableTest b;
    b.setEcu("ECU1");
    b.setTable("BETRIEBSWTAB");
    QTest::keyClicks(b.findChild<QLineEdit *>("lineEdit"), search);
    QStringList shown;
    for (int r = 0; r < view(b)->model()->rowCount(); ++r)
        shown << view(b)->model()->index(r, 0).data().toString();
    shown.sort();
    QCOMPARE(shown, names);
}

void TestPRGTableTest::copyJoinsCellsAndRows()
{
    WorkDir wd;
    writeEcu(wd);
    PRGTableTest b;
    b.setEcu("ECU1");
    b.setTable("COPY");
    b.show();
    PRGTableView *v = view(b);
    v->sortByColumn(0, Qt::AscendingOrder); // C0, r1, r2
    QAbstractItemModel *shown = v->model();
    QCOMPARE(shown->index(1, 0).data().toString(), QString("r1"));
    v->clearSelection();
    for (const auto &cell : {qMakePair(2, 1), qMakePair(1, 1), qMakePair(1, 2)})
        v->selectionModel()->select(shown->index(cell.first, cell.second), QItemSelectionModel::Select);
    QApplication::clipboard()->clear();
    QTest::keyClick(v, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("a\tb\nc\n"));

    // One cell: its text and LF.
    v->clearSelection();
    v->selectionModel()->select(shown->index(2, 2), QItemSelectionModel::Select);
    QTest::keyClick(v, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("d\n"));
}

void TestPRGTableTest::unknownTableShowsFirstReportsGiven()
{
    WorkDir wd;
    writeEcu(wd);
    PRGTableTest b;
    b.show();
    QSignalSpy clicks(&b, &PRGTableTest::dblClicked);
    b.setEcu("ECU1");
    b.setTable("NOPE");
    QCOMPARE(tables(b)->currentText(), QString("BETRIEBSWTAB"));
    QCOMPARE(headerLabels(b.sourceModel()).first(), QString("NAME"));
    view(b)->sortByColumn(0, Qt::AscendingOrder);
    doubleClickViewRow(b, 0); // MOTORTEMP
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.first().at(0).toString(), QString("ECU1"));
    QCOMPARE(clicks.first().at(1).toString(), QString("NOPE"));
    QCOMPARE(clicks.first().at(2).toStringList(),
             (QStringList{"MOTORTEMP", "Engine temperature", "Motortemperatur"}));
}

void TestPRGTableTest::typedNameFillsListClicksReportEmptyNames()
{
    WorkDir wd;
    writeEcu(wd);
    PRGTableTest b; // as the main window's "Tables" opens it
    b.show();
    QSignalSpy clicks(&b, &PRGTableTest::dblClicked);
    QTest::keyClicks(fileEdit(b), "ecu1.PR");
    QVERIFY(isRed(fileEdit(b)));
    QCOMPARE(tables(b)->count(), 0);
    QTest::keyClicks(fileEdit(b), "G");
    QVERIFY(!isRed(fileEdit(b)));
    QCOMPARE(tables(b)->count(), 6);
    tables(b)->setCurrentIndex(tables(b)->findText("COPY"));
    b.findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(b.sourceModel()->rowCount(), 3);
    doubleClickViewRow(b, 1);
    QCOMPARE(clicks.count(), 1);
    QCOMPARE(clicks.first().at(0).toString(), QString());
    QCOMPARE(clicks.first().at(1).toString(), QString());
    QCOMPARE(clicks.first().at(2).toStringList().size(), 4);
}

void TestPRGTableTest::damagedTableChangesNothing()
{
    WorkDir wd;
    writeEcu(wd);
    LogCapture log("customjobseditor");
    PRGTableTest b;
    b.setEcu("ECU1");
    b.setTable("COPY");
    QCOMPARE(b.cachedTables(), 1);
    const QStringList before = sourceRow(b.sourceModel(), 1);

    tables(b)->setCurrentIndex(tables(b)->findText("BROKEN"));
    b.findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(b.sourceModel()->rowCount(), 3);
    QCOMPARE(headerLabels(b.sourceModel()), (QStringList{"C0", "C1", "C2", "Long orig. descr."}));
    QCOMPARE(sourceRow(b.sourceModel(), 1), before);
    QCOMPARE(b.cachedTables(), 1);
    QCOMPARE(log.count("WARN table BROKEN"), 1);
    QVERIFY(isRed(fileEdit(b)));
    QVERIFY(fileEdit(b)->toolTip().contains("BROKEN"));

    // The next table that reads takes over, and the edit says all is well.
    tables(b)->setCurrentIndex(tables(b)->findText("alpha"));
    b.findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(b.sourceModel()->rowCount(), 2);
    QVERIFY(!isRed(fileEdit(b)));
    QVERIFY(fileEdit(b)->toolTip().isEmpty());
}

void TestPRGTableTest::hostileCellsAreNoRows()
{
    WorkDir wd;
    writeEcu(wd);
    PRGTableTest b;
    b.show();
    b.setEcu("ECU1");
    b.setTable("HOSTILE");
    // A TAB inside a cell adds a cell, an LF splits the line: both are left
    // out; the empty row is a row.
    QStandardItemModel *m = b.sourceModel();
    QCOMPARE(m->rowCount(), 3);
    QCOMPARE(sourceRow(m, 1), (QStringList{"1", "2", "3", ""}));
    QCOMPARE(sourceRow(m, 2), (QStringList{"", "", "", ""}));
    QTest::keyClicks(b.findChild<QLineEdit *>("lineEdit"), "[unclosed");
    QCOMPARE(view(b)->model()->rowCount(), 0);
}

void TestPRGTableTest::cachePerWindow()
{
    WorkDir wd;
    writeEcu(wd);
    PRGTableTest first;
    first.setEcu("ECU1");
    first.setTable("BETRIEBSWTAB");
    first.findChild<QPushButton *>("pushButton")->click();
    QCOMPARE(first.cachedTables(), 1);
    // A changed file is not seen by a window that read the table before.
    writeEcu(wd, "CHANGED");
    first.findChild<QPushButton *>("pushButton")->click();
    QVERIFY(!rowStarting(first.sourceModel(), "MOTORTEMP").isEmpty());
    PRGTableTest second;
    second.setEcu("ECU1");
    second.setTable("BETRIEBSWTAB");
    QVERIFY(rowStarting(second.sourceModel(), "MOTORTEMP").isEmpty());
    QVERIFY(!rowStarting(second.sourceModel(), "CHANGED").isEmpty());
}

QTEST_MAIN(TestPRGTableTest)
#include "tst_prgtabletest.moc"
