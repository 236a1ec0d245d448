#include "panorama/ViewControl.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/StripImages.h"

namespace orbpix {
namespace {

struct FakeHost final : ViewControlHost {
    int startTimer(int id, int periodMs) override {
        ++timersStarted;
        lastPeriod = periodMs;
        running = true;
        return id;
    }
    void killTimer(int) override { running = false; }
    void captureMouse() override { captured = true; }
    void releaseMouse() override { captured = false; }
    void takeFocus() override { focused = true; }
    void invalidateAndUpdate() override { ++repaints; }

    int timersStarted = 0;
    int lastPeriod = 0;
    bool running = false;
    bool captured = false;
    bool focused = false;
    int repaints = 0;
};

class ViewControlTest : public ::testing::Test {
protected:
    FakeHost host;
    PanoramaViewControl control{host};
};

TEST_F(ViewControlTest, StartsAtTheResetView) {
    EXPECT_FLOAT_EQ(control.pitch(), 30);
    EXPECT_FLOAT_EQ(control.yaw(), 360);
    EXPECT_EQ(control.focal(), 256);
    EXPECT_EQ(control.direction(), 1);
    EXPECT_FALSE(control.timerRunning());
}

TEST_F(ViewControlTest, SetViewNormalisesYawOnceEachWayAndClampsPitch) {
    control.setView(0, -30, 256, false);
    EXPECT_FLOAT_EQ(control.yaw(), 330);
    control.setView(0, 725, 256, false);
    EXPECT_FLOAT_EQ(control.yaw(), 365);
    control.setView(0, 0, 256, false);
    EXPECT_FLOAT_EQ(control.yaw(), 360);
    control.setView(0, 360, 256, false);
    EXPECT_FLOAT_EQ(control.yaw(), 360);
    control.setView(60, 10, 256, false);
    EXPECT_FLOAT_EQ(control.pitch(), 45);
    control.setView(-45, 10, 256, false);
    EXPECT_FLOAT_EQ(control.pitch(), -45);
    EXPECT_FLOAT_EQ(control.renderer().view().pitch, -45);
    EXPECT_FLOAT_EQ(control.renderer().view().yaw, 10);
}

TEST_F(ViewControlTest, FocalStaysBetweenHalfTheHeightAnd1024) {
    control.setView(0, 10, 2000, false);
    EXPECT_EQ(control.focal(), 1024);
    EXPECT_FALSE(control.canZoomIn());
    control.attached(nullptr, 400, 300);  // output 400 × 304
    control.setView(0, 10, 100, false);
    EXPECT_EQ(control.focal(), 152);
    EXPECT_EQ(control.renderer().view().focal, 152);
    EXPECT_FALSE(control.canZoomOut());
    control.setView(0, 10, 153, false);
    EXPECT_TRUE(control.canZoomOut());
    EXPECT_TRUE(control.canZoomIn());
}

TEST_F(ViewControlTest, WideningTheWindowScalesTheFocalLength) {
    control.attached(nullptr, 400, 300);
    control.setView(10, 50, 300, false);
    control.resized(800, 300);
    EXPECT_EQ(control.focal(), 600);
    EXPECT_EQ(control.renderer().outputWidth(), 800);
    control.resized(266, 300);
    EXPECT_EQ(control.focal(), 199);  // 600 · 266 / 800 = 199.5, truncated
}

TEST_F(ViewControlTest, DraggingTurnsTowardTheCursorOnEveryTick) {
    control.attached(nullptr, 400, 300);
    control.setView(0, 100, 256, false);
    control.leftButtonDown();
    EXPECT_TRUE(host.focused);
    EXPECT_TRUE(host.captured);
    EXPECT_TRUE(host.running);
    EXPECT_EQ(host.lastPeriod, 25);

    control.mouseMove(200, 150);  // the centre: nothing moves
    control.timerTick();
    EXPECT_FLOAT_EQ(control.yaw(), 100);
    EXPECT_FLOAT_EQ(control.pitch(), 0);

    control.mouseMove(400, 300);  // bottom right corner: full speed both ways
    EXPECT_FLOAT_EQ(control.yawSpeed(), 5);
    EXPECT_FLOAT_EQ(control.pitchSpeed(), 5);
    control.timerTick();
    EXPECT_FLOAT_EQ(control.yaw(), 105);
    EXPECT_FLOAT_EQ(control.pitch(), 5);

    control.setReverse(-1);  // upside down: the same cursor turns the other way
    control.timerTick();
    EXPECT_FLOAT_EQ(control.yaw(), 100);
    EXPECT_FLOAT_EQ(control.pitch(), 0);

    control.leftButtonUp();
    EXPECT_FALSE(host.captured);
    EXPECT_FALSE(host.running);
    EXPECT_FLOAT_EQ(control.yawSpeed(), 0);
}

TEST_F(ViewControlTest, ZoomKeysAccelerateAndOtherKeysGoToTheParent) {
    control.setView(0, 10, 300, false);
    EXPECT_TRUE(control.keyDown(ViewKey::PageUp));
    EXPECT_TRUE(control.keyDown(ViewKey::A));  // auto-repeat adds up
    EXPECT_EQ(control.zoomStep(), 2);
    EXPECT_TRUE(host.running);
    control.timerTick();
    EXPECT_EQ(control.focal(), 302);
    control.keyUp();
    EXPECT_FALSE(host.running);
    EXPECT_TRUE(control.keyDown(ViewKey::Z));
    EXPECT_TRUE(control.keyDown(ViewKey::PageDown));
    control.timerTick();
    EXPECT_EQ(control.focal(), 300);
    EXPECT_FALSE(control.keyDown(ViewKey::Other));
    EXPECT_EQ(control.zoomStep(), 0);
    control.keyUp();
    EXPECT_FALSE(host.running);
}

TEST_F(ViewControlTest, KeyUpDuringADragKeepsTheTimer) {
    control.attached(nullptr, 400, 300);
    control.leftButtonDown();
    control.keyDown(ViewKey::A);
    control.keyUp();
    EXPECT_TRUE(host.running);
    EXPECT_EQ(host.timersStarted, 1);
}

TEST_F(ViewControlTest, WheelNotchesAddUpUntilTheDirectionChanges) {
    control.setView(0, 10, 300, false);
    control.wheel(120);
    EXPECT_EQ(control.focal(), 305);
    control.wheel(120);
    EXPECT_EQ(control.focal(), 315);
    control.wheel(120);
    EXPECT_EQ(control.focal(), 330);
    control.wheel(-120);
    EXPECT_EQ(control.focal(), 325);
    control.wheel(-240);
    EXPECT_EQ(control.focal(), 310);
}

TEST_F(ViewControlTest, ReverseModesSetToggleAndRepaint) {
    control.setReverse(0);
    EXPECT_EQ(control.direction(), -1);
    EXPECT_TRUE(control.renderer().isReverse());
    control.setReverse(0);
    EXPECT_EQ(control.direction(), 1);
    control.setReverse(-1);
    control.setReverse(-1);
    EXPECT_EQ(control.direction(), -1);
    control.setReverse(7);
    EXPECT_EQ(control.direction(), 1);
    EXPECT_FALSE(control.renderer().isReverse());
    EXPECT_EQ(host.repaints, 5);
}

TEST_F(ViewControlTest, PictureDecidesWhoPaints) {
    const PixelImage strip = test::codedStrip(800, 100);
    control.attached(nullptr, 64, 48);
    EXPECT_FALSE(control.paint());
    EXPECT_FALSE(control.eraseBackground());
    ASSERT_TRUE(control.setPicture(strip.bits(), 800, 100, true));
    EXPECT_TRUE(control.paint());
    EXPECT_TRUE(control.eraseBackground());
    control.setBrightnessContrast(10, 10);
    control.enableToneTable(true);
    control.clearPicture();
    EXPECT_FALSE(control.paint());
    EXPECT_FALSE(control.renderer().colour().toneTableEnabled());
}

TEST_F(ViewControlTest, ElevationLimitsGoToTheRenderer) {
    control.setElevationLimits(-40, 50);
    EXPECT_EQ(control.renderer().topLimit(), 50);
    EXPECT_EQ(control.renderer().bottomLimit(), -40);
}

}  // namespace
}  // namespace orbpix
