#include "cjobresult.h"
#include "jobmetatypes.h"
#include "resulttablemodel.h"
#include "resulttableview.h"

#include <QHeaderView>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <QtTest>

class TestResultTableModel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { JobMetaTypes::registerAll(); }
    void dimensionsGiveEmptyUncheckedRows();
    void checkStateOnlyInColumnZero();
    void checkThroughProxyRepaints();
    void flagsKeepValueColumnsInert();
    void clearResetsCounts();
    void refreshRanges();
    void cellsOutsideAreIgnored();
    void viewOwnsModel();
};

void TestResultTableModel::dimensionsGiveEmptyUncheckedRows()
{
    ResultTableModel m;
    QCOMPARE(m.rowCount(), 0);
    QCOMPARE(m.columnCount(), 0);
    QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
    m.setDimensions(4, 3);
    QCOMPARE(reset.count(), 1);
    QCOMPARE(m.rowCount(), 4);
    QCOMPARE(m.columnCount(), 3);
    for (int r = 0; r < 4; ++r) {
        QCOMPARE(m.data(m.index(r, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QVERIFY(!m.data(m.index(r, 1), Qt::CheckStateRole).isValid());
        QCOMPARE(m.data(m.index(r, 1)).toString(), QString());
        QCOMPARE(m.userData(r, 2).toString(), QString());
    }
    // A tick survives until the next rebuild, which clears it again.
    m.setCellData(1, 0, Qt::Checked, Qt::CheckStateRole);
    m.setDimensions(4, 3);
    QCOMPARE(m.data(m.index(1, 0), Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
    QVERIFY(!m.data(m.index(0, 0), Qt::ToolTipRole).isValid());
}

void TestResultTableModel::checkStateOnlyInColumnZero()
{
    ResultTableModel m;
    m.setDimensions(2, 3);
    QSignalSpy checked(&m, &ResultTableModel::itemChecked);
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);

    QVERIFY(m.setData(m.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(checked.count(), 1);
    QCOMPARE(checked.at(0).at(0).toInt(), 1);
    QCOMPARE(checked.at(0).at(1).toInt(), 0);
    QCOMPARE(checked.at(0).at(2).value<Qt::CheckState>(), Qt::Checked);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), m.index(1, 0));
    QCOMPARE(m.data(m.index(1, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));

    // Other columns and roles are refused and store nothing.
    QVERIFY(!m.setData(m.index(1, 2), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(!m.setData(m.index(1, 0), "text", Qt::EditRole));
    QCOMPARE(checked.count(), 1);
    QVERIFY(!m.data(m.index(1, 2), Qt::CheckStateRole).isValid());
    QCOMPARE(m.data(m.index(1, 0)).toString(), QString());
}

void TestResultTableModel::checkThroughProxyRepaints()
{
    // Mark all ticks through the filter proxy: the view must hear of it.
    ResultTableModel m;
    m.setDimensions(3, 3);
    m.setText(0, 0, "RPM");
    m.setText(1, 0, "TEMP");
    m.setText(2, 0, "RPM2");
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&m);
    proxy.setFilterKeyColumn(0);
    proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy.setFilterRegExp("rpm");
    QCOMPARE(proxy.rowCount(), 2);
    QSignalSpy proxyChanged(&proxy, &QAbstractItemModel::dataChanged);
    QSignalSpy checked(&m, &ResultTableModel::itemChecked);
    QVERIFY(proxy.setData(proxy.index(1, 0), Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(checked.count(), 1);
    QCOMPARE(checked.at(0).at(0).toInt(), 2);
    QVERIFY(proxyChanged.count() >= 1);
    QCOMPARE(proxy.data(proxy.index(1, 0), Qt::CheckStateRole).toInt(), int(Qt::Checked));
}

void TestResultTableModel::flagsKeepValueColumnsInert()
{
    ResultTableModel m;
    m.setDimensions(1, 3);
    const Qt::ItemFlags f0 = m.flags(m.index(0, 0));
    QVERIFY(f0 & Qt::ItemIsUserCheckable);
    QVERIFY(f0 & Qt::ItemIsEnabled);
    QCOMPARE(m.flags(m.index(0, 1)), Qt::ItemFlags(Qt::ItemIsEnabled));
    QCOMPARE(m.flags(m.index(0, 2)), Qt::ItemFlags(Qt::ItemIsEnabled));
}

void TestResultTableModel::clearResetsCounts()
{
    ResultTableModel m;
    m.setDimensions(5, 3);
    m.setText(4, 2, "x");
    QSignalSpy reset(&m, &QAbstractItemModel::modelReset);
    m.clear();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(m.rowCount(), 0);
    QCOMPARE(m.columnCount(), 0);
    // Nothing stale is reachable after the clear.
    QVERIFY(!m.data(m.index(4, 2)).isValid());
    QVERIFY(!m.userData(4, 2).isValid());
    m.refresh(false);
    m.refresh(true);
}

void TestResultTableModel::refreshRanges()
{
    ResultTableModel m;
    m.setDimensions(3, 3);
    QSignalSpy changed(&m, &QAbstractItemModel::dataChanged);
    m.refresh(true);
    m.refresh(false);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(changed.at(0).at(0).toModelIndex(), m.index(0, 2));
    QCOMPARE(changed.at(0).at(1).toModelIndex(), m.index(2, 2));
    QCOMPARE(changed.at(1).at(0).toModelIndex(), m.index(0, 0));
    QCOMPARE(changed.at(1).at(1).toModelIndex(), m.index(2, 2));

    // Only what changed is announced, cell by cell: a text set again to
    // itself is no change.
    QVERIFY(m.setText(1, 2, "42"));
    QVERIFY(!m.setText(1, 2, "42"));
    QVERIFY(!m.setText(5, 2, "out"));
    m.updateText(1, 2, "42");
    QCOMPARE(changed.count(), 2);
    m.updateText(1, 2, "43");
    QCOMPARE(changed.count(), 3);
    QCOMPARE(changed.at(2).at(0).toModelIndex(), m.index(1, 2));
    QCOMPARE(changed.at(2).at(1).toModelIndex(), m.index(1, 2));
    m.refreshCell(5, 0);
    QCOMPARE(changed.count(), 3);
}

void TestResultTableModel::cellsOutsideAreIgnored()
{
    ResultTableModel m;
    m.setDimensions(2, 3);
    m.setText(2, 0, "out");
    m.setText(-1, 0, "out");
    m.setUserData(0, 3, 1);
    QVERIFY(!m.setCellData(5, 0, Qt::Checked, Qt::CheckStateRole));
    QCOMPARE(m.rowCount(), 2);
    CJobResult r;
    r.name = "STAT_X";
    m.setUserData(1, 0, QVariant::fromValue(r));
    QCOMPARE(m.data(m.index(1, 0), Qt::UserRole).value<CJobResult>().name, std::string("STAT_X"));
}

void TestResultTableModel::viewOwnsModel()
{
    auto *view = new ResultTableView();
    QCOMPARE(view->model(), static_cast<QAbstractItemModel *>(view->tableModel()));
    QVERIFY(view->verticalHeader()->isHidden());
    QVERIFY(view->horizontalHeader()->stretchLastSection());
    view->tableModel()->setDimensions(3, 3);
    QCOMPARE(view->rowCount(), 3);
    // A proxy outliving the view must not touch the dead model.
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(view->tableModel());
    view->setModel(&proxy);
    view->clearModel();
    QCOMPARE(view->rowCount(), 0);
    delete view;
    QCOMPARE(proxy.rowCount(), 0);
}

QTEST_MAIN(TestResultTableModel)
#include "tst_resulttablemodel.moc"
