#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace orbpix {

// A picture of palette indices to write as GIF; the palette holds red, green, blue triples,
// at most 256.
struct GifImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;  // width × height, top row first
    std::vector<std::uint8_t> palette;  // 3 bytes an entry
    std::optional<std::uint8_t> transparentIndex;
    bool interlaced = false;
};

// Writes a GIF87a file (GIF89a with a transparent index). Used by skin tools and tests.
[[nodiscard]] std::vector<std::uint8_t> encodeGif(const GifImage& image);

}  // namespace orbpix
