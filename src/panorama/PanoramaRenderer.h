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
// frame of its own, so the interface thread can ask as often as it likes. On a machine with
// more than one core a helper thread draws the lower band of every frame while the render
// thread draws the upper one; the frame is the same as one thread draws.
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
    // Draws one frame with the colour passes, split between this thread and the helper.
    void drawFrame();
    void helperMain();

    FrameSink* m_sink = nullptr;
    std::thread m_worker;

    // The helper's one job at a time: the band of the frame being drawn.
    std::thread m_helper;
    std::mutex m_helperLock;
    std::condition_variable m_helperWake;
    const FramePlan* m_helperPlan = nullptr;
    int m_helperFirst = 0;
    int m_helperEnd = 0;
    bool m_helperBusy = false;
    bool m_helperQuit = false;

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
