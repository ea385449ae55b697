// The synthesizer's one rate: oscillators step, samplers read, filters design
// and pre-rendering advances time at it.
#pragma once

inline constexpr int SampleRate = 22050;

// 1 / SampleRate in single precision: one sample's step of time.
inline constexpr float SampleStep = 4.5351473e-05f;

static_assert(SampleStep == 1.0f / static_cast<float>(SampleRate));
