#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "imaging/LensCircle.h"
#include "imaging/PixelImage.h"

namespace orbpix {

struct PanoramaResult;

// The events a background unwrap reports; the album program posts them to its editing
// window under these numbers.
enum UnwrapEvent : int {
    kUnwrapProgressEvent = 0x809,
    kUnwrapDoneEvent = 0x506,
    kUnwrapStoppedEvent = 0x507,
    kUnwrapImpossibleEvent = 0x708,
};

// Hears from the worker thread. Per job: any number of progress calls (one per finished
// row), then exactly one of done, stopped or impossible.
class UnwrapListener {
public:
    virtual ~UnwrapListener() = default;
    virtual void unwrapProgress() = 0;
    // The result belongs to the listener; key is the job's item key.
    virtual void unwrapDone(std::unique_ptr<PanoramaResult> result, const std::string& key) = 0;
    virtual void unwrapStopped() = 0;
    virtual void unwrapImpossible() = 0;
};

// What the worker works on: private copies of the item's pixels, circles and key.
struct UnwrapJob {
    UnwrapListener* listener = nullptr;
    PixelImage source;
    std::optional<LensCircle> outer;
    std::optional<LensCircle> inner;
    int width = 0;
    int height = 0;
    std::atomic<bool> running{false};
    std::string key;
    std::unique_ptr<PanoramaResult> reuse;  // a block for the strip, when there is one
};

// The one background unwrap of the editing window. The job is written only while no
// worker runs.
class BackgroundUnwrap {
public:
    BackgroundUnwrap() = default;
    BackgroundUnwrap(const BackgroundUnwrap&) = delete;
    BackgroundUnwrap& operator=(const BackgroundUnwrap&) = delete;
    ~BackgroundUnwrap();

    // Stops any running worker, then unwraps a copy of image into a preview strip of
    // previewHeight(outer radius) rows and four times as many columns. False only when the
    // copy of the picture cannot be made or the thread cannot start (nothing is reported).
    [[nodiscard]] bool start(UnwrapListener& listener, const PixelImage& image,
                             const std::optional<LensCircle>& outer,
                             const std::optional<LensCircle>& inner, const std::string& key);
    // The same with a picture the caller gives away: a large ring is not copied.
    [[nodiscard]] bool start(UnwrapListener& listener, PixelImage&& image,
                             const std::optional<LensCircle>& outer,
                             const std::optional<LensCircle>& inner, const std::string& key);
    // Asks the worker to stop and waits until it has reported.
    void stop();
    // Stops the worker and hands back the last job's picture, whose block the next picture
    // can be decoded into: a fresh block for a 24-megapixel ring costs the system tens of
    // milliseconds to map and clear.
    PixelImage takePicture();
    // A finished strip the caller is done with: the next job unwraps into its block.
    void recycle(std::unique_ptr<PanoramaResult> strip);

    // Rows of the strip being made, for the caller's progress range.
    int outputHeight() const { return m_job.height; }
    bool isRunning() const { return m_job.running.load(); }

private:
    bool launch(UnwrapListener& listener, const std::optional<LensCircle>& outer,
                const std::optional<LensCircle>& inner, const std::string& key);
    // Sets the done state just before the outcome goes on to the caller's listener, so that
    // stop() can return as soon as the worker has reported.
    class Relay final : public UnwrapListener {
    public:
        explicit Relay(BackgroundUnwrap& owner) : m_owner(owner) {}
        UnwrapListener* target = nullptr;
        void unwrapProgress() override;
        void unwrapDone(std::unique_ptr<PanoramaResult> result, const std::string& key) override;
        void unwrapStopped() override;
        void unwrapImpossible() override;

    private:
        BackgroundUnwrap& m_owner;
    };

    void workerMain();
    void signalDone();

    UnwrapJob m_job;
    Relay m_relay{*this};
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_doneChanged;
    bool m_done = true;
    std::unique_ptr<PanoramaResult> m_spare;  // guarded by m_mutex
};

}  // namespace orbpix
