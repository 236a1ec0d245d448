// The local tour export of 12 pictures at the default quality figure (400: 4200 × 1050
// panoramas): seconds per picture for each stage, and the speed-up of unwrapping and
// encoding the pictures in parallel over doing them one after another.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <thread>

#include "BenchTiming.h"
#include "SampleRing.h"
#include "core/ByteStream.h"
#include "export/TourAlbumExport.h"
#include "imaging/ColourAdjuster.h"
#include "imaging/JpegWriter.h"
#include "imaging/Unwrap.h"
#include "imaging/io/ImageFiles.h"

using namespace orbpix;

namespace {

constexpr int kPictures = 12;
constexpr std::uint32_t kCompressionLocal = 400;

template <typename Body>
double seconds(Body&& body) {
    const auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<std::uint8_t> fileBytes(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString sample =
        argc > 1 ? QString::fromLocal8Bit(argv[1])
                 : QStringLiteral(ORBPIX_SOURCE_DIR "/examples/mars_1600x1200_normal.jpg");
    QTemporaryDir work;
    if (!work.isValid() || !QFile::exists(sample)) {
        std::fprintf(stderr, "export_bench: %s is missing\n", qPrintable(sample));
        return 1;
    }
    // Twelve picture files, every second one mounted the other way up and colour-corrected.
    std::vector<PreparedPicture> pictures;
    for (int i = 0; i < kPictures; ++i) {
        const QString path = work.filePath(QStringLiteral("ring%1.jpg").arg(i));
        QFile::copy(sample, path);
        PreparedPicture p;
        p.path = path.toStdString();
        p.name = "ring" + std::to_string(i);
        p.circles.inner = {float(bench::kSampleCx), float(bench::kSampleCy),
                           float(bench::kSampleInner)};
        p.circles.outer = {float(bench::kSampleCx), float(bench::kSampleCy),
                           float(bench::kSampleOuter)};
        p.mounting.reverse = i % 2 == 1;
        if (i % 2 == 1)
            p.colour = ColourCorrection{12, 20, 30};
        pictures.push_back(std::move(p));
    }
    const int height = tourPanoramaHeight(kCompressionLocal);
    // The speed-up needs idle cores; the load says whether other work competed for them.
    double load1 = -1;
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf", &load1) != 1)
            load1 = -1;
        std::fclose(f);
    }
    std::printf("export_bench: %d pictures of %dx%d, panoramas %dx%d, %u cores, load %.2f\n",
                kPictures, bench::kSampleWidth, bench::kSampleHeight, 4 * height, height,
                std::thread::hardware_concurrency(), load1);

    // The stages one after another on one thread.
    double load = 0, unwrap = 0, correct = 0, encode = 0;
    for (const PreparedPicture& p : pictures) {
        PixelImage source;
        load += seconds([&] {
            (void)loadFitted(QString::fromStdString(p.path), kUnlimited, kUnlimited, source);
        });
        std::unique_ptr<PanoramaUnwrapper> unwrapper = p.mounting.reverse
                                                           ? std::make_unique<ReverseUnwrapper>()
                                                           : std::make_unique<PanoramaUnwrapper>();
        std::unique_ptr<PanoramaResult> result;
        unwrap += seconds([&] {
            result = unwrapper->unwrap(source, &p.circles.outer, &p.circles.inner, 4 * height,
                                       height, {});
        });
        if (!result) {
            std::fprintf(stderr, "export_bench: unwrapping failed\n");
            return 1;
        }
        correct += seconds([&] {
            ColourAdjuster adjuster;
            adjuster.configure(p.colour.value_or(ColourCorrection{12, 20, 30}));
            adjuster.apply(result->image.bits(), std::size_t(result->image.width()) *
                                                     std::size_t(result->image.height()));
        });
        auto jpeg = MemoryStream::create();
        encode += seconds([&] { (void)encodeJpeg(result->image, *jpeg, 70); });
    }
    std::printf(
        "  per picture, one thread: load %.3f s, unwrap %.3f s, correction %.3f s, "
        "JPEG %.3f s, total %.3f s\n",
        load / kPictures, unwrap / kPictures, correct / kPictures, encode / kPictures,
        (load + unwrap + correct + encode) / kPictures);

    TourWriteOptions options;
    options.title = "Bench";
    options.height = height;
    const std::string one = work.filePath("one.orb").toStdString();
    const std::string all = work.filePath("all.orb").toStdString();
    const auto timing = bench::measureInTurns(
        1, 5,
        [&] {
            options.threads = 1;
            return exportTourAlbumFile(one, options, pictures).status == TourWriteStatus::Written;
        },
        [&] {
            options.threads = 0;
            return exportTourAlbumFile(all, options, pictures).status == TourWriteStatus::Written;
        });
    if (!timing) {
        std::fprintf(stderr, "export_bench: the export failed\n");
        return 1;
    }
    const bool same = fileBytes(work.filePath("one.orb")) == fileBytes(work.filePath("all.orb"));
    std::printf("  whole export, one thread: %.2f s (%.3f s per picture)\n",
                timing->first.medianMs / 1000, timing->first.medianMs / 1000 / kPictures);
    std::printf("  whole export, all cores:  %.2f s (%.3f s per picture)\n",
                timing->second.medianMs / 1000, timing->second.medianMs / 1000 / kPictures);
    std::printf("  parallel speed-up: %.2fx (target >= 1.7x on 2 cores); files %s\n",
                1.0 / timing->medianRatio, same ? "byte-identical" : "DIFFER");
    return same ? 0 : 1;
}
