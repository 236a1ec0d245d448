#include "imaging/LensCircle.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace orbpix {

namespace {

int truncated(float value) {
    // Values beyond the int range cannot come from a picture; keep the conversion defined.
    if (!std::isfinite(value))
        return 0;
    const double d = std::trunc(static_cast<double>(value));
    if (d >= 2147483647.0)
        return 2147483647;
    if (d <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(d);
}

}  // namespace

std::string formatCirclesText(const RingCircles& circles) {
    char text[64];
    std::snprintf(text, sizeof text, "%d,%d,%d,%d", truncated(circles.outer.cx),
                  truncated(circles.outer.cy), truncated(circles.inner.radius),
                  truncated(circles.outer.radius));
    return text;
}

std::optional<RingCircles> parseCirclesText(std::string_view text) {
    float values[4];
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (int i = 0; i < 4; ++i) {
        while (p < end && (*p == ' ' || *p == '\t'))
            ++p;
        if (p < end && *p == '+')
            ++p;
        const auto [next, ec] = std::from_chars(p, end, values[i]);
        if (ec != std::errc() || !std::isfinite(values[i]))
            return std::nullopt;
        p = next;
        while (p < end && (*p == ' ' || *p == '\t'))
            ++p;
        if (i < 3) {
            if (p == end || *p != ',')
                return std::nullopt;
            ++p;
        }
    }
    RingCircles circles;
    circles.inner = {values[0], values[1], values[2]};
    circles.outer = {values[0], values[1], values[3]};
    return circles;
}

}  // namespace orbpix
