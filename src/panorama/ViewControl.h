#pragma once

#include <cstdint>
#include <memory>

#include "core/ElevationLimits.h"
#include "panorama/PanoramaRenderer.h"

namespace orbpix {

// What the view control needs from the window that carries it.
class ViewControlHost {
public:
    virtual ~ViewControlHost() = default;
    // Starts a repeating timer and returns its non-zero identifier.
    virtual int startTimer(int id, int periodMs) = 0;
    virtual void killTimer(int id) = 0;
    virtual void captureMouse() = 0;
    virtual void releaseMouse() = 0;
    virtual void takeFocus() = 0;
    // Repaints the whole window from its background up, at once.
    virtual void invalidateAndUpdate() = 0;
};

enum class ViewKey { PageUp, PageDown, A, Z, Other };

// The input logic of a panorama view, free of any toolkit: dragging turns the view toward the
// cursor on a timer, the wheel and four keys zoom, and the view stays within fixed bounds.
// Each window event of the carrying widget maps to one method.
class PanoramaViewControl {
public:
    static constexpr int kTimerId = 1;
    static constexpr int kTimerPeriodMs = 25;
    static constexpr int kMaxFocal = 1024;

    explicit PanoramaViewControl(ViewControlHost& host);
    ~PanoramaViewControl();

    // Pitch 30, yaw 0 (kept as 360), focal length 256, nothing moving; draws nothing.
    void resetView();
    // Yaw into (0, 360] by one correction each way, pitch into −45…45, focal length at most
    // 1024 and at least half the output height; then to the renderer.
    void setView(float pitch, float yaw, int focal, bool redraw);
    void moveView(float pitchChange, float yawChange, int focalChange);
    // Steps of the same sign add up, so a held button or a spun wheel zooms ever faster.
    void accumulatedZoom(int step);
    // −1 upside down, 0 toggles, anything else upright.
    void setReverse(int mode);
    void setElevationLimits(int bottom, int top);
    void setElevationLimits(ElevationLimits limits) {
        setElevationLimits(limits.bottom, limits.top);
    }

    bool setPicture(const std::uint8_t* pixels, int width, int height, bool copy);
    void clearPicture();
    bool hasPicture() const { return m_renderer.hasSource(); }

    void setBrightnessContrast(int brightness, int contrast);
    void setSaturation(int value);
    void enableToneTable(bool on);
    void enableMatrix(bool on);
    void startDrawing() { m_renderer.start(); }
    void stopDrawing() { m_renderer.stop(); }

    bool canZoomIn() const { return m_focal < kMaxFocal; }
    bool canZoomOut() const { return m_renderer.outputHeight() < 2 * m_focal; }

    // Window events. attached and resized take the client size.
    void attached(FrameSink* sink, int width, int height);
    void resized(int width, int height);
    // True when the window must not paint itself: the render thread draws.
    bool paint() const { return hasPicture(); }
    // True when the background counts as erased (a frame was requested instead).
    bool eraseBackground();
    void leftButtonDown();
    void mouseMove(int x, int y);
    void leftButtonUp();
    // False when the key belongs to the parent window.
    bool keyDown(ViewKey key);
    void keyUp();
    void timerTick();
    // Delta in 120ths of a notch.
    void wheel(int delta);
    void destroyed();

    float pitch() const { return m_pitch; }
    float yaw() const { return m_yaw; }
    int focal() const { return m_focal; }
    int direction() const { return m_direction; }
    float pitchSpeed() const { return m_pitchSpeed; }
    float yawSpeed() const { return m_yawSpeed; }
    int zoomStep() const { return m_zoomStep; }
    bool isDragging() const { return m_dragging; }
    bool timerRunning() const { return m_timerId != 0; }
    PanoramaRenderer& renderer() { return m_renderer; }
    const PanoramaRenderer& renderer() const { return m_renderer; }

private:
    void startTimerIfIdle();
    void killTimer();

    ViewControlHost& m_host;
    PanoramaRenderer m_renderer;
    float m_pitch = 0;
    float m_yaw = 0;
    int m_focal = 0;
    float m_pitchSpeed = 0;
    float m_yawSpeed = 0;
    int m_zoomStep = 0;
    int m_wheelAccumulator = 0;
    int m_timerId = 0;
    bool m_dragging = false;
    int m_direction = 1;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
};

// The size the renderer will give a control of this size.
inline int roundedControlWidth(int width) {
    return roundViewWidth(width);
}
inline int roundedControlHeight(int height) {
    return roundViewHeight(height);
}

}  // namespace orbpix
