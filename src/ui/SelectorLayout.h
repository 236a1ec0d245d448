#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

// The thumbnail strip's geometry and selection rules, free of widgets so that they can be
// checked figure by figure.
namespace orbpix::selector {

inline constexpr int kPictureSize = 96;
inline constexpr int kCellWidth = 96;
inline constexpr int kCellHeight = 116;
inline constexpr int kGapX = 7;
inline constexpr int kGapY = 0;
inline constexpr int kInnerSpacing = 3;
// One column further.
inline constexpr int kLineStep = kCellWidth + kGapX;
// Per drag-over event above a scroll button.
inline constexpr int kButtonDragStep = 8;

// An item's rectangles for its top-left corner.
inline QRect pictureRect(QPoint origin) {
    return {origin, QSize(kPictureSize, kPictureSize)};
}
inline QRect captionRect(QPoint origin) {
    return {origin + QPoint(0, kPictureSize), QSize(kCellWidth, kCellHeight - kPictureSize)};
}
inline QRect itemBounds(QPoint origin) {
    return {origin, QSize(kCellWidth, kCellHeight)};
}

// The area the items are laid in: the client area without the margins (room kept for the
// scroll buttons and the scroll bar), shrunk by the inner spacing.
QRect contentRect(const QRect& client, int leftMargin, int rightMargin, int bottomMargin);
int rowsPerColumn(int contentHeight);
// Top-left corner of the item at an index: down a column, then on to the next.
QPoint itemOrigin(int index, const QRect& content, int scroll);
// The end of the scroll range (its start is 0); 0 for an empty strip.
int scrollRange(int itemCount, int contentHeight);
// The largest position: the range end less one page, never below 0.
int maximumScroll(int range, int page);
int clampScroll(int position, int range, int page);

// The size a thumbnail is drawn at: a wide one is narrowed to 96 first, then a tall one
// lowered to 96, with integer arithmetic in that order. Never enlarged.
QSize thumbnailDrawSize(QSize size);
// The thumbnail's rectangle, centred in the picture rectangle.
QRect thumbnailRect(QPoint origin, QSize size);

// The first item (in album order) whose bounds hold the point, or -1.
int hitTest(const std::vector<QRect>& bounds, QPoint point);
// The items whose centres lie inside the rectangle, in album order.
std::vector<int> itemsInRect(const std::vector<QRect>& bounds, const QRect& rect);

// The scroll position that brings an item into the visible band [left, right): partly left
// of it scrolls until its left edge shows; partly right of it, and narrower than the band,
// scrolls until its right edge shows.
int scrollToShow(const QRect& item, int left, int right, int scroll);

// Auto-scroll while dragging: nothing inside the client width shrunk by the inset; beyond,
// twice the distance past the inset edge, negative towards the left.
int dragScrollStep(int x, int clientWidth, int inset);

// Where a drop would go: the marker's point (middle of the gap before a column, on the row
// grid) and the index it inserts at.
struct InsertionPoint {
    QPoint point;
    int index = 0;
    bool operator==(const InsertionPoint&) const = default;
};
InsertionPoint insertionPoint(QPoint pointer, const QRect& content, int scroll, int itemCount);

// The strip's selection: which items are selected, in the order they were chosen (the first
// is the anchor for Shift-clicks), and the click rules that change it.
class Selection {
public:
    void reset(int itemCount);
    int itemCount() const { return int(m_selected.size()); }
    bool isSelected(int index) const;
    const std::vector<int>& order() const { return m_order; }

    void select(int index);
    void deselect(int index);
    void toggle(int index);
    void deselectAll();
    // Selects exactly these (in the order given); the current item, when among them, goes
    // last in the selection order.
    void selectExactly(const std::vector<int>& indexes, int current);

    // Keeps the indexes in step with the items.
    void inserted(int index);
    void removed(int index);
    void moved(int from, int to);

    // A button press on an item (bounds of every item for the Shift rule). Answers whether
    // the click is deferred to the button release.
    bool press(int index, bool shift, bool ctrl, const std::vector<QRect>& bounds);
    // The release of a deferred click: without Ctrl everything else is deselected first,
    // then the item is toggled.
    void finishDeferred(int index, bool ctrl);

private:
    std::vector<bool> m_selected;
    std::vector<int> m_order;
};

}  // namespace orbpix::selector
