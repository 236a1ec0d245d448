#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orbpix {

class ByteStream;

// The one in-memory picture of the suite: width × height pixels of four bytes each (blue,
// green, red, a fourth byte nobody reads), top row first, rows packed without padding.
class PixelImage {
public:
    // Larger pictures are refused: 2^28 pixels is a 16384 × 16384 picture, a gigabyte of
    // pixels, far beyond any ring photograph.
    static constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

    PixelImage() = default;
    PixelImage(const PixelImage&) = delete;
    PixelImage& operator=(const PixelImage&) = delete;
    PixelImage(PixelImage&&) noexcept;
    PixelImage& operator=(PixelImage&&) noexcept;
    ~PixelImage();

    // Reserves a new block for w × h pixels; on failure the image becomes 0 × 0.
    [[nodiscard]] bool allocate(int w, int h);
    // Copies another image, reusing the present block when it is large enough; on failure
    // the image becomes empty.
    [[nodiscard]] bool assign(const PixelImage& other);
    // Makes the image w × h, keeping the block when it is large enough. The pixels are
    // undefined afterwards. Returns the block, or nullptr (and an empty image) on failure.
    std::uint8_t* reshape(int w, int h);
    void clear();

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_width <= 0 || m_height <= 0; }
    std::size_t byteCount() const { return std::size_t(m_width) * std::size_t(m_height) * 4; }
    std::size_t stride() const { return std::size_t(m_width) * 4; }

    std::uint8_t* bits() { return m_pixels.get(); }
    const std::uint8_t* bits() const { return m_pixels.get(); }
    std::uint8_t* row(int y) { return m_pixels.get() + std::size_t(y) * stride(); }
    const std::uint8_t* row(int y) const { return m_pixels.get() + std::size_t(y) * stride(); }
    std::uint8_t* pixel(int x, int y) { return row(y) + std::size_t(x) * 4; }
    const std::uint8_t* pixel(int x, int y) const { return row(y) + std::size_t(x) * 4; }

    // Whether w × h is a size the image can hold at all.
    static bool isValidSize(int w, int h);

private:
    int m_width = 0;
    int m_height = 0;
    struct Release {
        void operator()(std::uint8_t* block) const noexcept;
    };
    std::size_t m_capacity = 0;  // bytes
    std::unique_ptr<std::uint8_t[], Release> m_pixels;
};

// Writes the image uncompressed: width and height as 32-bit values, then every pixel as one
// 32-bit value (fourth byte, red, green, blue), all most significant byte first.
[[nodiscard]] bool writeRawImage(const PixelImage& image, ByteStream& stream);

}  // namespace orbpix
