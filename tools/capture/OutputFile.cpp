#include "tools/capture/OutputFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

std::string failure(const std::string& path, int error) {
    return path + ": " + (error != 0 ? std::strerror(error) : "the file could not be written");
}

} // namespace

OutputFile::OutputFile(OutputFile&& other) noexcept
    : path_(std::move(other.path_)), temporary_(std::exchange(other.temporary_, {})) {}

OutputFile& OutputFile::operator=(OutputFile&& other) noexcept {
    if (this != &other) {
        discard();
        path_ = std::move(other.path_);
        temporary_ = std::exchange(other.temporary_, {});
    }
    return *this;
}

OutputFile::~OutputFile() {
    discard();
}

bool OutputFile::create(const std::string& path, std::string& error) {
    discard();
    path_ = path;
    const fs::path target(path);
    std::error_code ignored;
    if (!target.has_filename() || fs::is_directory(target, ignored)) {
        error = path + ": is a folder, not a file name";
        return false;
    }
    // The same extension, so that a program choosing the format by the name
    // (ffmpeg) writes what the final name promises.
    static unsigned serial = 0;
    const std::string base =
        "." + target.stem().string() + ".partial-" + std::to_string(getpid()) + "-";
    for (;;) {
        const fs::path candidate =
            target.parent_path() / (base + std::to_string(++serial) + target.extension().string());
        const int descriptor =
            ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor >= 0) {
            ::close(descriptor);
            temporary_ = candidate.string();
            return true;
        }
        if (errno != EEXIST) {
            error = failure(path, errno);
            return false;
        }
    }
}

bool OutputFile::write(const std::function<bool(std::FILE*)>& fill, std::string& error) {
    std::FILE* file = std::fopen(temporary_.c_str(), "wb");
    if (file == nullptr) {
        error = failure(path_, errno);
        return false;
    }
    errno = 0;
    const bool filled = fill(file);
    const int fillError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!filled || !closed) {
        error = failure(path_, !filled ? fillError : errno);
        return false;
    }
    return commit(error);
}

bool OutputFile::commit(std::string& error) {
    if (std::rename(temporary_.c_str(), path_.c_str()) != 0) {
        error = failure(path_, errno);
        return false;
    }
    temporary_.clear();
    return true;
}

void OutputFile::discard() {
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}
