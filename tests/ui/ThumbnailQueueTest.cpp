#include <gtest/gtest.h>

#include <QStringList>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "support/WaitUntil.h"
#include "ui/ThumbnailQueue.h"

namespace orbpix {
namespace {

using namespace std::chrono_literals;

// A loader that makes a picture of the box's size at once, except for the files it is told
// to hold: those wait until released or cancelled.
class GatedLoader {
public:
    ThumbnailQueue::Loader loader() {
        return
            [this](const QString& path, int width, int height, const std::atomic<bool>& cancelled) {
                std::unique_lock lock(m_lock);
                m_started.append(path);
                m_changed.notify_all();
                // Cancelling is a flag, not a signal: look at it now and then.
                const auto deadline = std::chrono::steady_clock::now() + 10s;
                while (m_held.contains(path) && !cancelled &&
                       std::chrono::steady_clock::now() < deadline)
                    m_changed.wait_for(lock, 2ms);
                QImage image(width, height, QImage::Format_RGB32);
                image.fill(Qt::red);
                return image;
            };
    }
    void hold(const QString& path) {
        const std::lock_guard lock(m_lock);
        m_held.append(path);
    }
    void release(const QString& path) {
        const std::lock_guard lock(m_lock);
        m_held.removeAll(path);
        m_changed.notify_all();
    }
    bool started(const QString& path) {
        const std::lock_guard lock(m_lock);
        return m_started.contains(path);
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    QStringList m_held;
    QStringList m_started;
};

// What the requests were given, as "path WxH". Standard containers rather than Qt's: the
// reference counts of Qt's shared lists live in a library ThreadSanitizer does not watch.
using Log = std::vector<std::string>;

// Records what it was given.
class RecordingRequest : public ThumbnailRequest {
public:
    RecordingRequest(std::mutex& lock, Log& log, QString file) : m_lock(lock), m_log(log) {
        path = std::move(file);
    }
    bool deliver(QImage image, int width, int height) override {
        const std::lock_guard guard(m_lock);
        EXPECT_EQ(image.size(), QSize(width, height));
        m_log.push_back(QStringLiteral("%1 %2x%3").arg(path).arg(width).arg(height).toStdString());
        return true;
    }

private:
    std::mutex& m_lock;
    Log& m_log;
};

class ThumbnailQueueTest : public ::testing::Test {
protected:
    Log delivered() {
        const std::lock_guard guard(m_lock);
        return m_log;
    }
    bool waitForDeliveries(std::size_t count) {
        return test::waitUntil([&] { return delivered().size() >= count; }, 10s);
    }
    std::mutex m_lock;
    Log m_log;
    GatedLoader m_gate;
    ThumbnailQueue m_queue{m_gate.loader()};
};

TEST_F(ThumbnailQueueTest, RequestingTwiceKeepsOneEntryWithTheLatestBox) {
    RecordingRequest busy(m_lock, m_log, QStringLiteral("busy"));
    RecordingRequest item(m_lock, m_log, QStringLiteral("item"));
    m_gate.hold(QStringLiteral("busy"));
    m_queue.request(busy, 96, 96);
    ASSERT_TRUE(test::waitUntil([&] { return m_gate.started(QStringLiteral("busy")); }, 10s));

    m_queue.request(item, 96, 96);
    m_queue.request(item, 40, 30);
    EXPECT_EQ(m_queue.waitingCount(), 1);
    EXPECT_TRUE(item.isQueued());

    m_gate.release(QStringLiteral("busy"));
    ASSERT_TRUE(waitForDeliveries(2));
    ASSERT_TRUE(test::waitUntil([&] { return !m_queue.hasDispatcher(); }, 10s));
    EXPECT_EQ(delivered(), Log({"busy 96x96", "item 40x30"}));
}

TEST_F(ThumbnailQueueTest, ChangingTheFileOfTheCurrentRequestDropsItsPictureAndQueuesItLast) {
    RecordingRequest current(m_lock, m_log, QStringLiteral("old"));
    RecordingRequest second(m_lock, m_log, QStringLiteral("second"));
    RecordingRequest third(m_lock, m_log, QStringLiteral("third"));
    m_gate.hold(QStringLiteral("old"));
    m_queue.request(current, 96, 96);
    ASSERT_TRUE(test::waitUntil([&] { return m_gate.started(QStringLiteral("old")); }, 10s));
    m_queue.request(second, 96, 96);
    m_queue.request(third, 96, 96);

    // What a requester does when its file changes. The withdrawal cancels the held
    // computation and waits for it, so its picture is finished but must not arrive.
    m_queue.withdraw(current);
    current.path = QStringLiteral("new");
    m_queue.request(current, 96, 96);

    ASSERT_TRUE(waitForDeliveries(3));
    ASSERT_TRUE(test::waitUntil([&] { return !m_queue.hasDispatcher(); }, 10s));
    EXPECT_EQ(delivered(), Log({"second 96x96", "third 96x96", "new 96x96"}));
}

TEST_F(ThumbnailQueueTest, AnEmptyQueueLeavesNoDispatcherAndTheNextRequestStartsOne) {
    QStringList lines;
    static QStringList* captured = nullptr;
    static std::mutex capturedLock;
    captured = &lines;
    // Whatever the environment's logging rules say, these lines are what is being checked.
    const_cast<QLoggingCategory&>(lcOrbImageLib()).setEnabled(QtDebugMsg, true);
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext& context, const QString& text) {
            if (QByteArray(context.category) != "orbimagelib")
                return;
            const std::lock_guard guard(capturedLock);
            captured->append(text);
        });

    RecordingRequest first(m_lock, m_log, QStringLiteral("first"));
    EXPECT_FALSE(m_queue.hasDispatcher());
    m_queue.request(first, 96, 96);
    ASSERT_TRUE(waitForDeliveries(1));
    ASSERT_TRUE(test::waitUntil([&] { return !m_queue.hasDispatcher(); }, 10s));

    RecordingRequest next(m_lock, m_log, QStringLiteral("next"));
    m_gate.hold(QStringLiteral("next"));
    m_queue.request(next, 96, 96);
    EXPECT_TRUE(m_queue.hasDispatcher());
    m_gate.release(QStringLiteral("next"));
    ASSERT_TRUE(waitForDeliveries(2));
    ASSERT_TRUE(test::waitUntil([&] { return !m_queue.hasDispatcher(); }, 10s));
    // The last line comes after the dispatcher has let go of the queue.
    ASSERT_TRUE(test::waitUntil(
        [&] {
            const std::lock_guard guard(capturedLock);
            return lines.count(lines.value(0)) == 2 && lines.size() == 14;
        },
        10s));
    qInstallMessageHandler(previous);

    const QString prefix = QStringLiteral("ORBIMAGELIB: Thumbnail background update,  ");
    const std::lock_guard guard(capturedLock);
    // One dispatcher's lines; the compute thread's lines fall between its waiting and
    // resuming.
    QStringList firstRun = lines.mid(0, 7);
    EXPECT_EQ(firstRun.first(), prefix + "main thread started");
    EXPECT_EQ(firstRun.last(), prefix + "main thread stopped");
    for (const char* line : {"main thread waiting", "main thread resuming", "computing first",
                             "computation done => update thumbnail", "computation ended"})
        EXPECT_TRUE(firstRun.contains(prefix + line)) << line;
    EXPECT_LT(firstRun.indexOf(prefix + "computing first"),
              firstRun.indexOf(prefix + "computation ended"));
    EXPECT_LT(firstRun.indexOf(prefix + "computation ended"),
              firstRun.indexOf(prefix + "main thread resuming"));
    EXPECT_EQ(lines.mid(7, 1), QStringList({prefix + "main thread started"}));
}

TEST_F(ThumbnailQueueTest, AShutDownQueueIgnoresRequests) {
    RecordingRequest held(m_lock, m_log, QStringLiteral("held"));
    RecordingRequest waiting(m_lock, m_log, QStringLiteral("waiting"));
    m_gate.hold(QStringLiteral("held"));
    m_queue.request(held, 96, 96);
    ASSERT_TRUE(test::waitUntil([&] { return m_gate.started(QStringLiteral("held")); }, 10s));
    m_queue.request(waiting, 96, 96);
    m_queue.shutdown();
    EXPECT_FALSE(waiting.isQueued());
    EXPECT_FALSE(m_queue.hasDispatcher());
    m_queue.request(waiting, 96, 96);
    EXPECT_FALSE(waiting.isQueued());
    EXPECT_TRUE(delivered().empty());
}

}  // namespace
}  // namespace orbpix
