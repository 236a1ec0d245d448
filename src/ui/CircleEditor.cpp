#include "ui/CircleEditor.h"

#include <QMouseEvent>
#include <QPainter>

namespace orbpix {

CircleEditor::CircleEditor(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("111"));
    setAttribute(Qt::WA_TranslucentBackground);
    setMouseTracking(true);
}

void CircleEditor::setCircles(const EditorCircles& circles) {
    m_geometry.setCircles(circles);
    update();
}

void CircleEditor::setPicture(QSize pictureSize, const DisplayFit& fit) {
    m_geometry.setPicture(pictureSize.width(), pictureSize.height());
    m_geometry.setFit(fit);
    update();
}

void CircleEditor::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 255), 1));
    painter.setBrush(Qt::NoBrush);
    const QPointF c(m_geometry.centreX(), m_geometry.centreY());
    const double arm = CircleGeometry::kHitTolerance;
    painter.drawLine(QPointF(c.x() - arm, c.y()), QPointF(c.x() + arm, c.y()));
    painter.drawLine(QPointF(c.x(), c.y() - arm), QPointF(c.x(), c.y() + arm));
    painter.drawEllipse(c, m_geometry.innerRadius(), m_geometry.innerRadius());
    painter.drawEllipse(c, m_geometry.outerRadius(), m_geometry.outerRadius());
}

void CircleEditor::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    // A widget holds the mouse while a button is down, which is the capture a drag needs.
    (void)m_geometry.press(event->position().x(), event->position().y());
}

void CircleEditor::mouseMoveEvent(QMouseEvent* event) {
    if (m_geometry.dragging() != CircleDrag::None) {
        if (m_geometry.drag(event->position().x(), event->position().y())) {
            update();
            emit circlesChanged();
        }
        return;
    }
    showCursorAt(event->position());
}

void CircleEditor::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_geometry.release();
    showCursorAt(event->position());
}

void CircleEditor::showCursorAt(QPointF point) {
    switch (m_geometry.cursorAt(point.x(), point.y())) {
        case CircleCursor::Normal:
            unsetCursor();
            break;
        case CircleCursor::Move:
            setCursor(Qt::SizeAllCursor);
            break;
        case CircleCursor::SizeHorizontal:
            setCursor(Qt::SizeHorCursor);
            break;
        case CircleCursor::SizeVertical:
            setCursor(Qt::SizeVerCursor);
            break;
        case CircleCursor::SizeFallingDiagonal:
            setCursor(Qt::SizeFDiagCursor);
            break;
        case CircleCursor::SizeRisingDiagonal:
            setCursor(Qt::SizeBDiagCursor);
            break;
    }
}

}  // namespace orbpix
