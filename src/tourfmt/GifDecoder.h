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
    void say(const std::string& message) const;

    MessageSink m_sink;
};

// The rows of a picture in the order GIF data carries them: top to bottom, or in the four
// passes of an interlaced picture.
[[nodiscard]] std::vector<int> gifRowOrder(int height, bool interlaced);

}  // namespace orbpix
