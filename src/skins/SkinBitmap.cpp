#include "skins/SkinBitmap.h"

#include "skins/SkinManager.h"

namespace orbpix {

namespace {

constexpr QRgb kRgbMask = 0x00ffffff;
constexpr QRgb kOpaque = 0xff000000;

// What the destination holds at a point; outside the image there is nothing to keep, which
// reads as black.
QRgb pixelAt(const QImage& image, int x, int y) {
    if (!image.rect().contains(x, y))
        return kOpaque;
    return reinterpret_cast<const QRgb*>(image.constScanLine(y))[x];
}

// Copies `source` of `picture` to (x, y) at `size`: each target pixel takes the source pixel
// its position maps to, truncating, so stretching repeats pixels and shrinking drops them.
void copyScaled(SkinCanvas canvas, int x, int y, const QImage& picture, const QRect& source,
                QSize size) {
    const QRect target = QRect(QPoint(x, y), size).intersected(canvas.clip);
    for (int ty = target.top(); ty <= target.bottom(); ++ty) {
        const int sy = source.top() + static_cast<int>(static_cast<std::int64_t>(ty - y) *
                                                       source.height() / size.height());
        const auto* in = reinterpret_cast<const QRgb*>(picture.constScanLine(sy));
        auto* out = reinterpret_cast<QRgb*>(canvas.image->scanLine(ty));
        for (int tx = target.left(); tx <= target.right(); ++tx) {
            const int sx = source.left() + static_cast<int>(static_cast<std::int64_t>(tx - x) *
                                                            source.width() / size.width());
            out[tx] = in[sx] | kOpaque;
        }
    }
}

}  // namespace

bool SkinBitmap::load(const SkinManager& skins, const QString& element) {
    const bool found = skins.loadElement(element, *this);
    const int corner = skins.getInfoInt(QStringLiteral("Tile"), element, 0);
    m_tile = corner >= 0 && corner <= 3 ? static_cast<TileCorner>(corner) : TileCorner::TopLeft;
    return found;
}

void SkinBitmap::attach(QImage picture) {
    if (!picture.isNull() && picture.format() != QImage::Format_RGB32)
        picture = picture.convertToFormat(QImage::Format_RGB32);
    m_picture = std::move(picture);
    m_coverage.clear();
    m_coverageStride = 0;
}

void SkinBitmap::setTransparent(std::optional<QRgb> colour) {
    m_transparent = colour ? std::optional<QRgb>(*colour & kRgbMask) : std::nullopt;
}

bool SkinBitmap::setCoverage(std::vector<std::uint8_t> plane, int stride) {
    const auto needed = static_cast<std::size_t>(std::max(stride, 0)) * height();
    if (isEmpty() || stride < width() || plane.size() < needed) {
        m_coverage.clear();
        m_coverageStride = 0;
        return false;
    }
    m_coverage = std::move(plane);
    m_coverageStride = stride;
    return true;
}

bool SkinBitmap::needsSpecialDrawing() const {
    return isEmpty() || isTransparent() || hasCoverage();
}

void SkinBitmap::copyFrom(const SkinBitmap& other, Sharing sharing) {
    attach(sharing == Sharing::Duplicate ? other.m_picture.copy() : other.m_picture);
    m_transparent = other.m_transparent;
    m_tile = other.m_tile;
}

void SkinBitmap::draw(SkinCanvas canvas, int x, int y, std::optional<QRect> source,
                      std::optional<QSize> target) const {
    if (isEmpty() || canvas.image == nullptr || canvas.image->isNull())
        return;
    const QRect area = source.value_or(m_picture.rect()).intersected(m_picture.rect());
    if (area.isEmpty())
        return;
    if (target && target->isEmpty())
        return;
    if (hasCoverage())
        drawBlended(canvas, x, y, area);
    else if (isTransparent())
        drawKeyed(canvas, x, y, area, target);
    else
        drawOpaque(canvas, x, y, area, target);
}

void SkinBitmap::drawOpaque(SkinCanvas canvas, int x, int y, const QRect& source,
                            std::optional<QSize> target) const {
    copyScaled(canvas, x, y, m_picture, source, target.value_or(source.size()));
}

void SkinBitmap::drawKeyed(SkinCanvas canvas, int x, int y, const QRect& source,
                           std::optional<QSize> target) const {
    // The background is taken at the picture's own size and stretched with it, so a
    // stretched transparent picture also stretches what shows through it.
    QImage composite(source.size(), QImage::Format_RGB32);
    for (int j = 0; j < source.height(); ++j) {
        const auto* in = reinterpret_cast<const QRgb*>(m_picture.constScanLine(source.top() + j));
        auto* out = reinterpret_cast<QRgb*>(composite.scanLine(j));
        for (int i = 0; i < source.width(); ++i) {
            const QRgb pixel = in[source.left() + i];
            out[i] =
                (pixel & kRgbMask) == *m_transparent ? pixelAt(*canvas.image, x + i, y + j) : pixel;
        }
    }
    copyScaled(canvas, x, y, composite, composite.rect(), target.value_or(source.size()));
}

void SkinBitmap::drawBlended(SkinCanvas canvas, int x, int y, const QRect& source) const {
    const QRect target = QRect(QPoint(x, y), source.size()).intersected(canvas.clip);
    for (int ty = target.top(); ty <= target.bottom(); ++ty) {
        const int row = source.top() + (ty - y);
        // The plane keeps the bottom row first.
        const std::uint8_t* cover =
            m_coverage.data() + static_cast<std::size_t>(height() - 1 - row) * m_coverageStride;
        const auto* in = reinterpret_cast<const QRgb*>(m_picture.constScanLine(row));
        auto* out = reinterpret_cast<QRgb*>(canvas.image->scanLine(ty));
        for (int tx = target.left(); tx <= target.right(); ++tx) {
            const int column = source.left() + (tx - x);
            const unsigned c = cover[column];
            if (c == 0)
                continue;
            const QRgb pixel = in[column];
            if (c == 255) {
                out[tx] = pixel | kOpaque;
                continue;
            }
            const QRgb under = out[tx];
            const auto mix = [c](unsigned top, unsigned bottom) {
                return (top * c + bottom * (255 - c)) / 255;
            };
            out[tx] = qRgb(static_cast<int>(mix(qRed(pixel), qRed(under))),
                           static_cast<int>(mix(qGreen(pixel), qGreen(under))),
                           static_cast<int>(mix(qBlue(pixel), qBlue(under))));
        }
    }
}

int SkinBitmap::drawTiled(SkinCanvas canvas, const QRect& area) const {
    const int w = width();
    const int h = height();
    if (isEmpty() || w <= 0 || h <= 0 || area.isEmpty())
        return 0;
    const SkinCanvas clipped(*canvas.image, canvas.clip.intersected(area));
    const int columns = (area.width() + w - 1) / w;
    const int rows = (area.height() + h - 1) / h;
    const bool fromRight = m_tile == TileCorner::TopRight || m_tile == TileCorner::BottomRight;
    const bool fromBottom = m_tile == TileCorner::BottomRight || m_tile == TileCorner::BottomLeft;
    // QRect's right and bottom are inclusive; the tiles start from the edges just outside.
    const int right = area.left() + area.width();
    const int bottom = area.top() + area.height();
    for (int j = 0; j < rows; ++j) {
        const int y = fromBottom ? bottom - (j + 1) * h : area.top() + j * h;
        for (int i = 0; i < columns; ++i) {
            const int x = fromRight ? right - (i + 1) * w : area.left() + i * w;
            draw(clipped, x, y);
        }
    }
    return columns * rows;
}

}  // namespace orbpix
