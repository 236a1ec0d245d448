#include "imaging/Unwrap.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <numbers>
#include <system_error>
#include <thread>
#include <vector>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "imaging/SimdLevel.h"
#include "imaging/SineTable.h"
#include "imaging/UnwrapWorker.h"

namespace orbpix {

namespace {

std::atomic<bool> g_abort{false};

double roundedHalfUp(float value) {
    return std::trunc(double{value} + 0.5);
}

// The output is made in bands of rows, and each band in tiles of columns: a tile is a thin
// wedge of the ring whose samples come from a strip of the source that stays in the cache,
// and the next wedge reuses its neighbour's lines, where whole rows would sweep the full
// circle of a large picture. Rows are reported done per band.
constexpr int kBandRows = 64;
constexpr int kTileColumns = 8;

// Bilinear blend in 1/64 steps of the four neighbours, each channel
// (fy·(BR·fx + BL·(64−fx)) + (64−fy)·(TR·fx + TL·(64−fx))) >> 12, returned as one pixel
// with an opaque fourth byte. This is the reference every vector form must match.
inline std::uint32_t blendPlain(std::uint32_t tl, std::uint32_t tr, std::uint32_t bl,
                                std::uint32_t br, int fx, int fy) {
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int a = (tl >> shift) & 0xFF, b = (tr >> shift) & 0xFF;
        const int c = (bl >> shift) & 0xFF, d = (br >> shift) & 0xFF;
        const int v = (fy * (d * fx + c * (64 - fx)) + (64 - fy) * (b * fx + a * (64 - fx))) >> 12;
        out |= static_cast<std::uint32_t>(v) << shift;
    }
    return out;
}

#if defined(__SSE2__)
// Pairs (left, right) of each channel as 16-bit lanes, weighted by one multiply-add; then
// pairs (upper, lower) the same way. Every sum stays below 2^20, so the integer results are
// those of the plain formula.
inline std::uint32_t blendSse2(std::uint32_t tl, std::uint32_t tr, std::uint32_t bl,
                               std::uint32_t br, int fx, int fy) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i top =
        _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(tl)),
                                            _mm_cvtsi32_si128(static_cast<int>(tr))),
                          zero);
    const __m128i bottom =
        _mm_unpacklo_epi8(_mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(bl)),
                                            _mm_cvtsi32_si128(static_cast<int>(br))),
                          zero);
    const __m128i wx = _mm_set1_epi32((fx << 16) | (64 - fx));
    const __m128i upper = _mm_madd_epi16(top, wx);
    const __m128i lower = _mm_madd_epi16(bottom, wx);
    const __m128i pairs = _mm_or_si128(upper, _mm_slli_epi32(lower, 16));
    const __m128i wy = _mm_set1_epi32((fy << 16) | (64 - fy));
    const __m128i v = _mm_srli_epi32(_mm_madd_epi16(pairs, wy), 12);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(v, zero), zero);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes)) | 0xFF000000u;
}
#endif

#if defined(__SSE2__)
// Horizontal weights (64 − fx for the left pixel's four channels, fx for the right one's) and
// vertical weight pairs (64 − fy, fy), one vector per 1/64 step, so that the hot loop loads
// them instead of building them.
struct BlendWeights {
    alignas(16) std::int16_t horizontal[64][8];
    alignas(16) std::int16_t vertical[64][8];
    BlendWeights() {
        for (int f = 0; f < 64; ++f)
            for (int lane = 0; lane < 8; ++lane) {
                horizontal[f][lane] = static_cast<std::int16_t>(lane < 4 ? 64 - f : f);
                vertical[f][lane] = static_cast<std::int16_t>(lane % 2 == 0 ? 64 - f : f);
            }
    }
};
const BlendWeights kWeights;

// The same blend for a sample whose four neighbours are at p, p + 4, p + stride and
// p + stride + 4: each pair of neighbours comes in with one load.
inline std::uint32_t blendAdjacentSse2(const std::uint8_t* p, std::size_t stride, int fx, int fy) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i wx = _mm_load_si128(reinterpret_cast<const __m128i*>(kWeights.horizontal[fx]));
    // Left pixel's channels in lanes 0–3, right pixel's in 4–7; every product fits 16 bits.
    __m128i upper = _mm_mullo_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero), wx);
    __m128i lower = _mm_mullo_epi16(
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + stride)), zero), wx);
    upper = _mm_add_epi16(upper, _mm_srli_si128(upper, 8));
    lower = _mm_add_epi16(lower, _mm_srli_si128(lower, 8));
    const __m128i wy = _mm_load_si128(reinterpret_cast<const __m128i*>(kWeights.vertical[fy]));
    const __m128i v = _mm_srli_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(upper, lower), wy), 12);
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(v, zero), zero);
    return static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes)) | 0xFF000000u;
}
#endif

// Where a column's sample of a row lies, in 1/64 pixel.
struct SamplePoint {
    std::int64_t x, y;
};

inline SamplePoint samplePoint(std::int32_t c, std::int32_t s, bool mirrored, std::int64_t x0,
                               std::int64_t y0, std::int64_t r64) {
    const std::int64_t dx = (std::int64_t{c} * r64) >> 14;
    const std::int64_t dy = (std::int64_t{s} * r64) >> 14;
    return {mirrored ? x0 - dx : x0 + dx, y0 - dy};
}

inline std::uint32_t load(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Where the samples of one output row come from.
struct RowGeometry {
    std::int64_t r64;  // radius in 1/64 pixel, a whole number of pixels
    bool inside;       // every sample and its neighbours lie inside the picture
};

// The sampling arithmetic of one unwrap: plain, one sample at a time in 16-bit lanes, or
// eight samples at a time.
enum class Kernel { Plain, Sse2, Wide };

// Samples columns [j0, j1) of one output row. Clamped spans keep every neighbour inside the
// picture; the fast form runs only when the whole row's samples already are.
template <bool Clamped, bool Mirrored, Kernel K>
void sampleSpan(const PixelImage& src, const std::int32_t* cosines, const std::int32_t* sines,
                std::int64_t x0, std::int64_t y0, std::int64_t r64, int j0, int j1,
                std::uint32_t* out) {
    const std::uint8_t* const bits = src.bits();
    const std::size_t stride = src.stride();
    const int lastX = src.width() - 1;
    const int lastY = src.height() - 1;
    for (int j = j0; j < j1; ++j) {
        const auto [x, y] = samplePoint(cosines[j], sines[j], Mirrored, x0, y0, r64);
        const int fx = static_cast<int>(x & 63);
        const int fy = static_cast<int>(y & 63);
        int k0 = static_cast<int>(x >> 6);
        int l0 = static_cast<int>(y >> 6);
        int k1 = k0 + 1;
        int l1 = l0 + 1;
        if constexpr (Clamped) {
            k1 = std::clamp(k1, 0, lastX);
            l1 = std::clamp(l1, 0, lastY);
            k0 = std::clamp(k0, 0, lastX);
            l0 = std::clamp(l0, 0, lastY);
        }
#if defined(__SSE2__)
        if constexpr (K != Kernel::Plain && !Clamped) {
            out[j] = blendAdjacentSse2(bits + std::size_t(l0) * stride + std::size_t(k0) * 4,
                                       stride, fx, fy);
            continue;
        }
#endif
        const std::uint8_t* top = bits + std::size_t(l0) * stride;
        const std::uint8_t* bottom = bits + std::size_t(l1) * stride;
        const std::uint32_t tl = load(top + std::size_t(k0) * 4);
        const std::uint32_t tr = load(top + std::size_t(k1) * 4);
        const std::uint32_t bl = load(bottom + std::size_t(k0) * 4);
        const std::uint32_t br = load(bottom + std::size_t(k1) * 4);
#if defined(__SSE2__)
        if constexpr (K != Kernel::Plain) {
            out[j] = blendSse2(tl, tr, bl, br, fx, fy);
            continue;
        }
#endif
        out[j] = blendPlain(tl, tr, bl, br, fx, fy);
    }
}

// The histogram indices by weighted sum, so that counting needs no division.
struct IndexTables {
    std::uint8_t luminance[255 * 10 + 1];  // by b + 3r + 6g
    std::uint8_t chroma[255 * 16 + 1];     // by 7b + r − 8g + 2040
    IndexTables() {
        for (int sum = 0; sum <= 2550; ++sum)
            luminance[sum] = static_cast<std::uint8_t>(sum / 10);
        for (int sum = -2040; sum <= 2040; ++sum)
            chroma[sum + 2040] = static_cast<std::uint8_t>(sum / 16 + 128);
    }
};

// Counts a finished tile into the histograms. Counting apart from sampling keeps the
// sampling loop free of the counters' store-to-load chains; four sets of counters let
// neighbouring pixels of the same colour (a clear sky) count without waiting on each other.
void countTile(const PixelImage& image, int i0, int i1, int j0, int j1,
               std::int32_t (&luminance)[4][256], std::int32_t (&chroma)[4][256]) {
    static const IndexTables tables;
    for (int i = i0; i < i1; ++i) {
        const std::uint8_t* p = image.row(i) + std::size_t(j0) * 4;
        for (int j = j0; j < j1; ++j, p += 4) {
            const int b = p[0], g = p[1], r = p[2];
            ++luminance[j & 3][tables.luminance[b + 3 * r + 6 * g]];
            ++chroma[j & 3][tables.chroma[7 * b + r - 8 * g + 2040]];
        }
    }
}

struct Counters {
    std::int32_t luminance[4][256] = {};
    std::int32_t chroma[4][256] = {};
};

// What every band of one unwrap needs.
struct BandPlan {
    const PixelImage* src;
    const std::int32_t* cosines;
    const std::int32_t* sines;
    const RowGeometry* rows;
    std::int64_t x0, y0;
    bool reverse;
    Kernel kernel;
    PixelImage* image;
};

// Samples jump from source row to source row, which the hardware's prefetchers cannot
// follow: asks for the lines under the first, middle and last samples of the tile after
// [j0, j1) of one row. A macro, not a helper: GCC drops a helper made only of prefetches as
// having no effect. Unrolled, the three requests go out without a loop's branches between
// them, which measured faster in the wide kernel.
#define ORBPIX_PREFETCH_NEXT_TILE(plan, width, j1, r64)                                          \
    do {                                                                                         \
        if ((j1) < (width)) {                                                                    \
            const int last = std::min((width), (j1) + kTileColumns) - 1;                         \
            _Pragma("GCC unroll 3") for (const int j : {(j1), std::min((j1) + 4, last), last}) { \
                const auto [x, y] = samplePoint((plan).cosines[j], (plan).sines[j],              \
                                                (plan).reverse, (plan).x0, (plan).y0, (r64));    \
                const std::uint8_t* p = (plan).src->bits() +                                     \
                                        std::size_t(y >> 6) * (plan).src->stride() +             \
                                        std::size_t(x >> 6) * 4;                                 \
                __builtin_prefetch(p);                                                           \
                __builtin_prefetch(p + (plan).src->stride());                                    \
            }                                                                                    \
        }                                                                                        \
    } while (false)

// One tile, rows [i0, i1) of columns [j0, j1), one sample at a time.
template <bool Mirrored, Kernel K>
void sampleTile(const BandPlan& plan, int i0, int i1, int j0, int j1) {
    const int width = plan.image->width();
    auto* const out = reinterpret_cast<std::uint32_t*>(plan.image->bits());
    for (int i = i0; i < i1; ++i) {
        std::uint32_t* row = out + std::size_t(i) * std::size_t(width);
        const std::int64_t r64 = plan.rows[i].r64;
        if (plan.rows[i].inside) {
            ORBPIX_PREFETCH_NEXT_TILE(plan, width, j1, r64);
            sampleSpan<false, Mirrored, K>(*plan.src, plan.cosines, plan.sines, plan.x0, plan.y0,
                                           r64, j0, j1, row);
        } else {
            sampleSpan<true, Mirrored, K>(*plan.src, plan.cosines, plan.sines, plan.x0, plan.y0,
                                          r64, j0, j1, row);
        }
    }
}

#if defined(__x86_64__)
#define ORBPIX_AVX2 __attribute__((target("avx2")))
// The two kernels start on a 64-byte boundary: otherwise their loops fall wherever the
// code before them ends, and the same instructions measured up to a quarter slower in
// bench/unwrap_bench depending on that placement alone.
#define ORBPIX_AVX2_KERNEL __attribute__((target("avx2"), aligned(64)))

// The neighbour pairs of four samples at byte offsets a, b (lower half) and c, d (upper half).
ORBPIX_AVX2 inline __m256i pairsAt(const std::uint8_t* base, std::int32_t a, std::int32_t b,
                                   std::int32_t c, std::int32_t d) {
    auto pair = [base](std::int32_t at) {
        std::int64_t v;
        std::memcpy(&v, base + at, 8);
        return v;
    };
    const __m128i lo = _mm_insert_epi64(_mm_cvtsi64_si128(pair(a)), pair(b), 1);
    const __m128i hi = _mm_insert_epi64(_mm_cvtsi64_si128(pair(c)), pair(d), 1);
    return _mm256_inserti128_si256(_mm256_castsi128_si256(lo), hi, 1);
}

// Four samples' left-right sums per channel in 16-bit lanes, from their neighbour pairs.
ORBPIX_AVX2 inline __m256i horizontal(__m256i pairUp, __m256i pairs, __m256i weights) {
    return _mm256_maddubs_epi16(_mm256_shuffle_epi8(pairs, pairUp), weights);
}

// Four samples' upper-lower blends, in 16-bit lanes: samples 0 and 2 weighted by weightsLo,
// 1 and 3 by weightsHi.
ORBPIX_AVX2 inline __m256i vertical(__m256i upper, __m256i lower, __m256i weightsLo,
                                    __m256i weightsHi) {
    const __m256i lo =
        _mm256_srli_epi32(_mm256_madd_epi16(_mm256_unpacklo_epi16(upper, lower), weightsLo), 12);
    const __m256i hi =
        _mm256_srli_epi32(_mm256_madd_epi16(_mm256_unpackhi_epi16(upper, lower), weightsHi), 12);
    return _mm256_packs_epi32(lo, hi);
}

// Eight samples' places in 1/64 pixel for one radius: (c·R) >> 8 is (c·R64) >> 14.
struct WidePoints {
    __m256i x, y;
};

template <bool Mirrored>
ORBPIX_AVX2 inline WidePoints samplePoints(__m256i c, __m256i s, __m256i radius, __m256i x0,
                                           __m256i y0) {
    const __m256i dx = _mm256_srai_epi32(_mm256_mullo_epi32(c, radius), 8);
    const __m256i dy = _mm256_srai_epi32(_mm256_mullo_epi32(s, radius), 8);
    return {Mirrored ? _mm256_sub_epi32(x0, dx) : _mm256_add_epi32(x0, dx),
            _mm256_sub_epi32(y0, dy)};
}

// The byte offset of each place's upper left neighbour.
ORBPIX_AVX2 inline __m256i byteOffsets(__m256i x, __m256i y, __m256i stride) {
    return _mm256_add_epi32(_mm256_mullo_epi32(_mm256_srai_epi32(y, 6), stride),
                            _mm256_slli_epi32(_mm256_srai_epi32(x, 6), 2));
}

static_assert(kTileColumns == 8, "the wide kernel makes a tile's row in one step");

// A full tile of kTileColumns = 8 columns, one row at a time with all eight samples side by
// side. The arithmetic is the plain one in 32-bit lanes, which the wide kernel's conditions
// keep from overflowing: (c·R64) >> 14 is (c·R) >> 8 for a whole radius R, and the neighbour
// pairs (left, right) of each sample come in as one 8-byte load each. Rows whose samples reach
// the picture's edge take the clamped one-at-a-time form.
template <bool Mirrored>
ORBPIX_AVX2_KERNEL void sampleTileWide(const BandPlan& plan, int i0, int i1, int j0) {
    const PixelImage& src = *plan.src;
    const int width = plan.image->width();
    auto* const out = reinterpret_cast<std::uint32_t*>(plan.image->bits());
    const std::uint8_t* const top = src.bits();
    const std::uint8_t* const bottom = src.bits() + src.stride();
    const __m256i c = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(plan.cosines + j0));
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(plan.sines + j0));
    const __m256i x0 = _mm256_set1_epi32(static_cast<int>(plan.x0));
    const __m256i y0 = _mm256_set1_epi32(static_cast<int>(plan.y0));
    const __m256i stride = _mm256_set1_epi32(static_cast<int>(src.stride()));
    const __m256i fraction = _mm256_set1_epi32(63);
    const __m256i whole = _mm256_set1_epi32(64);
    const __m256i opaque = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    // Each sample's eight bytes (left BGRX, right BGRX) as pairs (left, right) per channel.
    const __m256i pairUp = _mm256_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15, 0,
                                            4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    constexpr int kAhead = 2 * kTileColumns;
    const bool prefetching = j0 + kAhead + kTileColumns <= width;
    const int jAhead = prefetching ? j0 + kAhead : j0;
    const __m256i cAhead =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(plan.cosines + jAhead));
    const __m256i sAhead =
        _mm256_loadu_si256(reinterpret_cast<const __m256i*>(plan.sines + jAhead));
    for (int i = i0; i < i1; ++i) {
        std::uint32_t* row = out + std::size_t(i) * std::size_t(width) + j0;
        const std::int64_t r64 = plan.rows[i].r64;
        if (!plan.rows[i].inside) {
            sampleSpan<true, Mirrored, Kernel::Sse2>(src, plan.cosines, plan.sines, plan.x0,
                                                     plan.y0, r64, j0, j0 + kTileColumns, row - j0);
            continue;
        }
        const __m256i radius = _mm256_set1_epi32(static_cast<int>(r64 >> 6));
        if (prefetching) {
            // Both neighbour rows of every sample of this row two tiles on: near the
            // horizontal the eight samples lie on as many source rows, and lines asked for
            // only one tile ahead had not all arrived when measured.
            alignas(32) std::int32_t ahead[8];
            const WidePoints pointsAhead = samplePoints<Mirrored>(cAhead, sAhead, radius, x0, y0);
            _mm256_store_si256(reinterpret_cast<__m256i*>(ahead),
                               byteOffsets(pointsAhead.x, pointsAhead.y, stride));
            _Pragma("GCC unroll 8") for (int k = 0; k < 8; ++k) {
                __builtin_prefetch(top + ahead[k]);
                __builtin_prefetch(bottom + ahead[k]);
            }
        }
        const WidePoints points = samplePoints<Mirrored>(c, s, radius, x0, y0);
        const __m256i x = points.x;
        const __m256i y = points.y;
        const __m256i fx = _mm256_and_si256(x, fraction);
        const __m256i fy = _mm256_and_si256(y, fraction);
        alignas(32) std::int32_t at[8];
        _mm256_store_si256(reinterpret_cast<__m256i*>(at), byteOffsets(x, y, stride));
        // Byte weights (64 − fx, fx), twice in each 32-bit lane, once per channel pair.
        __m256i wx = _mm256_or_si256(_mm256_sub_epi32(whole, fx), _mm256_slli_epi32(fx, 8));
        wx = _mm256_or_si256(wx, _mm256_slli_epi32(wx, 16));
        // 16-bit weights (64 − fy, fy) per 32-bit lane.
        const __m256i wy = _mm256_or_si256(_mm256_sub_epi32(whole, fy), _mm256_slli_epi32(fy, 16));
        // Samples 0, 1 | 4, 5: every left-right sum is at most 255·64, every blend below 2^20.
        const __m256i wxFirst = _mm256_unpacklo_epi32(wx, wx);
        const __m256i upperFirst =
            horizontal(pairUp, pairsAt(top, at[0], at[1], at[4], at[5]), wxFirst);
        const __m256i lowerFirst =
            horizontal(pairUp, pairsAt(bottom, at[0], at[1], at[4], at[5]), wxFirst);
        const __m256i wxSecond = _mm256_unpackhi_epi32(wx, wx);
        const __m256i upperSecond =
            horizontal(pairUp, pairsAt(top, at[2], at[3], at[6], at[7]), wxSecond);
        const __m256i lowerSecond =
            horizontal(pairUp, pairsAt(bottom, at[2], at[3], at[6], at[7]), wxSecond);
        const __m256i firstBlend = vertical(upperFirst, lowerFirst, _mm256_shuffle_epi32(wy, 0x00),
                                            _mm256_shuffle_epi32(wy, 0x55));
        const __m256i secondBlend =
            vertical(upperSecond, lowerSecond, _mm256_shuffle_epi32(wy, 0xAA),
                     _mm256_shuffle_epi32(wy, 0xFF));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(row),
                            _mm256_or_si256(_mm256_packus_epi16(firstBlend, secondBlend), opaque));
    }
}

// countTile for a full tile, the indices of a row's eight pixels side by side: the weighted
// sums by byte multiply-adds, the luminance sum's tenth as (sum·6554) >> 16 (exact up to
// 2550 and beyond), the chroma sum's sixteenth rounded toward zero as the division does.
ORBPIX_AVX2_KERNEL void countTileWide(const PixelImage& image, int i0, int i1, int j0,
                                      Counters& counters) {
    const __m256i luminanceWeights = _mm256_set1_epi32(0x00030601);  // 1, 6, 3, 0
    const __m256i chromaWeights = _mm256_set1_epi32(0x0001F807);     // 7, −8, 1, 0
    const __m256i ones = _mm256_set1_epi16(1);
    const __m256i tenth = _mm256_set1_epi32(6554);
    const __m256i towardZero = _mm256_set1_epi32(15);
    const __m256i middle = _mm256_set1_epi32(128);
    alignas(32) std::int16_t index[16];
    for (int i = i0; i < i1; ++i) {
        const __m256i px = _mm256_loadu_si256(
            reinterpret_cast<const __m256i*>(image.row(i) + std::size_t(j0) * 4));
        const __m256i luminance = _mm256_srli_epi32(
            _mm256_mullo_epi32(_mm256_madd_epi16(_mm256_maddubs_epi16(px, luminanceWeights), ones),
                               tenth),
            16);
        const __m256i sum = _mm256_madd_epi16(_mm256_maddubs_epi16(px, chromaWeights), ones);
        const __m256i chroma = _mm256_add_epi32(
            _mm256_srai_epi32(
                _mm256_add_epi32(sum, _mm256_and_si256(_mm256_srai_epi32(sum, 31), towardZero)), 4),
            middle);
        // Luminance of pixels 0–3, chroma of 0–3, luminance of 4–7, chroma of 4–7.
        _mm256_store_si256(reinterpret_cast<__m256i*>(index),
                           _mm256_packs_epi32(luminance, chroma));
        for (int k = 0; k < 4; ++k) {
            ++counters.luminance[k][index[k]];
            ++counters.chroma[k][index[k + 4]];
            ++counters.luminance[k][index[k + 8]];
            ++counters.chroma[k][index[k + 12]];
        }
    }
}
#endif

// Makes the bands of rows [first, end), counting into counters; afterBand hears the rows of
// each finished band and may stop the work.
template <bool Mirrored, Kernel K, typename AfterBand>
bool makeRows(const BandPlan& plan, int first, int end, Counters& counters, AfterBand&& afterBand) {
    PixelImage& image = *plan.image;
    const int width = image.width();
    for (int i0 = first; i0 < end; i0 += kBandRows) {
        const int i1 = std::min(end, i0 + kBandRows);
        for (int j0 = 0; j0 < width; j0 += kTileColumns) {
            const int j1 = std::min(width, j0 + kTileColumns);
#if defined(__x86_64__)
            if (K == Kernel::Wide && j1 - j0 == kTileColumns) {
                sampleTileWide<Mirrored>(plan, i0, i1, j0);
                countTileWide(image, i0, i1, j0, counters);
                continue;
            }
#endif
            sampleTile<Mirrored, K == Kernel::Wide ? Kernel::Sse2 : K>(plan, i0, i1, j0, j1);
            // Counted while the tile is still in the cache.
            countTile(image, i0, i1, j0, j1, counters.luminance, counters.chroma);
        }
        if (!afterBand(i1 - i0))
            return false;
    }
    return true;
}

// The same for the kernel and direction of the plan.
template <typename AfterBand>
bool makeRows(const BandPlan& plan, int first, int end, Counters& counters, AfterBand&& afterBand) {
    auto run = [&]<bool Mirrored>() {
        switch (plan.kernel) {
            case Kernel::Plain:
                return makeRows<Mirrored, Kernel::Plain>(plan, first, end, counters, afterBand);
            case Kernel::Sse2:
                return makeRows<Mirrored, Kernel::Sse2>(plan, first, end, counters, afterBand);
            case Kernel::Wide:
                break;
        }
        return makeRows<Mirrored, Kernel::Wide>(plan, first, end, counters, afterBand);
    };
    return plan.reverse ? run.template operator()<true>() : run.template operator()<false>();
}
}  // namespace

void requestUnwrapAbort() {
    g_abort = true;
}

bool circlesInsideImage(const LensCircle* outer, const LensCircle* inner, int w, int h) {
    if (!outer || !inner)
        return false;
    // Compared in double so that absurd values from a damaged property cannot overflow.
    const double cx = roundedHalfUp(outer->cx);
    const double cy = roundedHalfUp(outer->cy);
    for (const float radius : {inner->radius, outer->radius}) {
        const double r = roundedHalfUp(radius);
        if (!(cx - r >= 0 && cy - r >= 0 && cx + r < w && cy + r < h))
            return false;
    }
    return true;
}

bool ringCanBeUnwrapped(const RingCircles& circles, int w, int h) {
    return circlesInsideImage(&circles.outer, &circles.inner, w, h) &&
           previewHeight(circles.outer.radius) > 0;
}

int previewHeight(float outerRadius) {
    const double rows = std::trunc(double{outerRadius} * std::numbers::pi / 2);
    if (!(rows > 0))
        return 0;
    return static_cast<int>(std::min(rows, 800.0));
}

void makeCumulativeHistograms(PanoramaResult& result) {
    for (auto* histogram : {&result.luminance, &result.chroma}) {
        std::int64_t sums[256];
        std::int64_t running = 0;
        for (int i = 0; i < 256; ++i)
            sums[i] = running += (*histogram)[i];
        const std::int64_t last = sums[255];
        for (int i = 0; i < 256; ++i)
            (*histogram)[i] = last == 0 ? 0 : static_cast<std::int32_t>(sums[i] * 255 / last);
    }
}

PanoramaUnwrapper::PanoramaUnwrapper()
    : PanoramaUnwrapper(Direction::Normal, kNormalElevation.bottom, kNormalElevation.top) {}

PanoramaUnwrapper::PanoramaUnwrapper(Direction direction, int bottom, int top)
    : m_direction(direction), m_bottom(bottom), m_top(top) {
    SineTable::entries();
}

PanoramaUnwrapper::~PanoramaUnwrapper() = default;

void PanoramaUnwrapper::setAngles(int bottom, int top) {
    m_bottom = bottom;
    m_top = top;
}

double PanoramaUnwrapper::lensProfile(double theta) const {
    const double* c = m_coefficients;
    return c[0] + theta * (c[1] + theta * (c[2] + theta * c[3]));
}

std::unique_ptr<PanoramaResult> PanoramaUnwrapper::unwrapRows(
    const PixelImage& src, const LensCircle& inner, float outerRadius, int width, int height,
    const std::function<bool(int row)>& afterRow, std::unique_ptr<PanoramaResult> reuse) const {
    if (width <= 0 || height <= 0 || src.isEmpty())
        return nullptr;
    // The centre comes from the inner circle; the validity test saw only the outer one.
    const double limit = 64.0 * PixelImage::kMaxPixels;
    if (!(std::fabs(inner.cx) < limit && std::fabs(inner.cy) < limit))
        return nullptr;
    auto result = reuse ? std::move(reuse) : std::make_unique<PanoramaResult>();
    if (!result->image.reshape(width, height))
        return nullptr;
    result->topAngle = PanoramaResult{}.topAngle;
    result->bottomAngle = PanoramaResult{}.bottomAngle;
    result->luminance.fill(0);
    result->chroma.fill(0);

    const bool reverse = m_direction == Direction::Reverse;
    const double rin = inner.radius;
    const double span = double{outerRadius} - rin;
    const double pTop = lensProfile(m_top);
    const double pBottom = lensProfile(m_bottom);

    std::vector<std::int32_t> cosines(static_cast<std::size_t>(width));
    std::vector<std::int32_t> sines(static_cast<std::size_t>(width));
    for (int j = 0; j < width; ++j) {
        const int a = static_cast<int>(std::int64_t{j} * SineTable::kSize / width);
        cosines[j] = SineTable::cosine(a);
        sines[j] = SineTable::sine(a);
    }

    const std::int64_t x0 = static_cast<std::int64_t>(std::trunc(double{inner.cx} * 64));
    const std::int64_t y0 = static_cast<std::int64_t>(std::trunc(double{inner.cy} * 64));
    std::vector<RowGeometry> rows(static_cast<std::size_t>(height));
    for (int i = 0; i < height; ++i) {
        const double step = double(m_top - m_bottom) * i / height;
        const double theta = reverse ? m_bottom + step : m_top - step;
        const double radius = rin + (lensProfile(theta) - pTop) * span / (pBottom - pTop);
        const std::int64_t r64 = static_cast<std::int64_t>(std::trunc(radius)) * 64;
        // Offsets never exceed the radius, so this box holds every sample of the row.
        const std::int64_t reach = std::abs(r64) + 64;
        rows[i].r64 = r64;
        rows[i].inside = x0 - reach >= 0 && ((x0 + reach) >> 6) + 1 < src.width() &&
                         y0 - reach >= 0 && ((y0 + reach) >> 6) + 1 < src.height();
    }

    // The wide kernel works in 32-bit lanes: a picture of at most 2^28 pixels whose rows are
    // shorter than 2^24 keeps every coordinate of a row inside it, and its radius, within them.
    const SimdLevel level = simdLevel();
    const Kernel kernel = level >= SimdLevel::Avx2 && src.width() < (1 << 24) ? Kernel::Wide
                          : level >= SimdLevel::Sse2                          ? Kernel::Sse2
                                                                              : Kernel::Plain;
    const BandPlan plan{&src, cosines.data(), sines.data(), rows.data(),   x0,
                        y0,   reverse,        kernel,       &result->image};
    // Rows are reported in order as bands are finished, whichever thread made them.
    int reported = 0;
    auto report = [&](int done) {
        for (; reported < done; ++reported)
            if (afterRow && !afterRow(reported))
                return false;
        return true;
    };
    auto counters = std::make_unique<Counters[]>(2);
    // With a helper, it makes the lower half of the bands while this thread makes the upper
    // half and reports for both.
    const int split = m_threads > 1 && height > kBandRows
                          ? ((height / 2 + kBandRows - 1) / kBandRows) * kBandRows
                          : height;
    std::atomic<int> helperRows{0};
    std::atomic<bool> stop{false};
    std::mutex helperLock;
    std::condition_variable helperMoved;
    bool helperDone = false;
    std::thread helper;
    if (split < height) {
        try {
            helper = std::thread([&] {
                makeRows(plan, split, height, counters[1], [&](int rowsDone) {
                    helperRows.fetch_add(rowsDone, std::memory_order_relaxed);
                    helperMoved.notify_one();
                    return !stop.load(std::memory_order_relaxed);
                });
                std::lock_guard lock(helperLock);
                helperDone = true;
                helperMoved.notify_one();
            });
        } catch (const std::system_error&) {
            // Without a second thread this one makes every band.
        }
    }
    const int mine = helper.joinable() ? split : height;
    int myRows = 0;
    bool finished = makeRows(plan, 0, mine, counters[0], [&](int rowsDone) {
        myRows += rowsDone;
        return report(myRows + helperRows.load(std::memory_order_relaxed));
    });
    if (helper.joinable()) {
        // Go on reporting, and listening for a cancel, while the helper finishes its half.
        std::unique_lock lock(helperLock);
        while (!helperDone) {
            if (!finished)
                stop = true;
            helperMoved.wait_for(lock, std::chrono::milliseconds(5));
            if (finished) {
                lock.unlock();
                finished = report(myRows + helperRows.load(std::memory_order_relaxed));
                lock.lock();
            }
        }
        lock.unlock();
        helper.join();
    }
    if (!finished || !report(height))
        return nullptr;
    for (int k = 0; k < 256; ++k) {
        std::int32_t l = 0, c = 0;
        for (int t = 0; t < 2; ++t)
            for (int set = 0; set < 4; ++set) {
                l += counters[t].luminance[set][k];
                c += counters[t].chroma[set][k];
            }
        result->luminance[k] = l;
        result->chroma[k] = c;
    }
    return result;
}

std::unique_ptr<PanoramaResult> PanoramaUnwrapper::unwrap(
    const PixelImage& src, const LensCircle* outer, const LensCircle* inner, int width, int height,
    const UnwrapProgress& progress, std::unique_ptr<PanoramaResult> reuse) {
    g_abort = false;
    if (!circlesInsideImage(outer, inner, src.width(), src.height()))
        return nullptr;
    int lastPercent = -1;
    return unwrapRows(
        src, *inner, outer->radius, width, height,
        [&](int row) {
            const int percent = static_cast<int>(std::int64_t{100} * row / height);
            if (percent != lastPercent) {
                lastPercent = percent;
                if (progress && progress())
                    return false;
            }
            return !g_abort.load();
        },
        std::move(reuse));
}

void PanoramaUnwrapper::runBackground(UnwrapJob& job) {
    UnwrapListener& listener = *job.listener;
    const LensCircle* outer = job.outer ? &*job.outer : nullptr;
    const LensCircle* inner = job.inner ? &*job.inner : nullptr;
    if (!circlesInsideImage(outer, inner, job.source.width(), job.source.height()) ||
        job.height <= 0 || job.width <= 0) {
        listener.unwrapImpossible();
        return;
    }
    auto result = unwrapRows(
        job.source, *inner, outer->radius, job.width, job.height,
        [&](int) {
            if (!job.running.load())
                return false;
            listener.unwrapProgress();
            return true;
        },
        std::move(job.reuse));
    if (!result || !job.running.load()) {
        listener.unwrapStopped();
        return;
    }
    makeCumulativeHistograms(*result);
    listener.unwrapDone(std::move(result), job.key);
}

ReverseUnwrapper::ReverseUnwrapper()
    : PanoramaUnwrapper(Direction::Reverse, upsideDown(kNormalElevation).bottom,
                        upsideDown(kNormalElevation).top) {}

}  // namespace orbpix
