#include "shell/Settings.h"

#include "shell/RegistryStore.h"
#include "shell/WindowPlacement.h"
#include "support/SettingsFixture.h"

namespace orbpix {
namespace {

using registry::Hive;
using SettingsTest = test::SettingsFixture;

const QString kSettingsKey = "Software\\Orbworks\\OrbPixStudio\\Settings";
const QString kUserKey = "Software\\Orbworks\\OrbPixStudio\\User";
const QString kWindowsKey = "Software\\Orbworks\\OrbPixStudio\\Windows";

TEST_F(SettingsTest, LookupGoesUserThenMachineThenDefault) {
    EXPECT_EQ(readText("User", "Name", "fallback"), "fallback");
    EXPECT_EQ(readNumber("Settings", "SMTPPort", 25), 25u);

    ASSERT_TRUE(registry::writeText(Hive::Machine, kUserKey, "Name", "Machine Corp"));
    ASSERT_TRUE(registry::writeNumber(Hive::Machine, kSettingsKey, "SMTPPort", 465));
    EXPECT_EQ(readText("User", "Name", "fallback"), "Machine Corp");
    EXPECT_EQ(readNumber("Settings", "SMTPPort", 25), 465u);

    // A value of the user's hive wins even when it is empty.
    ASSERT_TRUE(writeText("User", "Name", ""));
    ASSERT_TRUE(writeNumber("Settings", "SMTPPort", 0));
    EXPECT_EQ(readText("User", "Name", "fallback"), "");
    EXPECT_EQ(readNumber("Settings", "SMTPPort", 25), 0u);
    EXPECT_EQ(registry::readText(Hive::Machine, kUserKey, "Name"), "Machine Corp");
}

TEST_F(SettingsTest, ANumberThatIsNotANumberFallsThroughToTheNextHive) {
    writeFile(userFolder() + "/Orbworks/OrbPixStudio.conf", "[Settings]\nSMTPPort=smtp\n");
    EXPECT_EQ(readNumber("Settings", "SMTPPort", 25), 25u);
    ASSERT_TRUE(registry::writeNumber(Hive::Machine, kSettingsKey, "SMTPPort", 2525));
    EXPECT_EQ(readNumber("Settings", "SMTPPort", 25), 2525u);
}

TEST_F(SettingsTest, AMachineValueReachesTheUserHiveAtTheNextExit) {
    ASSERT_TRUE(registry::writeText(Hive::Machine, kSettingsKey, "SMTPServer", "mail.example"));
    ASSERT_TRUE(registry::writeNumber(Hive::Machine, kSettingsKey, "CompressionHtml", 150));
    EXPECT_FALSE(registry::readText(Hive::User, kSettingsKey, "SMTPServer"));

    AppSettings s;
    loadSettings(s);
    EXPECT_EQ(s.smtpServer, "mail.example");
    EXPECT_EQ(s.compressionHtml, 150u);
    ASSERT_TRUE(saveSettings(s));
    EXPECT_EQ(registry::readText(Hive::User, kSettingsKey, "SMTPServer"), "mail.example");
    EXPECT_EQ(registry::readNumber(Hive::User, kSettingsKey, "CompressionHtml"), 150u);
}

TEST_F(SettingsTest, EverySavedValueLoadsBackExceptTheReadOnlyOnes) {
    AppSettings out;
    out.userName = "Ana";
    out.userAddress = "1 Ring Road";
    out.userHomepage = "https://ana.example/";
    out.userPrivate = 1;
    out.compressionLocal = 300;
    out.compressionHtml = 250;
    out.compressionOriginalSize = 1;
    out.needASkin = 0;
    out.launchCounter = 12;
    out.smtpServer = "smtp.example";
    out.smtpPort = 2525;
    out.lastAlbum = "Mars, day 2";
    out.twainSource = "test:0";
    out.defaultHtmlComp = 50;
    out.defaultLocalComp = 500;
    out.skin = "Blue";
    ASSERT_TRUE(saveSettings(out));

    AppSettings in;
    loadSettings(in);
    EXPECT_EQ(in.userName, out.userName);
    EXPECT_EQ(in.userAddress, out.userAddress);
    EXPECT_EQ(in.userHomepage, out.userHomepage);
    EXPECT_EQ(in.userPrivate, out.userPrivate);
    EXPECT_EQ(in.compressionLocal, out.compressionLocal);
    EXPECT_EQ(in.compressionHtml, out.compressionHtml);
    EXPECT_EQ(in.compressionOriginalSize, out.compressionOriginalSize);
    EXPECT_EQ(in.launchCounter, out.launchCounter);
    EXPECT_EQ(in.smtpServer, out.smtpServer);
    EXPECT_EQ(in.smtpPort, out.smtpPort);
    EXPECT_EQ(in.lastAlbum, out.lastAlbum);
    EXPECT_EQ(in.twainSource, out.twainSource);
    EXPECT_EQ(in.defaultHtmlComp, out.defaultHtmlComp);
    EXPECT_EQ(in.defaultLocalComp, out.defaultLocalComp);
    EXPECT_EQ(in.skin, out.skin);
    // "NeedASkin" is only ever set by hand, and "Exe" only by the start-up.
    EXPECT_EQ(in.needASkin, 1u);
    EXPECT_FALSE(registry::readText(Hive::User, kSettingsKey, "NeedASkin"));
    EXPECT_FALSE(registry::readText(Hive::User, kSettingsKey, "Exe"));
}

TEST_F(SettingsTest, HooksSupplyTheSkinNameAndTheLibraryRoot) {
    AppSettings s;
    s.skin = "Stale";
    SettingsHooks hooks;
    hooks.currentSkinName = [] { return QStringLiteral("Chrome"); };
    ASSERT_TRUE(saveSettings(s, hooks));
    EXPECT_EQ(readText("Settings", "Skin", ""), "Chrome");

    int asked = 0;
    hooks.resolveLibraryRoot = [&asked](QString* root) {
        ++asked;
        *root = QStringLiteral("/albums");
        return true;
    };
    loadSettings(s, hooks);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(s.libraryRoot, "/albums");
    hooks.resolveLibraryRoot = [](QString* root) {
        *root = QStringLiteral("/half");
        return false;
    };
    loadSettings(s, hooks);
    EXPECT_TRUE(s.libraryRoot.isEmpty());
}

TEST_F(SettingsTest, SavingIntoAnUnwritableUserHiveIsReported) {
    makeUserHiveUnwritable();
    EXPECT_FALSE(saveSettings(AppSettings{}));
    EXPECT_FALSE(writeProgramFile("/usr/lib/orbpix/OrbPixStudio"));
}

TEST_F(SettingsTest, PlacementsAreWrittenAsFiveDecimals) {
    EXPECT_EQ(formatPlacement({-8, -31, 1928, 1048, 3}), "-8,-31,1928,1048,3");
    ASSERT_TRUE(savePlacement("MainWindow", {10, 20, 810, 620, 1}));
    EXPECT_EQ(registry::readText(Hive::User, kWindowsKey, "MainWindow"), "10,20,810,620,1");
    WindowPlacement restored{0, 0, 1, 1, 7};
    ASSERT_TRUE(restorePlacement("MainWindow", restored));
    EXPECT_EQ(restored, (WindowPlacement{10, 20, 810, 620, 1}));
}

TEST_F(SettingsTest, PlacementTextsNeedFourFieldsAndKeepTheShowStateWithoutAFifth) {
    struct Case {
        const char* text;
        std::optional<WindowPlacement> result;  // applied to {1, 2, 3, 4, 5}
    };
    const Case cases[] = {
        {"10,20,800,600", WindowPlacement{10, 20, 800, 600, 5}},
        {"10,20,800,600,2", WindowPlacement{10, 20, 800, 600, 2}},
        {"10,20,800,600,2,99", WindowPlacement{10, 20, 800, 600, 2}},
        {" 10, x,12abc,-7", WindowPlacement{10, 0, 12, -7, 5}},
        {"10,,30,40", WindowPlacement{10, 0, 30, 40, 5}},
        {"99999999999,-99999999999,0,0", WindowPlacement{2147483647, -2147483647 - 1, 0, 0, 5}},
        {"10,20", std::nullopt},
        {"10,20,30", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases) {
        const auto update = parsePlacement(QString::fromLatin1(c.text));
        ASSERT_EQ(update.has_value(), c.result.has_value()) << c.text;
        if (update) {
            EXPECT_EQ(applyPlacement({1, 2, 3, 4, 5}, *update), *c.result) << c.text;
        }
    }
}

TEST_F(SettingsTest, RestoringIgnoresMissingShortAndOverlongValues) {
    WindowPlacement p{1, 2, 3, 4, 5};
    EXPECT_FALSE(restorePlacement("MainWindow", p));
    // A hand-written value without quotes and with only four numbers moves the window.
    writeFile(userFolder() + "/Orbworks/OrbPixStudio.conf",
              "[Windows]\nMainWindow=10,20,800,600\nAlbumProperties=10,20\nImageProperties=" +
                  QByteArray(300, '1') + ",2,3,4\n");
    EXPECT_TRUE(restorePlacement("MainWindow", p));
    EXPECT_EQ(p, (WindowPlacement{10, 20, 800, 600, 5}));
    EXPECT_FALSE(restorePlacement("AlbumProperties", p));
    EXPECT_FALSE(restorePlacement("ImageProperties", p));
    EXPECT_EQ(p, (WindowPlacement{10, 20, 800, 600, 5}));
    // Placements are the user's own: the machine hive is not consulted.
    ASSERT_TRUE(registry::writeText(Hive::Machine, kWindowsKey, "ImageProperties", "1,1,9,9,1"));
    ASSERT_TRUE(registry::writeText(Hive::User, kWindowsKey, "ImageProperties", "x"));
    EXPECT_FALSE(restorePlacement("ImageProperties", p));
}

}  // namespace
}  // namespace orbpix
