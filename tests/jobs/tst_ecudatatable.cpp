// The built-in tables as the registry carries them, their switching on by
// files in "ecudata", and the grouping of rows by telegram.
#include "cjob.h"
#include "ecudatasolver.h"
#include "ecudatatable.h"
#include "ecudatatableregistry.h"
#include "workdir.h"

#include <QtTest>

namespace {

const QStringList allKeys = {"ME72KWP1", "DM338DS0", "DM338DS1", "MS410DS1", "MS410DS3", "MS420DS0", "MS430DS0",
                             "DM528DS3", "DM528DS0", "DM524DS0", "BMSS501", "M60_338D", "MSS54DS0", "MSS52DS0",
                             "MSS52DS1", "DM5212R5", "DM5212L5", "MS411DS1", "ME9K_NG4", "D73N57C0", "MRMA24"};

void switchOn(const WorkDir &wd, const QStringList &keys)
{
    for (const QString &key : keys)
        QVERIFY(wd.write(QStringLiteral("ecudata/%1_DATATABLE").arg(key), QByteArray()));
}

CJob job(const char *ecu, const char *telegram)
{
    CJob j;
    j.ecuName = ecu;
    j.telegram = telegram;
    return j;
}

QStringList names(const QList<ResultInfoRow> &rows)
{
    QStringList n;
    for (const ResultInfoRow &r : rows)
        n << r.NAME;
    return n;
}

} // namespace

class TstEcuDataTable : public QObject
{
    Q_OBJECT
private slots:
    void registryHoldsExactlyTheBuiltInTables();
    void builtInTable_data();
    void builtInTable();
    void knownRows_data();
    void knownRows();
    void mrma24();
    void me9kGroupedAsListed();
    void oddTelegrams();
    void switchFiles();
    void noEcudataFolder();
    void textFormat();
};

void TstEcuDataTable::registryHoldsExactlyTheBuiltInTables()
{
    QStringList expected;
    for (const QString &k : allKeys)
        expected << k + QStringLiteral("_DATATABLE");
    expected.sort();
    QCOMPARE(EcuDataTableRegistry::instance()->keys(), expected);
    QVERIFY(!EcuDataTableRegistry::instance()->contains(QStringLiteral("MRMA24")));
    EcuDataTableRegistry::destroy();
    QCOMPARE(EcuDataTableRegistry::instance()->keys().size(), 21);
}

void TstEcuDataTable::builtInTable_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("switchedOff");
    QTest::addColumn<int>("groups");
    QTest::addColumn<QString>("codes");
    QTest::newRow("ME72KWP1") << "ME72KWP1" << 145 << 0 << 20 << QString("1:60,2:22,3:6,4:1,5:28,6:10,7:17");
    QTest::newRow("DM338DS0") << "DM338DS0" << 50 << 6 << 25 << QString("2:43,5:7");
    QTest::newRow("DM338DS1") << "DM338DS1" << 50 << 6 << 25 << QString("2:43,5:7");
    QTest::newRow("MS410DS1") << "MS410DS1" << 31 << 0 << 9 << QString("2:18,4:1,5:11,7:1");
    QTest::newRow("MS410DS3") << "MS410DS3" << 31 << 0 << 9 << QString("2:18,4:1,5:11,7:1");
    QTest::newRow("MS420DS0") << "MS420DS0" << 48 << 1 << 7 << QString("2:29,3:2,5:10,7:7");
    QTest::newRow("MS430DS0") << "MS430DS0" << 175 << 0 << 43 << QString("0:15,2:53,3:8,5:88,7:11");
    QTest::newRow("DM528DS3") << "DM528DS3" << 141 << 24 << 16 << QString("1:98,2:15,4:17,5:11");
    QTest::newRow("DM528DS0") << "DM528DS0" << 153 << 12 << 16 << QString("1:98,2:19,4:25,5:11");
    QTest::newRow("DM524DS0") << "DM524DS0" << 30 << 0 << 9 << QString("2:18,4:2,5:9,7:1");
    QTest::newRow("BMSS501") << "BMSS501" << 27 << 2 << 1 << QString("2:16,5:9,7:2");
    QTest::newRow("M60_338D") << "M60_338D" << 50 << 6 << 25 << QString("2:43,5:7");
    QTest::newRow("MSS54DS0") << "MSS54DS0" << 106 << 0 << 6 << QString("2:11,5:68,7:27");
    QTest::newRow("MSS52DS0") << "MSS52DS0" << 77 << 0 << 6 << QString("2:11,5:39,7:27");
    QTest::newRow("MSS52DS1") << "MSS52DS1" << 79 << 0 << 6 << QString("2:11,5:41,7:27");
    QTest::newRow("DM5212R5") << "DM5212R5" << 57 << 4 << 11 << QString("2:20,3:1,4:26,5:9,7:1");
    QTest::newRow("DM5212L5") << "DM5212L5" << 57 << 4 << 11 << QString("2:20,3:1,4:26,5:9,7:1");
    QTest::newRow("MS411DS1") << "MS411DS1" << 33 << 0 << 11 << QString("2:18,4:1,5:13,7:1");
    QTest::newRow("ME9K_NG4") << "ME9K_NG4" << 207 << 0 << 41 << QString("1:1,2:45,3:32,5:97,7:31");
    QTest::newRow("D73N57C0") << "D73N57C0" << 6 << 0 << 3 << QString("5:6");
    QTest::newRow("MRMA24") << "MRMA24" << 11 << 4 << 1 << QString("2:11");
}

void TstEcuDataTable::builtInTable()
{
    QFETCH(QString, key);
    QFETCH(int, rows);
    QFETCH(int, switchedOff);
    QFETCH(int, groups);
    QFETCH(QString, codes);

    WorkDir wd;
    switchOn(wd, allKeys);
    EcuDataSolver solver;
    QVERIFY(solver.loadTables());
    QCOMPARE(solver.tableNames().size(), 21);
    EcuDataTable *table = solver.tableByName(key);
    QVERIFY(table);
    QCOMPARE(table->name(), key);
    QCOMPARE(table->rows.size(), rows);
    QCOMPARE(table->telegrams().size(), groups);

    const QString text = EcuDataTableRegistry::instance()->tableText(key + QStringLiteral("_DATATABLE"));
    QCOMPARE(text.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^!!!"))).size(), switchedOff);

    // Every row has 17 fields, and each data-type code has its known row count.
    QMap<int, int> byCode;
    int grouped = 0;
    for (const QString &tel : table->telegrams()) {
        CJob j = job("", tel.toLatin1().constData());
        auto group = table->rowsForTelegram(j);
        QVERIFY(group);
        grouped += group->size();
    }
    QCOMPARE(grouped, rows);
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        QCOMPARE(fields.size(), 17);
        if (!line.startsWith(QLatin1String("!!!")) && fields.at(6) != QLatin1String("DATA_TYPE"))
            ++byCode[fields.at(6).toInt()];
    }
    QStringList got;
    for (auto it = byCode.cbegin(); it != byCode.cend(); ++it)
        got << QStringLiteral("%1:%2").arg(it.key()).arg(it.value());
    QCOMPARE(got.join(QLatin1Char(',')), codes);
}

void TstEcuDataTable::knownRows_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("BMSS501 x_N") << "BMSS501" << QStringList{"x_N", "12050B03", "0", "0", "0", "3", "5", "--", "1", "0", "0", "0", "5.1", "1/min", " ", "STATUS_MOTORDREHZAHL", "RPM"};
    QTest::newRow("MRMA24 BATT") << "MRMA24" << QStringList{"BATT", "8212F321A1", "0", "0", "0", "5", "2", "--", "0,08139", "0", "0", "0", "3.6", "V", " ", "STATUS_UBATT", "Battery"};
    QTest::newRow("MRMA24 cTCO") << "MRMA24" << QStringList{"cTCO", "8212F321A1", "0", "0", "0", "8", "2", "--", "6.0278", "302.78", "0", "0", "3.6", "mV", " ", "STATUS_LAMBDA", "Lambda"};
    QTest::newRow("D73N57C0 LADEDRUCK") << "D73N57C0" << QStringList{"LADEDRUCK", "8412F12C10076D", "0", "0", "0", "5", "5", "--", "0.091554", "0", "0", "0", "6.6", "hPa", " ", "STATUS_LADEDRUCK_IST", "STAT_LADEDRUCK_WERT"};
    QTest::newRow("DM5212R5 ML") << "DM5212R5" << QStringList{"ML", "12050B03", "", "", "", "3", "4", "", "0.25", "0", "0", "0", "6.2", "kg/h", "", "ML", "Luftmassendurchsatz"};
    QTest::newRow("DM5212R5 TE1") << "DM5212R5" << QStringList{"TE1", "12050B03", "", "", "", "7", "4", "", "0.00534", "0", "0", "0", "6.2", "ms", "", "TE1", "Einspritzzeit"};
    QTest::newRow("MSS52DS0 mw_add1") << "MSS52DS0" << QStringList{"mw_add1", "12050B06", "04", "0", "0x00", "11", "7", "--", "0.002", "0", "0x00", "0x00", "6.2", "ms", " ", "ADD", "Adaption Additive Bank 1"};
    QTest::newRow("ME72KWP1 RKRN_W0") << "ME72KWP1" << QStringList{"RKRN_W0", "B812F103224000", "", "0", "", "33", "5", "--", "0.019531", "0", "0", "0", "3.3", "V", " ", "ZYL1_KLOPF", "Knock sensor Cyl.1"};
    QTest::newRow("ME72KWP1 NW_B1_FL1") << "ME72KWP1" << QStringList{"NW_B1_FL1", "B812F103224006", "7", "3", "0x38301C", "5", "6", "--", "0.0039062", "0", "0", "0", "3.3", "GradKW", " ", "", "Adaptionswinkel NW-B1 Flanke 1"};
    QTest::newRow("DM528DS0 S_ESTART") << "DM528DS0" << QStringList{"S_ESTART", "12050B04", "", "", "", "3", "1", "--", "1", "0", "0x10", "0x10", "1.0", "", "", "S_ESTART", "Eingang Start"};
    QTest::newRow("MS430DS0 ECTPWM") << "MS430DS0" << QStringList{"ECTPWM", "1206228300", "0", "0", "0", "0", "0", "--", "0,3922", "0", "0", "0", "1.0", "%", " ", "STEUERN_KF_THERMOSTAT", ""};
}

void TstEcuDataTable::knownRows()
{
    // The rows whose calibration is known stand in the tables field for field.
    QFETCH(QString, key);
    QFETCH(QStringList, fields);
    QCOMPARE(fields.size(), 17);
    const QStringList lines = EcuDataTableRegistry::instance()->tableText(key + "_DATATABLE").split('\n');
    QVERIFY(lines.contains(fields.join('\t')));
}

void TstEcuDataTable::mrma24()
{
    WorkDir wd;
    switchOn(wd, {"MRMA24"});
    EcuDataSolver solver;
    solver.loadTables();
    CJob j = job("MRMA24_SERIAL", "8212F321A1");
    EcuDataTable *table = solver.getEcuDataTable(j);
    QVERIFY(table);
    QCOMPARE(table->name(), QStringLiteral("MRMA24"));
    QCOMPARE(table->telegrams(), QStringList{"8212F321A1"});
    QCOMPARE(names(table->rows), QStringList({"BATT", "MAF_MES", "MAF_MES_RAW", "TIA", "TIA_RAW", "cTCO", "xIGA_1",
                                              "TI_BANK_1", "ISAPWM_IS", "NW_POS", "LAM_11"}));
    // The switched-off "!!!N" line is skipped, the line after it is loaded.
    const QStringList lines = EcuDataTableRegistry::instance()->tableText("MRMA24_DATATABLE").split('\n');
    const int off = lines.indexOf(QRegularExpression(QStringLiteral("^!!!N\t.*")));
    QVERIFY(off > 0);
    QCOMPARE(lines.at(off + 1).section('\t', 0, 0), QStringLiteral("MAF_MES"));
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^!!!"))).size(), 4);

    QList<ResultInfoRow> rows;
    QVERIFY(table->getResultsByTelegram(j, rows));
    QVERIFY(table->getResultsByTelegram(j, rows)); // appends
    QCOMPARE(rows.size(), 22);
    const ResultInfoRow &batt = rows.first();
    QCOMPARE(batt.TELEGRAM, QStringLiteral("8212F321A1"));
    QCOMPARE(batt.BYTE, QStringLiteral("5"));
    QCOMPARE(batt.DATA_TYPE, QStringLiteral("2"));
    QCOMPARE(batt.FACT_A, QStringLiteral("0,08139"));
    QCOMPARE(batt.RANGE, QStringLiteral(" "));
    QCOMPARE(batt.JOBNAME, QStringLiteral("STATUS_UBATT"));
    QCOMPARE(batt.LNAME, QStringLiteral("Battery"));
    QCOMPARE(batt.ANZ, QStringLiteral("3.6"));
}

void TstEcuDataTable::me9kGroupedAsListed()
{
    const QList<QPair<QString, QString>> listing = {
        {"TELEGRAM", "NAME"},
        {"B812F10221C1", "KVA_KORR"},
        {"B812F103224000", "TI_W,FR_W,FR2_W,VFZG,NMOT_W,NSOL,WNWI_0,WNWI_1,TANS,TMOT,ZWOUT,WDKBA,MSHFM_W,MIIST_W,UB,UPWG_W,TKA,RKRN_W_0,RKRN_W_1,RKRN_W_2,RKRN_W_3,RKRN_W_4,RKRN_W_5,RKRN_W_6,RKRN_W_7"},
        {"B812F103224001", "DFMONITOR"},
        {"B812F103224003", "LUTSFI1,LUTSFI2,LUTSFI3,LUTSFI4,LUTSFI5,LUTSFI6,LUTSFI7,LUTSFI8,B_FOR11,USVK,USVK2"},
        {"B812F103224004", "RKAT,RKAT2,FRA,FRA2,TEDUB,TEDUB2,DYNLSU,DYNLSU2,LAMSONI,LAMSONI2"},
        {"B812F103224005", "TATEIST,VSASPRI,VSASPRI2,VSESPRI,VSESPRI2,VSATV,VSATV2,VSETV,VSETV2,TAML"},
        {"B812F103224006", "VSAADP,VSAADP2,VSEADP,VSEADP2,VSAADPFL0,VSAADPFL1,VSAADPFL2,VSAADPFL3,VSAADP2FL0,VSAADP2FL1,VSAADP2FL2,VSAADP2FL3,VSEADPFL0,VSEADPFL1,VSEADPFL2,VSEADPFL3,VSEADP2FL0,VSEADP2FL1,VSEADP2FL2,VSEADP2FL3"},
        {"B812F103224008", "MSNDKO,FKMSDKA,FKMSDK"},
        {"B812F10322400B", "VVTSW,VVTIW,VVTTV,VVTES,VVTSW2,VVTIW2,VVTTV2,VVTES2"},
        {"B812F10322400C", "BKRDWS,DMVAD,DPS,DPSRAUS,FKMSVVT,FPRSTEP,LRNSTEP,MSNVVTO,NNW10,NNW11,NNW12,NNW20,NNW21,NNW22"},
        {"B812F10322400D", "NSOLFASTA,RL,RLSOL,TE,TE2,VVTSTATUS,WDKBAFASTA,WDKS,WPED,ZWIST,BMIL,DMLLRI,MIMIN"},
        {"B812F10322400E", "MDGEN,MDKO,DMRLLR,BFS,MDWAN,DWKR,DZWS,DFFGEN,TUMG,DMVADFS,DMVADKO,DLAHI,DLAHI2,RINH,RINH2,RKATS,DPSSOL"},
        {"B812F10322400f", "CO_POT,UPWG,MINHUB,GVIST,FTBR,FHO,FTVDK,MSNVVTOLL"},
        {"B812F10322400F", "VSE_SPRS,VSE2SPRS,VSA_SPRS,VSA2SPRS"},
        {"B812F103224010", "BATMTPA,BATMTPK,EVHUBI,EVHUBI2,EVHUBS,BKH,BNSUB,BTE,DFSERESZ,DMVADFK,DMVADLL,EXWINKI,EXWINKI2,EXWINKS,B_FE"},
        {"B812F103224011", "FKMSVVTA,FOFRESZ,MSDIF,TABGM,TNSE,OZRWPERM,OZRWKVB,OZPERMLOW,OZPERMEX,OZPERMOFF,OZKVBOG,OZPERMBOG"},
        {"B812F103224012", "NADMTLL,NTGLM,NTKLM,NDIPFRO,NKFL"},
        {"B812F103304101", "WTSG"},
        {"B812F103304501", "USHK2,USHK2_14"},
        {"B812F103304601", "UPWG1"},
        {"B812F103304701", "UPWG2"},
        {"B812F103304801", "USHK,USHK_14"},
        {"B812F103304A01", "WUB"},
        {"B812F103304C01", "UDKP2"},
        {"B812F103304D01", "UDKP1V"},
        {"B812F103304E01", "UDKP1"},
        {"B812F103304F01", "UHFM"},
        {"B812F103305001", "WTMOT"},
        {"B812F103305101", "WTANS"},
        {"B812F103305201", "WTKA"},
        {"B812F103305C01", "UHSV"},
        {"B812F103305D01", "UHSV2"},
        {"B812F103305E01", "UHSH"},
        {"B812F103305F01", "UHSH2"},
        {"B812F103306901", "WTOL"},
        {"B812F103306D01", "DISA"},
        {"B812F103306F01", "UDDSS"},
        {"B812F103307001", "UDSU"},
        {"B812F10330A101", "DNLLMV,DNSACMV,DNSLBV,DNFSACMV,DNFSMV"},
        {"", "ENDE"},
    };
    WorkDir wd;
    switchOn(wd, {"ME9K_NG4"});
    EcuDataSolver solver;
    solver.loadTables();
    EcuDataTable *table = solver.tableByName("ME9K_NG4");
    QVERIFY(table);
    QCOMPARE(table->rows.size(), 207);
    QStringList telegrams;
    QStringList allNames;
    for (const auto &group : listing) {
        telegrams << group.first;
        const QStringList expected = group.second.split(',');
        allNames << expected;
        CJob j = job("ME9K_NG4_SERIAL", group.first.toLatin1().constData());
        auto rows = table->rowsForTelegram(j);
        QVERIFY2(rows, qPrintable(group.first));
        QCOMPARE(names(*rows), expected);
    }
    QCOMPARE(table->telegrams(), telegrams);
    QCOMPARE(names(table->rows), allNames);

    // The header line is a row of the column names.
    const ResultInfoRow &header = table->rows.first();
    QCOMPARE(header.TELEGRAM, QStringLiteral("TELEGRAM"));
    QCOMPARE(header.BYTE, QStringLiteral("BYTE"));
    QCOMPARE(header.LNAME, QStringLiteral("LNAME"));
    QCOMPARE(table->rows.last().NAME, QStringLiteral("ENDE"));
    QCOMPARE(table->rows.last().TELEGRAM, QString());
}

void TstEcuDataTable::oddTelegrams()
{
    WorkDir wd;
    switchOn(wd, {"DM338DS0", "MS430DS0", "BMSS501", "DM524DS0"});
    EcuDataSolver solver;
    solver.loadTables();
    EcuDataTable *dm = solver.tableByName("DM338DS0");
    QVERIFY(dm);
    CJob lower = job("DM338DS0_SERIAL", "12090b020e000003");
    CJob upper = job("DM338DS0_SERIAL", "12090B020E000003");
    QVERIFY(dm->rowsForTelegram(lower));
    QCOMPARE(dm->rowsForTelegram(lower)->first().NAME, QStringLiteral("_DIS"));
    // Lookup is exact: another letter case finds nothing.
    QVERIFY(!dm->rowsForTelegram(upper));
    QList<ResultInfoRow> rows;
    QVERIFY(!dm->getResultsByTelegram(upper, rows));
    QVERIFY(rows.isEmpty());
    CJob odd = job("DM338DS0_SERIAL", "12060B020");
    QCOMPARE(dm->rowsForTelegram(odd)->first().NAME, QStringLiteral("_LMM_V"));

    EcuDataTable *ms = solver.tableByName("MS430DS0");
    CJob x = job("MS430DS0_SERIAL", "120722Bx0000");
    QCOMPARE(names(*ms->rowsForTelegram(x)), QStringList({"TI_DS2", "TP_TI_DS2"}));

    // Names keep their trailing blanks.
    EcuDataTable *bm = solver.tableByName("BMSS501");
    QVERIFY(names(bm->rows).contains(QStringLiteral("xEX_VAN ")));
    QCOMPARE(solver.tableByName("DM524DS0")->rows.last().NAME, QStringLiteral("xKNOCK_2 "));
}

void TstEcuDataTable::switchFiles()
{
    WorkDir wd;
    QVERIFY(wd.write("ecudata/MS430DS0_DATATABLE", "whatever is inside is not read\n"));
    QVERIFY(wd.write("ecudata/FOO_DATATABLE", ""));
    QVERIFY(wd.write("ecudata/_DATATABLE", ""));
    QVERIFY(wd.write("ecudata/MRMA24_DATATABLE.txt", "")); // does not match the filter
    QVERIFY(wd.write("ecudata/notes.txt", ""));
    QVERIFY(QDir().mkpath("ecudata/D73N57C0_DATATABLE")); // any kind of entry
    EcuDataSolver solver;
    QVERIFY(solver.loadTables());
    QCOMPARE(solver.tableNames(), QStringList({"D73N57C0", "FOO", "MS430DS0"}));
    QCOMPARE(solver.tableByName("MS430DS0")->rows.size(), 175);
    QCOMPARE(solver.tableByName("D73N57C0")->rows.size(), 6);
    QCOMPARE(solver.tableByName("FOO")->rows.size(), 0);
    QVERIFY(!solver.tableByName("MRMA24"));

    CJob ms = job("MS430DS0_SERIAL", "12050B03");
    QCOMPARE(solver.getEcuDataTable(ms), solver.tableByName("MS430DS0"));
    CJob plain = job("MS430DS0", "12050B03");
    QCOMPARE(solver.getEcuDataTable(plain), solver.tableByName("MS430DS0"));
    CJob lower = job("ms430ds0_serial", "12050B03");
    QVERIFY(!solver.getEcuDataTable(lower));

    CJob foo = job("FOO_SERIAL", "12050B03");
    QList<ResultInfoRow> rows;
    QVERIFY(!solver.getEcuDataTable(foo)->getResultsByTelegram(foo, rows));

    solver.clearTables();
    QVERIFY(solver.tableNames().isEmpty());
    QVERIFY(!solver.getEcuDataTable(ms));
    solver.loadTables();
    solver.loadTables(); // a reload replaces, it does not add
    QCOMPARE(solver.tableNames().size(), 3);
    QCOMPARE(solver.tableByName("MS430DS0")->rows.size(), 175);
}

void TstEcuDataTable::noEcudataFolder()
{
    WorkDir wd;
    EcuDataSolver solver;
    QVERIFY(solver.loadTables());
    QVERIFY(solver.tableNames().isEmpty());
    CJob j = job("MRMA24_SERIAL", "8212F321A1");
    QVERIFY(!solver.getEcuDataTable(j));
}

void TstEcuDataTable::textFormat()
{
    EcuDataTable table(QStringLiteral("T"));
    const QString rest = QStringLiteral("\t0\t0\t0\t3\t2\t--\t1\t0\t0\t0\t6.0\tV\t \tJA\tLA");
    const QString text = QStringLiteral("A\tT1") + rest + "\r\n"
                         + "!!!OFF\tT1\n"
                         + "SHORT\tT2\t0\n" // fewer fields: the rest stay empty
                         + "B\tT1" + rest + "\tX\tY\n" // more fields: the first 17
                         + "\r\n" // an empty line ends the table
                         + "C\tT1" + rest + "\n";
    table.loadText(text);
    QCOMPARE(names(table.rows), QStringList({"A", "SHORT", "B"}));
    QCOMPARE(table.rows.at(0).LNAME, QStringLiteral("LA"));
    QCOMPARE(table.rows.at(1).TELEGRAM, QStringLiteral("T2"));
    QCOMPARE(table.rows.at(1).BYTE, QString());
    QCOMPARE(table.rows.at(1).LNAME, QString());
    QCOMPARE(table.rows.at(2).LNAME, QStringLiteral("LA"));
    QCOMPARE(table.telegrams(), QStringList({"T1", "T2"}));

    EcuDataTable unknown(QStringLiteral("NONE"));
    QVERIFY(unknown.loadTable(QStringLiteral("/nowhere/NONE_DATATABLE")));
    QVERIFY(unknown.rows.isEmpty());
}

QTEST_GUILESS_MAIN(TstEcuDataTable)
#include "tst_ecudatatable.moc"
