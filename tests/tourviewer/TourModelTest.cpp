#include "tourviewer/TourModel.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "TourViewerSupport.h"
#include "tourfmt/TourContainer.h"

namespace orbpix::tourviewer {
namespace {

using test::Bytes;
using test::makeElement;

TEST(InformationLines, SplitTheAddressIntoThreeLines) {
    const auto five = informationLines(TourInfo{"Ann", "a\r\nb\r\nc\r\nd\r\ne", "http://x.org"});
    EXPECT_EQ(five[0], "Ann");
    EXPECT_EQ(five[1], "a");
    EXPECT_EQ(five[2], "b");
    EXPECT_EQ(five[3], "c...");
    EXPECT_EQ(five[4], "http://x.org");

    const auto one = informationLines(TourInfo{"Ann", "Harbour Road 1", ""});
    EXPECT_EQ(one[1], "Harbour Road 1");
    EXPECT_EQ(one[2], "");
    EXPECT_EQ(one[3], "");

    // Exactly three lines need no "...", and a bare LF ends a line as CR LF does.
    const auto three = informationLines(TourInfo{"", "a\nb\r\nc", ""});
    EXPECT_EQ(three[1], "a");
    EXPECT_EQ(three[2], "b");
    EXPECT_EQ(three[3], "c");

    const auto none = informationLines(std::nullopt);
    for (const std::string& line : none)
        EXPECT_TRUE(line.empty());
}

TEST(InformationLines, OnlyAWebAddressLongerThanItsPrefixIsOpened) {
    EXPECT_FALSE(isHomePageLink("http://"));
    EXPECT_TRUE(isHomePageLink("HTTP://x"));
    EXPECT_TRUE(isHomePageLink("Http://example.org"));
    EXPECT_FALSE(isHomePageLink("https://"));
    EXPECT_TRUE(isHomePageLink("https://example.org"));
    EXPECT_FALSE(isHomePageLink("file:///etc/passwd"));
    EXPECT_FALSE(isHomePageLink("http:/example"));
    EXPECT_FALSE(isHomePageLink(""));
}

TEST(PictureList, SevenPicturesNeverScrollEightScrollByOneRow) {
    EXPECT_EQ(scrolledFirstRow(0, 1, 7), 0);
    EXPECT_EQ(scrolledFirstRow(0, -1, 7), 0);
    EXPECT_EQ(scrolledFirstRow(0, 1, 8), 1);
    EXPECT_EQ(scrolledFirstRow(1, 1, 8), 1);
    EXPECT_EQ(scrolledFirstRow(1, -1, 8), 0);
    EXPECT_EQ(scrolledFirstRow(0, -1, 8), 0);
    EXPECT_EQ(scrolledFirstRow(3, 1, 12), 4);
    EXPECT_EQ(scrolledFirstRow(5, 1, 12), 5);

    TourModel model;
    model.setAlbum(test::albumOf(8, 16, 8));
    EXPECT_FALSE(model.scrollList(-1));
    EXPECT_TRUE(model.scrollList(1));
    EXPECT_EQ(model.firstRow(), 1);
    EXPECT_FALSE(model.scrollList(1));
    EXPECT_EQ(model.firstRow(), 1);

    model.setAlbum(test::albumOf(7, 16, 8));
    EXPECT_FALSE(model.scrollList(1));
    EXPECT_EQ(model.firstRow(), 0);
}

TEST(PictureList, PicksTheRowUnderTheClickWithinTheList) {
    // A list whose top is 105: rows of 20 pixels from there.
    EXPECT_EQ(listPick(105, 105, 0, 10), 0);
    EXPECT_EQ(listPick(124, 105, 0, 10), 0);
    EXPECT_EQ(listPick(125, 105, 0, 10), 1);
    EXPECT_EQ(listPick(150, 105, 2, 10), 4);
    // Below the last listed name: the last picture.
    EXPECT_EQ(listPick(240, 105, 0, 3), 2);
    EXPECT_EQ(listPick(50, 105, 0, 3), 0);
    EXPECT_EQ(listPick(120, 105, 0, 0), -1);

    TourModel model;
    model.setSkin({makeElement(kTypeFrame, kStateNone, 10, 100, {}, 112, 139)});
    model.setAlbum(test::albumOf(3, 16, 8));
    EXPECT_TRUE(model.pickListRow(139));
    EXPECT_EQ(model.selected(), 1);
    EXPECT_TRUE(model.pickListRow(230));
    EXPECT_EQ(model.selected(), 2);
}

TEST(PictureList, NextAndPreviousWrapAtBothEnds) {
    TourModel model;
    model.setAlbum(test::albumOf(3, 16, 8));
    EXPECT_EQ(model.selected(), 0);
    EXPECT_TRUE(model.selectPrevious());
    EXPECT_EQ(model.selected(), 2);
    EXPECT_TRUE(model.selectNext());
    EXPECT_EQ(model.selected(), 0);
    EXPECT_TRUE(model.selectNext());
    EXPECT_TRUE(model.selectNext());
    EXPECT_EQ(model.selected(), 2);

    TourModel empty;
    empty.setAlbum(TourAlbum{});
    EXPECT_FALSE(empty.selectNext());
    EXPECT_FALSE(empty.selectPrevious());
    EXPECT_FALSE(empty.select(0));
}

// The mask's opaque pixels, from the shape's rectangles.
std::vector<bool> covered(const std::vector<xwin::Rect>& rects, int w, int h) {
    std::vector<bool> inside(std::size_t(w * h), false);
    for (const xwin::Rect& r : rects)
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                EXPECT_TRUE(x >= 0 && x < w && y >= 0 && y < h);
                if (x >= 0 && x < w && y >= 0 && y < h)
                    inside[std::size_t(y * w + x)] = true;
            }
    return inside;
}

TEST(WindowShape, FollowsTheMaskPixelForPixel) {
    // Rows of the mask: '#' inside the window, '.' the transparent colour.
    const std::vector<std::string> rows = {
        "..####..", ".######.", "########", "###..###", ".##..##.",
    };
    GifImage image;
    image.width = 8;
    image.height = int(rows.size());
    image.palette = {255, 0, 255, 0, 0, 0};
    image.transparentIndex = 0;
    for (const std::string& row : rows)
        for (char c : row)
            image.indices.push_back(c == '#' ? 1 : 0);
    const auto mask = GifDecoder([](const std::string&) {}).decode(encodeGif(image));
    ASSERT_TRUE(mask);

    const std::vector<xwin::Rect> shape = shapeFromMask(*mask);
    const std::vector<bool> inside = covered(shape, 8, image.height);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(inside[std::size_t(y * 8 + x)], rows[std::size_t(y)][std::size_t(x)] == '#')
                << x << "," << y;
    // Columns 3 and 4 share their runs, as do 1 and 6 and so on: neighbours merge.
    EXPECT_LT(shape.size(), 12u);

    // A mask without a transparent colour leaves the whole picture.
    image.transparentIndex.reset();
    const auto plain = GifDecoder([](const std::string&) {}).decode(encodeGif(image));
    ASSERT_TRUE(plain);
    EXPECT_EQ(shapeFromMask(*plain), (std::vector<xwin::Rect>{{0, 0, 8, 5}}));
}

TEST(WindowShape, UpDownBackgroundsShapeTheWindowOthersAreRectangles) {
    const Bytes back = test::flatGif(640, 480, 10, 20, 30);
    const Bytes mask = test::flatGif(640, 480, 0, 0, 0, /*transparentMiddle=*/true);
    TourModel shaped;
    shaped.setSkin({makeElement(kTypeBackground, kStateUpDown, 0, 0, {back, mask})});
    const auto shape = shaped.windowShape();
    const std::vector<bool> inside = covered(shape, 640, 480);
    EXPECT_TRUE(inside[0]);
    EXPECT_FALSE(inside[std::size_t(240 * 640 + 320)]);

    TourModel plain;
    plain.setSkin({makeElement(kTypeBackground, kStateUp, 0, 0, {back})});
    EXPECT_EQ(plain.windowShape(), (std::vector<xwin::Rect>{{0, 0, 640, 480}}));
}

const std::uint8_t* composedAt(const TourModel& model, int x, int y) {
    return &model.composed()
                .pixels[(std::size_t(y) * std::size_t(model.composed().width) + std::size_t(x)) *
                        3];
}

bool isColour(const std::uint8_t* bgr, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return bgr[0] == b && bgr[1] == g && bgr[2] == r;
}

TEST(Composition, TransparentIndexZeroLeavesTheBackgroundShowing) {
    const Bytes back = test::flatGif(64, 48, 10, 20, 30);
    // A 16 × 16 button of palette index 1 with a middle of index 0, the transparent index.
    const Bytes button = test::flatGif(16, 16, 200, 100, 50, /*transparentMiddle=*/true);
    const auto decoded = GifDecoder([](const std::string&) {}).decode(button);
    ASSERT_TRUE(decoded);
    EXPECT_TRUE(decoded->transparent);
    EXPECT_EQ(decoded->red, 255);
    EXPECT_EQ(decoded->green, 0);
    EXPECT_EQ(decoded->blue, 255);

    TourModel model;
    model.setSkin({makeElement(kTypeBackground, kStateUp, 0, 0, {back}),
                   makeElement(kTypeView, kStateNone, 0, 40, {}, 64, 8),
                   makeElement(kTypeNext, kStateUp, 20, 10, {button})});
    EXPECT_EQ(model.elements()[2].rect(), xwin::Rect::ofSize(20, 10, 16, 16));
    EXPECT_TRUE(isColour(composedAt(model, 20, 10), 200, 100, 50));
    EXPECT_TRUE(isColour(composedAt(model, 35, 25), 200, 100, 50));
    // Every pixel of index 0 shows the background.
    for (int y = 14; y < 22; ++y)
        for (int x = 24; x < 32; ++x)
            EXPECT_TRUE(isColour(composedAt(model, x, y), 10, 20, 30)) << x << "," << y;
    EXPECT_TRUE(isColour(composedAt(model, 19, 10), 10, 20, 30));
    // The pristine copy never gets a button.
    EXPECT_EQ(model.pristine().pixels, GifDecoder().decode(back)->pixels);
}

TEST(Composition, ElementsReachingOutsideTheBackgroundAreCut) {
    const Bytes back = test::flatGif(64, 48, 10, 20, 30);
    const Bytes button = test::flatGif(16, 16, 200, 100, 50);
    TourModel model;
    model.setSkin({makeElement(kTypeBackground, kStateUp, 0, 0, {back}),
                   makeElement(kTypeNext, kStateUp, 56, 40, {button}),
                   makeElement(kTypePrevious, kStateUp, -8, -8, {button}),
                   makeElement(kTypeLogo, kStateUp, 5000, -70000, {button})});
    EXPECT_TRUE(isColour(composedAt(model, 63, 47), 200, 100, 50));
    EXPECT_TRUE(isColour(composedAt(model, 55, 39), 10, 20, 30));
    EXPECT_TRUE(isColour(composedAt(model, 0, 0), 200, 100, 50));
    EXPECT_TRUE(isColour(composedAt(model, 8, 8), 10, 20, 30));
    EXPECT_TRUE(model.showElementPicture(3, 0));
    EXPECT_TRUE(model.showElementPicture(1, 0));
}

TEST(Composition, ShowingAPictureFirstRestoresTheBackground) {
    const Bytes back = test::flatGif(64, 48, 10, 20, 30);
    const Bytes normal = test::flatGif(16, 16, 200, 0, 0);
    const Bytes hover = test::flatGif(16, 16, 0, 200, 0, /*transparentMiddle=*/true);
    const Bytes pressed = test::flatGif(16, 16, 0, 0, 200);
    TourModel model;
    model.setSkin({makeElement(kTypeBackground, kStateUp, 0, 0, {back}),
                   makeElement(kTypeNext, kStateUpDownRollover, 8, 8, {normal, hover, pressed})});
    EXPECT_TRUE(isColour(composedAt(model, 16, 16), 200, 0, 0));
    ASSERT_TRUE(model.showElementPicture(1, 1));
    // The hover picture's hole shows the background, not the normal picture under it.
    EXPECT_TRUE(isColour(composedAt(model, 16, 16), 10, 20, 30));
    EXPECT_TRUE(isColour(composedAt(model, 8, 8), 0, 200, 0));
    ASSERT_TRUE(model.showElementPicture(1, 2));
    EXPECT_TRUE(isColour(composedAt(model, 16, 16), 0, 0, 200));
    EXPECT_FALSE(model.showElementPicture(1, 3));
    EXPECT_FALSE(model.showElementPicture(0 + 7, 0));
}

TEST(Composition, UndecodablePicturesLeaveAWindowToDrawIn) {
    TourModel model;
    model.setSkin({makeElement(kTypeBackground, kStateUp, 0, 0, {Bytes{1, 2, 3}}),
                   makeElement(kTypeNext, kStateUp, 8, 8, {Bytes{'G', 'I', 'F'}})},
                  GifDecoder([](const std::string&) {}));
    EXPECT_EQ(model.composed().width, kWindowWidth);
    EXPECT_EQ(model.composed().height, kWindowHeight);
    EXPECT_FALSE(model.elements()[1].hasPictures());
    EXPECT_FALSE(model.showElementPicture(1, 0));
}

// A program file of some bytes with a tour container appended, carrying the album bytes.
void writeTourOf(const std::string& path, const Bytes& albumBytes) {
    const Bytes program = test::randomBytes(3000, 5);
    std::vector<EmbeddedFile> files{
        {"album.orb", albumBytes.size(), [&](ByteStream& out) { return out.write(albumBytes); }}};
    std::vector<TourElement> elements{
        makeElement(kTypeBackground, kStateUp, 0, 0, {test::flatGif(640, 480, 1, 2, 3)}),
        makeElement(kTypeView, kStateNone, 100, 50, {}, 400, 200),
        makeElement(kTypeNext, kStateUpDown, 10, 10,
                    {test::flatGif(20, 20, 9, 9, 9), test::flatGif(20, 20, 8, 8, 8)})};
    auto plan = planTourContainer(program.size(), "ALBUM PHOTO", files, elements);
    ASSERT_TRUE(plan);
    auto stream = FileStream::open(path, FileStream::Mode::Create);
    ASSERT_TRUE(stream);
    ASSERT_TRUE(stream->write(program));
    ASSERT_TRUE(writeTourContainer(*stream, *plan, files));
}

void writeTour(const std::string& path, const TourAlbum& album) {
    const std::string albumPath = path + ".orb";
    ASSERT_TRUE(writeTourAlbumFile(album, albumPath));
    writeTourOf(path, test::readFileBytes(albumPath));
}

std::vector<std::string> folderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(Loading, ReadsSkinAndAlbumThroughAPrivateTemporaryCopy) {
    test::TempFolder folder;
    const std::string tour = folder.path("Coast");
    const TourAlbum album = test::albumOf(2);
    writeTour(tour, album);
    std::filesystem::create_directory(folder.path("tmp"));

    TourModel model;
    std::vector<std::string> messages;
    ASSERT_TRUE(
        model.load(tour, folder.path("tmp"), [&](const std::string& m) { messages.push_back(m); }));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(model.title(), "Coast");
    EXPECT_EQ(model.infoLines()[1], "Harbour Road 1");
    EXPECT_EQ(model.infoLines()[2], "Bay");
    ASSERT_EQ(model.pictureCount(), 2);
    EXPECT_EQ(model.picture(1), album.pictures[1]);
    EXPECT_EQ(model.backgroundIndex(), 0);
    EXPECT_EQ(model.viewIndex(), 1);
    EXPECT_EQ(model.viewRect(), xwin::Rect::ofSize(100, 50, 400, 200));
    EXPECT_EQ(model.elements()[2].rect(), xwin::Rect::ofSize(10, 10, 20, 20));
    // Nothing of the temporary copy stays behind.
    EXPECT_TRUE(folderEntries(folder.path("tmp")).empty());
}

TEST(Loading, AProgramWithoutATourIsNoTour) {
    test::TempFolder folder;
    const std::string plain = folder.path("OrbTour");
    test::writeFile(plain, test::randomBytes(5000, 3));
    TourModel model;
    std::vector<std::string> messages;
    const auto sink = [&](const std::string& m) { messages.push_back(m); };
    EXPECT_FALSE(model.load(plain, folder.root(), sink));
    EXPECT_TRUE(messages.empty());

    EXPECT_FALSE(model.load(folder.path("missing"), folder.root(), sink, "Lost"));
    EXPECT_EQ(messages, (std::vector<std::string>{"file not found Lost"}));
}

TEST(Loading, AnUnwritableTemporaryFolderIsReported) {
    test::TempFolder folder;
    const std::string tour = folder.path("Coast");
    writeTour(tour, test::albumOf(1));
    TourModel model;
    std::vector<std::string> messages;
    EXPECT_FALSE(model.load(tour, folder.path("no/such/folder"),
                            [&](const std::string& m) { messages.push_back(m); }));
    EXPECT_EQ(messages, (std::vector<std::string>{"file not found .orb"}));
}

TEST(Loading, ADamagedAlbumIsReportedNotShownEmpty) {
    test::TempFolder folder;
    const std::string albumPath = folder.path("album.orb");
    ASSERT_TRUE(writeTourAlbumFile(test::albumOf(2), albumPath));
    Bytes damaged = test::readFileBytes(albumPath);
    for (std::size_t i = 0; i < 16 && i < damaged.size(); ++i)
        damaged[i] ^= 0x5A;
    std::vector<std::string> messages;
    const auto sink = [&](const std::string& m) { messages.push_back(m); };
    for (const Bytes& album : {damaged, Bytes{}, test::randomBytes(4000, 9)}) {
        const std::string tour = folder.path("Coast");
        writeTourOf(tour, album);
        messages.clear();
        TourModel model;
        EXPECT_FALSE(model.load(tour, folder.root(), sink));
        EXPECT_EQ(messages, (std::vector<std::string>{kAlbumUnreadableMessage}));
    }
}

}  // namespace
}  // namespace orbpix::tourviewer
