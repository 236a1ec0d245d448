#include "export/OrderedPipeline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace orbpix {
namespace {

// Records which items finished, and lets a job wait until another one has.
class Finished {
public:
    void mark(std::size_t item) {
        std::lock_guard lock(m_mutex);
        m_order.push_back(item);
        m_changed.notify_all();
    }
    void waitFor(std::size_t item) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(
            lock, [&] { return std::find(m_order.begin(), m_order.end(), item) != m_order.end(); });
    }
    std::vector<std::size_t> order() {
        std::lock_guard lock(m_mutex);
        return m_order;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::size_t> m_order;
};

TEST(OrderedPipeline, ConsumesInItemOrderWhateverOrderJobsFinishIn) {
    // In each group of three, item 2 finishes first, then 1, then 0.
    Finished finished;
    OrderedPipeline<std::string> pipeline(9, 3, [&](std::size_t item, JobProgress&) {
        if (item % 3 != 2)
            finished.waitFor(item + 1);
        finished.mark(item);
        return "picture " + std::to_string(item);
    });
    std::vector<std::string> consumed;
    const auto end = pipeline.run([&](std::size_t item, std::string&& result) {
        EXPECT_EQ(item, consumed.size());
        consumed.push_back(std::move(result));
        return true;
    });
    EXPECT_EQ(end, PipelineEnd::Finished);
    ASSERT_EQ(consumed.size(), 9u);
    for (std::size_t i = 0; i < consumed.size(); ++i)
        EXPECT_EQ(consumed[i], "picture " + std::to_string(i));
    EXPECT_EQ(finished.order()[0], 2u);
    EXPECT_EQ(finished.order()[2], 0u);
}

TEST(OrderedPipeline, CancelStopsRunningJobsAndStartsNoMore) {
    // Item 1 runs until the pipeline tells it to stop; cancelling while waiting for it
    // must reach the job and leave the later items unstarted or unconsumed.
    std::atomic<std::size_t> started{0};
    std::atomic<bool> sawStop{false};
    OrderedPipeline<int> pipeline(50, 2, [&](std::size_t item, JobProgress& progress) {
        ++started;
        if (item == 1) {
            progress.report(40);
            while (!progress.stopping())
                std::this_thread::yield();
            sawStop = true;
        }
        return int(item);
    });
    std::vector<std::size_t> next;
    int pendingPercent = -1;
    PipelineWaiting waiting;
    waiting.next = [&](std::size_t item) { next.push_back(item); };
    waiting.pending = [&](std::size_t, int percent) { pendingPercent = percent; };
    waiting.cancelled = [&] { return pendingPercent == 40; };
    std::vector<std::size_t> consumed;
    const auto end = pipeline.run(
        [&](std::size_t item, int&&) { return consumed.push_back(item), true; }, waiting);
    EXPECT_EQ(end, PipelineEnd::Cancelled);
    EXPECT_TRUE(sawStop);
    EXPECT_EQ(consumed, std::vector<std::size_t>{0});
    EXPECT_EQ(next, (std::vector<std::size_t>{0, 1}));
    // Two threads may run at most three items ahead of the one consumed.
    EXPECT_LE(started.load(), 4u);
}

TEST(OrderedPipeline, AnErrorStopsThePipelineAndIsReportedOnce) {
    std::atomic<std::size_t> started{0};
    OrderedPipeline<int> failing(40, 2, [&](std::size_t item, JobProgress&) -> int {
        ++started;
        if (item >= 3)
            throw std::runtime_error("item " + std::to_string(item));
        return int(item);
    });
    std::vector<std::size_t> consumed;
    const auto consume = [&](std::size_t item, int&&) { return consumed.push_back(item), true; };
    int thrown = 0;
    try {
        (void)failing.run(consume);
    } catch (const std::runtime_error& error) {
        ++thrown;
        // The first failing item in order, not whichever failed first.
        EXPECT_STREQ(error.what(), "item 3");
    }
    EXPECT_EQ(thrown, 1);
    EXPECT_EQ(consumed, (std::vector<std::size_t>{0, 1, 2}));
    // Workers never run more than three items past the one the consumer last took.
    EXPECT_LE(started.load(), 4u + 3u);

    // A consumer's refusal stops it the same way, without an exception.
    consumed.clear();
    OrderedPipeline<int> refused(40, 2, [](std::size_t item, JobProgress&) { return int(item); });
    EXPECT_EQ(refused.run([&](std::size_t item, int&&) {
        consumed.push_back(item);
        return item < 1;
    }),
              PipelineEnd::Stopped);
    EXPECT_EQ(consumed, (std::vector<std::size_t>{0, 1}));
}

}  // namespace
}  // namespace orbpix
