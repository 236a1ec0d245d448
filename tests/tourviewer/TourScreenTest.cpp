// Real tours on a real (virtual) display: a tour built by Tourgen from the example rings and
// the default skin is started, looked at through screenshots and driven with synthetic input.

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <cstdio>
#include <filesystem>

#include "ScreenSupport.h"
#include "imaging/JpegWriter.h"
#include "support/TourTestSupport.h"
#include "tourviewer/TourModel.h"

namespace orbpix::tourviewer {
namespace {

using namespace std::chrono_literals;
using test::Clock;
using test::Screen;

const std::string kProgramDir = ORBPIX_PROGRAM_DIR;

int run(const std::string& command) {
    return std::system(command.c_str());
}

// Built once for all tests: panoramas unwrapped from the example rings, the album, the tour.
struct TourFiles {
    test::TempFolder folder;
    std::string tour;
    TourModel model;  // the same tour read without a window, for what the screen must show
    std::string error;

    TourFiles() {
        std::vector<std::string> jpegs;
        for (const auto& ring :
             std::filesystem::directory_iterator(ORBPIX_SOURCE_DIR "/examples")) {
            const std::string name = ring.path().stem().string();
            const std::string out = folder.path(name + ".jpg");
            const std::string reverse =
                name.find("reverse") != std::string::npos ? " --reverse" : "";
            if (run("c=$('" + kProgramDir + "/orbpix' detect '" + ring.path().string() + "') && '" +
                    kProgramDir + "/orbpix' unwrap '" + ring.path().string() + "' -o '" + out +
                    "' --circles $c --height 256" + reverse + " >/dev/null") != 0) {
                error = "unwrapping " + name + " failed";
                return;
            }
            jpegs.push_back(out);
        }
        std::sort(jpegs.begin(), jpegs.end());
        TourAlbum album;
        album.title = "Mars";
        album.info = TourInfo{"Ann Lee", "Harbour Road 1\r\nBay", "http://example.org"};
        for (const std::string& jpeg : jpegs)
            album.pictures.push_back(
                {std::filesystem::path(jpeg).stem().string(), -64, 26, test::readFileBytes(jpeg)});
        const std::string orb = folder.path("album.orb");
        if (!writeTourAlbumFile(album, orb)) {
            error = "the album cannot be written";
            return;
        }
        tour = folder.path("MarsTour");
        if (run("'" + kProgramDir + "/Export/Local/Tourgen' /Skin '" + kProgramDir +
                "/Skins/Default/skin.ski' /Album '" + orb + "' /Src '" + kProgramDir +
                "/Export/Local/OrbTour' /Dst '" + tour + "'") != 0) {
            error = "Tourgen failed";
            return;
        }
        if (!model.load(tour, folder.root(), [](const std::string&) {}))
            error = "the tour cannot be read back";
    }
};

TourFiles& tourFiles() {
    static TourFiles files;
    return files;
}

class TourScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!screen.isOpen())
            GTEST_SKIP() << "no X display (run under xvfb-run)";
        ASSERT_TRUE(tourFiles().error.empty()) << tourFiles().error;
    }

    // Starts the tour from another folder than its own and waits for its first frame.
    std::unique_ptr<test::RunningProgram> startTour() {
        auto program = std::make_unique<test::RunningProgram>(
            tourFiles().tour, tourFiles().folder.path("tour.err"),
            std::vector<std::string>{"ORBTOUR_TRACE=1"}, "/");
        EXPECT_TRUE(program->started());
        window = screen.waitForWindow("MarsTour", program->pid(), 10s);
        EXPECT_NE(window, 0u) << program->errors();
        EXPECT_TRUE(test::waitUntil([&] { return test::framesIn(program->errors()) > 0; }, 10s))
            << program->errors();
        const XWindowAttributes at = screen.geometry(window);
        left = at.x;
        top = at.y;
        EXPECT_TRUE(waitFor([&] { return test::paintedIn(program->errors(), 640, 480); }))
            << program->errors();
        return program;
    }
    const TourModel& model() const { return tourFiles().model; }
    xwin::Rect rectOf(std::int32_t type) const {
        return model().elements()[std::size_t(model().findElement(type))].rect();
    }
    Screen::Shot captureRect(const xwin::Rect& r) const {
        return screen.capture(left + r.left, top + r.top, r.width(), r.height());
    }
    // How many pixels of the shot differ from the composed skin at the same place.
    int differingFromSkin(const Screen::Shot& shot, const xwin::Rect& r) const {
        const GifPicture& skin = model().composed();
        int count = 0;
        for (int y = 0; y < r.height(); ++y)
            for (int x = 0; x < r.width(); ++x) {
                const std::uint8_t* s = shot.at(x, y);
                const std::uint8_t* k =
                    &skin.pixels[(std::size_t(r.top + y) * std::size_t(skin.width) +
                                  std::size_t(r.left + x)) *
                                 3];
                count += s[0] != k[2] || s[1] != k[1] || s[2] != k[0];
            }
        return count;
    }
    static int differing(const Screen::Shot& a, const Screen::Shot& b) {
        int count = 0;
        for (std::size_t i = 0; i + 2 < a.rgb.size() && i + 2 < b.rgb.size(); i += 3)
            count += a.rgb[i] != b.rgb[i] || a.rgb[i + 1] != b.rgb[i + 1] ||
                     a.rgb[i + 2] != b.rgb[i + 2];
        return count;
    }
    // A capture taken once the view has stopped changing: on a busy machine the last frames
    // of a movement can arrive well after the input that caused them. A traced frame is on
    // the screen; settled means no frame was traced for 100 ms, four frame periods.
    Screen::Shot settledCapture(const test::RunningProgram& tour, const xwin::Rect& r) {
        int frames = test::framesIn(tour.errors());
        auto since = Clock::now();
        waitFor([&] {
            if (const int now = test::framesIn(tour.errors()); now != frames) {
                frames = now;
                since = Clock::now();
            }
            return Clock::now() - since >= 100ms;
        });
        return captureRect(r);
    }
    template <class Condition>
    bool waitFor(Condition condition) {
        // Generous: a loaded machine can hold the tour back for seconds.
        return test::waitUntil(condition, 20s);
    }
    // Waits until the screen in r differs from the shot in more than `pixels` pixels, or
    // with pixels < 0, matches it.
    bool waitForView(const Screen::Shot& shot, const xwin::Rect& r, int pixels) {
        return waitFor([&] {
            const int count = differing(shot, captureRect(r));
            return pixels < 0 ? count == 0 : count > pixels;
        });
    }

    Screen screen;
    Window window = 0;
    int left = 0;
    int top = 0;
};

TEST_F(TourScreenTest, ShowsTheSkinTheTextsAndARenderedPanorama) {
    auto tour = startTour();
    const XWindowAttributes at = screen.geometry(window);
    EXPECT_EQ(at.width, 640);
    EXPECT_EQ(at.height, 480);
    EXPECT_EQ(at.x, screen.width() / 2 - 320);
    EXPECT_EQ(at.y, screen.height() / 2 - 240);

    // The view shows a panorama, not the skin under it, and not one flat colour.
    const xwin::Rect view = model().viewRect();
    const Screen::Shot shot = captureRect(view);
    EXPECT_GT(differingFromSkin(shot, view), view.width() * view.height() * 9 / 10);
    int lo = 255;
    int hi = 0;
    for (std::size_t i = 0; i < shot.rgb.size(); i += 3) {
        lo = std::min<int>(lo, shot.rgb[i]);
        hi = std::max<int>(hi, shot.rgb[i]);
    }
    EXPECT_GT(hi - lo, 60);

    // The title bar's buttons are the skin's own pixels.
    const xwin::Rect cancel = rectOf(kTypeCancel);
    EXPECT_EQ(differingFromSkin(captureRect(cancel), cancel), 0);
    // The album title and the list are written over the skin in white.
    for (std::int32_t type : {kTypeAlbumTitle, kTypeFrame, kTypeInfo, kTypePictureName}) {
        const xwin::Rect r = rectOf(type);
        const Screen::Shot texts = captureRect(r);
        int white = 0;
        for (std::size_t i = 0; i < texts.rgb.size(); i += 3)
            white += texts.rgb[i] == 255 && texts.rgb[i + 1] == 255 && texts.rgb[i + 2] == 255;
        EXPECT_GT(white, 20) << "type " << type;
    }

    // The evidence: the tour as it first appears.
    const Screen::Shot whole = screen.capture(left, top, 640, 480);
    PixelImage image;
    ASSERT_TRUE(image.allocate(640, 480));
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            std::uint8_t* p = image.pixel(x, y);
            p[0] = whole.at(x, y)[2];
            p[1] = whole.at(x, y)[1];
            p[2] = whole.at(x, y)[0];
        }
    auto out = FileStream::open(ORBPIX_BINARY_DIR "/tests/orbtour-screenshot.jpg",
                                FileStream::Mode::Create);
    ASSERT_TRUE(out);
    EXPECT_TRUE(encodeJpeg(image, *out, 80));
}

TEST_F(TourScreenTest, TheWindowTakesTheShapeOfTheMask) {
    auto tour = startTour();
    int count = 0;
    int ordering = 0;
    XRectangle* rects =
        XShapeGetRectangles(screen.display(), window, ShapeBounding, &count, &ordering);
    ASSERT_NE(rects, nullptr);
    std::vector<bool> shaped(640 * 480, false);
    for (int i = 0; i < count; ++i)
        for (int y = rects[i].y; y < rects[i].y + rects[i].height; ++y)
            for (int x = rects[i].x; x < rects[i].x + rects[i].width; ++x)
                if (x >= 0 && x < 640 && y >= 0 && y < 480)
                    shaped[std::size_t(y * 640 + x)] = true;
    XFree(rects);
    std::vector<bool> expected(640 * 480, false);
    for (const xwin::Rect& r : model().windowShape())
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                expected[std::size_t(y * 640 + x)] = true;
    EXPECT_EQ(shaped, expected);
    // The rounded corner is cut away: the screen behind shows there.
    EXPECT_FALSE(expected[0]);
    EXPECT_TRUE(expected[std::size_t(240 * 640 + 320)]);
    const Screen::Shot corner = screen.capture(left, top, 2, 2);
    const Screen::Shot inside = screen.capture(left + 320, top + 5, 1, 1);
    const GifPicture& skin = model().composed();
    const std::uint8_t* k = &skin.pixels[(5 * 640 + 320) * 3];
    EXPECT_EQ(inside.at(0, 0)[0], k[2]);
    EXPECT_NE(differingFromSkin(corner, xwin::Rect::ofSize(0, 0, 2, 2)), 0);
}

TEST_F(TourScreenTest, KeysAndButtonsStepThroughThePictures) {
    auto tour = startTour();
    const xwin::Rect view = model().viewRect();
    const xwin::Rect name = rectOf(kTypePictureName);
    const Screen::Shot firstView = settledCapture(*tour, view);
    const Screen::Shot firstName = captureRect(name);

    screen.moveTo(left + view.left + 20, top + view.top + 20);
    int frames = test::framesIn(tour->errors());
    screen.key(XK_space);
    ASSERT_TRUE(waitFor([&] { return test::framesIn(tour->errors()) > frames; }));
    const int quarter = view.width() * view.height() / 4;
    EXPECT_TRUE(waitForView(firstView, view, quarter));
    EXPECT_TRUE(waitForView(firstName, name, 20));
    const Screen::Shot secondView = settledCapture(*tour, view);

    // Previous goes back to the first picture: the same view as at the start.
    const xwin::Rect previous = rectOf(kTypePrevious);
    frames = test::framesIn(tour->errors());
    screen.click(left + previous.left + previous.width() / 2,
                 top + previous.top + previous.height() / 2);
    ASSERT_TRUE(waitFor([&] { return test::framesIn(tour->errors()) > frames; }));
    EXPECT_TRUE(waitForView(firstView, view, -1));
    EXPECT_TRUE(waitForView(firstName, name, -1));

    // Picking the third name in the list shows the third picture.
    const xwin::Rect list = rectOf(kTypeFrame);
    frames = test::framesIn(tour->errors());
    screen.click(left + list.left + 10, top + list.top + 2 * kListRowHeight + 5);
    ASSERT_TRUE(waitFor([&] { return test::framesIn(tour->errors()) > frames; }));
    EXPECT_TRUE(waitFor([&] {
        const Screen::Shot third = captureRect(view);
        return differing(firstView, third) > quarter && differing(secondView, third) > quarter;
    }));
}

TEST_F(TourScreenTest, DraggingAndZoomingChangeTheView) {
    auto tour = startTour();
    const xwin::Rect view = model().viewRect();
    const Screen::Shot before = captureRect(view);
    // Held right of the centre, the view keeps turning.
    screen.moveTo(left + view.left + view.width() / 2, top + view.top + view.height() / 2);
    screen.button(true);
    screen.moveTo(left + view.right - 10, top + view.top + view.height() / 2);
    const int frames = test::framesIn(tour->errors());
    ASSERT_TRUE(waitFor([&] { return test::framesIn(tour->errors()) > frames + 5; }));
    screen.button(false);
    const int quarter = view.width() * view.height() / 4;
    EXPECT_TRUE(waitForView(before, view, quarter));
    const Screen::Shot turned = settledCapture(*tour, view);

    // Holding the zoom-in button magnifies the view.
    const xwin::Rect zoom = rectOf(kTypeZoomIn);
    screen.moveTo(left + zoom.left + zoom.width() / 2, top + zoom.top + zoom.height() / 2);
    const int framesBeforeZoom = test::framesIn(tour->errors());
    screen.button(true);
    ASSERT_TRUE(waitFor([&] { return test::framesIn(tour->errors()) > framesBeforeZoom + 5; }));
    screen.button(false);
    EXPECT_TRUE(waitForView(turned, view, quarter));
}

TEST_F(TourScreenTest, MaximiseCoversTheScreenAndEscapeComesBack) {
    auto tour = startTour();
    const xwin::Rect maximise = rectOf(kTypeMaximise);
    // Counted before the click: the frame at the new size may come before the new geometry
    // is seen here.
    const int frames = test::framesIn(tour->errors());
    screen.click(left + maximise.left + maximise.width() / 2,
                 top + maximise.top + maximise.height() / 2);
    ASSERT_TRUE(waitFor([&] { return screen.geometry(window).width == screen.width(); }));
    ASSERT_TRUE(waitFor([&] { return test::framesIn(tour->errors()) > frames; }));
    // The view reaches the screen's far corner; no skin is painted.
    const auto darkInCorner = [&] {
        const Screen::Shot corner =
            screen.capture(screen.width() - 40, screen.height() - 40, 40, 40);
        int dark = 0;
        for (std::size_t i = 0; i < corner.rgb.size(); i += 3)
            dark += corner.rgb[i] < 8 && corner.rgb[i + 1] < 8 && corner.rgb[i + 2] < 8;
        return dark;
    };
    EXPECT_TRUE(waitFor([&] { return darkInCorner() < 40 * 40 / 2; })) << darkInCorner();

    screen.key(XK_Escape);
    ASSERT_TRUE(waitFor([&] { return screen.geometry(window).width == 640; }));
    // The skin comes back, its title bar's buttons pixel for pixel.
    const xwin::Rect cancel = rectOf(kTypeCancel);
    EXPECT_TRUE(waitFor([&] {
        const XWindowAttributes at = screen.geometry(window);
        left = at.x;
        top = at.y;
        return differingFromSkin(captureRect(cancel), cancel) == 0;
    }));
}

TEST_F(TourScreenTest, TheCloseButtonEndsTheTour) {
    auto tour = startTour();
    const xwin::Rect cancel = rectOf(kTypeCancel);
    screen.click(left + cancel.left + cancel.width() / 2, top + cancel.top + cancel.height() / 2);
    EXPECT_EQ(tour->waitForExit(5s), std::optional<int>(0));
}

TEST_F(TourScreenTest, ThePlainViewerSaysItCarriesNoTour) {
    test::RunningProgram plain(kProgramDir + "/Export/Local/OrbTour",
                               tourFiles().folder.path("plain.err"), {}, "/");
    const Window box = screen.waitForWindow("OrbTour", plain.pid(), 10s);
    ASSERT_NE(box, 0u);
    EXPECT_NE(plain.errors().find("Ressource OrbTour not found"), std::string::npos);
    const XWindowAttributes at = screen.geometry(box);
    screen.moveTo(at.x + at.width / 2, at.y + at.height / 2);
    screen.key(XK_Return);
    EXPECT_EQ(plain.waitForExit(5s), std::optional<int>(1));
}

TEST_F(TourScreenTest, TourgenShowsItsMessagesInABoxToo) {
    test::RunningProgram tourgen(kProgramDir + "/Export/Local/Tourgen",
                                 tourFiles().folder.path("tourgen.err"));
    const Window box = screen.waitForWindow("Tourgen", tourgen.pid(), 10s);
    ASSERT_NE(box, 0u);
    EXPECT_EQ(tourgen.errors(),
              "Parameters: /Skin skinfile /Album albumfile /Src srcfile /Dst dstfile\n");
    // The box waits for its OK button: the program is still there while its box shows.
    EXPECT_EQ(tourgen.waitForExit(0ms), std::nullopt);
    const XWindowAttributes at = screen.geometry(box);
    // OK sits in the middle of the bottom, above a 20-pixel margin.
    screen.click(at.x + at.width / 2, at.y + at.height - 20 - 13);
    EXPECT_EQ(tourgen.waitForExit(5s), std::optional<int>(1));
}

TEST(PlainViewer, WithoutADisplayTheMessageGoesToStandardError) {
    test::TempFolder folder;
    test::RunningProgram plain(kProgramDir + "/Export/Local/OrbTour", folder.path("err"),
                               {"DISPLAY="});
    ASSERT_EQ(plain.waitForExit(5s), std::optional<int>(1));
    EXPECT_EQ(plain.errors(), "Ressource OrbTour not found\n");
}

}  // namespace
}  // namespace orbpix::tourviewer
