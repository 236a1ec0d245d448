// Perspective view frame times on a 4200 × 1050 panorama of the sample ring, single-threaded,
// at a small and a large window; with OpenCV present, cv::remap (nearest neighbour, maps
// computed beforehand) fills a frame of the same size from the same strip side by side.

#include <QCoreApplication>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <optional>

#include "BenchTiming.h"
#include "SampleRing.h"
#include "imaging/PixelImage.h"
#include "imaging/Unwrap.h"
#include "panorama/PanoramaProjector.h"

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
    std::printf("%s median %6.2f ms (%5.0f frames/s) min %6.2f ms", label, t.medianMs,
                1000.0 / t.medianMs, t.minMs);
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
        std::printf("view %dx%d focal %d\n", size.width, size.height, size.focal);
#ifdef ORBPIX_HAVE_OPENCV
        cv::Mat map1, map2, out;
        cv::convertMaps(viewMap(size, pitch, 100, strip.width(), strip.height()), cv::Mat(), map1,
                        map2, CV_16SC2, /*nninterpolation=*/true);
        auto remap = [&] {
            cv::remap(stripMat, out, map1, map2, cv::INTER_NEAREST);
            return out.cols == size.width && out.rows == size.height;
        };
        const auto pair = measureInTurns(kWarmups, kRuns, base, remap);
        const auto withColour = measure(kWarmups, kRuns, coloured);
        if (!pair || !withColour) {
            std::printf("  FAILED\n");
            failed = true;
            continue;
        }
        std::printf("  ");
        printTiming("orbpix", pair->first);
        std::printf(" | ");
        printTiming("cv::remap", pair->second);
        std::printf(" | ratio %.2f\n", pair->medianRatio);
#else
        const auto single = measure(kWarmups, kRuns, base);
        const auto withColour = measure(kWarmups, kRuns, coloured);
        if (!single || !withColour) {
            std::printf("  FAILED\n");
            failed = true;
            continue;
        }
        std::printf("  ");
        printTiming("orbpix", *single);
        std::printf("\n");
#endif
        std::printf("  ");
        printTiming("orbpix + tone table + matrix", *withColour);
        std::printf("\n");
    }
    return failed ? 1 : 0;
}
