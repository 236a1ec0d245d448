// Unwrap throughput on a large ring, single-threaded, at the preview and export strip sizes;
// with OpenCV present, cv::warpPolar runs side by side on the very same source pixels.

#include <QCoreApplication>
#include <cstdio>
#include <optional>

#include "BenchTiming.h"
#include "SampleRing.h"
#include "imaging/LensCircle.h"
#include "imaging/PixelImage.h"
#include "imaging/Unwrap.h"

#ifdef ORBPIX_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

using orbpix::LensCircle;
using orbpix::PixelImage;
using namespace orbpix::bench;

// Enlargement giving a 6000 × 4500 ring.
constexpr float kScale = 3.75f;

constexpr int kWarmups = 2;
constexpr int kRuns = 15;

struct StripSize {
    const char* name;
    int width;
    int height;
};

void printTiming(const char* label, const Timing& t, double pixels) {
    std::printf("%s median %7.2f ms  min %7.2f ms  spread %2.0f %%  %6.1f Mpixel/s", label,
                t.medianMs, t.minMs, t.spread * 100, megapixelsPerSecond(pixels, t.medianMs));
    if (t.cpuPerWall > 0)
        std::printf("  cpu/wall %.2f", t.cpuPerWall);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    auto ring = enlargedSampleRingImage("unwrap_bench", argc, argv, kScale);
    if (!ring)
        return 1;
    PixelImage& source = ring->image;
    const LensCircle& outer = ring->outer;
    const LensCircle& inner = ring->inner;

    std::printf(
        "unwrap_bench: source ring %dx%d (%.1f Mpixel), centre %.0f,%.0f, inner r %.0f, "
        "outer r %.0f\n",
        source.width(), source.height(), double(source.width()) * source.height() / 1e6,
        double(outer.cx), double(outer.cy), double(inner.radius), double(outer.radius));
    std::printf(
        "unwrap_bench: %d warm-up + %d timed runs each, single thread; throughput is "
        "output pixels per second at the median\n",
        kWarmups, kRuns);
#ifdef ORBPIX_HAVE_OPENCV
    // 0 turns OpenCV's parallel loops off: every call runs on the calling thread. (With the
    // TBB back end cv::getNumThreads() still reports the core count; cpu/wall shows the truth.)
    cv::setNumThreads(0);
    std::printf(
        "unwrap_bench: OpenCV %s with threading off; ratio = cv::warpPolar time / "
        "orbpix time (> 1: orbpix faster, < 1: orbpix slower)\n",
        CV_VERSION);
    // Wraps the same pixels without copying: four bytes per pixel, rows packed.
    const cv::Mat sourceMat(source.height(), source.width(), CV_8UC4, source.bits(),
                            source.stride());
#else
    std::printf("unwrap_bench: built without OpenCV, no comparison\n");
#endif

    const StripSize sizes[] = {{"preview", 3200, 800}, {"export", 4200, 1050}};
    orbpix::PanoramaUnwrapper unwrapper;
    bool failed = false;
    for (const StripSize& size : sizes) {
        const double pixels = double(size.width) * size.height;
        auto ours = [&] {
            const auto result =
                unwrapper.unwrap(source, &outer, &inner, size.width, size.height, {});
            return result && result->image.width() == size.width &&
                   result->image.height() == size.height;
        };
        // One picture after another, each unwrap lending its block to the next.
        std::unique_ptr<orbpix::PanoramaResult> previous;
        auto oursReusing = [&] {
            previous = unwrapper.unwrap(source, &outer, &inner, size.width, size.height, {},
                                        std::move(previous));
            return previous && previous->image.width() == size.width &&
                   previous->image.height() == size.height;
        };
#ifdef ORBPIX_HAVE_OPENCV
        // Radius along the columns, angle along the rows: as many pixels as the strip.
        const cv::Size polarSize(size.height, 4 * size.height);
        const cv::Point2f centre(outer.cx, outer.cy);
        cv::Mat polar;
        // Like for like: a new strip on every call on both sides (allocation and first-touch
        // page faults included), then both reusing the previous call's output.
        auto theirsNew = [&] {
            polar.release();
            cv::warpPolar(sourceMat, polar, polarSize, centre, double(outer.radius),
                          int{cv::INTER_LINEAR} | int{cv::WARP_POLAR_LINEAR});
            return polar.cols == polarSize.width && polar.rows == polarSize.height;
        };
        auto theirsReused = [&] {
            cv::warpPolar(sourceMat, polar, polarSize, centre, double(outer.radius),
                          int{cv::INTER_LINEAR} | int{cv::WARP_POLAR_LINEAR});
            return polar.cols == polarSize.width && polar.rows == polarSize.height;
        };
        // Each pair runs in turns so that both see the same load of this shared machine; the
        // median of the per-round ratios is the figure to trust.
        const auto pair = settled([&] { return measureInTurns(kWarmups, kRuns, ours, theirsNew); });
        const auto reused =
            settled([&] { return measureInTurns(kWarmups, kRuns, oursReusing, theirsReused); });
        if (!pair || !reused) {
            std::printf("unwrap %dx%d (%s)  FAILED\n", size.width, size.height, size.name);
            failed = true;
            continue;
        }
        std::printf("unwrap %dx%d (%s)  ", size.width, size.height, size.name);
        printTiming("orbpix", pair->first, pixels);
        std::printf(" | ");
        printTiming("cv::warpPolar", pair->second, double(polar.cols) * polar.rows);
        std::printf(" | ratio %.2f (median of rounds)  load %.2f\n", pair->medianRatio,
                    loadAverage());
        std::printf("unwrap %dx%d (%s)  ", size.width, size.height, size.name);
        printTiming("orbpix, output reused", reused->first, pixels);
        std::printf(" | ");
        printTiming("cv::warpPolar, output reused", reused->second,
                    double(polar.cols) * polar.rows);
        std::printf(" | ratio %.2f (median of rounds)  load %.2f", reused->medianRatio,
                    loadAverage());
#else
        const std::optional<Timing> timing =
            settled([&] { return measure(kWarmups, kRuns, ours); });
        if (!timing) {
            std::printf("unwrap %dx%d (%s)  FAILED\n", size.width, size.height, size.name);
            failed = true;
            continue;
        }
        std::printf("unwrap %dx%d (%s)  ", size.width, size.height, size.name);
        printTiming("orbpix", *timing, pixels);
#endif
        std::printf("\n");
    }

    // The preview as the editing window's worker makes it: the calling thread and a helper,
    // one picture after another into the same block.
    {
        const StripSize preview = sizes[0];
        orbpix::PanoramaUnwrapper both;
        both.setThreads(2);
        std::unique_ptr<orbpix::PanoramaResult> previous;
        auto twoThreads = [&] {
            previous = both.unwrap(source, &outer, &inner, preview.width, preview.height, {},
                                   std::move(previous));
            return previous && previous->image.width() == preview.width;
        };
        std::unique_ptr<orbpix::PanoramaResult> single;
        auto oneThread = [&] {
            single = unwrapper.unwrap(source, &outer, &inner, preview.width, preview.height, {},
                                      std::move(single));
            return single && single->image.width() == preview.width;
        };
        const auto pair =
            settled([&] { return measureInTurns(kWarmups, kRuns, oneThread, twoThreads); });
        const auto timing = settled([&] { return measure(kWarmups, kRuns, twoThreads); });
        if (!pair || !timing) {
            std::printf("unwrap %dx%d (preview, two threads)  FAILED\n", preview.width,
                        preview.height);
            failed = true;
        } else {
            std::printf("unwrap %dx%d (preview, two threads, output reused)  ", preview.width,
                        preview.height);
            printTiming("orbpix", *timing, double(preview.width) * preview.height);
            std::printf(" | one thread median %.2f ms, speed-up %.2f (median of rounds)",
                        pair->first.medianMs, 1 / pair->medianRatio);
            std::printf("  load %.2f\n", loadAverage());
        }
    }
    return failed ? 1 : 0;
}
