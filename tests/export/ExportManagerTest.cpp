#include "export/ExportManager.h"

#include "support/ScriptedUi.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

#include "ExportFixture.h"
#include "album/AlbumLibrary.h"
#include "album/FilePatternList.h"
#include "album/FolderAlbum.h"
#include "shell/ProgramFolder.h"
#include "shell/ResourceLibrary.h"
#include "support/TourExportSupport.h"

namespace orbpix {
namespace {

class ExportManagerTest : public test::ExportFixture {
protected:
    QString ringFile(const QString& name, int seed) {
        const QString path = m_temp.path("pictures/" + name);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        EXPECT_TRUE(test::writeRingPicture(path, 320, 240, 20, 100, seed));
        return path;
    }
    // Waits until the generator has ended; false when it never reported.
    static bool waitForGenerator(ExportManager& manager, bool* ok) {
        QEventLoop loop;
        bool ended = false;
        manager.setGeneratorFinished([&](bool success, const QString&) {
            *ok = success;
            ended = true;
            loop.quit();
        });
        if (!manager.generatorRunning())
            return ended;
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        loop.exec();
        return ended;
    }
};

TEST_F(ExportManagerTest, LooseFilesBecomeATourThroughATemporaryAlbum) {
    AlbumLibrary library;
    ASSERT_TRUE(library.setRoot(m_temp.path("library"), RootCreation::Yes));
    ASSERT_TRUE(library.createAlbum("_Album"));  // taken: the export must use "_Album1"
    test::ScriptedUi ui;
    ui.destination = m_temp.path("out dir/My Tour");
    ASSERT_TRUE(QDir().mkpath(m_temp.path("out dir")));
    ExportSettings settings;
    settings.userName = "Ann";
    settings.compressionLocal = 100;
    ExportManager manager(ui, settings, programFolder());
    const QStringList files = {ringFile("b.jpg", 1), ringFile("a.jpg", 2)};
    ASSERT_TRUE(manager.exportLocalTour("Tour", files, library));
    bool generated = false;
    ASSERT_TRUE(waitForGenerator(manager, &generated));
    EXPECT_TRUE(generated) << ui.messages.join('\n').toStdString();

    EXPECT_EQ(ui.proposedName, "Tour");
    EXPECT_EQ(ui.fileType, resourceLibrary().text(621));
    EXPECT_EQ(ui.maximum, 200);
    EXPECT_EQ(ui.lastPosition, 200);
    EXPECT_EQ(ui.pictures, (QStringList{"b.jpg", "a.jpg"}));
    EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join('\n').toStdString();
    // The temporary album is gone again; the one that was there stays.
    EXPECT_FALSE(library.albumExists("_Album1"));
    EXPECT_TRUE(library.albumExists("_Album"));
    // The tour album file lived in a private folder that went once Tourgen had read it.
    // In the temporary folder, or the private runtime folder of a desktop session.
    EXPECT_TRUE(QFileInfo(manager.workFolder()).fileName().startsWith("orbworks-export-"));
    EXPECT_FALSE(QFileInfo::exists(manager.workFolder()));

    const auto tour = test::readTourProgram(m_temp.path("out dir/My Tour"));
    ASSERT_TRUE(tour);
    EXPECT_EQ(tour->album.title, "Tour");
    ASSERT_TRUE(tour->album.info);
    EXPECT_EQ(tour->album.info->authorName, "Ann");
    ASSERT_EQ(tour->album.pictures.size(), 2u);
    EXPECT_EQ(tour->album.pictures[0].name, "b.jpg");
    EXPECT_EQ(tour->album.pictures[0].firstAngle, -64);
    EXPECT_EQ(tour->album.pictures[0].secondAngle, 26);
    QImage panorama;
    const auto& jpeg = tour->album.pictures[1].jpeg;
    ASSERT_TRUE(panorama.loadFromData(jpeg.data(), int(jpeg.size()), "JPEG"));
    EXPECT_EQ(panorama.size(), QSize(2000, 500));
}

TEST_F(ExportManagerTest, PicturesLeftOutAreListedAndAllLeftOutStartsNothing) {
    const QString folder = m_temp.path("library/Trip");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(test::writeRingPicture(folder + "/1.jpg", 320, 240, 20, 100, 1));
    ASSERT_TRUE(test::writeRingPicture(folder + "/2.jpg", 320, 240, 20, 100, 2));
    // Half of its data is missing: it stays in, and the user hears of it.
    ASSERT_TRUE(test::writeRingPicture(folder + "/3.jpg", 320, 240, 20, 100, 3));
    ASSERT_TRUE(QFile::resize(folder + "/3.jpg", QFileInfo(folder + "/3.jpg").size() / 2));
    auto album = FolderAlbum::open(folder.toStdString());
    ASSERT_TRUE(album);
    ASSERT_EQ(album->itemCount(), 3u);
    ASSERT_TRUE(album->setProperty(0, "CIRCLES", test::ringCircles(320, 240, 20, 100)));
    ASSERT_TRUE(album->setProperty(1, "CIRCLES", "500,500,10,400"));
    ASSERT_TRUE(album->setProperty(2, "CIRCLES", test::ringCircles(320, 240, 20, 100)));

    test::ScriptedUi ui;
    ui.destination = m_temp.path("trip");
    ui.answerOk = true;  // the scripted user then cancels the circle dialog
    ExportManager manager(ui, {}, programFolder());
    ASSERT_TRUE(manager.exportLocalTour(*album, "Trip"));
    bool generated = false;
    ASSERT_TRUE(waitForGenerator(manager, &generated));
    EXPECT_TRUE(generated);
    ASSERT_EQ(ui.questions.size(), 1);
    EXPECT_TRUE(ui.questions[0].contains("2.jpg"));
    ASSERT_EQ(ui.messages.size(), 2);
    EXPECT_TRUE(ui.messages[0].endsWith(
        ":\n   2.jpg (its ring is missing, too small or does not fit the picture)"))
        << ui.messages[0].toStdString();
    EXPECT_EQ(ui.messages[1], resourceLibrary().text(890).replace("%s", "\n   3.jpg"));
    const auto tour = test::readTourProgram(m_temp.path("trip"));
    ASSERT_TRUE(tour);
    EXPECT_EQ(tour->album.pictures.size(), 2u);
    EXPECT_EQ(ui.lastPosition, 300);

    // Every picture without valid circles, each question cancelled: no file, no generator.
    ASSERT_TRUE(album->setProperty(0, "CIRCLES", "0,0,1,2"));
    ASSERT_TRUE(album->setProperty(2, "CIRCLES", "0,0,1,2"));
    test::ScriptedUi refusing;
    refusing.destination = m_temp.path("never");
    refusing.answerOk = false;
    ExportManager second(refusing, {}, programFolder());
    EXPECT_FALSE(second.exportLocalTour(*album, "Trip"));
    EXPECT_EQ(refusing.questions.size(), 3);
    EXPECT_EQ(refusing.messages, QStringList{resourceLibrary().text(631)});
    EXPECT_FALSE(second.generatorRunning());
    EXPECT_FALSE(QFileInfo::exists(second.workFolder() + "/album.orb"));
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("never")));
}

TEST_F(ExportManagerTest, CancelledSaveDialogWritesNothing) {
    auto album = FolderAlbum::open(m_temp.path("pictures").toStdString());
    ringFile("x.jpg", 1);
    album = FolderAlbum::open(m_temp.path("pictures").toStdString());
    ASSERT_TRUE(album);
    test::ScriptedUi ui;  // no destination: the dialog was cancelled
    ExportManager manager(ui, {}, programFolder());
    EXPECT_FALSE(manager.exportLocalTour(*album, "Pictures"));
    EXPECT_FALSE(ui.progressShown);
    EXPECT_TRUE(manager.workFolder().isEmpty());
}

TEST_F(ExportManagerTest, GeneratorFailureIsShown) {
    const QString folder = m_temp.path("pictures");
    ringFile("x.jpg", 1);
    auto album = FolderAlbum::open(folder.toStdString());
    ASSERT_TRUE(album);
    test::ScriptedUi ui;
    ui.destination = m_temp.path("tour");
    // A tour skin whose pictures are gone: Tourgen fails, and says why.
    const QString broken = programFolder() + "/Skins/Broken";
    ASSERT_TRUE(QDir().mkpath(broken));
    ASSERT_TRUE(QFile::copy(programFolder() + "/Skins/Default/skin.ski", broken + "/skin.ski"));
    ExportSettings settings;
    settings.skin = "Broken";
    ExportManager manager(ui, settings, programFolder());
    ASSERT_TRUE(manager.exportLocalTour(*album, "Pictures"));
    bool generated = true;
    ASSERT_TRUE(waitForGenerator(manager, &generated));
    EXPECT_FALSE(generated);
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].endsWith("Error in Generation")) << ui.messages[0].toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("tour")));

    // A generator that cannot be started at all: text 638 naming it.
    ASSERT_TRUE(QFile::remove(programFolder() + "/Export/Local/Tourgen"));
    test::ScriptedUi second;
    second.destination = m_temp.path("tour2");
    ExportManager without(second, {}, programFolder());
    ASSERT_TRUE(without.exportLocalTour(*album, "Pictures"));
    ASSERT_EQ(second.messages.size(), 1);
    EXPECT_TRUE(second.messages[0].contains(programFolder() + "/Export/Local/Tourgen"));
    EXPECT_FALSE(QFileInfo::exists(without.workFolder()));
}

TEST_F(ExportManagerTest, ASkinWithoutTourSkinGivesWayToTheDefault) {
    AlbumLibrary library;
    ASSERT_TRUE(library.setRoot(m_temp.path("library"), RootCreation::Yes));
    ASSERT_TRUE(QDir().mkpath(programFolder() + "/Skins/Empty"));
    test::ScriptedUi ui;
    ui.destination = m_temp.path("tour");
    ExportSettings settings;
    settings.compressionLocal = 100;
    settings.skin = "Empty";
    ExportManager manager(ui, settings, programFolder());
    ASSERT_TRUE(manager.exportLocalTour("Tour", {ringFile("a.jpg", 3)}, library));
    bool generated = false;
    ASSERT_TRUE(waitForGenerator(manager, &generated));
    EXPECT_TRUE(generated) << ui.messages.join('\n').toStdString();
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].contains("\"Empty\" has no tour skin"));
    EXPECT_TRUE(test::readTourProgram(m_temp.path("tour")));
}

TEST_F(ExportManagerTest, AnUnwritableDestinationIsNamedBeforeAnyWork) {
    AlbumLibrary library;
    ASSERT_TRUE(library.setRoot(m_temp.path("library"), RootCreation::Yes));
    test::ScriptedUi ui;
    ui.destination = "/proc/tour";
    ExportManager manager(ui, {}, programFolder());
    EXPECT_FALSE(manager.exportLocalTour("Tour", {ringFile("a.jpg", 3)}, library));
    ASSERT_EQ(ui.messages.size(), 1);
    EXPECT_TRUE(ui.messages[0].startsWith("cannot write /proc/tour: "))
        << ui.messages[0].toStdString();
    EXPECT_EQ(ui.maximum, -1);  // no progress: nothing was unwrapped
}

TEST_F(ExportManagerTest, WorkFoldersAreFreshAndPrivate) {
    const auto isPrivate = [](const QString& folder) {
        return QFileInfo(folder).isDir() && !QFileInfo(folder).isSymLink() &&
               (QFileInfo(folder).permissions() &
                (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup)) ==
                   QFileDevice::Permissions();
    };
    // The user's runtime folder when it is private, the temporary folder when it is not.
    const QString runtime = m_temp.path("runtime");
    ASSERT_TRUE(QDir().mkpath(runtime));
    m_env.set("XDG_RUNTIME_DIR", runtime);
    ASSERT_TRUE(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner |
                                                   QFile::ExeOwner | QFile::ReadOther |
                                                   QFile::ExeOther));
    const QString shared = exportWorkFolder();
    EXPECT_TRUE(shared.startsWith(QDir::tempPath() + "/orbworks-export-"));
    ASSERT_TRUE(
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString first = exportWorkFolder();
    const QString second = exportWorkFolder();
    EXPECT_TRUE(first.startsWith(runtime + "/orbworks-export-")) << first.toStdString();
    EXPECT_NE(first, second);
    for (const QString& folder : {shared, first, second})
        EXPECT_TRUE(isPrivate(folder)) << folder.toStdString();
}

}  // namespace
}  // namespace orbpix
