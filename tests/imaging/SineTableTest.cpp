#include "imaging/SineTable.h"

#include <gtest/gtest.h>

namespace orbpix {
namespace {

TEST(SineTable, RoundsByAddingAHalfAndTruncatingTowardZero) {
    EXPECT_EQ(SineTable::sine(0), 0);
    EXPECT_EQ(SineTable::sine(4096), 16384);
    // −16384 + 0.5 truncates to −16383: the table is not symmetric.
    EXPECT_EQ(SineTable::sine(12288), -16383);
    // 16384·sin(2π/16384) = 6.283: +0.5 → 6.78 → 6.
    EXPECT_EQ(SineTable::sine(1), 6);
    // −6.283 + 0.5 = −5.78 truncates to −5, not −6.
    EXPECT_EQ(SineTable::sine(8193), -5);
    EXPECT_EQ(SineTable::sine(16383), -5);
    // 16384·sin(π/4) = 11585.24.
    EXPECT_EQ(SineTable::sine(2048), 11585);
    EXPECT_EQ(SineTable::sine(10240), -11584);
}

TEST(SineTable, CosineIsAQuarterTurnAhead) {
    EXPECT_EQ(SineTable::cosine(0), 16384);
    EXPECT_EQ(SineTable::cosine(8192), -16383);
    EXPECT_EQ(SineTable::cosine(12288), SineTable::sine(0));
    EXPECT_EQ(SineTable::cosine(16383), SineTable::sine(4095));
}

}  // namespace
}  // namespace orbpix
