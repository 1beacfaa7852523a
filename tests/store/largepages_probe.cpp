// Started by tst_largepages: restarts itself as the programs do, then reports what it ran with.
// Built without sanitizers, which the restart stands aside for.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "store/largepages.h"

namespace {

std::string readAll(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Whether the C library asked the kernel for huge pages for its heap: with transparent huge
// pages on request ("madvise"), a large block it maps for malloc carries the request ("hg").
// Under other settings it has nothing to ask, and says so.
std::string heapAsksForHugePages()
{
    if (readAll("/sys/kernel/mm/transparent_hugepage/enabled").find("[madvise]")
        == std::string::npos)
        return "not asked under this system's setting";
    constexpr size_t Size = 64u << 20;
    char *block = static_cast<char *>(std::malloc(Size));
    block[0] = 1;
    const auto at = reinterpret_cast<unsigned long>(block);
    std::istringstream maps(readAll("/proc/self/smaps"));
    std::string line;
    bool inside = false;
    std::string answer = "no";
    while (std::getline(maps, line)) {
        unsigned long from = 0, to = 0;
        char dash = 0;
        std::istringstream range(line);
        if (line.find(':') != 5 && (range >> std::hex >> from >> dash >> to) && dash == '-') {
            inside = from <= at && at < to;
            continue;
        }
        if (inside && line.rfind("VmFlags:", 0) == 0)
            answer = (line + ' ').find(" hg ") != std::string::npos ? "yes" : "no";
    }
    std::free(block);
    return answer;
}

} // namespace

int main(int argc, char **argv)
{
    const bool restarted = std::getenv("LARKSPUR_HEAP_RESTARTED") != nullptr;
    restartWithLargePages(argv);
    const char *now = std::getenv("GLIBC_TUNABLES");
    std::printf("restarted=%d\nheap asks for huge pages=%s\nchildren get=%s\nmark left=%d\n",
        restarted ? 1 : 0, heapAsksForHugePages().c_str(), now ? now : "(unset)",
        std::getenv("LARKSPUR_HEAP_RESTARTED") != nullptr ? 1 : 0);
    for (int i = 1; i < argc; ++i)
        std::printf("argument=%s\n", argv[i]);
    return 0;
}
