#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <sstream>

#include "RunOrbpix.h"
#include "cli/Commands.h"
#include "core/ByteStream.h"
#include "shell/ResourceLibrary.h"
#include "support/Files.h"
#include "support/TempFolder.h"
#include "tourfmt/GifEncoder.h"
#include "tourfmt/TourAlbum.h"
#include "tourfmt/TourContainer.h"

namespace orbpix {
namespace {

using test::json;
using test::orbpix;
using test::Outcome;

TEST(OrbpixSkin, ParseListsTheElementsWithTheirPictures) {
    test::TempFolder folder;
    const std::string ski = folder.path("skin.ski");
    test::writeFile(ski,
                    "S,\n1, 1, 0, 0, 10, 20, 300, 200,\nUpDown, bg.gif, mask.gif,\n"
                    "TypeSuivant,UpDownRollover,n.gif,h.gif,p.gif,600, 440,\nTypeFrame, 10, 20,\n");
    const Outcome result = orbpix({"skin", "parse", ski, "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const QJsonArray elements = json(result.out).value("elements").toArray();
    ASSERT_EQ(elements.size(), 4);
    EXPECT_EQ(elements[0].toObject().value("type").toInt(), 200);
    EXPECT_EQ(elements[0].toObject().value("pictures").toArray().size(), 2);
    EXPECT_EQ(elements[1].toObject().value("width").toInt(), 300);
    const QJsonObject next = elements[2].toObject();
    EXPECT_EQ(next.value("typeName").toString(), "TypeSuivant");
    EXPECT_EQ(next.value("stateName").toString(), "UpDownRollover");
    EXPECT_EQ(next.value("pictures").toArray()[2].toString(), "p.gif");
    EXPECT_EQ(elements[3].toObject().value("height").toInt(), 139);

    const Outcome plain = orbpix({"skin", "parse", ski});
    EXPECT_EQ(plain.status, 0);
    EXPECT_NE(plain.out.find("TypeFrame\tNone\t10,20 112x139"), std::string::npos) << plain.out;
    EXPECT_EQ(orbpix({"skin", "parse", folder.path("none.ski")}).status, 2);
    EXPECT_EQ(orbpix({"skin", "frobnicate", ski}).status, 1);
}

TEST(OrbpixSkin, ScrambleAndUnscrambleAreInverse) {
    test::TempFolder folder;
    const std::string plain = folder.path("a.gif");
    const std::string scrambled = folder.path("a.scr");
    const std::string back = folder.path("b.gif");
    GifImage image;
    image.width = 3;
    image.height = 3;
    image.palette = {0, 0, 0, 255, 255, 255};
    image.indices = {0, 1, 0, 1, 0, 1, 0, 1, 0};
    const auto gif = encodeGif(image);
    test::writeFile(plain, gif);
    ASSERT_EQ(orbpix({"skin", "scramble", plain, scrambled}).status, 0);
    const auto stored = test::readFileBytes(scrambled);
    EXPECT_EQ(stored.size(), (gif.size() + 3) & ~std::size_t(3));
    EXPECT_NE(std::vector<std::uint8_t>(stored.begin(), stored.begin() + 6),
              std::vector<std::uint8_t>(gif.begin(), gif.begin() + 6));
    ASSERT_EQ(orbpix({"skin", "unscramble", scrambled, back}).status, 0);
    const auto unscrambled = test::readFileBytes(back);
    ASSERT_EQ(unscrambled.size(), stored.size());
    EXPECT_TRUE(std::equal(gif.begin(), gif.end(), unscrambled.begin()));
    EXPECT_EQ(orbpix({"skin", "unscramble", folder.path("x"), back}).status, 2);
}

TEST(OrbpixSkin, DrawAndColorAnswerAsTheWindowsDo) {
    test::TempFolder folder;
    const QString skin = QString::fromStdString(folder.path("Plain"));
    ASSERT_TRUE(QDir().mkpath(skin));
    QImage decoration(4, 2, QImage::Format_RGB32);
    decoration.fill(qRgb(200, 0, 0));
    decoration.setPixel(0, 0, qRgb(255, 0, 255));
    ASSERT_TRUE(decoration.save(skin + "/BKG_D.bmp"));
    test::writeFile(folder.path("Plain/info.txt"),
                    "[Transparency]\nBKG_D=255,0,255\n[Tile]\nBKG_D=1\n"
                    "[Color]\nDONUTS_TXT=1, 2, 3\n[DefaultSkin]\nMAIN_BKG=1\n");
    ASSERT_TRUE(resourceLibrary().load(ORBPIX_PROGRAM_DIR));

    // Laid from the right: tiles at 6, 2 and -2; the key shows the background.
    auto r = test::orbpix({"skin", "draw", folder.path("Plain"), "BKG_D", "--size", "10x2",
                           "--background", "0,0,255", "-o", folder.path("d.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    QImage drawn(QString::fromStdString(folder.path("d.png")));
    EXPECT_EQ(drawn.pixel(6, 0), qRgb(0, 0, 255));
    EXPECT_EQ(drawn.pixel(2, 0), qRgb(0, 0, 255));
    EXPECT_EQ(drawn.pixel(7, 0), qRgb(200, 0, 0));
    EXPECT_EQ(drawn.pixel(0, 0), qRgb(200, 0, 0));
    EXPECT_EQ(drawn.pixel(6, 1), qRgb(200, 0, 0));

    // No file, but the skin asks for the built-in picture.
    r = test::orbpix({"skin", "draw", folder.path("Plain/"), "MAIN_BKG", "--size", "3x3", "-o",
                      folder.path("m.png")});
    ASSERT_EQ(r.status, 0) << r.err;
    const QImage builtIn(ResourceLibrary::bitmapPath(QStringLiteral("ID_SKIN_MAIN_BKG")));
    ASSERT_FALSE(builtIn.isNull());
    EXPECT_EQ(QImage(QString::fromStdString(folder.path("m.png"))).pixel(1, 1),
              builtIn.pixel(1, 1));
    resourceLibrary().unload();

    EXPECT_EQ(test::orbpix({"skin", "color", folder.path("Plain"), "DONUTS_TXT"}).out, "1,2,3\n");
    EXPECT_EQ(test::orbpix({"skin", "color", folder.path("Plain"), "PI_COL"}).out, "128,128,128\n");
    // The desktop's colours without a desktop application: the toolkit's light defaults.
    EXPECT_EQ(test::orbpix({"skin", "color", folder.path("Plain"), "PROGRESS_BKG"}).out,
              "239,239,239\n");
    EXPECT_EQ(test::orbpix({"skin", "color", folder.path("Plain"), "NOPE"}).status, 2);
    EXPECT_EQ(test::orbpix({"skin", "color", folder.path("none"), "PI_COL"}).status, 2);
    EXPECT_EQ(test::orbpix({"skin", "draw", folder.path("Plain"), "BKG_D", "--size", "0x5", "-o",
                            folder.path("z.png")})
                  .status,
              1);
}

TEST(OrbpixOrb, DumpShowsTitleTextsAndPictures) {
    test::TempFolder folder;
    const std::string path = folder.path("album.orb");
    TourAlbum album;
    album.title = "Lakes \"north\"";
    album.info = TourInfo{"Ann", "Road 1\r\nTown", "http://example.org"};
    album.pictures.push_back({"Shore", -64, 26, std::vector<std::uint8_t>(1234, 1)});
    ASSERT_TRUE(writeTourAlbumFile(album, path));
    const Outcome result = orbpix({"orb", "dump", path, "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const QJsonObject object = json(result.out);
    EXPECT_EQ(object.value("title").toString(), "Lakes \"north\"");
    EXPECT_EQ(object.value("info").toObject().value("authorAddress").toString(), "Road 1\r\nTown");
    const QJsonObject picture = object.value("pictures").toArray()[0].toObject();
    EXPECT_EQ(picture.value("name").toString(), "Shore");
    EXPECT_EQ(picture.value("firstAngle").toInt(), -64);
    EXPECT_EQ(picture.value("secondAngle").toInt(), 26);
    EXPECT_EQ(picture.value("jpegSize").toInt(), 1234);
    EXPECT_EQ(orbpix({"orb", "dump", folder.path("none")}).status, 2);
}

TEST(OrbpixTour, InfoShowsTheContainerAndItsAlbum) {
    test::TempFolder folder;
    const std::string albumPath = folder.path("album.orb");
    TourAlbum album;
    album.title = "Coast";
    album.pictures.push_back({"Cliff", 1, 2, std::vector<std::uint8_t>(99, 3)});
    ASSERT_TRUE(writeTourAlbumFile(album, albumPath));
    const auto albumBytes = test::readFileBytes(albumPath);

    const std::string tourPath = folder.path("tour");
    auto stream = FileStream::open(tourPath, FileStream::Mode::Create);
    ASSERT_TRUE(stream->write(std::vector<std::uint8_t>(100, 0x90)));
    std::vector<EmbeddedFile> files{
        {"album.orb", albumBytes.size(), [&](ByteStream& out) { return out.write(albumBytes); }}};
    std::vector<TourElement> elements(2);
    elements[0].type = kTypeBackground;
    elements[0].state = kStateUp;
    elements[0].bitmaps = {std::vector<std::uint8_t>(17, 1)};
    elements[1].type = kTypeView;
    const auto plan = planTourContainer(100, "ALBUM PHOTO", files, elements);
    ASSERT_TRUE(plan);
    ASSERT_TRUE(writeTourContainer(*stream, *plan, files));
    stream = {};

    const Outcome result = orbpix({"tour", "info", tourPath, "--json"});
    ASSERT_EQ(result.status, 0) << result.err;
    const QJsonObject object = json(result.out);
    EXPECT_EQ(object.value("title").toString(), "ALBUM PHOTO");
    const QJsonObject file = object.value("files").toArray()[0].toObject();
    EXPECT_EQ(file.value("name").toString(), "album.orb");
    EXPECT_EQ(file.value("length").toInt(), int(albumBytes.size()));
    EXPECT_EQ(
        object.value("elements").toArray()[0].toObject().value("bitmaps").toArray()[0].toInt(), 17);
    EXPECT_EQ(object.value("trailer").toObject().value("containerStart").toInt(), 100);
    EXPECT_EQ(object.value("album").toObject().value("title").toString(), "Coast");
    EXPECT_EQ(object.value("album").toObject().value("pictures").toArray().size(), 1);

    const std::string plainPath = folder.path("plain");
    test::writeFile(plainPath, std::string(500, 'x'));
    const Outcome none = orbpix({"tour", "info", plainPath});
    EXPECT_EQ(none.status, 4);
    EXPECT_NE(none.err.find("no tour"), std::string::npos);
    EXPECT_EQ(orbpix({"tour", "info", folder.path("missing")}).status, 2);
}

}  // namespace
}  // namespace orbpix
