#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orbpix {

// One decoded GIF picture: width × height pixels of three bytes (blue, green, red), top
// row first, rows back to back.
struct GifPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;
    // An extension made the picture transparent; the colour is that of the transparent
    // index where a pixel used it.
    bool transparent = false;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

// Decodes the first picture of a GIF file with a global colour table. Problems are
// reported as text lines through the sink (standard error by default) and give no picture;
// the decoder never reads past the data it was given.
class GifDecoder {
public:
    using MessageSink = std::function<void(const std::string& message)>;
    // More pixels than any skin picture needs; larger pictures are refused.
    static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 24;

    GifDecoder();
    explicit GifDecoder(MessageSink sink) : m_sink(std::move(sink)) {}

    // name is used in messages only.
    std::optional<GifPicture> decode(std::span<const std::uint8_t> data,
                                     const std::string& name = {}) const;
    std::optional<GifPicture> decodeFile(const std::string& path) const;

private:
    MessageSink m_sink;
};

// Writes a GIF87a file (GIF89a with a transparent index) of palette indices; the palette
// holds red, green, blue triples, at most 256. Used by skin tools and tests.
struct GifImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> indices;  // width × height, top row first
    std::vector<std::uint8_t> palette;  // 3 bytes an entry
    std::optional<std::uint8_t> transparentIndex;
    bool interlaced = false;
};
[[nodiscard]] std::vector<std::uint8_t> encodeGif(const GifImage& image);

}  // namespace orbpix
