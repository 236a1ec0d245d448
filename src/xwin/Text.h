#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "xwin/Geometry.h"

namespace orbpix::xwin {

// The code points of UTF-8 text; a byte that starts no valid sequence stands for itself as
// U+FFFD, so that text of any origin can be measured and drawn.
std::u32string decodeUtf8(std::string_view text);

// What fits in `width` pixels: the text itself when it fits, else its longest start followed
// by "..." that fits, else as much of "..." as fits.
std::u32string fitWithEllipsis(std::u32string_view text, int width,
                               const std::function<int(std::u32string_view)>& measure);

// The bold sans face every window of the tour programs writes with, carried inside the
// program. Heights are cell heights in pixels: ascent plus descent.
class Font {
public:
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    ~Font();

    // The embedded face; nullptr only if the embedded bytes were unusable.
    static const Font* boldSans();

    int width(std::u32string_view text, int height) const;
    // Draws the text's first line with its cell's top-left corner at (x, y), clipped to clip
    // and to the target.
    void draw(const ImageView& target, const Rect& clip, int x, int y, std::u32string_view text,
              int height, Rgb colour) const;

private:
    struct Face;
    explicit Font(std::unique_ptr<Face> face);
    std::unique_ptr<Face> m_face;
};

// Single-line text in a box, cut with an ellipsis at the right: first in black one pixel right
// and down, then in the colour at its place, both clipped to the box moved by the same amount.
void drawShadowedText(const ImageView& target, const Rect& box, std::string_view utf8, int height,
                      Rgb colour, const Rect& clip);

}  // namespace orbpix::xwin
