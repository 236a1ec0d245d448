#pragma once

#include <QWidget>

#include "ui/CircleGeometry.h"

namespace orbpix {

// A transparent layer over the picture display: the blue cross and the two circles, dragged
// with the mouse by the rules of CircleGeometry.
class CircleEditor : public QWidget {
    Q_OBJECT
public:
    explicit CircleEditor(QWidget* parent = nullptr);

    void setCircles(const EditorCircles& circles);
    EditorCircles circles() const { return m_geometry.circles(); }
    // The full-size picture's size and how it lies in this widget.
    void setPicture(QSize pictureSize, const DisplayFit& fit);
    const CircleGeometry& rules() const { return m_geometry; }

signals:
    void circlesChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showCursorAt(QPointF point);

    CircleGeometry m_geometry;
};

}  // namespace orbpix
