#include "imaging/Unwrap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "TestImages.h"
#include "imaging/SimdLevel.h"
#include "imaging/SineTable.h"

namespace orbpix {
namespace {

using test::Bgr;

// Pixel (x, y) = blue x, green y, red x + y: bilinear blends can be checked by hand.
PixelImage gradient(int w, int h) {
    return test::makeImage(w, h, [](int x, int y) {
        return Bgr{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                   static_cast<std::uint8_t>(x + y)};
    });
}

PixelImage noise(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    return test::makeImage(w, h, [&](int, int) {
        return Bgr{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                   static_cast<std::uint8_t>(random())};
    });
}

Bgr at(const PixelImage& image, int x, int y) {
    const std::uint8_t* p = image.pixel(x, y);
    return {p[0], p[1], p[2]};
}

void expectPixel(const PixelImage& image, int x, int y, Bgr expected) {
    const Bgr actual = at(image, x, y);
    EXPECT_EQ(actual.b, expected.b) << "blue at " << x << "," << y;
    EXPECT_EQ(actual.g, expected.g) << "green at " << x << "," << y;
    EXPECT_EQ(actual.r, expected.r) << "red at " << x << "," << y;
}

// The unwrap written out plainly, one pixel and one channel at a time, with every
// neighbour clamped into the picture.
PanoramaResult referenceUnwrap(const PixelImage& src, RingCircles c, int w, int h, bool reverse) {
    const int bottom = reverse ? -26 : -64;
    const int top = reverse ? 64 : 26;
    auto lens = [](double t) { return 7.2123 + t * (-0.1379 + t * (0.0005 + t * 0.000002)); };
    PanoramaResult result;
    EXPECT_TRUE(result.image.allocate(w, h));
    const std::int64_t x0 = static_cast<std::int64_t>(c.inner.cx * 64.0);
    const std::int64_t y0 = static_cast<std::int64_t>(c.inner.cy * 64.0);
    for (int i = 0; i < h; ++i) {
        const double theta =
            reverse ? bottom + double(top - bottom) * i / h : top - double(top - bottom) * i / h;
        const std::int64_t r = static_cast<std::int64_t>(
            c.inner.radius + (lens(theta) - lens(top)) * (double(c.outer.radius) - c.inner.radius) /
                                 (lens(bottom) - lens(top)));
        const std::int64_t r64 = r * 64;
        for (int j = 0; j < w; ++j) {
            const int a = static_cast<int>(std::int64_t{j} * 16384 / w);
            const std::int64_t s = SineTable::sine(a);
            const std::int64_t co = SineTable::sine((a + 4096) & 16383);
            const std::int64_t x = reverse ? x0 - ((co * r64) >> 14) : x0 + ((co * r64) >> 14);
            const std::int64_t y = y0 - ((s * r64) >> 14);
            const int fx = static_cast<int>(x & 63), fy = static_cast<int>(y & 63);
            auto cx = [&](std::int64_t k) {
                return static_cast<int>(std::clamp<std::int64_t>(k, 0, src.width() - 1));
            };
            auto cy = [&](std::int64_t l) {
                return static_cast<int>(std::clamp<std::int64_t>(l, 0, src.height() - 1));
            };
            const std::uint8_t* tl = src.pixel(cx(x >> 6), cy(y >> 6));
            const std::uint8_t* tr = src.pixel(cx((x >> 6) + 1), cy(y >> 6));
            const std::uint8_t* bl = src.pixel(cx(x >> 6), cy((y >> 6) + 1));
            const std::uint8_t* br = src.pixel(cx((x >> 6) + 1), cy((y >> 6) + 1));
            std::uint8_t* out = result.image.pixel(j, i);
            for (int ch = 0; ch < 3; ++ch)
                out[ch] =
                    static_cast<std::uint8_t>((fy * (br[ch] * fx + bl[ch] * (64 - fx)) +
                                               (64 - fy) * (tr[ch] * fx + tl[ch] * (64 - fx))) >>
                                              12);
            ++result.luminance[(out[0] + 3 * out[2] + 6 * out[1]) / 10];
            ++result.chroma[(7 * out[0] + out[2] - 8 * out[1]) / 16 + 128];
        }
    }
    return result;
}

RingCircles circles(float cx, float cy, float rin, float rout) {
    return {{cx, cy, rin}, {cx, cy, rout}};
}

std::unique_ptr<PanoramaResult> run(const PixelImage& src, const RingCircles& c, int w, int h,
                                    bool reverse, int threads = 1) {
    std::unique_ptr<PanoramaUnwrapper> unwrapper;
    if (reverse)
        unwrapper = std::make_unique<ReverseUnwrapper>();
    else
        unwrapper = std::make_unique<PanoramaUnwrapper>();
    unwrapper->setThreads(threads);
    return unwrapper->unwrap(src, &c.outer, &c.inner, w, h, {});
}

void expectSameAsReference(const PixelImage& src, const RingCircles& c, int w, int h, bool reverse,
                           int threads = 1) {
    const auto result = run(src, c, w, h, reverse, threads);
    ASSERT_TRUE(result);
    const PanoramaResult expected = referenceUnwrap(src, c, w, h, reverse);
    ASSERT_EQ(result->image.width(), w);
    ASSERT_EQ(result->image.height(), h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Bgr a = at(result->image, x, y), e = at(expected.image, x, y);
            ASSERT_TRUE(a.b == e.b && a.g == e.g && a.r == e.r)
                << "pixel " << x << "," << y << (reverse ? " reverse" : " normal");
        }
    EXPECT_EQ(result->luminance, expected.luminance);
    EXPECT_EQ(result->chroma, expected.chroma);
}

TEST(Unwrap, HandComputedPixelsNormal) {
    const PixelImage src = gradient(64, 64);
    const auto result = run(src, circles(32, 32, 10, 20), 8, 2, false);
    ASSERT_TRUE(result);
    // Row 0 lies on the inner circle (R = 10 px = 640/64).
    expectPixel(result->image, 0, 0, {42, 32, 74});  // angle 0: straight right
    // Angle 45°: cos = sin = 11585/16384, offset (11585·640) >> 14 = 452 → x = 2500,
    // y = 1596 in 1/64 px: column 39 + 4/64, row 24 + 60/64.
    expectPixel(result->image, 1, 0, {39, 24, 64});
    expectPixel(result->image, 2, 0, {32, 22, 54});  // angle 90°: straight up
    expectPixel(result->image, 4, 0, {22, 32, 54});  // 180°: left
    expectPixel(result->image, 6, 0, {32, 42, 74});  // 270°: down
    // Row 1: θ = 26 − 90/2 = −19°, R = trunc(10 + (P(−19) − P(26))·10/(P(−64) − P(26))) = 14.
    expectPixel(result->image, 0, 1, {46, 32, 78});
    // The fourth byte is made opaque.
    EXPECT_EQ(result->image.pixel(3, 1)[3], 0xFF);
    EXPECT_EQ(result->topAngle, 26);
    EXPECT_EQ(result->bottomAngle, -64);
    // Pixel (0,0): luminance (42 + 3·74 + 6·32)/10 = 45, chroma (7·42 + 74 − 8·32)/16 + 128.
    EXPECT_GE(result->luminance[45], 1);
    EXPECT_GE(result->chroma[135], 1);
}

TEST(Unwrap, HandComputedPixelsReverse) {
    const PixelImage src = gradient(64, 64);
    const auto result = run(src, circles(32, 32, 10, 20), 8, 2, true);
    ASSERT_TRUE(result);
    // Row 0 lies on the outer circle and the columns run the other way round.
    expectPixel(result->image, 0, 0, {12, 32, 44});
    expectPixel(result->image, 2, 0, {32, 12, 44});
    expectPixel(result->image, 4, 0, {52, 32, 84});
    // Row 1: θ = −26 + 45 = 19°, R = 13.
    expectPixel(result->image, 0, 1, {19, 32, 51});
    EXPECT_EQ(result->topAngle, 26);
    EXPECT_EQ(result->bottomAngle, -64);
}

TEST(Unwrap, UniformRingFillsOneBinOfEachHistogram) {
    const auto grey = run(test::greyImage(80, 80, 100), circles(40, 40, 8, 35), 64, 16, false);
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->luminance[100], 64 * 16);
    EXPECT_EQ(grey->chroma[128], 64 * 16);
    // A green pixel: (7·10 + 30 − 8·200)/16 = −93.75 truncates toward zero to −93.
    const PixelImage green = test::makeImage(80, 80, [](int, int) { return Bgr{10, 200, 30}; });
    const auto result = run(green, circles(40, 40, 8, 35), 64, 16, true);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->luminance[130], 64 * 16);
    EXPECT_EQ(result->chroma[35], 64 * 16);
}

// Every level of vector instructions this processor offers, the plain one included, with
// tiles cut short at the end of a strip (1001 columns) and rows clamped at the picture's edge.
TEST(Unwrap, MatchesThePlainArithmeticOnNoise) {
    const PixelImage src = noise(301, 257, 7);
    const PixelImage small = noise(61, 61, 11);
    // Random rings and strip sizes too, some of them reaching the picture's edge.
    std::mt19937 random(5);
    std::uniform_real_distribution<float> unit(0, 1);
    std::vector<std::tuple<RingCircles, int, int>> rings;
    while (rings.size() < 6) {
        const float cx = 60 + 180 * unit(random), cy = 60 + 137 * unit(random);
        const float rout = std::min({cx, cy, 300 - cx, 256 - cy}) * (0.7f + 0.31f * unit(random));
        const RingCircles c = circles(cx, cy, rout * 0.6f * unit(random), rout);
        if (ringCanBeUnwrapped(c, 301, 257))
            rings.emplace_back(c, 1 + static_cast<int>(random() % 700),
                               1 + static_cast<int>(random() % 90));
    }
    const SimdLevel offered = simdLevel();
    struct Widest {
        ~Widest() { limitSimdLevel(kWidestSimd); }
    } widest;
    for (const SimdLevel level :
         {SimdLevel::Plain, SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Avx512Vbmi}) {
        if (level > offered)
            break;
        SCOPED_TRACE(testing::Message() << "level " << static_cast<int>(level));
        limitSimdLevel(level);
        for (const bool reverse : {false, true}) {
            expectSameAsReference(src, circles(150.3f, 128.7f, 25.2f, 120.9f), 512, 128, reverse);
            expectSameAsReference(src, circles(150, 128, 0, 127), 1001, 37, reverse);
            expectSameAsReference(small, circles(29.5f, 29.5f, 3, 30.4f), 400, 100, reverse);
            for (const auto& [c, w, h] : rings)
                expectSameAsReference(src, c, w, h, reverse);
        }
    }
}

// A helper thread makes the lower half of the bands: the strip and histograms stay those of
// the plain arithmetic, with a split inside the picture, at its edge, and none for a strip of
// a single band.
TEST(Unwrap, TwoThreadsMatchThePlainArithmetic) {
    const PixelImage src = noise(301, 257, 13);
    for (const bool reverse : {false, true}) {
        expectSameAsReference(src, circles(150.3f, 128.7f, 25.2f, 120.9f), 512, 300, reverse, 2);
        expectSameAsReference(src, circles(150, 128, 0, 127), 333, 131, reverse, 2);
        expectSameAsReference(src, circles(140, 120, 10, 100), 64, 40, reverse, 2);
    }
}

TEST(Unwrap, TwoThreadsReportEveryRowInOrderAndCanBeCancelled) {
    const PixelImage src = noise(120, 120, 17);
    const RingCircles c = circles(60, 60, 8, 55);
    PanoramaUnwrapper unwrapper;
    unwrapper.setThreads(2);
    int calls = 0;
    ASSERT_TRUE(unwrapper.unwrap(src, &c.outer, &c.inner, 200, 400, [&] {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 100);
    calls = 0;
    EXPECT_FALSE(unwrapper.unwrap(src, &c.outer, &c.inner, 200, 400, [&] { return ++calls == 5; }));
    EXPECT_EQ(calls, 5);
}

TEST(Unwrap, AReusedResultGivesTheSameStripAndHistogramsAsAFreshOne) {
    const PixelImage src = noise(301, 257, 7);
    const RingCircles c = circles(150.3f, 128.7f, 25.2f, 120.9f);
    PanoramaUnwrapper unwrapper;
    // Larger, then smaller, then larger than the block it lends: stale pixels or counts
    // would show.
    auto previous = unwrapper.unwrap(src, &c.outer, &c.inner, 800, 200, {});
    ASSERT_TRUE(previous);
    for (const auto& [w, h] : {std::pair{512, 128}, std::pair{1001, 237}}) {
        const auto fresh = unwrapper.unwrap(src, &c.outer, &c.inner, w, h, {});
        previous = unwrapper.unwrap(src, &c.outer, &c.inner, w, h, {}, std::move(previous));
        ASSERT_TRUE(fresh && previous);
        ASSERT_EQ(previous->image.width(), w);
        ASSERT_EQ(previous->image.height(), h);
        EXPECT_EQ(
            0, std::memcmp(fresh->image.bits(), previous->image.bits(), fresh->image.byteCount()));
        EXPECT_EQ(fresh->luminance, previous->luminance);
        EXPECT_EQ(fresh->chroma, previous->chroma);
    }
}

TEST(Unwrap, SamplesAtThePictureEdgeStayInside) {
    // Centre 29.5 rounds to 30 and radius 30.4 to 30, so the circles pass the validity test,
    // but the last rows reach column −1: every neighbour is clamped into the picture.
    const PixelImage src = noise(61, 61, 11);
    const RingCircles c = circles(29.5f, 29.5f, 3, 30.4f);
    ASSERT_TRUE(circlesInsideImage(&c.outer, &c.inner, 61, 61));
    const auto result = run(src, c, 400, 100, false);
    ASSERT_TRUE(result);
    for (const bool reverse : {false, true})
        expectSameAsReference(src, c, 400, 100, reverse);
}

TEST(Unwrap, LargeRadiiDoNotOverflow) {
    // c·R64 = 16384·2100·64 exceeds 2^31.
    const int size = 4300;
    PixelImage src = test::makeImage(size, size, [](int x, int y) {
        return Bgr{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x >> 8),
                   static_cast<std::uint8_t>(y >> 8)};
    });
    const auto result = run(src, circles(2150, 2150, 2100, 2140), 16, 1, false);
    ASSERT_TRUE(result);
    // Angle 0 on the inner circle: column 2150 + 2100 = 4250, row 2150.
    expectPixel(result->image, 0, 0, {static_cast<std::uint8_t>(4250), 4250 >> 8, 2150 >> 8});
    // Angle 180°: column 50.
    expectPixel(result->image, 8, 0, {50, 0, 2150 >> 8});
}

TEST(Unwrap, ValidityRoundsCentreAndRadii) {
    auto inside = [](float cx, float cy, float rin, float rout, int w, int h) {
        const RingCircles c = circles(cx, cy, rin, rout);
        return circlesInsideImage(&c.outer, &c.inner, w, h);
    };
    EXPECT_TRUE(inside(50, 50, 10, 49, 100, 100));
    EXPECT_FALSE(inside(50, 50, 10, 50, 100, 100));     // 50 + 50 reaches column 100
    EXPECT_TRUE(inside(50, 50, 10, 49.4f, 100, 100));   // the radius rounds to 49
    EXPECT_FALSE(inside(50, 50, 10, 49.5f, 100, 100));  // ... and to 50
    EXPECT_TRUE(inside(50.4f, 50, 10, 49, 100, 100));   // the centre rounds to 50
    EXPECT_FALSE(inside(50.5f, 50, 10, 49, 100, 100));  // ... and to 51
    EXPECT_TRUE(inside(48.5f, 50, 10, 49, 100, 100));   // 49 − 49 = 0 is inside
    EXPECT_FALSE(inside(48.4f, 50, 10, 49, 100, 100));
    EXPECT_FALSE(inside(50, 50, 10, 49, 100, 99));   // rows are checked too
    EXPECT_FALSE(inside(50, 50, 60, 40, 100, 100));  // so is the inner radius
    EXPECT_FALSE(inside(50, 50, 10, NAN, 100, 100));
    EXPECT_FALSE(inside(50, 50, 10, 1e30f, 100, 100));
    const RingCircles c = circles(50, 50, 10, 40);
    EXPECT_FALSE(circlesInsideImage(nullptr, &c.inner, 100, 100));
    EXPECT_FALSE(circlesInsideImage(&c.outer, nullptr, 100, 100));
}

TEST(Unwrap, InvalidCirclesOrSizesGiveNothing) {
    const PixelImage src = noise(50, 50, 3);
    const RingCircles c = circles(25, 25, 5, 30);
    EXPECT_FALSE(run(src, c, 40, 10, false));
    const RingCircles ok = circles(25, 25, 5, 20);
    EXPECT_FALSE(run(src, ok, 0, 10, false));
    EXPECT_FALSE(run(src, ok, 40, 0, false));
    PanoramaUnwrapper unwrapper;
    EXPECT_FALSE(unwrapper.unwrap(src, nullptr, &ok.inner, 40, 10, {}));
}

TEST(Unwrap, ProgressReportsEachPercentAndCanCancel) {
    const PixelImage src = noise(50, 50, 5);
    const RingCircles c = circles(25, 25, 5, 20);
    PanoramaUnwrapper unwrapper;
    int calls = 0;
    EXPECT_TRUE(unwrapper.unwrap(src, &c.outer, &c.inner, 80, 200, [&] {
        ++calls;
        return false;
    }));
    EXPECT_EQ(calls, 100);  // rows 0, 2, 4, ... start a new percent
    calls = 0;
    EXPECT_FALSE(unwrapper.unwrap(src, &c.outer, &c.inner, 80, 200, [&] { return ++calls == 3; }));
    EXPECT_EQ(calls, 3);
    // The abort flag stops a synchronous unwrap after the current row ...
    EXPECT_FALSE(unwrapper.unwrap(src, &c.outer, &c.inner, 80, 200, [&] {
        requestUnwrapAbort();
        return false;
    }));
    // ... and is cleared when the next one starts.
    EXPECT_TRUE(unwrapper.unwrap(src, &c.outer, &c.inner, 80, 200, {}));
}

TEST(Unwrap, ReverseRowsRunFromTheOuterCircle) {
    // Blue grows with the distance from the centre.
    const PixelImage src = test::makeImage(101, 101, [](int x, int y) {
        const int d = static_cast<int>(std::hypot(x - 50, y - 50));
        return Bgr{static_cast<std::uint8_t>(std::min(d * 5, 255)), 0, 0};
    });
    const RingCircles c = circles(50, 50, 10, 45);
    const auto normal = run(src, c, 64, 16, false);
    const auto reverse = run(src, c, 64, 16, true);
    ASSERT_TRUE(normal && reverse);
    // Normal row 0 is on the inner circle, reverse row 0 on the outer one.
    EXPECT_LT(at(normal->image, 0, 0).b, at(normal->image, 0, 15).b);
    EXPECT_GT(at(reverse->image, 0, 0).b, at(reverse->image, 0, 15).b);
}

TEST(Unwrap, ProfileAndReverseAngles) {
    PanoramaUnwrapper normal;
    EXPECT_EQ(normal.bottomAngle(), -64);
    EXPECT_EQ(normal.topAngle(), 26);
    EXPECT_NEAR(normal.lensProfile(26), 4.000052, 1e-9);
    EXPECT_NEAR(normal.lensProfile(-64), 17.561612, 1e-9);
    ReverseUnwrapper reverse;
    EXPECT_EQ(reverse.bottomAngle(), -26);
    EXPECT_EQ(reverse.topAngle(), 64);
    reverse.setAngles(-30, 60);
    EXPECT_EQ(reverse.bottomAngle(), -30);
}

TEST(Unwrap, PreviewHeight) {
    EXPECT_EQ(previewHeight(100), 157);
    EXPECT_EQ(previewHeight(540), 800);
    EXPECT_EQ(previewHeight(509.3f), 800);
    EXPECT_EQ(previewHeight(509), 799);
    EXPECT_EQ(previewHeight(0.5f), 0);
    EXPECT_EQ(previewHeight(-3), 0);
}

TEST(Unwrap, CumulativeHistogramsScaleTo255) {
    PanoramaResult result;
    result.luminance[10] = 1;
    result.luminance[20] = 3;
    result.chroma[128] = 7;
    makeCumulativeHistograms(result);
    EXPECT_EQ(result.luminance[9], 0);
    EXPECT_EQ(result.luminance[10], 63);  // 1·255/4
    EXPECT_EQ(result.luminance[19], 63);
    EXPECT_EQ(result.luminance[20], 255);
    EXPECT_EQ(result.luminance[255], 255);
    EXPECT_EQ(result.chroma[127], 0);
    EXPECT_EQ(result.chroma[128], 255);
    PanoramaResult empty;
    makeCumulativeHistograms(empty);
    EXPECT_EQ(empty.luminance[255], 0);
}

}  // namespace
}  // namespace orbpix
