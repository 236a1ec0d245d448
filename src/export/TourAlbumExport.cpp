#include "export/TourAlbumExport.h"

#include <QString>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "core/ByteStream.h"
#include "imaging/JpegWriter.h"
#include "imaging/Unwrap.h"
#include "imaging/io/ImageFiles.h"
#include "imaging/io/ItemCircles.h"
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
    for (const ExportPicture& picture : pictures) {
        const QString path = QString::fromStdString(picture.path);
        const auto info = readImageFileInfo(path);
        if (!info || info->width <= 0 || info->height <= 0) {
            failed.push_back(picture.name);
            continue;
        }
        std::optional<RingCircles> circles;
        if (picture.circles) {
            circles = parseCirclesText(*picture.circles);
        } else if (const auto found = detectItemCircles(path)) {
            circles = found->circles;
        }
        const auto valid = [&info](const std::optional<RingCircles>& c) {
            return c && circlesInsideImage(&c->outer, &c->inner, info->width, info->height);
        };
        if (!valid(circles)) {
            circles = hooks.invalidCircles ? hooks.invalidCircles(picture) : std::nullopt;
            if (!valid(circles)) {
                failed.push_back(picture.name);
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
    const PreparedPicture& picture, int height, const std::function<bool(int percent)>& progress) {
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
    if (!encodeJpeg(result->image, *jpeg, kTourJpegQuality))
        return std::nullopt;
    return jpeg->bytes();
}

TourWriteResult exportTourAlbumFile(const std::string& path, const TourWriteOptions& options,
                                    const std::vector<PreparedPicture>& pictures,
                                    const WriteObserver& observer) {
    TourWriteResult result;
    auto file = FileStream::open(path, FileStream::Mode::Create);
    if (!file)
        return result;

    const std::size_t count = pictures.size();
    struct Slot {
        std::optional<std::vector<std::uint8_t>> jpeg;
        bool done = false;
        std::atomic<int> percent{0};
    };
    const auto pending = std::make_unique<Slot[]>(count);
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t next = 0;
    std::size_t taken = 0;  // pictures the writer has taken out of their pending
    bool stop = false;
    std::atomic<bool> stopping{false};

    int threads = options.threads > 0 ? options.threads
                                      : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp<int>(threads, 1, std::max<int>(1, static_cast<int>(count)));
    // Workers run at most this far ahead of the writer, so that only a few finished
    // panoramas wait in memory however long the album is.
    const std::size_t lookAhead = std::size_t(threads) + 1;

    const auto work = [&]() {
        for (;;) {
            std::size_t i;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock,
                             [&] { return stop || next >= count || next < taken + lookAhead; });
                if (stop || next >= count)
                    return;
                i = next++;
            }
            auto jpeg = renderTourPanorama(pictures[i], options.height, [&](int percent) {
                pending[i].percent.store(std::min(percent, 100));
                return stopping.load();
            });
            std::lock_guard lock(mutex);
            pending[i].jpeg = std::move(jpeg);
            pending[i].done = true;
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    const auto stopWorkers = [&]() {
        {
            std::lock_guard lock(mutex);
            stop = true;
            stopping = true;
        }
        changed.notify_all();
        for (std::thread& t : workers)
            if (t.joinable())
                t.join();
    };

    bool ok = true;
    bool cancelled = false;
    std::size_t written = 0;
    {
        auto scrambled = BlockScrambleStream::create(shareStream(file), kTourAlbumKey);
        TourAlbumWriter writer(*scrambled);
        ok = writer.begin(options.title, options.info);
        for (int t = 0; ok && t < threads && count > 0; ++t)
            workers.emplace_back(work);
        for (std::size_t i = 0; ok && i < count; ++i) {
            if (observer.picture)
                observer.picture(pictures[i].name);
            std::optional<std::vector<std::uint8_t>> jpeg;
            for (;;) {
                if (observer.cancelled && observer.cancelled()) {
                    cancelled = true;
                    break;
                }
                {
                    std::unique_lock lock(mutex);
                    if (changed.wait_for(lock, std::chrono::milliseconds(20),
                                         [&] { return pending[i].done; })) {
                        jpeg = std::move(pending[i].jpeg);
                        pending[i].jpeg.reset();
                        taken = i + 1;
                        break;
                    }
                }
                if (observer.position)
                    observer.position(int(100 * i) + pending[i].percent.load());
                if (observer.idle)
                    observer.idle();
            }
            changed.notify_all();
            if (cancelled)
                break;
            if (observer.position)
                observer.position(int(100 * (i + 1)));
            if (!jpeg) {
                result.failed.push_back(pictures[i].name);
                continue;
            }
            ok = writer.beginPicture(pictures[i].name, pictures[i].mounting.bottomAngle,
                                     pictures[i].mounting.topAngle) &&
                 scrambled->write(*jpeg) && writer.endPicture();
            ++written;
        }
        stopWorkers();
        ok = ok && !cancelled && writer.finish();
    }
    file = {};
    if (cancelled)
        result.status = TourWriteStatus::Cancelled;
    else if (!ok)
        result.status = TourWriteStatus::FileError;
    else if (written == 0)
        result.status = TourWriteStatus::NothingWritten;
    else
        result.status = TourWriteStatus::Written;
    if (result.status != TourWriteStatus::Written)
        std::remove(path.c_str());
    return result;
}

}  // namespace orbpix
