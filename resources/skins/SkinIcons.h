// Line icons for the skin's buttons, drawn with anti-aliased paths on a 24-unit grid so that
// one design serves every button size.

#pragma once

#include <QColor>
#include <QRectF>

class QPainter;

namespace skinart {

enum class Icon {
    AddPictures,
    Folder,
    Disk,
    Envelope,
    Globe,
    Tour,
    Trash,
    ChevronLeft,
    ChevronRight,
    ZoomOut,
    ZoomIn,
    MagicWand,
    NoCorrection,
    LensUp,
    LensDown,
    SunLow,
    SunHigh,
    ContrastLow,
    ContrastHigh,
    DropLow,
    DropHigh,
    Check,
    Cross,
    Ring,
};

// Draws the icon scaled into the box in `ink`; `ground` is the colour beneath it, used where
// an icon cuts a shape out of another.
void drawIcon(QPainter& painter, Icon icon, const QRectF& box, const QColor& ink,
              const QColor& ground);

}  // namespace skinart
