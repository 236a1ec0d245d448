#pragma once

#include <QImage>
#include <QString>
#include <cstdio>
#include <optional>

#include "imaging/LensCircle.h"
#include "imaging/PixelImage.h"
#include "imaging/io/ImageFiles.h"

namespace orbpix::bench {

// The bundled ring the benchmarks enlarge, and its true circles at its own size.
inline constexpr int kSampleWidth = 1600;
inline constexpr int kSampleHeight = 1200;
inline constexpr double kSampleCx = 800;
inline constexpr double kSampleCy = 600;
inline constexpr double kSampleInner = 120;
inline constexpr double kSampleOuter = 540;

// The sample ring (or the one named on the command line) enlarged to width × height;
// a null image, after saying why on stderr, when it cannot be had.
inline QImage enlargedSampleRing(const char* tool, int argc, char** argv, int width, int height) {
    const QString path =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QString::fromUtf8(ORBPIX_SOURCE_DIR "/examples/mars_1600x1200_normal.jpg");
    const QImage sample(path);
    if (sample.width() != kSampleWidth || sample.height() != kSampleHeight) {
        std::fprintf(stderr, "%s: %s is not a readable %dx%d picture\n", tool, qPrintable(path),
                     kSampleWidth, kSampleHeight);
        return {};
    }
    return sample.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The sample ring enlarged by `scale` as a pixel image, with its true circles at that size.
struct EnlargedRing {
    PixelImage image;
    LensCircle outer;
    LensCircle inner;
};

inline std::optional<EnlargedRing> enlargedSampleRingImage(const char* tool, int argc, char** argv,
                                                           double scale) {
    const QImage big = enlargedSampleRing(tool, argc, argv, static_cast<int>(kSampleWidth * scale),
                                          static_cast<int>(kSampleHeight * scale));
    if (big.isNull())
        return std::nullopt;
    EnlargedRing ring;
    if (!pixelImageFromQImage(big, ring.image)) {
        std::fprintf(stderr, "%s: cannot convert the enlarged ring\n", tool);
        return std::nullopt;
    }
    const float cx = float(kSampleCx * scale);
    const float cy = float(kSampleCy * scale);
    ring.outer = {cx, cy, float(kSampleOuter * scale)};
    ring.inner = {cx, cy, float(kSampleInner * scale)};
    return ring;
}

}  // namespace orbpix::bench
