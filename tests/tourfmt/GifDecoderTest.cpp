#include "tourfmt/GifDecoder.h"

#include <gtest/gtest.h>

#include <random>

#include "support/TourTestSupport.h"
#include "tourfmt/GifEncoder.h"

namespace orbpix {
namespace {

using test::Bytes;

struct Decoded {
    std::optional<GifPicture> picture;
    std::string messages;
};

Decoded decode(const Bytes& bytes) {
    Decoded result;
    GifDecoder decoder([&](const std::string& m) { result.messages += m; });
    result.picture = decoder.decode(bytes, "test.gif");
    return result;
}

GifImage randomImage(int width, int height, int colours, std::uint32_t seed, bool smooth) {
    std::mt19937 random(seed);
    GifImage image;
    image.width = width;
    image.height = height;
    for (int i = 0; i < colours * 3; ++i)
        image.palette.push_back(std::uint8_t(random()));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.indices.push_back(
                std::uint8_t(smooth ? (x / 7 + y / 5) % colours : int(random() % colours)));
    return image;
}

void expectPixelsMatch(const GifImage& image, const GifPicture& picture) {
    ASSERT_EQ(picture.width, image.width);
    ASSERT_EQ(picture.height, image.height);
    for (std::size_t i = 0; i < image.indices.size(); ++i) {
        const std::uint8_t* entry = image.palette.data() + 3 * image.indices[i];
        const std::uint8_t* p = picture.pixels.data() + 3 * i;
        ASSERT_EQ(p[0], entry[2]) << i;  // blue first
        ASSERT_EQ(p[1], entry[1]) << i;
        ASSERT_EQ(p[2], entry[0]) << i;
    }
}

// The smallest transparent GIF: one white pixel, index 0 transparent.
const Bytes kOnePixel = {'G', 'I', 'F', '8', '9',  'a',  1, 0, 1, 0,    0x80, 0, 0,   255, 255,
                         255, 0,   0,   0,   0x21, 0xF9, 4, 1, 0, 0,    0,    0, ',', 0,   0,
                         0,   0,   1,   0,   1,    0,    0, 2, 2, 0x44, 1,    0, ';'};

TEST(GifDecoder, DecodesAHandMadePictureWithItsTransparentColour) {
    const Decoded d = decode(kOnePixel);
    ASSERT_TRUE(d.picture) << d.messages;
    EXPECT_EQ(d.picture->width, 1);
    EXPECT_EQ(d.picture->height, 1);
    EXPECT_EQ(d.picture->pixels, (Bytes{255, 255, 255}));
    EXPECT_TRUE(d.picture->transparent);
    EXPECT_EQ((std::array{d.picture->red, d.picture->green, d.picture->blue}),
              (std::array<std::uint8_t, 3>{255, 255, 255}));
    EXPECT_EQ(d.messages, "");
}

TEST(GifDecoder, RoundTripsPicturesOfEveryTableSize) {
    for (const int colours : {2, 3, 4, 16, 100, 256}) {
        for (const bool smooth : {false, true}) {
            const GifImage image = randomImage(97, 61, colours, std::uint32_t(colours), smooth);
            const Decoded d = decode(encodeGif(image));
            ASSERT_TRUE(d.picture) << colours << d.messages;
            expectPixelsMatch(image, *d.picture);
            EXPECT_FALSE(d.picture->transparent);
        }
    }
}

TEST(GifDecoder, FullCodeTablesStartOver) {
    // Noise of 256 colours fills the 4096 codes many times.
    const GifImage image = randomImage(640, 100, 256, 5, false);
    const Decoded d = decode(encodeGif(image));
    ASSERT_TRUE(d.picture) << d.messages;
    expectPixelsMatch(image, *d.picture);
}

TEST(GifDecoder, InterlacedRowsArriveInFourPasses) {
    GifImage image;
    image.width = 1;
    image.height = 10;
    for (int i = 0; i < 16; ++i)
        image.palette.insert(image.palette.end(), {std::uint8_t(i), 0, 0});
    for (int y = 0; y < 10; ++y)
        image.indices.push_back(std::uint8_t(y));
    image.interlaced = true;
    Bytes bytes = encodeGif(image);
    const Decoded d = decode(bytes);
    ASSERT_TRUE(d.picture);
    expectPixelsMatch(image, *d.picture);
    // Read as a plain picture the rows show the order they travel in.
    const std::size_t flags = 6 + 7 + 16 * 3 + 9;
    ASSERT_EQ(bytes[flags], 0x40);
    bytes[flags] = 0;
    const Decoded plain = decode(bytes);
    ASSERT_TRUE(plain.picture);
    const int order[] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(plain.picture->pixels[std::size_t(y) * 3 + 2], order[y]) << y;
}

TEST(GifDecoder, TheLastByteOfAnExtensionIsTheTransparentIndex) {
    GifImage image = randomImage(20, 20, 8, 3, true);
    image.transparentIndex = 0;
    image.palette[0] = 10;
    image.palette[1] = 20;
    image.palette[2] = 30;
    const Decoded d = decode(encodeGif(image));
    ASSERT_TRUE(d.picture);
    EXPECT_TRUE(d.picture->transparent);
    EXPECT_EQ((std::array{d.picture->red, d.picture->green, d.picture->blue}),
              (std::array<std::uint8_t, 3>{10, 20, 30}));
}

TEST(GifDecoder, MalformedPicturesGiveNoPictureAndAMessage) {
    const Bytes good = encodeGif(randomImage(30, 20, 16, 8, true));
    struct Case {
        const char* what;
        std::function<void(Bytes&)> damage;
        std::string message;
    };
    const std::string invalid = "Invalid GIF file format: test.gif\n";
    const std::string premature = "Premature End Of File reading GIF image\n";
    const std::size_t descriptor = 13 + 16 * 3;
    const Case cases[] = {
        {"not a GIF", [](Bytes& b) { b[0] = 'P'; }, invalid},
        {"a letter below A", [](Bytes& b) { b[5] = '@'; }, invalid},
        {"no global table", [](Bytes& b) { b[10] &= 0x7F; }, invalid},
        {"a local table", [&](Bytes& b) { b[descriptor + 9] |= 0x80; }, invalid},
        {"zero width", [&](Bytes& b) { b[descriptor + 5] = b[descriptor + 6] = 0; }, invalid},
        {"no image", [&](Bytes& b) { b[descriptor] = ';'; }, invalid},
        {"huge",
         [&](Bytes& b) {
             b[descriptor + 5] = b[descriptor + 6] = b[descriptor + 7] = b[descriptor + 8] = 0xFF;
         },
         "Cannot allocate memory for picture\n"},
        {"data cut short", [](Bytes& b) { b.resize(b.size() - 20); }, premature},
        {"header cut short", [](Bytes& b) { b.resize(10); }, invalid},
        {"code size 1", [&](Bytes& b) { b[descriptor + 10] = 1; }, ""},
        {"code size 10", [&](Bytes& b) { b[descriptor + 10] = 10; }, ""},
        {"a code beyond the table",
         [&](Bytes& b) {
             // Clear, then a literal, then code 31 (5 bits of 1s) where 18 is the next free.
             b[descriptor + 12] = 0x10 | 0x00;  // clear (10000), then low bits of 0
             b[descriptor + 13] = 0xFC;
             b[descriptor + 14] = 0xFF;
         },
         invalid},
    };
    for (const Case& c : cases) {
        Bytes bytes = good;
        c.damage(bytes);
        const Decoded d = decode(bytes);
        EXPECT_FALSE(d.picture) << c.what;
        EXPECT_EQ(d.messages, c.message) << c.what;
    }
}

TEST(GifDecoder, IndicesBeyondTheTableAreReportedAndReadAsBlack) {
    GifImage image = randomImage(4, 4, 16, 1, false);
    image.indices[5] = 12;
    Bytes bytes = encodeGif(image);
    // Shrink the table to 8 entries; the data keeps its 4-bit literals.
    bytes[10] = std::uint8_t((bytes[10] & 0xF8) | 2);
    bytes.erase(bytes.begin() + 13 + 24, bytes.begin() + 13 + 48);
    const Decoded d = decode(bytes);
    ASSERT_TRUE(d.picture);
    EXPECT_EQ(d.messages, "Error - GIF Image Map Colour out of range\n");
    EXPECT_EQ(d.picture->pixels[15], 0);
    EXPECT_EQ(d.picture->pixels[16], 0);
    EXPECT_EQ(d.picture->pixels[17], 0);
}

TEST(GifDecoder, LiteralsOfTheLargestCodeSizeStayInsideTheTable) {
    // Code size 9: clear 512, then the literal 300 and the end code, ten bits each.
    const Bytes bytes = {'G', 'I', 'F', '8', '7', 'a',  1,    0,    1,    0, 0x80, 0, 0,
                         1,   2,   3,   4,   5,   6,    ',',  0,    0,    0, 0,    1, 0,
                         1,   0,   0,   9,   4,   0x00, 0xB2, 0x14, 0x20, 0, ';'};
    const Decoded d = decode(bytes);
    ASSERT_TRUE(d.picture) << d.messages;
    EXPECT_EQ(d.picture->pixels, (Bytes{0, 0, 0}));
    EXPECT_EQ(d.messages, "Error - GIF Image Map Colour out of range\n");
}

TEST(GifDecoder, EveryTruncationIsHandled) {
    const Bytes good = encodeGif(randomImage(40, 30, 64, 2, false));
    // The last few bytes may hold nothing but the end code and the trailer.
    for (std::size_t cut = 0; cut + 4 < good.size(); ++cut) {
        const Decoded d = decode(Bytes(good.begin(), good.begin() + std::ptrdiff_t(cut)));
        EXPECT_FALSE(d.picture) << cut;
        EXPECT_FALSE(d.messages.empty()) << cut;
    }
}

TEST(GifDecoder, AMissingFileIsReported) {
    std::string messages;
    GifDecoder decoder([&](const std::string& m) { messages += m; });
    EXPECT_FALSE(decoder.decodeFile("/nonexistent/x.gif"));
    EXPECT_EQ(messages, "Cannot open GIF file /nonexistent/x.gif\n");
}

}  // namespace
}  // namespace orbpix
