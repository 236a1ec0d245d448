#include "xwin/Text.h"

#include <gtest/gtest.h>

#include <vector>

namespace orbpix::xwin {
namespace {

// One pixel per code point, so that fitting is plain arithmetic.
int countWidth(std::u32string_view text) {
    return int(text.size());
}

TEST(Utf8, DecodesEveryLengthAndReplacesBrokenSequences) {
    EXPECT_EQ(decodeUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"), U"a\u00E9\u20AC\U0001F600");
    // A lone continuation byte, a truncated sequence at the end, an overlong slash and an
    // encoded surrogate each stand for one replacement character per bad byte.
    EXPECT_EQ(decodeUtf8("\x80x"), U"\uFFFDx");
    EXPECT_EQ(decodeUtf8("x\xE2\x82"), U"x\uFFFD\uFFFD");
    EXPECT_EQ(decodeUtf8("\xC0\xAF"), U"\uFFFD\uFFFD");
    EXPECT_EQ(decodeUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(decodeUtf8(""), U"");
}

TEST(Ellipsis, KeepsTextThatFitsAndCutsTheRest) {
    EXPECT_EQ(fitWithEllipsis(U"Summit", 6, countWidth), U"Summit");
    EXPECT_EQ(fitWithEllipsis(U"Summit", 5, countWidth), U"Su...");
    EXPECT_EQ(fitWithEllipsis(U"Summit", 4, countWidth), U"S...");
    EXPECT_EQ(fitWithEllipsis(U"Summit", 3, countWidth), U"...");
    EXPECT_EQ(fitWithEllipsis(U"Summit", 2, countWidth), U"..");
    EXPECT_EQ(fitWithEllipsis(U"Summit", 0, countWidth), U"");
    EXPECT_EQ(fitWithEllipsis(U"", 0, countWidth), U"");
}

TEST(Font, MeasuresWithTheEmbeddedBoldFace) {
    const Font* font = Font::boldSans();
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->width(U"", 16), 0);
    const int narrow = font->width(U"iiii", 16);
    const int wide = font->width(U"WWWW", 16);
    EXPECT_GT(narrow, 0);
    EXPECT_GT(wide, 2 * narrow);
    // Twice the height is about twice the width.
    EXPECT_NEAR(font->width(U"WWWW", 32), 2 * wide, 4);
    // A line end ends the text.
    EXPECT_EQ(font->width(U"WW\nWWWW", 16), font->width(U"WW", 16));
}

struct Canvas {
    Canvas(int w, int h, std::uint8_t grey)
        : width(w), height(h), pixels(std::size_t(w * h * 4), grey) {}
    ImageView view() { return {pixels.data(), width, height, std::size_t(width) * 4}; }
    const std::uint8_t* at(int x, int y) const { return &pixels[std::size_t((y * width + x) * 4)]; }
    int width;
    int height;
    std::vector<std::uint8_t> pixels;
};

// The box of pixels that differ from the canvas's grey, or an empty box.
Rect touched(const Canvas& canvas, std::uint8_t grey) {
    Rect box;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x)
            if (canvas.at(x, y)[0] != grey || canvas.at(x, y)[2] != grey)
                box = box.united(Rect::ofSize(x, y, 1, 1));
    return box;
}

TEST(ShadowedText, DrawsWhiteOverABlackShadowInsideItsBox) {
    Canvas canvas(200, 40, 128);
    const Rect box = Rect::ofSize(10, 5, 120, 20);
    drawShadowedText(canvas.view(), box, "Harbour", 20, {255, 255, 255}, canvas.view().bounds());
    const Rect drawn = touched(canvas, 128);
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_GE(drawn.left, box.left);
    EXPECT_GE(drawn.top, box.top);
    EXPECT_LE(drawn.right, box.right + 1);
    EXPECT_LE(drawn.bottom, box.bottom + 1);
    int white = 0;
    int black = 0;
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const std::uint8_t* p = canvas.at(x, y);
            white += p[0] == 255 && p[1] == 255 && p[2] == 255;
            black += p[0] == 0 && p[1] == 0 && p[2] == 0;
        }
    EXPECT_GT(white, 30);
    EXPECT_GT(black, 5);  // the shadow shows below and right of the strokes
}

TEST(ShadowedText, LongTextEndsInsideANarrowBox) {
    Canvas canvas(200, 30, 128);
    const Rect box = Rect::ofSize(0, 0, 60, 16);
    drawShadowedText(canvas.view(), box, "A very long picture name indeed", 16, {255, 255, 255},
                     canvas.view().bounds());
    const Rect drawn = touched(canvas, 128);
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_LE(drawn.right, box.right + 1);
    // The ellipsis leaves the tail of the box used, unlike a text merely clipped at a glyph.
    EXPECT_GE(drawn.right, box.right - 12);
}

TEST(ShadowedText, StaysInsideTheClipAndTheCanvas) {
    Canvas canvas(40, 20, 128);
    const Rect box = Rect::ofSize(-10, -5, 100, 20);
    const Rect clip = Rect::ofSize(5, 2, 20, 10);
    drawShadowedText(canvas.view(), box, "WWWWWWWW", 20, {255, 255, 255}, clip);
    const Rect drawn = touched(canvas, 128);
    ASSERT_FALSE(drawn.isEmpty());
    EXPECT_EQ(drawn.intersected(clip), drawn);
}

}  // namespace
}  // namespace orbpix::xwin
