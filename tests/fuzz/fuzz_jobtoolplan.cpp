// The job tool's plan from arbitrary form texts: one text per line (arg1 to
// arg4, amount argument, target argument, "total" for total-length mode,
// iteration count, total length). A plan it accepts must keep its promises:
// 1 to 65,536 blocks of 1 to 511 bytes, contiguous addresses that read back,
// the last block never of length 0.
#include "jobtoolplan.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        abort();
}

quint64 addressOf(const QString &text)
{
    bool ok = false;
    const quint64 value = text.mid(2).toULongLong(&ok, 16);
    check(text.startsWith(QLatin1String("0x")) && ok);
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList lines = QString::fromLatin1(reinterpret_cast<const char *>(data), int(size)).split(QLatin1Char('\n'));
    JobToolPlan::Form form;
    form.arguments = lines.mid(0, 4);
    form.amountArgument = lines.value(4);
    form.targetArgument = lines.value(5);
    form.mode = lines.value(6) == QLatin1String("total") ? JobToolPlan::TotalLength : JobToolPlan::IterationCount;
    form.iterationCount = lines.value(7);
    form.totalLength = lines.value(8);

    const JobToolPlan plan = JobToolPlan::make(form);
    if (!plan.isValid()) {
        check(!plan.refusal().isEmpty() && plan.blockCount() == 0);
        return 0;
    }
    check(plan.blockCount() >= 1 && plan.blockCount() <= JobToolPlan::MaxBlocks);
    check(plan.blockLength() >= 1 && plan.blockLength() <= JobToolPlan::MaxBlockLength);
    check(plan.lastBlockLength() >= 1 && plan.lastBlockLength() <= plan.blockLength());
    const int last = plan.blockCount() - 1;
    check(addressOf(plan.addressText(0)) == plan.startAddress());
    check(addressOf(plan.addressText(last)) - plan.startAddress() == quint64(last) * quint64(plan.blockLength()));
    for (int block : {0, last}) {
        // A field may itself hold several ";"-separated arguments.
        const QStringList args = plan.arguments(block).split(QLatin1Char(';'));
        int extra = 0;
        for (const QString &field : form.arguments)
            extra += field.count(QLatin1Char(';'));
        check(args.size() >= 1 && args.size() <= JobToolPlan::ArgumentCount + extra);
        check(args.contains(plan.addressText(block)));
    }
    return 0;
}
