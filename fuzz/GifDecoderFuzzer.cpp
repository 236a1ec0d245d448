// Decodes arbitrary bytes as a skin picture.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "tourfmt/GifDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orbpix;
    const GifDecoder decoder([](const std::string&) {});
    const auto picture = decoder.decode(std::span(data, size), "fuzz.gif");
    if (picture &&
        picture->pixels.size() != std::size_t(picture->width) * std::size_t(picture->height) * 3)
        std::abort();
    return 0;
}
