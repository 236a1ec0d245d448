#include "imaging/ColourAdjuster.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "imaging/SimdLevel.h"

namespace orbpix {
namespace {

TEST(ColourCorrectionText, RoundTripsAndRejectsAnythingButThreeIntegers) {
    EXPECT_EQ(formatColourCorrection({-5, 120, 255}), "-5,120,255");
    EXPECT_EQ(parseColourCorrection("-5,120,255"), (ColourCorrection{-5, 120, 255}));
    EXPECT_EQ(parseColourCorrection(" 1, 2 ,3"), (ColourCorrection{1, 2, 3}));
    for (const char* bad : {"", "1,2", "1,2,3,4", "a,b,c", "1,,3", "1,2,3x", "99999999999,0,0"})
        EXPECT_FALSE(parseColourCorrection(bad)) << bad;
}

TEST(ToneTable, FollowsBrightnessAndContrastWithPivotAt128) {
    ColourAdjuster adjuster;
    adjuster.setBrightnessContrast(0, 128);
    EXPECT_EQ(adjuster.toneTable()[0], 0);
    EXPECT_EQ(adjuster.toneTable()[128], 128);
    EXPECT_EQ(adjuster.toneTable()[150], (150 * 384 - 32768) / 128);
    EXPECT_EQ(adjuster.toneTable()[255], 255);  // 509 before clamping

    adjuster.setBrightnessContrast(0, -128);
    EXPECT_EQ(adjuster.toneTable()[0], 85);
    EXPECT_EQ(adjuster.toneTable()[128], 128);
    EXPECT_EQ(adjuster.toneTable()[255], 170);

    adjuster.setBrightnessContrast(20, 0);
    EXPECT_EQ(adjuster.toneTable()[128], 148);
    EXPECT_EQ(adjuster.toneTable()[250], 255);

    // Truncation toward zero for a negative quotient: (10·320 − 16384) / 192 = −68.6.
    adjuster.setBrightnessContrast(100, 64);
    EXPECT_EQ(adjuster.toneTable()[10], 100 - 68);
}

TEST(ToneTable, ContrastBeyondTheSliderNeverDividesByZero) {
    ColourAdjuster adjuster, limit;
    limit.setBrightnessContrast(0, 128);
    for (int contrast : {256, 258, 1000}) {
        adjuster.setBrightnessContrast(0, contrast);
        EXPECT_EQ(adjuster.toneTable(), limit.toneTable()) << contrast;
    }
}

TEST(SaturationMatrix, RowsFollowTheGreyWeights) {
    ColourAdjuster adjuster;
    adjuster.setSaturation(1);  // s = −1: an arithmetic shift rounds −k/256 down to −1
    EXPECT_EQ(adjuster.matrix(),
              (std::array<std::int32_t, 12>{1027, -3, -1, 0, -2, 1026, -1, 0, -2, -3, 1028, 0}));
    adjuster.setSaturation(-255);  // s = 255: almost grey
    EXPECT_EQ(adjuster.matrix(),
              (std::array<std::int32_t, 12>{310, 611, 101, 0, 305, 616, 101, 0, 305, 611, 106, 0}));
    adjuster.setSaturation(0);
    EXPECT_EQ(adjuster.matrix(),
              (std::array<std::int32_t, 12>{1024, 0, 0, 0, 0, 1024, 0, 0, 0, 0, 1024, 0}));
}

std::vector<std::uint8_t> pixelsOf(std::initializer_list<std::uint32_t> values) {
    std::vector<std::uint8_t> bytes;
    for (std::uint32_t v : values)
        for (int k = 0; k < 4; ++k)
            bytes.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    return bytes;
}

TEST(ColourAdjuster, NeutralCorrectionLeavesPixelsAlone) {
    ColourAdjuster adjuster;
    adjuster.configure({0, 0, 0});
    EXPECT_FALSE(adjuster.toneTableEnabled());
    EXPECT_FALSE(adjuster.matrixEnabled());
    auto pixels = pixelsOf({0x12345678, 0xFFFFFFFF, 0x00000000});
    const auto before = pixels;
    adjuster.apply(pixels.data(), 3);
    EXPECT_EQ(pixels, before);
}

TEST(ColourAdjuster, FullSaturationKeepsPureRedAndClampsTheOthers) {
    ColourAdjuster adjuster;
    adjuster.configure({0, 0, 255});
    EXPECT_TRUE(adjuster.matrixEnabled());
    auto pixels = pixelsOf({0xAAFF0000, 0x55FF0000, 0x00FF0000, 0x11FF0000, 0x22FF0000});
    adjuster.apply(pixels.data(), 5);
    EXPECT_EQ(pixels, pixelsOf({0xAAFF0000, 0x55FF0000, 0x00FF0000, 0x11FF0000, 0x22FF0000}));
}

// Straight from the definition, to check the vectorised passes against.
void referenceApply(const ColourAdjuster& a, std::uint8_t* p, std::size_t count) {
    const auto& t = a.toneTable();
    const auto& m = a.matrix();
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        int b = p[0], g = p[1], r = p[2];
        if (a.toneTableEnabled())
            b = t[b], g = t[g], r = t[r];
        if (a.matrixEnabled()) {
            auto ch = [&](int row) {
                const int sum =
                    m[row * 4] * r + m[row * 4 + 1] * g + m[row * 4 + 2] * b + m[row * 4 + 3];
                return std::clamp(sum, 0, 261120) >> 10;
            };
            const int nr = ch(0), ng = ch(1), nb = ch(2);
            r = nr, g = ng, b = nb;
        }
        p[0] = static_cast<std::uint8_t>(b);
        p[1] = static_cast<std::uint8_t>(g);
        p[2] = static_cast<std::uint8_t>(r);
    }
}

TEST(ColourAdjuster, EveryPassCombinationMatchesTheDefinition) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> source(4 * 4099);  // not a multiple of the vector width
    for (auto& byte : source)
        byte = static_cast<std::uint8_t>(random());
    for (ColourCorrection cc : {ColourCorrection{35, 0, 0}, ColourCorrection{0, -90, 0},
                                ColourCorrection{0, 0, -255}, ColourCorrection{0, 0, 140},
                                ColourCorrection{-40, 128, 255}, ColourCorrection{15, -60, -75}}) {
        ColourAdjuster adjuster;
        adjuster.configure(cc);
        auto expected = source, actual = source;
        referenceApply(adjuster, expected.data(), 4099);
        adjuster.apply(actual.data(), 4099);
        EXPECT_EQ(actual, expected) << formatColourCorrection(cc);
    }
}

// Every contrast of the slider with brightness from far below to far above the range, and
// saturations across theirs, on pixels that hold every byte value in every channel and run
// past the vector width: each pass alone and both together must give the definition's bytes,
// whichever vector width the processor allows.
class ColourAdjusterAtLevel : public ::testing::TestWithParam<SimdLevel> {
protected:
    void SetUp() override { limitSimdLevel(GetParam()); }
    void TearDown() override { limitSimdLevel(kWidestSimd); }
};

TEST_P(ColourAdjusterAtLevel, EverySliderSettingMatchesTheDefinition) {
    std::mt19937 random(11);
    constexpr std::size_t kCount = 256 * 3 + 13;
    std::vector<std::uint8_t> source(4 * kCount);
    for (std::size_t i = 0; i < kCount; ++i) {
        // Each channel sweeps 0..255 in a different order; the fourth byte is random.
        source[4 * i] = static_cast<std::uint8_t>(i);
        source[4 * i + 1] = static_cast<std::uint8_t>(i * 7 + 3);
        source[4 * i + 2] = static_cast<std::uint8_t>(255 - i);
        source[4 * i + 3] = static_cast<std::uint8_t>(random());
    }
    for (int contrast = -kContrastLimit - 3; contrast <= kContrastLimit + 3; ++contrast) {
        const int brightness = std::array{
            -300, -128, -17, 0, 9, 128, 300}[static_cast<std::size_t>((contrast % 7 + 7) % 7)];
        const int saturation = (contrast * 37) % (kSaturationLimit + 1);
        ColourAdjuster adjuster;
        adjuster.setBrightnessContrast(brightness, contrast);
        adjuster.setSaturation(saturation);
        for (const auto& [tone, matrix] :
             {std::pair{true, false}, std::pair{false, true}, std::pair{true, true}}) {
            adjuster.enableToneTable(tone);
            adjuster.enableMatrix(matrix);
            auto expected = source, actual = source;
            referenceApply(adjuster, expected.data(), kCount);
            if (tone && matrix)
                adjuster.applyToneTableThenMatrix(actual.data(), kCount);
            else if (tone)
                adjuster.applyToneTable(actual.data(), kCount);
            else
                adjuster.applyMatrix(actual.data(), kCount);
            ASSERT_EQ(actual, expected)
                << "brightness " << brightness << " contrast " << contrast << " saturation "
                << saturation << " tone " << tone << " matrix " << matrix;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Levels, ColourAdjusterAtLevel,
                         ::testing::Values(SimdLevel::Plain, SimdLevel::Sse2, SimdLevel::Avx2,
                                           SimdLevel::Avx512Vbmi));

TEST(ColourAdjuster, ResetSwitchesBothPassesOffAndRestoresTheIdentityTable) {
    ColourAdjuster adjuster;
    adjuster.configure({10, 20, 30});
    adjuster.reset();
    EXPECT_FALSE(adjuster.toneTableEnabled());
    EXPECT_FALSE(adjuster.matrixEnabled());
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(adjuster.toneTable()[i], i);
}

std::array<std::int32_t, 256> cumulative(const std::array<std::int64_t, 256>& counts) {
    std::array<std::int32_t, 256> result{};
    std::int64_t total = 0, running = 0;
    for (auto c : counts)
        total += c;
    for (int i = 0; i < 256; ++i)
        result[i] = static_cast<std::int32_t>((running += counts[i]) * 255 / total);
    return result;
}

TEST(AutomaticCorrection, SingleLuminanceBinIsClampedToTheSliderRange) {
    std::array<std::int64_t, 256> lum{}, chroma{};
    lum[90] = 1000;
    chroma[128] = 1000;
    // lo 90, hi 89: contrast (257·256)/255 = 258, beyond what the tone table can take.
    const ColourCorrection cc = automaticCorrection(cumulative(lum), cumulative(chroma));
    EXPECT_EQ(cc.contrast, 128);
    EXPECT_EQ(cc.brightness, -128);  // ((77·128)/(−1) − 90 + 128)/2 = −4909 before clamping
    // clo 128, chi 127: w = 0, (100000/514)/60 = 3.
    EXPECT_EQ(cc.saturation, 3);
}

TEST(AutomaticCorrection, SpreadHistogramFollowsTheFormulas) {
    std::array<std::int64_t, 256> lum{}, chroma{};
    for (int k = 40; k < 200; ++k)
        lum[k] = 10;
    for (int k = 100; k < 160; ++k)
        chroma[k] = 10;
    const auto L = cumulative(lum), C = cumulative(chroma);
    // lo: first bin above 2 of 255; mid: first above 123; hi: last at most 252.
    int lo = 1;
    while (L[lo] <= 2)
        ++lo;
    int mid = 1;
    while (L[mid] <= 123)
        ++mid;
    int hi = 255;
    while (L[hi] > 252)
        --hi;
    ASSERT_LT(lo, hi);
    const int contrast = ((lo - hi + 256) * 256) / (hi - lo + 256);
    const int brightness = ((((256 - hi - lo) * 128) / (hi - lo)) - mid + 128) / 2;
    int clo = 0;
    while (C[clo] < 1)
        ++clo;
    int chi = 255;
    while (C[chi] > 254)
        --chi;
    const int w = (chi - clo) >> 1;
    const int saturation = (100000 / (contrast + 256)) / (60 - w);

    EXPECT_EQ(automaticCorrection(L, C), (ColourCorrection{brightness, contrast, saturation}));
    EXPECT_GT(contrast, 0);
    EXPECT_NE(saturation, 0);
}

TEST(AutomaticCorrection, ChromaWidthOfSixtyGivesFullSaturation) {
    std::array<std::int32_t, 256> L{}, C{};
    for (int k = 0; k < 256; ++k) {
        L[k] = k;                                  // an even spread: lo 3, mid 124, hi 252
        C[k] = k < 10 ? 0 : k <= 130 ? 128 : 255;  // clo 10, chi 130: w = 60
    }
    EXPECT_EQ(automaticCorrection(L, C).saturation, 255);
}

}  // namespace
}  // namespace orbpix
