#include "imaging/Unwrap.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numbers>
#include <vector>

#include "imaging/SineTable.h"
#include "imaging/UnwrapWorker.h"

namespace orbpix {

namespace {

std::atomic<bool> g_abort{false};

double roundedHalfUp(float value) { return std::trunc(double{value} + 0.5); }

// One column's sampling direction: 14-bit cosine and sine.
struct ColumnTrig {
    std::int32_t c;
    std::int32_t s;
};

// Spreads blue, green and red of a pixel over 21-bit lanes of one 64-bit word, so that the
// bilinear weights can be applied to all three at once: every intermediate sum stays below
// 255·64·64 < 2^20 and never carries into the next lane.
inline std::uint64_t lanes(const std::uint8_t* p) {
    return std::uint64_t{p[0]} | (std::uint64_t{p[1]} << 21) | (std::uint64_t{p[2]} << 42);
}

struct RowContext {
    const PixelImage* src;
    const ColumnTrig* trig;
    int width;
    std::int64_t x0;
    std::int64_t y0;
    std::int64_t r64;
    bool mirrored;
    std::uint8_t* out;
    std::int32_t* luminance;
    std::int32_t* chroma;
};

// Samples one output row. Clamped rows keep every neighbour inside the picture; the fast
// form is used only when the whole row's samples already are.
template <bool Clamped>
void sampleRow(const RowContext& ctx) {
    const PixelImage& src = *ctx.src;
    const std::uint8_t* bits = src.bits();
    const std::size_t stride = src.stride();
    const int lastX = src.width() - 1;
    const int lastY = src.height() - 1;
    std::uint8_t* out = ctx.out;
    for (int j = 0; j < ctx.width; ++j, out += 4) {
        const std::int64_t dx = (std::int64_t{ctx.trig[j].c} * ctx.r64) >> 14;
        const std::int64_t dy = (std::int64_t{ctx.trig[j].s} * ctx.r64) >> 14;
        const std::int64_t x = ctx.mirrored ? ctx.x0 - dx : ctx.x0 + dx;
        const std::int64_t y = ctx.y0 - dy;
        const int fx = static_cast<int>(x & 63);
        const int fy = static_cast<int>(y & 63);
        int k0 = static_cast<int>(x >> 6);
        int l0 = static_cast<int>(y >> 6);
        int k1 = k0 + 1;
        int l1 = l0 + 1;
        if constexpr (Clamped) {
            k0 = std::clamp(k0, 0, lastX);
            k1 = std::clamp(k1, 0, lastX);
            l0 = std::clamp(l0, 0, lastY);
            l1 = std::clamp(l1, 0, lastY);
        }
        const std::uint8_t* top = bits + std::size_t(l0) * stride;
        const std::uint8_t* bottom = bits + std::size_t(l1) * stride;
        const std::uint64_t tl = lanes(top + std::size_t(k0) * 4);
        const std::uint64_t tr = lanes(top + std::size_t(k1) * 4);
        const std::uint64_t bl = lanes(bottom + std::size_t(k0) * 4);
        const std::uint64_t br = lanes(bottom + std::size_t(k1) * 4);
        const std::uint64_t upper = tr * fx + tl * (64 - fx);
        const std::uint64_t lower = br * fx + bl * (64 - fx);
        const std::uint64_t v = (lower * fy + upper * (64 - fy)) >> 12;
        const int b = static_cast<int>(v & 0xFF);
        const int g = static_cast<int>((v >> 21) & 0xFF);
        const int r = static_cast<int>((v >> 42) & 0xFF);
        out[0] = static_cast<std::uint8_t>(b);
        out[1] = static_cast<std::uint8_t>(g);
        out[2] = static_cast<std::uint8_t>(r);
        out[3] = 0xFF;
        ++ctx.luminance[luminanceIndex(b, g, r)];
        ++ctx.chroma[chromaIndex(b, g, r)];
    }
}

}  // namespace

void requestUnwrapAbort() { g_abort = true; }

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

PanoramaUnwrapper::PanoramaUnwrapper() : PanoramaUnwrapper(Direction::Normal, -64, 26) {}

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
    const std::function<bool(int row)>& afterRow) const {
    if (width <= 0 || height <= 0 || src.isEmpty())
        return nullptr;
    // The centre comes from the inner circle; the validity test saw only the outer one.
    const double limit = 64.0 * PixelImage::kMaxPixels;
    if (!(std::fabs(inner.cx) < limit && std::fabs(inner.cy) < limit))
        return nullptr;
    auto result = std::make_unique<PanoramaResult>();
    if (!result->image.allocate(width, height))
        return nullptr;

    const bool reverse = m_direction == Direction::Reverse;
    const double rin = inner.radius;
    const double span = double{outerRadius} - rin;
    const double pTop = lensProfile(m_top);
    const double pBottom = lensProfile(m_bottom);

    std::vector<ColumnTrig> trig(static_cast<std::size_t>(width));
    for (int j = 0; j < width; ++j) {
        const int a = static_cast<int>(std::int64_t{j} * SineTable::kSize / width);
        trig[j] = {SineTable::cosine(a), SineTable::sine(a)};
    }

    RowContext ctx{};
    ctx.src = &src;
    ctx.trig = trig.data();
    ctx.width = width;
    ctx.x0 = static_cast<std::int64_t>(std::trunc(double{inner.cx} * 64));
    ctx.y0 = static_cast<std::int64_t>(std::trunc(double{inner.cy} * 64));
    ctx.mirrored = reverse;
    ctx.luminance = result->luminance.data();
    ctx.chroma = result->chroma.data();

    for (int i = 0; i < height; ++i) {
        const double step = double(m_top - m_bottom) * i / height;
        const double theta = reverse ? m_bottom + step : m_top - step;
        const double radius = rin + (lensProfile(theta) - pTop) * span / (pBottom - pTop);
        const std::int64_t r = static_cast<std::int64_t>(std::trunc(radius));
        ctx.r64 = r * 64;
        ctx.out = result->image.row(i);
        // Offsets never exceed the radius, so this box holds every sample of the row.
        const std::int64_t reach = std::abs(ctx.r64) + 64;
        const bool inside = ctx.x0 - reach >= 0 && ((ctx.x0 + reach) >> 6) + 1 < src.width() &&
                            ctx.y0 - reach >= 0 && ((ctx.y0 + reach) >> 6) + 1 < src.height();
        if (inside)
            sampleRow<false>(ctx);
        else
            sampleRow<true>(ctx);
        if (afterRow && !afterRow(i))
            return nullptr;
    }
    return result;
}

std::unique_ptr<PanoramaResult> PanoramaUnwrapper::unwrap(const PixelImage& src,
                                                          const LensCircle* outer,
                                                          const LensCircle* inner, int width,
                                                          int height,
                                                          const UnwrapProgress& progress) {
    g_abort = false;
    if (!circlesInsideImage(outer, inner, src.width(), src.height()))
        return nullptr;
    int lastPercent = -1;
    return unwrapRows(src, *inner, outer->radius, width, height, [&](int row) {
        const int percent = static_cast<int>(std::int64_t{100} * row / height);
        if (percent != lastPercent) {
            lastPercent = percent;
            if (progress && progress())
                return false;
        }
        return !g_abort.load();
    });
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
    auto result = unwrapRows(job.source, *inner, outer->radius, job.width, job.height,
                             [&](int) {
                                 if (!job.running.load())
                                     return false;
                                 listener.unwrapProgress();
                                 return true;
                             });
    if (!result || !job.running.load()) {
        listener.unwrapStopped();
        return;
    }
    makeCumulativeHistograms(*result);
    listener.unwrapDone(std::move(result), job.key);
}

ReverseUnwrapper::ReverseUnwrapper() : PanoramaUnwrapper(Direction::Reverse, -(-64) - 90, 90 - 26) {}

}  // namespace orbpix
