#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "panorama/PanoramaProjector.h"

namespace orbpix {

// Receives each finished, colour-corrected frame on the render thread. The frame is only
// valid during the call; a sink copies what it shows and wakes its own interface thread.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    virtual void showFrame(const PixelImage& frame) = 0;
};

// A projector that renders on a thread of its own. Render requests only raise a flag; a
// request that arrives while a frame is being drawn is covered by that frame and draws no
// frame of its own, so the interface thread can ask as often as it likes.
class PanoramaRenderer : public PanoramaProjector {
public:
    PanoramaRenderer() = default;
    ~PanoramaRenderer() override;

    // Frames go to sink from now on; the output takes the given size.
    void attach(FrameSink* sink, int width, int height);

    void resize(int width, int height) override;
    bool setSource(const std::uint8_t* pixels, int width, int height, bool copy) override;
    void start() override;
    void stop() override;
    void requestRender() override;

    bool isRunning() const;
    // Whether a frame has been asked for and not yet finished.
    bool isRenderPending() const;

private:
    void run();

    FrameSink* m_sink = nullptr;
    std::thread m_worker;

    // Guards the output, the grids and the source against a frame in progress.
    std::mutex m_frameLock;

    mutable std::mutex m_eventLock;
    std::condition_variable m_wake;
    std::condition_variable m_ended;
    bool m_stopEvent = false;
    bool m_renderEvent = true;  // the first start draws at once
    bool m_workerEnded = true;
};

}  // namespace orbpix
