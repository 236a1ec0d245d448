#include "imaging/SimdLevel.h"

#include <algorithm>
#include <atomic>

namespace orbpix {

namespace {

std::atomic<SimdLevel> g_limit{kWidestSimd};

SimdLevel offered() {
#if defined(__x86_64__) || defined(__i386__)
    static const SimdLevel level = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vnni") &&
            __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx2"))
            return SimdLevel::Avx512Vbmi;
        if (__builtin_cpu_supports("avx2"))
            return SimdLevel::Avx2;
#if defined(__SSE2__)
        return SimdLevel::Sse2;
#else
        return SimdLevel::Plain;
#endif
    }();
    return level;
#else
    return SimdLevel::Plain;
#endif
}

}  // namespace

SimdLevel simdLevel() {
    return std::min(offered(), g_limit.load(std::memory_order_relaxed));
}

void limitSimdLevel(SimdLevel limit) {
    g_limit.store(limit, std::memory_order_relaxed);
}

}  // namespace orbpix
