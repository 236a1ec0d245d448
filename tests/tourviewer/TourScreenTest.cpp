// Real tours on a real (virtual) display: a tour built by Tourgen from the example rings and
// the default skin is started, looked at through screenshots and driven with synthetic input.

#include <gtest/gtest.h>

#include <X11/keysym.h>

#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "ScreenSupport.h"
#include "imaging/JpegWriter.h"
#include "support/TourTestSupport.h"
#include "tourviewer/TourModel.h"
#include "tourviewer/TourPainter.h"
#include "xwin/MessageWindow.h"

namespace orbpix::tourviewer {
namespace {

using namespace std::chrono_literals;
using test::Clock;
using test::Screen;

const std::string kProgramDir = ORBPIX_PROGRAM_DIR;

int run(const std::string& command) {
    return std::system(command.c_str());
}

const std::string kTourgen = kProgramDir + "/Export/Local/Tourgen";

std::vector<std::string> tourgenArgs(const std::string& album, const std::string& destination) {
    return {"/Skin", kProgramDir + "/Skins/Default/skin.ski", "/Album", album,
            "/Src",  kProgramDir + "/Export/Local/OrbTour",   "/Dst",   destination};
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

    // Closes the message box on show with Return, the pointer over it.
    void dismiss(Window box) const {
        const XWindowAttributes at = screen.geometry(box);
        screen.moveTo(at.x + at.width / 2, at.y + at.height / 2);
        screen.key(XK_Return);
    }
    // Where the window is now and how big.
    std::pair<int, int> positionOf(Window w) const {
        const XWindowAttributes at = screen.geometry(w);
        return {at.x, at.y};
    }
    void clickOn(std::int32_t type) {
        const xwin::Rect r = rectOf(type);
        screen.click(left + r.left + r.width() / 2, top + r.top + r.height() / 2);
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

TEST_F(TourScreenTest, RestoringPutsTheWindowBackWhereTheUserLeftIt) {
    auto tour = startTour();
    // Dragged by its bar 100 pixels left and 60 up.
    const xwin::Rect bar = rectOf(kTypeBar);
    const int grabX = left + bar.left + bar.width() / 2;
    const int grabY = top + bar.top + bar.height() / 2;
    screen.moveTo(grabX, grabY);
    screen.button(true);
    screen.moveTo(grabX - 100, grabY - 60);
    const std::pair<int, int> moved{left - 100, top - 60};
    ASSERT_TRUE(waitFor([&] { return positionOf(window) == moved; }));
    screen.button(false);
    left = moved.first;
    top = moved.second;

    clickOn(kTypeMaximise);
    ASSERT_TRUE(waitFor([&] { return screen.geometry(window).width == screen.width(); }));
    screen.key(XK_Escape);
    ASSERT_TRUE(waitFor([&] { return screen.geometry(window).width == 640; }));
    EXPECT_EQ(positionOf(window), moved);

    // Minimised and given back the way a window manager does it: asked by a message to the
    // screen's root, then unmapped and mapped again.
    XSelectInput(screen.display(), DefaultRootWindow(screen.display()), SubstructureNotifyMask);
    XSync(screen.display(), False);
    clickOn(kTypeMinimise);
    const Atom changeState = XInternAtom(screen.display(), "WM_CHANGE_STATE", False);
    ASSERT_TRUE(waitFor([&] {
        XEvent event;
        while (XCheckTypedEvent(screen.display(), ClientMessage, &event))
            if (event.xclient.message_type == changeState && event.xclient.window == window)
                return true;
        return false;
    }));
    const auto fullPaints = [&] {
        int count = 0;
        std::istringstream lines(tour->errors());
        for (std::string line; std::getline(lines, line);)
            count += line == "orbtour: paint 0 0 640 480";
        return count;
    };
    const int paints = fullPaints();
    XUnmapWindow(screen.display(), window);
    XMapWindow(screen.display(), window);
    XSync(screen.display(), False);
    // Painted again once mapped, by then in its place.
    ASSERT_TRUE(waitFor([&] { return fullPaints() > paints; })) << tour->errors();
    EXPECT_EQ(positionOf(window), moved);
}

TEST_F(TourScreenTest, TheWindowCarriesTheLogoAsItsIcon) {
    auto tour = startTour();
    const auto& logo = model().elements()[std::size_t(model().findElement(kTypeLogo))];
    ASSERT_TRUE(logo.hasPictures());
    const GifPicture& picture = logo.pictures[0];
    const std::vector<long> icon = screen.cardinals(window, "_NET_WM_ICON");
    ASSERT_EQ(icon.size(), 2 + std::size_t(picture.width) * std::size_t(picture.height));
    EXPECT_EQ(icon[0], picture.width);
    EXPECT_EQ(icon[1], picture.height);
    // Pixel for pixel the picture, its transparent colour see-through.
    int clear = 0;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const std::size_t at = std::size_t(y) * std::size_t(picture.width) + std::size_t(x);
            const std::uint8_t* p = &picture.pixels[at * 3];
            const auto argb = std::uint32_t(icon[2 + at]);
            const bool seeThrough = picture.transparent && p[0] == picture.blue &&
                                    p[1] == picture.green && p[2] == picture.red;
            ASSERT_EQ(argb & 0xFFFFFF, std::uint32_t(p[2] << 16 | p[1] << 8 | p[0]));
            ASSERT_EQ(argb >> 24, seeThrough ? 0u : 255u);
            clear += seeThrough;
        }
    EXPECT_LT(clear, picture.width * picture.height);
}

TEST_F(TourScreenTest, TourgenShowsItsBusyBoxWhileItWorks) {
    // The album is a pipe: the work waits on it until the other end is opened here.
    const std::string album = tourFiles().folder.path("busy.orb");
    std::filesystem::remove(album);
    ASSERT_EQ(mkfifo(album.c_str(), 0600), 0);
    test::RunningProgram tourgen(kTourgen, tourFiles().folder.path("busy.err"), {}, {},
                                 tourgenArgs(album, tourFiles().folder.path("BusyTour")));
    const Window busy = screen.waitForWindow("Tourgen", tourgen.pid(), 10s);
    ASSERT_NE(busy, 0u);
    const XWindowAttributes at = screen.geometry(busy);
    std::vector<std::uint8_t> pixels(std::size_t(at.width) * std::size_t(at.height) * 4);
    const xwin::ImageView face{pixels.data(), at.width, at.height, std::size_t(at.width) * 4};
    xwin::drawMessageBox(face, {"Ressource create"}, false);
    EXPECT_TRUE(waitFor([&] {
        const Screen::Shot shot = screen.capture(at.x, at.y, at.width, at.height);
        for (int y = 0; y < at.height; ++y)
            for (int x = 0; x < at.width; ++x)
                for (int c = 0; c < 3; ++c)
                    if (shot.at(x, y)[c] != face.pixel(x, y)[2 - c])
                        return false;
        return true;
    }));
    EXPECT_EQ(tourgen.waitForExit(0ms), std::nullopt);

    // An album that ends at once cannot be measured: the message takes the busy box's place.
    const int end = ::open(album.c_str(), O_WRONLY);
    ASSERT_GE(end, 0);
    ::close(end);
    Window message = 0;
    ASSERT_TRUE(waitFor([&] {
        message = screen.findWindow("Tourgen", tourgen.pid());
        return message != 0 && message != busy;
    }));
    EXPECT_FALSE(screen.isViewable(busy));
    EXPECT_EQ(tourgen.errors(), "file orb not found\n");
    dismiss(message);
    ASSERT_TRUE(waitFor([&] {
        return tourgen.errors() == "file orb not found\nError in Generation \n" &&
               screen.findWindow("Tourgen", tourgen.pid()) != 0;
    }));
    dismiss(screen.findWindow("Tourgen", tourgen.pid()));
    EXPECT_EQ(tourgen.waitForExit(10s), std::optional<int>(1));
}

TEST_F(TourScreenTest, TourgenWorksOnWhileItsBoxCannotShow) {
    // With the display held, the box cannot be made, let alone drawn; the tour is made all
    // the same, and the program ends by itself once the display is free.
    const std::string tour = tourFiles().folder.path("HeldTour");
    struct Held {
        Display* display;
        explicit Held(Display* d) : display(d) {
            XGrabServer(display);
            XSync(display, False);
        }
        ~Held() { release(); }
        void release() {
            if (!display)
                return;
            XUngrabServer(display);
            XSync(display, False);
            display = nullptr;
        }
    } held(screen.display());
    test::RunningProgram tourgen(kTourgen, tourFiles().folder.path("held.err"), {}, {},
                                 tourgenArgs(tourFiles().folder.path("album.orb"), tour));
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(tour); }));
    held.release();
    EXPECT_EQ(tourgen.waitForExit(20s), std::optional<int>(0)) << tourgen.errors();
    EXPECT_EQ(screen.findWindow("Tourgen", tourgen.pid()), 0u);
}

TEST_F(TourScreenTest, ATourWithADamagedAlbumSaysSo) {
    const std::string album = tourFiles().folder.path("damaged.orb");
    test::Bytes bytes = test::readFileBytes(tourFiles().folder.path("album.orb"));
    for (std::size_t i = 0; i < 16 && i < bytes.size(); ++i)
        bytes[i] ^= 0x5A;
    test::writeFile(album, bytes);
    const std::string tour = tourFiles().folder.path("DamagedTour");
    std::vector<std::string> args = tourgenArgs(album, tour);
    args.push_back("-Console");
    test::RunningProgram tourgen(kTourgen, tourFiles().folder.path("damaged-gen.err"), {}, {},
                                 args);
    ASSERT_EQ(tourgen.waitForExit(20s), std::optional<int>(0)) << tourgen.errors();

    test::RunningProgram viewer(tour, tourFiles().folder.path("damaged.err"), {}, "/");
    const Window box = screen.waitForWindow("DamagedTour", viewer.pid(), 10s);
    ASSERT_NE(box, 0u);
    EXPECT_EQ(viewer.errors(), std::string(kAlbumUnreadableMessage) + "\n");
    // A message box, not the tour's window.
    EXPECT_NE(screen.geometry(box).width, 640);
    dismiss(box);
    ASSERT_TRUE(waitFor([&] {
        return viewer.errors() ==
                   std::string(kAlbumUnreadableMessage) + "\n" + kNoTourMessage + "\n" &&
               screen.findWindow("DamagedTour", viewer.pid()) != 0;
    }));
    dismiss(screen.findWindow("DamagedTour", viewer.pid()));
    EXPECT_EQ(viewer.waitForExit(10s), std::optional<int>(1));
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
