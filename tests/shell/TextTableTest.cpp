#include "shell/TextTable.h"

#include <gtest/gtest.h>

namespace orbpix {
namespace {

TEST(TextTable, ReadsNumberedTextsWithEscapes) {
    TextTable table;
    ASSERT_TRUE(
        table.parse(u"# comment\n"
                    u"\n"
                    u"500\t insert image(s)\r\n"
                    u"632\tLeft out:%s\n"
                    u"810\tLine one\\nLine two\\tand a \\\\ backslash\n"
                    u"57344\tOrbPix Studio"));
    EXPECT_EQ(table.size(), 4);
    EXPECT_EQ(table.text(500), QStringLiteral(" insert image(s)"));  // the leading space stays
    EXPECT_EQ(table.text(810), QStringLiteral("Line one\nLine two\tand a \\ backslash"));
    EXPECT_EQ(table.text(57344), QStringLiteral("OrbPix Studio"));
    EXPECT_FALSE(table.contains(501));
    EXPECT_TRUE(table.text(501).isEmpty());
}

TEST(TextTable, RejectsMalformedLinesAndKeepsTheOldTable) {
    TextTable table;
    ASSERT_TRUE(table.parse(u"1\tone"));
    QString error;
    EXPECT_FALSE(table.parse(u"2\ttwo\nthree\n", &error));
    EXPECT_EQ(error, QStringLiteral("line 2 is not a text entry"));
    EXPECT_FALSE(table.parse(u"x\tword"));
    EXPECT_FALSE(table.parse(u"-4\tnegative"));
    EXPECT_FALSE(table.parse(u"5\tbad \\q escape"));
    EXPECT_FALSE(table.parse(u"5\ttrailing \\"));
    EXPECT_FALSE(table.parse(u"5\tone\n5\ttwice"));
    EXPECT_EQ(table.text(1), QStringLiteral("one"));
}

}  // namespace
}  // namespace orbpix
