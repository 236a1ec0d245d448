// Thumbnails and the album strip: one 96-pixel thumbnail of a 24-megapixel JPEG in-process
// (beside vipsthumbnail -s 96 on the same file when it is installed), and the time a strip
// takes from being given a 200-picture album until every thumbnail is in and painted.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>

#include "BenchTiming.h"
#include "SampleRing.h"
#include "album/EditHistory.h"
#include "album/FilePatternList.h"
#include "album/FileSystem.h"
#include "album/FolderAlbum.h"
#include "imaging/io/ImageFiles.h"
#include "ui/AlbumStrip.h"

namespace {

using namespace orbpix::bench;

constexpr int kBigWidth = 6000;
constexpr int kBigHeight = 4000;
constexpr int kAlbumSize = 200;

// The high-water mark of this process's resident memory. Unlike getrusage's figure it
// starts afresh with each program image, so a child started for one decode measures that.
long peakKilobytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

// The peak memory of a fresh copy of this program that decodes the file once, fitted into
// 96 × 96 or whole: the fitted decode must stay far below the whole one.
long peakOfDecode(const QString& path, const char* mode) {
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--peak"), QString::fromLatin1(mode), path});
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        return -1;
    return child.readAllStandardOutput().trimmed().toLong();
}

int runPeakChild(const QString& mode, const QString& path) {
    const long before = peakKilobytes();
    QImage image;
    if (mode == QLatin1String("thumb")) {
        image = orbpix::loadScreenImage(path, 96, 96);
    } else {
        QImageReader reader(path);
        image = reader.read();
    }
    if (image.isNull())
        return 1;
    std::printf("%ld\n", peakKilobytes() - before);
    return 0;
}

void thumbnailOfBigJpeg(const QString& path) {
    QImage thumb;
    const auto timing = measure(2, 15, [&] {
        thumb = orbpix::loadScreenImage(path, 96, 96);
        return !thumb.isNull();
    });
    if (!timing) {
        std::printf("thumbnail 24 MP  FAILED\n");
        return;
    }
    std::printf(
        "thumbnail 24 MP -> %dx%d in-process  median %7.2f ms  min %7.2f ms  (target "
        "<= 60 ms)\n",
        thumb.width(), thumb.height(), timing->medianMs, timing->minMs);
    // A whole decode of 6000 × 4000 needs about 94 MB for its pixels alone.
    const long fitted = peakOfDecode(path, "thumb");
    const long whole = peakOfDecode(path, "full");
    std::printf("peak memory of one decode: fitted to 96 px %ld KB, whole picture %ld KB -> %s\n",
                fitted, whole,
                fitted >= 0 && whole > 0 && fitted * 4 < whole ? "reduced-scale decode"
                                                               : "WHOLE PICTURE DECODED");

    const QString vips = QStandardPaths::findExecutable(QStringLiteral("vipsthumbnail"));
    if (vips.isEmpty()) {
        std::printf("vipsthumbnail -s 96   not installed, no comparison\n");
        return;
    }
    QTemporaryDir out;
    const auto vipsTiming = measure(1, 7, [&] {
        QProcess process;
        process.start(vips, {path, QStringLiteral("-s"), QStringLiteral("96"), QStringLiteral("-o"),
                             out.path() + QStringLiteral("/t.jpg")});
        return process.waitForFinished(60000) && process.exitCode() == 0;
    });
    if (vipsTiming)
        std::printf("vipsthumbnail -s 96 (separate process)  median %7.2f ms  min %7.2f ms\n",
                    vipsTiming->medianMs, vipsTiming->minMs);
    else
        std::printf("vipsthumbnail -s 96  FAILED\n");
}

void fillStrip(const QString& folder, const QImage& picture) {
    for (int i = 0; i < kAlbumSize; ++i) {
        if (!picture.save(folder + QStringLiteral("/ring%1.jpg").arg(i, 3, 10, QLatin1Char('0')),
                          "JPEG", 90)) {
            std::printf("strip fill  FAILED: pictures could not be written\n");
            return;
        }
    }
    orbpix::FilePatternList patterns;
    orbpix::addImagingPatterns(patterns);
    auto album =
        orbpix::FolderAlbum::open(folder.toStdString(), false, orbpix::localFileSystem(), patterns);
    if (!album || album->itemCount() != std::size_t(kAlbumSize)) {
        std::printf("strip fill  FAILED: the album could not be opened\n");
        return;
    }
    // What one picture of the album costs on its own, for comparison with the strip's share.
    const QString first = folder + QStringLiteral("/ring000.jpg");
    const auto single =
        measure(2, 15, [&] { return !orbpix::loadScreenImage(first, 96, 96).isNull(); });
    if (single)
        std::printf("thumbnail %dx%d in-process  median %7.2f ms  min %7.2f ms\n", picture.width(),
                    picture.height(), single->medianMs, single->minMs);
    orbpix::EditHistory history;
    const auto timing = measure(1, 5, [&] {
        orbpix::AlbumStrip strip(nullptr, history, orbpix::EditLabels{}, {});
        strip.resize(1000, 140);
        strip.show();
        QElapsedTimer guard;
        guard.start();
        strip.setAlbum(album.get());
        for (;;) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            bool all = true;
            for (int i = 0; i < strip.itemCount() && all; ++i)
                all = strip.itemAt(i).hasThumbnail();
            if (all)
                break;
            if (guard.elapsed() > 120000)
                return false;
        }
        // Painted: the visible part of the strip drawn with its thumbnails.
        return !strip.grab().isNull();
    });
    if (timing)
        std::printf(
            "strip fill %d pictures of %dx%d  median %8.1f ms  min %8.1f ms  "
            "(%.2f ms a thumbnail)\n",
            kAlbumSize, picture.width(), picture.height(), timing->medianMs, timing->minMs,
            timing->medianMs / kAlbumSize);
    else
        std::printf("strip fill  FAILED\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && QByteArray(argv[1]) == "--peak") {
        QCoreApplication app(argc, argv);
        return runPeakChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The queue's diagnostic lines would drown the figures.
    qputenv("QT_LOGGING_RULES", "orbimagelib.debug=false");
    QApplication app(argc, argv);
    QTemporaryDir temp;
    if (!temp.isValid())
        return 1;

    const QImage big = enlargedSampleRing("strip_bench", argc, argv, kBigWidth, kBigHeight);
    if (big.isNull())
        return 1;
    const QString bigPath = temp.path() + QStringLiteral("/ring24mp.jpg");
    if (!big.save(bigPath, "JPEG", 90)) {
        std::fprintf(stderr, "strip_bench: the 24-megapixel JPEG could not be written\n");
        return 1;
    }
    std::printf("strip_bench: the sample ring enlarged to %dx%d, JPEG quality 90 (%lld bytes)\n",
                kBigWidth, kBigHeight, static_cast<long long>(QFile(bigPath).size()));
    thumbnailOfBigJpeg(bigPath);

    const QImage sample(
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QStringLiteral(ORBPIX_SOURCE_DIR "/examples/mars_1600x1200_normal.jpg"));
    const QString folder = temp.path() + QStringLiteral("/album");
    QDir().mkpath(folder);
    fillStrip(folder, sample);
    return 0;
}
