#include "imaging/PixelImage.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>

#include "core/ByteStream.h"

namespace orbpix {
namespace {

TEST(PixelImage, ReshapeKeepsALargeEnoughBlock) {
    PixelImage image;
    ASSERT_TRUE(image.allocate(10, 10));
    const std::uint8_t* block = image.bits();
    EXPECT_EQ(image.reshape(5, 20), block);  // same byte count
    EXPECT_EQ(image.width(), 5);
    EXPECT_EQ(image.height(), 20);
    EXPECT_EQ(image.reshape(3, 3), block);
    // Growing past the block needs a new one; shrinking back keeps that.
    std::uint8_t* grown = image.reshape(20, 20);
    ASSERT_NE(grown, nullptr);
    EXPECT_EQ(image.reshape(20, 20), grown);
    // Blocks start on a cache line, a large picture's on a 2 MB boundary, and are written to
    // their last byte without complaint (sanitizer builds check the size).
    for (const auto& [w, h] : {std::pair{3, 3}, std::pair{4200, 1050}}) {
        ASSERT_TRUE(image.allocate(w, h));
        const auto at = reinterpret_cast<std::uintptr_t>(image.bits());
        EXPECT_EQ(at % (w < 1000 ? 64 : 2 << 20), 0u) << w;
        std::memset(image.bits(), 7, image.byteCount());
    }
}

TEST(PixelImage, AssignCopiesPixelsAndReusesTheBlock) {
    PixelImage source;
    ASSERT_TRUE(source.allocate(2, 2));
    for (std::size_t i = 0; i < source.byteCount(); ++i)
        source.bits()[i] = static_cast<std::uint8_t>(i * 7);
    PixelImage target;
    ASSERT_TRUE(target.allocate(4, 4));
    const std::uint8_t* block = target.bits();
    ASSERT_TRUE(target.assign(source));
    EXPECT_EQ(target.bits(), block);
    EXPECT_EQ(target.width(), 2);
    EXPECT_EQ(target.height(), 2);
    EXPECT_EQ(target.pixel(1, 1)[3], source.pixel(1, 1)[3]);
    EXPECT_EQ(std::memcmp(target.bits(), source.bits(), source.byteCount()), 0);
}

TEST(PixelImage, RefusesImpossibleSizes) {
    PixelImage image;
    ASSERT_TRUE(image.allocate(4, 4));
    EXPECT_FALSE(image.allocate(-1, 5));
    EXPECT_TRUE(image.isEmpty());
    EXPECT_EQ(image.width(), 0);
    EXPECT_FALSE(image.allocate(1 << 15, 1 << 15));  // 4 GiB of pixels
    EXPECT_EQ(image.reshape(100000, 100000), nullptr);
    EXPECT_EQ(image.height(), 0);
    ASSERT_TRUE(image.allocate(3, 1));
    PixelImage huge;
    EXPECT_FALSE(huge.allocate(1 << 30, 1));
}

TEST(PixelImage, RawStreamFormIsBigEndianPerPixel) {
    PixelImage image;
    ASSERT_TRUE(image.allocate(2, 1));
    const std::uint8_t pixels[] = {0x10, 0x20, 0x30, 0x40, 0x11, 0x21, 0x31, 0x41};
    std::memcpy(image.bits(), pixels, sizeof pixels);
    auto stream = MemoryStream::create();
    ASSERT_TRUE(writeRawImage(image, *stream));
    const std::vector<std::uint8_t> expected = {0,    0,    0,    2,    0,    0,    0,    1,
                                                0x40, 0x30, 0x20, 0x10, 0x41, 0x31, 0x21, 0x11};
    EXPECT_EQ(stream->bytes(), expected);
}

}  // namespace
}  // namespace orbpix
