#include "tourfmt/SkinDescription.h"

#include <gtest/gtest.h>

#include <limits>

#include "support/TourTestSupport.h"

namespace orbpix {
namespace {

// A header for B button lines and T plain lines with the view at (10, 20, 300, 200).
std::string header(int buttons, int plains, const std::string& unused = "0, 0") {
    return "My Skin,\n" + std::to_string(buttons) + ", " + std::to_string(plains) + ", " + unused +
           ", 10, 20, 300, 200,\n";
}

TEST(SkinDescription, BackgroundAndViewComeFirst) {
    const SkinDescription skin = parseSkinDescriptionText(header(0, 0, "-7, 123456") +
                                                          "  UpDown ,  back.gif  ,\tmask.gif ,\n");
    EXPECT_EQ(skin.unused1, -7);
    EXPECT_EQ(skin.unused2, 123456);
    ASSERT_EQ(skin.elements.size(), 2u);
    const TourElement& background = skin.elements[0];
    EXPECT_EQ(background.type, kTypeBackground);
    EXPECT_EQ(background.state, kStateUpDown);
    EXPECT_EQ(background.left, 0);
    EXPECT_EQ(background.top, 0);
    EXPECT_EQ(background.pictureNames[0], "back.gif");
    EXPECT_EQ(background.pictureNames[1], "mask.gif");
    const TourElement& view = skin.elements[1];
    EXPECT_EQ(view.type, kTypeView);
    EXPECT_EQ(view.state, kStateNone);
    EXPECT_EQ((std::array{view.left, view.top, view.width, view.height}),
              (std::array{10, 20, 300, 200}));
}

TEST(SkinDescription, TypeNamesIgnoreCaseAndSurroundingBlanksButNotInnerOnes) {
    const SkinDescription skin = parseSkinDescriptionText(
        header(0, 4) + "Up, b.gif, b.gif,\n" +
        "typelogo, 1, 2, 3,\n \r\n TYPELOGO \t, 4, 5, 6,\nType Logo, 7, 8, 9,\nTypeNothing, 1, 1, "
        "1,");
    ASSERT_EQ(skin.elements.size(), 6u);
    EXPECT_EQ(skin.elements[2].type, kTypeLogo);
    EXPECT_EQ(skin.elements[3].type, kTypeLogo);
    EXPECT_EQ(skin.elements[3].left, 4);
    EXPECT_EQ(skin.elements[4].type, kTypeUnknown);
    EXPECT_EQ(skin.elements[5].type, kTypeUnknown);
    EXPECT_EQ(elementStateForName(" upDOWNrollover\n"), kStateUpDownRollover);
    EXPECT_EQ(elementStateForName("Up Down"), kStateNone);
}

TEST(SkinDescription, PlainElementsCompleteTheirSizesByType) {
    const SkinDescription skin = parseSkinDescriptionText(
        header(0, 7) + "Up, b.gif, b.gif,\n" +
        "TypeFrame, 10, 20,\n"  // no width: the next line starts at its type name
        "TypeInfo, 5, 6, 200,\n"
        "TypeLogo, 1, 2, 500,\n"
        "TypeTitleAlbum, 0, 0,\n"
        "TypeTitleNameFile, 0, 0, 99,\n"
        "TypeFrame, 3, 4, 50,\n"
        "TypeInfo, 0, 0,");
    ASSERT_EQ(skin.elements.size(), 9u);
    struct Expect {
        std::int32_t type, left, top, width, height;
    };
    const Expect expected[] = {{kTypeFrame, 10, 20, 112, 139},   {kTypeInfo, 5, 6, 200, 60},
                               {kTypeLogo, 1, 2, 0, 0},          {kTypeAlbumTitle, 0, 0, 300, 20},
                               {kTypePictureName, 0, 0, 99, 20}, {kTypeFrame, 3, 4, 50, 139},
                               {kTypeInfo, 0, 0, 160, 60}};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const TourElement& e = skin.elements[2 + i];
        EXPECT_EQ(e.type, expected[i].type) << i;
        EXPECT_EQ(e.state, kStateNone) << i;
        EXPECT_EQ(e.left, expected[i].left) << i;
        EXPECT_EQ(e.top, expected[i].top) << i;
        EXPECT_EQ(e.width, expected[i].width) << i;
        EXPECT_EQ(e.height, expected[i].height) << i;
        EXPECT_EQ(e.pictureNames, (std::array<std::string, 3>{})) << i;
    }
}

TEST(SkinDescription, ButtonLinesKeepTrailingBlanksOfPictureNames) {
    const SkinDescription skin =
        parseSkinDescriptionText(header(2, 0) + "Up, b.gif, b.gif,\n" +
                                 "TypeSuivant,UpDownRollover, n.gif,h.gif ,p.gif,600, 440,\n"
                                 " TypeCancel , Up , c.gif,unused,unused, 620, 2,\n");
    ASSERT_EQ(skin.elements.size(), 4u);
    const TourElement& next = skin.elements[2];
    EXPECT_EQ(next.type, kTypeNext);
    EXPECT_EQ(next.state, kStateUpDownRollover);
    EXPECT_EQ(next.pictureNames, (std::array<std::string, 3>{"n.gif", "h.gif ", "p.gif"}));
    EXPECT_EQ(next.left, 600);
    EXPECT_EQ(next.top, 440);
    EXPECT_EQ(next.width, 0);
    EXPECT_EQ(next.height, 0);
    const TourElement& cancel = skin.elements[3];
    EXPECT_EQ(cancel.type, kTypeCancel);
    EXPECT_EQ(cancel.state, kStateUp);
    EXPECT_EQ(cancel.pictureCount(), 1);
    EXPECT_EQ(cancel.pictureNames[0], "c.gif");
    EXPECT_EQ(cancel.left, 620);
}

TEST(SkinDescription, AShortFileStillGivesEveryElement) {
    const SkinDescription skin = parseSkinDescriptionText(
        header(3, 2) + "Up, b.gif, b.gif,\nTypeZoomP,Up,z.gif,z.gif,z.gif,5,");
    ASSERT_EQ(skin.elements.size(), 7u);
    // The button stopped before its top; later lines keep what the conversions left.
    EXPECT_EQ(skin.elements[2].left, 5);
    EXPECT_EQ(skin.elements[2].top, 0);
    EXPECT_EQ(skin.elements[3].type, kTypeZoomIn);
    EXPECT_EQ(skin.elements[4].pictureNames[0], "z.gif");
    EXPECT_EQ(skin.elements[5].type, kTypeZoomIn);
    EXPECT_EQ(skin.elements[5].width, 0);
    EXPECT_EQ(skin.elements[5].state, kStateNone);
}

TEST(SkinDescription, HostileInputStaysBounded) {
    // Absurd counts, a field far beyond 255 bytes, huge numbers and no commas at all.
    const std::string longName(10000, 'x');
    const SkinDescription skin =
        parseSkinDescriptionText("n,\n2000000000, -5, 0, 0, 99999999999, -99999999999, 0, 0,\n" +
                                 longName + ", " + longName + "," + longName + ",");
    EXPECT_EQ(skin.elements.size(), std::size_t(2 + kMaxSkinLines));
    EXPECT_EQ(skin.viewLeft, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(skin.viewTop, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(skin.elements[0].pictureNames[0].size(), kMaxSkinField);
    EXPECT_EQ(skin.elements[0].pictureNames[1].size(), kMaxSkinField);
    EXPECT_EQ(skin.elements[0].state, kStateNone);

    EXPECT_EQ(parseSkinDescriptionText("").elements.size(), 2u);
    EXPECT_EQ(parseSkinDescriptionText("no commas at all").elements.size(), 2u);
}

TEST(SkinDescription, WrittenDescriptionsReadBackTheSame) {
    SkinDescription skin =
        parseSkinDescriptionText(header(2, 3, "4, 5") + "UpDown, bg.gif, mask.gif,\n" +
                                 "TypeZoomP,UpRollover,zi.gif,zih.gif,zi.gif,500, 440,\n"
                                 "TypeBarre,Up,bar.gif,-,-,0, 0,\n"
                                 "TypeFrame, 10, 20,\nTypeInfo, 5, 6, 200,\nTypeLogo, 1, 1, 1,\n");
    const std::string text = formatSkinDescription(skin, "Round trip");
    EXPECT_EQ(parseSkinDescriptionText(text), skin) << text;
    EXPECT_EQ(skin.elements.size(), 7u);
}

TEST(SkinDescription, FileThatCannotBeOpenedIsAFailure) {
    test::TempFolder folder;
    EXPECT_FALSE(ParseSkinDescription(folder.path("skin.ski")));
    test::writeFile(folder.path("skin.ski"),
                    test::Bytes{'s', ',', '0', ',', '0', ',', '0', ',', '0', ','});
    const auto skin = ParseSkinDescription(folder.path("skin.ski"));
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->elements.size(), 2u);
}

}  // namespace
}  // namespace orbpix
