#include "tourgen/TourGenerator.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>

#include "support/TourTestSupport.h"
#include "support/WaitUntil.h"
#include "tourfmt/BlockScrambleStream.h"
#include "tourfmt/GifDecoder.h"
#include "tourfmt/GifEncoder.h"
#include "tourfmt/TourAlbum.h"
#include "tourfmt/TourContainer.h"

namespace orbpix::tourgen {
namespace {

using test::Bytes;

Bytes gifPicture(int width, int height, std::uint8_t shade) {
    GifImage image;
    image.width = width;
    image.height = height;
    image.palette = {0, 0, 0, shade, shade, shade, 255, 0, 0, 0, 0, 255};
    for (int i = 0; i < width * height; ++i)
        image.indices.push_back(std::uint8_t((i + shade) % 4));
    return encodeGif(image);
}

void writeScrambled(const std::string& path, const Bytes& plain) {
    auto file = FileStream::open(path, FileStream::Mode::Create);
    ASSERT_TRUE(file);
    auto stream = BlockScrambleStream::create(shareStream(file), kTourSkinPictureKey);
    ASSERT_TRUE(stream->write(plain));
}

// A skin folder with a shaped background, a rollover button, an "Up" button and plain
// elements; remembers each picture's plain GIF bytes.
struct SkinFolder {
    std::string ski;
    std::map<std::string, Bytes> pictures;
};

SkinFolder makeSkin(const std::string& folder) {
    SkinFolder skin;
    std::filesystem::create_directories(folder);
    const std::pair<const char*, Bytes> files[] = {
        {"back.gif", gifPicture(64, 48, 10)},    {"mask.gif", gifPicture(64, 48, 20)},
        {"next.gif", gifPicture(9, 7, 30)},      {"next-hover.gif", gifPicture(9, 7, 40)},
        {"next-down.gif", gifPicture(9, 7, 50)}, {"close.gif", gifPicture(5, 5, 60)}};
    for (const auto& [name, bytes] : files) {
        writeScrambled(folder + "/" + name, bytes);
        skin.pictures[name] = bytes;
    }
    const std::string text =
        "Test skin,\n2, 2, 0, 0, 8, 9, 40, 30,\nUpDown, back.gif, mask.gif,\n"
        "TypeSuivant,UpDownRollover,next.gif,next-hover.gif,next-down.gif,50, 40,\n"
        "TypeCancel,Up,close.gif,unused,unused,58, 1,\n"
        "TypeFrame, 1, 2,\nTypeTitleAlbum, 3, 4, 50,\n";
    skin.ski = folder + "/skin.ski";
    test::writeFile(skin.ski, Bytes(text.begin(), text.end()));
    return skin;
}

TourAlbum sampleAlbum() {
    TourAlbum album;
    album.title = "Alps";
    album.info = TourInfo{"Ann", "Hut 1\r\nPeak", "http://example.org"};
    album.pictures.push_back({"Summit", -64, 26, test::randomBytes(5000, 1)});
    album.pictures.push_back({"Valley", 0, 30, test::randomBytes(3001, 2)});
    return album;
}

struct Outcome {
    int status = 0;
    std::vector<std::string> messages;
    std::string out;
};

Outcome generate(const TourArgs& args) {
    Outcome run;
    std::ostringstream out;
    run.status = runTourgen(
        args, [&](const std::string& m) { run.messages.push_back(m); }, out);
    run.out = out.str();
    return run;
}

class TourGeneratorTest : public ::testing::Test {
protected:
    void SetUp() override {
        skin = makeSkin(folder.path("skins/Test"));
        album = folder.path("work/album.orb");
        std::filesystem::create_directories(folder.path("work"));
        ASSERT_TRUE(writeTourAlbumFile(sampleAlbum(), album));
    }
    TourArgs args(const std::string& destination) const {
        return {skin.ski, album, FAKE_VIEWER, destination, false};
    }

    test::TempFolder folder;
    SkinFolder skin;
    std::string album;
};

TEST_F(TourGeneratorTest, ATourCarriesTheViewerTheAlbumAndTheSkinByteForByte) {
    const std::string tour = folder.path("Alps tour");
    const Outcome run = generate(args(tour));
    ASSERT_EQ(run.status, 0) << (run.messages.empty() ? "" : run.messages[0]);
    EXPECT_TRUE(run.messages.empty());

    const Bytes viewer = test::readFileBytes(FAKE_VIEWER);
    const Bytes bytes = test::readFileBytes(tour);
    ASSERT_GT(bytes.size(), viewer.size());
    EXPECT_TRUE(std::equal(viewer.begin(), viewer.end(), bytes.begin()));
    struct stat status {};
    ASSERT_EQ(::stat(tour.c_str(), &status), 0);
    EXPECT_TRUE(status.st_mode & S_IXUSR);

    auto stream = FileStream::open(tour, FileStream::Mode::Read);
    std::string why;
    const auto container = readTourContainer(*stream, &why);
    ASSERT_TRUE(container) << why;
    EXPECT_EQ(container->caption, "ALBUM PHOTO");
    EXPECT_EQ(container->containerStart, viewer.size());
    EXPECT_EQ(container->fileNames, std::vector<std::string>{"album.orb"});
    const auto embedded = readEmbeddedFile(*stream, *container, 0);
    ASSERT_TRUE(embedded);
    EXPECT_EQ(*embedded, test::readFileBytes(album));

    // The embedded album reads back as written.
    const std::string copy = folder.path("album-copy.orb");
    test::writeFile(copy, *embedded);
    EXPECT_EQ(readTourAlbumFile(copy), sampleAlbum());

    // Elements in skin order with their pictures unscrambled (plus the scrambled file's
    // filler up to a multiple of four).
    ASSERT_EQ(container->elements.size(), 6u);
    const auto expectPicture = [&](const Bytes& bitmap, const std::string& name) {
        const Bytes& gif = skin.pictures.at(name);
        ASSERT_EQ(bitmap.size(), (gif.size() + 3) & ~std::size_t(3)) << name;
        EXPECT_TRUE(std::equal(gif.begin(), gif.end(), bitmap.begin())) << name;
        EXPECT_TRUE(GifDecoder([](const std::string&) {}).decode(bitmap)) << name;
    };
    const auto& elements = container->elements;
    EXPECT_EQ(elements[0].type, kTypeBackground);
    ASSERT_EQ(elements[0].bitmaps.size(), 2u);
    expectPicture(elements[0].bitmaps[0], "back.gif");
    expectPicture(elements[0].bitmaps[1], "mask.gif");
    EXPECT_EQ(elements[1].type, kTypeView);
    EXPECT_EQ(
        (std::array{elements[1].left, elements[1].top, elements[1].width, elements[1].height}),
        (std::array{8, 9, 40, 30}));
    EXPECT_TRUE(elements[1].bitmaps.empty());
    EXPECT_EQ(elements[2].type, kTypeNext);
    ASSERT_EQ(elements[2].bitmaps.size(), 3u);
    expectPicture(elements[2].bitmaps[0], "next.gif");
    expectPicture(elements[2].bitmaps[1], "next-hover.gif");
    expectPicture(elements[2].bitmaps[2], "next-down.gif");
    EXPECT_EQ(elements[3].type, kTypeCancel);
    ASSERT_EQ(elements[3].bitmaps.size(), 1u);
    expectPicture(elements[3].bitmaps[0], "close.gif");
    EXPECT_EQ(elements[4].type, kTypeFrame);
    EXPECT_EQ(elements[4].height, 139);
    EXPECT_EQ(elements[5].width, 50);
}

TEST_F(TourGeneratorTest, MissingArgumentsCopyNothing) {
    TourArgs noDestination = args("");
    Outcome run = generate(noDestination);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.messages, std::vector<std::string>{kParametersMessage});

    // The skin switch in lower case is no switch: the skin stays empty.
    const std::string tour = folder.path("tour");
    run = generate(
        parseTourArgs({"-skin", skin.ski, "-Album", album, "-Src", FAKE_VIEWER, "-Dst", tour}));
    EXPECT_EQ(run.messages, std::vector<std::string>{kParametersMessage});
    EXPECT_FALSE(std::filesystem::exists(tour));
}

TEST_F(TourGeneratorTest, EachFailureShowsItsMessagesInOrder) {
    const std::string tour = folder.path("tour");
    struct Case {
        const char* what;
        TourArgs args;
        std::vector<std::string> messages;
        std::string out;
    };
    TourArgs noViewer = args(tour);
    noViewer.sourcePath = folder.path("no-viewer");
    TourArgs noSkin = args(tour);
    noSkin.skinPath = folder.path("skins/none/skin.ski");
    TourArgs noAlbum = args(tour);
    noAlbum.albumPath = folder.path("work/none.orb");
    const Case cases[] = {
        {"no viewer", noViewer, {kCopyFailedMessage}, ""},
        {"no skin", noSkin, {kGenerationErrorMessage}, kSkinNotOpenedMessage},
        {"no album", noAlbum, {kAlbumNotFoundMessage, kGenerationErrorMessage}, ""},
    };
    // A failure leaves no file behind, and whatever stood at the destination as it was.
    const auto nothingLeft = [&](const std::string& what) {
        for (const auto& entry : std::filesystem::directory_iterator(folder.root()))
            EXPECT_EQ(entry.path().filename().string().find(".part"), std::string::npos) << what;
    };
    for (const Case& c : cases) {
        std::filesystem::remove(tour);
        const Outcome run = generate(c.args);
        EXPECT_EQ(run.status, 1) << c.what;
        EXPECT_EQ(run.messages, c.messages) << c.what;
        EXPECT_EQ(run.out, c.out) << c.what;
        EXPECT_FALSE(std::filesystem::exists(tour)) << c.what;
        nothingLeft(c.what);
    }

    ASSERT_TRUE(test::writeFile(tour, "last year's tour"));
    std::filesystem::remove(folder.path("skins/Test/next-hover.gif"));
    const Outcome run = generate(args(tour));
    EXPECT_EQ(run.messages,
              (std::vector<std::string>{kFileNotFoundMessage, kGenerationErrorMessage}));
    EXPECT_EQ(test::readFile(tour), "last year's tour");
    nothingLeft("missing picture");
}

TEST_F(TourGeneratorTest, AProgramThatCarriesATourIsNotExtended) {
    const std::string first = folder.path("first");
    ASSERT_EQ(generate(args(first)).status, 0);
    const std::string second = folder.path("second");
    TourArgs again = args(second);
    again.sourcePath = first;
    const Outcome run = generate(again);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.messages, std::vector<std::string>{kGenerationErrorMessage});
    EXPECT_FALSE(std::filesystem::exists(second));
}

TEST_F(TourGeneratorTest, SkinFoldersComeFromEitherSeparator) {
    EXPECT_EQ(folderOf("a/b/skin.ski"), "a/b");
    EXPECT_EQ(folderOf("a\\b/c\\skin.ski"), "a\\b/c");
    EXPECT_EQ(folderOf("skin.ski"), "");
    EXPECT_EQ(bareNameOf("/tmp/work/album.orb"), "album.orb");
    EXPECT_EQ(bareNameOf("C:\\work\\album.orb"), "album.orb");
    EXPECT_EQ(bareNameOf("album.orb"), "album.orb");

    // A description named without a folder finds its pictures in the current folder.
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path("skins/Test"));
    const Outcome run = generate({"skin.ski", album, FAKE_VIEWER, folder.path("tour"), false});
    std::filesystem::current_path(previous);
    EXPECT_EQ(run.status, 0);
}

TEST_F(TourGeneratorTest, RunStartsTheFinishedTour) {
    const std::string tour = folder.path("started tour");
    TourArgs withRun = args(tour);
    withRun.run = true;
    ASSERT_EQ(generate(withRun).status, 0);
    // The tour is a child of this process; it has run once it has ended.
    int status = -1;
    ASSERT_TRUE(test::waitUntil([&] { return waitpid(-1, &status, WNOHANG) > 0; },
                                std::chrono::seconds(10)));
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::filesystem::exists(tour + ".ran"));

    // A started tour would be a child of this process before generating returned.
    const std::string quiet = folder.path("quiet tour");
    ASSERT_EQ(generate(args(quiet)).status, 0);
    errno = 0;
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_FALSE(std::filesystem::exists(quiet + ".ran"));
}

TEST_F(TourGeneratorTest, TheProgramReportsOnStandardErrorAndExitStatus) {
    // Without a display the messages go to standard error alone; no box waits for a click.
    const std::string command =
        std::string("env -u DISPLAY '") + TOURGEN_PROGRAM + "' -skin x 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_TRUE(pipe);
    std::string output;
    char buffer[256];
    while (const std::size_t n = fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, n);
    const int status = pclose(pipe);
    EXPECT_EQ(output, std::string(kParametersMessage) + "\n");
    EXPECT_NE(status, 0);

    const std::string tour = folder.path("tour");
    const std::string ok = std::string("env -u DISPLAY '") + TOURGEN_PROGRAM + "' -Skin '" +
                           skin.ski + "' -Album '" + album + "' -Src '" + FAKE_VIEWER + "' -Dst '" +
                           tour + "'";
    EXPECT_EQ(std::system(ok.c_str()), 0);
    auto stream = FileStream::open(tour, FileStream::Mode::Read);
    ASSERT_TRUE(stream);
    EXPECT_TRUE(readTourContainer(*stream));
}

TEST_F(TourGeneratorTest, TheRealViewerBecomesATourThatFindsItsAlbum) {
    const std::string tour = folder.path("Alps");
    TourArgs withViewer = args(tour);
    withViewer.sourcePath = ORBTOUR_PROGRAM;
    const Outcome run = generate(withViewer);
    ASSERT_EQ(run.status, 0) << (run.messages.empty() ? "" : run.messages[0]);
    const Bytes viewer = test::readFileBytes(ORBTOUR_PROGRAM);
    const Bytes bytes = test::readFileBytes(tour);
    ASSERT_GT(bytes.size(), viewer.size());
    EXPECT_TRUE(std::equal(viewer.begin(), viewer.end(), bytes.begin()));

    // Started without a display, from another folder, the tour reads its own container and
    // gets as far as wanting a window; the plain viewer stops at having no tour.
    const auto errorsOf = [](const std::string& program) {
        const std::string command = "cd / && env -u DISPLAY '" + program + "' 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        std::string output;
        char buffer[256];
        while (pipe && fread(buffer, 1, 1, pipe) == 1)
            output += buffer[0];
        if (pipe)
            pclose(pipe);
        return output;
    };
    EXPECT_EQ(errorsOf(tour), "Alps: no display\n");
    EXPECT_EQ(errorsOf(ORBTOUR_PROGRAM), "Ressource OrbTour not found\n");
}

}  // namespace
}  // namespace orbpix::tourgen
