#pragma once

#include <cstdint>
#include <functional>

#include "imaging/PixelImage.h"

namespace orbpix::test {

// A w × h picture whose pixel (x, y) gets the blue, green and red of colour(x, y); the
// fourth byte is 0xFF.
struct Bgr {
    std::uint8_t b, g, r;
};
inline PixelImage makeImage(int w, int h, const std::function<Bgr(int x, int y)>& colour) {
    PixelImage image;
    if (!image.allocate(w, h))
        return image;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Bgr c = colour(x, y);
            std::uint8_t* p = image.pixel(x, y);
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
            p[3] = 0xFF;
        }
    return image;
}

inline PixelImage greyImage(int w, int h, std::uint8_t level) {
    return makeImage(w, h, [level](int, int) { return Bgr{level, level, level}; });
}

// A bright disc on a dark ground, pixels whose centre lies within the radius.
inline PixelImage discImage(int w, int h, double cx, double cy, double radius) {
    return makeImage(w, h, [=](int x, int y) {
        const double dx = x - cx, dy = y - cy;
        const std::uint8_t v = dx * dx + dy * dy <= radius * radius ? 200 : 12;
        return Bgr{v, v, v};
    });
}

}  // namespace orbpix::test
