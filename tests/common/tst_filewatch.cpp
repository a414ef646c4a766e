// FileWatch follows files however they change: written in place, replaced
// by a rename (as SafeFile saves), deleted, made anew after a delete, and
// made where there was none; other files of the folder pass unannounced.
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
    void otherFilesOfTheFolderPass();
};

namespace {
enum Step { InPlace, Replace, Remove, Create, Other };

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
    case Other:
        QVERIFY(wd.write("folder/other.txt", "not watched"));
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
    FileWatch watch;
    // Relative to the folder current now.
    watch.setFiles({"folder/watched.xml"});
    QCOMPARE(watch.files(), QStringList{wd.filePath("folder/watched.xml")});
    QSignalSpy changed(&watch, &FileWatch::changed);
    for (int step : steps) {
        changed.clear();
        apply(wd, Step(step), "folder/watched.xml");
        QVERIFY2(changed.wait(5000), qPrintable(QString("step %1").arg(step)));
    }
}

void TestFileWatch::otherFilesOfTheFolderPass()
{
    WorkDir wd;
    QVERIFY(wd.write("folder/watched.xml", "at start"));
    FileWatch watch;
    watch.setFiles({"folder/watched.xml"});
    QSignalSpy changed(&watch, &FileWatch::changed);
    apply(wd, Other, QString());
    QVERIFY(!changed.wait(300));
    // The watched file still is.
    apply(wd, InPlace, "folder/watched.xml");
    QVERIFY(changed.wait(5000));
}

QTEST_GUILESS_MAIN(TestFileWatch)
#include "tst_filewatch.moc"
