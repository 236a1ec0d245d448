#pragma once

#include "tourviewer/TourModel.h"
#include "xwin/Geometry.h"

namespace orbpix::tourviewer {

// Font heights and line steps of the tour's texts.
inline constexpr int kTitleTextHeight = 20;
inline constexpr int kNameTextHeight = 16;
inline constexpr int kInfoTextHeight = 12;
inline constexpr int kListTextHeight = 16;

// Draws the part `area` of the skinned window into the canvas: the composed background, then
// the album title, the shown picture's name, the information lines and the visible list
// rows, each in white over a black shadow and cut with an ellipsis.
void paintTour(const TourModel& model, const xwin::ImageView& canvas, const xwin::Rect& area);

// A skin picture as a window icon: 32-bit, its transparent colour see-through, the rest
// opaque. Empty when the picture is.
PixelImage iconOf(const GifPicture& picture);

}  // namespace orbpix::tourviewer
