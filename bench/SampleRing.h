#pragma once

#include <QImage>
#include <QString>
#include <cstdio>

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

}  // namespace orbpix::bench
