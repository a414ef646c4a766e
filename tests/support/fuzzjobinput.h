#pragma once
// The input of the fuzz targets of the custom-job rules: one byte choosing
// one of the five measuring jobs or another job (its top bit is a free
// flag), then Latin-1 texts separated by zero bytes.
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

struct FuzzJobInput
{
    // False for an empty input. The first call makes the run quiet.
    bool decode(const uint8_t *data, size_t size);

    QString jobName;
    bool flag = false;   // the top bit of the first byte
    QStringList texts;   // at least as many as asked for with text()
    QString text(int i) const { return texts.value(i); }
};

namespace Fuzz {
// Ends the run (a finding) when a property does not hold.
void check(bool holds);
} // namespace Fuzz
