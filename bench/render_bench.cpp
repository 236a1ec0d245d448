// Perspective view frame times on a 4200 × 1050 panorama of the sample ring, single-threaded,
// at a small and a large window; with OpenCV present, cv::remap (nearest neighbour, maps
// computed beforehand) fills a frame of the same size from the same strip side by side.
// Then the colour passes' share of a frame, and whole frames with colour from the render
// thread and its helper, as the view gets them.

#include <QCoreApplication>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <numbers>
#include <optional>
#include <thread>

#include "BenchTiming.h"
#include "SampleRing.h"
#include "imaging/PixelImage.h"
#include "imaging/Unwrap.h"
#include "panorama/PanoramaProjector.h"
#include "panorama/PanoramaRenderer.h"

#ifdef ORBPIX_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using orbpix::PixelImage;
using namespace orbpix::bench;

constexpr int kWarmups = 3;
constexpr int kRuns = 41;

struct ViewSize {
    int width;
    int height;
    int focal;
};

#ifdef ORBPIX_HAVE_OPENCV
// Where each view pixel's ray meets the strip, for cv::remap.
cv::Mat viewMap(const ViewSize& v, float pitch, float yaw, int stripWidth, int stripHeight) {
    const double pi = std::numbers::pi;
    cv::Mat map(v.height, v.width, CV_32FC2);
    const double p = pitch * pi / 180;
    for (int y = 0; y < v.height; ++y)
        for (int x = 0; x < v.width; ++x) {
            const double dx = x - v.width / 2, dy = y - v.height / 2, f = v.focal;
            const double down = std::sin(p) * f + std::cos(p) * dy;
            const double depth = std::cos(p) * f - std::sin(p) * dy;
            const double across = std::atan2(dx, depth);
            const double elevation = std::asin(down / std::sqrt(dx * dx + dy * dy + f * f));
            double column = (yaw / 360 + across / (2 * pi)) * stripWidth;
            column = std::fmod(std::fmod(column, stripWidth) + stripWidth, stripWidth);
            const double row = (26 + elevation * 180 / pi) / 90 * stripHeight;
            map.at<cv::Vec2f>(y, x) = cv::Vec2f(float(column), float(row));
        }
    return map;
}
#endif

void printTiming(const char* label, const Timing& t) {
    std::printf("%s median %6.2f ms (%5.0f frames/s) min %6.2f ms spread %2.0f %%", label,
                t.medianMs, 1000.0 / t.medianMs, t.minMs, t.spread * 100);
}

// Counts the frames the render thread hands over, without copying them: the figure is the
// renderer's, not a window's.
class CountingSink final : public orbpix::FrameSink {
public:
    void showFrame(const PixelImage&) override {
        std::lock_guard lock(m_lock);
        ++m_frames;
        m_changed.notify_all();
    }
    bool waitBeyond(long count) {
        std::unique_lock lock(m_lock);
        return m_changed.wait_for(lock, std::chrono::seconds(5), [&] { return m_frames > count; });
    }
    long frames() {
        std::lock_guard lock(m_lock);
        return m_frames;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_changed;
    long m_frames = 0;
};

// Frames with colour from the render thread (and its helper), one request after another as a
// drag asks for them: each figure is request to finished frame.
bool measureRenderer(const PixelImage& strip, const ViewSize& size) {
    CountingSink sink;
    orbpix::PanoramaRenderer renderer;
    renderer.attach(&sink, size.width, size.height);
    if (!renderer.setSource(strip.bits(), strip.width(), strip.height(), false))
        return false;
    renderer.setBrightnessContrast(20, 30);
    renderer.setSaturation(60);
    renderer.enableToneTable(true);
    renderer.enableMatrix(true);
    float yaw = 10;
    renderer.setView(5, yaw, size.focal, false);
    renderer.start();
    if (!sink.waitBeyond(0))
        return false;
    auto frame = [&] {
        // The previous frame is finished and counted; wait until its request is cleared too.
        while (renderer.isRenderPending())
            std::this_thread::yield();
        const long before = sink.frames();
        renderer.setView(5, yaw += 0.5f, size.focal, true);
        return sink.waitBeyond(before);
    };
    const auto timing = settled([&] { return measure(kWarmups, kRuns, frame); });
    renderer.stop();
    if (!timing)
        return false;
    std::printf("  ");
    printTiming("render thread + helper, with colour", *timing);
    std::printf("  cpu/wall %.2f  load %.2f\n", timing->cpuPerWall, loadAverage());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    PixelImage strip;
    {
        const auto ring = enlargedSampleRingImage("render_bench", argc, argv, 2);
        if (!ring)
            return 1;
        auto result = orbpix::PanoramaUnwrapper().unwrap(ring->image, &ring->outer, &ring->inner,
                                                         4200, 1050, {});
        if (!result) {
            std::fprintf(stderr, "render_bench: cannot unwrap the sample ring\n");
            return 1;
        }
        strip = std::move(result->image);
    }
    std::printf("render_bench: panorama %dx%d, %d warm-up + %d timed frames each, one thread\n",
                strip.width(), strip.height(), kWarmups, kRuns);
#ifdef ORBPIX_HAVE_OPENCV
    cv::setNumThreads(0);
    std::printf(
        "render_bench: OpenCV %s, cv::remap nearest with CV_16SC2 maps; ratio = remap time / "
        "orbpix time (>= 1: orbpix at least as fast)\n",
        CV_VERSION);
    const cv::Mat stripMat(strip.height(), strip.width(), CV_8UC4, strip.bits(), strip.stride());
#endif

    bool failed = false;
    const ViewSize sizes[] = {{640, 480, 400}, {1920, 1088, 1024}};
    for (const ViewSize& size : sizes) {
        orbpix::PanoramaProjector projector;
        projector.resize(size.width, size.height);
        if (!projector.setSource(strip.bits(), strip.width(), strip.height(), false))
            return 1;
        const float pitch = 5;
        float yaw = 10;
        // Each frame turns a little, as a drag does, so no two frames are the same.
        auto base = [&] {
            projector.setView(pitch, yaw += 0.5f, size.focal, false);
            return projector.render() == 0;
        };
        projector.setBrightnessContrast(20, 30);
        projector.setSaturation(60);
        auto coloured = [&] {
            if (!base())
                return false;
            projector.applyToneTableThenMatrix();
            return true;
        };
        // The view's own way: both passes on, applied band by band inside the frame.
        auto fused = [&] {
            projector.setView(pitch, yaw += 0.5f, size.focal, false);
            return projector.renderWithColour() == 0;
        };
        std::printf("view %dx%d focal %d\n", size.width, size.height, size.focal);
#ifdef ORBPIX_HAVE_OPENCV
        cv::Mat map1, map2, out;
        cv::convertMaps(viewMap(size, pitch, 100, strip.width(), strip.height()), cv::Mat(), map1,
                        map2, CV_16SC2, /*nninterpolation=*/true);
        auto remap = [&] {
            cv::remap(stripMat, out, map1, map2, cv::INTER_NEAREST);
            return out.cols == size.width && out.rows == size.height;
        };
        const auto pair = settled([&] { return measureInTurns(kWarmups, kRuns, base, remap); });
        const auto withColour = settled([&] { return measure(kWarmups, kRuns, coloured); });
        projector.enableToneTable(true);
        projector.enableMatrix(true);
        const auto colourShare =
            settled([&] { return measureInTurns(kWarmups, kRuns, base, fused); });
        if (!pair || !withColour || !colourShare) {
            std::printf("  FAILED\n");
            failed = true;
            continue;
        }
        std::printf("  ");
        printTiming("orbpix", pair->first);
        std::printf(" | ");
        printTiming("cv::remap", pair->second);
        std::printf(" | ratio %.2f  load %.2f\n", pair->medianRatio, loadAverage());
#else
        const auto single = settled([&] { return measure(kWarmups, kRuns, base); });
        const auto withColour = settled([&] { return measure(kWarmups, kRuns, coloured); });
        projector.enableToneTable(true);
        projector.enableMatrix(true);
        const auto colourShare =
            settled([&] { return measureInTurns(kWarmups, kRuns, base, fused); });
        if (!single || !withColour || !colourShare) {
            std::printf("  FAILED\n");
            failed = true;
            continue;
        }
        std::printf("  ");
        printTiming("orbpix", *single);
        std::printf("  load %.2f\n", loadAverage());
#endif
        std::printf("  ");
        printTiming("orbpix + tone table + matrix as separate passes", *withColour);
        std::printf("  load %.2f\n  ", loadAverage());
        printTiming("orbpix without colour", colourShare->first);
        std::printf(" | ");
        printTiming("with colour in the frame", colourShare->second);
        std::printf(" | colour adds %.0f %% (median of rounds)  load %.2f\n",
                    (colourShare->medianRatio - 1) * 100, loadAverage());
    }
    for (const ViewSize& size : {ViewSize{1920, 1088, 1024}, ViewSize{3840, 2160, 1024}}) {
        std::printf("view %dx%d focal %d, %u cores\n", size.width, size.height, size.focal,
                    std::thread::hardware_concurrency());
        if (!measureRenderer(strip, size)) {
            std::printf("  FAILED\n");
            failed = true;
        }
    }
    return failed ? 1 : 0;
}
