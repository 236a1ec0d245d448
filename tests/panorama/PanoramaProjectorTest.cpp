#include "panorama/PanoramaProjector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "ReferenceView.h"
#include "panorama/ArcSineTables.h"
#include "support/StripImages.h"

namespace orbpix {
namespace {

using test::circularDistance;
using test::codedStrip;
using test::expectedPlace;
using test::placeOf;

TEST(ArcSineTables, GiveTheAngleOfTheSquareRootOfTheRatio) {
    const auto& t = ArcSineTables::get();
    EXPECT_EQ(t.coarse()[0], 0);
    EXPECT_EQ(t.coarse()[1024], 1365);  // asin(1/2) = 30 degrees = 1365.3 units
    EXPECT_EQ(t.coarse()[2048], 2048);  // 45 degrees
    EXPECT_EQ(t.coarse()[4096], 4096);  // 90 degrees
    EXPECT_EQ(t.fine()[0], 0);
    EXPECT_EQ(t.fine()[4096], 163);  // asin(1/16)
    EXPECT_EQ(t.fine()[4096], t.coarse()[16]);
}

TEST(PanoramaProjector, RoundsTheOutputAndSizesTheGrid) {
    PanoramaProjector projector;
    projector.resize(301, 203);
    EXPECT_EQ(projector.outputWidth(), 304);
    EXPECT_EQ(projector.outputHeight(), 208);
    EXPECT_EQ(projector.gridColumns(), 39);
    EXPECT_EQ(projector.gridRows(), 27);
    projector.resize(0, 100);
    EXPECT_EQ(projector.outputWidth(), 0);
    EXPECT_EQ(projector.render(), -1);
}

TEST(PanoramaProjector, InitialColourIsTheSaturationOneMatrixWithBothPassesOff) {
    PanoramaProjector projector;
    const ColourAdjuster colour = projector.colour();
    EXPECT_FALSE(colour.toneTableEnabled());
    EXPECT_FALSE(colour.matrixEnabled());
    EXPECT_EQ(colour.matrix(),
              (std::array<std::int32_t, 12>{1027, -3, -1, 0, -2, 1026, -1, 0, -2, -3, 1028, 0}));
    EXPECT_EQ(projector.topLimit(), 26);
    EXPECT_EQ(projector.bottomLimit(), -64);
}

TEST(PanoramaProjector, WithoutSourceDrawsNothing) {
    const PixelImage strip = codedStrip(800, 100);
    PanoramaProjector projector;
    projector.resize(64, 48);
    ASSERT_TRUE(projector.setSource(strip.bits(), 800, 100, false));
    projector.setView(0, 90, 256, false);
    ASSERT_EQ(projector.render(), 0);
    PixelImage before;
    ASSERT_TRUE(before.assign(projector.output()));
    ASSERT_TRUE(projector.setSource(nullptr, 0, 0, false));
    projector.setView(0, 200, 256, false);
    EXPECT_EQ(projector.render(), -1);
    EXPECT_EQ(0, std::memcmp(before.bits(), projector.output().bits(), before.byteCount()));
}

struct ViewCase {
    int width, height, focal;
    float pitch, yaw;
};

class ProjectorGeometry : public ::testing::TestWithParam<ViewCase> {};

// Every pixel against the ray traced in floating point: the column within two pixels of the
// true one (modulo the strip width) and the row within two rows. Large views with a long
// focal length are included: there the intermediate squares pass 2^31.
TEST_P(ProjectorGeometry, SamplesWhereTheRayMeetsTheStrip) {
    const ViewCase v = GetParam();
    const PixelImage strip = codedStrip(4200, 250);
    PanoramaProjector projector;
    projector.resize(v.width, v.height);
    ASSERT_TRUE(projector.setSource(strip.bits(), strip.width(), strip.height(), false));
    projector.setView(v.pitch, v.yaw, v.focal, false);
    ASSERT_EQ(projector.render(), 0);
    const PixelImage& out = projector.output();
    int worst = 0;
    for (int y = 0; y < out.height(); y += 3)
        for (int x = 0; x < out.width(); x += 3) {
            const auto got = placeOf(out, x, y);
            const auto want = expectedPlace(x, y, out.width(), out.height(), v.focal, v.pitch,
                                            v.yaw, 26, strip.width(), strip.height());
            ASSERT_LT(got.column, strip.width());
            ASSERT_LT(got.row, strip.height());
            worst = std::max({worst, circularDistance(got.column, want.column, strip.width()),
                              std::abs(got.row - std::clamp(want.row, 0, 249))});
        }
    EXPECT_LE(worst, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Views, ProjectorGeometry,
    ::testing::Values(ViewCase{320, 240, 256, 0, 90}, ViewCase{640, 480, 400, 10, 200},
                      ViewCase{1920, 1088, 1024, 15, 45}, ViewCase{1920, 1088, 1024, 33, 300},
                      ViewCase{2800, 1600, 1024, 30, 120}, ViewCase{640, 480, 256, 0, 360}),
    [](const ::testing::TestParamInfo<ViewCase>& param) {
        const ViewCase& v = param.param;
        return std::to_string(v.width) + "x" + std::to_string(v.height) + "_focal" +
               std::to_string(v.focal) + "_pitch" + std::to_string(int(v.pitch)) + "_yaw" +
               std::to_string(int(v.yaw));
    });

PixelImage renderView(const PixelImage& strip, int w, int h, float pitch, float yaw, int focal,
                      bool reverse = false) {
    PanoramaProjector projector;
    projector.resize(w, h);
    EXPECT_TRUE(projector.setSource(strip.bits(), strip.width(), strip.height(), true));
    projector.setView(pitch, yaw, focal, false);
    projector.setReverse(reverse);
    EXPECT_EQ(projector.render(), 0);
    PixelImage copy;
    EXPECT_TRUE(copy.assign(projector.output()));
    return copy;
}

bool samePixels(const PixelImage& a, const PixelImage& b) {
    return a.width() == b.width() && a.height() == b.height() &&
           std::memcmp(a.bits(), b.bits(), a.byteCount()) == 0;
}

TEST(PanoramaProjector, PitchIsKeptBetweenTheStripLimits) {
    const PixelImage strip = codedStrip(1600, 200);
    // 240 rows at focal 256: half the field of view is atan2(120, 256) = 25.1 degrees.
    const double d = std::atan2(120.0, 256.0) * 180 / std::numbers::pi;
    const PixelImage raised = renderView(strip, 320, 240, -10, 90, 256);
    EXPECT_TRUE(samePixels(raised, renderView(strip, 320, 240, float(d - 26), 90, 256)));
    EXPECT_FALSE(samePixels(raised, renderView(strip, 320, 240, 0, 90, 256)));
    const PixelImage lowered = renderView(strip, 320, 240, 45, 90, 256);
    EXPECT_TRUE(samePixels(lowered, renderView(strip, 320, 240, float(64 - d), 90, 256)));
    EXPECT_FALSE(samePixels(lowered, renderView(strip, 320, 240, 30, 90, 256)));
}

TEST(PanoramaProjector, FocalBelowHalfTheHeightActsAsHalfTheHeight) {
    const PixelImage strip = codedStrip(1600, 200);
    EXPECT_TRUE(samePixels(renderView(strip, 320, 240, 5, 40, 10),
                           renderView(strip, 320, 240, 5, 40, 120)));
}

TEST(PanoramaProjector, WholeTurnsOfYawGiveTheSamePicture) {
    const PixelImage strip = codedStrip(1600, 200);
    const PixelImage base = renderView(strip, 320, 240, 5, 0, 300);
    EXPECT_TRUE(samePixels(base, renderView(strip, 320, 240, 5, 360, 300)));
    EXPECT_TRUE(samePixels(base, renderView(strip, 320, 240, 5, -720, 300)));
}

TEST(PanoramaProjector, ViewAcrossTheSeamShowsBothEndsWithoutGap) {
    const PixelImage strip = codedStrip(1600, 200);
    const PixelImage view = renderView(strip, 640, 480, 0, 2, 256);
    bool sawEnd = false, sawStart = false;
    for (int y = 0; y < view.height(); ++y)
        for (int x = 1; x < view.width(); ++x) {
            const int a = placeOf(view, x - 1, y).column, b = placeOf(view, x, y).column;
            ASSERT_LE(circularDistance(a, b, 1600), 4) << x << "," << y;
            sawEnd |= b > 1500;
            sawStart |= b < 100;
        }
    EXPECT_TRUE(sawEnd);
    EXPECT_TRUE(sawStart);
}

TEST(PanoramaProjector, ReverseTurnsTheFinishedViewHalfRound) {
    const PixelImage strip = codedStrip(1600, 200);
    const PixelImage upright = renderView(strip, 160, 120, 3, 77, 200);
    const PixelImage turned = renderView(strip, 160, 120, 3, 77, 200, true);
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x)
            ASSERT_EQ(0, std::memcmp(upright.pixel(x, y), turned.pixel(159 - x, 119 - y), 4));
}

TEST(PanoramaProjector, CopiedSourceIsIndependentOfTheCallersPixels) {
    PixelImage strip = codedStrip(800, 100);
    PanoramaProjector copying, borrowing;
    for (auto* p : {&copying, &borrowing}) {
        p->resize(64, 48);
        p->setView(0, 180, 256, false);
    }
    ASSERT_TRUE(copying.setSource(strip.bits(), 800, 100, true));
    ASSERT_TRUE(borrowing.setSource(strip.bits(), 800, 100, false));
    std::memset(strip.bits(), 0, strip.byteCount());
    ASSERT_EQ(copying.render(), 0);
    ASSERT_EQ(borrowing.render(), 0);
    EXPECT_NE(placeOf(copying.output(), 32, 24).column, 0);
    EXPECT_EQ(placeOf(borrowing.output(), 32, 24).column, 0);

    EXPECT_FALSE(copying.setSource(strip.bits(), -1, 100, true));
    EXPECT_FALSE(copying.hasSource());
    EXPECT_TRUE(copying.setSource(nullptr, 0, 0, false));
    EXPECT_EQ(copying.render(), -1);
}

TEST(PanoramaProjector, ColourPassesWorkOnTheFinishedView) {
    const PixelImage strip = codedStrip(800, 100);
    PanoramaProjector projector;
    projector.resize(64, 48);
    ASSERT_TRUE(projector.setSource(strip.bits(), 800, 100, false));
    projector.setView(0, 30, 256, false);
    ASSERT_EQ(projector.render(), 0);
    PixelImage expected;
    ASSERT_TRUE(expected.assign(projector.output()));
    projector.setBrightnessContrast(40, 20);
    projector.setSaturation(-100);
    ColourAdjuster reference;
    reference.setBrightnessContrast(40, 20);
    reference.setSaturation(-100);
    reference.applyToneTableThenMatrix(expected.bits(), expected.byteCount() / 4);
    projector.applyToneTableThenMatrix();
    EXPECT_TRUE(samePixels(projector.output(), expected));
}

// Byte for byte against the plain way of drawing, over sizes of one cell row and many, views
// across the seam and beyond the strip's limits, both mountings and every colour combination:
// the frame alone, and the frame with its colour passes drawn in bands.
TEST(PanoramaProjector, FramesMatchThePlainDrawingByteForByte) {
    const PixelImage strip = test::noiseStrip(1203, 301, 5);
    const test::ViewRequest views[] = {
        {16, 8, 3, 0, 256},
        {304, 208, -12, 359.7f, 150},
        {640, 480, 10, 200, 400},
        {1008, 16, 40, -725, 900},
        {96, 520, -60, 1e7f, 300, {30, -70}},
        {1920, 1088, 33, 300, 1024, kNormalElevation, true},
        {320, 248, 5, 0.25f, 5, {20, -50}, true},
    };
    const ColourCorrection colours[] = {{0, 0, 0}, {25, 0, 0}, {0, 0, -140}, {-30, 77, 200}};
    for (const auto& v : views) {
        PanoramaProjector projector;
        projector.resize(v.width, v.height);
        ASSERT_EQ(projector.outputWidth(), v.width);
        ASSERT_EQ(projector.outputHeight(), v.height);
        ASSERT_TRUE(projector.setSource(strip.bits(), strip.width(), strip.height(), false));
        projector.setView(v.pitch, v.yaw, v.focal, false);
        projector.setLimits(v.limits.top, v.limits.bottom);
        projector.setReverse(v.reverse);
        const std::string name = std::to_string(v.width) + "x" + std::to_string(v.height) +
                                 (v.reverse ? " reversed" : "");
        ASSERT_EQ(projector.render(), 0);
        EXPECT_TRUE(samePixels(projector.output(), test::referenceView(strip, v))) << name;
        for (const ColourCorrection& cc : colours) {
            ColourAdjuster colour;
            colour.configure(cc);
            projector.setBrightnessContrast(cc.brightness, cc.contrast);
            projector.setSaturation(cc.saturation);
            projector.enableToneTable(colour.toneTableEnabled());
            projector.enableMatrix(colour.matrixEnabled());
            ASSERT_EQ(projector.renderWithColour(), 0);
            EXPECT_TRUE(samePixels(projector.output(), test::referenceView(strip, v, &colour)))
                << name << " colour " << formatColourCorrection(cc);
        }
    }
}

}  // namespace
}  // namespace orbpix
