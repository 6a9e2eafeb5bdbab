// Preloaded into the real program by a test: the first fsync() of an
// options file written while the file named by QUIBO_STOP_FLAG exists
// removes that file and stops the process (SIGSTOP) before the sync, as a
// game stopped in a debugger or with Ctrl+Z in the middle of its save,
// holding the save's lock. The sync runs once the process is continued.
#include <dlfcn.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

extern "C" int fsync(int fd)
{
    using Fsync = int (*)(int);
    static Fsync real = reinterpret_cast<Fsync>(dlsym(RTLD_NEXT, "fsync"));
    const char *flag = getenv("QUIBO_STOP_FLAG");
    if (flag && access(flag, F_OK) == 0) {
        char link[64], path[4096];
        snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
        const ssize_t n = readlink(link, path, sizeof path - 1);
        if (n > 0) {
            path[n] = 0;
            if (strstr(path, "boxOpts.pcg") && unlink(flag) == 0)
                raise(SIGSTOP);
        }
    }
    return real ? real(fd) : -1;
}
