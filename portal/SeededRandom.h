#pragma once

// Deterministic numbers for the sample portal: everything it serves is a pure function
// of --seed and the request, so tests see the same titles, kinds and bytes every run.
#include <cstdint>
#include <string>

inline std::uint64_t Mix64(std::uint64_t x)
{
    // splitmix64 finaliser: cheap and well spread, which is all a fixture needs.
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

inline std::uint64_t Mix64(std::uint64_t a, std::uint64_t b)
{
    return Mix64(a ^ Mix64(b));
}

inline std::uint64_t HashText(const std::string &text)
{
    std::uint64_t h = 1469598103934665603ULL; // FNV-1a
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ULL;
    }
    return h;
}
