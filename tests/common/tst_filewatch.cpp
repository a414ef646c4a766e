// FileWatch follows a file however it changes: written in place, replaced
// by a rename (as SafeFile saves), deleted, made anew after a delete, and
// made where there was none; each step after the one before.
#include "filewatch.h"
#include "safefile.h"
#include "workdir.h"

#include <QSignalSpy>
#include <QtTest>

class TestFileWatch : public QObject
{
    Q_OBJECT
private slots:
    void followsEveryKindOfChange_data();
    void followsEveryKindOfChange();
};

namespace {
enum Step { InPlace, Replace, Remove, Create };

void apply(const WorkDir &wd, Step step, const QString &name)
{
    switch (step) {
    case InPlace:
        QVERIFY(wd.write(name, "in place"));
        break;
    case Replace: {
        SafeFile file(wd.filePath(name));
        QVERIFY(file.write("replaced whole"));
        break;
    }
    case Remove:
        QVERIFY(QFile::remove(wd.filePath(name)));
        break;
    case Create:
        QVERIFY(wd.write(name, "made"));
        break;
    }
}
} // namespace

void TestFileWatch::followsEveryKindOfChange_data()
{
    QTest::addColumn<bool>("existsAtStart");
    QTest::addColumn<QList<int>>("steps");
    QTest::newRow("written in place, twice") << true << QList<int>{InPlace, InPlace};
    QTest::newRow("replaced whole, twice") << true << QList<int>{Replace, Replace};
    QTest::newRow("replaced, then written in place") << true << QList<int>{Replace, InPlace};
    QTest::newRow("deleted, made anew, written") << true << QList<int>{Remove, Create, InPlace};
    QTest::newRow("missing at first, then made, then replaced") << false << QList<int>{Create, Replace};
}

void TestFileWatch::followsEveryKindOfChange()
{
    QFETCH(bool, existsAtStart);
    QFETCH(QList<int>, steps);
    WorkDir wd;
    QVERIFY(QDir().mkpath(wd.filePath("folder")));
    if (existsAtStart)
        QVERIFY(wd.write("folder/watched.xml", "at start"));
    // Relative to the folder current now.
    FileWatch watch("folder/watched.xml");
    QCOMPARE(watch.path(), wd.filePath("folder/watched.xml"));
    QSignalSpy changed(&watch, &FileWatch::changed);
    for (int step : steps) {
        apply(wd, Step(step), "folder/watched.xml");
        QVERIFY2(changed.wait(5000), qPrintable(QString("step %1").arg(step)));
        // What the same step still has to say is not taken for the next's.
        QTest::qWait(100);
        changed.clear();
    }
}

QTEST_GUILESS_MAIN(TestFileWatch)
#include "tst_filewatch.moc"
