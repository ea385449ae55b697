// The capture tool's audio: the show's audio path run offline, written as WAV.
#pragma once

#include <cstdint>
#include <string>

// Samples of audio the show plays: its 102 s and the closing second.
constexpr std::int32_t ShowAudioSamples = 103 * 22050;

// Runs the music driver exactly as the show does with the given random seed
// (init, then render-ahead steps until the show's 103 s exist) and writes those
// samples as a 16-bit mono 22,050 Hz WAV file. Progress goes to stderr, then a
// closing line with the seconds of audio, the CPU seconds and their ratio.
// Returns false with a message in error when the file cannot be written.
bool CaptureShowAudio(const std::string& path, std::uint32_t seed, std::string& error);
