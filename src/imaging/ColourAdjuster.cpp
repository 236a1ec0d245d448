#include "imaging/ColourAdjuster.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace orbpix {

std::string formatColourCorrection(const ColourCorrection& cc) {
    char text[48];
    std::snprintf(text, sizeof text, "%d,%d,%d", cc.brightness, cc.contrast, cc.saturation);
    return text;
}

std::optional<ColourCorrection> parseColourCorrection(std::string_view text) {
    int values[3];
    const char* p = text.data();
    const char* end = p + text.size();
    for (int i = 0; i < 3; ++i) {
        while (p < end && *p == ' ')
            ++p;
        if (p < end && *p == '+')
            ++p;
        auto [next, ec] = std::from_chars(p, end, values[i]);
        if (ec != std::errc{})
            return std::nullopt;
        p = next;
        while (p < end && *p == ' ')
            ++p;
        if (i < 2) {
            if (p == end || *p != ',')
                return std::nullopt;
            ++p;
        }
    }
    if (p != end)
        return std::nullopt;
    return ColourCorrection{values[0], values[1], values[2]};
}

ColourAdjuster::ColourAdjuster() {
    reset();
    setSaturation(0);
}

void ColourAdjuster::reset() {
    m_toneOn = false;
    m_matrixOn = false;
    for (int i = 0; i < 256; ++i)
        m_tone[i] = i;
}

void ColourAdjuster::setBrightnessContrast(int brightness, int contrast) {
    // The formula divides by 256 - c; outside the slider range it would divide by zero or
    // invert the picture, so stored values from elsewhere are held to the range.
    const int c = std::clamp(contrast, -kContrastLimit, kContrastLimit);
    const std::int64_t b = brightness;
    for (int i = 0; i < 256; ++i) {
        const std::int64_t v = b + (std::int64_t{i} * (c + 256) - 256 * c) / (256 - c);
        m_tone[i] = static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, 255));
    }
}

void ColourAdjuster::setSaturation(int value) {
    const int s = std::clamp(-value, -255, 255);
    auto f = [s](int k) { return (k * s) >> 8; };
    m_matrix = {1024 - f(717), f(614),        f(102),        0,  //
                f(307),        1024 - f(410), f(102),        0,  //
                f(307),        f(614),        1024 - f(922), 0};
}

void ColourAdjuster::configure(const ColourCorrection& cc) {
    reset();
    setBrightnessContrast(cc.brightness, cc.contrast);
    setSaturation(cc.saturation);
    enableToneTable(cc.brightness != 0 || cc.contrast != 0);
    enableMatrix(cc.saturation != 0);
}

namespace {

constexpr std::int32_t kMatrixCeiling = 255 * 1024;

std::uint8_t matrixChannel(const std::int32_t* row, int r, int g, int b) {
    const std::int32_t sum = row[0] * r + row[1] * g + row[2] * b + row[3];
    return static_cast<std::uint8_t>(std::clamp(sum, 0, kMatrixCeiling) >> 10);
}

void toneScalar(const std::uint8_t* table, std::uint8_t* p, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        p[0] = table[p[0]];
        p[1] = table[p[1]];
        p[2] = table[p[2]];
    }
}

void matrixScalar(const std::array<std::int32_t, 12>& m, std::uint8_t* p, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        const int b = p[0], g = p[1], r = p[2];
        p[0] = matrixChannel(&m[8], r, g, b);
        p[1] = matrixChannel(&m[4], r, g, b);
        p[2] = matrixChannel(&m[0], r, g, b);
    }
}

#if defined(__SSE2__)
// Each matrix row becomes a vector of 16-bit factors in pixel byte order (blue, green, red,
// fourth byte) for two pixels, so that one multiply-add gives the blue+green part and the red
// part of a channel for both. This needs every factor to fit 16 bits, which the saturation
// formula guarantees; the constant is added at 32 bits.
bool matrixFitsSimd(const std::array<std::int32_t, 12>& m) {
    for (int row = 0; row < 3; ++row)
        for (int k = 0; k < 3; ++k)
            if (m[row * 4 + k] < -32768 || m[row * 4 + k] > 32767)
                return false;
    return true;
}

__m128i rowFactors(const std::array<std::int32_t, 12>& m, int row) {
    const auto c = [&](int k) { return static_cast<short>(m[row * 4 + k]); };
    return _mm_setr_epi16(c(2), c(1), c(0), 0, c(2), c(1), c(0), 0);
}

// One output channel of four pixels, clamped to 0..255 in 32-bit lanes.
inline __m128i matrixLanes(__m128i lo, __m128i hi, __m128i factors, __m128i constant) {
    __m128i a = _mm_madd_epi16(lo, factors);
    __m128i b = _mm_madd_epi16(hi, factors);
    a = _mm_add_epi32(a, _mm_shuffle_epi32(a, _MM_SHUFFLE(2, 3, 0, 1)));
    b = _mm_add_epi32(b, _mm_shuffle_epi32(b, _MM_SHUFFLE(2, 3, 0, 1)));
    __m128i sum = _mm_castps_si128(
        _mm_shuffle_ps(_mm_castsi128_ps(a), _mm_castsi128_ps(b), _MM_SHUFFLE(2, 0, 2, 0)));
    sum = _mm_srai_epi32(_mm_add_epi32(sum, constant), 10);
    sum = _mm_and_si128(sum, _mm_cmpgt_epi32(sum, _mm_setzero_si128()));
    const __m128i top = _mm_set1_epi32(255);
    const __m128i over = _mm_cmpgt_epi32(sum, top);
    return _mm_or_si128(_mm_andnot_si128(over, sum), _mm_and_si128(over, top));
}

void matrixSimd(const std::array<std::int32_t, 12>& m, std::uint8_t* p, std::size_t count) {
    const __m128i red = rowFactors(m, 0), green = rowFactors(m, 1), blue = rowFactors(m, 2);
    const __m128i redC = _mm_set1_epi32(m[3]), greenC = _mm_set1_epi32(m[7]),
                  blueC = _mm_set1_epi32(m[11]);
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i zero = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4, p += 16) {
        const __m128i px = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i lo = _mm_unpacklo_epi8(px, zero);
        const __m128i hi = _mm_unpackhi_epi8(px, zero);
        __m128i out = _mm_and_si128(px, fourth);
        out = _mm_or_si128(out, matrixLanes(lo, hi, blue, blueC));
        out = _mm_or_si128(out, _mm_slli_epi32(matrixLanes(lo, hi, green, greenC), 8));
        out = _mm_or_si128(out, _mm_slli_epi32(matrixLanes(lo, hi, red, redC), 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), out);
    }
    matrixScalar(m, p, count - i);
}
#endif

void matrixPass(const std::array<std::int32_t, 12>& m, std::uint8_t* p, std::size_t count) {
#if defined(__SSE2__)
    if (matrixFitsSimd(m))
        return matrixSimd(m, p, count);
#endif
    matrixScalar(m, p, count);
}

std::array<std::uint8_t, 256> byteTable(const std::array<std::int32_t, 256>& tone) {
    std::array<std::uint8_t, 256> table;
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<std::uint8_t>(std::clamp(tone[i], 0, 255));
    return table;
}

}  // namespace

void ColourAdjuster::applyToneTable(std::uint8_t* pixels, std::size_t count) const {
    const auto table = byteTable(m_tone);
    toneScalar(table.data(), pixels, count);
}

void ColourAdjuster::applyMatrix(std::uint8_t* pixels, std::size_t count) const {
    matrixPass(m_matrix, pixels, count);
}

void ColourAdjuster::applyToneTableThenMatrix(std::uint8_t* pixels, std::size_t count) const {
    // Both passes over one cache-sized run at a time, so the pixels are read from memory once.
    constexpr std::size_t kRun = 1024;
    const auto table = byteTable(m_tone);
    for (std::size_t done = 0; done < count; done += kRun) {
        const std::size_t n = std::min(kRun, count - done);
        toneScalar(table.data(), pixels + done * 4, n);
        matrixPass(m_matrix, pixels + done * 4, n);
    }
}

void ColourAdjuster::apply(std::uint8_t* pixels, std::size_t count) const {
    if (m_toneOn && m_matrixOn)
        applyToneTableThenMatrix(pixels, count);
    else if (m_toneOn)
        applyToneTable(pixels, count);
    else if (m_matrixOn)
        applyMatrix(pixels, count);
}

ColourCorrection automaticCorrection(const std::array<std::int32_t, 256>& L,
                                     const std::array<std::int32_t, 256>& C) {
    int lo = 0;
    if (L[0] <= 2) {
        lo = 1;
        while (lo < 255 && L[lo] <= 2)
            ++lo;
    }
    int mid = 0;
    if (L[0] < 124) {
        mid = 1;
        while (mid < 255 && L[mid] <= 123)
            ++mid;
    }
    int hi = 255;
    while (hi >= 0 && L[hi] > 252)
        --hi;

    // hi − lo + 256 ≥ 1 for any table: hi is −1 only when L[0] > 252, and then lo is 0.
    const int contrast = ((lo - hi + 256) * 256) / (hi - lo + 256);
    const int brightness = lo == hi ? 0 : ((((256 - hi - lo) * 128) / (hi - lo)) - mid + 128) / 2;

    int clo = 0;
    while (clo < 255 && C[clo] < 1)
        ++clo;
    int chi = 255;
    while (chi >= 0 && C[chi] > 254)
        --chi;
    const int w = (chi - clo) >> 1;
    // lo − hi + 256 ≥ 1, so the contrast is not negative and contrast + 256 is never zero.
    const int saturation = w == 60 ? 255 : (100000 / (contrast + 256)) / (60 - w);

    return {std::clamp(brightness, -kBrightnessLimit, kBrightnessLimit),
            std::clamp(contrast, -kContrastLimit, kContrastLimit),
            std::clamp(saturation, -kSaturationLimit, kSaturationLimit)};
}

}  // namespace orbpix
