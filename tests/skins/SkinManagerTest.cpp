#include "skins/SkinManager.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "shell/RegistryStore.h"
#include "shell/Settings.h"
#include "skins/FileTypeRegistration.h"
#include "skins/SkinPackage.h"
#include "support/SettingsFixture.h"
#include "support/ZipFiles.h"

namespace orbpix {
namespace {

// Counts the skin-changed events it receives and remembers the last name.
class SkinWindow : public QObject {
public:
    int changes = 0;
    QString skin;
    bool event(QEvent* e) override {
        if (e->type() == SkinChangedEvent::kType) {
            ++changes;
            skin = static_cast<SkinChangedEvent*>(e)->skin();
            return true;
        }
        return QObject::event(e);
    }
};

class SkinManagerTest : public test::SettingsFixture {
protected:
    QString skins() const { return m_temp.path("Skins"); }
    void makeSkin(const QString& name) { ASSERT_TRUE(QDir().mkpath(skins() + "/" + name)); }
    static QByteArray read(const QString& path) { return readFile(path); }
};

TEST_F(SkinManagerTest, InitialisePicksWantedThenDefaultThenFirst) {
    SkinManager empty;
    SkinWindow window;
    ASSERT_TRUE(empty.addWindow(&window));
    EXPECT_FALSE(empty.initialise(skins(), "Default", "Blue"));
    EXPECT_EQ(empty.getCurrentSkin(), "");
    EXPECT_TRUE(QFileInfo(skins()).isDir());  // made when missing
    EXPECT_EQ(empty.skinsFolder(), skins() + "/");
    EXPECT_EQ(window.changes, 1);  // told even when nothing was found

    makeSkin("Zebra");
    SkinManager first;
    EXPECT_TRUE(first.initialise(skins(), "Default", "Blue"));
    EXPECT_EQ(first.getCurrentSkin(), "Zebra");
    makeSkin("Default");
    SkinManager fallback;
    EXPECT_TRUE(fallback.initialise(skins() + "/", "Default", "Blue"));
    EXPECT_EQ(fallback.getCurrentSkin(), "Default");
    makeSkin("Blue");
    SkinManager wanted;
    EXPECT_TRUE(wanted.initialise(skins(), "Default", "Blue"));
    EXPECT_EQ(wanted.getCurrentSkin(), "Blue");
    SkinManager caseMatters;
    EXPECT_TRUE(caseMatters.initialise(skins(), "Default", "blue"));
    EXPECT_EQ(caseMatters.getCurrentSkin(), "Default");
    // Plain files in the skins folder are no skins.
    writeFile(skins() + "/notes.txt", "");
    QStringList list{"kept"};
    EXPECT_EQ(wanted.getSkinList(list), 3);
    list.sort();
    EXPECT_EQ(list, (QStringList{"Blue", "Default", "Zebra", "kept"}));
}

TEST_F(SkinManagerTest, SelectingAndWindowRegistration) {
    makeSkin("A");
    makeSkin("B");
    SkinManager manager;
    ASSERT_TRUE(manager.initialise(skins(), "A", "A"));
    QStringList list;
    manager.getSkinList(list);
    SkinWindow first, second;
    EXPECT_TRUE(manager.addWindow(&first));
    EXPECT_FALSE(manager.addWindow(&first));
    EXPECT_FALSE(manager.addWindow(nullptr));
    EXPECT_TRUE(manager.addWindow(&second));
    QObject stranger;
    EXPECT_FALSE(manager.removeWindow(&stranger));

    const int other = list.indexOf(manager.getCurrentSkin() == "A" ? "B" : "A");
    EXPECT_TRUE(manager.selectSkin(other));
    EXPECT_EQ(first.changes, 1);
    EXPECT_EQ(first.skin, list[other]);
    EXPECT_EQ(second.changes, 1);
    EXPECT_TRUE(manager.selectSkin(other));  // the same skin again: nobody is told
    EXPECT_EQ(first.changes, 1);
    EXPECT_TRUE(manager.selectSkin(7));  // beyond the list: no skin
    EXPECT_EQ(manager.getCurrentSkin(), "");
    EXPECT_EQ(first.changes, 2);
    EXPECT_EQ(first.skin, "");

    EXPECT_TRUE(manager.removeWindow(&first));
    EXPECT_FALSE(manager.removeWindow(&first));
    EXPECT_TRUE(manager.selectSkin(0));
    EXPECT_EQ(first.changes, 2);
    EXPECT_EQ(second.changes, 3);
    {
        SkinWindow gone;
        EXPECT_TRUE(manager.addWindow(&gone));
    }
    manager.notifyWindows();  // a destroyed window is skipped, not reached
    EXPECT_EQ(second.changes, 4);
}

TEST_F(SkinManagerTest, InstallExtractsMakesCurrentAndHandsOver) {
    makeSkin("Default");
    const QString package = m_temp.path("downloads/Blue Sky.osz");
    ASSERT_TRUE(QDir().mkpath(QFileInfo(package).absolutePath()));
    ASSERT_TRUE(test::writeZip(package, {{"info.txt", "name=Blue Sky\n"},
                                         {"buttons/", ""},
                                         {"buttons/ok.bmp", "BMok"},
                                         {"MAIN_BKG.bmp", "BMnew"}}));
    // A file of an earlier version is overwritten, others stay.
    ASSERT_TRUE(QDir().mkpath(skins() + "/Blue Sky"));
    writeFile(skins() + "/Blue Sky/MAIN_BKG.bmp", "BMold-and-longer");
    writeFile(skins() + "/Blue Sky/extra.bmp", "BMx");

    QStringList order;
    SkinManager::Hooks hooks;
    hooks.zipError = [&](int code, const QString& message) {
        order << QStringLiteral("error %1 %2").arg(code).arg(message);
    };
    hooks.broadcastInstalled = [&] {
        // Others switch before the setting changes.
        order << "broadcast " + readText("Settings", "Skin", "(none)") + " " +
                     registry::readText(registry::Hive::User, kSkinsKey, kLastInstalledSkinValue)
                         .value_or("(none)");
    };
    SkinManager manager(hooks);
    ASSERT_TRUE(manager.initialise(skins(), "Default", ""));
    SkinWindow window;
    manager.addWindow(&window);
    window.changes = 0;
    ASSERT_TRUE(manager.installPackage(package, 1));
    EXPECT_EQ(order, QStringList{"broadcast (none) Blue Sky"});
    EXPECT_EQ(readText("Settings", "Skin", ""), "Blue Sky");
    EXPECT_EQ(manager.getCurrentSkin(), "Blue Sky");
    EXPECT_EQ(window.changes, 0);  // the hand-over tells the windows, not the install
    EXPECT_EQ(read(skins() + "/Blue Sky/info.txt"), "name=Blue Sky\n");
    EXPECT_EQ(read(skins() + "/Blue Sky/buttons/ok.bmp"), "BMok");
    EXPECT_EQ(read(skins() + "/Blue Sky/MAIN_BKG.bmp"), "BMnew");
    EXPECT_EQ(read(skins() + "/Blue Sky/extra.bmp"), "BMx");

    // A relative package path works from the current folder.
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_temp.path("downloads")));
    const bool relative = manager.installPackage("Blue Sky.osz", 1);
    QDir::setCurrent(saved);
    EXPECT_TRUE(relative);
    EXPECT_FALSE(manager.installPackage(m_temp.path("downloads/"), 1));
    EXPECT_FALSE(manager.installPackage(m_temp.path("downloads/..osz"), 1));
}

TEST_F(SkinManagerTest, EntriesReachingOutsideAreRefusedAndReported) {
    const QString package = m_temp.path("Evil.osz");
    ASSERT_TRUE(test::writeZip(package, {{"../escaped.txt", "x"},
                                         {"sub/../../escaped2.txt", "x"},
                                         {"..\\escaped3.txt", "x"},
                                         {"/tmp/absolute.txt", "x"},
                                         {"good.bmp", "BMgood"}}));
    QList<int> codes;
    QStringList messages;
    SkinManager::Hooks hooks;
    hooks.zipError = [&](int code, const QString& message) {
        codes << code;
        messages << zipErrorText(code, message);
    };
    SkinManager manager(hooks);
    (void)manager.initialise(skins(), "Default", "");
    ASSERT_TRUE(manager.installPackage(package, 1));
    EXPECT_EQ(codes, (QList<int>{2, 2, 2, 2}));
    EXPECT_TRUE(messages[0].startsWith("Zip error 2:\n../escaped.txt"))
        << messages[0].toStdString();
    EXPECT_EQ(read(skins() + "/Evil/good.bmp"), "BMgood");
    EXPECT_FALSE(QFileInfo::exists(skins() + "/escaped.txt"));
    EXPECT_FALSE(QFileInfo::exists(skins() + "/escaped2.txt"));
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("escaped.txt")));
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("escaped3.txt")));

    // Not a zip at all, missing, or nothing but refused entries: reported, and the skins
    // folder, the current skin and the settings stay as they were.
    writeFile(m_temp.path("Broken.osz"), "this is no archive");
    ASSERT_TRUE(test::writeZip(m_temp.path("Outside.osz"), {{"../only.txt", "x"}}));
    ASSERT_TRUE(QDir().mkpath(skins() + "/Outside"));
    for (const char* failing : {"Broken.osz", "Missing.osz", "Outside.osz"}) {
        codes.clear();
        EXPECT_FALSE(manager.installPackage(m_temp.path(failing), 1)) << failing;
        EXPECT_EQ(codes.size(), 1) << failing;
        EXPECT_EQ(manager.getCurrentSkin(), "Evil");
        EXPECT_EQ(readText("Settings", "Skin", ""), "Evil");
    }
    EXPECT_FALSE(QFileInfo::exists(skins() + "/Broken"));
    EXPECT_FALSE(QFileInfo::exists(skins() + "/Missing"));
    EXPECT_TRUE(QFileInfo(skins() + "/Outside").isDir());  // it was there before
}

TEST_F(SkinManagerTest, NamesStartingWithAColonStayInTheSkinFolder) {
    // Qt reads such names as resource paths; nothing may land in the current folder.
    const QString package = m_temp.path("Colon.osz");
    ASSERT_TRUE(
        test::writeZip(package, {{":folder/", ""}, {":dir/a.bmp", "BMa"}, {":b.bmp", "BMb"}}));
    const QString here = QDir::currentPath();
    ASSERT_TRUE(QDir().mkpath(m_temp.path("current")));
    ASSERT_TRUE(QDir::setCurrent(m_temp.path("current")));
    const int written = extractZipArchive(package, skins() + "/Colon", {});
    QDir::setCurrent(here);
    EXPECT_EQ(written, 2);
    EXPECT_EQ(read(skins() + "/Colon/:dir/a.bmp"), "BMa");
    EXPECT_EQ(read(skins() + "/Colon/:b.bmp"), "BMb");
    EXPECT_TRUE(QFileInfo(skins() + "/Colon/:folder").isDir());
    EXPECT_TRUE(QDir(m_temp.path("current")).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
}

TEST(SkinPackageNames, FollowTheFileName) {
    EXPECT_EQ(skinNameOfPackage("/a/b/Blue Sky.osz"), "Blue Sky");
    EXPECT_EQ(skinNameOfPackage("/a/b/abcd"), "abcd");
    EXPECT_EQ(skinNameOfPackage("/a/b/skin.zip.osz"), "skin.zip");
    EXPECT_EQ(skinNameOfPackage("/a/b/"), "");
    EXPECT_EQ(skinNameOfPackage("/a/...osz"), "");
    EXPECT_EQ(skinNameOfPackage("/a/..osz"), "");
    EXPECT_TRUE(isSafeEntryName("a/b/c.bmp"));
    EXPECT_TRUE(isSafeEntryName("a..b/c"));
    EXPECT_FALSE(isSafeEntryName("a/../../b"));
    EXPECT_FALSE(isSafeEntryName("C:\\skin\\a.bmp"));
    EXPECT_FALSE(isSafeEntryName(""));
}

TEST_F(SkinManagerTest, LastInstalledIsAppliedUnlessSwitchingIsOff) {
    SkinManager manager;
    makeSkin("Old");
    ASSERT_TRUE(manager.initialise(skins(), "Old", "Old"));
    SkinWindow window;
    manager.addWindow(&window);
    const QString key = QString::fromLatin1(kSkinsKey);
    ASSERT_TRUE(registry::writeText(registry::Hive::User, key, kLastInstalledSkinValue, "New"));
    ASSERT_TRUE(registry::writeNumber(registry::Hive::User, key, kSwitchOnInstallValue, 0));
    manager.applyLastInstalled();
    EXPECT_EQ(manager.getCurrentSkin(), "Old");
    EXPECT_EQ(window.changes, 0);
    ASSERT_TRUE(registry::writeNumber(registry::Hive::User, key, kSwitchOnInstallValue, 7));
    manager.applyLastInstalled();
    EXPECT_EQ(manager.getCurrentSkin(), "New");
    EXPECT_EQ(window.skin, "New");
}

TEST_F(SkinManagerTest, FileTypeRunsTheProgramWithTheSkinSwitch) {
    m_env.set("XDG_DATA_HOME", m_temp.path("data"));
    m_env.set("PATH", m_temp.path("nobin"));  // no database refresh in tests
    SkinManager manager;
    manager.registerFileType("/opt/Orb Pix/OrbPixStudio", ".osz", 0);
    const QByteArray xml = read(m_temp.path("data/mime/packages/orbpix-skin.xml"));
    EXPECT_TRUE(xml.contains("<glob pattern=\"*.osz\"/>"));
    EXPECT_TRUE(xml.contains("type=\"application/x-orbpix-skin\""));
    const QByteArray desktop = read(m_temp.path("data/applications/orbpix-skin-install.desktop"));
    EXPECT_TRUE(desktop.contains("Exec=\"/opt/Orb Pix/OrbPixStudio\" -OrbSkin %f\n"))
        << desktop.toStdString();
    EXPECT_TRUE(desktop.contains("MimeType=application/x-orbpix-skin;"));

    EXPECT_EQ(desktopExecArgument("/a/b$c\"d`e\\f%g"), "\"/a/b\\\\$c\\\\\"d\\\\`e\\\\\\\\f%%g\"");
}

}  // namespace
}  // namespace orbpix
