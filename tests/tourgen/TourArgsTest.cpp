#include "tourgen/TourArgs.h"

#include <gtest/gtest.h>

namespace orbpix::tourgen {
namespace {

TEST(TourArgs, ValuesFollowTheLastValueSwitch) {
    const TourArgs args =
        parseTourArgs({"ignored", "-Skin", "a/skin.ski", "/Album", "album.orb", "-Src", "viewer",
                       "-Run", "second-viewer", "/Dst", "x", "tour"});
    EXPECT_EQ(args.skinPath, "a/skin.ski");
    EXPECT_EQ(args.albumPath, "album.orb");
    // "Run" does not change where values go; the later value replaces the earlier one.
    EXPECT_EQ(args.sourcePath, "second-viewer");
    EXPECT_EQ(args.destinationPath, "tour");
    EXPECT_TRUE(args.run);
    EXPECT_FALSE(args.console);
    EXPECT_TRUE(parseTourArgs({"-Dst", "t", "-Console", "u"}).console);
}

TEST(TourArgs, SwitchesMatchExactlyAndUnknownOnesAreIgnored) {
    const TourArgs args = parseTourArgs(
        {"-skin", "s", "/SKIN", "t", "-Skinny", "u", "-Src", "v", "-Other", "w", "-run"});
    EXPECT_EQ(args.skinPath, "");
    // Values after an unknown switch still go to the last value switch.
    EXPECT_EQ(args.sourcePath, "w");
    EXPECT_FALSE(args.run);
    EXPECT_EQ(parseTourArgs({}), TourArgs{});
}

TEST(TourArgs, AbsolutePathsAreValuesNotSwitches) {
    const TourArgs args =
        parseTourArgs({"/Skin", "/home/ann/My Skins/skin.ski", "/Dst", "/tmp/tour", "/Run"});
    EXPECT_EQ(args.skinPath, "/home/ann/My Skins/skin.ski");
    EXPECT_EQ(args.destinationPath, "/tmp/tour");
    EXPECT_TRUE(args.run);
}

}  // namespace
}  // namespace orbpix::tourgen
