#include "imaging/Fitting.h"

#include <gtest/gtest.h>

namespace orbpix {
namespace {

TEST(Fitting, FitsIntoTheBoxKeepingTheAspectRatio) {
    EXPECT_EQ(fitIntoBox(3000, 2000, 800, 800), (FitSize{800, 533}));
    EXPECT_EQ(fitIntoBox(2000, 3000, 800, 800), (FitSize{533, 800}));
    EXPECT_EQ(fitIntoBox(6000, 4000, 800, 800), (FitSize{800, 533}));
    EXPECT_EQ(fitIntoBox(1600, 1200, 800, 800), (FitSize{800, 600}));
}

TEST(Fitting, NeverEnlarges) {
    EXPECT_EQ(fitIntoBox(640, 480, 800, 800), (FitSize{640, 480}));
    EXPECT_EQ(fitIntoBox(800, 800, 800, 800), (FitSize{800, 800}));
}

TEST(Fitting, UnlimitedSides) {
    EXPECT_EQ(fitIntoBox(3000, 2000, kUnlimited, kUnlimited), (FitSize{3000, 2000}));
    EXPECT_EQ(fitIntoBox(3000, 2000, kUnlimited, 1000), (FitSize{1500, 1000}));
    EXPECT_EQ(fitIntoBox(3000, 2000, 1000, kUnlimited), (FitSize{1000, 666}));
}

TEST(Fitting, TooWideAndTooHighPicksTheTighterSide) {
    // b·e = 100·300 = 30000 < a·f = 200·200 = 40000: the height decides.
    EXPECT_EQ(fitIntoBox(300, 200, 200, 100), (FitSize{150, 100}));
    // Exactly equal products take the width branch.
    EXPECT_EQ(fitIntoBox(400, 200, 200, 100), (FitSize{200, 100}));
    // Wide enough but too high: the height decides with a truncated width.
    EXPECT_EQ(fitIntoBox(100, 300, 200, 200), (FitSize{66, 200}));
}

TEST(Fitting, LargeProductsDoNotOverflow) {
    // b·e = 5·10^9 and a·f = 5.4·10^9 do not fit 32 bits.
    EXPECT_EQ(fitIntoBox(100000, 60000, 90000, 50000), (FitSize{83333, 50000}));
}

}  // namespace
}  // namespace orbpix
