#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

#include "core/ElevationLimits.h"
#include "imaging/ColourAdjuster.h"
#include "imaging/PixelImage.h"
#include "imaging/SimdLevel.h"
#include "panorama/ArcSineTables.h"

namespace orbpix::test {

struct ViewRequest {
    int width, height;  // already rounded to 16 × 8
    float pitch, yaw;
    int focal;
    ElevationLimits limits = kNormalElevation;
    bool reverse = false;
};

// Random bytes in every channel, the fourth included.
inline PixelImage noiseStrip(int width, int height, unsigned seed) {
    PixelImage strip;
    if (strip.allocate(width, height)) {
        std::mt19937 random(seed);
        for (std::size_t i = 0; i < strip.byteCount(); ++i)
            strip.bits()[i] = static_cast<std::uint8_t>(random());
    }
    return strip;
}

// The view drawn the plain way: the whole grid of exact rays, every cell pixel by pixel in
// 64-bit arithmetic, the finished frame turned half round for a reversed view, and the colour
// passes over the finished frame by the plain table and matrix.
inline PixelImage referenceView(const PixelImage& strip, const ViewRequest& v,
                                const ColourAdjuster* colour = nullptr) {
    const auto& coarse = ArcSineTables::get().coarse();
    const auto& fine = ArcSineTables::get().fine();
    auto lookUp = [](const ArcSineTables::Table& t, std::int64_t i) {
        return std::int64_t{t[static_cast<std::size_t>(std::clamp<std::int64_t>(i, 0, 4096))]};
    };
    const int W = v.width, H = v.height, gc = W / 8 + 1, gr = H / 8 + 1;
    const std::int64_t h2 = H >> 1, n = (W - W / 2) / 8, sw = strip.width(), sh = strip.height();
    const std::int64_t F = std::max<std::int64_t>(v.focal, h2);
    const double d = std::atan2(double(h2), double(F)) * 180.0 * (1.0 / std::numbers::pi);
    float p = std::isfinite(v.pitch) ? v.pitch : 0.0f;
    if (p - d <= -v.limits.top)
        p = static_cast<float>(d - v.limits.top);
    else if (p + d >= -v.limits.bottom)
        p = static_cast<float>(-v.limits.bottom - d);
    const double radians = double(p) * std::numbers::pi / 180.0;
    const std::int64_t C = static_cast<std::int64_t>(std::cos(radians) * 4096.0);
    const std::int64_t S = static_cast<std::int64_t>(std::sin(radians) * 4096.0);
    std::int64_t Y = static_cast<std::int64_t>(
        std::fmod((std::isfinite(v.yaw) ? v.yaw : 0.0f) * 45.511112f, 16384.0f));
    Y = ((Y % 16384) + 16384) % 16384;
    const std::int64_t rowTop = (std::int64_t{v.limits.top} * 4096) / 90;
    std::vector<std::int64_t> cols(std::size_t(gc) * gr), rows(cols.size());
    for (int r = 0; r < gr; ++r) {
        const std::int64_t y = -h2 + 8 * std::int64_t{r};
        const std::int64_t Z = S * F + C * (-h2) + 8 * C * r, D = C * F - S * (-h2) - 8 * S * r;
        const std::int64_t depth = D >> 12, z = Z >> 7;
        for (std::int64_t i = 0; i <= n; ++i) {
            std::int64_t A = 0, B = 0;
            if (const std::int64_t q = (64 * i * i + depth * depth) >> 2; q > 0)
                A = 4096 * i * i < q ? lookUp(fine, (16777216 * i * i) / q)
                                     : lookUp(coarse, (65536 * i * i) / q);
            if (const std::int64_t R = (y * y + F * F + 64 * i * i) >> 2; R > 0)
                B = z * z < 16 * R ? lookUp(fine, (256 * z * z) / R) : lookUp(coarse, z * z / R);
            if (z <= 0)
                B = -1 - B;
            const std::size_t at = std::size_t(r) * gc;
            cols[at + n + i] = ((Y + A) * sw) >> 2;
            cols[at + n - i] = ((Y - A) * sw) >> 2;
            rows[at + n + i] = rows[at + n - i] =
                std::clamp<std::int64_t>((rowTop + B) * sh, 0, sh * 4096 - 1);
        }
    }
    PixelImage out;
    if (!out.allocate(W, H))
        return out;
    const std::int64_t wrap = sw * 4096;
    for (int r = 1; r < gr; ++r)
        for (int c = 1; c < gc; ++c) {
            const std::size_t t = std::size_t(r - 1) * gc + c - 1, b = t + gc;
            std::int64_t k[4] = {cols[t], cols[t + 1], cols[b], cols[b + 1]};
            const std::int64_t low = *std::min_element(k, k + 4);
            const std::int64_t turns = low >= 0 ? low / wrap : -((-low + wrap - 1) / wrap);
            for (auto& corner : k)
                corner -= turns * wrap;
            const std::int64_t l[4] = {rows[t], rows[t + 1], rows[b], rows[b + 1]};
            for (int w = 0; w < 8; ++w)
                for (int u = 0; u < 8; ++u) {
                    // Bilinear in eighths of the four corners, in 1/4096 of a pixel × 64.
                    auto mix = [&](const std::int64_t* q) {
                        const std::int64_t left = (8 - w) * q[0] + w * q[2];
                        const std::int64_t right = (8 - w) * q[1] + w * q[3];
                        return 8 * left + u * (right - left);
                    };
                    std::int64_t column = mix(k) >> 18;
                    while (column >= sw)
                        column -= sw;
                    const std::int64_t row = mix(l) >> 18;
                    std::copy_n(strip.pixel(int(column), int(row)), 4,
                                out.pixel((c - 1) * 8 + u, (r - 1) * 8 + w));
                }
        }
    if (v.reverse) {
        auto* first = reinterpret_cast<std::uint32_t*>(out.bits());
        std::reverse(first, first + std::size_t(W) * H);
    }
    if (colour) {
        limitSimdLevel(SimdLevel::Plain);
        colour->apply(out.bits(), std::size_t(W) * H);
        limitSimdLevel(kWidestSimd);
    }
    return out;
}

}  // namespace orbpix::test
