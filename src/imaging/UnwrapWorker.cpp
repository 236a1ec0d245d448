#include "imaging/UnwrapWorker.h"

#include "imaging/Unwrap.h"

namespace orbpix {

BackgroundUnwrap::~BackgroundUnwrap() {
    stop();
}

bool BackgroundUnwrap::start(UnwrapListener& listener, const PixelImage& image,
                             const std::optional<LensCircle>& outer,
                             const std::optional<LensCircle>& inner, const std::string& key) {
    stop();
    if (!m_job.source.assign(image))
        return false;
    return launch(listener, outer, inner, key);
}

bool BackgroundUnwrap::start(UnwrapListener& listener, PixelImage&& image,
                             const std::optional<LensCircle>& outer,
                             const std::optional<LensCircle>& inner, const std::string& key) {
    stop();
    m_job.source = std::move(image);
    return launch(listener, outer, inner, key);
}

bool BackgroundUnwrap::launch(UnwrapListener& listener, const std::optional<LensCircle>& outer,
                              const std::optional<LensCircle>& inner, const std::string& key) {
    m_relay.target = &listener;
    m_job.listener = &m_relay;
    m_job.outer = outer;
    m_job.inner = inner;
    m_job.height = outer ? previewHeight(outer->radius) : 0;
    m_job.width = 4 * m_job.height;
    m_job.key = key;
    {
        std::lock_guard lock(m_mutex);
        m_done = false;
        m_job.reuse = std::move(m_spare);
    }
    m_job.running = true;
    try {
        m_thread = std::thread(&BackgroundUnwrap::workerMain, this);
    } catch (const std::system_error&) {
        m_job.running = false;
        std::lock_guard lock(m_mutex);
        m_done = true;
        return false;
    }
    return true;
}

void BackgroundUnwrap::recycle(std::unique_ptr<PanoramaResult> strip) {
    std::lock_guard lock(m_mutex);
    m_spare = std::move(strip);
}

PixelImage BackgroundUnwrap::takePicture() {
    stop();
    return std::move(m_job.source);
}

void BackgroundUnwrap::stop() {
    m_job.running = false;
    requestUnwrapAbort();
    if (!m_thread.joinable())
        return;
    {
        std::unique_lock lock(m_mutex);
        m_doneChanged.wait(lock, [this] { return m_done; });
    }
    m_thread.join();
}

void BackgroundUnwrap::workerMain() {
    // The worker always unwraps for the normal mount, with a helper on a second core.
    PanoramaUnwrapper unwrapper;
    unwrapper.setThreads(std::thread::hardware_concurrency() > 1 ? 2 : 1);
    unwrapper.runBackground(m_job);
}

void BackgroundUnwrap::signalDone() {
    m_job.running = false;
    std::lock_guard lock(m_mutex);
    m_done = true;
    m_doneChanged.notify_all();
}

void BackgroundUnwrap::Relay::unwrapProgress() {
    target->unwrapProgress();
}

void BackgroundUnwrap::Relay::unwrapDone(std::unique_ptr<PanoramaResult> result,
                                         const std::string& key) {
    m_owner.signalDone();
    target->unwrapDone(std::move(result), key);
}

void BackgroundUnwrap::Relay::unwrapStopped() {
    m_owner.signalDone();
    target->unwrapStopped();
}

void BackgroundUnwrap::Relay::unwrapImpossible() {
    m_owner.signalDone();
    target->unwrapImpossible();
}

}  // namespace orbpix
