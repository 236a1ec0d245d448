#pragma once

namespace orbpix {

// Centre and radii in pixels of the full-size picture.
struct EditorCircles {
    int cx = 0;
    int cy = 0;
    int inner = 0;
    int outer = 0;
    friend bool operator==(const EditorCircles&, const EditorCircles&) = default;
};

// How the picture lies on the display: display pixels per picture pixel, and where the
// picture's corner falls.
struct DisplayFit {
    double scale = 1.0;
    double offsetX = 0.0;
    double offsetY = 0.0;
};

// The picture scaled to fit a box, keeping its proportions, centred in it.
DisplayFit fitPicture(int pictureWidth, int pictureHeight, int boxWidth, int boxHeight);

enum class CircleDrag { None, Centre, Inner, Outer };
enum class CircleCursor {
    Normal,
    Move,
    SizeHorizontal,
    SizeVertical,
    SizeFallingDiagonal,
    SizeRisingDiagonal
};

// The circle editor's rules in display coordinates, free of any window: what a press grabs,
// how a drag moves the circles within the picture, which cursor the pointer shows.
class CircleGeometry {
public:
    static constexpr double kHitTolerance = 4.0;

    void setPicture(int width, int height);
    void setFit(const DisplayFit& fit) { m_fit = fit; }
    void setCircles(const EditorCircles& circles) { m_circles = circles; }
    const EditorCircles& circles() const { return m_circles; }
    const DisplayFit& fit() const { return m_fit; }

    // The circles on the display.
    double centreX() const { return m_fit.offsetX + m_circles.cx * m_fit.scale; }
    double centreY() const { return m_fit.offsetY + m_circles.cy * m_fit.scale; }
    double innerRadius() const { return m_circles.inner * m_fit.scale; }
    double outerRadius() const { return m_circles.outer * m_fit.scale; }

    // What a press at the point would drag: the outer circle before the inner one before
    // the centre.
    CircleDrag hit(double x, double y) const;
    CircleDrag press(double x, double y);
    // Applies the drag to the pointer position; true when the circles changed.
    bool drag(double x, double y);
    void release() { m_drag = CircleDrag::None; }
    CircleDrag dragging() const { return m_drag; }
    CircleCursor cursorAt(double x, double y) const;

private:
    void keepCentreInside();
    void keepOuterInside();

    int m_width = 0;
    int m_height = 0;
    DisplayFit m_fit;
    EditorCircles m_circles;
    CircleDrag m_drag = CircleDrag::None;
};

}  // namespace orbpix
