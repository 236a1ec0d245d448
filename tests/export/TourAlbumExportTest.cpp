#include "export/TourAlbumExport.h"

#include <gtest/gtest.h>
#include <QImage>

#include <atomic>

#include "export/ExportManager.h"
#include "support/QtFiles.h"
#include "support/TourExportSupport.h"
#include "tourgen/TourArgs.h"

namespace orbpix {
namespace {

TEST(TourPanoramaHeight, FollowsTheQualityFigure) {
    EXPECT_EQ(tourPanoramaHeight(100), 500);
    EXPECT_EQ(tourPanoramaHeight(400), 1050);
    EXPECT_EQ(tourPanoramaHeight(800), 1500);
    // Always a multiple of 50, rounded down.
    EXPECT_EQ(tourPanoramaHeight(200), 750);
    EXPECT_EQ(tourPanoramaHeight(0), 0);
}

TEST(Mounting, ComesFromTheReverseProperty) {
    const Mounting missing = parseMounting(std::nullopt);
    EXPECT_FALSE(missing.reverse);
    EXPECT_EQ(missing.bottomAngle, -64);
    EXPECT_EQ(missing.topAngle, 26);

    const Mounting reverse = parseMounting("1,-26,64");
    EXPECT_TRUE(reverse.reverse);
    EXPECT_EQ(reverse.bottomAngle, -26);
    EXPECT_EQ(reverse.topAngle, 64);

    const Mounting normal = parseMounting("0,-60,20");
    EXPECT_FALSE(normal.reverse);
    EXPECT_EQ(normal.bottomAngle, -60);
    EXPECT_EQ(normal.topAngle, 20);

    // Reading stops at the first field that is not a number; the rest keep their defaults.
    const Mounting partial = parseMounting("1,-30,x");
    EXPECT_TRUE(partial.reverse);
    EXPECT_EQ(partial.bottomAngle, -30);
    EXPECT_EQ(partial.topAngle, 26);
    EXPECT_EQ(parseMounting("1,99999999999,5").bottomAngle, INT32_MAX);
}

TEST(GeneratorArguments, KeepPathsWithBlanksWhole) {
    const TourPaths paths =
        tourPaths("/opt/Orb Pix", "Blue Sky", "/tmp/Orb works", "/home/a b/My Tour");
    EXPECT_EQ(paths.skinDescription, "/opt/Orb Pix/Skins/Blue Sky/skin.ski");
    EXPECT_EQ(paths.tourAlbum, "/tmp/Orb works/album.orb");
    EXPECT_EQ(paths.viewer, "/opt/Orb Pix/Export/Local/OrbTour");
    EXPECT_EQ(paths.generator, "/opt/Orb Pix/Export/Local/Tourgen");
    // The generator's own parser receives every path whole, and no run switch.
    std::vector<std::string> words;
    for (const QString& a : generatorArguments(paths))
        words.push_back(a.toStdString());
    const tourgen::TourArgs args = tourgen::parseTourArgs(words);
    EXPECT_EQ(args.skinPath, paths.skinDescription.toStdString());
    EXPECT_EQ(args.albumPath, paths.tourAlbum.toStdString());
    EXPECT_EQ(args.sourcePath, paths.viewer.toStdString());
    EXPECT_EQ(args.destinationPath, "/home/a b/My Tour");
    EXPECT_FALSE(args.run);
    // An empty skin name means the default skin.
    EXPECT_EQ(tourPaths("/p", "", "/w", "/d").skinDescription, "/p/Skins/Default/skin.ski");
}

TEST(FillText, FillsTheFirstPlaceholderOnly) {
    EXPECT_EQ(fillText("a %s b %s", "X"), "a X b %s");
    EXPECT_EQ(fillText("no placeholder", ":x"), "no placeholder:x");
    EXPECT_EQ(fillText("%d %s", "%s"), "%d %s");
}

class TourExport : public ::testing::Test {
protected:
    ExportPicture ring(const QString& name, int seed, std::optional<std::string> reverse = {},
                       std::optional<std::string> cc = {}) {
        const QString path = m_temp.path(name);
        EXPECT_TRUE(test::writeRingPicture(path, 320, 240, 20, 100, seed));
        ExportPicture p;
        p.path = path.toStdString();
        p.name = name.toStdString();
        p.circles = test::ringCircles(320, 240, 20, 100);
        p.reverse = std::move(reverse);
        p.colour = std::move(cc);
        return p;
    }
    std::string out(const char* name) const { return m_temp.path(name).toStdString(); }

    test::QtTempFolder m_temp;
};

TEST_F(TourExport, WritesEveryPictureInOrderWithItsAnglesAndPanorama) {
    const std::vector<ExportPicture> pictures = {ring("plain.jpg", 1),
                                                 ring("upside.jpg", 2, "1,-26,64"),
                                                 ring("warm.jpg", 3, "0,-50,20", "40,20,60")};
    std::vector<std::string> failed;
    const auto prepared = preparePictures(pictures, {}, failed);
    ASSERT_EQ(prepared.size(), 3u);
    EXPECT_TRUE(failed.empty());

    TourWriteOptions options;
    options.title = "Mars";
    options.info = TourInfo{"Ann", "Hut 1", "http://example.org"};
    options.height = 100;
    std::vector<std::string> announced;
    int lastPosition = -1;
    bool monotonic = true;
    WriteObserver observer;
    observer.picture = [&](const std::string& name) { announced.push_back(name); };
    observer.position = [&](int position) {
        monotonic = monotonic && position >= lastPosition;
        lastPosition = position;
    };
    const auto result = exportTourAlbumFile(out("album.orb"), options, prepared, observer);
    ASSERT_EQ(result.status, TourWriteStatus::Written);
    EXPECT_EQ(announced, (std::vector<std::string>{"plain.jpg", "upside.jpg", "warm.jpg"}));
    EXPECT_TRUE(monotonic);
    EXPECT_EQ(lastPosition, 300);

    const auto album = readTourAlbumFile(out("album.orb"));
    ASSERT_TRUE(album);
    EXPECT_EQ(album->title, "Mars");
    ASSERT_TRUE(album->info);
    EXPECT_EQ(album->info->authorAddress, "Hut 1");
    ASSERT_EQ(album->pictures.size(), 3u);
    EXPECT_EQ(album->pictures[0].name, "plain.jpg");
    EXPECT_EQ(album->pictures[0].firstAngle, -64);
    EXPECT_EQ(album->pictures[0].secondAngle, 26);
    EXPECT_EQ(album->pictures[1].firstAngle, -26);
    EXPECT_EQ(album->pictures[1].secondAngle, 64);
    EXPECT_EQ(album->pictures[2].firstAngle, -50);
    EXPECT_EQ(album->pictures[2].secondAngle, 20);

    QImage panoramas[3];
    for (int i = 0; i < 3; ++i) {
        const auto& jpeg = album->pictures[std::size_t(i)].jpeg;
        ASSERT_TRUE(panoramas[i].loadFromData(jpeg.data(), int(jpeg.size()), "JPEG"));
        EXPECT_EQ(panoramas[i].size(), QSize(400, 100));
    }
    // The reverse picture is its own ring unwrapped upside down and mirrored: unwrapping the
    // same ring normally must give another panorama.
    std::vector<ExportPicture> same = {pictures[1]};
    same[0].reverse.reset();
    const auto normal = renderTourPanorama(preparePictures(same, {}, failed)[0], 100, {});
    ASSERT_TRUE(normal);
    EXPECT_NE(*normal, album->pictures[1].jpeg);
    // The colour correction changes the written picture.
    std::vector<ExportPicture> uncorrected = {pictures[2]};
    uncorrected[0].colour.reset();
    const auto plain = renderTourPanorama(preparePictures(uncorrected, {}, failed)[0], 100, {});
    ASSERT_TRUE(plain);
    EXPECT_NE(*plain, album->pictures[2].jpeg);
}

TEST_F(TourExport, ParallelFileIsByteIdenticalToOneThread) {
    std::vector<ExportPicture> pictures;
    for (int i = 0; i < 7; ++i)
        pictures.push_back(
            ring(QStringLiteral("p%1.jpg").arg(i), i, i % 2 ? "1,-26,64" : "0,-64,26"));
    std::vector<std::string> failed;
    const auto prepared = preparePictures(pictures, {}, failed);
    TourWriteOptions options;
    options.title = "Same";
    options.height = 150;
    options.threads = 1;
    ASSERT_EQ(exportTourAlbumFile(out("one.orb"), options, prepared).status,
              TourWriteStatus::Written);
    options.threads = 4;
    ASSERT_EQ(exportTourAlbumFile(out("four.orb"), options, prepared).status,
              TourWriteStatus::Written);
    const auto one = test::readFile(m_temp.path("one.orb"));
    ASSERT_GT(one.size(), 1000u);
    EXPECT_EQ(one, test::readFile(m_temp.path("four.orb")));
    const auto album = readTourAlbumFile(out("four.orb"));
    ASSERT_TRUE(album);
    ASSERT_EQ(album->pictures.size(), 7u);
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(album->pictures[std::size_t(i)].name, "p" + std::to_string(i) + ".jpg");
}

TEST_F(TourExport, PrivateAlbumHasNoInformation) {
    ExportSettings settings;
    settings.userName = "Ann";
    settings.userPrivate = 1;
    EXPECT_FALSE(tourInfoOf(settings));
    settings.userPrivate = 0;
    ASSERT_TRUE(tourInfoOf(settings));
    EXPECT_EQ(tourInfoOf(settings)->authorName, "Ann");

    std::vector<std::string> failed;
    TourWriteOptions options;
    options.height = 50;
    ExportSettings privateSettings;
    privateSettings.userName = "Ann";
    privateSettings.userPrivate = 1;
    options.info = tourInfoOf(privateSettings);
    ASSERT_EQ(exportTourAlbumFile(out("private.orb"), options,
                                  preparePictures({ring("a.jpg", 1)}, {}, failed))
                  .status,
              TourWriteStatus::Written);
    const auto album = readTourAlbumFile(out("private.orb"));
    ASSERT_TRUE(album);
    EXPECT_FALSE(album->info);
    EXPECT_EQ(album->pictures.size(), 1u);
}

TEST_F(TourExport, UnusablePicturesAreLeftOutAndListed) {
    ExportPicture missing;
    missing.path = m_temp.path("gone.jpg").toStdString();
    missing.name = "gone";
    ExportPicture outside = ring("outside.jpg", 4);
    outside.circles = "300,120,20,100";  // reaches past the right edge
    ExportPicture garbled = ring("garbled.jpg", 5);
    garbled.circles = "not circles";
    ExportPicture undetected = ring("undetected.jpg", 6);
    undetected.circles.reset();

    std::vector<std::string> asked;
    PrepareHooks hooks;
    hooks.invalidCircles = [&](const ExportPicture& p) -> std::optional<RingCircles> {
        asked.push_back(p.name);
        if (p.name == "garbled.jpg")  // the user sets valid circles for this one
            return parseCirclesText(test::ringCircles(320, 240, 20, 100));
        return std::nullopt;
    };
    std::vector<std::string> failed;
    const auto prepared = preparePictures(
        {missing, ring("good.jpg", 7), outside, garbled, undetected}, hooks, failed);
    EXPECT_EQ(asked, (std::vector<std::string>{"outside.jpg", "garbled.jpg"}));
    EXPECT_EQ(failed, (std::vector<std::string>{"gone", "outside.jpg"}));
    ASSERT_EQ(prepared.size(), 3u);
    EXPECT_EQ(prepared[0].name, "good.jpg");
    EXPECT_EQ(prepared[1].name, "garbled.jpg");
    // Missing circles were detected on the picture itself, close to the drawn ring.
    EXPECT_EQ(prepared[2].name, "undetected.jpg");
    EXPECT_NEAR(prepared[2].circles.outer.cx, 160, 8);
    EXPECT_NEAR(prepared[2].circles.outer.radius, 100, 10);
}

TEST_F(TourExport, NothingWrittenOrCancelledLeavesNoFile) {
    PreparedPicture vanished;
    vanished.path = m_temp.path("vanished.jpg").toStdString();
    vanished.name = "vanished";
    vanished.circles = *parseCirclesText("160,120,20,100");
    TourWriteOptions options;
    options.height = 50;
    const auto none = exportTourAlbumFile(out("none.orb"), options, {vanished});
    EXPECT_EQ(none.status, TourWriteStatus::NothingWritten);
    EXPECT_EQ(none.failed, (std::vector<std::string>{"vanished"}));
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("none.orb")));
    EXPECT_EQ(exportTourAlbumFile(out("empty.orb"), options, {}).status,
              TourWriteStatus::NothingWritten);

    std::vector<std::string> failed;
    const auto prepared = preparePictures({ring("a.jpg", 1), ring("b.jpg", 2)}, {}, failed);
    WriteObserver observer;
    std::atomic<int> pictures{0};
    observer.picture = [&](const std::string&) { ++pictures; };
    observer.cancelled = [&] { return pictures.load() >= 2; };
    options.height = 600;
    options.threads = 1;
    const auto cancelled = exportTourAlbumFile(out("cancel.orb"), options, prepared, observer);
    EXPECT_EQ(cancelled.status, TourWriteStatus::Cancelled);
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("cancel.orb")));

    EXPECT_EQ(
        exportTourAlbumFile(m_temp.path("no/such/folder.orb").toStdString(), options, prepared)
            .status,
        TourWriteStatus::FileError);
}

}  // namespace
}  // namespace orbpix
