#pragma once

#include <QEvent>
#include <QImage>
#include <QRect>

class QWidget;

namespace orbpix {

// Asks a parent to paint its background under a child into the child's off-screen surface, so
// that the child's see-through parts blend in. A parent that can answers by painting and
// accepting the event.
inline constexpr int WM_GET_PARENT_BACKGROUND = 0x400 + 0x234;

class ParentBackgroundEvent : public QEvent {
public:
    static constexpr QEvent::Type kType = static_cast<QEvent::Type>(WM_GET_PARENT_BACKGROUND);
    ParentBackgroundEvent(QImage& surface, const QRect& rectInParent)
        : QEvent(kType), m_surface(&surface), m_rect(rectInParent) {
        setAccepted(false);
    }
    QImage& surface() const { return *m_surface; }
    // The child's rectangle in the parent's coordinates; the surface's (0, 0) is its corner.
    const QRect& rect() const { return m_rect; }

private:
    QImage* m_surface;
    QRect m_rect;
};

// Fills the surface (the child's size) with what the parent shows under the child: the
// parent's answer to the event, else the parent's own background rendered with its origin
// moved to the child's corner. Without a parent the surface is left as it is.
void paintParentBackground(const QWidget& child, QImage& surface);

}  // namespace orbpix
