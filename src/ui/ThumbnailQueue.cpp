#include "ui/ThumbnailQueue.h"

#include <utility>

#include "core/UncheckedWork.h"
#include "imaging/io/ImageFiles.h"

namespace orbpix {

Q_LOGGING_CATEGORY(lcOrbImageLib, "orbimagelib")

namespace {

// Qt's message handler serialises its output with locks of its own that ThreadSanitizer
// cannot see.
void diagnostic(const QString& line) {
    [[maybe_unused]] const UncheckedWork insideQt;
    qCDebug(lcOrbImageLib).noquote()
        << QStringLiteral("ORBIMAGELIB: Thumbnail background update,  ") + line;
}

QImage loadThumbnail(const QString& path, int width, int height, const std::atomic<bool>&) {
    return loadScreenImage(path, width, height);
}

}  // namespace

bool ThumbnailRequest::deliver(QImage, int, int) {
    return false;
}

ThumbnailQueue::ThumbnailQueue(Loader loader)
    : m_loader(loader ? std::move(loader) : Loader(loadThumbnail)) {}

ThumbnailQueue::~ThumbnailQueue() {
    shutdown();
}

void ThumbnailQueue::request(ThumbnailRequest& request, int width, int height) {
    const std::lock_guard guard(m_lock);
    if (!m_alive)
        return;
    withdrawLocked(request);
    request.m_width = width;
    request.m_height = height;
    if (!request.m_queued) {
        request.m_prev = m_last;
        request.m_next = nullptr;
        if (m_last)
            m_last->m_next = &request;
        else
            m_first = &request;
        m_last = &request;
        request.m_queued = true;
    }
    if (!m_dispatcherRunning) {
        joinFinishedDispatcher();
        m_dispatcherRunning = true;
        m_dispatcher = std::thread(&ThumbnailQueue::dispatch, this);
    }
}

void ThumbnailQueue::withdraw(ThumbnailRequest& request) {
    const std::lock_guard guard(m_lock);
    if (!m_alive)
        return;
    withdrawLocked(request);
}

void ThumbnailQueue::withdrawLocked(ThumbnailRequest& request) {
    if (&request == m_current) {
        // The compute thread never takes m_lock, so waiting for it here cannot deadlock; the
        // dispatcher, which does, simply waits for us.
        m_cancel = true;
        std::unique_lock done(m_doneLock);
        m_doneSignal.wait(done, [this] { return m_computeDone; });
        return;
    }
    if (!request.m_queued)
        return;
    if (request.m_prev)
        request.m_prev->m_next = request.m_next;
    else
        m_first = request.m_next;
    if (request.m_next)
        request.m_next->m_prev = request.m_prev;
    else
        m_last = request.m_prev;
    request.m_prev = request.m_next = nullptr;
    request.m_queued = false;
}

void ThumbnailQueue::joinFinishedDispatcher() {
    // A dispatcher that cleared its running flag only writes its last line before ending.
    if (m_dispatcher.joinable())
        m_dispatcher.join();
}

void ThumbnailQueue::shutdown() {
    std::thread dispatcher;
    {
        const std::lock_guard guard(m_lock);
        if (!m_alive)
            return;
        m_alive = false;
        while (m_first)
            withdrawLocked(*m_first);
        if (m_current)
            withdrawLocked(*m_current);
        dispatcher = std::move(m_dispatcher);
    }
    // The dispatcher needs the lock once more to see the empty queue.
    if (dispatcher.joinable())
        dispatcher.join();
}

bool ThumbnailQueue::hasDispatcher() const {
    const std::lock_guard guard(m_lock);
    return m_dispatcherRunning;
}

int ThumbnailQueue::waitingCount() const {
    const std::lock_guard guard(m_lock);
    int count = 0;
    for (const ThumbnailRequest* r = m_first; r; r = r->m_next)
        ++count;
    return count;
}

void ThumbnailQueue::dispatch() {
    diagnostic(QStringLiteral("main thread started"));
    std::unique_lock guard(m_lock);
    while (m_first) {
        ThumbnailRequest* request = m_first;
        m_first = request->m_next;
        if (m_first)
            m_first->m_prev = nullptr;
        else
            m_last = nullptr;
        request->m_prev = request->m_next = nullptr;
        request->m_queued = false;
        m_current = request;
        m_cancel = false;
        {
            const std::lock_guard done(m_doneLock);
            m_computeDone = false;
        }
        // The request's path and box cannot change while it is current: changing them means
        // withdrawing it first, which waits for the computation.
        std::thread computeThread(&ThumbnailQueue::compute, this, request, request->path,
                                  request->m_width, request->m_height);
        guard.unlock();
        std::this_thread::yield();
        diagnostic(QStringLiteral("main thread waiting"));
        computeThread.join();
        diagnostic(QStringLiteral("main thread resuming"));
        guard.lock();
        m_current = nullptr;
    }
    m_dispatcherRunning = false;
    guard.unlock();
    diagnostic(QStringLiteral("main thread stopped"));
}

void ThumbnailQueue::compute(ThumbnailRequest* request, QString path, int width, int height) {
    diagnostic(QStringLiteral("computing ") + path);
    QImage image = m_loader(path, width, height, m_cancel);
    if (!image.isNull()) {
        diagnostic(QStringLiteral("computation done => update thumbnail"));
        // A cancelled picture, or one the requester refuses, is simply dropped.
        if (!m_cancel) {
            const int w = image.width();
            const int h = image.height();
            request->deliver(std::move(image), w, h);
        }
    }
    diagnostic(QStringLiteral("computation ended"));
    {
        const std::lock_guard done(m_doneLock);
        m_computeDone = true;
    }
    m_doneSignal.notify_all();
}

ThumbnailQueue& thumbnailQueue() {
    static ThumbnailQueue queue;
    return queue;
}

}  // namespace orbpix
