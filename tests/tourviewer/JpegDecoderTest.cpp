#include "imaging/JpegDecoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "TourViewerSupport.h"

namespace orbpix {
namespace {

using test::Bytes;

// A grey JPEG written with libjpeg itself: every sample is x + y.
Bytes greyJpeg(int width, int height) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = 1;
    info.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(static_cast<std::size_t>(width));
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < width; ++x)
            row[std::size_t(x)] = static_cast<unsigned char>(x + int(info.next_scanline));
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

// The samples libjpeg gives for plain RGB output, red first, row after row.
std::vector<unsigned char> rgbSamples(const Bytes& jpeg) {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    std::vector<unsigned char> samples(std::size_t(info.output_width) * info.output_height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[1] = {&samples[std::size_t(info.output_scanline) * info.output_width * 3]};
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return samples;
}

TEST(JpegDecoder, DecodesColourIntoOpaqueBlueGreenRed) {
    const Bytes jpeg = test::stripJpeg(64, 32, 128);
    PixelImage out;
    ASSERT_EQ(decodeJpeg(jpeg, out), JpegResult::Ok);
    ASSERT_EQ(out.width(), 64);
    ASSERT_EQ(out.height(), 32);
    // The strip's blue rises with the column, its red with the row; green is flat.
    const std::uint8_t* left = out.pixel(2, 2);
    const std::uint8_t* right = out.pixel(61, 29);
    EXPECT_LT(left[0], 30);
    EXPECT_GT(right[0], 225);
    EXPECT_LT(left[2], 40);
    EXPECT_GT(right[2], 215);
    EXPECT_NEAR(left[1], 128, 8);
    // Exactly libjpeg's own RGB samples, reordered, whatever path the decoder takes.
    const std::vector<unsigned char> rgb = rgbSamples(jpeg);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            const std::uint8_t* p = out.pixel(x, y);
            const unsigned char* s = &rgb[(std::size_t(y) * 64 + std::size_t(x)) * 3];
            ASSERT_EQ(p[0], s[2]);
            ASSERT_EQ(p[1], s[1]);
            ASSERT_EQ(p[2], s[0]);
            ASSERT_EQ(p[3], 255);
        }
}

TEST(JpegDecoder, RepeatsGreySamplesIntoAllThreeColours) {
    PixelImage out;
    ASSERT_EQ(decodeJpeg(greyJpeg(40, 24), out), JpegResult::Ok);
    ASSERT_EQ(out.width(), 40);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 40; ++x) {
            const std::uint8_t* p = out.pixel(x, y);
            ASSERT_EQ(p[0], p[1]);
            ASSERT_EQ(p[1], p[2]);
            ASSERT_NEAR(p[0], x + y, 3);
        }
}

TEST(JpegDecoder, DamagedDataFailsCleanly) {
    const Bytes jpeg = test::stripJpeg(64, 32, 10);
    PixelImage out;
    std::string why;
    EXPECT_EQ(decodeJpeg({}, out, &why), JpegResult::Invalid);
    EXPECT_EQ(decodeJpeg(test::randomBytes(500, 1), out, &why), JpegResult::Invalid);
    EXPECT_FALSE(why.empty());
    EXPECT_TRUE(out.isEmpty());
    // Cut anywhere in the header, the file is refused; cut in the data, what is missing
    // reads as grey and the picture keeps its size. Neither may read past the bytes.
    for (std::size_t cut : {std::size_t(2), std::size_t(20), std::size_t(100), jpeg.size() / 2}) {
        const Bytes part(jpeg.begin(), jpeg.begin() + std::ptrdiff_t(cut));
        PixelImage partial;
        const JpegResult result = decodeJpeg(part, partial);
        if (result == JpegResult::Ok)
            EXPECT_EQ(partial.width(), 64);
        else
            EXPECT_TRUE(partial.isEmpty());
    }
}

TEST(JpegDecoder, RefusesSizesNoPictureCanHave) {
    // A header claiming 65000 × 65000 pixels, far beyond what a picture may hold.
    Bytes jpeg = test::stripJpeg(16, 16, 1);
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 5] = 0xFD;
            jpeg[i + 6] = 0xE8;
            jpeg[i + 7] = 0xFD;
            jpeg[i + 8] = 0xE8;
            break;
        }
    PixelImage out;
    EXPECT_EQ(decodeJpeg(jpeg, out), JpegResult::Invalid);
    EXPECT_TRUE(out.isEmpty());
}

}  // namespace
}  // namespace orbpix
