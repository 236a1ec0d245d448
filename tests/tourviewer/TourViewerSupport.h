#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/ByteStream.h"
#include "imaging/JpegWriter.h"
#include "imaging/PixelImage.h"
#include "support/TourTestSupport.h"
#include "tourfmt/GifEncoder.h"
#include "tourfmt/TourAlbum.h"
#include "tourfmt/TourElement.h"

namespace orbpix::test {

// A GIF of one colour, with an optional transparent square of palette index 0 in its middle.
// Palette: 0 magenta (the usual transparent colour), 1 the given colour.
inline Bytes flatGif(int width, int height, std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                     bool transparentMiddle = false) {
    GifImage image;
    image.width = width;
    image.height = height;
    image.palette = {255, 0, 255, red, green, blue};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool middle = x >= width / 4 && x < width - width / 4 && y >= height / 4 &&
                                y < height - height / 4;
            image.indices.push_back(transparentMiddle && middle ? 0 : 1);
        }
    if (transparentMiddle)
        image.transparentIndex = 0;
    return encodeGif(image);
}

inline TourElement makeElement(std::int32_t type, std::int32_t state, int left, int top,
                               std::vector<Bytes> bitmaps = {}, int width = 0, int height = 0) {
    TourElement e;
    e.type = type;
    e.state = state;
    e.left = left;
    e.top = top;
    e.width = width;
    e.height = height;
    e.bitmaps = std::move(bitmaps);
    return e;
}

// A panorama strip whose colour runs with the column, as JPEG bytes.
inline Bytes stripJpeg(int width, int height, std::uint8_t shade) {
    PixelImage strip;
    EXPECT_TRUE(strip.allocate(width, height));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = strip.pixel(x, y);
            p[0] = std::uint8_t(x * 255 / std::max(1, width - 1));
            p[1] = shade;
            p[2] = std::uint8_t(y * 255 / std::max(1, height - 1));
            p[3] = 255;
        }
    auto out = MemoryStream::create();
    EXPECT_TRUE(encodeJpeg(strip, *out, 90));
    return out->bytes();
}

inline TourAlbum albumOf(int pictures, int stripWidth = 64, int stripHeight = 16) {
    TourAlbum album;
    album.title = "Coast";
    album.info = TourInfo{"Ann Lee", "Harbour Road 1\r\nBay", "http://example.org"};
    for (int i = 0; i < pictures; ++i)
        album.pictures.push_back({"Picture " + std::to_string(i), -64, 26,
                                  stripJpeg(stripWidth, stripHeight, std::uint8_t(40 * i))});
    return album;
}

}  // namespace orbpix::test
