#include "panorama/PanoramaRenderer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "ReferenceView.h"
#include "support/StripImages.h"
#include "support/WaitUntil.h"

namespace orbpix {
namespace {

using namespace std::chrono_literals;

// Counts frames and keeps a copy of the last; can hold the render thread inside a frame.
class RecordingSink final : public FrameSink {
public:
    void showFrame(const PixelImage& frame) override {
        std::unique_lock lock(m_lock);
        ++m_frames;
        (void)m_last.assign(frame);
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return !m_holding; });
    }

    bool waitForFrames(int count, std::chrono::milliseconds timeout = 5s) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, timeout, [&] { return m_frames >= count; });
    }
    int frames() {
        std::lock_guard lock(m_lock);
        return m_frames;
    }
    void hold(bool on) {
        std::lock_guard lock(m_lock);
        m_holding = on;
        m_changed.notify_all();
    }
    PixelImage lastFrame() {
        std::lock_guard lock(m_lock);
        PixelImage copy;
        (void)copy.assign(m_last);
        return copy;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_frames = 0;
    bool m_holding = false;
    PixelImage m_last;
};

// A request made while the sink still holds a frame belongs to that frame; tests that want a
// second frame wait until the first is finished. The pending flag drops only once the
// renderer has handled every request, so no frame can follow unasked.
bool waitUntilIdle(const PanoramaRenderer& renderer) {
    return test::waitUntil([&] { return !renderer.isRenderPending(); }, 5s);
}

TEST(PanoramaRenderer, FirstStartDrawsAtOnceAndRequestsDrawTheLatestView) {
    const PixelImage strip = test::codedStrip(1600, 200);
    RecordingSink sink;
    PanoramaRenderer renderer;
    renderer.attach(&sink, 150, 100);
    ASSERT_TRUE(renderer.setSource(strip.bits(), 1600, 200, false));
    renderer.setView(0, 90, 256, false);
    renderer.start();
    ASSERT_TRUE(sink.waitForFrames(1));
    EXPECT_EQ(sink.lastFrame().width(), 160);
    EXPECT_EQ(sink.lastFrame().height(), 104);
    EXPECT_NEAR(test::placeOf(sink.lastFrame(), 80, 52).column, 400, 2);

    ASSERT_TRUE(waitUntilIdle(renderer));
    renderer.setView(0, 180, 256, true);
    ASSERT_TRUE(sink.waitForFrames(2));
    EXPECT_NEAR(test::placeOf(sink.lastFrame(), 80, 52).column, 800, 2);
    renderer.stop();
    EXPECT_FALSE(renderer.isRunning());
}

TEST(PanoramaRenderer, RequestsDuringAFrameAddNoFrame) {
    const PixelImage strip = test::codedStrip(1600, 200);
    RecordingSink sink;
    PanoramaRenderer renderer;
    renderer.attach(&sink, 64, 48);
    ASSERT_TRUE(renderer.setSource(strip.bits(), 1600, 200, false));
    sink.hold(true);
    renderer.start();
    ASSERT_TRUE(sink.waitForFrames(1));
    for (int i = 0; i < 5; ++i)
        renderer.moveView(0, 1, 0);
    sink.hold(false);
    ASSERT_TRUE(waitUntilIdle(renderer));
    EXPECT_EQ(sink.frames(), 1);

    ASSERT_TRUE(waitUntilIdle(renderer));
    renderer.requestRender();
    ASSERT_TRUE(sink.waitForFrames(2));
    EXPECT_NEAR(test::placeOf(sink.lastFrame(), 32, 24).column, 5 * 1600 / 360, 1);
    renderer.stop();
}

TEST(PanoramaRenderer, WithoutSourceTheSinkHearsNothing) {
    RecordingSink sink;
    PanoramaRenderer renderer;
    renderer.attach(&sink, 64, 48);
    renderer.start();
    renderer.requestRender();
    ASSERT_TRUE(waitUntilIdle(renderer));
    EXPECT_EQ(sink.frames(), 0);
    EXPECT_TRUE(renderer.isRunning());
}

TEST(PanoramaRenderer, FramesCarryTheActiveColourPasses) {
    PixelImage strip;
    ASSERT_TRUE(strip.allocate(800, 100));
    std::memset(strip.bits(), 100, strip.byteCount());
    RecordingSink sink;
    PanoramaRenderer renderer;
    renderer.attach(&sink, 32, 32);
    ASSERT_TRUE(renderer.setSource(strip.bits(), 800, 100, true));
    renderer.setBrightnessContrast(30, 0);
    renderer.enableToneTable(true);
    renderer.start();
    ASSERT_TRUE(sink.waitForFrames(1));
    EXPECT_EQ(sink.lastFrame().pixel(5, 5)[2], 130);

    ASSERT_TRUE(waitUntilIdle(renderer));
    renderer.setSaturation(0);
    renderer.enableMatrix(true);
    renderer.enableToneTable(false);
    renderer.requestRender();
    ASSERT_TRUE(sink.waitForFrames(2));
    EXPECT_EQ(sink.lastFrame().pixel(5, 5)[2], 100);
}

// The render thread and its helper each draw a band; together they give the plain frame byte
// for byte, whether the cell rows split evenly or not, upright and reversed, with colour.
TEST(PanoramaRenderer, BandsDrawnOnTwoThreadsMakeThePlainFrame) {
    const PixelImage strip = test::noiseStrip(1500, 260, 9);
    ColourAdjuster colour;
    colour.configure({-20, 40, 90});
    for (const test::ViewRequest& v :
         {test::ViewRequest{480, 272, 8, 123, 300}, test::ViewRequest{208, 8, -3, 10, 500},
          test::ViewRequest{640, 488, 20, 355, 256, kNormalElevation, true}}) {
        const PixelImage expected = test::referenceView(strip, v, &colour);
        RecordingSink sink;
        PanoramaRenderer renderer;
        renderer.attach(&sink, v.width, v.height);
        ASSERT_TRUE(renderer.setSource(strip.bits(), strip.width(), strip.height(), false));
        renderer.setView(v.pitch, v.yaw, v.focal, false);
        renderer.setReverse(v.reverse);
        renderer.setBrightnessContrast(-20, 40);
        renderer.setSaturation(90);
        renderer.enableToneTable(true);
        renderer.enableMatrix(true);
        renderer.start();
        ASSERT_TRUE(sink.waitForFrames(1));
        renderer.stop();
        const PixelImage frame = sink.lastFrame();
        ASSERT_EQ(frame.byteCount(), expected.byteCount());
        EXPECT_EQ(0, std::memcmp(frame.bits(), expected.bits(), frame.byteCount()))
            << v.width << "x" << v.height;
    }
}

// Resizing and replacing the picture from the interface thread while frames are drawn: the
// frame lock keeps the render thread off the buffers being swapped.
TEST(PanoramaRenderer, SurvivesResizeAndSourceChangesWhileDrawing) {
    const PixelImage a = test::codedStrip(1600, 200), b = test::codedStrip(900, 120);
    RecordingSink sink;
    PanoramaRenderer renderer;
    renderer.attach(&sink, 320, 240);
    ASSERT_TRUE(renderer.setSource(a.bits(), 1600, 200, false));
    renderer.start();
    for (int i = 0; i < 60; ++i) {
        renderer.resize(200 + 7 * i, 150 + 3 * i);
        const PixelImage& s = i % 2 ? a : b;
        ASSERT_TRUE(renderer.setSource(s.bits(), s.width(), s.height(), i % 3 == 0));
        renderer.moveView(0.5f, 3, 1);
        if (i % 10 == 0)
            renderer.stop(), renderer.start();
    }
    ASSERT_TRUE(waitUntilIdle(renderer));
    renderer.requestRender();
    ASSERT_TRUE(sink.waitForFrames(1));
    renderer.stop();
    renderer.stop();
}

}  // namespace
}  // namespace orbpix
