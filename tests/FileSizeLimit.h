// Writes beyond a file-size limit fail, whoever runs the test (the
// superuser too): a disk that fills up in the middle of a file. Linux only.
#pragma once

#ifdef __linux__
#include <csignal>
#include <sys/resource.h>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old;
        lim.rlim_cur = bytes;
        ok = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;
    bool ok = false;

private:
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
};
#endif
