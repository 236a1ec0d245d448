#include "shell/CommandLine.h"

#include <gtest/gtest.h>
#include <QFile>

#include "support/QtFiles.h"

namespace orbpix {
namespace {

CommandLineParser parsed(const QStringList& arguments) {
    CommandLineParser parser;
    parser.parseArguments(arguments);
    return parser;
}

TEST(CommandLine, SwitchesSelectTheModeAndTheLaterOneWins) {
    const auto plain = parsed({"a.jpg", "b.jpg"});
    EXPECT_EQ(plain.mode(), RunMode::Normal);
    EXPECT_TRUE(plain.showSplash());
    EXPECT_EQ(plain.files(), (QStringList{"a.jpg", "b.jpg"}));

    const auto both = parsed({"-OrbEmail", "a.jpg", "-OrbLocal", "b.jpg"});
    EXPECT_EQ(both.mode(), RunMode::LocalTour);
    EXPECT_FALSE(both.showSplash());
    EXPECT_EQ(both.files(), (QStringList{"a.jpg", "b.jpg"}));

    EXPECT_EQ(parsed({"-OrbLocal", "-OrbEmail"}).mode(), RunMode::Email);
    EXPECT_EQ(parsed({"-OrbHTML"}).mode(), RunMode::Html);
    EXPECT_EQ(parsed({"/OrbSkin", "x.osz"}).mode(), RunMode::InstallSkins);
    // Switches compare exactly; unknown ones are ignored and keep the splash.
    const auto unknown = parsed({"-orblocal", "-Verbose", "x"});
    EXPECT_EQ(unknown.mode(), RunMode::Normal);
    EXPECT_TRUE(unknown.showSplash());
    EXPECT_EQ(unknown.files(), QStringList{"x"});
}

TEST(CommandLine, AbsolutePathsAreFilesNotSwitches) {
    const auto p = parsed({"-OrbLocal", "/home/ann/a.jpg", "/OrbLocal", "/OrbLocalX"});
    EXPECT_EQ(p.mode(), RunMode::LocalTour);
    EXPECT_EQ(p.files(), (QStringList{"/home/ann/a.jpg", "/OrbLocalX"}));
    // A lone dash is a file name as well.
    EXPECT_EQ(parsed({"-"}).files(), QStringList{"-"});
}

TEST(CommandLine, ArgumentFileNamesTheSwitchAndThePictures) {
    test::QtTempFolder temp;
    const QString args = temp.path(kArgumentFileName);
    test::writeFile(args, "-OrbHTML \"/p/a b.jpg\" \"/p/c.jpg\"\r\nsecond line is ignored\n");
    const auto p = parsed({"-OrbArgs", args});
    EXPECT_EQ(p.mode(), RunMode::Html);
    EXPECT_FALSE(p.showSplash());
    EXPECT_EQ(p.files(), (QStringList{"/p/a b.jpg", "/p/c.jpg"}));
    EXPECT_TRUE(QFile::exists(args));  // the file is left where it is

    // The argument-file switch alone leaves the splash alone.
    test::writeFile(args, "\"/p/a.jpg\"");
    const auto bare = parsed({"-OrbArgs", args});
    EXPECT_EQ(bare.mode(), RunMode::Normal);
    EXPECT_TRUE(bare.showSplash());
    EXPECT_EQ(bare.files(), QStringList{"/p/a.jpg"});
}

TEST(CommandLine, ArgumentFileQuirksAndFailures) {
    CommandLineParser doubled;
    doubled.parseArgumentLine(u"-OrbLocal \"/p/a.jpg\"  \"/p/b.jpg\" \"/p/c.jpg\"");
    EXPECT_EQ(doubled.mode(), RunMode::LocalTour);
    // The second blank makes an empty name and loses the next path: what is left of it,
    // without its first two characters, names no picture. The path after it is read again.
    EXPECT_EQ(doubled.files(), (QStringList{"/p/a.jpg", "", "/b.jpg", "/p/c.jpg"}));

    CommandLineParser noQuote;
    noQuote.parseArgumentLine(u"-OrbLocal /p/a.jpg");
    EXPECT_EQ(noQuote.mode(), RunMode::Normal);
    EXPECT_TRUE(noQuote.files().isEmpty());

    test::QtTempFolder temp;
    const auto missing = parsed({"-OrbArgs", temp.path("nowhere"), "later.jpg"});
    EXPECT_EQ(missing.mode(), RunMode::Normal);
    EXPECT_TRUE(missing.showSplash());
    EXPECT_EQ(missing.files(), QStringList{"later.jpg"});

    // A file naming itself again is read once.
    const QString self = temp.path("self.args");
    test::writeFile(self, "-OrbArgs \"" + self.toUtf8() + "\"");
    const auto loop = parsed({"-OrbArgs", self});
    EXPECT_EQ(loop.mode(), RunMode::Normal);
    EXPECT_TRUE(loop.files().isEmpty());
}

TEST(CommandLine, RelativeNamesAreTakenFromTheStartingFolder) {
    CommandLineParser p;
    p.parseArguments({"-OrbLocal", "a.jpg", "../up/b.jpg", "/abs/c.jpg"});
    p.parseArgumentLine(u"-OrbLocal \"d.jpg\"  \"xxe.jpg\"");
    p.resolveFiles("/home/ann/pictures");
    EXPECT_EQ(p.files(),
              (QStringList{"/home/ann/pictures/a.jpg", "/home/ann/up/b.jpg", "/abs/c.jpg",
                           "/home/ann/pictures/d.jpg", "", "/home/ann/pictures/e.jpg"}));
}

}  // namespace
}  // namespace orbpix
