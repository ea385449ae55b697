// Encodes frames into a video file through an ffmpeg child process fed raw
// RGB frames on a pipe.
#pragma once

#include <cstdint>
#include <string>
#include <sys/types.h>

// The path of ffmpeg on PATH, or empty when there is none.
std::string FindFfmpeg();

class VideoPipe {
public:
    VideoPipe() = default;
    VideoPipe(const VideoPipe&) = delete;
    VideoPipe& operator=(const VideoPipe&) = delete;
    ~VideoPipe();

    // Starts ffmpeg writing `file` from width x height frames at fps.
    bool open(const std::string& ffmpeg, const std::string& file, int width, int height, double fps,
              std::string& error);

    // One frame of width x height x 3 bytes, the top row first.
    bool write(const std::uint8_t* rgb, std::string& error);

    // Ends the stream and waits for ffmpeg; false when it failed.
    bool close(std::string& error);

private:
    pid_t child_ = -1;
    int pipe_ = -1;
    std::size_t frameBytes_ = 0;
};
