#include "fuzzjobinput.h"
#include "fuzzworkdir.h"

#include <cstdlib>

bool FuzzJobInput::decode(const uint8_t *data, size_t size)
{
    static const char *const jobs[] = {"MW_SELECT_LESEN_NORM", "STATUS_MESSWERTBLOCK_LESEN", "MESSWERTBLOCK_LESEN",
                                       "MW_SELECT_LESEN_NORM2", "STATUS_BLOCK_LESEN", "STATUS_LMM"};
    static const bool quiet = (Fuzz::quiet(), true);
    (void)quiet;
    if (size < 1)
        return false;
    jobName = QString::fromLatin1(jobs[(data[0] & 0x7f) % (sizeof jobs / sizeof jobs[0])]);
    flag = (data[0] & 0x80) != 0;
    texts = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), int(size - 1)).split(QChar(0));
    return true;
}

void Fuzz::check(bool holds)
{
    if (!holds)
        std::abort();
}
