#include "imaging/UnwrapWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "TestImages.h"
#include "imaging/Unwrap.h"
#include "support/WaitUntil.h"

namespace orbpix {
namespace {

using namespace std::chrono_literals;

// Records what the worker reports, as the editing window's event queue would.
class Recorder : public UnwrapListener {
public:
    // Holds the first job in its first row until the worker has been told to stop, so that
    // a stop always meets a job that is still running.
    void holdUntilStopped(const BackgroundUnwrap& worker) { m_holdFor = &worker; }

    void unwrapProgress() override {
        {
            std::lock_guard lock(m_mutex);
            ++progress;
        }
        m_changed.notify_all();
        if (const BackgroundUnwrap* worker = std::exchange(m_holdFor, nullptr)) {
            EXPECT_TRUE(test::waitUntil([&] { return !worker->isRunning(); }, 10s));
        }
    }
    void unwrapDone(std::unique_ptr<PanoramaResult> r, const std::string& key) override {
        finish(kUnwrapDoneEvent, [&] {
            result = std::move(r);
            doneKey = key;
        });
    }
    void unwrapStopped() override {
        finish(kUnwrapStoppedEvent, [] {});
    }
    void unwrapImpossible() override {
        finish(kUnwrapImpossibleEvent, [] {});
    }

    bool waitForProgress(int count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [&] { return progress >= count; });
    }
    bool waitForEnd(std::size_t count) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 10s, [&] { return endings.size() >= count; });
    }

    int progress = 0;
    std::vector<int> endings;
    std::unique_ptr<PanoramaResult> result;
    std::string doneKey;

private:
    template <class F>
    void finish(int event, F&& keep) {
        {
            std::lock_guard lock(m_mutex);
            keep();
            endings.push_back(event);
        }
        m_changed.notify_all();
    }
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const BackgroundUnwrap* m_holdFor = nullptr;
};

LensCircle circle(float cx, float cy, float r) {
    return {cx, cy, r};
}

TEST(BackgroundUnwrap, DeliversACumulativeResultWithTheKey) {
    const PixelImage src = test::greyImage(240, 240, 90);
    Recorder recorder;
    BackgroundUnwrap worker;
    ASSERT_TRUE(worker.start(recorder, src, circle(120, 120, 100), circle(120, 120, 23), "item-7"));
    EXPECT_EQ(worker.outputHeight(), 157);  // trunc(100·π/2)
    ASSERT_TRUE(recorder.waitForEnd(1));
    worker.stop();
    EXPECT_EQ(recorder.endings, std::vector<int>{kUnwrapDoneEvent});
    EXPECT_EQ(recorder.progress, 157);
    ASSERT_TRUE(recorder.result);
    EXPECT_EQ(recorder.result->image.width(), 628);
    EXPECT_EQ(recorder.result->image.height(), 157);
    EXPECT_EQ(recorder.doneKey, "item-7");
    // Every pixel has luminance 90: the cumulative histogram jumps to 255 there.
    EXPECT_EQ(recorder.result->luminance[89], 0);
    EXPECT_EQ(recorder.result->luminance[90], 255);
    EXPECT_EQ(recorder.result->chroma[128], 255);
    EXPECT_FALSE(worker.isRunning());
}

// The window decodes the next picture into the last one's block and unwraps into the last
// strip's block; what was there before must not show through.
TEST(BackgroundUnwrap, TheNextJobReusesThePictureAndStripBlocks) {
    Recorder recorder;
    BackgroundUnwrap worker;
    PixelImage picture = test::greyImage(240, 240, 90);
    const std::uint8_t* pictureBlock = picture.bits();
    ASSERT_TRUE(worker.start(recorder, std::move(picture), circle(120, 120, 100),
                             circle(120, 120, 23), "first"));
    ASSERT_TRUE(recorder.waitForEnd(1));
    ASSERT_TRUE(recorder.result);
    const std::uint8_t* stripBlock = recorder.result->image.bits();
    worker.recycle(std::move(recorder.result));

    PixelImage next = worker.takePicture();
    EXPECT_EQ(next.bits(), pictureBlock);
    ASSERT_TRUE(next.reshape(200, 200));
    std::memset(next.bits(), 40, next.byteCount());
    ASSERT_TRUE(worker.start(recorder, std::move(next), circle(100, 100, 90), circle(100, 100, 20),
                             "second"));
    ASSERT_TRUE(recorder.waitForEnd(2));
    worker.stop();
    ASSERT_TRUE(recorder.result);
    const PixelImage& strip = recorder.result->image;
    EXPECT_EQ(strip.bits(), stripBlock);
    EXPECT_EQ(strip.height(), 141);  // trunc(90·π/2)
    for (int y = 0; y < strip.height(); ++y)
        for (int x = 0; x < strip.width(); ++x)
            ASSERT_EQ(strip.pixel(x, y)[1], 40) << x << "," << y;
    EXPECT_EQ(recorder.result->luminance[39], 0);
    EXPECT_EQ(recorder.result->luminance[40], 255);
}

TEST(BackgroundUnwrap, ImpossibleCircles) {
    const PixelImage src = test::greyImage(100, 100, 90);
    Recorder recorder;
    BackgroundUnwrap worker;
    ASSERT_TRUE(worker.start(recorder, src, circle(50, 50, 60), circle(50, 50, 10), "a"));
    ASSERT_TRUE(recorder.waitForEnd(1));
    ASSERT_TRUE(worker.start(recorder, src, std::nullopt, circle(50, 50, 10), "b"));
    ASSERT_TRUE(recorder.waitForEnd(2));
    worker.stop();
    EXPECT_EQ(recorder.endings, (std::vector<int>{kUnwrapImpossibleEvent, kUnwrapImpossibleEvent}));
    EXPECT_EQ(recorder.progress, 0);
}

TEST(BackgroundUnwrap, StopEndsARunningJobWithStoppedOnly) {
    const PixelImage src = test::greyImage(1200, 1200, 50);
    Recorder recorder;
    BackgroundUnwrap worker;
    recorder.holdUntilStopped(worker);
    ASSERT_TRUE(worker.start(recorder, src, circle(600, 600, 590), circle(600, 600, 134), "k"));
    ASSERT_TRUE(recorder.waitForProgress(1));
    worker.stop();
    // stop() returns only after the worker has reported.
    EXPECT_EQ(recorder.endings, std::vector<int>{kUnwrapStoppedEvent});
    EXPECT_LT(recorder.progress, 800);
    EXPECT_FALSE(recorder.result);
    worker.stop();  // stopping an idle worker is harmless
}

TEST(BackgroundUnwrap, StartingAgainStopsTheRunningJobFirst) {
    const PixelImage big = test::greyImage(1200, 1200, 50);
    const PixelImage small = test::greyImage(100, 100, 70);
    Recorder recorder;
    BackgroundUnwrap worker;
    recorder.holdUntilStopped(worker);
    ASSERT_TRUE(worker.start(recorder, big, circle(600, 600, 590), circle(600, 600, 134), "old"));
    ASSERT_TRUE(recorder.waitForProgress(1));
    ASSERT_TRUE(worker.start(recorder, small, circle(50, 50, 40), circle(50, 50, 9), "new"));
    ASSERT_TRUE(recorder.waitForEnd(2));
    worker.stop();
    EXPECT_EQ(recorder.endings, (std::vector<int>{kUnwrapStoppedEvent, kUnwrapDoneEvent}));
    ASSERT_TRUE(recorder.result);
    EXPECT_EQ(recorder.doneKey, "new");
    EXPECT_EQ(recorder.result->image.height(), 62);
}

TEST(BackgroundUnwrap, DestructionStopsTheWorker) {
    const PixelImage src = test::greyImage(1200, 1200, 50);
    Recorder recorder;
    {
        BackgroundUnwrap worker;
        recorder.holdUntilStopped(worker);
        ASSERT_TRUE(worker.start(recorder, src, circle(600, 600, 590), circle(600, 600, 134), "k"));
        ASSERT_TRUE(recorder.waitForProgress(1));
    }
    EXPECT_EQ(recorder.endings, std::vector<int>{kUnwrapStoppedEvent});
}

}  // namespace
}  // namespace orbpix
