// JPEG encoding throughput on a real export-size panorama: the bundled ring enlarged as in
// unwrap_bench, unwrapped to 4200 × 1050 and encoded at the export quality into memory.

#include <QCoreApplication>
#include <cstdio>
#include <optional>

#include "BenchTiming.h"
#include "SampleRing.h"
#include "core/ByteStream.h"
#include "imaging/JpegWriter.h"
#include "imaging/Unwrap.h"

namespace {

using namespace orbpix::bench;

constexpr float kScale = 3.75f;
constexpr int kWidth = 4200;
constexpr int kHeight = 1050;
constexpr int kQuality = 70;
constexpr int kWarmups = 2;
constexpr int kRuns = 15;

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto ring = enlargedSampleRingImage("jpeg_bench", argc, argv, kScale);
    if (!ring)
        return 1;
    orbpix::PanoramaUnwrapper unwrapper;
    const auto panorama =
        unwrapper.unwrap(ring->image, &ring->outer, &ring->inner, kWidth, kHeight, {});
    if (!panorama) {
        std::fprintf(stderr, "jpeg_bench: the sample ring could not be unwrapped\n");
        return 1;
    }

    std::size_t bytes = 0;
    auto encode = [&] {
        auto stream = orbpix::MemoryStream::create();
        if (!orbpix::encodeJpeg(panorama->image, *stream, kQuality))
            return false;
        bytes = stream->bytes().size();
        return true;
    };
    std::printf(
        "jpeg_bench: %dx%d panorama of the sample ring, quality %d, into memory; %d "
        "warm-up + %d timed runs, single thread\n",
        kWidth, kHeight, kQuality, kWarmups, kRuns);
    const std::optional<Timing> timing = measure(kWarmups, kRuns, encode);
    if (!timing) {
        std::printf("jpeg %dx%d  FAILED\n", kWidth, kHeight);
        return 1;
    }
    const double pixels = double(kWidth) * kHeight;
    std::printf(
        "jpeg %dx%d q%d  median %7.2f ms  min %7.2f ms  %6.1f Mpixel/s  %zu bytes "
        "(%.2f bits/pixel)\n",
        kWidth, kHeight, kQuality, timing->medianMs, timing->minMs,
        megapixelsPerSecond(pixels, timing->medianMs), bytes, bytes * 8.0 / pixels);
    return 0;
}
