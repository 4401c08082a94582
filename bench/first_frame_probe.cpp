// Preloaded into the game by runs_light.sh (LD_PRELOAD): stands in front of
// SDL_RenderPresent and, the first time a frame reaches the screen, says on
// the standard error stream how long after the process started that was.
// The game itself knows nothing of it.
#include <cstdio>
#include <cstring>
#include <ctime>

#include <dlfcn.h>
#include <unistd.h>

struct SDL_Renderer; // only passed on

namespace {

// Seconds since this process started, from the kernel's record of its start
// (in clock ticks since boot) and the boot-time clock; -1 when unknown.
double SecondsSinceProcessStart() {
    std::FILE* stat = std::fopen("/proc/self/stat", "r");
    if (stat == nullptr) {
        return -1.0;
    }
    char line[1024] = {};
    const bool read = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    const char* afterName = read ? std::strrchr(line, ')') : nullptr;
    if (afterName == nullptr) {
        return -1.0;
    }
    // Field 22 (starttime); fields 3 onwards follow the command name.
    unsigned long long startTicks = 0;
    const char* field = afterName + 2;
    for (int n = 3; n < 22 && field != nullptr; ++n) {
        field = std::strchr(field, ' ');
        field = field != nullptr ? field + 1 : nullptr;
    }
    if (field == nullptr || std::sscanf(field, "%llu", &startTicks) != 1) {
        return -1.0;
    }
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9 -
           static_cast<double>(startTicks) / ticksPerSecond;
}

} // namespace

extern "C" void SDL_RenderPresent(SDL_Renderer* renderer) {
    using Present = void (*)(SDL_Renderer*);
    static const auto real = reinterpret_cast<Present>(dlsym(RTLD_NEXT, "SDL_RenderPresent"));
    static bool reported = false;
    if (real != nullptr) {
        real(renderer);
    }
    if (!reported) {
        reported = true;
        std::fprintf(stderr, "quorvane: first frame presented %.3f s after the process started\n",
                     SecondsSinceProcessStart());
    }
}
