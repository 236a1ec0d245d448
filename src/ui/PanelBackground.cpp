#include "ui/PanelBackground.h"

#include <algorithm>

#include "skins/SkinManager.h"

namespace orbpix {

void PanelSkin::load(const SkinManager& skins) {
    const auto load = [&skins](SkinBitmap& bitmap, const char* element) {
        (void)bitmap.load(skins, QString::fromLatin1(element));
    };
    load(background, "MAIN_BKG");
    load(corner, "BKG_D");
    load(logo, "MAIN_LOGO");
    load(barLeft, "BKG_BTM_ED_L");
    load(barRight, "BKG_BTM_ED_R");
    load(barMiddle, "BKG_BTM_ED_T");
    load(bandLeft, "BKG_DON_L");
    load(bandRight, "BKG_DON_R");
    load(bandMiddle, "BKG_DON_TILE");
    load(topLeft, "PREVISU_HG");
    load(topRight, "PREVISU_HD");
    load(bottomLeft, "PREVISU_BG");
    load(bottomRight, "PREVISU_BD");
    load(top, "PREVISU_H");
    load(left, "PREVISU_G");
    load(right, "PREVISU_D");
    load(bottom, "PREVISU_B");
    load(topFillLeft, "PREVISU_T_HHG");
    load(topFillRight, "PREVISU_T_HHD");
    load(leftFillTop, "PREVISU_T_GGH");
    load(leftFillBottom, "PREVISU_T_GGB");
    load(rightFillTop, "PREVISU_T_DDH");
    load(rightFillBottom, "PREVISU_T_DDB");
    load(bottomFillLeft, "PREVISU_T_BBG");
    load(bottomFillRight, "PREVISU_T_BBD");
}

int topBarHeight(const PanelSkin& skin) {
    return skin.barLeft.height();
}

namespace {

// Tiles a filler over the gap between two coordinates, only when the gap is positive.
void fillBetween(QImage& image, const SkinBitmap& filler, int left, int top, int right,
                 int bottom) {
    if (right > left && bottom > top)
        (void)filler.drawTiled(SkinCanvas(image), QRect(left, top, right - left, bottom - top));
}

void drawFrame(QImage& image, const PanelSkin& s, const QRect& picture) {
    // Window-style edges: right and bottom lie just outside the picture.
    const int a = picture.left();
    const int b = picture.top();
    const int c = picture.left() + picture.width();
    const int d = picture.top() + picture.height();
    SkinCanvas canvas(image);

    const int topX = a + (c - a - s.top.width()) / 2;
    const int leftY = b + (d - b - s.left.height()) / 2;
    const int rightY = b + (d - b - s.right.height()) / 2;
    const int bottomX = a + (c - a - s.bottom.width()) / 2;
    s.top.draw(canvas, topX, b - s.top.height());
    s.left.draw(canvas, a - s.left.width(), leftY);
    s.right.draw(canvas, c, rightY);
    s.bottom.draw(canvas, bottomX, d);

    const int xl = a - s.left.width();
    const int yt = b - s.top.height();
    const int xr = c + s.right.width();
    const int yb = d + s.bottom.height();
    s.topLeft.draw(canvas, xl, yt);
    s.topRight.draw(canvas, xr - s.topRight.width(), yt);
    s.bottomLeft.draw(canvas, xl, yb - s.bottomLeft.height());
    s.bottomRight.draw(canvas, xr - s.bottomRight.width(), yb - s.bottomRight.height());

    // Top side, as high as its centre part.
    fillBetween(image, s.topFillLeft, xl + s.topLeft.width(), yt, topX, b);
    fillBetween(image, s.topFillRight, topX + s.top.width(), yt, xr - s.topRight.width(), b);
    // Left side, each filler right-aligned to the picture and as wide as itself.
    fillBetween(image, s.leftFillTop, a - s.leftFillTop.width(), yt + s.topLeft.height(), a, leftY);
    fillBetween(image, s.leftFillBottom, a - s.leftFillBottom.width(), leftY + s.left.height(), a,
                yb - s.bottomLeft.height());
    // Right side, from the picture's right edge, as wide as its centre part.
    fillBetween(image, s.rightFillTop, c, yt + s.topRight.height(), c + s.right.width(), rightY);
    fillBetween(image, s.rightFillBottom, c, rightY + s.right.height(), c + s.right.width(),
                yb - s.bottomRight.height());
    // Bottom side, from the picture's bottom edge, as high as its centre part.
    fillBetween(image, s.bottomFillLeft, xl + s.bottomLeft.width(), d, bottomX,
                d + s.bottom.height());
    fillBetween(image, s.bottomFillRight, bottomX + s.bottom.width(), d, xr - s.bottomRight.width(),
                d + s.bottom.height());
}

}  // namespace

bool composePanelBackground(QImage& image, const PanelSkin& s, const QRect& picture) {
    const int w = image.width();
    const int h = image.height();
    SkinCanvas canvas(image);

    const bool painted = s.background.drawTiled(canvas, QRect(0, 0, w, h)) > 0;
    s.corner.draw(canvas, w - s.corner.width(), h - s.corner.height());

    s.barLeft.draw(canvas, 0, 0);
    if (s.barLeft.width() < w - s.barRight.width()) {
        const int barHeight = std::max(s.barLeft.height(), s.barRight.height());
        (void)s.barMiddle.drawTiled(
            canvas,
            QRect(s.barLeft.width(), 0, w - s.barRight.width() - s.barLeft.width(), barHeight));
    }
    s.barRight.draw(canvas, w - s.barRight.width(), 0);

    const int y0 = s.barLeft.height();
    s.bandLeft.draw(canvas, 0, y0);
    const int bandWidth = w - s.bandRight.width() - s.bandLeft.width();
    if (bandWidth > 0)
        (void)s.bandMiddle.drawTiled(
            canvas, QRect(s.bandLeft.width(), y0, bandWidth, s.bandMiddle.height()));
    s.bandRight.draw(canvas, w - s.bandRight.width(), y0);

    if (!picture.isEmpty())
        drawFrame(image, s, picture);
    return painted;
}

}  // namespace orbpix
