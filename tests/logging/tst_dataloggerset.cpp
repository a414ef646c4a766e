#include "dataloggerset.h"
#include "filesizelimit.h"
#include "workdir.h"

#include <QJsonDocument>
#include <QtTest>

class TestDataLoggerSet : public QObject
{
    Q_OBJECT
private slots:
    void roundTripReplaceDeleteSort();
    void invalidFileLeftUntouched();
    void failedWriteKeepsOldFile();
    void presetTicksRowsOfItsEcu_data();
    void presetTicksRowsOfItsEcu();
};

void TestDataLoggerSet::roundTripReplaceDeleteSort()
{
    WorkDir wd;
    {
        DataLoggerSet set;
        QCOMPARE(set.readFile(), DataLoggerSet::Missing);
        set.insertPreset("a", QVariantList{DataLoggerSet::entry("MSV70", "STATUS", "RPM")});
        set.insertPreset("B", QVariantList{DataLoggerSet::entry("MSV70", "STATUS", "TEMP"),
                                           DataLoggerSet::entry("GS19D", "GEAR", "GANG")});
        set.insertPreset("Empty", QVariantList());
        QVERIFY(set.writeFile()); // creates "config/"
    }
    const QJsonDocument doc = QJsonDocument::fromJson(wd.read("config/datalogger.json"));
    QVERIFY(doc.isObject());
    QCOMPARE(doc.object().keys(), QStringList{"loggingSets"});
    QVERIFY(doc.object().value("loggingSets").toObject().value("Empty").isArray());

    DataLoggerSet set;
    QCOMPARE(set.readFile(), DataLoggerSet::Loaded);
    QCOMPARE(set.presetNames(), (QStringList{"B", "Empty", "a"}));
    QCOMPARE(set.presetEntries("B").size(), 2);
    QCOMPARE(set.presetEntries("B").at(1).toMap().value("ecu").toString(), QString("GS19D"));
    QVERIFY(set.presetEntries("missing").isEmpty());

    set.insertPreset("a", QVariantList{DataLoggerSet::entry("E", "J2", "R2")});
    QCOMPARE(set.removePreset("Empty"), 1);
    QVERIFY(set.writeFile());
    DataLoggerSet back;
    back.readFile();
    QCOMPARE(back.presetNames(), (QStringList{"B", "a"}));
    QCOMPARE(back.presetEntries("a").first().toMap().value("job").toString(), QString("J2"));
    QCOMPARE(back.presetEntries("B").size(), 2);
}

void TestDataLoggerSet::invalidFileLeftUntouched()
{
    WorkDir wd;
    const QByteArray broken = "{ \"loggingSets\": { \"a\": [ { \"ecu\": ";
    QVERIFY(wd.write("config/datalogger.json", broken));
    DataLoggerSet set;
    QString error;
    QCOMPARE(set.readFile(&error), DataLoggerSet::Invalid);
    QVERIFY(error.contains("not a valid presets file"));
    QVERIFY(set.presetNames().isEmpty());
    set.insertPreset("new", QVariantList());
    QVERIFY(!set.writeFile(&error));
    QVERIFY(error.contains("not saved"));
    QCOMPARE(wd.read("config/datalogger.json"), broken);
}

void TestDataLoggerSet::failedWriteKeepsOldFile()
{
    WorkDir wd;
    DataLoggerSet set;
    set.insertPreset("a", QVariantList{DataLoggerSet::entry("MSV70", "STATUS", "RPM")});
    QVERIFY(set.writeFile());
    const QByteArray old = wd.read("config/datalogger.json");

    // A disk that fills up while the presets are written: a file of a few
    // hundred bytes fails only when Qt's write buffer is emptied at the end.
    set.insertPreset("b", QVariantList{DataLoggerSet::entry("GS19D", "GEAR", "GANG")});
    QString error;
    bool written = true;
    {
        FileSizeLimit limit(rlim_t(old.size()));
        QVERIFY(limit.ok());
        written = set.writeFile(&error);
    }
    QVERIFY(!written);
    QVERIFY2(error.startsWith("Cannot write \"config/datalogger.json\": File too large"), qPrintable(error));
    QCOMPARE(wd.read("config/datalogger.json"), old);
    QCOMPARE(QDir(wd.filePath("config")).entryList(QDir::Files | QDir::Hidden), QStringList{"datalogger.json"});

    // With room again the same set is saved.
    QVERIFY(set.writeFile());
    DataLoggerSet back;
    QCOMPARE(back.readFile(), DataLoggerSet::Loaded);
    QCOMPARE(back.presetNames(), (QStringList{"a", "b"}));
}

void TestDataLoggerSet::presetTicksRowsOfItsEcu_data()
{
    QTest::addColumn<QVariantMap>("entry");
    QTest::addColumn<QList<int>>("ticked");
    QVariantMap noEcu = DataLoggerSet::entry("", "STATUS", "RPM");
    noEcu.remove("ecu");
    // Two ECUs' jobs of one name are two jobs.
    QTest::newRow("its ECU only") << DataLoggerSet::entry("MSV70", "STATUS", "RPM") << QList<int>{1};
    QTest::newRow("the other ECU") << DataLoggerSet::entry("D73N57C0", "STATUS", "RPM") << QList<int>{3};
    QTest::newRow("ECU in another case") << DataLoggerSet::entry("msv70", "STATUS", "RPM") << QList<int>{1};
    QTest::newRow("an ECU not listed") << DataLoggerSet::entry("ANY", "STATUS", "RPM") << QList<int>{};
    // Written by hand without an ECU: the job's rows of every ECU.
    QTest::newRow("empty ECU") << DataLoggerSet::entry("", "STATUS", "RPM") << QList<int>{1, 3};
    QTest::newRow("no ECU member") << noEcu << QList<int>{1, 3};
}

void TestDataLoggerSet::presetTicksRowsOfItsEcu()
{
    QFETCH(QVariantMap, entry);
    QFETCH(QList<int>, ticked);
    WorkDir wd;
    DataLoggerSet set;
    set.insertPreset("p", QVariantList{entry});
    const QVariantList rows{DataLoggerSet::entry("MSV70", "STATUS", "TEMP"), DataLoggerSet::entry("MSV70", "STATUS", "RPM"),
                            DataLoggerSet::entry("MSV70", "OTHER", "RPM"), DataLoggerSet::entry("D73N57C0", "STATUS", "RPM")};
    QCOMPARE(set.rowsToTick("p", rows), ticked);
    QVERIFY(set.rowsToTick("none", rows).isEmpty());
}

QTEST_GUILESS_MAIN(TestDataLoggerSet)
#include "tst_dataloggerset.moc"
