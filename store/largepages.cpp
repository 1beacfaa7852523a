// Restarting with glibc's transparent-huge-page heap.
#include "store/largepages.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {
// Set in the restarted process: "+" and the caller's GLIBC_TUNABLES, or "-" when it had none.
constexpr char Restarted[] = "LARKSPUR_HEAP_RESTARTED";
constexpr char Tunables[] = "GLIBC_TUNABLES";
constexpr char HugePages[] = "glibc.malloc.hugetlb=1";
} // namespace

void restartWithLargePages(char **argv)
{
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    if (const char *mark = std::getenv(Restarted)) {
        if (mark[0] == '+')
            ::setenv(Tunables, mark + 1, 1);
        else
            ::unsetenv(Tunables);
        ::unsetenv(Restarted);
        return;
    }
    const char *own = std::getenv(Tunables);
    if (own && std::strstr(own, "glibc.malloc.hugetlb")) // the caller chose
        return;
    const std::string mark = own ? std::string("+") + own : std::string("-");
    const std::string tunables = own && *own ? std::string(own) + ':' + HugePages : HugePages;
    ::setenv(Restarted, mark.c_str(), 1);
    ::setenv(Tunables, tunables.c_str(), 1);
    ::execv("/proc/self/exe", argv);
    // Not restarted: go on as started.
    if (own)
        ::setenv(Tunables, own, 1);
    else
        ::unsetenv(Tunables);
    ::unsetenv(Restarted);
#else
    (void)argv;
#endif
}
