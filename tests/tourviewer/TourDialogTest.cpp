#include "tourviewer/TourDialog.h"

#include <gtest/gtest.h>

#include <cstring>

#include <vector>

#include "TourViewerSupport.h"

namespace orbpix::tourviewer {
namespace {

using test::Bytes;
using test::makeElement;

struct FakeHost final : DialogHost, ViewControlHost {
    // DialogHost
    void invalidate(const xwin::Rect& area) override { invalidated.push_back(area); }
    void startZoomTimer() override { zoomTimer = true; }
    void stopZoomTimer() override { zoomTimer = false; }
    void openLink(const std::string& address) override { links.push_back(address); }
    void endDialog() override { ended = true; }
    void maximise() override { ++maximised; }
    void minimise() override { ++minimised; }
    void beginWindowMove() override { ++moves; }
    void showMessage(const std::string& message) override { messages.push_back(message); }
    void setWaitCursor(bool on) override { waitCursor += on ? 1 : 0; }
    // ViewControlHost
    int startTimer(int id, int) override { return id; }
    void killTimer(int) override {}
    void captureMouse() override {}
    void releaseMouse() override {}
    void takeFocus() override {}
    void invalidateAndUpdate() override {}

    std::vector<xwin::Rect> invalidated;
    std::vector<std::string> links;
    std::vector<std::string> messages;
    bool zoomTimer = false;
    bool ended = false;
    int maximised = 0;
    int minimised = 0;
    int moves = 0;
    int waitCursor = 0;
};

// Element indexes of the test skin.
enum : int {
    kBackground = 0,
    kView,
    kBar,
    kNext,
    kPrevious,
    kZoomIn,
    kZoomOut,
    kScrollUp,
    kScrollDown,
    kLogo,
    kCancel,
    kMaximise,
    kFrame,
    kInfo,
    kTitle,
};

std::vector<TourElement> testSkin(bool withBar) {
    const auto button = [](int shade) { return test::flatGif(20, 20, std::uint8_t(shade), 0, 0); };
    std::vector<TourElement> skin{
        makeElement(kTypeBackground, kStateUp, 0, 0, {test::flatGif(640, 480, 5, 5, 5)}),
        makeElement(kTypeView, kStateNone, 200, 60, {}, 400, 200),
        withBar ? makeElement(kTypeBar, kStateUp, 200, 0, {test::flatGif(200, 20, 1, 1, 1)})
                : makeElement(kTypeUnknown, kStateNone, 0, 0),
        makeElement(kTypeNext, kStateUpDownRollover, 10, 10, {button(10), button(11), button(12)}),
        makeElement(kTypePrevious, kStateUpDown, 40, 10, {button(20), button(21)}),
        makeElement(kTypeZoomIn, kStateUpDown, 70, 10, {button(30), button(31)}),
        makeElement(kTypeZoomOut, kStateUpDown, 100, 10, {button(40), button(41)}),
        makeElement(kTypeScrollUp, kStateUp, 10, 280, {button(50)}),
        makeElement(kTypeScrollDown, kStateUpRollover, 10, 460, {button(60), button(61)}),
        makeElement(kTypeLogo, kStateUp, 560, 450, {button(70)}),
        makeElement(kTypeCancel, kStateUpDown, 610, 10, {button(80), button(81)}),
        makeElement(kTypeMaximise, kStateUpDown, 580, 10, {button(90), button(91)}),
        makeElement(kTypeFrame, kStateNone, 10, 310, {}, 112, 139),
        makeElement(kTypeInfo, kStateNone, 200, 300, {}, 160, 60),
        makeElement(kTypeAlbumTitle, kStateNone, 200, 270, {}, 300, 20),
    };
    return skin;
}

class TourDialogTest : public ::testing::Test {
protected:
    void build(int pictures, bool withBar = true) {
        model.setSkin(testSkin(withBar));
        model.setAlbum(test::albumOf(pictures));
        view.attached(nullptr, 400, 200);
        dialog.showSelectedPicture();
    }
    // The red of the element's top-left pixel on the composed background: which picture
    // it shows.
    int shade(int element) const {
        const auto& r = model.elements()[std::size_t(element)].record;
        return model.composed().pixels[(std::size_t(r.top) * 640 + std::size_t(r.left)) * 3 + 2];
    }
    void click(int element) {
        const auto& r = model.elements()[std::size_t(element)].record;
        dialog.mouseMove(r.left + 2, r.top + 2);
        dialog.buttonDown(r.left + 2, r.top + 2);
        dialog.buttonUp(r.left + 2, r.top + 2);
    }

    FakeHost host;
    TourModel model;
    PanoramaViewControl view{host};
    TourDialog dialog{model, view, host};
};

TEST_F(TourDialogTest, StartsWithTheFirstPictureInTheView) {
    build(3);
    EXPECT_EQ(model.displayed(), 0);
    EXPECT_TRUE(view.hasPicture());
    EXPECT_EQ(model.displayedPixels().width(), 64);
    EXPECT_EQ(host.waitCursor, 1);
    // The album's angles −64 and 26 bound the view.
    EXPECT_EQ(view.renderer().topLimit(), 26);
    EXPECT_EQ(view.renderer().bottomLimit(), -64);
}

TEST_F(TourDialogTest, NextAndPreviousWrapAndShowThePicture) {
    build(3);
    // The next picture is decoded while the first is looked at, once it is on screen; going
    // back instead drops it.
    EXPECT_EQ(dialog.decodingAhead(), -1);
    dialog.frameShown();
    EXPECT_EQ(dialog.decodingAhead(), 1);
    click(kPrevious);
    EXPECT_EQ(model.selected(), 2);
    EXPECT_EQ(model.displayed(), 2);
    dialog.frameShown();
    EXPECT_EQ(dialog.decodingAhead(), 0);
    click(kNext);
    EXPECT_EQ(model.displayed(), 0);
    PixelImage direct;
    ASSERT_EQ(decodeJpeg(model.picture(0).jpeg, direct), JpegResult::Ok);
    ASSERT_EQ(model.displayedPixels().byteCount(), direct.byteCount());
    EXPECT_EQ(std::memcmp(model.displayedPixels().bits(), direct.bits(), direct.byteCount()), 0);
    click(kNext);
    EXPECT_EQ(model.displayed(), 1);
    EXPECT_TRUE(dialog.keyDown(xwin::Key::Space));
    EXPECT_TRUE(dialog.keyDown(xwin::Key::Enter));
    EXPECT_EQ(model.displayed(), 0);
    EXPECT_FALSE(dialog.keyDown(xwin::Key::Other));
    EXPECT_EQ(model.displayed(), 0);
}

TEST_F(TourDialogTest, ButtonsLightUpSinkAndComeBack) {
    build(3);
    EXPECT_EQ(shade(kNext), 10);
    dialog.mouseMove(15, 15);
    EXPECT_EQ(dialog.hoverElement(), kNext);
    EXPECT_EQ(shade(kNext), 11);  // hover
    dialog.buttonDown(15, 15);
    EXPECT_EQ(shade(kNext), 12);  // pressed
    dialog.buttonUp(15, 15);
    EXPECT_EQ(shade(kNext), 11);  // back to the hover picture
    dialog.mouseMove(300, 400);
    EXPECT_EQ(shade(kNext), 10);
    EXPECT_EQ(dialog.hoverElement(), -1);

    // "UpDown" has no hover picture: it sinks while pressed only.
    dialog.mouseMove(45, 15);
    EXPECT_EQ(shade(kPrevious), 20);
    dialog.buttonDown(45, 15);
    EXPECT_EQ(shade(kPrevious), 21);
    dialog.buttonUp(45, 15);
    EXPECT_EQ(shade(kPrevious), 20);
}

TEST_F(TourDialogTest, AButtonActsOnlyWhenReleasedWhereItWasPressed) {
    build(3);
    dialog.mouseMove(15, 15);
    dialog.buttonDown(15, 15);
    dialog.mouseMove(300, 400);
    EXPECT_EQ(shade(kNext), 10);
    dialog.buttonUp(300, 400);
    EXPECT_EQ(model.displayed(), 0);
    // Pressed on the background, released on the button: nothing either.
    dialog.mouseMove(300, 400);
    dialog.buttonDown(300, 400);
    dialog.mouseMove(15, 15);
    dialog.buttonUp(15, 15);
    EXPECT_EQ(model.displayed(), 0);
}

TEST_F(TourDialogTest, TheListScrollsOnlyWithMoreThanSevenPictures) {
    build(7);
    click(kScrollDown);
    EXPECT_EQ(model.firstRow(), 0);
    build(8);
    click(kScrollDown);
    EXPECT_EQ(model.firstRow(), 1);
    click(kScrollDown);
    EXPECT_EQ(model.firstRow(), 1);
    click(kScrollUp);
    EXPECT_EQ(model.firstRow(), 0);
}

TEST_F(TourDialogTest, ClickingTheListShowsThePictureUnderThePointer) {
    build(8);
    click(kScrollDown);
    // Row 2 of the list (y 350…369) with the list scrolled by one: picture 3.
    dialog.mouseMove(20, 355);
    dialog.buttonDown(20, 355);
    dialog.buttonUp(20, 355);
    EXPECT_EQ(model.displayed(), 3);
    // Below the last row: the last picture.
    dialog.mouseMove(20, 448);
    dialog.buttonDown(20, 448);
    EXPECT_EQ(model.displayed(), 7);
}

TEST_F(TourDialogTest, HeldZoomButtonsZoomFasterAndStopWhenLeft) {
    build(3);
    const int focal = view.focal();
    dialog.mouseMove(75, 15);
    dialog.buttonDown(75, 15);
    EXPECT_TRUE(host.zoomTimer);
    EXPECT_EQ(dialog.zoomDirection(), 1);
    dialog.zoomTick();
    dialog.zoomTick();
    dialog.zoomTick();
    EXPECT_EQ(view.focal(), focal + 1 + 2 + 3);
    dialog.buttonUp(75, 15);
    EXPECT_FALSE(host.zoomTimer);
    dialog.zoomTick();
    EXPECT_EQ(view.focal(), focal + 6);

    // Zooming out restarts slowly; leaving the button stops it.
    dialog.mouseMove(105, 15);
    dialog.buttonDown(105, 15);
    dialog.zoomTick();
    EXPECT_EQ(view.focal(), focal + 5);
    dialog.mouseMove(75, 15);  // onto the other zoom button: keeps going
    EXPECT_TRUE(host.zoomTimer);
    dialog.mouseMove(300, 400);
    EXPECT_FALSE(host.zoomTimer);
}

TEST_F(TourDialogTest, OnlyTheBarMovesTheWindowWhenThereIsOne) {
    build(3, /*withBar=*/true);
    dialog.mouseMove(300, 400);
    dialog.buttonDown(300, 400);
    dialog.buttonUp(300, 400);
    EXPECT_EQ(host.moves, 0);
    dialog.mouseMove(250, 5);
    dialog.buttonDown(250, 5);
    EXPECT_EQ(host.moves, 1);
}

TEST_F(TourDialogTest, WithoutABarTheBackgroundAndInfoMoveTheWindow) {
    build(3, /*withBar=*/false);
    dialog.mouseMove(300, 450);
    dialog.buttonDown(300, 450);
    dialog.buttonUp(300, 450);
    EXPECT_EQ(host.moves, 1);
    dialog.mouseMove(210, 310);
    EXPECT_EQ(dialog.hoverType(), kTypeInfo);
    dialog.buttonDown(210, 310);
    EXPECT_EQ(host.moves, 2);
}

TEST_F(TourDialogTest, InfoOpensTheHomePageAndTheLogoTheVendor) {
    build(3);
    dialog.mouseMove(210, 310);
    dialog.buttonDown(210, 310);
    dialog.buttonUp(210, 310);
    click(kLogo);
    EXPECT_EQ(host.links, (std::vector<std::string>{"http://example.org", kVendorHomePage}));

    TourAlbum bare = test::albumOf(1);
    bare.info->authorHomePage = "http://";
    model.setAlbum(bare);
    host.links.clear();
    dialog.mouseMove(210, 310);
    dialog.buttonDown(210, 310);
    dialog.buttonUp(210, 310);
    EXPECT_TRUE(host.links.empty());
}

TEST_F(TourDialogTest, CancelEndsAndMaximiseMaximises) {
    build(3);
    click(kMaximise);
    EXPECT_EQ(host.maximised, 1);
    EXPECT_FALSE(host.ended);
    click(kCancel);
    EXPECT_TRUE(host.ended);
}

TEST_F(TourDialogTest, AnUndecodablePictureLeavesTheViewEmpty) {
    TourAlbum album = test::albumOf(2);
    album.pictures[1].jpeg = test::randomBytes(300, 4);
    model.setSkin(testSkin(true));
    model.setAlbum(album);
    view.attached(nullptr, 400, 200);
    dialog.showSelectedPicture();
    EXPECT_TRUE(view.hasPicture());
    click(kNext);
    EXPECT_EQ(model.displayed(), 1);
    EXPECT_FALSE(view.hasPicture());
    EXPECT_TRUE(model.displayedPixels().isEmpty());
    EXPECT_TRUE(host.messages.empty());
    click(kNext);
    EXPECT_TRUE(view.hasPicture());
}

TEST_F(TourDialogTest, PicturesWithoutTheirAnglesGetTheUsualLimits) {
    TourAlbum album = test::albumOf(2);
    album.pictures[0].firstAngle = TourPicture::kDefaultFirstAngle;
    album.pictures[0].secondAngle = TourPicture::kDefaultSecondAngle;
    album.pictures[1].firstAngle = -50;
    album.pictures[1].secondAngle = 40;
    model.setSkin(testSkin(true));
    model.setAlbum(album);
    view.attached(nullptr, 400, 200);
    dialog.showSelectedPicture();
    EXPECT_EQ(view.renderer().topLimit(), 26);
    EXPECT_EQ(view.renderer().bottomLimit(), -64);
    click(kNext);
    EXPECT_EQ(view.renderer().topLimit(), 40);
    EXPECT_EQ(view.renderer().bottomLimit(), -50);
}

TEST_F(TourDialogTest, AnEmptyAlbumShowsNothingAndStepsNowhere) {
    build(0);
    EXPECT_EQ(model.displayed(), -1);
    EXPECT_FALSE(view.hasPicture());
    click(kNext);
    click(kPrevious);
    EXPECT_TRUE(dialog.keyDown(xwin::Key::Space));
    dialog.mouseMove(20, 330);
    dialog.buttonDown(20, 330);
    EXPECT_EQ(model.displayed(), -1);
}

}  // namespace
}  // namespace orbpix::tourviewer
