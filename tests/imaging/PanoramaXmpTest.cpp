#include "imaging/PanoramaXmp.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orbpix {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PanoramaXmp, BandLiesBetweenTheStripsElevationAngles) {
    // 4H x H strips span 90 degrees; the sphere is half as high as wide.
    const PanoramaXmpFields normal = panoramaXmpFields(2000, 500, kNormalElevation);
    EXPECT_EQ(normal.fullWidth, 2000);
    EXPECT_EQ(normal.fullHeight, 1000);
    EXPECT_EQ(normal.croppedWidth, 2000);
    EXPECT_EQ(normal.croppedHeight, 500);
    EXPECT_EQ(normal.croppedLeft, 0);
    EXPECT_EQ(normal.croppedTop, 356);  // 64 degrees from the zenith: 355.6 rows
    EXPECT_EQ(panoramaXmpFields(2000, 500, upsideDown(kNormalElevation)).croppedTop, 144);
    EXPECT_EQ(panoramaXmpFields(4200, 1050, kNormalElevation).croppedTop, 747);

    const std::string xmp = panoramaXmp(normal);
    EXPECT_NE(xmp.find("<GPano:CroppedAreaTopPixels>356</GPano:CroppedAreaTopPixels>"),
              std::string::npos);
    EXPECT_NE(xmp.find("<GPano:ProjectionType>equirectangular</GPano:ProjectionType>"),
              std::string::npos);
}

TEST(PanoramaXmp, PacketGoesInItsOwnSegmentAfterTheJfifHeader) {
    const Bytes jfif = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 'J', 'F', 0xFF, 0xDB, 0xFF, 0xD9};
    const auto out = withXmpPacket(jfif, "<x/>");
    ASSERT_TRUE(out);
    const std::string signature = "http://ns.adobe.com/xap/1.0/";
    const std::size_t length = 2 + signature.size() + 1 + 4;
    Bytes expected(jfif.begin(), jfif.begin() + 8);
    expected.insert(expected.end(), {0xFF, 0xE1, 0x00, std::uint8_t(length)});
    expected.insert(expected.end(), signature.begin(), signature.end());
    expected.push_back(0);
    expected.insert(expected.end(), {'<', 'x', '/', '>'});
    expected.insert(expected.end(), jfif.begin() + 8, jfif.end());
    EXPECT_EQ(*out, expected);

    // Without a JFIF header the segment follows the start of image.
    const Bytes bare = {0xFF, 0xD8, 0xFF, 0xDB, 0xFF, 0xD9};
    const auto plain = withXmpPacket(bare, "x");
    ASSERT_TRUE(plain);
    EXPECT_EQ((Bytes{plain->begin(), plain->begin() + 4}), (Bytes{0xFF, 0xD8, 0xFF, 0xE1}));
    EXPECT_EQ((Bytes{plain->end() - 4, plain->end()}), (Bytes{0xFF, 0xDB, 0xFF, 0xD9}));
}

TEST(PanoramaXmp, RefusesWhatIsNoJpegOrDoesNotFit) {
    EXPECT_FALSE(withXmpPacket(Bytes{0x89, 'P', 'N', 'G'}, "x"));
    EXPECT_FALSE(withXmpPacket(Bytes{0xFF, 0xD8}, "x"));
    // A JFIF header whose length runs past the end of the file.
    EXPECT_FALSE(withXmpPacket(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x40, 0x00, 0, 0}, "x"));
    EXPECT_FALSE(withXmpPacket(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0x00}, "x"));
    const Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xD9, 0, 0};
    EXPECT_TRUE(withXmpPacket(jpeg, std::string(65533 - 29, 'x')));
    EXPECT_FALSE(withXmpPacket(jpeg, std::string(65533 - 28, 'x')));
}

}  // namespace
}  // namespace orbpix
