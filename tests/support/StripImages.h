#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>

#include "imaging/PixelImage.h"

namespace orbpix::test {

// A strip whose every pixel names its own place: blue and green hold the column, red the
// row. Sizes up to 65536 × 256.
inline PixelImage codedStrip(int width, int height) {
    PixelImage strip;
    if (!strip.allocate(width, height))
        return strip;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = strip.pixel(x, y);
            p[0] = static_cast<std::uint8_t>(x & 0xFF);
            p[1] = static_cast<std::uint8_t>(x >> 8);
            p[2] = static_cast<std::uint8_t>(y);
            p[3] = 0;
        }
    return strip;
}

struct StripPlace {
    int column;
    int row;
};

inline StripPlace placeOf(const PixelImage& view, int x, int y) {
    const std::uint8_t* p = view.pixel(x, y);
    return {p[0] | (p[1] << 8), p[2]};
}

// Where the ray through view pixel (x, y) meets the strip, worked out in floating point from
// the geometry alone, the pitch held so that the view stays between the strip's top and
// bottom (top − 90 degrees).
inline StripPlace expectedPlace(int x, int y, int viewWidth, int viewHeight, double focal,
                                double pitch, double yaw, int top, int stripWidth,
                                int stripHeight) {
    const double pi = std::numbers::pi;
    const double dx = x - viewWidth / 2;
    const double dy = y - (viewHeight >> 1);
    const double f = std::max(focal, double(viewHeight >> 1));
    const double half = std::atan2(double(viewHeight >> 1), f) * 180 / pi;
    if (pitch - half <= -top)
        pitch = half - top;
    else if (pitch + half >= 90 - top)
        pitch = 90 - top - half;
    const double p = pitch * pi / 180;
    const double down = std::sin(p) * f + std::cos(p) * dy;
    const double depth = std::cos(p) * f - std::sin(p) * dy;
    const double across = std::atan2(dx, depth);
    const double elevation = std::asin(down / std::sqrt(dx * dx + dy * dy + f * f)) * 180 / pi;
    double column = (yaw / 360 + across / (2 * pi)) * stripWidth;
    column = std::fmod(std::fmod(column, stripWidth) + stripWidth, stripWidth);
    const double row = (top + elevation) / 90 * stripHeight;
    return {static_cast<int>(column), static_cast<int>(row)};
}

inline int circularDistance(int a, int b, int period) {
    const int d = std::abs(a - b) % period;
    return std::min(d, period - d);
}

}  // namespace orbpix::test
