#include "shell/RegistryStore.h"

#include <QDir>

#include "support/SettingsFixture.h"

namespace orbpix {
namespace {

using registry::Hive;
using RegistryStoreTest = test::SettingsFixture;

TEST_F(RegistryStoreTest, ProgramKeysMapToOneFilePerProgramWithSubkeysAsGroups) {
    const auto settings =
        registry::locateKey(Hive::User, "Software\\Orbworks\\OrbPixStudio\\Settings");
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->file, userFolder() + "/Orbworks/OrbPixStudio.conf");
    EXPECT_EQ(settings->group, "Settings");

    const auto albums = registry::locateKey(Hive::Machine, "Software\\Orbworks\\Albums");
    ASSERT_TRUE(albums);
    EXPECT_EQ(albums->file, machineFolder() + "/Orbworks/Albums.conf");
    EXPECT_EQ(albums->group, "");

    const auto nested = registry::locateKey(Hive::User, "Software\\Orbworks\\Albums\\Trashed\\Old");
    ASSERT_TRUE(nested);
    EXPECT_EQ(nested->file, userFolder() + "/Orbworks/Albums.conf");
    EXPECT_EQ(nested->group, "Trashed/Old");
}

TEST_F(RegistryStoreTest, KeysThatWouldLeaveTheHiveAreRefused) {
    for (const char* key : {"Software\\..\\..\\etc", "Software\\Orbworks\\\\Albums",
                            "Software\\Orb/works\\Albums", "", "Software\\.\\x"}) {
        EXPECT_FALSE(registry::locateKey(Hive::User, QString::fromLatin1(key))) << key;
        EXPECT_FALSE(registry::writeText(Hive::User, QString::fromLatin1(key), "v", "t")) << key;
    }
    EXPECT_FALSE(QDir(userFolder()).exists());
}

TEST_F(RegistryStoreTest, HiveFoldersFollowTheEnvironmentWithTheirDefaults) {
    m_env.set("XDG_CONFIG_DIRS", "relative/dir::" + m_temp.path("second") + ":/third");
    EXPECT_EQ(registry::hiveFolder(Hive::Machine), m_temp.path("second"));
    m_env.unset("XDG_CONFIG_DIRS");
    EXPECT_EQ(registry::hiveFolder(Hive::Machine), "/etc/xdg");
    m_env.set("XDG_CONFIG_HOME", "not/absolute");
    m_env.set("HOME", m_temp.path("home"));
    EXPECT_EQ(registry::hiveFolder(Hive::User), m_temp.path("home") + "/.config");
}

TEST_F(RegistryStoreTest, ValuesRoundTripPerHiveAndStayApart) {
    const QString key = "Software\\Orbworks\\OrbPixStudio\\Settings";
    ASSERT_TRUE(registry::writeText(Hive::User, key, "LastAlbum", "Holiday, 2024 \"best\""));
    ASSERT_TRUE(registry::writeNumber(Hive::Machine, key, "SMTPPort", 587));
    EXPECT_EQ(registry::readText(Hive::User, key, "LastAlbum"), "Holiday, 2024 \"best\"");
    EXPECT_EQ(registry::readNumber(Hive::Machine, key, "SMTPPort"), 587u);
    EXPECT_FALSE(registry::readText(Hive::Machine, key, "LastAlbum"));
    EXPECT_FALSE(registry::readNumber(Hive::User, key, "SMTPPort"));
    EXPECT_FALSE(registry::readText(Hive::User, key + "\\Other", "LastAlbum"));
    // The default value and a named one of the same key do not collide.
    ASSERT_TRUE(registry::writeText(Hive::User, key, "", "unnamed"));
    EXPECT_EQ(registry::readText(Hive::User, key, ""), "unnamed");
    EXPECT_EQ(registry::readText(Hive::User, key, "LastAlbum"), "Holiday, 2024 \"best\"");
    // Value names match without regard to case and keep their first spelling.
    EXPECT_EQ(registry::readText(Hive::User, key, "lastalbum"), "Holiday, 2024 \"best\"");
    ASSERT_TRUE(registry::writeText(Hive::User, key, "LASTALBUM", "Moon"));
    EXPECT_EQ(registry::readText(Hive::User, key, "LastAlbum"), "Moon");
    EXPECT_TRUE(
        readFile(userFolder() + "/Orbworks/OrbPixStudio.conf").contains("\nLastAlbum=Moon\n"));
    // The values of a subkey do not answer for its parent.
    EXPECT_FALSE(registry::readText(Hive::User, "Software\\Orbworks\\OrbPixStudio", "LastAlbum"));
}

TEST_F(RegistryStoreTest, TheProgramPathIsPlainIniForProgramsThatLinkNothingOfOurs) {
    const QString exe = "/opt/orb pix/OrbPixStudio";
    ASSERT_TRUE(
        registry::writeText(Hive::User, "Software\\Orbworks\\OrbPixStudio\\Settings", "Exe", exe));
    const QByteArray file = readFile(userFolder() + "/Orbworks/OrbPixStudio.conf");
    const qsizetype group = file.indexOf("[Settings]\n");
    ASSERT_GE(group, 0) << file.constData();
    EXPECT_GT(file.indexOf("\nExe=" + exe.toUtf8() + "\n"), group) << file.constData();
}

TEST_F(RegistryStoreTest, HandWrittenValuesWithCommasReadBackAsTheirText) {
    writeFile(userFolder() + "/Orbworks/OrbPixStudio.conf",
              "[Windows]\nMainWindow=10,20,800,600\nEmpty=\n");
    const QString key = "Software\\Orbworks\\OrbPixStudio\\Windows";
    EXPECT_EQ(registry::readText(Hive::User, key, "MainWindow"), "10,20,800,600");
    const auto empty = registry::readText(Hive::User, key, "Empty");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->isEmpty());
}

TEST_F(RegistryStoreTest, NumbersAreThirtyTwoBitDecimalsOrNothing) {
    struct Case {
        const char* text;
        std::optional<std::uint32_t> number;
    };
    const Case cases[] = {{"400", 400u},
                          {" 25 ", 25u},
                          {"0", 0u},
                          {"-1", 4294967295u},
                          {"4294967295", 4294967295u},
                          {"4294967296", {}},
                          {"-2147483649", {}},
                          {"abc", {}},
                          {"", {}},
                          {"12abc", {}},
                          {"0x10", {}}};
    for (const Case& c : cases)
        EXPECT_EQ(registry::parseNumber(QString::fromLatin1(c.text)), c.number) << c.text;
}

TEST_F(RegistryStoreTest, AnUnwritableHiveIsReportedAndLeavesNothingBehind) {
    makeMachineHiveUnwritable();
    const QString key = "Software\\Orbworks\\Albums\\Trashed";
    EXPECT_FALSE(registry::writeText(Hive::Machine, key, "", "1-2-6"));
    EXPECT_FALSE(registry::writeNumber(Hive::Machine, key, "num", 3));
    EXPECT_FALSE(registry::readNumber(Hive::Machine, key, "num"));
    // The user's hive is unaffected.
    EXPECT_TRUE(registry::writeNumber(Hive::User, key, "num", 3));
    EXPECT_EQ(registry::readNumber(Hive::User, key, "num"), 3u);
}

}  // namespace
}  // namespace orbpix
