#include "ui/Preferences.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "album/AlbumLibrary.h"
#include "shell/RegistryStore.h"
#include "shell/ResourceLibrary.h"
#include "shell/Settings.h"
#include "skins/SkinAccess.h"
#include "skins/SkinManager.h"
#include "studio/MainFrame.h"
#include "support/ProgramFixture.h"

namespace orbpix {
namespace {

using namespace preferences;

TEST(PreferencesRules, HomePagePrefixAndSliderSteps) {
    EXPECT_EQ(withHttpPrefix("www.example.org"), "http://www.example.org");
    EXPECT_EQ(withHttpPrefix("http://www.example.org"), "http://www.example.org");
    EXPECT_EQ(withHttpPrefix(""), "");
    // The prefix is compared exactly: capitals get the lower-case prefix as well.
    EXPECT_EQ(withHttpPrefix("HTTP://x"), "http://HTTP://x");
    // A secure address is an address already; a second scheme in front would break it.
    EXPECT_EQ(withHttpPrefix("https://x"), "https://x");

    EXPECT_EQ(roundUpToStep(120, 50), 150);
    EXPECT_EQ(roundUpToStep(250, 50), 250);
    EXPECT_EQ(roundUpToStep(101, 100), 200);
    EXPECT_EQ(roundUpToStep(100, 100), 100);
}

// The program's window on a library in a temporary folder, with the program's settings in
// memory and a user who fills the preferences in when they open.
class PreferencesTest : public test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        if (HasFatalFailure())
            return;
        m_env.set("XDG_RUNTIME_DIR", m_temp.path("runtime"));
        ASSERT_TRUE(QDir().mkpath(m_temp.path("runtime")));
        ASSERT_TRUE(albumLibrary().configure(LibraryConfig{}));
        ASSERT_TRUE(albumLibrary().setRoot(library(), RootCreation::Yes));
        ASSERT_TRUE(QDir().mkpath(library() + "/Mine"));
        m_settings.userName = "Ann";
        m_settings.userHomepage = "http://ann.example";
        m_settings.compressionLocal = 300;
        m_settings.compressionHtml = 100;
        m_settings.lastAlbum = "Mine";
        m_settings.libraryRoot = library();
        ASSERT_TRUE(saveSettings(m_settings));
    }
    QString library() const { return m_temp.path("library"); }
    QString libraryPath() const {
        return registry::readText(registry::Hive::User, "Software\\Orbworks\\Albums", "path")
            .value_or(QString());
    }
    // The settings as stored, window placements aside.
    static QMap<QString, QVariant> storedSettings() {
        QSettings store(
            QDir(qEnvironmentVariable("XDG_CONFIG_HOME")).filePath("Orbworks/OrbPixStudio.conf"),
            QSettings::IniFormat);
        QMap<QString, QVariant> values;
        for (const QString& key : store.allKeys())
            if (!key.startsWith("Windows/"))
                values.insert(key, store.value(key));
        return values;
    }
    PreferencesDialog dialog(PreferencesHooks hooks = {}) {
        return PreferencesDialog(m_settings, albumLibrary(), std::move(hooks));
    }
    // Opens the window, runs the preferences command with the user's part, closes it.
    void runCommand(const std::function<void(PreferencesDialog&)>& user) {
        PanelContext context;
        context.settings = &m_settings;
        context.saveSettings = [this] {
            ++m_saves;
            return saveSettings(m_settings);
        };
        context.message = [this](const QString& text, bool) { m_messages << text; };
        context.execDialog = [&](QDialog& shown) {
            auto& preferences = dynamic_cast<PreferencesDialog&>(shown);
            preferences.show();
            user(preferences);
            return preferences.result();
        };
        CMainFrame frame(m_skins, context);
        frame.panel()->openStartAlbum();
        frame.updateMenu();
        QAction* action = frame.action(kPreferencesCommand);
        ASSERT_TRUE(action);
        ASSERT_TRUE(action->isEnabled());
        action->trigger();
        m_shownAlbum = frame.panel()->album() ? frame.panel()->album()->name() : "";
        m_listed.clear();
        for (int row = 0; row < frame.panel()->albumList()->count() - 2; ++row)
            m_listed << frame.panel()->albumList()->itemText(row);
    }

    AppSettings m_settings;
    int m_saves = 0;
    QStringList m_messages;
    std::string m_shownAlbum;
    QStringList m_listed;
};

TEST_F(PreferencesTest, PagesShowTheSettingsSnapTheSlidersAndBrowse) {
    QString title, start;
    QString answer = m_temp.path("elsewhere");
    PreferencesDialog shown = dialog({[&](const QString& t, const QString& s) {
                                          title = t;
                                          start = s;
                                          return answer;
                                      },
                                      {}});
    ASSERT_TRUE(shown.isReady());
    EXPECT_EQ(shown.windowTitle(), "Preferences");
    EXPECT_EQ(shown.control<QLineEdit>(kUserName)->text(), "Ann");
    EXPECT_EQ(shown.control<QLineEdit>(kUserHomepage)->text(), "http://ann.example");
    EXPECT_EQ(shown.control<QLineEdit>(kLibraryFolder)->text(), library());

    auto* html = shown.control<QSlider>(kHtmlCompression);
    auto* local = shown.control<QSlider>(kLocalCompression);
    EXPECT_EQ(html->value(), 100);
    EXPECT_EQ(local->value(), 300);
    // A drag ends on the next step up, wherever it lets go.
    html->setSliderPosition(120);
    EXPECT_EQ(html->value(), 150);
    html->setSliderPosition(250);
    EXPECT_EQ(html->value(), 250);
    local->setSliderPosition(120);
    EXPECT_EQ(local->value(), 200);
    QTest::keyClick(html, Qt::Key_Left);
    EXPECT_EQ(html->value(), 200);
    EXPECT_TRUE(shown.findChild<QWidget*>("65532")->property("text").toString().contains("200"));

    // The reset takes the default qualities of the settings.
    m_settings.defaultHtmlComp = 150;
    m_settings.defaultLocalComp = 500;
    shown.control<QPushButton>(kResetCompression)->click();
    EXPECT_EQ(html->value(), 150);
    EXPECT_EQ(local->value(), 500);

    // The chooser starts from the field and puts the folder chosen into it; cancelled, it
    // changes nothing.
    shown.control<QLineEdit>(kLibraryFolder)->setText("/some/where");
    shown.control<QPushButton>(kBrowseFolder)->click();
    EXPECT_EQ(title, resourceLibrary().text(kChooseFolderText));
    EXPECT_EQ(start, "/some/where");
    EXPECT_EQ(shown.control<QLineEdit>(kLibraryFolder)->text(), answer);
    answer.clear();
    shown.control<QPushButton>(kBrowseFolder)->click();
    EXPECT_EQ(shown.control<QLineEdit>(kLibraryFolder)->text(), m_temp.path("elsewhere"));
}

TEST_F(PreferencesTest, CancelChangesNothingAndOkWritesEverythingAndMovesTheLibrary) {
    const QMap<QString, QVariant> storedBefore = storedSettings();
    ASSERT_EQ(storedBefore.value("User/Name"), "Ann");
    const PreferenceValues before = preferencesFromSettings(m_settings, library());

    const auto fillIn = [&](PreferencesDialog& shown) {
        shown.control<QLineEdit>(kUserName)->setText("Bob");
        shown.control<QLineEdit>(kUserAddress)->setText("1 Harbour Road");
        shown.control<QLineEdit>(kUserHomepage)->setText("bob.example");
        shown.control<QCheckBox>(kUserPrivate)->setChecked(true);
        shown.control<QSlider>(kHtmlCompression)->setSliderPosition(120);
        shown.control<QSlider>(kLocalCompression)->setSliderPosition(420);
        shown.control<QLineEdit>(kLibraryFolder)->setText(m_temp.path("other"));
    };
    runCommand([&](PreferencesDialog& shown) {
        fillIn(shown);
        shown.reject();
    });
    EXPECT_EQ(preferencesFromSettings(m_settings, library()), before);
    EXPECT_EQ(m_settings.libraryRoot, library());
    EXPECT_EQ(m_saves, 0);
    EXPECT_EQ(storedSettings(), storedBefore);
    EXPECT_EQ(libraryPath(), library());
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("other")));

    // A library folder that cannot be one keeps the dialog open on its page, with nothing
    // changed; a usable one is made and taken.
    ASSERT_TRUE(writeFile(m_temp.path("a-file"), "x"));
    ASSERT_TRUE(QDir().mkpath(m_temp.path("other/Theirs")));
    runCommand([&](PreferencesDialog& shown) {
        fillIn(shown);
        shown.control<QLineEdit>(kLibraryFolder)->setText(m_temp.path("a-file"));
        shown.accept();
        EXPECT_TRUE(shown.isVisible());
        EXPECT_EQ(shown.pages()->currentIndex(), 1);
        EXPECT_EQ(m_settings.userName, "Ann");
        shown.control<QLineEdit>(kLibraryFolder)->setText(m_temp.path("other"));
        shown.accept();
        EXPECT_FALSE(shown.isVisible());
    });
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains(m_temp.path("a-file")));
    EXPECT_EQ(m_saves, 1);
    EXPECT_EQ(readText("User", "Name", ""), "Bob");
    EXPECT_EQ(readText("User", "Address", ""), "1 Harbour Road");
    EXPECT_EQ(readText("User", "Homepage", ""), "http://bob.example");
    EXPECT_EQ(readNumber("User", "Private", 0), 1u);
    EXPECT_EQ(readNumber("Settings", "CompressionHtml", 0), 150u);
    EXPECT_EQ(readNumber("Settings", "CompressionLocal", 0), 500u);
    // The window follows the library to its new folder at once.
    EXPECT_EQ(libraryPath(), m_temp.path("other"));
    EXPECT_EQ(m_settings.libraryRoot, m_temp.path("other"));
    EXPECT_EQ(m_shownAlbum, "Theirs");
    EXPECT_EQ(m_listed, QStringList({"Theirs"}));
    EXPECT_TRUE(QFileInfo(library() + "/Mine").isDir());
}

}  // namespace
}  // namespace orbpix
