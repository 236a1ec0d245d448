// Decodes arbitrary bytes as a tour picture. A decoded picture must be whole (every pixel
// written, the fourth byte set); a refused one must leave nothing behind and say why.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "imaging/JpegDecoder.h"

namespace {

// Pictures larger than this are left out: a few bytes can declare a gigapixel picture that
// decodes correctly but takes seconds, which would only slow the search down.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 20;

// The largest picture any frame header in the data declares. Every place that looks like
// one counts, so that no header libjpeg might find is missed.
std::uint64_t largestDeclaredPixels(const std::uint8_t* data, std::size_t size) {
    std::uint64_t largest = 0;
    for (std::size_t i = 0; i + 9 <= size; ++i) {
        const std::uint8_t marker = data[i + 1];
        const bool frame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (data[i] != 0xFF || !frame)
            continue;
        const std::uint64_t height = std::uint64_t(data[i + 5]) << 8 | data[i + 6];
        const std::uint64_t width = std::uint64_t(data[i + 7]) << 8 | data[i + 8];
        if (width * height > largest)
            largest = width * height;
    }
    return largest;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orbpix;
    if (largestDeclaredPixels(data, size) > kMaxPixels)
        return 0;
    PixelImage picture;
    std::string why;
    const auto result = decodeJpeg(std::span(data, size), picture, &why);
    if (result != JpegResult::Ok) {
        if (!picture.isEmpty() || why.empty())
            std::abort();
        return 0;
    }
    if (picture.isEmpty())
        std::abort();
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixel(x, y)[3] != 255)
                std::abort();
    return 0;
}
