#include "panorama/ViewControl.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace orbpix {

PanoramaViewControl::PanoramaViewControl(ViewControlHost& host) : m_host(host) {
    resetView();
}

PanoramaViewControl::~PanoramaViewControl() {
    m_renderer.stop();
}

void PanoramaViewControl::resetView() {
    m_pitchSpeed = m_yawSpeed = 0;
    m_wheelAccumulator = 0;
    setView(30, 0, 256, false);
}

void PanoramaViewControl::setView(float pitch, float yaw, int focal, bool redraw) {
    // Views that arrive from outside (a tour, a command line) may be anything.
    m_pitch = std::isfinite(pitch) ? pitch : 0.0f;
    m_yaw = std::isfinite(yaw) ? yaw : 0.0f;
    m_focal = focal;
    if (m_yaw >= 360)
        m_yaw -= 360;
    if (m_yaw <= 0)
        m_yaw += 360;
    if (m_pitch >= 45)
        m_pitch = 45;
    if (m_pitch <= -45)
        m_pitch = -45;
    if (m_focal > kMaxFocal)
        m_focal = kMaxFocal;
    const int height = m_renderer.outputHeight();
    if (2 * std::int64_t{m_focal} < height)
        m_focal = height / 2;
    m_renderer.setView(m_pitch, m_yaw, m_focal, redraw);
}

void PanoramaViewControl::moveView(float pitchChange, float yawChange, int focalChange) {
    const std::int64_t focal = std::int64_t{m_focal} + focalChange;
    setView(m_pitch + float(m_direction) * pitchChange, m_yaw - float(m_direction) * yawChange,
            static_cast<int>(std::max<std::int64_t>(focal, INT32_MIN)), true);
}

void PanoramaViewControl::accumulatedZoom(int step) {
    if (std::int64_t{step} * m_wheelAccumulator < 0)
        m_wheelAccumulator = 0;
    m_wheelAccumulator += step;
    // During a drag the timer keeps panning; the wheel only zooms.
    moveView(0, 0, m_wheelAccumulator);
}

void PanoramaViewControl::setReverse(int mode) {
    if (mode == -1)
        m_direction = -1;
    else if (mode != 0)
        m_direction = 1;
    else
        m_direction = -m_direction;
    m_renderer.setReverse(m_direction == -1);
    m_host.invalidateAndUpdate();
}

void PanoramaViewControl::setElevationLimits(int bottom, int top) {
    m_renderer.setLimits(top, bottom);
}

bool PanoramaViewControl::setPicture(const std::uint8_t* pixels, int width, int height, bool copy) {
    return m_renderer.setSource(pixels, width, height, copy);
}

void PanoramaViewControl::clearPicture() {
    (void)m_renderer.setSource(nullptr, 0, 0, false);
    m_renderer.resetColour();
}

void PanoramaViewControl::setBrightnessContrast(int brightness, int contrast) {
    m_renderer.setBrightnessContrast(brightness, contrast);
}

void PanoramaViewControl::setSaturation(int value) {
    m_renderer.setSaturation(value);
}

void PanoramaViewControl::enableToneTable(bool on) {
    m_renderer.enableToneTable(on);
}

void PanoramaViewControl::enableMatrix(bool on) {
    m_renderer.enableMatrix(on);
}

void PanoramaViewControl::attached(FrameSink* sink, int width, int height) {
    m_renderer.attach(sink, width, height);
    m_clientWidth = width;
    m_clientHeight = height;
}

void PanoramaViewControl::resized(int width, int height) {
    // Scaling the focal length with the width keeps the horizontal field of view.
    int focal = m_focal;
    if (m_clientWidth > 0) {
        const double scaled = double(m_focal) * width / double(m_clientWidth);
        focal = static_cast<int>(std::clamp(scaled, double(INT32_MIN), double(INT32_MAX)));
    }
    setView(m_pitch, m_yaw, focal, false);
    m_clientWidth = width;
    m_clientHeight = height;
    m_renderer.resize(width, height);
}

bool PanoramaViewControl::eraseBackground() {
    if (!hasPicture())
        return false;
    m_renderer.requestRender();
    return true;
}

void PanoramaViewControl::startTimerIfIdle() {
    if (m_timerId == 0)
        m_timerId = m_host.startTimer(kTimerId, kTimerPeriodMs);
}

void PanoramaViewControl::killTimer() {
    if (m_timerId != 0)
        m_host.killTimer(m_timerId);
    m_timerId = 0;
}

void PanoramaViewControl::leftButtonDown() {
    m_host.takeFocus();
    m_pitchSpeed = m_yawSpeed = 0;
    m_zoomStep = 0;
    m_dragging = true;
    startTimerIfIdle();
    m_host.captureMouse();
}

void PanoramaViewControl::mouseMove(int x, int y) {
    if (!m_dragging || m_clientWidth <= 0 || m_clientHeight <= 0)
        return;
    m_yawSpeed = float(x) * 10.0f / float(m_clientWidth) - 5.0f;
    m_pitchSpeed = float(y) * 10.0f / float(m_clientHeight) - 5.0f;
}

void PanoramaViewControl::leftButtonUp() {
    m_dragging = false;
    killTimer();
    m_host.releaseMouse();
    m_pitchSpeed = m_yawSpeed = 0;
}

bool PanoramaViewControl::keyDown(ViewKey key) {
    bool handled = true;
    switch (key) {
        case ViewKey::PageUp:
        case ViewKey::A:
            ++m_zoomStep;
            break;
        case ViewKey::PageDown:
        case ViewKey::Z:
            --m_zoomStep;
            break;
        case ViewKey::Other:
            m_zoomStep = 0;
            handled = false;
            break;
    }
    if (m_pitchSpeed != 0 || m_yawSpeed != 0 || m_zoomStep != 0)
        startTimerIfIdle();
    return handled;
}

void PanoramaViewControl::keyUp() {
    m_zoomStep = 0;
    if (!m_dragging)
        killTimer();
}

void PanoramaViewControl::timerTick() {
    if (m_pitchSpeed != 0 || m_yawSpeed != 0 || m_zoomStep != 0)
        moveView(m_pitchSpeed, -m_yawSpeed, m_zoomStep);
}

void PanoramaViewControl::wheel(int delta) {
    accumulatedZoom(delta * 5 / 120);
}

void PanoramaViewControl::destroyed() {
    m_renderer.stop();
}

}  // namespace orbpix
