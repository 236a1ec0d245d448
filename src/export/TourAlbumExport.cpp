#include "export/TourAlbumExport.h"

#include <QString>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "core/ByteStream.h"
#include "export/OrderedPipeline.h"
#include "imaging/JpegWriter.h"
#include "imaging/Unwrap.h"
#include "imaging/io/ImageFiles.h"
#include "imaging/io/ItemCircles.h"
#include "imaging/io/PictureCheck.h"
#include "tourfmt/BlockScrambleStream.h"

namespace orbpix {

namespace {

// The quality every tour panorama is encoded with.
constexpr int kTourJpegQuality = 70;

// Reads up to three integers as "%d,%d,%d" would: leading blanks, an optional sign, digits;
// the first field that does not parse ends reading.
int scanIntegers(const std::string& text, long long (&values)[3]) {
    std::size_t pos = 0;
    int count = 0;
    for (; count < 3; ++count) {
        if (count > 0) {
            if (pos >= text.size() || text[pos] != ',')
                break;
            ++pos;
        }
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
            ++pos;
        bool negative = false;
        if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
            negative = text[pos++] == '-';
        const std::size_t digits = pos;
        long long value = 0;
        while (pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos]))) {
            // Past 32 bits the value no longer means an angle; it saturates instead of
            // overflowing.
            value = std::min<long long>(value * 10 + (text[pos] - '0'), 1LL << 32);
            ++pos;
        }
        if (pos == digits)
            break;
        values[count] = negative ? -value : value;
    }
    return count;
}

std::int32_t clampAngle(long long value) {
    return static_cast<std::int32_t>(std::clamp<long long>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

int tourPanoramaHeight(std::uint32_t compressionLocal) {
    const double root = std::sqrt(double(compressionLocal) * 1000.0 * 46.42);
    const long long quarter = static_cast<long long>(std::trunc(root * 0.25));
    return static_cast<int>(quarter / 50 * 50);
}

Mounting parseMounting(const std::optional<std::string>& reverseProperty) {
    Mounting mounting;
    if (!reverseProperty)
        return mounting;
    mounting.reverse = !reverseProperty->empty() && (*reverseProperty)[0] == '1';
    long long values[3] = {0, mounting.bottomAngle, mounting.topAngle};
    (void)scanIntegers(*reverseProperty, values);
    mounting.bottomAngle = clampAngle(values[1]);
    mounting.topAngle = clampAngle(values[2]);
    return mounting;
}

std::vector<PreparedPicture> preparePictures(const std::vector<ExportPicture>& pictures,
                                             const PrepareHooks& hooks,
                                             std::vector<std::string>& failed) {
    std::vector<PreparedPicture> prepared;
    const auto leaveOut = [&](const ExportPicture& picture, const QString& reason) {
        failed.push_back(picture.name);
        if (hooks.leftOut)
            hooks.leftOut(picture, reason.toStdString());
    };
    for (const ExportPicture& picture : pictures) {
        const QString path = QString::fromStdString(picture.path);
        const PictureCheck check = checkPictureFile(path);
        if (!check.usable()) {
            leaveOut(picture, check.reason);
            continue;
        }
        if (check.state == PictureCheck::State::Damaged) {
            if (hooks.damaged)
                hooks.damaged(picture, check.reason.toStdString());
            if (hooks.strict) {
                leaveOut(picture, check.reason);
                continue;
            }
        }
        std::optional<RingCircles> circles;
        if (picture.circles) {
            circles = parseCirclesText(*picture.circles);
        } else if (const auto found = detectItemCircles(path)) {
            circles = found->circles;
        }
        const auto valid = [&check](const std::optional<RingCircles>& c) {
            return c && ringCanBeUnwrapped(*c, check.width, check.height);
        };
        if (!valid(circles)) {
            circles = hooks.invalidCircles ? hooks.invalidCircles(picture) : std::nullopt;
            if (!valid(circles)) {
                leaveOut(picture, QStringLiteral("its ring is missing, too small or does not fit "
                                                 "the picture"));
                continue;
            }
        }
        PreparedPicture p;
        p.path = picture.path;
        p.name = picture.name;
        p.circles = *circles;
        p.mounting = parseMounting(picture.reverse);
        if (picture.colour)
            p.colour = parseColourCorrection(*picture.colour);
        prepared.push_back(std::move(p));
    }
    return prepared;
}

std::optional<std::vector<std::uint8_t>> renderTourPanorama(
    const PreparedPicture& picture, int height, const std::function<bool(int percent)>& progress,
    int quality) {
    if (height <= 0)
        return std::nullopt;
    PixelImage source;
    if (!loadFitted(QString::fromStdString(picture.path), kUnlimited, kUnlimited, source))
        return std::nullopt;
    std::unique_ptr<PanoramaUnwrapper> unwrapper = picture.mounting.reverse
                                                       ? std::make_unique<ReverseUnwrapper>()
                                                       : std::make_unique<PanoramaUnwrapper>();
    int percent = 0;
    auto result =
        unwrapper->unwrap(source, &picture.circles.outer, &picture.circles.inner, 4 * height,
                          height, [&]() { return progress && progress(percent++); });
    source.clear();
    if (!result)
        return std::nullopt;
    if (picture.colour && !picture.colour->isNeutral()) {
        ColourAdjuster adjuster;
        adjuster.configure(*picture.colour);
        adjuster.apply(result->image.bits(),
                       std::size_t(result->image.width()) * std::size_t(result->image.height()));
    }
    auto jpeg = MemoryStream::create();
    if (!encodeJpeg(result->image, *jpeg, quality))
        return std::nullopt;
    return jpeg->bytes();
}

namespace {

using TourPanorama = std::optional<std::vector<std::uint8_t>>;

// The observer's calls while the writer waits for the next picture in order.
PipelineWaiting waitingHooks(const WriteObserver& observer,
                             const std::vector<PreparedPicture>& pictures) {
    PipelineWaiting waiting;
    if (observer.picture)
        waiting.next = [&](std::size_t i) { observer.picture(pictures[i].name); };
    waiting.cancelled = observer.cancelled;
    waiting.pending = [&](std::size_t i, int percent) {
        if (observer.position)
            observer.position(int(100 * i) + percent);
        if (observer.idle)
            observer.idle();
    };
    return waiting;
}

// Appends the pictures' panoramas to the open tour album in their order while workers
// render the pictures ahead.
TourWriteStatus writePictures(BlockScrambleStream& scrambled, TourAlbumWriter& writer,
                              const TourWriteOptions& options,
                              const std::vector<PreparedPicture>& pictures,
                              const WriteObserver& observer, std::vector<std::string>& failed) {
    const auto render = [&](std::size_t i, JobProgress& progress) -> TourPanorama {
        // A picture too large for the memory left is left out like one that cannot be
        // unwrapped, rather than ending the whole export.
        try {
            return renderTourPanorama(
                pictures[i], options.height,
                [&](int percent) {
                    progress.report(percent);
                    return progress.stopping();
                },
                kTourJpegQuality);
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
    };
    std::size_t written = 0;
    const auto append = [&](std::size_t i, TourPanorama&& jpeg) {
        if (observer.position)
            observer.position(int(100 * (i + 1)));
        if (!jpeg) {
            failed.push_back(pictures[i].name);
            return true;
        }
        const Mounting& mounting = pictures[i].mounting;
        ++written;
        return writer.beginPicture(pictures[i].name, mounting.bottomAngle, mounting.topAngle) &&
               scrambled.write(*jpeg) && writer.endPicture();
    };
    OrderedPipeline<TourPanorama> pipeline(pictures.size(), options.threads, render);
    switch (pipeline.run(append, waitingHooks(observer, pictures))) {
        case PipelineEnd::Cancelled:
            return TourWriteStatus::Cancelled;
        case PipelineEnd::Stopped:
            return TourWriteStatus::FileError;
        case PipelineEnd::Finished:
            break;
    }
    if (!writer.finish())
        return TourWriteStatus::FileError;
    return written == 0 ? TourWriteStatus::NothingWritten : TourWriteStatus::Written;
}

TourWriteStatus writeTourAlbum(StreamRef<ByteStream> file, const TourWriteOptions& options,
                               const std::vector<PreparedPicture>& pictures,
                               const WriteObserver& observer, std::vector<std::string>& failed) {
    auto scrambled = BlockScrambleStream::create(std::move(file), kTourAlbumKey);
    TourAlbumWriter writer(*scrambled);
    if (!writer.begin(options.title, options.info))
        return TourWriteStatus::FileError;
    return writePictures(*scrambled, writer, options, pictures, observer, failed);
}

}  // namespace

TourWriteResult exportTourAlbumFile(const std::string& path, const TourWriteOptions& options,
                                    const std::vector<PreparedPicture>& pictures,
                                    const WriteObserver& observer) {
    TourWriteResult result;
    auto file = FileStream::open(path, FileStream::Mode::Create);
    if (!file)
        return result;
    result.status = writeTourAlbum(shareStream(file), options, pictures, observer, result.failed);
    file = {};
    if (result.status != TourWriteStatus::Written)
        std::remove(path.c_str());
    return result;
}

}  // namespace orbpix
