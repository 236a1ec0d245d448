#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orbpix {

// Centre and radius of one of a ring photograph's two circles, in pixels.
struct LensCircle {
    float cx = 0;
    float cy = 0;
    float radius = 0;
};

// The two circles of a ring photograph; they share one centre.
struct RingCircles {
    LensCircle inner;
    LensCircle outer;
};

// The "CIRCLES" item property: "cx,cy,rin,rout", each truncated toward zero.
std::string formatCirclesText(const RingCircles& circles);
// Reads the property back into both circles (the centre is shared). Anything but four
// numbers separated by commas is no circles at all.
std::optional<RingCircles> parseCirclesText(std::string_view text);

}  // namespace orbpix
