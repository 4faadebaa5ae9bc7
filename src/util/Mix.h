#pragma once
#include <cstdint>

// SplitMix64's step: `x` plus the golden-ratio increment, then mixed. Small, well spread
// and the same on every compiler: printed exams' shuffles replay from a seed through it.
inline uint64_t SplitMix64(uint64_t x)
{
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}
