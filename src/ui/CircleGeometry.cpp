#include "ui/CircleGeometry.h"

#include <algorithm>
#include <cmath>

namespace orbpix {

DisplayFit fitPicture(int pictureWidth, int pictureHeight, int boxWidth, int boxHeight) {
    DisplayFit fit;
    if (pictureWidth <= 0 || pictureHeight <= 0 || boxWidth <= 0 || boxHeight <= 0)
        return fit;
    fit.scale = std::min(double(boxWidth) / pictureWidth, double(boxHeight) / pictureHeight);
    fit.offsetX = (boxWidth - pictureWidth * fit.scale) / 2.0;
    fit.offsetY = (boxHeight - pictureHeight * fit.scale) / 2.0;
    return fit;
}

void CircleGeometry::setPicture(int width, int height) {
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
}

CircleDrag CircleGeometry::hit(double x, double y) const {
    const double d = std::hypot(x - centreX(), y - centreY());
    if (std::abs(d - outerRadius()) <= kHitTolerance)
        return CircleDrag::Outer;
    if (std::abs(d - innerRadius()) <= kHitTolerance)
        return CircleDrag::Inner;
    if (d <= kHitTolerance)
        return CircleDrag::Centre;
    return CircleDrag::None;
}

CircleDrag CircleGeometry::press(double x, double y) {
    m_drag = hit(x, y);
    return m_drag;
}

bool CircleGeometry::drag(double x, double y) {
    const EditorCircles before = m_circles;
    const double d = std::hypot(x - centreX(), y - centreY());
    switch (m_drag) {
        case CircleDrag::None:
            return false;
        case CircleDrag::Centre:
            m_circles.cx = int((x - m_fit.offsetX) / m_fit.scale);
            m_circles.cy = int((y - m_fit.offsetY) / m_fit.scale);
            keepCentreInside();
            break;
        case CircleDrag::Inner:
            m_circles.inner = int(std::min(d, outerRadius()) / m_fit.scale);
            break;
        case CircleDrag::Outer:
            m_circles.outer = int(std::max(d, innerRadius()) / m_fit.scale);
            keepOuterInside();
            break;
    }
    return !(before == m_circles);
}

void CircleGeometry::keepCentreInside() {
    const int r = m_circles.outer;
    if (m_circles.cx + r >= m_width)
        m_circles.cx = m_width - r - 1;
    if (m_circles.cx - r < 0)
        m_circles.cx = r;
    if (m_circles.cy + r >= m_height)
        m_circles.cy = m_height - r - 1;
    if (m_circles.cy - r < 0)
        m_circles.cy = r;
}

void CircleGeometry::keepOuterInside() {
    int& r = m_circles.outer;
    if (m_circles.cx + r >= m_width)
        r = m_width - m_circles.cx - 1;
    if (m_circles.cx - r < 0)
        r = m_circles.cx;
    if (m_circles.cy + r >= m_height)
        r = m_height - m_circles.cy - 1;
    if (m_circles.cy - r < 0)
        r = m_circles.cy;
    r = std::max(r, 0);
    // The edge may push the outer circle inside the inner one; the ring must stay a ring.
    m_circles.inner = std::min(m_circles.inner, r);
}

CircleCursor CircleGeometry::cursorAt(double x, double y) const {
    const double dx = x - centreX();
    const double dy = y - centreY();
    const double d = std::hypot(dx, dy);
    if (std::abs(d - outerRadius()) <= kHitTolerance ||
        std::abs(d - innerRadius()) <= kHitTolerance) {
        // Sectors of 45 degrees centred on the axes and the diagonals; y grows downwards, so
        // 45 degrees points to the lower right.
        double angle = std::atan2(dy, dx) * 180.0 / M_PI;
        if (angle < 0)
            angle += 180.0;
        const int sector = int(std::floor((angle + 22.5) / 45.0)) % 4;
        switch (sector) {
            case 0:
                return CircleCursor::SizeHorizontal;
            case 1:
                return CircleCursor::SizeFallingDiagonal;
            case 2:
                return CircleCursor::SizeVertical;
            default:
                return CircleCursor::SizeRisingDiagonal;
        }
    }
    if (d <= kHitTolerance)
        return CircleCursor::Move;
    return CircleCursor::Normal;
}

}  // namespace orbpix
