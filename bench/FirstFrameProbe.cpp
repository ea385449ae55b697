// Preloaded by bench_startup into a show it starts: the first presented frame
// ends the process. Once the swap has returned and the GL has finished, the
// monotonic clock in nanoseconds goes as one text line to the file descriptor
// named by HV_FIRST_FRAME_FD. Any build of the show can be timed so, as it
// ships, since the SDL layer presents every frame through SDL_GL_SwapWindow.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

struct SDL_Window;

extern "C" void SDL_GL_SwapWindow(SDL_Window* window) {
    using Swap = void (*)(SDL_Window*);
    using Finish = void (*)();
    const auto swap = reinterpret_cast<Swap>(dlsym(RTLD_NEXT, "SDL_GL_SwapWindow"));
    const auto finish = reinterpret_cast<Finish>(dlsym(RTLD_DEFAULT, "glFinish"));
    if (swap != nullptr) {
        swap(window);
    }
    if (finish != nullptr) {
        finish();
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const char* fd = std::getenv("HV_FIRST_FRAME_FD");
    if (fd != nullptr) {
        char line[32];
        const int length = std::snprintf(line, sizeof line, "%lld\n",
                                         static_cast<long long>(now.tv_sec) * 1000000000LL +
                                             static_cast<long long>(now.tv_nsec));
        if (write(std::atoi(fd), line, static_cast<std::size_t>(length)) != length) {
            _exit(3);
        }
    }
    // No shutdown: what comes after the first frame is not timed.
    _exit(0);
}
