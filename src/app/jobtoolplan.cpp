#include "jobtoolplan.h"

#include <limits>

namespace {

// "arg1" .. "arg4" to 0 .. 3, else -1.
int argumentIndex(const QString &name)
{
    for (int i = 0; i < JobToolPlan::ArgumentCount; ++i) {
        if (name == QStringLiteral("arg%1").arg(i + 1))
            return i;
    }
    return -1;
}

bool isHexDigit(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('a') && c <= QLatin1Char('f'))
           || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

bool isDecimal(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

} // namespace

JobToolPlan JobToolPlan::refuse(const QString &why)
{
    JobToolPlan plan;
    plan.refusal_ = why;
    return plan;
}

JobToolPlan JobToolPlan::make(const Form &form)
{
    JobToolPlan plan;
    for (int i = 0; i < ArgumentCount; ++i)
        plan.fields << form.arguments.value(i);
    for (int i = 0; i < ArgumentCount; ++i) {
        if (!plan.fields.at(i).isEmpty())
            plan.argumentCount = i + 1;
    }
    plan.amountIndex = argumentIndex(form.amountArgument);
    plan.targetIndex = argumentIndex(form.targetArgument);
    if (plan.amountIndex < 0)
        return refuse(QStringLiteral("Unknown amount argument '%1'").arg(form.amountArgument));
    if (plan.targetIndex < 0)
        return refuse(QStringLiteral("Unknown target argument '%1'").arg(form.targetArgument));

    // The target is tested first: when both name one argument, it holds
    // the address, and the block length is still read from it.
    const QString lengthText = plan.fields.at(plan.amountIndex).trimmed();
    bool ok = false;
    const int length = lengthText.toInt(&ok, 10);
    if (!isDecimal(lengthText) || !ok || length < 1 || length > MaxBlockLength)
        return refuse(QStringLiteral("Block length (%1) must be 1 to %2: '%3'")
                          .arg(form.amountArgument)
                          .arg(int(MaxBlockLength))
                          .arg(plan.fields.at(plan.amountIndex)));
    plan.length = length;

    QString address = plan.fields.at(plan.targetIndex).trimmed();
    if (address.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        address = address.mid(2);
    bool hex = !address.isEmpty() && address.size() <= 16;
    for (const QChar c : address)
        hex = hex && isHexDigit(c);
    if (!hex)
        return refuse(QStringLiteral("Start address (%1) is not a hexadecimal number: '%2'")
                          .arg(form.targetArgument, plan.fields.at(plan.targetIndex)));
    plan.start = address.toULongLong(&ok, 16);
    plan.digits = address.size();

    quint64 blocks = 0;
    plan.lastLength = length;
    if (form.mode == TotalLength) {
        const QString totalText = form.totalLength.trimmed();
        const quint64 total = totalText.toULongLong(&ok, 10);
        if (!isDecimal(totalText) || !ok)
            return refuse(QStringLiteral("Total data length is not a number: '%1'").arg(form.totalLength));
        const quint64 remainder = total % quint64(length);
        blocks = total / quint64(length) + (remainder ? 1 : 0);
        if (remainder)
            plan.lastLength = int(remainder);
    } else {
        const QString countText = form.iterationCount.trimmed();
        const qint64 count = countText.toLongLong(&ok, 10);
        if (!ok)
            return refuse(QStringLiteral("Iterations count is not a number: '%1'").arg(form.iterationCount));
        // Blocks 0 to count.
        blocks = count < 0 ? 0 : quint64(count) + 1;
    }
    if (blocks == 0)
        return refuse(QStringLiteral("No block to read"));
    if (blocks > quint64(MaxBlocks))
        return refuse(QStringLiteral("%1 blocks are too many: at most %2").arg(blocks).arg(int(MaxBlocks)));
    // The last byte read must still have an address.
    const quint64 span = (blocks - 1) * quint64(length) + quint64(plan.lastLength) - 1;
    if (plan.start > std::numeric_limits<quint64>::max() - span)
        return refuse(QStringLiteral("The blocks run past the end of the address range"));
    plan.blocks = int(blocks);
    return plan;
}

QString JobToolPlan::addressText(int block) const
{
    const quint64 address = start + quint64(block) * quint64(length);
    return QStringLiteral("0x") + QString::number(address, 16).toUpper().rightJustified(digits, QLatin1Char('0'));
}

QString JobToolPlan::arguments(int block) const
{
    QStringList args;
    for (int k = 0; k < argumentCount; ++k) {
        if (k == targetIndex)
            args << addressText(block);
        else if (k == amountIndex && block == blocks - 1 && lastLength != length)
            args << QString::number(lastLength);
        else
            args << fields.at(k);
    }
    return args.join(QLatin1Char(';'));
}
