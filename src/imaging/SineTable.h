#pragma once

#include <cstdint>

namespace orbpix {

// 14-bit sines of a full turn in 16384 steps: entry k is 16384·sin(2πk/16384), rounded by
// adding 0.5 and truncating toward zero. The cosine of step k is entry (k + 4096) & 16383.
class SineTable {
public:
    static constexpr int kSize = 16384;
    static constexpr int kMask = kSize - 1;
    static constexpr int kQuarter = kSize / 4;

    // The table, filled on first use by whichever thread gets there first.
    static const std::int32_t* entries();
    static std::int32_t sine(int k) { return entries()[k & kMask]; }
    static std::int32_t cosine(int k) { return entries()[(k + kQuarter) & kMask]; }
};

}  // namespace orbpix
