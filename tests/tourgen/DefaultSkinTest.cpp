#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "core/ByteStream.h"
#include "support/TourTestSupport.h"
#include "tourfmt/BlockScrambleStream.h"
#include "tourfmt/GifDecoder.h"
#include "tourfmt/SkinDescription.h"
#include "tourfmt/TourAlbum.h"
#include "tourfmt/TourContainer.h"
#include "tourgen/TourGenerator.h"

namespace orbpix {
namespace {

const std::string kSkinFolder = ORBPIX_PROGRAM_DIR "/Skins/Default";

std::optional<GifPicture> skinPicture(const std::string& name) {
    auto file = FileStream::open(kSkinFolder + "/" + name, FileStream::Mode::Read);
    if (!file || !file->seek(0, ByteStream::Origin::End))
        return std::nullopt;
    std::vector<std::uint8_t> bytes(std::size_t(file->position()));
    auto stream = BlockScrambleStream::create(shareStream(file), kTourSkinPictureKey);
    if (!stream->seek(0, ByteStream::Origin::Begin) || stream->read(bytes) != bytes.size())
        return std::nullopt;
    return GifDecoder([](const std::string& m) { ADD_FAILURE() << m; }).decode(bytes, name);
}

TEST(DefaultTourSkin, EveryElementFitsTheWindowAndEveryPictureDecodes) {
    const auto skin = ParseSkinDescription(kSkinFolder + "/skin.ski");
    ASSERT_TRUE(skin);
    ASSERT_GE(skin->elements.size(), 2u);
    const TourElement& background = skin->elements[0];
    EXPECT_EQ(background.state, kStateUpDown);
    const auto back = skinPicture(background.pictureNames[0]);
    const auto mask = skinPicture(background.pictureNames[1]);
    ASSERT_TRUE(back && mask);
    EXPECT_EQ(back->width, 640);
    EXPECT_EQ(back->height, 480);
    EXPECT_EQ(mask->width, 640);
    EXPECT_TRUE(mask->transparent);
    // The corners lie outside the window, the middle inside.
    const auto maskIsTransparentAt = [&](int x, int y) {
        const std::uint8_t* p = mask->pixels.data() + (std::size_t(y) * 640 + std::size_t(x)) * 3;
        return p[2] == mask->red && p[1] == mask->green && p[0] == mask->blue;
    };
    EXPECT_TRUE(maskIsTransparentAt(0, 0));
    EXPECT_TRUE(maskIsTransparentAt(639, 479));
    EXPECT_FALSE(maskIsTransparentAt(320, 240));

    std::set<std::int32_t> types;
    for (std::size_t i = 1; i < skin->elements.size(); ++i) {
        const TourElement& e = skin->elements[i];
        types.insert(e.type);
        EXPECT_NE(e.type, kTypeUnknown) << i;
        int width = e.width, height = e.height;
        for (int p = 0; p < e.pictureCount(); ++p) {
            const auto picture = skinPicture(e.pictureNames[std::size_t(p)]);
            ASSERT_TRUE(picture) << e.pictureNames[std::size_t(p)];
            if (p > 0) {
                EXPECT_EQ(picture->width, width) << i;
                EXPECT_EQ(picture->height, height) << i;
            }
            width = picture->width;
            height = picture->height;
        }
        EXPECT_GE(e.left, 0) << i;
        EXPECT_GE(e.top, 0) << i;
        EXPECT_LE(e.left + width, 640) << i;
        EXPECT_LE(e.top + height, 480) << i;
    }
    for (const std::int32_t type :
         {kTypeLogo, kTypeCancel, kTypeScrollUp, kTypeScrollDown, kTypeFrame, kTypeAlbumTitle,
          kTypePictureName, kTypeView, kTypeMaximise, kTypeMinimise, kTypeBar, kTypeZoomIn,
          kTypeZoomOut, kTypePrevious, kTypeNext, kTypeInfo})
        EXPECT_TRUE(types.count(type)) << type;
}

TEST(DefaultTourSkin, MakesATour) {
    test::TempFolder folder;
    const std::string album = folder.path("album.orb");
    TourAlbum content;
    content.title = "Default";
    content.pictures.push_back({"One", -64, 26, {0xFF, 0xD8, 0xFF, 0xD9}});
    ASSERT_TRUE(writeTourAlbumFile(content, album));
    std::vector<std::string> messages;
    std::ostringstream out;
    const std::string tour = folder.path("tour");
    ASSERT_EQ(tourgen::runTourgen(
                  {kSkinFolder + "/skin.ski", album, FAKE_VIEWER, tour, false},
                  [&](const std::string& m) { messages.push_back(m); }, out),
              0)
        << (messages.empty() ? out.str() : messages[0]);
    auto stream = FileStream::open(tour, FileStream::Mode::Read);
    const auto container = readTourContainer(*stream);
    ASSERT_TRUE(container);
    EXPECT_GT(container->elements.size(), 15u);
}

}  // namespace
}  // namespace orbpix
