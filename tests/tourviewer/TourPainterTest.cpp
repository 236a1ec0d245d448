#include "tourviewer/TourPainter.h"

#include <gtest/gtest.h>

#include <vector>

#include "TourViewerSupport.h"
#include "xwin/Text.h"

namespace orbpix::tourviewer {
namespace {

using test::makeElement;

struct Canvas {
    explicit Canvas(std::uint8_t fill = 0) : pixels(640 * 480 * 4, fill) {}
    xwin::ImageView view() { return {pixels.data(), 640, 480, 640 * 4}; }
    const std::uint8_t* at(int x, int y) const { return &pixels[std::size_t((y * 640 + x) * 4)]; }
    std::vector<std::uint8_t> pixels;
};

constexpr xwin::Rgb kBack{40, 60, 80};

TourModel paintedModel(int pictures) {
    TourModel model;
    model.setSkin(
        {makeElement(kTypeBackground, kStateUp, 0, 0, {test::flatGif(640, 480, 40, 60, 80)}),
         makeElement(kTypeAlbumTitle, kStateNone, 20, 10, {}, 300, 20),
         makeElement(kTypeFrame, kStateNone, 20, 100, {}, 112, 139),
         makeElement(kTypeInfo, kStateNone, 300, 100, {}, 160, 60),
         makeElement(kTypePictureName, kStateNone, 300, 300, {}, 160, 20)});
    model.setAlbum(test::albumOf(pictures, 16, 8));
    return model;
}

struct Line {
    xwin::Rect box;
    std::string text;
};

std::vector<std::uint8_t> region(const Canvas& canvas, const xwin::Rect& box) {
    std::vector<std::uint8_t> part;
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x)
            part.insert(part.end(), canvas.at(x, y), canvas.at(x, y) + 4);
    return part;
}

// The area's pixels when only these lines are drawn on the plain background.
std::vector<std::uint8_t> alone(const std::vector<Line>& lines, int height,
                                const xwin::Rect& area) {
    Canvas canvas;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            std::uint8_t* p = canvas.view().pixel(x, y);
            p[0] = kBack.blue;
            p[1] = kBack.green;
            p[2] = kBack.red;
            p[3] = 255;
        }
    for (const Line& line : lines)
        xwin::drawShadowedText(canvas.view(), line.box, line.text, height, {255, 255, 255},
                               canvas.view().bounds());
    return region(canvas, area);
}

// A box and the pixel its shadow reaches beyond it on the right and below.
xwin::Rect withShadow(const xwin::Rect& box) {
    return {box.left, box.top, box.right + 1, box.bottom + 1};
}

bool isBackground(const std::uint8_t* p) {
    return p[0] == kBack.blue && p[1] == kBack.green && p[2] == kBack.red && p[3] == 255;
}

TEST(TourPainter, TextsLandInTheirBoxesAndNowhereElse) {
    const TourModel model = paintedModel(3);
    Canvas canvas;
    paintTour(model, canvas.view(), {0, 0, 640, 480});
    std::vector<xwin::Rect> boxes;
    for (const auto& element : model.elements())
        if (element.record.type != kTypeBackground)
            boxes.push_back({element.rect().left, element.rect().top, element.rect().right + 1,
                             element.rect().bottom + 1});
    int text = 0;
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            bool inBox = false;
            for (const xwin::Rect& box : boxes)
                inBox = inBox || box.contains(x, y);
            if (!inBox) {
                ASSERT_TRUE(isBackground(canvas.at(x, y))) << x << "," << y;
            } else {
                text += isBackground(canvas.at(x, y)) ? 0 : 1;
            }
        }
    EXPECT_GT(text, 200);
    const xwin::Rect title = xwin::Rect::ofSize(20, 10, 300, 20);
    EXPECT_EQ(region(canvas, withShadow(title)),
              alone({{title, "Coast"}}, kTitleTextHeight, withShadow(title)));
}

TEST(TourPainter, TheListShowsSevenRowsFromTheFirstVisibleRow) {
    TourModel model = paintedModel(9);
    ASSERT_TRUE(model.scrollList(1));
    Canvas canvas;
    paintTour(model, canvas.view(), {0, 0, 640, 480});
    std::vector<Line> rows;
    for (int r = 0; r < kListRows; ++r)
        rows.push_back({xwin::Rect::ofSize(20, 100 + kListRowHeight * r, 112, kListTextHeight),
                        "Picture " + std::to_string(r + 1)});
    const xwin::Rect list = xwin::Rect::ofSize(20, 100, 113, 141);
    EXPECT_EQ(region(canvas, list), alone(rows, kListTextHeight, list));
    // Nothing below the seventh row.
    for (int x = 20; x < 132; ++x)
        EXPECT_TRUE(isBackground(canvas.at(x, 100 + kListRowHeight * 7 + 2)));
}

TEST(TourPainter, InformationLinesAreTwelvePixelsApart) {
    const TourModel model = paintedModel(1);
    Canvas canvas;
    paintTour(model, canvas.view(), {0, 0, 640, 480});
    const std::string expected[] = {"Ann Lee", "Harbour Road 1", "Bay", "", "http://example.org"};
    std::vector<Line> lines;
    for (int i = 0; i < kInfoLineCount; ++i)
        lines.push_back({xwin::Rect::ofSize(300, 100 + kInfoTextHeight * i, 160, kInfoTextHeight),
                         expected[i]});
    const xwin::Rect info = xwin::Rect::ofSize(300, 100, 161, 61);
    EXPECT_EQ(region(canvas, info), alone(lines, kInfoTextHeight, info));
    // Shifted by a line, the same texts would not match.
    for (Line& line : lines)
        line.box.top += 1, line.box.bottom += 1;
    EXPECT_NE(region(canvas, info), alone(lines, kInfoTextHeight, info));
}

TEST(TourPainter, ThePictureNameIsThatOfThePictureOnShow) {
    TourModel model = paintedModel(3);
    const xwin::Rect name = xwin::Rect::ofSize(300, 300, 160, 20);
    Canvas before;
    paintTour(model, before.view(), name);
    EXPECT_EQ(region(before, name), alone({}, kNameTextHeight, name));
    model.setDisplayed(2, PixelImage());
    Canvas after;
    paintTour(model, after.view(), name);
    EXPECT_EQ(region(after, name), alone({{name, "Picture 2"}}, kNameTextHeight, name));
    EXPECT_NE(region(after, name), alone({{name, "Picture 1"}}, kNameTextHeight, name));
}

TEST(TourPainter, PaintsOnlyTheAreaAskedFor) {
    const TourModel model = paintedModel(3);
    Canvas canvas(7);
    const xwin::Rect area = xwin::Rect::ofSize(25, 12, 40, 10);
    paintTour(model, canvas.view(), area);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            if (!area.contains(x, y)) {
                ASSERT_EQ(canvas.at(x, y)[0], 7) << x << "," << y;
            }
}

}  // namespace
}  // namespace orbpix::tourviewer
