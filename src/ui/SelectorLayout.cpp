#include "ui/SelectorLayout.h"

#include <algorithm>

namespace orbpix::selector {

namespace {

// Rounds towards minus infinity, as pixel grids need for points left of the origin.
int floorDiv(int a, int b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

QRect contentRect(const QRect& client, int leftMargin, int rightMargin, int bottomMargin) {
    return client.adjusted(leftMargin + kInnerSpacing, kInnerSpacing,
                           -(rightMargin + kInnerSpacing), -(bottomMargin + kInnerSpacing));
}

int rowsPerColumn(int contentHeight) {
    return std::max(1, contentHeight / (kCellHeight + kGapY));
}

QPoint itemOrigin(int index, const QRect& content, int scroll) {
    const int rows = rowsPerColumn(content.height());
    const int column = index / rows;
    const int row = index % rows;
    return {content.left() + kGapX - scroll + column * kLineStep,
            content.top() + row * (kCellHeight + kGapY)};
}

int scrollRange(int itemCount, int contentHeight) {
    if (itemCount <= 0)
        return 0;
    const int rows = rowsPerColumn(contentHeight);
    const int columns = (itemCount + rows - 1) / rows;
    return kGapX + kLineStep * columns;
}

int maximumScroll(int range, int page) {
    return std::max(0, range - page);
}

int clampScroll(int position, int range, int page) {
    return std::clamp(position, 0, maximumScroll(range, page));
}

QSize thumbnailDrawSize(QSize size) {
    int w = size.width();
    int h = size.height();
    if (w <= 0 || h <= 0)
        return {0, 0};
    if (w >= kPictureSize + 1) {
        h = h * kPictureSize / w;
        w = kPictureSize;
    }
    if (h > kPictureSize) {
        w = w * kPictureSize / h;
        h = kPictureSize;
    }
    return {w, h};
}

QRect thumbnailRect(QPoint origin, QSize size) {
    const QSize drawn = thumbnailDrawSize(size);
    return {
        origin + QPoint((kPictureSize - drawn.width()) / 2, (kPictureSize - drawn.height()) / 2),
        drawn};
}

int hitTest(const std::vector<QRect>& bounds, QPoint point) {
    for (std::size_t i = 0; i < bounds.size(); ++i) {
        if (bounds[i].contains(point))
            return int(i);
    }
    return -1;
}

std::vector<int> itemsInRect(const std::vector<QRect>& bounds, const QRect& rect) {
    std::vector<int> inside;
    const QRect area = rect.normalized();
    for (std::size_t i = 0; i < bounds.size(); ++i) {
        if (area.contains(bounds[i].center()))
            inside.push_back(int(i));
    }
    return inside;
}

int scrollToShow(const QRect& item, int left, int right, int scroll) {
    const int itemRight = item.left() + item.width();
    if (item.left() < left)
        return scroll - (left - item.left());
    if (itemRight > right && item.width() <= right - left)
        return scroll + (itemRight - right);
    return scroll;
}

int dragScrollStep(int x, int clientWidth, int inset) {
    if (x < inset)
        return -2 * (inset - x);
    if (x > clientWidth - inset)
        return 2 * (x - (clientWidth - inset));
    return 0;
}

InsertionPoint insertionPoint(QPoint pointer, const QRect& content, int scroll, int itemCount) {
    const int rows = rowsPerColumn(content.height());
    // Positions inside the unscrolled content: gap k lies at [k × 103, k × 103 + 7), and a
    // pointer on the right half of an item belongs to the gap after it.
    const int x = pointer.x() - content.left() + scroll;
    const int y = pointer.y() - content.top();
    const int columns = std::max(1, (itemCount + rows - 1) / rows);
    const int column = std::clamp(floorDiv(x + kCellWidth / 2, kLineStep), 0, columns);
    const int row = std::clamp(floorDiv(y, kCellHeight + kGapY), 0, rows - 1);
    int index = itemCount;
    for (int i = 0; i < itemCount; ++i) {
        const int itemRow = i % rows;
        const int itemColumn = i / rows;
        if (itemRow > row || (itemRow == row && itemColumn >= column)) {
            index = i;
            break;
        }
    }
    const QPoint point(content.left() - scroll + column * kLineStep + kGapX / 2,
                       content.top() + row * (kCellHeight + kGapY));
    return {point, index};
}

void Selection::reset(int itemCount) {
    m_selected.assign(std::size_t(std::max(itemCount, 0)), false);
    m_order.clear();
}

bool Selection::isSelected(int index) const {
    return index >= 0 && index < itemCount() && m_selected[std::size_t(index)];
}

void Selection::select(int index) {
    if (index < 0 || index >= itemCount() || m_selected[std::size_t(index)])
        return;
    m_selected[std::size_t(index)] = true;
    m_order.push_back(index);
}

void Selection::deselect(int index) {
    if (!isSelected(index))
        return;
    m_selected[std::size_t(index)] = false;
    std::erase(m_order, index);
}

void Selection::toggle(int index) {
    if (isSelected(index))
        deselect(index);
    else
        select(index);
}

void Selection::deselectAll() {
    std::fill(m_selected.begin(), m_selected.end(), false);
    m_order.clear();
}

void Selection::selectExactly(const std::vector<int>& indexes, int current) {
    deselectAll();
    for (int i : indexes) {
        if (i != current)
            select(i);
    }
    if (std::find(indexes.begin(), indexes.end(), current) != indexes.end())
        select(current);
}

void Selection::inserted(int index) {
    if (index < 0 || index > itemCount())
        return;
    m_selected.insert(m_selected.begin() + index, false);
    for (int& i : m_order) {
        if (i >= index)
            ++i;
    }
}

void Selection::removed(int index) {
    if (index < 0 || index >= itemCount())
        return;
    std::erase(m_order, index);
    m_selected.erase(m_selected.begin() + index);
    for (int& i : m_order) {
        if (i > index)
            --i;
    }
}

void Selection::moved(int from, int to) {
    if (from < 0 || from >= itemCount() || to < 0 || to >= itemCount() || from == to)
        return;
    const bool flag = m_selected[std::size_t(from)];
    m_selected.erase(m_selected.begin() + from);
    m_selected.insert(m_selected.begin() + to, flag);
    for (int& i : m_order) {
        if (i == from)
            i = to;
        else if (from < to && i > from && i <= to)
            --i;
        else if (to < from && i >= to && i < from)
            ++i;
    }
}

bool Selection::press(int index, bool shift, bool ctrl, const std::vector<QRect>& bounds) {
    if (index < 0 || index >= itemCount())
        return false;
    const bool deferred = (ctrl && !shift) || isSelected(index);
    if (shift && !ctrl && !m_order.empty() && std::size_t(m_order.front()) < bounds.size() &&
        std::size_t(index) < bounds.size()) {
        const int anchor = m_order.front();
        const QRect area = bounds[std::size_t(anchor)].united(bounds[std::size_t(index)]);
        const std::vector<int> inside = itemsInRect(bounds, area);
        deselectAll();
        // The anchor stays first so that the next Shift-click spans from it again.
        select(anchor);
        for (int i : inside) {
            if (i != index)
                select(i);
        }
    } else if (!ctrl && !isSelected(index)) {
        deselectAll();
    }
    if (!deferred)
        select(index);
    return deferred;
}

void Selection::finishDeferred(int index, bool ctrl) {
    if (!ctrl)
        deselectAll();
    toggle(index);
}

}  // namespace orbpix::selector
