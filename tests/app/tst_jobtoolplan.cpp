// The job tool's plan: block arguments from the form's texts, and the
// reads it refuses.
#include "jobtoolplan.h"

#include <QtTest>

Q_DECLARE_METATYPE(JobToolPlan::Form)

namespace {

JobToolPlan::Form form(const QStringList &args, const QString &amount, const QString &target,
                       JobToolPlan::Mode mode, const QString &count)
{
    JobToolPlan::Form f;
    f.arguments = args;
    f.amountArgument = amount;
    f.targetArgument = target;
    f.mode = mode;
    if (mode == JobToolPlan::TotalLength)
        f.totalLength = count;
    else
        f.iterationCount = count;
    return f;
}

const QStringList defaults{"LAR", "0x000000", "254", ""};

QStringList allArguments(const JobToolPlan &plan)
{
    QStringList out;
    for (int i = 0; i < plan.blockCount(); ++i)
        out << plan.arguments(i);
    return out;
}

} // namespace

class TestJobToolPlan : public QObject
{
    Q_OBJECT
private slots:
    void blocks_data();
    void blocks();
    void refusals_data();
    void refusals();
    void limitsAreAccepted();
};

void TestJobToolPlan::blocks_data()
{
    QTest::addColumn<JobToolPlan::Form>("input");
    QTest::addColumn<QStringList>("expected");
    const auto count = JobToolPlan::IterationCount;
    const auto total = JobToolPlan::TotalLength;
    QTest::newRow("count 4: blocks 0 to 4")
        << form(defaults, "arg3", "arg2", count, "4")
        << QStringList{"LAR;0x000000;254", "LAR;0x0000FE;254", "LAR;0x0001FC;254", "LAR;0x0002FA;254",
                       "LAR;0x0003F8;254"};
    QTest::newRow("total 1024: a short fifth block")
        << form(defaults, "arg3", "arg2", total, "1024")
        << QStringList{"LAR;0x000000;254", "LAR;0x0000FE;254", "LAR;0x0001FC;254", "LAR;0x0002FA;254",
                       "LAR;0x0003F8;8"};
    QTest::newRow("total 1016: no block of length 0")
        << form(defaults, "arg3", "arg2", total, "1016")
        << QStringList{"LAR;0x000000;254", "LAR;0x0000FE;254", "LAR;0x0001FC;254", "LAR;0x0002FA;254"};
    QTest::newRow("total below one block") << form(defaults, "arg3", "arg2", total, "10") << QStringList{"LAR;0x000000;10"};
    QTest::newRow("empty field kept up to the last filled one")
        << form({"LAR", "0x000000", "", "254"}, "arg4", "arg2", count, "1")
        << QStringList{"LAR;0x000000;;254", "LAR;0x0000FE;;254"};
    QTest::newRow("target and amount the same: it carries the address")
        << form({"LAR", "100", "", ""}, "arg2", "arg2", count, "1") << QStringList{"LAR;0x100", "LAR;0x164"};
    QTest::newRow("the address outgrows its digits")
        << form({"0xF", "200", "", ""}, "arg2", "arg1", count, "1") << QStringList{"0xF;200", "0xD7;200"};
    QTest::newRow("upper-case prefix, lower-case digits")
        << form({"LAR", "0X00ff", "16", ""}, "arg3", "arg2", count, "0") << QStringList{"LAR;0x00FF;16"};
    QTest::newRow("no iteration radio: count mode")
        << form({"1", "0x10"}, "arg1", "arg2", count, "2") << QStringList{"1;0x10", "1;0x11", "1;0x12"};
}

void TestJobToolPlan::blocks()
{
    QFETCH(JobToolPlan::Form, input);
    QFETCH(QStringList, expected);
    const JobToolPlan plan = JobToolPlan::make(input);
    QVERIFY2(plan.isValid(), qPrintable(plan.refusal()));
    QCOMPARE(allArguments(plan), expected);
}

void TestJobToolPlan::refusals_data()
{
    QTest::addColumn<JobToolPlan::Form>("input");
    QTest::addColumn<QString>("reason");
    const auto count = JobToolPlan::IterationCount;
    const auto total = JobToolPlan::TotalLength;
    QTest::newRow("block length 0") << form({"LAR", "0x0", "0", ""}, "arg3", "arg2", total, "1024") << "Block length";
    QTest::newRow("block length 512") << form({"LAR", "0x0", "512", ""}, "arg3", "arg2", count, "1") << "Block length";
    QTest::newRow("block length empty") << form(defaults, "arg4", "arg2", count, "1") << "Block length";
    QTest::newRow("block length negative") << form({"LAR", "0x0", "-5", ""}, "arg3", "arg2", count, "1") << "Block length";
    QTest::newRow("block length not decimal") << form({"LAR", "0x0", "0x10", ""}, "arg3", "arg2", count, "1") << "Block length";
    QTest::newRow("address empty") << form({"LAR", "", "254", ""}, "arg3", "arg2", count, "1") << "Start address";
    QTest::newRow("address prefix only") << form({"LAR", "0x", "254", ""}, "arg3", "arg2", count, "1") << "Start address";
    QTest::newRow("address not hex") << form({"LAR", "0xG1", "254", ""}, "arg3", "arg2", count, "1") << "Start address";
    QTest::newRow("address of 17 digits") << form({"LAR", "0x10000000000000000", "254", ""}, "arg3", "arg2", count, "1")
                                          << "Start address";
    QTest::newRow("negative count: no block") << form(defaults, "arg3", "arg2", count, "-1") << "No block";
    QTest::newRow("count not a number") << form(defaults, "arg3", "arg2", count, "four") << "Iterations count";
    QTest::newRow("65,537 blocks") << form(defaults, "arg3", "arg2", count, "65536") << "too many";
    QTest::newRow("total 0: no block") << form(defaults, "arg3", "arg2", total, "0") << "No block";
    QTest::newRow("total over 65,536 blocks") << form(defaults, "arg3", "arg2", total, "16646145") << "too many";
    QTest::newRow("total not a number") << form(defaults, "arg3", "arg2", total, "1k") << "Total data length";
    QTest::newRow("past the end of the address range")
        << form({"LAR", "0xFFFFFFFFFFFFFF00", "254", ""}, "arg3", "arg2", count, "1") << "address range";
    QTest::newRow("unknown argument name") << form(defaults, "arg5", "arg2", count, "1") << "amount argument";
}

void TestJobToolPlan::refusals()
{
    QFETCH(JobToolPlan::Form, input);
    QFETCH(QString, reason);
    const JobToolPlan plan = JobToolPlan::make(input);
    QVERIFY(!plan.isValid());
    QVERIFY2(plan.refusal().contains(reason), qPrintable(plan.refusal()));
    QCOMPARE(plan.blockCount(), 0);
}

void TestJobToolPlan::limitsAreAccepted()
{
    JobToolPlan plan = JobToolPlan::make(form({"LAR", "0x0", "511", ""}, "arg3", "arg2", JobToolPlan::IterationCount, "65535"));
    QVERIFY2(plan.isValid(), qPrintable(plan.refusal()));
    QCOMPARE(plan.blockCount(), 65536);
    QCOMPARE(plan.arguments(65535), QString("LAR;0x1FEFE01;511"));
    plan = JobToolPlan::make(form({"LAR", "0xFFFFFFFFFFFFFF00", "128", ""}, "arg3", "arg2", JobToolPlan::IterationCount, "1"));
    QVERIFY2(plan.isValid(), qPrintable(plan.refusal()));
    QCOMPARE(plan.arguments(1), QString("LAR;0xFFFFFFFFFFFFFF80;128"));
}

QTEST_GUILESS_MAIN(TestJobToolPlan)
#include "tst_jobtoolplan.moc"
