#include "panorama/PanoramaProjector.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "panorama/ArcSineTables.h"

namespace orbpix {

namespace {

constexpr std::int64_t kTurn = 16384;  // angle units in a full turn

// Table lookups with the index held to the table: rounding in the ray arithmetic can step
// one past the last entry at the very edge of the view.
inline std::int64_t lookUp(const ArcSineTables::Table& table, std::int64_t index) {
    return table[static_cast<std::size_t>(std::clamp<std::int64_t>(index, 0, 4096))];
}

inline float finiteOrZero(float v) {
    return std::isfinite(v) ? v : 0.0f;
}

}  // namespace

PanoramaProjector::PanoramaProjector() {
    ArcSineTables::get();
    // Until the owner says otherwise the matrix is the one for saturation +1.
    m_settings.colour.setSaturation(1);
}

PanoramaProjector::~PanoramaProjector() = default;

PanoramaProjector::Settings PanoramaProjector::settings() const {
    std::lock_guard lock(m_settingsLock);
    return m_settings;
}

ViewAngles PanoramaProjector::view() const {
    std::lock_guard lock(m_settingsLock);
    return m_settings.view;
}

ColourAdjuster PanoramaProjector::colour() const {
    std::lock_guard lock(m_settingsLock);
    return m_settings.colour;
}

void PanoramaProjector::setLimits(int top, int bottom) {
    std::lock_guard lock(m_settingsLock);
    m_settings.limits = {top, bottom};
}

int PanoramaProjector::topLimit() const {
    std::lock_guard lock(m_settingsLock);
    return m_settings.limits.top;
}

int PanoramaProjector::bottomLimit() const {
    std::lock_guard lock(m_settingsLock);
    return m_settings.limits.bottom;
}

void PanoramaProjector::setReverse(bool on) {
    std::lock_guard lock(m_settingsLock);
    m_settings.reverse = on;
}

bool PanoramaProjector::isReverse() const {
    std::lock_guard lock(m_settingsLock);
    return m_settings.reverse;
}

void PanoramaProjector::resize(int width, int height) {
    const int w = roundViewWidth(std::max(width, 0));
    const int h = roundViewHeight(std::max(height, 0));
    releaseOutput();
    for (BandGrid& grid : m_grids)
        grid = {};
    m_gridColumns = m_gridRows = 0;
    if (w == 0 || h == 0 || !PixelImage::isValidSize(w, h))
        return;
    createOutput(w, h);
    if (m_output.isEmpty())
        return;
    m_gridColumns = w / 8 + 1;
    m_gridRows = h / 8 + 1;
    const std::size_t nodes = std::size_t(m_gridColumns) * std::size_t(m_gridRows);
    for (BandGrid& grid : m_grids) {
        grid.column = std::make_unique<std::int64_t[]>(nodes);
        grid.row = std::make_unique<std::int64_t[]>(nodes);
    }
}

void PanoramaProjector::releaseOutput() {
    m_output.clear();
}

void PanoramaProjector::createOutput(int width, int height) {
    if (!m_output.allocate(width, height))
        m_output.clear();
}

bool PanoramaProjector::hasSource() const {
    return m_source != nullptr;
}

void PanoramaProjector::setView(float pitch, float yaw, int focal, bool redraw) {
    {
        std::lock_guard lock(m_settingsLock);
        m_settings.view = {pitch, yaw, focal};
    }
    if (redraw)
        requestRender();
}

void PanoramaProjector::moveView(float pitchChange, float yawChange, int focalChange) {
    {
        std::lock_guard lock(m_settingsLock);
        ViewAngles& v = m_settings.view;
        v.pitch += pitchChange;
        v.focal += focalChange;
        v.yaw += yawChange;
    }
    requestRender();
}

bool PanoramaProjector::setSource(const std::uint8_t* pixels, int width, int height, bool copy) {
    m_source = nullptr;
    m_sourceWidth = m_sourceHeight = 0;
    m_ownsSource = false;
    if (!pixels) {
        m_ownedSource.clear();
        return true;
    }
    if (width <= 0 || height <= 0 || !PixelImage::isValidSize(width, height)) {
        m_ownedSource.clear();
        return false;
    }
    if (copy) {
        // The next picture's copy goes into the last one's block: mapping a fresh block of
        // this size costs more than the copy itself.
        if (!m_ownedSource.reshape(width, height))
            return false;
        if (pixels != m_ownedSource.bits())
            std::memcpy(m_ownedSource.bits(), pixels, m_ownedSource.byteCount());
        m_source = m_ownedSource.bits();
    } else {
        m_ownedSource.clear();
        m_source = pixels;
    }
    m_sourceWidth = width;
    m_sourceHeight = height;
    m_ownsSource = copy;
    return true;
}

void PanoramaProjector::resetColour() {
    std::lock_guard lock(m_settingsLock);
    m_settings.colour.reset();
}

void PanoramaProjector::setBrightnessContrast(int brightness, int contrast) {
    std::lock_guard lock(m_settingsLock);
    m_settings.colour.setBrightnessContrast(brightness, contrast);
}

void PanoramaProjector::setSaturation(int value) {
    std::lock_guard lock(m_settingsLock);
    m_settings.colour.setSaturation(value);
}

void PanoramaProjector::enableToneTable(bool on) {
    std::lock_guard lock(m_settingsLock);
    m_settings.colour.enableToneTable(on);
}

void PanoramaProjector::enableMatrix(bool on) {
    std::lock_guard lock(m_settingsLock);
    m_settings.colour.enableMatrix(on);
}

void PanoramaProjector::applyToneTable() {
    colour().applyToneTable(m_output.bits(), m_output.byteCount() / 4);
}

void PanoramaProjector::applyMatrix() {
    colour().applyMatrix(m_output.bits(), m_output.byteCount() / 4);
}

void PanoramaProjector::applyToneTableThenMatrix() {
    colour().applyToneTableThenMatrix(m_output.bits(), m_output.byteCount() / 4);
}

void PanoramaProjector::applyActiveColour() {
    colour().apply(m_output.bits(), m_output.byteCount() / 4);
}

int PanoramaProjector::render() {
    FramePlan plan;
    if (!planFrame(plan, false))
        return -1;
    drawBand(plan, 0, cellRows(), 0);
    return 0;
}

int PanoramaProjector::renderWithColour() {
    FramePlan plan;
    if (!planFrame(plan, true))
        return -1;
    drawBand(plan, 0, cellRows(), 0);
    return 0;
}

void PanoramaProjector::drawBand(const FramePlan& plan, int first, int end, int workspace) {
    if (first >= end)
        return;
    BandGrid& grid = m_grids[workspace];
    computeGrid(plan, first, end, grid);
    if (plan.settings.reverse)
        fillCells<true>(plan, first, end, grid);
    else
        fillCells<false>(plan, first, end, grid);
}

float PanoramaProjector::pitchWithinLimits(const Settings& s, int outputHeight) {
    const std::int64_t h2 = outputHeight >> 1;
    const std::int64_t F = std::max<std::int64_t>(s.view.focal, h2);
    // Half the frame's vertical angle.
    const double d = std::atan2(double(h2), double(F)) * 180.0 * (1.0 / std::numbers::pi);
    float p = finiteOrZero(s.view.pitch);
    if (p - d <= -s.limits.top)
        p = static_cast<float>(d - s.limits.top);
    else if (p + d >= -s.limits.bottom)
        p = static_cast<float>(-s.limits.bottom - d);
    return p;
}

float PanoramaProjector::shownPitch() const {
    return pitchWithinLimits(settings(), m_output.height());
}

bool PanoramaProjector::planFrame(FramePlan& plan, bool colour) const {
    if (m_output.isEmpty() || !m_grids[0].column || !m_source)
        return false;
    plan.settings = settings();
    const Settings& s = plan.settings;
    plan.colour = colour && (s.colour.toneTableEnabled() || s.colour.matrixEnabled());

    const int H = m_output.height();
    const int W = m_output.width();
    plan.h2 = H >> 1;
    plan.n = (W - W / 2) / 8;
    plan.F = std::max<std::int64_t>(s.view.focal, plan.h2);

    const float p = pitchWithinLimits(s, H);
    const double radians = double(p) * std::numbers::pi / 180.0;
    plan.C = static_cast<std::int64_t>(std::cos(radians) * 4096.0);
    plan.S = static_cast<std::int64_t>(std::sin(radians) * 4096.0);
    // Whole turns of yaw change no column modulo the strip width; dropping them keeps the
    // products small however far the view has been turned.
    const float yawUnits = finiteOrZero(s.view.yaw) * 45.511112f;
    std::int64_t Y = static_cast<std::int64_t>(std::fmod(yawUnits, float(kTurn)));
    plan.Y = ((Y % kTurn) + kTurn) % kTurn;
    plan.rowTop = (std::int64_t{s.limits.top} * 4096) / 90;
    plan.rowMax = std::int64_t{m_sourceHeight} * 4096 - 1;
    return true;
}

// The exact rays at the grid nodes of cell rows [first, end]. Only the half right of the
// centre column is traced; the left half mirrors its horizontal angle. Products that can pass
// 2^31 at ordinary window sizes (z², 256·z², 16777216·i²) are taken in 64 bits.
void PanoramaProjector::computeGrid(const FramePlan& plan, int first, int end,
                                    BandGrid& grid) const {
    const auto& tables = ArcSineTables::get();
    const auto& coarse = tables.coarse();
    const auto& fine = tables.fine();

    const std::int64_t h2 = plan.h2, n = plan.n, F = plan.F, C = plan.C, S = plan.S;
    const std::int64_t sw = m_sourceWidth;
    const std::int64_t sh = m_sourceHeight;

    // The same sums a frame drawn from the top reaches at this row.
    std::int64_t Z = S * F + C * (-h2) + std::int64_t{first} * 8 * C;
    std::int64_t D = C * F - S * (-h2) - std::int64_t{first} * 8 * S;
    const int gc = m_gridColumns;
    for (int r = first; r <= end; ++r) {
        const std::int64_t y = -h2 + 8 * std::int64_t{r};
        const std::int64_t depth = D >> 12;
        const std::int64_t z = Z >> 7;
        const std::int64_t z2 = z * z;
        std::int64_t* columns = grid.column.get() + std::size_t(r - first) * gc;
        std::int64_t* rows = grid.row.get() + std::size_t(r - first) * gc;
        for (std::int64_t i = 0; i <= n; ++i) {
            const std::int64_t i2 = i * i;
            std::int64_t A = 0;
            // q is 0 only on the centre column of a ray with no depth, which has no
            // horizontal angle.
            if (const std::int64_t q = (64 * i2 + depth * depth) >> 2; q > 0)
                A = 4096 * i2 < q ? lookUp(fine, (16777216 * i2) / q)
                                  : lookUp(coarse, (65536 * i2) / q);
            std::int64_t B = 0;
            if (const std::int64_t R = (y * y + F * F + 64 * i2) >> 2; R > 0)
                B = z2 < 16 * R ? lookUp(fine, (256 * z2) / R) : lookUp(coarse, z2 / R);
            if (z <= 0)
                B = -1 - B;

            columns[n + i] = ((plan.Y + A) * sw) >> 2;
            columns[n - i] = ((plan.Y - A) * sw) >> 2;
            const std::int64_t v = std::clamp<std::int64_t>((plan.rowTop + B) * sh, 0, plan.rowMax);
            rows[n + i] = v;
            rows[n - i] = v;
        }
        Z += 8 * C;
        D -= 8 * S;
    }
}

// Fills each 8 × 8 cell by bilinear interpolation of its four corner rays in eighths and
// takes the nearest source pixel. The corners are private copies: a cell that crosses the
// seam moves its own corners by whole strip widths, never its neighbours'. A reversed view
// writes each pixel where turning the finished frame half round would put it, and the
// colour passes follow each row of cells while it is in the cache.
template <bool Reverse>
void PanoramaProjector::fillCells(const FramePlan& plan, int first, int end, const BandGrid& grid) {
    const std::int64_t sw = m_sourceWidth;
    const std::int64_t wrap = sw * 4096;
    const int gc = m_gridColumns;
    const std::size_t stride = std::size_t(m_output.width());
    const auto* src = reinterpret_cast<const std::uint32_t*>(m_source);
    auto* out = reinterpret_cast<std::uint32_t*>(m_output.bits());
    // The last pixel: a reversed view counts its places back from here.
    std::uint32_t* const last = out + (m_output.byteCount() / 4 - 1);

    for (int r = first + 1; r <= end; ++r) {
        const std::int64_t* colTop = grid.column.get() + std::size_t(r - 1 - first) * gc;
        const std::int64_t* colBottom = colTop + gc;
        const std::int64_t* rowTop = grid.row.get() + std::size_t(r - 1 - first) * gc;
        const std::int64_t* rowBottom = rowTop + gc;
        const std::size_t cellRow = std::size_t(r - 1) * 8 * stride;
        for (int c = 1; c < gc; ++c) {
            std::int64_t a = colTop[c - 1], b = colTop[c], cc = colBottom[c - 1], dd = colBottom[c];
            // Bring the smallest corner into the first strip width; the others follow by the
            // same whole number of widths, so every sampled column keeps its place modulo sw.
            const std::int64_t low = std::min({a, b, cc, dd});
            const std::int64_t shift = (low >= 0 ? low / wrap : -((-low + wrap - 1) / wrap)) * wrap;
            a -= shift, b -= shift, cc -= shift, dd -= shift;
            const std::int64_t ra = rowTop[c - 1], rb = rowTop[c], rc = rowBottom[c - 1],
                               rd = rowBottom[c];
            const std::size_t cell = cellRow + std::size_t(c - 1) * 8;
            for (int w = 0; w < 8; ++w) {
                const std::int64_t colLeft = (8 - w) * a + w * cc;
                const std::int64_t colRight = (8 - w) * b + w * dd;
                const std::int64_t rowLeft = (8 - w) * ra + w * rc;
                const std::int64_t rowRight = (8 - w) * rb + w * rd;
                std::int64_t colSum = 8 * colLeft;
                std::int64_t rowSum = 8 * rowLeft;
                const std::int64_t colStep = colRight - colLeft;
                const std::int64_t rowStep = rowRight - rowLeft;
                const std::size_t place = cell + std::size_t(w) * stride;
                std::uint32_t* line = Reverse ? last - place : out + place;
                for (int u = 0; u < 8; ++u, colSum += colStep, rowSum += rowStep) {
                    std::int64_t column = colSum >> 18;
                    while (column >= sw)
                        column -= sw;
                    const std::int64_t row = rowSum >> 18;
                    line[Reverse ? -u : u] = src[row * sw + column];
                }
            }
        }
        if (plan.colour) {
            // The eight rows just drawn lie side by side either way round.
            const std::size_t from =
                Reverse ? (m_output.byteCount() / 4) - cellRow - 8 * stride : cellRow;
            plan.settings.colour.apply(reinterpret_cast<std::uint8_t*>(out + from), 8 * stride);
        }
    }
}

}  // namespace orbpix
