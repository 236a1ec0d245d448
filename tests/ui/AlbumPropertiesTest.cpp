#include "ui/AlbumProperties.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

#include "album/AlbumLibrary.h"
#include "album/FilePatternList.h"
#include "album/FolderAlbum.h"
#include "shell/RegistryStore.h"
#include "shell/ResourceLibrary.h"
#include "shell/Settings.h"
#include "shell/WindowPlacement.h"
#include "skins/SkinAccess.h"
#include "skins/SkinManager.h"
#include "support/ProgramFixture.h"
#include "ui/ImageProperties.h"
#include "ui/MainPanel.h"

namespace orbpix {
namespace {

TEST(AlbumPropertiesRules, SizeIsCountedPerFileAndShownInKilobytesOrMegabytes) {
    // Each file counts its own whole kilobytes.
    EXPECT_EQ(albumKilobytes({1023, 1024, 2047, 3 * 1024}), 5u);

    const AlbumSizeFigure below = albumSizeFigure(1499);
    EXPECT_FALSE(below.megabytes);
    EXPECT_EQ(albumSizeText(below, "%d KB", "%.8f MB"), "1499 KB");

    const AlbumSizeFigure from = albumSizeFigure(1500);
    EXPECT_TRUE(from.megabytes);
    EXPECT_EQ(from.megabyteValue, 1.46484375);
    // The exact quotient reaches the format; the shipped text rounds it for the eye.
    EXPECT_EQ(albumSizeText(from, "%d KB", "%.8f MB"), "1.46484375 MB");
}

TEST(AlbumPropertiesRules, RealFormatFillsOnlyItsOnePlaceholder) {
    EXPECT_EQ(formatWithReal("%% %6.2f of %s", 2.5), "%   2.50 of %s");
    EXPECT_EQ(formatWithReal("%d MB and %.1f and %.1f", 1.5), "%d MB and 1.5 and %.1f");
    // A placeholder that would make a huge text is not filled; nor is a text without one.
    EXPECT_EQ(formatWithReal("%.999f", 1.5), "%.999f 1.5");
    EXPECT_EQ(formatWithReal("MB", 1.5), "MB 1.5");
    EXPECT_EQ(formatWithReal("50%", 1.5), "50% 1.5");
}

// An album that may not be renamed, as an album opened from a tour would be.
class FixedAlbum final : public Album {
public:
    explicit FixedAlbum(const std::string& folder) : Album(folder, /*readOnly=*/true) {}
    std::uint32_t capabilities() const override { return 0; }
    bool load() override { return true; }
    bool save() override { return true; }
    void purge() override {}
    bool synchronise(AlbumObserver*) override { return false; }
    std::string name() const override { return "Fixed"; }
    bool renameFolder(std::string_view) override { return false; }
};

// The library in a temporary folder with two albums, the shipped texts and the Default skin.
class AlbumPropertiesTest : public test::ProgramFixture {
protected:
    void SetUp() override {
        ProgramFixture::SetUp();
        if (HasFatalFailure())
            return;
        addImagingPatterns(filePatternList());
        ASSERT_TRUE(albumLibrary().configure(LibraryConfig{}));
        ASSERT_TRUE(registry::writeText(registry::Hive::User, "Software\\Orbworks\\Albums", "path",
                                        library()));
        for (const char* name : {"Alpha", "Beta"})
            ASSERT_TRUE(QDir().mkpath(library() + '/' + name));
    }
    QString library() const { return m_temp.path("library"); }
    // A file of the given size that takes no room on the disk.
    void writeSparse(const QString& path, qint64 size) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size));
    }
};

TEST_F(AlbumPropertiesTest, ShowsTheFolderSizeCountAndDateAndKeepsItsPlace) {
    const QString folder = library() + "/Alpha";
    writeSparse(folder + "/a.jpg", 1000 * 1024 + 1023);
    writeSparse(folder + "/.hidden", 499 * 1024);
    auto album = FolderAlbum::open(folder.toStdString());
    ASSERT_TRUE(album);
    ASSERT_TRUE(album->save());
    const QFileInfo albumFile(folder + "/.orp");
    ASSERT_LT(albumFile.size(), 1024);
    {
        AlbumPropertiesDialog dialog(*album);
        ASSERT_TRUE(dialog.isReady());
        EXPECT_EQ(dialog.nameField()->text(), "Alpha");
        EXPECT_FALSE(dialog.nameField()->isReadOnly());
        EXPECT_EQ(dialog.controlText(kAlbumSizeId), "1499 KB");
        EXPECT_EQ(dialog.controlText(kPictureCountId), "1");
        EXPECT_EQ(dialog.controlText(kAlbumFileDateId), formatAlbumDate(albumFile.lastModified()));
        dialog.move(120, 90);
    }
    WindowPlacement stored;
    ASSERT_TRUE(restorePlacement("AlbumProperties", stored));
    EXPECT_EQ(QPoint(stored.left, stored.top), QPoint(120, 90));

    // One more kilobyte: from 1500 KB on the size is in megabytes. Without an album file
    // there is no date.
    writeSparse(folder + "/c.bin", 1024);
    ASSERT_TRUE(QFile::remove(albumFile.filePath()));
    AlbumPropertiesDialog dialog(*album);
    EXPECT_EQ(dialog.controlText(kAlbumSizeId), "1.46 MB");
    EXPECT_EQ(dialog.controlText(kAlbumFileDateId), "");
    EXPECT_EQ(dialog.pos(), QPoint(120, 90));

    // An empty name keeps the dialog open; any other name closes it with OK.
    dialog.show();
    dialog.nameField()->clear();
    dialog.accept();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.nameField()->setText("Gamma");
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.name(), "Gamma");

    // An album that cannot be renamed shows its name only, and still closes.
    FixedAlbum fixed(folder.toStdString());
    AlbumPropertiesDialog readOnly(fixed);
    EXPECT_TRUE(readOnly.nameField()->isReadOnly());
    readOnly.show();
    readOnly.reject();
    EXPECT_FALSE(readOnly.isVisible());
}

TEST_F(AlbumPropertiesTest, TheWindowRenamesTheAlbumFolderOnOkAndSaysWhyWhenItCannot) {
    AppSettings settings;
    settings.lastAlbum = "Alpha";
    QStringList messages;
    QString typed;  // what the user types into the dialog
    int opened = 0;
    PanelContext context;
    context.settings = &settings;
    context.message = [&](const QString& text, bool) { messages << text; };
    context.execDialog = [&](QDialog& dialog) {
        ++opened;
        auto& properties = dynamic_cast<AlbumPropertiesDialog&>(dialog);
        properties.nameField()->setText(typed);
        properties.accept();
        return properties.result();
    };
    QWidget window;
    MainPanel* panel = new MainPanel(&window, context);
    panel->openStartAlbum();
    ASSERT_TRUE(panel->album());
    ASSERT_EQ(panel->album()->name(), "Alpha");
    ASSERT_TRUE(panel->isCommandEnabled(command::kAlbumProperties));
    EXPECT_TRUE(panel->unavailableReason(command::kAlbumProperties).isEmpty());
    const auto listed = [&] {
        QStringList names;
        for (int row = 0; row < panel->albumList()->count() - 2; ++row)
            names << panel->albumList()->itemText(row);
        return names;
    };

    typed = "Gamma";
    ASSERT_TRUE(panel->runCommand(command::kAlbumProperties));
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(QFileInfo(library() + "/Gamma").isDir());
    EXPECT_FALSE(QFileInfo::exists(library() + "/Alpha"));
    EXPECT_EQ(panel->album()->name(), "Gamma");
    EXPECT_EQ(listed(), QStringList({"Beta", "Gamma"}));
    EXPECT_EQ(panel->albumList()->currentText(), "Gamma");
    // One change to take back.
    EXPECT_EQ(panel->undoRedoText(command::kUndo, "&Undo"), "&Undo rename album");
    ASSERT_TRUE(panel->runCommand(command::kUndo));
    EXPECT_TRUE(QFileInfo(library() + "/Alpha").isDir());
    EXPECT_EQ(listed(), QStringList({"Alpha", "Beta"}));
    EXPECT_TRUE(messages.isEmpty());

    // A name that is taken, and one no folder can have: a message, and everything stays.
    typed = "Beta";
    ASSERT_TRUE(panel->runCommand(command::kAlbumProperties));
    typed = "a/b";
    ASSERT_TRUE(panel->runCommand(command::kAlbumProperties));
    ASSERT_EQ(messages.size(), 2);
    EXPECT_TRUE(messages[0].contains("\"Beta\"")) << messages[0].toStdString();
    EXPECT_TRUE(messages[1].contains("\"a/b\"")) << messages[1].toStdString();
    EXPECT_EQ(panel->album()->name(), "Alpha");
    EXPECT_EQ(listed(), QStringList({"Alpha", "Beta"}));
    EXPECT_TRUE(QFileInfo(library() + "/Beta").isDir());
    EXPECT_EQ(panel->undoRedoText(command::kUndo, "&Undo"), "&Undo");

    // The renamed album is the one the next start opens.
    typed = "Delta";
    ASSERT_TRUE(panel->runCommand(command::kAlbumProperties));
    delete panel;
    EXPECT_EQ(settings.lastAlbum, "Delta");
    EXPECT_TRUE(QFileInfo(library() + "/Delta/.orp").isFile());
}

}  // namespace
}  // namespace orbpix
