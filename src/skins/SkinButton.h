#pragma once

#include <QAbstractButton>
#include <QPoint>
#include <QSize>
#include <QTimer>
#include <cstdint>
#include <vector>

#include "skins/SkinBitmap.h"

namespace orbpix {

// Sent to the parent while a repeating button is held, and once when it stops repeating.
inline constexpr int WM_BUTTON_REPEAT = 0x400 + 0x400;
inline constexpr int WM_BUTTON_RELEASE = 0x400 + 0x401;

// A button picture: five frames of equal width side by side. Frame 0 is never shown; its
// pixels that differ from the picture's top-left pixel outline the button's shape, which
// hovering follows.
class ButtonFrames {
public:
    enum Frame { Shape = 0, Normal = 1, Hover = 2, Pressed = 3, Disabled = 4 };

    void setPicture(const SkinBitmap& picture);
    bool isEmpty() const { return m_frame.isEmpty(); }
    QSize frameSize() const { return m_frame; }
    const SkinBitmap& picture() const { return m_picture; }
    // Whatever lies beneath shows through somewhere (see SkinBitmap::needsSpecialDrawing).
    bool needsBackground() const { return m_picture.needsSpecialDrawing(); }

    static Frame frameFor(bool pressed, bool enabled, bool hover);
    // Whether a point of a client area of the given size lies on the shape, with the frame
    // centred in it. Without a picture every point does.
    bool insideShape(QPoint point, QSize client) const;
    // Draws the frame centred into a surface of the client's size.
    void paint(QImage& surface, Frame frame) const;

private:
    QPoint origin(QSize client) const;

    SkinBitmap m_picture;
    QSize m_frame;
    std::vector<std::uint8_t> m_mask;
};

// A push button drawn from a skin picture (the platform's own look without one). Keyboard
// focus, space to click and accessible names behave as for any button; a checkable button is
// a toggle.
class SkinButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit SkinButton(QWidget* parent = nullptr, int controlId = 0);

    int controlId() const { return m_controlId; }
    // Takes the picture; with resize the button takes the frame size, its corner staying.
    // Answers the button's rectangle afterwards.
    enum class Resize { No, Yes };
    QRect setPicture(const SkinBitmap& picture, Resize resize = Resize::No);
    const ButtonFrames& frames() const { return m_frames; }

    // A repeating button reports buttonRepeat every 50 ms while the left button holds it on
    // its shape, and buttonRelease once when that ends.
    void setRepeating(bool repeating) { m_repeating = repeating; }
    bool isRepeating() const { return m_repeating; }
    bool isHovered() const { return m_hover; }
    // Whether a held repeating button is sending repeats.
    bool isSendingRepeats() const { return m_repeatTimer.isActive(); }

    QSize sizeHint() const override;

    static constexpr int kRepeatMs = 50;
    static constexpr int kHoverCheckMs = 150;

signals:
    void buttonRepeat(int controlId);
    void buttonRelease(int controlId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void shapeEntered(Qt::MouseButtons held);
    void shapeLeft();
    void windowLeft();
    void checkPointer();
    void stopRepeating();

    int m_controlId;
    ButtonFrames m_frames;
    bool m_repeating = false;
    bool m_hover = false;
    bool m_inWindow = false;
    QTimer m_repeatTimer;
    QTimer m_hoverTimer;
};

}  // namespace orbpix
