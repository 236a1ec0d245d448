#pragma once

#include <QImage>
#include <QLoggingCategory>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace orbpix {

// The thumbnail worker's diagnostic lines.
Q_DECLARE_LOGGING_CATEGORY(lcOrbImageLib)

class ThumbnailQueue;

// A wish for a picture fitted into a box, embedded in whoever wants it. The requester must
// withdraw it before changing its path, before destroying it and before discarding the
// picture it shows.
class ThumbnailRequest {
public:
    ThumbnailRequest() = default;
    ThumbnailRequest(const ThumbnailRequest&) = delete;
    ThumbnailRequest& operator=(const ThumbnailRequest&) = delete;
    virtual ~ThumbnailRequest() = default;

    QString path;
    int boxWidth() const { return m_width; }
    int boxHeight() const { return m_height; }
    bool isQueued() const { return m_queued; }

    // Called on the compute thread with the finished picture and its size. Must hand it on
    // without waiting for the interface thread (which may be waiting for this very call).
    // Answers whether it took the picture; the default takes nothing.
    virtual bool deliver(QImage image, int width, int height);

private:
    friend class ThumbnailQueue;
    ThumbnailRequest* m_prev = nullptr;
    ThumbnailRequest* m_next = nullptr;
    bool m_queued = false;
    int m_width = 0;
    int m_height = 0;
};

// Computes thumbnails one at a time, in order of arrival, on a compute thread per request
// that a dispatcher thread starts; the dispatcher runs only while there is work.
class ThumbnailQueue {
public:
    // Loads a picture fitted into a box; a null image when it cannot. Runs on the compute
    // thread; `cancelled` turns true when the requester no longer wants the picture, so a
    // loader that can stop early may.
    using Loader = std::function<QImage(const QString& path, int width, int height,
                                        const std::atomic<bool>& cancelled)>;

    // The default loader decodes JPEG pictures at a reduced scale.
    explicit ThumbnailQueue(Loader loader = {});
    ThumbnailQueue(const ThumbnailQueue&) = delete;
    ThumbnailQueue& operator=(const ThumbnailQueue&) = delete;
    // Shuts down.
    ~ThumbnailQueue();

    // Withdraws the request, takes the box and queues it at the end (unless already queued),
    // starting a dispatcher when none runs. Ignored after shut down.
    void request(ThumbnailRequest& request, int width, int height);
    // Unqueues a waiting request; a request being computed is cancelled and waited for, and
    // its picture is thrown away. Ignored after shut down.
    void withdraw(ThumbnailRequest& request);
    // Refuses further requests, withdraws every waiting one, cancels and waits for the one
    // being computed and waits for the dispatcher.
    void shutdown();

    // Whether a dispatcher thread is running (it ends when the queue is empty).
    bool hasDispatcher() const;
    // How many requests wait (the one being computed not counted).
    int waitingCount() const;

private:
    void dispatch();
    void compute(ThumbnailRequest* request, QString path, int width, int height);
    void withdrawLocked(ThumbnailRequest& request);
    void joinFinishedDispatcher();

    Loader m_loader;
    mutable std::mutex m_lock;
    bool m_alive = true;
    ThumbnailRequest* m_first = nullptr;
    ThumbnailRequest* m_last = nullptr;
    ThumbnailRequest* m_current = nullptr;
    std::atomic<bool> m_cancel{false};
    std::thread m_dispatcher;
    bool m_dispatcherRunning = false;
    std::thread m_compute;

    // The compute thread never takes m_lock; it says it is done through these.
    std::mutex m_doneLock;
    std::condition_variable m_doneSignal;
    bool m_computeDone = true;
};

// The program's queue.
ThumbnailQueue& thumbnailQueue();

}  // namespace orbpix
