#pragma once

namespace orbpix {

// The widest vector instructions the pixel kernels may use. They choose at run time from what
// the processor offers, so one build runs on any x86-64 machine; every level gives the same
// bytes.
enum class SimdLevel { Plain, Sse2, Avx2, Avx512Vbmi };

// What this processor and build offer, held to the limit below.
SimdLevel simdLevel();

// The highest level there is: the limit when nothing holds the kernels back.
inline constexpr SimdLevel kWidestSimd = SimdLevel::Avx512Vbmi;

// Holds the kernels to a lower level from now on, so that tests can compare every path with
// the plain arithmetic on a machine that offers more. A kernel already running keeps the
// level it started with.
void limitSimdLevel(SimdLevel limit);

}  // namespace orbpix
