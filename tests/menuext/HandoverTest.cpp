// The argument file must come back whole through the album program's own reader, and the
// settings OrbMenu reads are the ones the suite writes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include "menuext/ExeSetting.h"
#include "menuext/Handover.h"
#include "menuext/Selection.h"
#include "shell/CommandLine.h"
#include "shell/RegistryStore.h"
#include "support/SettingsFixture.h"

namespace orbpix::menu {
namespace {

using test::QtTempFolder;

TEST(ArgumentFile, EveryCommandAndNameComesBackThroughTheAlbumProgramsReader) {
    const QStringList files = {QStringLiteral("/home/u/My Rings/a b.jpg"),
                               QStringLiteral("/home/u/plain.PNG"),
                               QStringLiteral("/home/u/Été/Ring ✓ 東京.tiff"),
                               QStringLiteral("/home/u/it's (1) & $x.bmp")};
    const std::pair<Command, RunMode> cases[] = {{Command::Email, RunMode::Email},
                                                 {Command::Html, RunMode::Html},
                                                 {Command::Local, RunMode::LocalTour}};
    QtTempFolder temp;
    ASSERT_EQ(::chmod(temp.root().toLocal8Bit().constData(), 0700), 0);
    for (const auto& [command, mode] : cases) {
        ASSERT_EQ(writeArgumentFile(temp.root(), argumentLine(command, files)), QString());
        CommandLineParser parser;
        parser.parseArguments({QStringLiteral("-OrbArgs"), temp.path("~orb.args")});
        EXPECT_EQ(parser.mode(), mode);
        EXPECT_FALSE(parser.showSplash());
        EXPECT_EQ(parser.files(), files);
    }
    // A later, shorter selection replaces the file rather than leaving a tail behind.
    const QStringList one = {QStringLiteral("/x.jpg")};
    ASSERT_EQ(writeArgumentFile(temp.root(), argumentLine(Command::Html, one)), QString());
    EXPECT_EQ(test::readFile(temp.path("~orb.args")), QByteArray("-OrbHTML \"/x.jpg\""));
    // With nothing selected the line holds only the switch, and the program starts normally.
    EXPECT_EQ(argumentLine(Command::Email, {}), QByteArray("-OrbEmail"));
    CommandLineParser empty;
    empty.parseArgumentLine(u"-OrbEmail");
    EXPECT_EQ(empty.mode(), RunMode::Normal);
}

TEST(ArgumentFile, NeverWritesThroughALinkPlantedInItsPlace) {
    QtTempFolder temp;
    const QString victim = temp.path("victim");
    ASSERT_TRUE(test::writeFile(victim, "keep"));
    ASSERT_TRUE(QFile::link(victim, temp.path("~orb.args")));
    EXPECT_NE(writeArgumentFile(temp.root(), "-OrbHTML \"/a.jpg\""), QString());
    EXPECT_EQ(test::readFile(victim), QByteArray("keep"));
}

TEST(ArgumentFile, UsesTheRuntimeFolderOnlyWhenItIsTheUsersAlone) {
    test::ScopedEnvironment env;
    QtTempFolder temp;
    const QByteArray root = temp.root().toLocal8Bit();
    ASSERT_EQ(::chmod(root.constData(), 0700), 0);
    env.set("XDG_RUNTIME_DIR", temp.root());
    EXPECT_EQ(argumentFolder().folder, temp.root());
    // Open to others: a private folder under /tmp instead, made only for this user.
    ASSERT_EQ(::chmod(root.constData(), 0777), 0);
    const FolderResult fallback = argumentFolder();
    ASSERT_EQ(fallback.error, QString());
    EXPECT_TRUE(fallback.folder.startsWith(QStringLiteral("/tmp/orbmenu-")));
    struct stat st {};
    ASSERT_EQ(::lstat(fallback.folder.toLocal8Bit().constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(st.st_mode & 077, 0u);
    EXPECT_EQ(st.st_uid, ::getuid());
}

TEST(Selection, HandsOverPicturesByNameAndLeavesOutWhatTheReaderCannotTakeBack) {
    const Selection selection = selectPictures(
        {QStringLiteral("a b.JPG"), QStringLiteral("/abs/ring.jfif"), QStringLiteral("notes.txt"),
         QStringLiteral("jpg"), QStringLiteral("/x/say \"hi\".png"),
         QStringLiteral("/x/two\nlines.png"), QStringLiteral("../up/r.pcd")},
        QStringLiteral("/work/dir"));
    EXPECT_EQ(selection.pictures,
              QStringList({QStringLiteral("/work/dir/a b.JPG"), QStringLiteral("/abs/ring.jfif"),
                           QStringLiteral("/work/up/r.pcd")}));
    EXPECT_EQ(selection.leftOut.size(), 4);
    for (const QString& pattern : picturePatterns())
        EXPECT_TRUE(isPicture(QStringLiteral("/p/x") + pattern.mid(1).toUpper()))
            << pattern.toStdString();
}

class ExeSettingTest : public test::SettingsFixture {};

TEST_F(ExeSettingTest, ReadsWhatTheSuiteWritesUserFirstThenMachine) {
    const QString key = QStringLiteral("Software\\Orbworks\\OrbPixStudio\\Settings");
    EXPECT_FALSE(findExe());
    const QString machineExe = QStringLiteral("/opt/orbpix/OrbPixStudio");
    ASSERT_TRUE(
        registry::writeText(registry::Hive::Machine, key, QStringLiteral("Exe"), machineExe));
    EXPECT_EQ(findExe(), machineExe);
    // Blanks, commas, quotes, backslashes and other scripts survive the INI escaping.
    const QString userExe = QStringLiteral("/home/u/Orb, \"Pix\" \\ Été ✓/OrbPixStudio");
    ASSERT_TRUE(registry::writeText(registry::Hive::User, key, QStringLiteral("Exe"), userExe));
    EXPECT_EQ(findExe(), userExe);
    EXPECT_EQ(userSettingsFile(), userFolder() + "/Orbworks/OrbPixStudio.conf");
}

TEST_F(ExeSettingTest, AnEmptyOrForeignValueIsNoProgram) {
    ASSERT_TRUE(writeFile(userFolder() + "/Orbworks/OrbPixStudio.conf",
                          "[Settings]\nExe=\nOther=x\n[General]\nExe=/wrong\n"));
    ASSERT_TRUE(writeFile(machineFolder() + "/Orbworks/OrbPixStudio.conf",
                          "[settings]\nexe=/opt/o/OrbPixStudio\n"));
    EXPECT_EQ(findExe(), QStringLiteral("/opt/o/OrbPixStudio"));
}

}  // namespace
}  // namespace orbpix::menu
