#pragma once

#include <cstdint>

namespace orbpix {

// The elevations of a panorama strip's top and bottom rows, in whole degrees above the
// horizon: positive is above, negative below. The strip's rows run from top down to bottom,
// so a strip the right way up has top > bottom.
struct ElevationLimits {
    std::int32_t top = 0;
    std::int32_t bottom = 0;
    bool operator==(const ElevationLimits&) const = default;
};

// The strip the normal unwrapper makes: from 26 degrees above the horizon to 64 below.
// Everything that shows or stores a strip without other limits assumes these.
inline constexpr ElevationLimits kNormalElevation{26, -64};

// The limits of the strip unwrapped from a ring taken with the lens mounted upside down,
// given those of the normal mounting: the reverse unwrapper measures from the other pole
// (top 64 and bottom −26 for the normal limits).
constexpr ElevationLimits upsideDown(ElevationLimits limits) {
    return {90 - limits.top, -limits.bottom - 90};
}

}  // namespace orbpix
