#pragma once
// While it lives, no file of this process may grow beyond `bytes`: what a
// full disk does to a write, on any file system and for root alike. The
// signal of a file grown too large is ignored, so the write fails instead.
// Only the soft limit is lowered, so the old limit can always come back.
#include <sys/resource.h>

class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    // Whether the limit holds.
    bool ok() const { return set; }

private:
    struct rlimit saved = {};
    void (*oldHandler)(int) = nullptr;
    bool set = false;
};
