#include "imaging/ColourAdjuster.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "imaging/SimdLevel.h"

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
    // The curve for brightness and contrast 0 is the identity.
    setBrightnessContrast(0, 0);
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

std::array<std::uint8_t, 256> byteTable(const std::array<std::int32_t, 256>& tone) {
    std::array<std::uint8_t, 256> table;
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<std::uint8_t>(std::clamp(tone[i], 0, 255));
    return table;
}

// The plain form of every combination, for the machines and settings the vector form does
// not cover and for the pixels left over after the last whole vector.
void scalarPass(const std::array<std::uint8_t, 256>& table, bool toneOn,
                const std::array<std::int32_t, 12>& m, bool matrixOn, std::uint8_t* p,
                std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, p += 4) {
        int b = p[0], g = p[1], r = p[2];
        if (toneOn)
            b = table[b], g = table[g], r = table[r];
        if (matrixOn) {
            const int nb = matrixChannel(&m[8], r, g, b);
            const int ng = matrixChannel(&m[4], r, g, b);
            const int nr = matrixChannel(&m[0], r, g, b);
            b = nb, g = ng, r = nr;
        }
        p[0] = static_cast<std::uint8_t>(b);
        p[1] = static_cast<std::uint8_t>(g);
        p[2] = static_cast<std::uint8_t>(r);
    }
}

}  // namespace

#if defined(__SSE2__)
namespace {

// The tone table is brightness + (i·(c + 256) − 256·c) / (256 − c), truncated and clamped.
// The vector form computes the quotient as the numerator times a reciprocal rounded up, in
// single precision: numerators stay below 2^17 and divisors within 128..384, so the product
// lies at or just above the true quotient and never reaches the next integer, and truncation
// gives the integer quotient for either sign. Every table is checked against the vector form
// when it is built, so a setting it could miss would simply take the plain path.
struct ToneVector {
    __m128i factors;     // pairs (c + 256, −128·c) for lanes holding (i, 2)
    __m128 reciprocal;   // 1 / (256 − c), rounded up
    __m128i brightness;  // in 16-bit lanes
};

ToneVector toneVector(int brightness, int contrast) {
    const int c = contrast;
    const float exact = 1.0f / static_cast<float>(256 - c);
    float up = exact;
    if (double{up} < 1.0 / (256 - c))
        up = std::nextafter(up, 1.0f);
    // A rounded-up reciprocal a little larger still keeps every quotient short of the next
    // integer; one more step covers products that round down.
    up = std::nextafter(up, 1.0f);
    const std::int32_t pair = static_cast<std::int32_t>(
        (static_cast<std::uint32_t>(-128 * c) << 16) | static_cast<std::uint16_t>(c + 256));
    return {_mm_set1_epi32(pair), _mm_set1_ps(up),
            _mm_set1_epi16(static_cast<short>(std::clamp(brightness, -32768, 32767)))};
}

// Four channel values in 32-bit lanes (0..255) to their unclamped quotients.
inline __m128i toneQuotient(__m128i values, const ToneVector& t) {
    const __m128i pairs = _mm_or_si128(values, _mm_set1_epi32(2 << 16));
    const __m128 n = _mm_cvtepi32_ps(_mm_madd_epi16(pairs, t.factors));
    return _mm_cvttps_epi32(_mm_mul_ps(n, t.reciprocal));
}

// Eight values from two vectors of 32-bit lanes, through the tone curve, as 16-bit lanes.
inline __m128i toneChannel(__m128i lo, __m128i hi, const ToneVector& t) {
    __m128i v = _mm_packs_epi32(toneQuotient(lo, t), toneQuotient(hi, t));
    v = _mm_adds_epi16(v, t.brightness);
    v = _mm_max_epi16(v, _mm_setzero_si128());
    return _mm_min_epi16(v, _mm_set1_epi16(255));
}

struct MatrixVector {
    __m128i rg[3];  // (red, green) factor pairs per output channel: blue, green, red
    __m128i b1[3];  // (blue, constant) factor pairs
};

bool matrixFitsVector(const std::array<std::int32_t, 12>& m) {
    for (const std::int32_t v : m)
        if (v < -32768 || v > 32767)
            return false;
    return true;
}

MatrixVector matrixVector(const std::array<std::int32_t, 12>& m) {
    auto pair = [](std::int32_t lo, std::int32_t hi) {
        return _mm_set1_epi32(static_cast<std::int32_t>((static_cast<std::uint32_t>(hi) << 16) |
                                                        static_cast<std::uint16_t>(lo)));
    };
    MatrixVector v;
    // Output blue is row 2, green row 1, red row 0; each row is (red, green, blue, constant).
    for (int k = 0; k < 3; ++k) {
        const int row = 2 - k;
        v.rg[k] = pair(m[row * 4], m[row * 4 + 1]);
        v.b1[k] = pair(m[row * 4 + 2], m[row * 4 + 3]);
    }
    return v;
}

// One output channel of eight pixels: the row's sum, shifted, as saturated 16-bit lanes.
// Saturation keeps the sign and the later unsigned pack clamps to 0..255, which is what
// clamping the sum to 0..255·1024 before the shift gives.
inline __m128i matrixChannelVector(__m128i rgLo, __m128i rgHi, __m128i b1Lo, __m128i b1Hi,
                                   __m128i rg, __m128i b1) {
    const __m128i lo =
        _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(rgLo, rg), _mm_madd_epi16(b1Lo, b1)), 10);
    const __m128i hi =
        _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(rgHi, rg), _mm_madd_epi16(b1Hi, b1)), 10);
    return _mm_packs_epi32(lo, hi);
}

template <bool Tone>
inline __m128i channelVector(__m128i p0, __m128i p1, int shift, const ToneVector& tone) {
    const __m128i low = _mm_set1_epi32(0xFF);
    const __m128i lo = _mm_and_si128(_mm_srli_epi32(p0, shift), low);
    const __m128i hi = _mm_and_si128(_mm_srli_epi32(p1, shift), low);
    if constexpr (Tone)
        return toneChannel(lo, hi, tone);
    else
        return _mm_packs_epi32(lo, hi);
}

// Tone table and/or matrix over eight pixels at a time in one pass; the fourth byte is
// carried through untouched. (Written out channel by channel: loops over the channels keep
// GCC from holding them in registers.)
template <bool Tone, bool Matrix>
void vectorPass(const ToneVector& tone, const MatrixVector& matrix, std::uint8_t* p,
                std::size_t count) {
    const __m128i ones = _mm_set1_epi16(1);
    const __m128i rgB = matrix.rg[0], rgG = matrix.rg[1], rgR = matrix.rg[2];
    const __m128i b1B = matrix.b1[0], b1G = matrix.b1[1], b1R = matrix.b1[2];
    for (std::size_t i = 0; i + 8 <= count; i += 8, p += 32) {
        const __m128i p0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i p1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        // Blue, green, red as eight 16-bit lanes each.
        __m128i b = channelVector<Tone>(p0, p1, 0, tone);
        __m128i g = channelVector<Tone>(p0, p1, 8, tone);
        __m128i r = channelVector<Tone>(p0, p1, 16, tone);
        if constexpr (Matrix) {
            const __m128i rgLo = _mm_unpacklo_epi16(r, g);
            const __m128i rgHi = _mm_unpackhi_epi16(r, g);
            const __m128i b1Lo = _mm_unpacklo_epi16(b, ones);
            const __m128i b1Hi = _mm_unpackhi_epi16(b, ones);
            b = matrixChannelVector(rgLo, rgHi, b1Lo, b1Hi, rgB, b1B);
            g = matrixChannelVector(rgLo, rgHi, b1Lo, b1Hi, rgG, b1G);
            r = matrixChannelVector(rgLo, rgHi, b1Lo, b1Hi, rgR, b1R);
        }
        const __m128i fourth = _mm_packs_epi32(_mm_srli_epi32(p0, 24), _mm_srli_epi32(p1, 24));
        const __m128i bg = _mm_packus_epi16(b, g);       // b0..b7 g0..g7
        const __m128i ra = _mm_packus_epi16(r, fourth);  // r0..r7 a0..a7
        const __m128i br = _mm_unpacklo_epi8(bg, ra);
        const __m128i ga = _mm_unpackhi_epi8(bg, ra);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm_unpacklo_epi8(br, ga));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16), _mm_unpackhi_epi8(br, ga));
    }
}

// The same pass on sixteen pixels at a time. Every instruction works within 128-bit halves,
// so each half handles eight pixels exactly as the narrower form does: pixels 0–3 and 8–11
// share the lower half, and the final unpacking puts them back in order.
#define ORBPIX_AVX2 __attribute__((target("avx2")))

ORBPIX_AVX2 inline __m256i toneQuotient256(__m256i values, __m256i factors, __m256 reciprocal) {
    const __m256i pairs = _mm256_or_si256(values, _mm256_set1_epi32(2 << 16));
    const __m256 n = _mm256_cvtepi32_ps(_mm256_madd_epi16(pairs, factors));
    return _mm256_cvttps_epi32(_mm256_mul_ps(n, reciprocal));
}

template <bool Tone>
ORBPIX_AVX2 inline __m256i channelVector256(__m256i p0, __m256i p1, int shift, __m256i factors,
                                            __m256 reciprocal, __m256i brightness) {
    const __m256i low = _mm256_set1_epi32(0xFF);
    const __m256i lo = _mm256_and_si256(_mm256_srli_epi32(p0, shift), low);
    const __m256i hi = _mm256_and_si256(_mm256_srli_epi32(p1, shift), low);
    if constexpr (Tone) {
        __m256i v = _mm256_packs_epi32(toneQuotient256(lo, factors, reciprocal),
                                       toneQuotient256(hi, factors, reciprocal));
        v = _mm256_adds_epi16(v, brightness);
        v = _mm256_max_epi16(v, _mm256_setzero_si256());
        return _mm256_min_epi16(v, _mm256_set1_epi16(255));
    } else {
        return _mm256_packs_epi32(lo, hi);
    }
}

ORBPIX_AVX2 inline __m256i matrixChannel256(__m256i rgLo, __m256i rgHi, __m256i b1Lo, __m256i b1Hi,
                                            __m256i rg, __m256i b1) {
    const __m256i lo = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(rgLo, rg), _mm256_madd_epi16(b1Lo, b1)), 10);
    const __m256i hi = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(rgHi, rg), _mm256_madd_epi16(b1Hi, b1)), 10);
    return _mm256_packs_epi32(lo, hi);
}

struct WideConstants {
    __m256i factors, brightness, rgB, rgG, rgR, b1B, b1G, b1R;
    __m256 reciprocal;
};

ORBPIX_AVX2 inline WideConstants wideConstants(const ToneVector& tone, const MatrixVector& matrix) {
    return {
        _mm256_broadcastsi128_si256(tone.factors),     _mm256_broadcastsi128_si256(tone.brightness),
        _mm256_broadcastsi128_si256(matrix.rg[0]),     _mm256_broadcastsi128_si256(matrix.rg[1]),
        _mm256_broadcastsi128_si256(matrix.rg[2]),     _mm256_broadcastsi128_si256(matrix.b1[0]),
        _mm256_broadcastsi128_si256(matrix.b1[1]),     _mm256_broadcastsi128_si256(matrix.b1[2]),
        _mm256_set1_ps(_mm_cvtss_f32(tone.reciprocal))};
}

// Sixteen pixels, 0–7 in p0 and 8–15 in p1, written back to out.
template <bool Tone, bool Matrix>
ORBPIX_AVX2 inline void wideSixteen(const WideConstants& k, __m256i p0, __m256i p1,
                                    std::uint8_t* out) {
    __m256i b = channelVector256<Tone>(p0, p1, 0, k.factors, k.reciprocal, k.brightness);
    __m256i g = channelVector256<Tone>(p0, p1, 8, k.factors, k.reciprocal, k.brightness);
    __m256i r = channelVector256<Tone>(p0, p1, 16, k.factors, k.reciprocal, k.brightness);
    if constexpr (Matrix) {
        const __m256i ones = _mm256_set1_epi16(1);
        const __m256i rgLo = _mm256_unpacklo_epi16(r, g);
        const __m256i rgHi = _mm256_unpackhi_epi16(r, g);
        const __m256i b1Lo = _mm256_unpacklo_epi16(b, ones);
        const __m256i b1Hi = _mm256_unpackhi_epi16(b, ones);
        b = matrixChannel256(rgLo, rgHi, b1Lo, b1Hi, k.rgB, k.b1B);
        g = matrixChannel256(rgLo, rgHi, b1Lo, b1Hi, k.rgG, k.b1G);
        r = matrixChannel256(rgLo, rgHi, b1Lo, b1Hi, k.rgR, k.b1R);
    }
    const __m256i fourth = _mm256_packs_epi32(_mm256_srli_epi32(p0, 24), _mm256_srli_epi32(p1, 24));
    const __m256i bg = _mm256_packus_epi16(b, g);
    const __m256i ra = _mm256_packus_epi16(r, fourth);
    const __m256i br = _mm256_unpacklo_epi8(bg, ra);
    const __m256i ga = _mm256_unpackhi_epi8(bg, ra);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_unpacklo_epi8(br, ga));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32), _mm256_unpackhi_epi8(br, ga));
}

template <bool Tone, bool Matrix>
ORBPIX_AVX2 void vectorPass256(const ToneVector& tone, const MatrixVector& matrix, std::uint8_t* p,
                               std::size_t count) {
    const WideConstants k = wideConstants(tone, matrix);
    for (std::size_t i = 0; i + 16 <= count; i += 16, p += 64)
        wideSixteen<Tone, Matrix>(k, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)),
                                  _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32)), p);
}

// The matrix straight on eight interleaved pixels: masking gives each pixel's (blue, red) as a
// pair of words and shifting its (green, fourth), so two word multiply-adds make a channel's
// sum without taking the pixels apart. Packing with saturation clamps as above; one byte
// shuffle puts the channels back in pixel order.
struct DirectMatrix {
    __m256i br[3];  // (blue, red) factor pairs of output blue, green, red
    __m256i g0[3];  // (green, 0)
};

ORBPIX_AVX2 inline __m256i wordPair(std::int32_t lo, std::int32_t hi) {
    return _mm256_set1_epi32(static_cast<std::int32_t>((static_cast<std::uint32_t>(hi) << 16) |
                                                       static_cast<std::uint16_t>(lo)));
}

ORBPIX_AVX2 inline DirectMatrix directMatrix(const std::array<std::int32_t, 12>& m) {
    DirectMatrix d;
    for (int k = 0; k < 3; ++k) {
        const int row = 2 - k;
        d.br[k] = wordPair(m[row * 4 + 2], m[row * 4]);
        d.g0[k] = wordPair(m[row * 4 + 1], 0);
    }
    return d;
}

// Saturation matrices have no constant column; the direct form below leaves it out, and a
// matrix with one takes the forms above.
bool hasConstant(const std::array<std::int32_t, 12>& m) {
    return m[3] != 0 || m[7] != 0 || m[11] != 0;
}

ORBPIX_AVX2 inline __m256i directChannel(__m256i br, __m256i ga, const DirectMatrix& d, int k) {
    return _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_madd_epi16(br, d.br[k]), _mm256_madd_epi16(ga, d.g0[k])), 10);
}

ORBPIX_AVX2 inline __m256i matrixDirect(__m256i px, const DirectMatrix& d) {
    const __m256i br = _mm256_and_si256(px, _mm256_set1_epi32(0x00FF00FF));
    const __m256i ga = _mm256_srli_epi16(px, 8);
    const __m256i bg = _mm256_packs_epi32(directChannel(br, ga, d, 0), directChannel(br, ga, d, 1));
    const __m256i ra = _mm256_packs_epi32(directChannel(br, ga, d, 2), _mm256_srli_epi32(px, 24));
    const __m256i planar = _mm256_packus_epi16(bg, ra);  // b0–3 g0–3 r0–3 a0–3 per half
    const __m256i interleave =
        _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 0, 4, 8, 12, 1, 5, 9,
                         13, 2, 6, 10, 14, 3, 7, 11, 15);
    return _mm256_shuffle_epi8(planar, interleave);
}

ORBPIX_AVX2 void matrixPass256(const std::array<std::int32_t, 12>& m, std::uint8_t* p,
                               std::size_t count) {
    const DirectMatrix d = directMatrix(m);
    for (std::size_t i = 0; i + 8 <= count; i += 8, p += 32) {
        const __m256i px = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), matrixDirect(px, d));
    }
}

// Where the processor can pick any of 128 bytes by index, the tone table needs no arithmetic:
// two lookups cover its halves and the top bit of each byte chooses between them. The matrix
// then runs in the direct form below.
#define ORBPIX_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512vbmi,avx512vnni")))

// GCC 12's own AVX-512 headers fill the unused half of an extract with an undefined value and
// then warn that it may be uninitialised (fixed in GCC 13); the warning says nothing of ours.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// The direct matrix form on sixteen pixels at once, with every channel value taken as 64
// times itself: each sum is then 64 times the plain one (at most 3·32767·255·64 < 2^31 in
// size for any factors in words), so its upper word is the plain sum shifted down by ten. Gathering
// upper words replaces the shifts and the narrowing of the forms above; the unsigned pack clamps to
// 0..255 as before.
struct DirectMatrix512 {
    __m512i br[3];  // as in DirectMatrix
    __m512i g0[3];
};

ORBPIX_AVX512 inline __m512i sum64(__m512i br64, __m512i ga64, const DirectMatrix512& d, int k) {
    return _mm512_dpwssd_epi32(_mm512_madd_epi16(br64, d.br[k]), ga64, d.g0[k]);
}

// The fourth bytes come from original, the pixels as they were before the tone table.
ORBPIX_AVX512 inline __m512i matrixDirect512(__m512i px, __m512i original,
                                             const DirectMatrix512& d) {
    const __m512i words = _mm512_set1_epi32(0x3FC03FC0);  // bits 6–13 of each word
    const __m512i br64 = _mm512_and_si512(_mm512_slli_epi32(px, 6), words);
    const __m512i ga64 = _mm512_and_si512(_mm512_srli_epi32(px, 2), words);
    // Upper words of blue and green, alternating: b0 g0 b1 g1 … within each 128-bit quarter.
    const __m512i upperWords =
        _mm512_set_epi16(63, 31, 61, 29, 59, 27, 57, 25, 55, 23, 53, 21, 51, 19, 49, 17,  //
                         47, 15, 45, 13, 43, 11, 41, 9, 39, 7, 37, 5, 35, 3, 33, 1);
    const __m512i bg =
        _mm512_permutex2var_epi16(sum64(br64, ga64, d, 0), upperWords, sum64(br64, ga64, d, 1));
    const __m512i r0 = _mm512_srli_epi32(sum64(br64, ga64, d, 2), 16);
    // Per quarter: b0 g0 b1 g1 b2 g2 b3 g3 r0 0 r1 0 r2 0 r3 0, then into pixel order.
    const __m512i planar = _mm512_packus_epi16(bg, r0);
    const __m512i order = _mm512_broadcast_i32x4(
        _mm_setr_epi8(0, 1, 8, -1, 2, 3, 10, -1, 4, 5, 12, -1, 6, 7, 14, -1));
    return _mm512_mask_blend_epi8(0x8888888888888888ull, _mm512_shuffle_epi8(planar, order),
                                  original);
}

ORBPIX_AVX512 inline DirectMatrix512 directMatrix512(const std::array<std::int32_t, 12>& m) {
    const DirectMatrix narrow = directMatrix(m);
    DirectMatrix512 d;
    for (int k = 0; k < 3; ++k) {
        d.br[k] = _mm512_set1_epi32(_mm256_extract_epi32(narrow.br[k], 0));
        d.g0[k] = _mm512_set1_epi32(_mm256_extract_epi32(narrow.g0[k], 0));
    }
    return d;
}

ORBPIX_AVX512 void matrixPass512(const std::array<std::int32_t, 12>& m, std::uint8_t* p,
                                 std::size_t count) {
    const DirectMatrix512 d = directMatrix512(m);
    for (std::size_t i = 0; i + 16 <= count; i += 16, p += 64) {
        const __m512i px = _mm512_loadu_si512(p);
        _mm512_storeu_si512(p, matrixDirect512(px, px, d));
    }
}

template <bool Matrix>
ORBPIX_AVX512 void tablePass512(const std::array<std::uint8_t, 256>& table,
                                const std::array<std::int32_t, 12>& m, std::uint8_t* p,
                                std::size_t count) {
    const __m512i low0 = _mm512_loadu_si512(table.data());
    const __m512i low1 = _mm512_loadu_si512(table.data() + 64);
    const __m512i high0 = _mm512_loadu_si512(table.data() + 128);
    const __m512i high1 = _mm512_loadu_si512(table.data() + 192);
    const __mmask64 fourth = 0x8888888888888888ull;
    const DirectMatrix512 d = directMatrix512(m);
    for (std::size_t i = 0; i + 16 <= count; i += 16, p += 64) {
        const __m512i px = _mm512_loadu_si512(p);
        const __m512i low = _mm512_permutex2var_epi8(low0, px, low1);
        const __m512i high = _mm512_permutex2var_epi8(high0, px, high1);
        __m512i toned = _mm512_mask_blend_epi8(_mm512_movepi8_mask(px), low, high);
        if constexpr (Matrix)
            toned = matrixDirect512(toned, px, d);
        else
            toned = _mm512_mask_blend_epi8(fourth, toned, px);
        _mm512_storeu_si512(p, toned);
    }
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// Picks the widest form and returns how many pixels it did.
template <bool Tone, bool Matrix>
std::size_t widestPass(const std::array<std::uint8_t, 256>& toneBytes,
                       const std::array<std::int32_t, 12>& m, const ToneVector& tone,
                       const MatrixVector& matrix, std::uint8_t* p, std::size_t count) {
    std::size_t done = 0;
    if (Tone && simdLevel() >= SimdLevel::Avx512Vbmi && !hasConstant(m)) {
        tablePass512<Matrix>(toneBytes, m, p, count);
        done = count & ~std::size_t{15};
    } else if (!Tone && simdLevel() >= SimdLevel::Avx512Vbmi && !hasConstant(m)) {
        matrixPass512(m, p, count);
        done = count & ~std::size_t{15};
    } else if (!Tone && simdLevel() >= SimdLevel::Avx2 && !hasConstant(m)) {
        matrixPass256(m, p, count);
        done = count & ~std::size_t{7};
    } else if (simdLevel() >= SimdLevel::Avx2) {
        vectorPass256<Tone, Matrix>(tone, matrix, p, count);
        done = count & ~std::size_t{15};
    }
    if (simdLevel() >= SimdLevel::Sse2 && done < count) {
        vectorPass<Tone, Matrix>(tone, matrix, p + done * 4, count - done);
        done += (count - done) & ~std::size_t{7};
    }
    return done;
}

// Whether the vector tone curve gives exactly the table for every input.
bool toneVectorMatches(const std::array<std::int32_t, 256>& table, int brightness, int contrast) {
    const ToneVector t = toneVector(brightness, contrast);
    for (int i = 0; i < 256; i += 8) {
        const __m128i lo = _mm_setr_epi32(i, i + 1, i + 2, i + 3);
        const __m128i hi = _mm_setr_epi32(i + 4, i + 5, i + 6, i + 7);
        alignas(16) std::int16_t got[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(got), toneChannel(lo, hi, t));
        for (int k = 0; k < 8; ++k)
            if (got[k] != std::clamp(table[i + k], 0, 255))
                return false;
    }
    return true;
}

}  // namespace
#endif

void ColourAdjuster::setBrightnessContrast(int brightness, int contrast) {
    // The formula divides by 256 - c; outside the slider range it would divide by zero or
    // invert the picture, so stored values from elsewhere are held to the range.
    const int c = std::clamp(contrast, -kContrastLimit, kContrastLimit);
    const std::int64_t b = brightness;
    for (int i = 0; i < 256; ++i) {
        const std::int64_t v = b + (std::int64_t{i} * (c + 256) - 256 * c) / (256 - c);
        m_tone[i] = static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, 255));
    }
    m_brightness = brightness;
    m_contrast = c;
    m_toneBytes = byteTable(m_tone);
#if defined(__SSE2__)
    m_toneVector = toneVectorMatches(m_tone, brightness, c);
#endif
}

void ColourAdjuster::pass(std::uint8_t* pixels, std::size_t count, bool toneOn,
                          bool matrixOn) const {
    if (!toneOn && !matrixOn)
        return;
    std::size_t done = 0;
#if defined(__SSE2__)
    if ((!toneOn || m_toneVector) && (!matrixOn || matrixFitsVector(m_matrix))) {
        const ToneVector tone = toneVector(m_brightness, m_contrast);
        const MatrixVector matrix = matrixVector(m_matrix);
        if (toneOn && matrixOn)
            done = widestPass<true, true>(m_toneBytes, m_matrix, tone, matrix, pixels, count);
        else if (toneOn)
            done = widestPass<true, false>(m_toneBytes, m_matrix, tone, matrix, pixels, count);
        else
            done = widestPass<false, true>(m_toneBytes, m_matrix, tone, matrix, pixels, count);
    }
#endif
    scalarPass(m_toneBytes, toneOn, m_matrix, matrixOn, pixels + done * 4, count - done);
}

void ColourAdjuster::applyToneTable(std::uint8_t* pixels, std::size_t count) const {
    pass(pixels, count, true, false);
}

void ColourAdjuster::applyMatrix(std::uint8_t* pixels, std::size_t count) const {
    pass(pixels, count, false, true);
}

void ColourAdjuster::applyToneTableThenMatrix(std::uint8_t* pixels, std::size_t count) const {
    pass(pixels, count, true, true);
}

void ColourAdjuster::apply(std::uint8_t* pixels, std::size_t count) const {
    pass(pixels, count, m_toneOn, m_matrixOn);
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
