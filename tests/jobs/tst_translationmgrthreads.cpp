// The runner thread translates result names while the GUI thread asks the
// same catalogue for job and result texts.
#include "cjob.h"
#include "lreleasetool.h"
#include "translationmgr.h"
#include "workdir.h"

#include <QtTest>
#include <atomic>
#include <thread>

class TestTranslationMgrThreads : public QObject
{
    Q_OBJECT
private slots:
    void concurrentLookups();
};

void TestTranslationMgrThreads::concurrentLookups()
{
    WorkDir wd;
    QByteArray table;
    for (int i = 0; i < 200; ++i)
        table += "STAT_V" + QByteArray::number(i) + "_WERT\tRES_L\tValue " + QByteArray::number(i) + "\n";
    QVERIFY(wd.write("translations/jobs_all_en_EN.txt", table));
    QString log;
    QVERIFY2(LReleaseTool::compileTable(wd.filePath("translations/jobs_all_en_EN.txt"), &log), qPrintable(log));

    TranslationMgr *mgr = TranslationMgr::instance();
    QVERIFY(mgr->isLoaded());
    std::atomic<int> wrong{0};
    auto work = [&] {
        for (int round = 0; round < 50; ++round) {
            CJob job("E", "J");
            for (int i = 0; i < 200; ++i) {
                CJobResult r;
                r.name = "stat_v" + std::to_string(i) + "_wert";
                job.addResult(r);
            }
            mgr->translate(job);
            for (int i = 0; i < 200; ++i) {
                if (job.resultAt(i).displayName != "Value " + std::to_string(i))
                    ++wrong;
            }
        }
    };
    // A plain thread: ThreadSanitizer sees all of its synchronisation.
    std::thread runner(work);
    work();
    runner.join();
    QCOMPARE(wrong.load(), 0);
}

QTEST_MAIN(TestTranslationMgrThreads)
#include "tst_translationmgrthreads.moc"
