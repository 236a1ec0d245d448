#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace orbpix {

// What a running job may tell the pipeline, and learn from it.
class JobProgress {
public:
    JobProgress(std::atomic<int>& percent, const std::atomic<bool>& stopping)
        : m_percent(percent), m_stopping(stopping) {}

    // How far the item is, 0 … 100 (more is taken as 100).
    void report(int percent) { m_percent.store(std::min(percent, 100)); }
    // True once the pipeline stops; a long job should give up then.
    bool stopping() const { return m_stopping.load(); }

private:
    std::atomic<int>& m_percent;
    const std::atomic<bool>& m_stopping;
};

enum class PipelineEnd {
    Finished,   // every item was consumed
    Cancelled,  // the waiting hooks asked to stop
    Stopped,    // the consumer refused an item
};

// What the consumer's thread does while it waits for the next item in order.
struct PipelineWaiting {
    // Once per item, before waiting for it.
    std::function<void(std::size_t item)> next;
    // Checked while waiting; true ends the run as cancelled.
    std::function<bool()> cancelled;
    // Called about every poll interval while the item is not done, with its percentage.
    std::function<void(std::size_t item, int percent)> pending;
};

// Runs a job for each of count items on worker threads and hands the results to a consumer
// on the calling thread in item order, whatever order the jobs finish in. Workers run at
// most one item per thread (plus one) ahead of the consumer, so that only a few finished
// results wait in memory however many items there are. An exception thrown by a job is the
// outcome of its item: when the consumer reaches that item, the pipeline stops and run()
// throws it; exceptions of later items are dropped.
template <typename Result>
class OrderedPipeline {
public:
    using Job = std::function<Result(std::size_t item, JobProgress& progress)>;
    // Takes one item's result; false stops the pipeline.
    using Consumer = std::function<bool(std::size_t item, Result&& result)>;

    static constexpr std::chrono::milliseconds kPollInterval{20};

    // threads 0 means one per processor; never more threads than items.
    OrderedPipeline(std::size_t count, int threads, Job job);
    ~OrderedPipeline() { stopWorkers(); }
    OrderedPipeline(const OrderedPipeline&) = delete;
    OrderedPipeline& operator=(const OrderedPipeline&) = delete;

    // Starts the workers and consumes every item; call once.
    PipelineEnd run(const Consumer& consume, const PipelineWaiting& waiting = {});

private:
    struct Slot {
        std::optional<Result> result;
        std::exception_ptr error;
        bool done = false;
        std::atomic<int> percent{0};
    };

    void work();
    bool claim(std::size_t& item);
    void finish(std::size_t item, std::optional<Result> result, std::exception_ptr error);
    // Waits for the item in order; false when cancelled first.
    bool await(std::size_t item, const PipelineWaiting& waiting);
    void stopWorkers();

    const std::size_t m_count;
    const Job m_job;
    std::size_t m_threadCount = 1;
    std::size_t m_lookAhead = 2;
    std::unique_ptr<Slot[]> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_next = 0;   // the next item a worker claims
    std::size_t m_taken = 0;  // items the consumer has taken out of their slots
    bool m_stop = false;
    std::atomic<bool> m_stopping{false};
    std::vector<std::thread> m_workers;
};

template <typename Result>
OrderedPipeline<Result>::OrderedPipeline(std::size_t count, int threads, Job job)
    : m_count(count), m_job(std::move(job)), m_slots(std::make_unique<Slot[]>(count)) {
    const long long wanted = threads > 0 ? threads : std::thread::hardware_concurrency();
    m_threadCount = std::size_t(std::clamp<long long>(wanted, 1, std::max<long long>(1, count)));
    m_lookAhead = m_threadCount + 1;
}

template <typename Result>
PipelineEnd OrderedPipeline<Result>::run(const Consumer& consume, const PipelineWaiting& waiting) {
    for (std::size_t t = 0; t < m_threadCount && m_count > 0; ++t)
        m_workers.emplace_back([this] { work(); });
    for (std::size_t item = 0; item < m_count; ++item) {
        if (waiting.next)
            waiting.next(item);
        const bool arrived = await(item, waiting);
        m_changed.notify_all();
        if (!arrived) {
            stopWorkers();
            return PipelineEnd::Cancelled;
        }
        Slot& slot = m_slots[item];
        if (slot.error) {
            stopWorkers();
            std::rethrow_exception(std::exchange(slot.error, nullptr));
        }
        Result result = std::move(*slot.result);
        slot.result.reset();
        if (!consume(item, std::move(result))) {
            stopWorkers();
            return PipelineEnd::Stopped;
        }
    }
    stopWorkers();
    return PipelineEnd::Finished;
}

template <typename Result>
bool OrderedPipeline<Result>::await(std::size_t item, const PipelineWaiting& waiting) {
    for (;;) {
        if (waiting.cancelled && waiting.cancelled())
            return false;
        {
            std::unique_lock lock(m_mutex);
            if (m_changed.wait_for(lock, kPollInterval, [&] { return m_slots[item].done; })) {
                m_taken = item + 1;
                return true;
            }
        }
        if (waiting.pending)
            waiting.pending(item, m_slots[item].percent.load());
    }
}

template <typename Result>
void OrderedPipeline<Result>::work() {
    std::size_t item = 0;
    while (claim(item)) {
        JobProgress progress(m_slots[item].percent, m_stopping);
        std::optional<Result> result;
        std::exception_ptr error;
        try {
            result.emplace(m_job(item, progress));
        } catch (...) {
            error = std::current_exception();
        }
        finish(item, std::move(result), std::move(error));
    }
}

template <typename Result>
bool OrderedPipeline<Result>::claim(std::size_t& item) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock,
                   [&] { return m_stop || m_next >= m_count || m_next < m_taken + m_lookAhead; });
    if (m_stop || m_next >= m_count)
        return false;
    item = m_next++;
    return true;
}

template <typename Result>
void OrderedPipeline<Result>::finish(std::size_t item, std::optional<Result> result,
                                     std::exception_ptr error) {
    std::lock_guard lock(m_mutex);
    m_slots[item].result = std::move(result);
    m_slots[item].error = std::move(error);
    m_slots[item].done = true;
    m_changed.notify_all();
}

template <typename Result>
void OrderedPipeline<Result>::stopWorkers() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& worker : m_workers)
        if (worker.joinable())
            worker.join();
}

}  // namespace orbpix
