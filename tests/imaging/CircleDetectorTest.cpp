#include "imaging/CircleDetector.h"

#include <gtest/gtest.h>

#include <cmath>

#include "TestImages.h"

namespace orbpix {
namespace {

using test::Bgr;

TEST(CircleDetector, ThresholdIsHalfwayBetweenDarkestPeakAndMean) {
    // Half the pixels at level 20, a quarter at 100, a quarter at 200: the peak among
    // levels 0..99 is 20, the mean 85, so the threshold is (20 + 85) / 2 = 52.
    const PixelImage image = test::makeImage(4, 4, [](int x, int y) {
        const std::uint8_t v = y < 2 ? 20 : x < 2 ? 100 : 200;
        return Bgr{v, v, v};
    });
    EXPECT_EQ(detectionThreshold(image), 52);
    // Ties among the dark levels go to the first one: peak 30, mean 45 → 37.
    const PixelImage tie = test::makeImage(2, 1, [](int x, int) {
        const std::uint8_t v = x == 0 ? 60 : 30;
        return Bgr{v, v, v};
    });
    EXPECT_EQ(detectionThreshold(tie), 37);
    EXPECT_EQ(detectionThreshold(PixelImage{}), 0);
}

TEST(CircleDetector, LuminanceWeighsGreenMost) {
    EXPECT_EQ(detectionLuminance(/*b=*/10, /*g=*/0, /*r=*/0), 1);
    EXPECT_EQ(detectionLuminance(0, 0, 10), 3);
    EXPECT_EQ(detectionLuminance(0, 10, 0), 6);
    EXPECT_EQ(detectionLuminance(255, 255, 255), 255);
}

TEST(CircleDetector, BlackPictureStopsEveryRayAtItsStart) {
    const PixelImage black = test::greyImage(100, 80, 0);
    ASSERT_EQ(detectionThreshold(black), 0);
    const std::vector<EdgePoint> points = findEdgePoints(black, 0);
    const std::vector<EdgePoint> expected = {
        {5, 20},  {5, 36},  {5, 52},   // left, at h/4 + k·h/5
        {95, 20}, {95, 36}, {95, 52},  // right
        {25, 5},  {45, 5},  {65, 5},   // top, at w/4 + k·w/5
        {25, 75}, {45, 75}, {65, 75},  // bottom
    };
    EXPECT_EQ(points, expected);
}

TEST(CircleDetector, RaysStopWhereFourPixelsAreBright) {
    // A bright band from x = 30 on, except one dark pixel above the next pixel of the left
    // rays at x = 31: those rays must go one step further.
    const PixelImage image = test::makeImage(100, 80, [](int x, int y) {
        const bool bright = x >= 30 && !(x == 31 && (y == 19 || y == 35 || y == 51));
        const std::uint8_t v = bright ? 250 : 0;
        return Bgr{v, v, v};
    });
    const auto points = findEdgePoints(image, 100);
    ASSERT_GE(points.size(), 3u);
    EXPECT_EQ(points[0], (EdgePoint{31, 20}));
    EXPECT_EQ(points[1], (EdgePoint{31, 36}));
    EXPECT_EQ(points[2], (EdgePoint{31, 52}));
}

TEST(CircleDetector, RaysThatLeaveTheirRegionFindNothing) {
    const PixelImage dark = test::greyImage(100, 80, 10);
    EXPECT_TRUE(findEdgePoints(dark, 200).empty());
    // Too small for any ray to start inside its region; probes never leave the picture.
    EXPECT_TRUE(findEdgePoints(test::greyImage(6, 6, 0), 0).empty());
    EXPECT_FALSE(detectRingCircles(test::greyImage(1, 1, 0)));
}

TEST(CircleDetector, CircleThroughThreePoints) {
    const auto circle = circleThrough({0, 0}, {2, 0}, {0, 2});
    ASSERT_TRUE(circle);
    EXPECT_FLOAT_EQ(circle->cx, 1.0f);
    EXPECT_FLOAT_EQ(circle->cy, 1.0f);
    EXPECT_FLOAT_EQ(circle->radius, std::sqrt(2.0f));
    const auto big = circleThrough({100, 300}, {500, 300}, {300, 100});
    ASSERT_TRUE(big);
    EXPECT_FLOAT_EQ(big->cx, 300.0f);
    EXPECT_FLOAT_EQ(big->cy, 300.0f);
    EXPECT_FLOAT_EQ(big->radius, 200.0f);
}

TEST(CircleDetector, NoCircleThroughCollinearOrCoincidentPoints) {
    EXPECT_FALSE(circleThrough({1, 1}, {2, 2}, {5, 5}));
    EXPECT_FALSE(circleThrough({5, 40}, {5, 60}, {5, 80}));
    EXPECT_FALSE(circleThrough({3, 4}, {3, 4}, {10, 0}));
    EXPECT_FALSE(circleThrough({3, 4}, {10, 0}, {3, 4}));
}

TEST(CircleDetector, BestCandidatePrefersMostSupport) {
    // Eight points on the circle around (50, 50) with radius 40 and two strays.
    std::vector<EdgePoint> points = {{10, 50}, {90, 50}, {50, 10}, {50, 90}, {3, 3}, {97, 5}};
    for (const double a : {0.5, 2.0, 3.5, 5.0}) {
        points.push_back({static_cast<float>(std::round(50 + 40 * std::cos(a))),
                          static_cast<float>(std::round(50 + 40 * std::sin(a)))});
    }
    const auto best = bestCandidate(points);
    ASSERT_TRUE(best);
    EXPECT_EQ(best->supportCount, 8);
    EXPECT_EQ(best->support.size(), 8u);
    EXPECT_NEAR(best->circle.cx, 50, 1);
    EXPECT_NEAR(best->circle.cy, 50, 1);
    EXPECT_NEAR(best->circle.radius, 40, 1);
    EXPECT_LT(best->distanceSum, 8.0f);
}

TEST(CircleDetector, FindsABrightDisc) {
    const PixelImage image = test::discImage(400, 300, 203.0, 148.0, 120.0);
    const auto circles = detectRingCircles(image);
    ASSERT_TRUE(circles);
    EXPECT_NEAR(circles->outer.cx, 203, 1.5);
    EXPECT_NEAR(circles->outer.cy, 148, 1.5);
    EXPECT_NEAR(circles->outer.radius, 120, 1.5);
    EXPECT_FLOAT_EQ(circles->inner.cx, circles->outer.cx);
    EXPECT_FLOAT_EQ(circles->inner.cy, circles->outer.cy);
    EXPECT_FLOAT_EQ(circles->inner.radius,
                    static_cast<float>(circles->outer.radius * kInnerRadiusRatio));
}

TEST(CircleDetector, DiscCutByTheBorderIsStillFoundFromTheOtherRays) {
    // The left rays start inside the disc and give three useless points.
    const PixelImage image = test::discImage(500, 300, 120.0, 150.0, 140.0);
    const auto circles = detectRingCircles(image);
    ASSERT_TRUE(circles);
    EXPECT_NEAR(circles->outer.cx, 120, 2);
    EXPECT_NEAR(circles->outer.cy, 150, 2);
    EXPECT_NEAR(circles->outer.radius, 140, 2);
}

TEST(CircleDetector, TooLittleSupportFails) {
    // A bright left half: its edge points lie on two straight lines.
    const PixelImage half = test::makeImage(300, 300, [](int x, int) {
        const std::uint8_t v = x < 150 ? 220 : 5;
        return Bgr{v, v, v};
    });
    EXPECT_FALSE(detectRingCircles(half));
}

TEST(CircleDetector, DefaultCirclesAreTruncatedDoubleProducts) {
    EXPECT_EQ(defaultCirclesText(1600, 1200), "800,600,120,539");
    EXPECT_EQ(defaultCirclesText(1201, 1601), "600,800,120,540");
    EXPECT_EQ(defaultCirclesText(100, 100), "50,50,10,44");
}

TEST(CircleDetector, ScalingBackMultipliesCentreAndRadii) {
    RingCircles fitted;
    fitted.outer = {400, 300, 270};
    fitted.inner = {400, 300, 61.5f};
    const RingCircles full = scaleRingCircles(fitted, 2.0);
    EXPECT_EQ(formatCirclesText(full), "800,600,123,540");
}

TEST(CirclesText, RoundTripAndTruncation) {
    RingCircles circles;
    circles.outer = {799.9f, 598.2f, 537.99f};
    circles.inner = {799.9f, 598.2f, 122.6f};
    EXPECT_EQ(formatCirclesText(circles), "799,598,122,537");
    const auto parsed = parseCirclesText("800,600,120.5,540");
    ASSERT_TRUE(parsed);
    EXPECT_FLOAT_EQ(parsed->inner.cx, 800);
    EXPECT_FLOAT_EQ(parsed->outer.cy, 600);
    EXPECT_FLOAT_EQ(parsed->inner.radius, 120.5f);
    EXPECT_FLOAT_EQ(parsed->outer.radius, 540);
    EXPECT_TRUE(parseCirclesText(" 1, 2 ,3,4"));
    EXPECT_FALSE(parseCirclesText(""));
    EXPECT_FALSE(parseCirclesText("1,2,3"));
    EXPECT_FALSE(parseCirclesText("1;2;3;4"));
    EXPECT_FALSE(parseCirclesText("a,b,c,d"));
    EXPECT_FALSE(parseCirclesText("nan,1,2,3"));
}

}  // namespace
}  // namespace orbpix
