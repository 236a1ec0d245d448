// Circle detection on a 24-megapixel JPEG, file reading included, against its time target.

#include <QCoreApplication>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "BenchTiming.h"
#include "SampleRing.h"
#include "imaging/LensCircle.h"
#include "imaging/PixelImage.h"
#include "imaging/io/ImageFiles.h"
#include "imaging/io/ItemCircles.h"

namespace {

using namespace orbpix::bench;

// About 24 megapixels with the sample's 4:3 shape, so the ring stays round.
constexpr int kBigWidth = 5657;
constexpr int kBigHeight = 4243;
constexpr int kJpegQuality = 92;

constexpr int kWarmups = 1;
constexpr int kRuns = 9;
constexpr double kTargetMs = 80;

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    if (!folder.isValid()) {
        std::fprintf(stderr, "detect_bench: no temporary folder: %s\n",
                     qPrintable(folder.errorString()));
        return 1;
    }
    const QString path = folder.filePath(QStringLiteral("ring_24mp.jpg"));
    {
        const QImage big = enlargedSampleRing("detect_bench", argc, argv, kBigWidth, kBigHeight);
        if (big.isNull())
            return 1;
        QImageWriter writer(path, "jpeg");
        writer.setQuality(kJpegQuality);
        if (!writer.write(big)) {
            std::fprintf(stderr, "detect_bench: cannot write %s: %s\n", qPrintable(path),
                         qPrintable(writer.errorString()));
            return 1;
        }
    }
    const double sx = double(kBigWidth) / kSampleWidth;
    const double sy = double(kBigHeight) / kSampleHeight;
    orbpix::RingCircles expected;
    expected.inner = {float(kSampleCx * sx), float(kSampleCy * sy), float(kSampleInner * sx)};
    expected.outer = {float(kSampleCx * sx), float(kSampleCy * sy), float(kSampleOuter * sx)};

    std::printf(
        "detect_bench: %dx%d JPEG (%.1f Mpixel, quality %d, %.1f MB), file read from "
        "the page cache; %d warm-up + %d timed runs each\n",
        kBigWidth, kBigHeight, double(kBigWidth) * kBigHeight / 1e6, kJpegQuality,
        double(QFileInfo(path).size()) / 1e6, kWarmups, kRuns);

    std::optional<orbpix::ItemCircles> found;
    QString error;
    const std::optional<Timing> detect = measure(kWarmups, kRuns, [&] {
        found = orbpix::detectItemCircles(path, &error);
        return found.has_value();
    });
    if (!detect) {
        std::printf("detect 24 Mpixel JPEG  FAILED: %s\n", qPrintable(error));
        return 1;
    }
    const bool met = detect->medianMs < kTargetMs;
    std::printf(
        "detect 24 Mpixel JPEG (load included)  median %.1f ms  min %.1f ms  "
        "(target < %.0f ms: %s)\n",
        detect->medianMs, detect->minMs, kTargetMs, met ? "met" : "MISSED");
    const orbpix::RingCircles& got = found->circles;
    const double deviation =
        std::max({std::fabs(double(got.outer.cx) - double(expected.outer.cx)),
                  std::fabs(double(got.outer.cy) - double(expected.outer.cy)),
                  std::fabs(double(got.inner.radius) - double(expected.inner.radius)),
                  std::fabs(double(got.outer.radius) - double(expected.outer.radius))});
    std::printf(
        "  circles detected %s: %s  expected: %s  (largest deviation %.1f px; fitted "
        "%dx%d)\n",
        found->detected ? "yes" : "NO", found->text.c_str(),
        orbpix::formatCirclesText(expected).c_str(), deviation, found->fittedSize.width(),
        found->fittedSize.height());

    orbpix::PixelImage fitted;
    const std::optional<Timing> load = measure(
        kWarmups, kRuns, [&] { return orbpix::loadFitted(path, 800, 800, fitted, &error); });
    if (!load) {
        std::printf("fitted load into 800x800  FAILED: %s\n", qPrintable(error));
        return 1;
    }
    std::printf(
        "fitted load into 800x800 (for information)  median %.1f ms  min %.1f ms  -> "
        "%dx%d\n",
        load->medianMs, load->minMs, fitted.width(), fitted.height());
    return found->detected ? 0 : 1;
}
