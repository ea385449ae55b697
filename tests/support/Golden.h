// Checksums of settled output: the song's samples and the default frames are
// pinned by them, so a change that alters a single bit shows up.
//
// The checksums were recorded on Debian 12 (glibc 2.36, Mesa llvmpipe) on
// x86-64. Another maths library may round sinf, cosf or powf differently in
// the last bit, which changes the checksums without anything being wrong;
// MathsLibraryMatches() tells a failure of that kind apart from a regression.
// With HV_RECORD_GOLDEN=1 in the environment the tests print the checksums
// they compute, ready to paste, instead of comparing them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::uint64_t Fnv1aOffset = 0xcbf29ce484222325ull;

// 64-bit FNV-1a over a byte range, continuing from `hash`.
std::uint64_t Fnv1a64(const void* data, std::size_t bytes, std::uint64_t hash = Fnv1aOffset);

// Whether HV_RECORD_GOLDEN asks for recording instead of comparing.
bool RecordingGolden();

// Prints `name` with its checksum in the form the tests' tables use.
void PrintGolden(const std::string& name, std::uint64_t checksum);

// A checksum of sinf, cosf, powf and sin over a fixed sweep of arguments.
std::uint64_t MathsLibraryFingerprint();

// Whether this machine's sinf, cosf, powf and sin round as the recording
// machine's did.
bool MathsLibraryMatches();

// The note to add to a failed comparison: empty when the maths library
// matches, otherwise why the checksums cannot be expected to match.
std::string GoldenMismatchNote();
