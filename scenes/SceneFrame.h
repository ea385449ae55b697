// TEMPORARY local stand-in until the shared helpers are merged.
#pragma once
#include <cstdint>
float TableSin(float x);
float TableCos(float x);
float SignedPow(std::int32_t n, bool keepSign, float x);
float Lerp(float a, float from, float to);
