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
    if (std::thread::hardware_concurrency() > 1) {
        {
            std::lock_guard lock(m_helperLock);
            m_helperQuit = false;
            m_helperBusy = false;
        }
        m_helper = std::thread([this] { helperMain(); });
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
    if (m_helper.joinable()) {
        {
            std::lock_guard lock(m_helperLock);
            m_helperQuit = true;
        }
        m_helperWake.notify_all();
        m_helper.join();
    }
}

void PanoramaRenderer::helperMain() {
    std::unique_lock lock(m_helperLock);
    for (;;) {
        m_helperWake.wait(lock, [this] { return m_helperQuit || m_helperPlan; });
        if (m_helperQuit)
            return;
        const FramePlan* plan = m_helperPlan;
        const int first = m_helperFirst, end = m_helperEnd;
        lock.unlock();
        drawBand(*plan, first, end, 1);
        lock.lock();
        m_helperPlan = nullptr;
        m_helperBusy = false;
        m_helperWake.notify_all();
    }
}

void PanoramaRenderer::drawFrame() {
    FramePlan plan;
    if (!planFrame(plan, true))
        return;
    const int rows = cellRows();
    if (!m_helper.joinable() || rows < 2) {
        drawBand(plan, 0, rows, 0);
    } else {
        const int split = rows / 2;
        {
            std::lock_guard lock(m_helperLock);
            m_helperPlan = &plan;
            m_helperFirst = split;
            m_helperEnd = rows;
            m_helperBusy = true;
        }
        m_helperWake.notify_all();
        drawBand(plan, 0, split, 0);
        std::unique_lock lock(m_helperLock);
        m_helperWake.wait(lock, [this] { return !m_helperBusy; });
    }
    if (m_sink)
        m_sink->showFrame(m_output);
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
            drawFrame();
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
