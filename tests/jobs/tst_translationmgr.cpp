#include "cjob.h"
#include "cjobresultpair.h"
#include "kelvosettings.h"
#include "lreleasetool.h"
#include "translationmgr.h"
#include "workdir.h"

#include <QtTest>

class TestTranslationMgr : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void localeFallbacks_data();
    void localeFallbacks();
    void resultTranslation();
    void instanceReadsLocaleOnce();
};

// Builds "translations/jobs_all_<suffix>.qm" from table lines through the
// converter and lrelease, as a user of the "translate" mode would.
static void makeCatalogue(const WorkDir &wd, const QString &suffix, const QByteArray &table)
{
    const QString base = QStringLiteral("translations/jobs_all_") + suffix;
    QVERIFY(wd.write(base + ".txt", table));
    QString log;
    QVERIFY2(LReleaseTool::compileTable(wd.filePath(base + ".txt"), &log), qPrintable(log));
}

void TestTranslationMgr::initTestCase()
{
    QVERIFY2(!LReleaseTool::path().isEmpty(), "lrelease (qttools5-dev-tools) is needed");
}

void TestTranslationMgr::localeFallbacks_data()
{
    QTest::addColumn<QStringList>("catalogues");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("exact") << QStringList{"de_DE", "de", "en_EN"} << "de_DE" << "from de_DE";
    QTest::newRow("language alone") << QStringList{"de", "en_EN"} << "de_DE" << "from de";
    QTest::newRow("english") << QStringList{"en_EN", "fr"} << "de_DE" << "from en_EN";
    QTest::newRow("english configured") << QStringList{"en_EN", "de"} << "en_EN" << "from en_EN";
    QTest::newRow("nothing") << QStringList{"fr"} << "de_DE" << "";
}

void TestTranslationMgr::localeFallbacks()
{
    QFETCH(QStringList, catalogues);
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    WorkDir wd;
    for (const QString &c : catalogues)
        makeCatalogue(wd, c, ("WHO\tRES_L\tfrom " + c + "\n").toUtf8());
    TranslationMgr mgr(locale, nullptr);
    QCOMPARE(mgr.isLoaded(), !expected.isEmpty());
    QCOMPARE(mgr.translator()->translate(RES_L, "WHO"), expected);
    QCOMPARE(mgr.lookup(RES_L, "who"), expected);
}

void TestTranslationMgr::resultTranslation()
{
    WorkDir wd;
    makeCatalogue(wd, "en_EN",
                  "STAT_TEMP\tRES_L\tTemperature\n"
                  "STAT_TEMP\tRES_S\tTemp\n"
                  "STAT_BLANK\tRES_L\t   \n"
                  "STAT_\xc3\x84L\tRES_L\tOil\n");
    TranslationMgr mgr(QStringLiteral("en_EN"), nullptr);
    QVERIFY(mgr.isLoaded());

    CJob job("D_MOTOR", "STATUS");
    const char *names[] = {"stat_temp", "STAT_BLANK", "stat_none", "STAT_\xe4l", "STAT_TEMP"};
    for (const char *n : names) {
        CJobResult r;
        r.name = n;
        r.realValue = 1.5;
        job.addResult(r);
    }
    mgr.translate(job);
    QCOMPARE(job.getResultCount(), 5);
    QCOMPARE(QString::fromStdString(job.resultAt(0).displayName), QStringLiteral("Temperature"));
    QCOMPARE(QString::fromStdString(job.resultAt(1).displayName), QStringLiteral("STAT_BLANK"));
    QCOMPARE(QString::fromStdString(job.resultAt(2).displayName), QStringLiteral("stat_none"));
    QCOMPARE(job.resultAt(3).displayName, std::string("Oil"));
    QCOMPARE(QString::fromStdString(job.resultAt(4).displayName), QStringLiteral("Temperature"));
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(job.resultAt(i).name, std::string(names[i]));
        QCOMPARE(job.resultAt(i).realValue, 1.5);
    }

    CJobResultPair pair;
    pair.resultName = "stat_temp";
    mgr.translate(pair);
    QCOMPARE(pair.resultDisplayName, std::string("Temperature"));
    pair.resultName = "STAT_BLANK";
    mgr.translate(pair);
    QCOMPARE(pair.resultDisplayName, std::string("STAT_BLANK"));
    QCOMPARE(mgr.lookup(RES_S, "stat_temp"), QStringLiteral("Temp"));
    QCOMPARE(mgr.lookup(JOB_S, "stat_temp"), QString());
}

void TestTranslationMgr::instanceReadsLocaleOnce()
{
    WorkDir wd;
    QCOMPARE(TranslationMgr::configuredLocale(), QStringLiteral("en_EN"));
    makeCatalogue(wd, "de", "WHO\tRES_L\tdeutsch\n");
    makeCatalogue(wd, "en_EN", "WHO\tRES_L\tenglish\n");
    KelvoSettings::open()->setValue("translation/locale", "de_AT");
    QCOMPARE(TranslationMgr::configuredLocale(), QStringLiteral("de_AT"));

    QObject parent;
    TranslationMgr *mgr = TranslationMgr::instance(&parent);
    QCOMPARE(mgr->parent(), &parent);
    QCOMPARE(mgr->locale(), QStringLiteral("de_AT"));
    QCOMPARE(mgr->lookup(RES_L, "who"), QStringLiteral("deutsch"));
    // Later calls give the same manager; the catalogue is not reloaded.
    KelvoSettings::open()->setValue("translation/locale", "en_EN");
    QCOMPARE(TranslationMgr::instance(nullptr), mgr);
    QCOMPARE(mgr->lookup(RES_L, "who"), QStringLiteral("deutsch"));
    mgr->setParent(nullptr); // it lives until the program ends
}

QTEST_MAIN(TestTranslationMgr)
#include "tst_translationmgr.moc"
