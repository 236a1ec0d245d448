#include <gtest/gtest.h>

#include "ui/SelectorLayout.h"

namespace orbpix::selector {
namespace {

TEST(SelectorLayout, ThumbnailsAreNarrowedThenLoweredToTheBox) {
    EXPECT_EQ(thumbnailDrawSize({200, 300}), QSize(64, 96));
    EXPECT_EQ(thumbnailDrawSize({300, 200}), QSize(96, 64));
    EXPECT_EQ(thumbnailDrawSize({50, 40}), QSize(50, 40));
    EXPECT_EQ(thumbnailDrawSize({96, 96}), QSize(96, 96));
    // Narrowed first: 97 × 200 becomes 96 × 197, then lowered to 46 × 96.
    EXPECT_EQ(thumbnailDrawSize({97, 200}), QSize(46, 96));
    // Centred in the picture rectangle.
    EXPECT_EQ(thumbnailRect({10, 20}, {300, 200}), QRect(10, 36, 96, 64));
}

TEST(SelectorLayout, ItemsFormColumnsOfCellsWithGapsAndScrollWithinTheirRange) {
    const QRect client(0, 0, 400, 140);
    const QRect content = contentRect(client, 20, 20, 12);
    EXPECT_EQ(content, QRect(23, 3, 354, 122));
    EXPECT_EQ(rowsPerColumn(content.height()), 1);
    EXPECT_EQ(itemOrigin(0, content, 0), QPoint(30, 3));
    EXPECT_EQ(itemOrigin(2, content, 50), QPoint(30 + 206 - 50, 3));
    // A strip tall enough for two rows fills each column top down.
    const QRect tall(0, 0, 400, 240);
    EXPECT_EQ(itemOrigin(1, tall, 0), QPoint(7, 116));
    EXPECT_EQ(itemOrigin(2, tall, 0), QPoint(110, 0));

    EXPECT_EQ(scrollRange(0, 116), 0);
    EXPECT_EQ(scrollRange(5, 116), 7 + 103 * 5);
    EXPECT_EQ(scrollRange(5, 232), 7 + 103 * 3);
    EXPECT_EQ(clampScroll(-5, 522, 354), 0);
    EXPECT_EQ(clampScroll(400, 522, 354), 168);
    EXPECT_EQ(clampScroll(10, 100, 354), 0);
}

TEST(SelectorLayout, HitTestingRubberBandAndScrollingIntoView) {
    const std::vector<QRect> bounds = {itemBounds({7, 0}), itemBounds({110, 0}),
                                       itemBounds({213, 0})};
    EXPECT_EQ(hitTest(bounds, {7, 0}), 0);
    EXPECT_EQ(hitTest(bounds, {105, 50}), -1);  // in the gap
    EXPECT_EQ(hitTest(bounds, {300, 115}), 2);
    // Only items whose centres lie in the band, whichever way it was drawn.
    EXPECT_EQ(itemsInRect(bounds, QRect(QPoint(170, 100), QPoint(40, 10))),
              std::vector<int>({0, 1}));
    EXPECT_EQ(itemsInRect(bounds, QRect(50, 0, 60, 60)), std::vector<int>({0}));

    // Visible band [20, 300): partly left scrolls back, partly right scrolls on.
    EXPECT_EQ(scrollToShow(QRect(10, 0, 96, 116), 20, 300, 100), 90);
    EXPECT_EQ(scrollToShow(QRect(250, 0, 96, 116), 20, 300, 100), 146);
    EXPECT_EQ(scrollToShow(QRect(100, 0, 96, 116), 20, 300, 100), 100);

    EXPECT_EQ(dragScrollStep(50, 400, 11), 0);
    EXPECT_EQ(dragScrollStep(5, 400, 11), -12);
    EXPECT_EQ(dragScrollStep(395, 400, 11), 12);
}

TEST(SelectorLayout, DropsSnapToTheGapNearestThePointer) {
    const QRect content(0, 0, 600, 116);
    // Left half of item 1 (x 110..205): before it; right half: after it.
    EXPECT_EQ(insertionPoint({120, 40}, content, 0, 4), (InsertionPoint{{3 + 103, 0}, 1}));
    EXPECT_EQ(insertionPoint({200, 40}, content, 0, 4), (InsertionPoint{{3 + 206, 0}, 2}));
    // Beyond the last item: the end; before the first: the start.
    EXPECT_EQ(insertionPoint({590, 40}, content, 0, 4).index, 4);
    EXPECT_EQ(insertionPoint({-30, 40}, content, 0, 4).index, 0);
    // Scrolled by two columns, the same pointer lands two items further.
    EXPECT_EQ(insertionPoint({120, 40}, content, 206, 6).index, 3);
}

TEST(SelectorSelection, ClicksShiftAndCtrlFollowTheAnchorAndDeferredRules) {
    const std::vector<QRect> bounds = {itemBounds({7, 0}), itemBounds({110, 0}),
                                       itemBounds({213, 0}), itemBounds({316, 0})};
    Selection s;
    s.reset(4);
    // Shift-click with nothing selected is a plain click.
    EXPECT_FALSE(s.press(2, /*shift=*/true, /*ctrl=*/false, bounds));
    EXPECT_EQ(s.order(), std::vector<int>({2}));
    // Shift-click spans from the anchor, which stays first.
    EXPECT_FALSE(s.press(0, true, false, bounds));
    EXPECT_EQ(s.order(), std::vector<int>({2, 1, 0}));
    // A plain click on a selected item is deferred; released without a drag it leaves that
    // item alone in the selection.
    EXPECT_TRUE(s.press(1, false, false, bounds));
    EXPECT_EQ(s.order().size(), 3u);
    s.finishDeferred(1, false);
    EXPECT_EQ(s.order(), std::vector<int>({1}));
    // Ctrl toggles on release.
    EXPECT_TRUE(s.press(3, false, true, bounds));
    EXPECT_FALSE(s.isSelected(3));
    s.finishDeferred(3, true);
    EXPECT_EQ(s.order(), std::vector<int>({1, 3}));
    EXPECT_TRUE(s.press(1, false, true, bounds));
    s.finishDeferred(1, true);
    EXPECT_EQ(s.order(), std::vector<int>({3}));
    // The rubber band's current item goes last.
    s.selectExactly({0, 1, 2}, 1);
    EXPECT_EQ(s.order(), std::vector<int>({0, 2, 1}));
    // Indexes follow the items.
    s.inserted(0);
    EXPECT_EQ(s.order(), std::vector<int>({1, 3, 2}));
    s.removed(3);
    s.moved(1, 3);
    EXPECT_EQ(s.order(), std::vector<int>({3, 1}));
    EXPECT_TRUE(s.isSelected(3));
    EXPECT_FALSE(s.isSelected(0));
}

}  // namespace
}  // namespace orbpix::selector
