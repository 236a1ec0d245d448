#pragma once

#include <cstdint>

namespace orbpix {

// A limit of the fitting box; kUnlimited means that side is not limited.
inline constexpr int kUnlimited = -1;

struct FitSize {
    int width;
    int height;
    bool operator==(const FitSize&) const = default;
};

// The size a picture of e × f pixels gets when fitted into a box of a × b (either side may
// be kUnlimited): never enlarged, aspect ratio kept with truncating divisions.
constexpr FitSize fitIntoBox(int e, int f, int a, int b) {
    const std::int64_t E = e, F = f, A = a, B = b;
    const bool bFree = b == kUnlimited || B >= F;
    if (a == kUnlimited || A >= E) {
        if (bFree)
            return {e, f};
        return {static_cast<int>(B * E / F), b};
    }
    if (bFree || B * E >= A * F)
        return {a, static_cast<int>(A * F / E)};
    return {static_cast<int>(B * E / F), b};
}

}  // namespace orbpix
