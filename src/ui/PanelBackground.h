#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>

#include "skins/SkinBitmap.h"

namespace orbpix {

class SkinManager;

// The skin pictures the main window's panel draws itself: its background, the top bar, the
// strip band, the logo and the frame around the picture.
struct PanelSkin {
    SkinBitmap background;  // "MAIN_BKG", tiled
    SkinBitmap corner;      // "BKG_D"
    SkinBitmap logo;        // "MAIN_LOGO"
    SkinBitmap barLeft, barRight, barMiddle;
    SkinBitmap bandLeft, bandRight, bandMiddle;
    // The frame: corners, centre parts of the sides, and the fillers between them.
    SkinBitmap topLeft, topRight, bottomLeft, bottomRight;
    SkinBitmap top, left, right, bottom;
    SkinBitmap topFillLeft, topFillRight, leftFillTop, leftFillBottom;
    SkinBitmap rightFillTop, rightFillBottom, bottomFillLeft, bottomFillRight;

    // Every picture of the current skin; a missing one stays empty and draws nothing.
    void load(const SkinManager& skins);
};

// Composes the panel's background for a client of the image's size with the picture at
// `picture`: the tiled ground, the corner decoration, the top bar, the strip band and the
// frame round the picture, in that order, each over the ones before. Answers whether the
// ground laid at least one tile (without it the background counts as unpainted).
bool composePanelBackground(QImage& image, const PanelSkin& skin, const QRect& picture);

// Height of the top bar and of the band under it, as the skin's end pieces give them.
int topBarHeight(const PanelSkin& skin);

}  // namespace orbpix
