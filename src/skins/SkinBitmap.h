#pragma once

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace orbpix {

class SkinManager;

// Where a skin picture is drawn: a 32-bit image (RGB32 or ARGB32) and the rectangle that
// drawing may touch. Windows compose their skins into such an image off screen.
struct SkinCanvas {
    QImage* image;
    QRect clip;

    explicit SkinCanvas(QImage& target) : image(&target), clip(target.rect()) {}
    SkinCanvas(QImage& target, const QRect& area)
        : image(&target), clip(area.intersected(target.rect())) {}
};

// Corner from which a tiled element is laid; the partial tiles fall on the opposite side.
enum class TileCorner { TopLeft = 0, TopRight = 1, BottomRight = 2, BottomLeft = 3 };

// One skin picture and how it is drawn: copied as it is, with one colour left out
// (transparent), or blended through a coverage plane. Stretching drops or repeats pixels,
// never averages them, so skin art stays crisp at any size.
class SkinBitmap {
public:
    SkinBitmap() = default;

    // The element of the current skin: its picture, transparency and tile corner. Answers
    // whether a picture was found.
    bool load(const SkinManager& skins, const QString& element);

    // Takes the picture (an empty image clears it) and its size; a coverage plane goes.
    void attach(QImage picture);
    bool isEmpty() const { return m_picture.isNull(); }
    const QImage& picture() const { return m_picture; }
    int width() const { return m_picture.width(); }
    int height() const { return m_picture.height(); }
    QSize size() const { return m_picture.size(); }

    // The colour drawn as see-through; only red, green and blue count.
    void setTransparent(std::optional<QRgb> colour);
    bool isTransparent() const { return m_transparent.has_value(); }
    std::optional<QRgb> transparentColour() const { return m_transparent; }

    // One byte per pixel, bottom row first, rows `stride` bytes apart: 0 leaves the
    // background, 255 takes the picture, values between blend. False (and nothing kept) when
    // the plane is too small for the picture.
    bool setCoverage(std::vector<std::uint8_t> plane, int stride);
    bool hasCoverage() const { return !m_coverage.empty(); }

    TileCorner tileCorner() const { return m_tile; }
    void setTileCorner(TileCorner corner) { m_tile = corner; }

    // True when whatever lies beneath can show through, so callers paint the background
    // first: no picture, a transparent colour, or a coverage plane.
    bool needsSpecialDrawing() const;

    // Takes another bitmap's picture, transparency and tile corner; duplicate gives this one
    // its own pixels instead of sharing them.
    enum class Sharing { Share, Duplicate };
    void copyFrom(const SkinBitmap& other, Sharing sharing = Sharing::Share);

    // Draws the source rectangle (default: the whole picture; always cut to it) with its
    // top-left corner at (x, y), stretched to `target` when that is given and differs.
    void draw(SkinCanvas canvas, int x, int y, std::optional<QRect> source = std::nullopt,
              std::optional<QSize> target = std::nullopt) const;

    // Covers the area with whole tiles laid from the tile corner, clipped to the area.
    // Answers the number of tiles laid (0 without a picture).
    int drawTiled(SkinCanvas canvas, const QRect& area) const;

private:
    void drawOpaque(SkinCanvas canvas, int x, int y, const QRect& source,
                    std::optional<QSize> target) const;
    void drawKeyed(SkinCanvas canvas, int x, int y, const QRect& source,
                   std::optional<QSize> target) const;
    void drawBlended(SkinCanvas canvas, int x, int y, const QRect& source) const;

    QImage m_picture;
    std::optional<QRgb> m_transparent;
    std::vector<std::uint8_t> m_coverage;
    int m_coverageStride = 0;
    TileCorner m_tile = TileCorner::TopLeft;
};

}  // namespace orbpix
