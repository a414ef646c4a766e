// AEM lines: the input, cut into reads by its first byte, goes through the
// line collector and every line through the handler. A line reaches the
// handler only when it ended with "\r" and its start was seen (after the
// first "\r"), without "\n", at most 1024 bytes; it gives a job exactly
// when its first field is a finite number (which has a digit: blanks are
// none), and then that value and its hex in at most 1022 digits.
#include "aemdatahandler.h"
#include "extlinecollector.h"
#include "extsourceresult.h"
#include "fuzzworkdir.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
// The lines a reader should hand over, worked out the plain way.
QList<QByteArray> expectedLines(const QByteArray &stream)
{
    QList<QByteArray> lines;
    const int first = stream.indexOf('\r');
    if (first < 0)
        return lines;
    QByteArray current;
    for (int i = first + 1; i < stream.size(); ++i) {
        const char c = stream.at(i);
        if (c == '\r') {
            if (current.size() <= ExtLineCollector::MaxLine)
                lines << current;
            current.clear();
        } else if (c != '\n') {
            current.append(c);
        }
    }
    return lines;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool quiet = (Fuzz::quiet(), true);
    Q_UNUSED(quiet);
    if (size < 1)
        return 0;
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), int(size - 1));
    ExtLineCollector collector;
    AEMDataHandler handler;
    handler.setJobName("AEM_AFR");
    handler.setResultName("AEM_AFR_VALUE");
    QList<QByteArray> got;
    uint32_t cut = data[0] | 1u;
    int at = 0;
    while (at < stream.size()) {
        cut = cut * 1103515245u + 12345u;
        const int n = std::min(stream.size() - at, int(1 + (cut >> 16) % 32));
        collector.feed(stream.constData() + at, n);
        at += n;
        QByteArray line;
        while (collector.takeLine(line)) {
            got << line;
            CJob job;
            bool valid = false;
            bool number = false;
            const double value = AEMDataHandler::lineValue(line, &number);
            handler.onDataReceived(line, job, valid);
            if (valid != number)
                std::abort();
            if (!valid) {
                if (job.getResultCount() != 0)
                    std::abort();
                continue;
            }
            // A value needs a digit in the first field: blanks are none.
            const int tab = line.indexOf('\t');
            const QByteArray first = tab < 0 ? line : line.left(tab);
            if (std::none_of(first.cbegin(), first.cend(), [](char c) { return c >= '0' && c <= '9'; }))
                std::abort();
            if (job.getResultCount() != 2 || !std::isfinite(job.resultAt(0).realValue)
                || job.resultAt(0).realValue != value
                || std::strlen(job.resultAt(1).textValue) > 2 * ExtSourceResult::MaxHexBytes)
                std::abort();
        }
    }
    if (got != expectedLines(stream))
        std::abort();
    return 0;
}
