// The gauges made for chosen results: column count, definitions found in an
// ECU's gauge files (whatever the letter case of the result) and the
// definitions made for results that have none.
#include "gaugedefmanager.h"
#include "gaugelist.h"
#include "workdir.h"

#include <QtTest>

class TestGaugeList : public QObject
{
    Q_OBJECT
private slots:
    void columns_data();
    void columns();
    void definitions_data();
    void definitions();
    void groupsByEcuInFirstSeenOrder();
};

namespace {
const QByteArray msv70Defs = "[RPM]\n"
                             "Jobname=status_messwerte\n"
                             "Resultname=stat_bpscd_poutval_wert\n"
                             "Min=0\nMax=7000\ntitle=Rail\nunit=bar\n"
                             "needlecolor=#ff0000\ncolor=#00ff00\n"
                             "[OIL]\n"
                             "Jobname=STATUS_MESSWERTE\n"
                             "Resultname=STAT_OEL_WERT\n"
                             "Min=-40\nMax=160\ntitle=Oil\nunit=C\n";

CJobResultPair pair(const char *ecu, const char *job, const char *result)
{
    CJobResultPair p;
    p.job = CJob(ecu, job);
    p.resultName = result;
    return p;
}

QList<CJobResultPair> pairs(int n)
{
    QList<CJobResultPair> list;
    for (int i = 0; i < n; ++i)
        list << pair("MSV70", "STATUS_MESSWERTE", ("STAT_" + std::to_string(i) + "_WERT").c_str());
    return list;
}
} // namespace

void TestGaugeList::columns_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("columns");
    QTest::newRow("none") << 0 << 1;
    QTest::newRow("one") << 1 << 1;
    QTest::newRow("three") << 3 << 1;
    QTest::newRow("four") << 4 << 2;
    QTest::newRow("five") << 5 << 2;
    QTest::newRow("nine") << 9 << 3;
    QTest::newRow("ten") << 10 << 3;
}

void TestGaugeList::columns()
{
    QFETCH(int, count);
    QFETCH(int, columns);
    WorkDir wd;
    GaugeDefManager manager;
    const GaugeList list = GaugeListBuilder::build(pairs(count), manager, GaugeListBuilder::plotWindowDefaults());
    QCOMPARE(list.columns, columns);
    QCOMPARE(list.entries.size(), count);
}

void TestGaugeList::definitions_data()
{
    QTest::addColumn<QByteArray>("job");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<QString>("translation"); // what the title lookup answers
    QTest::addColumn<bool>("defined");
    QTest::addColumn<QString>("title");

    QTest::newRow("defined") << QByteArray("STATUS_MESSWERTE") << QByteArray("STAT_OEL_WERT") << "Oel long"
                             << true << "Oil";
    QTest::newRow("defined, mixed case") << QByteArray("Status_Messwerte") << QByteArray("STAT_BPSCD_pOutVal_WERT")
                                         << QString() << true << "Rail";
    QTest::newRow("undefined, translated") << QByteArray("STATUS_MESSWERTE") << QByteArray("STAT_LOAD_WERT")
                                           << "Engine load" << false << "Engine load";
    QTest::newRow("undefined, stripped") << QByteArray("STATUS_MESSWERTE") << QByteArray("STAT_Ladedruck_WERT")
                                         << QString() << false << "Ladedruck";
    QTest::newRow("undefined, plain name") << QByteArray("STATUS_MESSWERTE") << QByteArray("IDENT") << QString()
                                           << false << "IDENT";
    QTest::newRow("other job of a defined result") << QByteArray("STATUS_OTHER") << QByteArray("STAT_OEL_WERT")
                                                   << QString() << false << "OEL";
}

void TestGaugeList::definitions()
{
    QFETCH(QByteArray, job);
    QFETCH(QByteArray, result);
    QFETCH(QString, translation);
    QFETCH(bool, defined);
    QFETCH(QString, title);

    WorkDir wd;
    QVERIFY(wd.write("gauges/MSV70/definitions.txt", msv70Defs));
    GaugeDefManager manager;
    manager.reload();
    QStringList asked;
    const auto lookup = [&](const QString &name) {
        asked << name;
        return translation;
    };
    const GaugeList list = GaugeListBuilder::build({pair("MSV70", job.constData(), result.constData())}, manager,
                                                   GaugeListBuilder::plotWindowDefaults(), lookup);
    QCOMPARE(list.entries.size(), 1);
    const GaugeListEntry &entry = list.entries.first();
    QCOMPARE(entry.pair.resultName, result.toStdString());
    QCOMPARE(entry.autoScale, !defined);
    QCOMPARE(entry.def.title, title);
    if (defined) {
        QVERIFY(asked.isEmpty());
        QCOMPARE(entry.def.name, title == "Oil" ? QString("OIL") : QString("RPM"));
        QVERIFY(entry.def.max > 1);
        return;
    }
    // The look-up gets the upper-cased name, as the translations hold it.
    QCOMPARE(asked, QStringList{QString::fromLatin1(result).toUpper()});
    QCOMPARE(entry.def.jobName, QString::fromLatin1(job).toUpper());
    QCOMPARE(entry.def.resultName, QString::fromLatin1(result).toUpper());
    QCOMPARE(entry.def.unit, QString("-"));
    QCOMPARE(entry.def.min, 0.0);
    QCOMPARE(entry.def.max, 1.0);
    QCOMPARE(entry.def.needleColor, QColor("#157DEC"));
    QCOMPARE(entry.def.color, QColor("#ff7f00"));
    QCOMPARE(entry.def.fillColor, QColor("#000000"));
    QCOMPARE(entry.def.textColor, QColor("#ffffff"));
    QCOMPARE(entry.def.titleColor, QColor("#FFFFFF"));
    QCOMPARE(entry.def.decimals, -1);
    QCOMPARE(entry.def.conversionFactor, 1.0);
}

void TestGaugeList::groupsByEcuInFirstSeenOrder()
{
    WorkDir wd;
    QVERIFY(wd.write("gauges/MSV70/definitions.txt", msv70Defs));
    GaugeDefManager manager;
    manager.reload();
    // The same result of another ECU does not take MSV70's definition.
    const QList<CJobResultPair> in = {pair("MSV70", "STATUS_MESSWERTE", "STAT_OEL_WERT"),
                                      pair("D73N57C0", "STATUS_MESSWERTE", "STAT_OEL_WERT"),
                                      pair("MSV70", "STATUS_MESSWERTE", "STAT_X_WERT"),
                                      pair("", "PLX_SERIAL_REALTIME", "AFR")};
    const GaugeList list = GaugeListBuilder::build(in, manager, GaugeListBuilder::plotWindowDefaults());
    QCOMPARE(list.columns, 2);
    QCOMPARE(list.entries.size(), 4);
    QCOMPARE(list.entries[0].pair.job.ecuName, std::string("MSV70"));
    QCOMPARE(list.entries[0].def.title, QString("Oil"));
    QCOMPARE(list.entries[1].pair.resultName, std::string("STAT_X_WERT"));
    QCOMPARE(list.entries[1].autoScale, true);
    QCOMPARE(list.entries[2].pair.job.ecuName, std::string("D73N57C0"));
    QCOMPARE(list.entries[2].autoScale, true);
    QCOMPARE(list.entries[2].def.title, QString("OEL"));
    QCOMPARE(list.entries[3].pair.job.jobName, std::string("PLX_SERIAL_REALTIME"));
    QCOMPARE(list.entries[3].def.title, QString("AFR"));
}

QTEST_MAIN(TestGaugeList)
#include "tst_gaugelist.moc"
