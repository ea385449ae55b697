// A file the capture writes, made under a temporary name in the folder of its
// final name and renamed into place only once it is complete: a failed or
// interrupted capture never leaves a truncated file under that name, and an
// older file of that name stays whole until the new one replaces it.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

class OutputFile {
public:
    OutputFile() = default;
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&& other) noexcept;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Removes the temporary file unless it was renamed into place.
    ~OutputFile();

    // Creates the empty temporary file beside `path` (a hidden name with the
    // same extension), which shows that the folder takes files before any
    // work is done. False with `error` when it cannot be made or when `path`
    // names a folder.
    bool create(const std::string& path, std::string& error);

    const std::string& path() const { return path_; }
    const std::string& temporaryPath() const { return temporary_; }

    // Writes the whole file through `fill`, which returns false when a write
    // fails, and renames it into place.
    bool write(const std::function<bool(std::FILE*)>& fill, std::string& error);

    // Renames the temporary file, written by another program, into place.
    bool commit(std::string& error);

    // Removes the temporary file.
    void discard();

private:
    std::string path_;
    std::string temporary_; // empty once renamed or removed
};
