#include "tools/capture/VideoPipe.h"

#include "tools/capture/Interruption.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

std::string FindFfmpeg() {
    const char* path = std::getenv("PATH");
    if (path == nullptr) {
        return {};
    }
    std::string_view list(path);
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        const std::string_view directory = list.substr(0, colon);
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
        // An empty entry means the current directory.
        std::string candidate(directory.empty() ? std::string_view(".") : directory);
        candidate += "/ffmpeg";
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return {};
}

VideoPipe::~VideoPipe() {
    std::string ignored;
    close(ignored);
}

bool VideoPipe::open(const std::string& ffmpeg, const std::string& file, int width, int height,
                     double fps, const std::string& song, double songStart, std::string& error) {
    int ends[2];
    if (pipe(ends) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string rate = std::to_string(fps);
    // yuv420p needs even sides; odd ones get a black line added.
    std::vector<std::string> arguments = {ffmpeg,
                                          "-hide_banner",
                                          "-loglevel",
                                          "error",
                                          "-y",
                                          "-f",
                                          "rawvideo",
                                          "-pix_fmt",
                                          "rgb24",
                                          "-s",
                                          size,
                                          "-r",
                                          rate,
                                          "-i",
                                          "-",
                                          "-ss",
                                          std::to_string(songStart),
                                          "-i",
                                          song,
                                          "-map",
                                          "0:v",
                                          "-map",
                                          "1:a",
                                          "-vf",
                                          "pad=ceil(iw/2)*2:ceil(ih/2)*2",
                                          "-pix_fmt",
                                          "yuv420p",
                                          "-c:a",
                                          "aac",
                                          "-shortest",
                                          file};

    const pid_t child = fork();
    if (child < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    if (child == 0) {
        dup2(ends[0], STDIN_FILENO);
        ::close(ends[0]);
        ::close(ends[1]);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    ::close(ends[0]);
    // A dead encoder shows as a failed write, not as SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    child_ = child;
    pipe_ = ends[1];
    frameBytes_ = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3;
    return true;
}

bool VideoPipe::write(const std::uint8_t* rgb, std::string& error) {
    std::size_t done = 0;
    while (done < frameBytes_) {
        const ssize_t n = ::write(pipe_, rgb + done, frameBytes_ - done);
        if (n < 0) {
            if (errno == EINTR && Interruption() == 0) {
                continue;
            }
            error = std::string("ffmpeg stopped taking frames: ") + std::strerror(errno);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool VideoPipe::close(std::string& error) {
    if (child_ < 0) {
        return true;
    }
    ::close(pipe_);
    pipe_ = -1;
    int status = 0;
    while (waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
    child_ = -1;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        error = "ffmpeg failed to encode the video";
        return false;
    }
    return true;
}
