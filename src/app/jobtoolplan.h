#pragma once
// What the job tool sends for one memory read, worked out from the texts of
// its form: the arguments of every block job, or why the read is refused.
// A plain value: no widgets, files or EDIABAS.
//
// The target argument holds the block's address (hexadecimal, written with
// as many digits as the start address has, "0x" in front), the amount
// argument the block length (decimal). Arguments are arg1 up to the last
// non-empty field, joined by ";". In total-length mode the last block is
// shortened to what remains; a remainder of 0 gives no extra block.
#include <QString>
#include <QStringList>

class JobToolPlan
{
public:
    // A result text holds 1023 characters: 511 bytes in hexadecimal.
    enum { MaxBlockLength = 511, MaxBlocks = 65536, ArgumentCount = 4 };
    enum Mode { IterationCount, TotalLength };

    struct Form
    {
        QStringList arguments;  // arg1 .. arg4
        QString amountArgument; // "arg1" .. "arg4": holds the block length
        QString targetArgument; // "arg1" .. "arg4": holds the address
        Mode mode = IterationCount;
        QString iterationCount; // the last block index
        QString totalLength;    // bytes to read
    };

    static JobToolPlan make(const Form &form);

    bool isValid() const { return refusal_.isEmpty(); }
    QString refusal() const { return refusal_; }
    int blockCount() const { return blocks; }
    int blockLength() const { return length; }
    int lastBlockLength() const { return lastLength; }
    quint64 startAddress() const { return start; }
    // The address of a block as written into its arguments.
    QString addressText(int block) const;
    // The ";"-joined arguments of a block.
    QString arguments(int block) const;

private:
    static JobToolPlan refuse(const QString &why);

    QString refusal_;
    QStringList fields;
    int argumentCount = 0;
    int amountIndex = -1;
    int targetIndex = -1;
    int blocks = 0;
    int length = 0;
    int lastLength = 0;
    quint64 start = 0;
    int digits = 0;
};
