#include "bivtopoconverter.h"
#include "filesizelimit.h"
#include "kelvosettings.h"
#include "lreleasetool.h"
#include "translationmgr.h"
#include "workdir.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTextStream>
#include <QtTest>

class TestBivToPoConverter : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void goldenPoFile();
    void emptyAndShortLines_data();
    void emptyAndShortLines();
    void unreadableInputGivesHeaderOnly();
    void unwritableOutputWritesNothing();
    void failedWriteReported();
    void randomTablesThroughLrelease();
};

static const char Header[] = "msgid \"\"\n"
                             "msgstr \"\"\n"
                             "\"MIME-Version: 1.0\\n\"\n"
                             "\"Project-Id-Version: \\n\"\n"
                             "\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                             "\"Content-Transfer-Encoding: 8bit\\n\"\n"
                             "\"Plural-Forms: nplurals=2; plural=(n != 1);\\n\"\n"
                             "\"Language: de_DE\\n\"\n"
                             "\"X-Qt-Contexts: true\\n\"\n"
                             "\n";

// Builds "translations/jobs_all_<suffix>.qm" from table lines through the
// converter and lrelease, as a user of the "translate" mode would.
static void makeCatalogue(const WorkDir &wd, const QString &suffix, const QByteArray &table)
{
    const QString base = QStringLiteral("translations/jobs_all_") + suffix;
    QVERIFY(wd.write(base + ".txt", table));
    BivToPoConverter conv;
    conv.convert(wd.filePath(base + ".txt"), wd.filePath(base + ".po"));
    QString log;
    QVERIFY2(LReleaseTool::compile(wd.filePath(base + ".po"), wd.filePath(base + ".qm"), &log), qPrintable(log));
}

void TestBivToPoConverter::initTestCase()
{
    QVERIFY2(!LReleaseTool::path().isEmpty(), "lrelease (qttools5-dev-tools) is needed");
}

void TestBivToPoConverter::goldenPoFile()
{
    WorkDir wd;
    QVERIFY(wd.write("t.txt", "STAT_A\tRES_L\tTemperatur \"fast\"\textra\r\n"
                              "\n"
                              "STAT_\"Q\"\\X\tRES_S\tback\\slash \xc3\x84\n"
                              "JOB_X\tJOB_S\t\n"));
    BivToPoConverter conv;
    conv.convert(wd.filePath("t.txt"), wd.filePath("t.po"));
    const QByteArray expected = QByteArray(Header) +
                                "# \n"
                                "msgctxt \"RES_L|\"\n"
                                "msgid \"STAT_A\"\n"
                                "msgstr \"Temperatur 'fast'\"\n"
                                "\n"
                                "# \n"
                                "msgctxt \"RES_S|\"\n"
                                "msgid \"STAT_\\\"Q\\\"\\\\X\"\n"
                                "msgstr \"back\\\\slash \xc3\x84\"\n"
                                "\n"
                                "# \n"
                                "msgctxt \"JOB_S|\"\n"
                                "msgid \"JOB_X\"\n"
                                "msgstr \"\"\n"
                                "\n";
    QCOMPARE(wd.read("t.po"), expected);

    // lrelease takes it, and the quote and the backslash survive.
    QString log;
    QVERIFY2(LReleaseTool::compile(wd.filePath("t.po"), wd.filePath("t.qm"), &log), qPrintable(log));
    QTranslator tr;
    QVERIFY(tr.load(wd.filePath("t.qm")));
    QCOMPARE(tr.translate("RES_L", "STAT_A"), QStringLiteral("Temperatur 'fast'"));
    QCOMPARE(tr.translate("RES_S", "STAT_\"Q\"\\X"), QString::fromUtf8("back\\slash \xc3\x84"));
    QCOMPARE(tr.translate("JOB_S", "JOB_X"), QString());
}

void TestBivToPoConverter::emptyAndShortLines_data()
{
    QTest::addColumn<QByteArray>("table");
    QTest::addColumn<int>("entries");
    QTest::newRow("only empty lines") << QByteArray("\n\n\r\n") << 0;
    QTest::newRow("empty file") << QByteArray() << 0;
    QTest::newRow("two fields skipped") << QByteArray("A\tRES_L\nB\tRES_L\tb\n") << 1;
    QTest::newRow("one field skipped") << QByteArray("A\nB\tRES_L\tb\n") << 1;
    QTest::newRow("empty source skipped") << QByteArray("\tRES_L\tnothing\nB\tRES_L\tb\n") << 1;
    QTest::newRow("no line end") << QByteArray("B\tRES_L\tb") << 1;
}

void TestBivToPoConverter::emptyAndShortLines()
{
    QFETCH(QByteArray, table);
    QFETCH(int, entries);
    WorkDir wd;
    QVERIFY(wd.write("t.txt", table));
    BivToPoConverter conv;
    conv.convert(wd.filePath("t.txt"), wd.filePath("t.po"));
    const QByteArray po = wd.read("t.po");
    QVERIFY(po.startsWith(Header));
    QCOMPARE(po.count("msgctxt"), entries);
    if (entries == 0)
        QCOMPARE(po, QByteArray(Header));
}

void TestBivToPoConverter::unreadableInputGivesHeaderOnly()
{
    WorkDir wd;
    BivToPoConverter conv;
    conv.convert(wd.filePath("missing.txt"), wd.filePath("out.po"));
    QCOMPARE(wd.read("out.po"), QByteArray(Header));
}

void TestBivToPoConverter::unwritableOutputWritesNothing()
{
    WorkDir wd;
    QVERIFY(wd.write("t.txt", "A\tRES_L\ta\n"));
    BivToPoConverter conv;
    conv.convert(wd.filePath("t.txt"), wd.filePath("no/such/dir/out.po"));
    QVERIFY(!QFile::exists(wd.filePath("no/such/dir/out.po")));
}

void TestBivToPoConverter::failedWriteReported()
{
    WorkDir wd;
    QVERIFY(wd.write("t.txt", "A\tRES_L\ta\n"));
    BivToPoConverter conv;
    QVERIFY(conv.convert(wd.filePath("t.txt"), wd.filePath("t.po")));
    const QByteArray old = wd.read("t.po");
    QCOMPARE(old.count("msgctxt"), 1);

    // A disk that fills up half-way: no file of this process may grow past
    // 4 KB for a moment.
    QByteArray big;
    for (int i = 0; i < 500; ++i)
        big += "NAME_" + QByteArray::number(i) + "\tRES_L\tText " + QByteArray::number(i) + "\n";
    QVERIFY(wd.write("big.txt", big));
    bool converted = true;
    {
        FileSizeLimit limit(4096);
        QVERIFY(limit.ok());
        converted = conv.convert(wd.filePath("big.txt"), wd.filePath("t.po"));
    }
    QVERIFY(!converted);
    QCOMPARE(wd.read("t.po"), old);
}

static QString randomText(QRandomGenerator &rng, int minLen, int maxLen, bool startWithLetter)
{
    static const QString alphabet = QString::fromUtf8("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_[]. \"\\'|#%äöüÄÖÜß€");
    const int len = minLen + int(rng.bounded(maxLen - minLen + 1));
    QString s;
    for (int i = 0; i < len; ++i)
        s += alphabet.at(int(rng.bounded(alphabet.size())));
    if (startWithLetter)
        s[0] = QLatin1Char('A' + char(rng.bounded(26)));
    return s;
}

void TestBivToPoConverter::randomTablesThroughLrelease()
{
    static const char *const contexts[] = {RES_L, RES_S, JOB_S};
    QRandomGenerator rng(20170626);
    for (int round = 0; round < 5; ++round) {
        WorkDir wd;
        struct Entry {
            QString context, source, translation;
        };
        QList<Entry> entries;
        QSet<QString> seen;
        QString table;
        const int lines = 1 + int(rng.bounded(200));
        for (int i = 0; i < lines; ++i) {
            Entry e;
            e.context = QString::fromLatin1(contexts[rng.bounded(3)]);
            e.source = randomText(rng, 1, 30, true);
            e.translation = randomText(rng, 1, 40, true);
            if (seen.contains(e.context + '\n' + e.source))
                continue;
            seen.insert(e.context + '\n' + e.source);
            entries << e;
            table += e.source + '\t' + e.context + '\t' + e.translation + '\n';
            if (rng.bounded(10) == 0)
                table += '\n';
        }
        makeCatalogue(wd, QStringLiteral("xx"), table.toUtf8());
        QTranslator tr;
        QVERIFY(tr.load(wd.filePath("translations/jobs_all_xx.qm")));
        for (const Entry &e : entries) {
            QString expected = e.translation;
            expected.replace('"', '\'');
            QCOMPARE(tr.translate(e.context.toLatin1().constData(), e.source.toUtf8().constData()), expected);
            // Only under its own context.
            for (const char *other : contexts) {
                if (e.context != QLatin1String(other) && !seen.contains(QLatin1String(other) + '\n' + e.source))
                    QCOMPARE(tr.translate(other, e.source.toUtf8().constData()), QString());
            }
        }
    }
}

QTEST_MAIN(TestBivToPoConverter)
#include "tst_bivtopoconverter.moc"
