#include "tablechecks.h"
#include "translationtableview.h"
#include "translationviewrform.h"
#include "workdir.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTimer>
#include <QtTest>
#include <algorithm>

class TestTranslationViewrForm : public QObject
{
    Q_OBJECT
private slots:
    void opensOnTable();
    void filtersOnReturnOnly();
    void applyButtonFilters_data();
    void applyButtonFilters();
    void missingTableShowsError();
    void linesThatAreNoRowsAreSaid_data();
    void linesThatAreNoRowsAreSaid();
    void opensInFileOrderWithoutArrow();
    void lastColumnStretchesAfterFilter();
};

static const QByteArray Table = "STAT_TEMP\tRES_L\tTemperature\r\n"
                                "STATUS_LMM\tRES_L\tAir mass\n"
                                "ABC_STATE\tJOB_S\tabc state\n"
                                "SHORT\tRES_L\n"
                                "\n"
                                "X_stat\tRES_S\tStat text\tmore\n";

static QStringList visibleFirstColumn(TranslationTableView *view)
{
    QStringList out;
    for (int r = 0; r < view->model()->rowCount(); ++r)
        out << view->model()->index(r, 0).data().toString();
    out.sort();
    return out;
}

void TestTranslationViewrForm::opensOnTable()
{
    WorkDir wd;
    QVERIFY(wd.write("translations/jobs_all_en_EN.txt", Table));
    TranslationViewrForm form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Form"));
    QCOMPARE(form.size(), QSize(461, 367));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    TranslationTableView *view = form.tableView();
    QCOMPARE(view->sourceModel()->rowCount(), 4);
    QCOMPARE(view->sourceModel()->columnCount(), 3);
    QCOMPARE(view->model()->rowCount(), 4);
    QCOMPARE(view->sourceModel()->item(0, 2)->text(), QStringLiteral("Temperature"));
    QCOMPARE(view->sourceModel()->item(3, 0)->text(), QStringLiteral("X_stat"));
}

void TestTranslationViewrForm::filtersOnReturnOnly()
{
    WorkDir wd;
    QVERIFY(wd.write("translations/jobs_all_en_EN.txt", Table));
    TranslationViewrForm form;
    form.show();
    TranslationTableView *view = form.tableView();
    auto *edit = form.findChild<QLineEdit *>("lineEdit");
    QVERIFY(edit);
    QTest::keyClicks(edit, "^stat");
    QCOMPARE(view->model()->rowCount(), 4); // typing alone does not filter
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(visibleFirstColumn(view), (QStringList{"STATUS_LMM", "STAT_TEMP", "X_stat"}));
}

void TestTranslationViewrForm::applyButtonFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("all") << "" << QStringList{"ABC_STATE", "STATUS_LMM", "STAT_TEMP", "X_stat"};
    QTest::newRow("any column, any case") << "air" << QStringList{"STATUS_LMM"};
    QTest::newRow("context column") << "JOB_S" << QStringList{"ABC_STATE"};
    QTest::newRow("regular expression") << "temp|mass$" << QStringList{"STATUS_LMM", "STAT_TEMP"};
    QTest::newRow("no match") << "nothing" << QStringList{};
    QTest::newRow("broken expression") << "([" << QStringList{};
}

void TestTranslationViewrForm::applyButtonFilters()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, rows);
    WorkDir wd;
    QVERIFY(wd.write("translations/jobs_all_en_EN.txt", Table));
    TranslationViewrForm form;
    form.show();
    form.findChild<QLineEdit *>("lineEdit")->setText(filter);
    QTest::mouseClick(form.findChild<QPushButton *>("pushButton"), Qt::LeftButton);
    QCOMPARE(visibleFirstColumn(form.tableView()), rows);
}

void TestTranslationViewrForm::missingTableShowsError()
{
    WorkDir wd;
    QString title;
    QString text;
    // The message box is modal: answer it once it shows.
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->button(QMessageBox::Ok)->click();
        }
    });
    closer.start(20);
    TranslationViewrForm form;
    closer.stop();
    QCOMPARE(title, QStringLiteral("error"));
    // The message names the file it could not read.
    QVERIFY2(text.contains("translations/jobs_all_en_EN.txt"), qPrintable(text));
    QCOMPARE(form.tableView()->model()->rowCount(), 0);
}

void TestTranslationViewrForm::linesThatAreNoRowsAreSaid_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("said");
    QTest::newRow("one short line") << Table << 4 << "(1 in all, the first is line 4)";
    // Written with other separators, the file would look empty.
    QTest::newRow("commas") << QByteArray("A,RES_L,a\nB,RES_L,b\n\nC,RES_L,c\n") << 0
                            << "(3 in all, the first is line 1)";
    QTest::newRow("every line a row") << QByteArray("A\tRES_L\ta\n\nB\tRES_L\tb\textra\n") << 2 << "";
}

void TestTranslationViewrForm::linesThatAreNoRowsAreSaid()
{
    QFETCH(QByteArray, table);
    QFETCH(int, rows);
    QFETCH(QString, said);
    WorkDir wd;
    QVERIFY(wd.write("translations/jobs_all_en_EN.txt", table));
    TranslationViewrForm form;
    QCOMPARE(form.tableView()->sourceModel()->rowCount(), rows);
    QLabel *problem = form.findChild<QLabel *>("lblProblem");
    QVERIFY(problem);
    QCOMPARE(problem->isHidden(), said.isEmpty());
    if (!said.isEmpty())
        QVERIFY2(problem->text().contains("jobs_all_en_EN.txt") && problem->text().contains(said),
                 qPrintable(problem->text()));
}

void TestTranslationViewrForm::opensInFileOrderWithoutArrow()
{
    WorkDir wd;
    QVERIFY(wd.write("translations/jobs_all_en_EN.txt", Table));
    TranslationViewrForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    TranslationTableView *view = form.tableView();
    auto column = [view] {
        QStringList out;
        for (int r = 0; r < view->model()->rowCount(); ++r)
            out << view->model()->index(r, 0).data().toString();
        return out;
    };
    QHeaderView *header = view->horizontalHeader();
    QCOMPARE(column(), (QStringList{"STAT_TEMP", "STATUS_LMM", "ABC_STATE", "X_stat"}));
    QCOMPARE(header->sortIndicatorSection(), -1); // no arrow
    // A filter keeps the file order.
    form.findChild<QLineEdit *>("lineEdit")->setText("stat");
    QTest::mouseClick(form.findChild<QPushButton *>("pushButton"), Qt::LeftButton);
    QCOMPARE(column(), (QStringList{"STAT_TEMP", "STATUS_LMM", "ABC_STATE", "X_stat"}));
    QCOMPARE(header->sortIndicatorSection(), -1);
    // The user sorts: the arrow shows where the order comes from.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
    QCOMPARE(header->sortIndicatorSection(), 2);
    QStringList byText{"STATUS_LMM", "X_stat", "STAT_TEMP", "ABC_STATE"}; // "Air mass" < ... < "abc state"
    if (header->sortIndicatorOrder() == Qt::DescendingOrder)
        std::reverse(byText.begin(), byText.end());
    QCOMPARE(column(), byText);
}

void TestTranslationViewrForm::lastColumnStretchesAfterFilter()
{
    WorkDir wd;
    QVERIFY(wd.write("translations/jobs_all_en_EN.txt", Table));
    TranslationViewrForm form;
    form.resize(700, 400);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    TranslationTableView *view = form.tableView();
    QTRY_VERIFY(TableChecks::lastColumnReachesEdge(view));
    for (const char *filter : {"air", "", "stat"}) {
        form.findChild<QLineEdit *>("lineEdit")->setText(filter);
        QTest::mouseClick(form.findChild<QPushButton *>("pushButton"), Qt::LeftButton);
        QApplication::processEvents();
        QVERIFY2(TableChecks::lastColumnReachesEdge(view), filter);
    }
}

QTEST_MAIN(TestTranslationViewrForm)
#include "tst_translationviewrform.moc"
