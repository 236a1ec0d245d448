#include "panorama/PanoramaRenderer.h"

#include <chrono>

namespace orbpix {

PanoramaRenderer::~PanoramaRenderer() {
    stop();
}

void PanoramaRenderer::attach(FrameSink* sink, int width, int height) {
    {
        std::lock_guard lock(m_frameLock);
        m_sink = sink;
    }
    resize(width, height);
}

void PanoramaRenderer::resize(int width, int height) {
    std::lock_guard lock(m_frameLock);
    PanoramaProjector::resize(width, height);
}

bool PanoramaRenderer::setSource(const std::uint8_t* pixels, int width, int height, bool copy) {
    std::lock_guard lock(m_frameLock);
    return PanoramaProjector::setSource(pixels, width, height, copy);
}

void PanoramaRenderer::requestRender() {
    {
        std::lock_guard lock(m_eventLock);
        m_renderEvent = true;
    }
    m_wake.notify_one();
}

bool PanoramaRenderer::isRunning() const {
    std::lock_guard lock(m_eventLock);
    return m_worker.joinable() && !m_workerEnded;
}

bool PanoramaRenderer::isRenderPending() const {
    std::lock_guard lock(m_eventLock);
    return m_renderEvent;
}

void PanoramaRenderer::start() {
    if (m_worker.joinable()) {
        requestRender();
        return;
    }
    {
        std::lock_guard lock(m_eventLock);
        m_stopEvent = false;
        m_renderEvent = true;
        m_workerEnded = false;
    }
    m_worker = std::thread([this] { run(); });
}

void PanoramaRenderer::stop() {
    if (!m_worker.joinable())
        return;
    {
        std::unique_lock lock(m_eventLock);
        m_stopEvent = true;
        m_wake.notify_one();
        // A frame takes milliseconds; the wait is bounded so that a stalled sink cannot hang
        // the interface for long.
        m_ended.wait_for(lock, std::chrono::milliseconds(500), [this] { return m_workerEnded; });
    }
    // The thread uses this object, so it is never abandoned: it ends after its current frame.
    m_worker.join();
}

void PanoramaRenderer::run() {
    for (;;) {
        {
            std::unique_lock lock(m_eventLock);
            m_wake.wait(lock, [this] { return m_stopEvent || m_renderEvent; });
            if (m_stopEvent)
                break;
        }
        {
            std::lock_guard frame(m_frameLock);
            if (render() == 0) {
                applyActiveColour();
                if (m_sink)
                    m_sink->showFrame(m_output);
            }
            // Reset only now, so that requests made during the frame add no frame.
            std::lock_guard lock(m_eventLock);
            m_renderEvent = false;
        }
        std::this_thread::yield();
    }
    std::lock_guard lock(m_eventLock);
    m_workerEnded = true;
    m_ended.notify_all();
}

}  // namespace orbpix
