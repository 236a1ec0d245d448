#include "studio/StudioApp.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <functional>

#include "shell/Browser.h"
#include "shell/ProgramFolder.h"
#include "shell/RegistryStore.h"
#include "shell/ResourceLibrary.h"
#include "shell/Settings.h"
#include "skins/InstanceNotice.h"
#include "skins/SkinAccess.h"
#include "skins/SkinBitmap.h"
#include "skins/SkinButton.h"
#include "skins/SkinDialog.h"
#include "skins/SkinFollower.h"
#include "skins/SkinManager.h"
#include "skins/SkinsMenu.h"
#include "studio/MainFrame.h"
#include "support/QtFiles.h"
#include "support/SettingsFixture.h"
#include "support/TourExportSupport.h"
#include "support/WaitUntil.h"
#include "support/ZipFiles.h"
#include "tourfmt/TourAlbum.h"
#include "ui/AboutWindow.h"
#include "ui/ExportProgressWindow.h"
#include "ui/PanoramaView.h"
#include "ui/SplashWindow.h"

namespace orbpix {
namespace {

using namespace std::chrono_literals;

// Plays the user: answers the windows the program opens while it runs, the way a person
// would, and records what they showed.
class User : public QObject {
public:
    QString destination;  // typed into the save dialog
    QStringList messages;
    QStringList proposedNames;
    int progressMaximum = -1;
    QStringList progressNames;

    User() {
        connect(&m_timer, &QTimer::timeout, this, [this] { look(); });
        m_timer.start(10);
    }

private:
    void look() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible())
                continue;
            if (auto* dialog = qobject_cast<QFileDialog*>(w)) {
                proposedNames << dialog->selectedFiles().value(0);
                dialog->selectFile(destination);
                static_cast<QDialog*>(dialog)->accept();
            } else if (auto* box = qobject_cast<QMessageBox*>(w)) {
                messages << box->windowTitle() + ": " + box->text();
                box->button(QMessageBox::Ok) ? box->button(QMessageBox::Ok)->click()
                                             : box->reject();
            } else if (auto* progress = dynamic_cast<ExportProgressWindow*>(w)) {
                progressMaximum = progress->maximum();
                const QString name = progress->pictureName();
                if (!name.isEmpty() && !progressNames.contains(name))
                    progressNames << name;
            }
        }
    }
    QTimer m_timer;
};

class StudioAppTest : public test::SettingsFixture {
protected:
    void SetUp() override {
        SettingsFixture::SetUp();
        m_env.set("TMPDIR", m_temp.path("tmp"));
        m_env.set("HOME", m_temp.path("home"));
        m_env.set("XDG_DATA_HOME", m_temp.path("data"));
        m_env.set("XDG_RUNTIME_DIR", m_temp.path("runtime"));
        for (const char* folder : {"tmp", "home", "runtime", "pictures"})
            ASSERT_TRUE(QDir().mkpath(m_temp.path(folder)));
        ASSERT_TRUE(QFile::setPermissions(m_temp.path("runtime"),
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        ASSERT_TRUE(registry::writeText(registry::Hive::User, "Software\\Orbworks\\Albums", "path",
                                        m_temp.path("library")));
        test::makeProgramFolder(programFolder(), m_programs);
    }
    QString programFolder() const { return m_temp.path("program"); }
    QString programFile() const { return programFolder() + "/OrbPixStudio"; }
    QString ring(const QString& name, int seed) {
        const QString path = m_temp.path("pictures/" + name);
        EXPECT_TRUE(test::writeRingPicture(path, 400, 300, 25, 125, seed));
        return path;
    }
    // Runs the program; a normal start hands its window to `shown` (closed at once without).
    int run(const QStringList& arguments, std::function<void(CMainFrame&)> shown = {}) {
        StudioApp app(programFile());
        app.setSplashMs(50);
        m_app = &app;
        app.setMainWindowShown([&shown](CMainFrame& frame) {
            if (shown)
                shown(frame);
            // Closing waits until the preview of the picture shown is made.
            EXPECT_TRUE(QTest::qWaitFor([&] { return !frame.panel()->isBusy(); }, 20000));
            EXPECT_TRUE(frame.close());
        });
        return app.run(arguments);
    }

    QStringList m_programs;
    StudioApp* m_app = nullptr;  // the program while run() runs it
};

TEST_F(StudioAppTest, LocalTourFromTheCommandLine) {
    User user;
    user.destination = m_temp.path("home/Mars Tour");
    ASSERT_EQ(run({"-OrbLocal", ring("a.jpg", 1), ring("b.jpg", 2)}), 0)
        << user.messages.join('\n').toStdString();
    EXPECT_TRUE(user.messages.isEmpty()) << user.messages.join('\n').toStdString();
    ASSERT_EQ(user.proposedNames.size(), 1);
    EXPECT_EQ(QFileInfo(user.proposedNames[0]).fileName(), "Tour");
    EXPECT_EQ(user.progressMaximum, 200);
    EXPECT_FALSE(user.progressNames.isEmpty());
    for (const QString& name : user.progressNames)
        EXPECT_TRUE(name == "a.jpg" || name == "b.jpg") << name.toStdString();

    const auto tour = test::readTourProgram(user.destination);
    ASSERT_TRUE(tour);
    EXPECT_EQ(tour->container.caption, "ALBUM PHOTO");
    EXPECT_EQ(tour->album.title, "Tour");
    ASSERT_EQ(tour->album.pictures.size(), 2u);
    EXPECT_EQ(tour->album.pictures[0].name, "a.jpg");
    EXPECT_EQ(tour->album.pictures[1].name, "b.jpg");
    QImage panorama;
    const auto& jpeg = tour->album.pictures[0].jpeg;
    ASSERT_TRUE(panorama.loadFromData(jpeg.data(), int(jpeg.size()), "JPEG"));
    EXPECT_EQ(panorama.size(), QSize(4200, 1050));
    EXPECT_TRUE(QFileInfo(user.destination).isExecutable());
    // The temporary album is gone from the library.
    EXPECT_TRUE(
        QDir(m_temp.path("library")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_EQ(readText("Settings", "Exe", ""), programFile());
}

TEST_F(StudioAppTest, LocalTourThroughTheArgumentFile) {
    // Relative names count from the folder the program starts in.
    (void)ring("one.jpg", 3);
    (void)ring("two.jpg", 4);
    writeFile(m_temp.path("tmp/~orb.args"), "-OrbLocal \"one.jpg\" \"../pictures/two.jpg\"");
    writeFile(machineFolder() + "/Orbworks/OrbPixStudio.conf",
              "[Settings]\nCompressionLocal=100\n[User]\nPrivate=1\n");
    User user;
    user.destination = m_temp.path("home/from args");
    const QString started = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_temp.path("pictures")));
    const int status = run({"-OrbArgs", "../tmp/~orb.args"});
    ASSERT_TRUE(QDir::setCurrent(started));
    ASSERT_EQ(status, 0) << user.messages.join('\n').toStdString();
    const auto tour = test::readTourProgram(user.destination);
    ASSERT_TRUE(tour);
    ASSERT_EQ(tour->album.pictures.size(), 2u);
    EXPECT_EQ(tour->album.pictures[1].name, "two.jpg");
    EXPECT_FALSE(tour->album.info);  // "Private" from the machine's settings
    QImage panorama;
    const auto& jpeg = tour->album.pictures[1].jpeg;
    ASSERT_TRUE(panorama.loadFromData(jpeg.data(), int(jpeg.size()), "JPEG"));
    EXPECT_EQ(panorama.size(), QSize(2000, 500));
    // Machine values in use at exit are now the user's own.
    const QByteArray user_ = readFile(userFolder() + "/Orbworks/OrbPixStudio.conf");
    EXPECT_TRUE(user_.contains("CompressionLocal=100")) << user_.toStdString();
    EXPECT_TRUE(user_.contains("Private=1"));
}

// A publishing start that has nothing to publish says so, and the settings in use are still
// written at exit.
TEST_F(StudioAppTest, FailedPublishingStillWritesTheSettings) {
    writeFile(machineFolder() + "/Orbworks/OrbPixStudio.conf", "[User]\nName=Machine Ann\n");
    User user;
    EXPECT_EQ(run({"-OrbHTML", m_temp.path("missing.jpg")}), 1);
    EXPECT_FALSE(user.messages.isEmpty());
    EXPECT_EQ(readText("User", "Name", ""), "Machine Ann");
    EXPECT_TRUE(
        readFile(userFolder() + "/Orbworks/OrbPixStudio.conf").contains("Name=Machine Ann"));
    // The skin in use at exit is stored.
    EXPECT_EQ(registry::readText(registry::Hive::User, QString(kProgramKey) + "\\Settings", "Skin"),
              "Default");
}

// The web page and e-mail modes with the desktop's opener and mail command replaced by
// stand-ins that record their arguments.
class PublishingModes : public StudioAppTest {
protected:
    void SetUp() override {
        StudioAppTest::SetUp();
        ASSERT_TRUE(QFile::link(QStringLiteral(ORBPIX_PROGRAM_DIR) + "/Export/Html",
                                programFolder() + "/Export/Html"));
        for (const char* command : {"xdg-open", "xdg-email"}) {
            const QString path = m_temp.path(QString("bin/") + command);
            writeFile(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" +
                                m_temp.path(QString(command) + ".log").toUtf8() +
                                "\"\nexit ${STATUS:-0}\n");
            ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner));
        }
        m_env.set("PATH", m_temp.path("bin") + ":/usr/bin:/bin");
    }
    QStringList logged(const char* command) const {
        return QString::fromUtf8(readFile(m_temp.path(QString(command) + ".log")))
            .split('\n', Qt::SkipEmptyParts);
    }
};

TEST_F(PublishingModes, WebPageThroughTheArgumentFile) {
    (void)ring("one.jpg", 3);
    (void)ring("two.jpg", 4);
    writeFile(m_temp.path("tmp/~orb.args"), "-OrbHTML \"" +
                                                m_temp.path("pictures/one.jpg").toUtf8() + "\" \"" +
                                                m_temp.path("pictures/two.jpg").toUtf8() + "\"");
    ASSERT_TRUE(QDir().mkpath(m_temp.path("home/site")));
    User user;
    user.destination = m_temp.path("home/site");
    ASSERT_EQ(run({"-OrbArgs", m_temp.path("tmp/~orb.args")}), 0)
        << user.messages.join('\n').toStdString();
    EXPECT_TRUE(user.messages.isEmpty()) << user.messages.join('\n').toStdString();
    const QString page = m_temp.path("home/site/Tour/index.html");
    // The desktop's opener was asked to show the page, which the template filled in.
    EXPECT_TRUE(test::waitUntil([&] { return logged("xdg-open") == QStringList{page}; }, 10s));
    const QByteArray html = readFile(page);
    EXPECT_TRUE(html.contains("<title>Tour</title>"));
    EXPECT_TRUE(html.contains("Pictures: \"one.jpg\",\"two.jpg\""));
    const auto album = readTourAlbumFile(m_temp.path("home/site/Tour/album.orb").toStdString());
    ASSERT_TRUE(album);
    EXPECT_EQ(album->pictures.size(), 2u);
    EXPECT_TRUE(QFileInfo::exists(m_temp.path("home/site/Tour/album.orb.js")));
    EXPECT_TRUE(QFileInfo::exists(m_temp.path("home/site/Tour/orbview.js")));
    // The temporary album is gone from the library.
    EXPECT_TRUE(
        QDir(m_temp.path("library")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

TEST_F(PublishingModes, EmailWaitsForTheMailProgramAndKeepsItsFilesForIt) {
    User user;
    ASSERT_EQ(run({"-OrbEmail", ring("a.jpg", 1), ring("b.jpg", 2)}), 0)
        << user.messages.join('\n').toStdString();
    QStringList attached;
    const QStringList args = logged("xdg-email");
    for (qsizetype i = 0; i + 1 < args.size(); ++i)
        if (args[i] == "--attach")
            attached << QFileInfo(args[i + 1]).fileName();
    EXPECT_EQ(attached, (QStringList{"index.html", "orbview.css", "orbview.js", "skin.css",
                                     "album.orb.js", "album.orb"}));
    // The message's files stay for the mail program (a later message clears them).
    const QStringList kept =
        QDir(m_temp.path("runtime")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(kept.size(), 1);
    EXPECT_TRUE(kept[0].startsWith("orbworks-mail-"));
    EXPECT_TRUE(user.messages.isEmpty()) << user.messages.join('\n').toStdString();
    ASSERT_TRUE(QDir(m_temp.path("runtime/" + kept[0])).removeRecursively());

    // The mail program refuses: the user hears of it, and the files go at once.
    m_env.set("STATUS", "1");
    EXPECT_EQ(run({"-OrbEmail", ring("a.jpg", 1)}), 1);
    ASSERT_EQ(user.messages.size(), 1);
    ResourceLibrary texts;
    ASSERT_TRUE(texts.load(programFolder()));
    EXPECT_TRUE(user.messages[0].endsWith(texts.text(628))) << user.messages[0].toStdString();
    EXPECT_TRUE(QDir(m_temp.path("runtime")).isEmpty());
}

// A first start seeds the library from the program's examples and opens on them; the window
// keeps its place, and its album, for the next start.
TEST_F(StudioAppTest, NormalStartShowsTheExampleAlbumAndRemembersTheWindow) {
    ASSERT_TRUE(
        QFile::link(QStringLiteral(ORBPIX_PROGRAM_DIR "/Examples"), programFolder() + "/Examples"));
    User user;
    bool looked = false;
    ASSERT_EQ(run({"some.jpg"},
                  [&](CMainFrame& frame) {
                      MainPanel* panel = frame.panel();
                      ASSERT_TRUE(
                          QTest::qWaitFor([&] { return panel->view()->framesShown() > 0; }, 20000));
                      ASSERT_TRUE(panel->album());
                      EXPECT_EQ(panel->album()->name(), "Mars");
                      EXPECT_EQ(panel->album()->itemCount(), 3u);
                      EXPECT_EQ(frame.windowTitle(), "Mars - OrbPix Studio");
                      // The splash said the window is ready.
                      ASSERT_TRUE(m_app->splash());
                      EXPECT_EQ(m_app->splash()->controlText(1074), resourceLibrary().text(835));
                      EXPECT_TRUE(m_app->splash()->controlText(1075).isEmpty());
                      EXPECT_GE(frame.width(), 800);
                      EXPECT_GE(frame.height(), 580);
                      // The menu's undo names the change it would take back.
                      QAction* undo = frame.action(command::kUndo);
                      ASSERT_TRUE(undo);
                      EXPECT_FALSE(undo->isEnabled());
                      ASSERT_TRUE(panel->runCommand(panel::kNoCorrection));
                      frame.updateMenu();
                      EXPECT_TRUE(undo->isEnabled());
                      EXPECT_EQ(undo->text(), "&Undo modify image");
                      EXPECT_TRUE(frame.action(command::kPublishHtml)->isEnabled());
                      EXPECT_TRUE(frame.action(command::kAlbumProperties)->isEnabled());
                      EXPECT_TRUE(frame.action(kPreferencesCommand)->isEnabled());

                      // Closing is refused while a preview is being made.
                      panel->showItem(1);
                      ASSERT_TRUE(panel->isBusy());
                      EXPECT_FALSE(frame.close());
                      EXPECT_TRUE(frame.isVisible());
                      ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->isBusy(); }, 20000));
                      frame.setGeometry(40, 50, 900, 640);
                      looked = true;
                  }),
              0);
    EXPECT_TRUE(looked);
    EXPECT_TRUE(user.messages.isEmpty()) << user.messages.join('\n').toStdString();
    EXPECT_EQ(readNumber("Settings", "LaunchCounter", 0), 1u);
    EXPECT_EQ(readText("Settings", "LastAlbum", ""), "Mars");
    EXPECT_EQ(
        registry::readText(registry::Hive::User, QString(kProgramKey) + "\\Windows", "MainWindow"),
        "40,50,940,690,1");
    // The change was saved with the album when the window closed.
    EXPECT_TRUE(readFile(m_temp.path("library/Mars/.orp")).contains("0,0,0"));

    QRect placed;
    ASSERT_EQ(run({}, [&](CMainFrame& frame) { placed = frame.geometry(); }), 0);
    EXPECT_EQ(placed, QRect(40, 50, 900, 640));
    EXPECT_EQ(readNumber("Settings", "LaunchCounter", 0), 2u);
}

TEST_F(StudioAppTest, NoSkinEndsTheProgramUnlessNotNeeded) {
    ASSERT_TRUE(QFile::remove(programFolder() + "/Skins/Default"));
    User user;
    EXPECT_EQ(run({}), 1);
    ASSERT_EQ(user.messages.size(), 1);
    ResourceLibrary texts;
    ASSERT_TRUE(texts.load(programFolder()));
    EXPECT_TRUE(user.messages[0].endsWith(texts.text(805))) << user.messages[0].toStdString();

    writeFile(machineFolder() + "/Orbworks/OrbPixStudio.conf", "[Settings]\nNeedASkin=0\n");
    bool windowShown = false;
    EXPECT_EQ(run({}, [&](CMainFrame&) { windowShown = true; }), 0);
    EXPECT_TRUE(windowShown);
    EXPECT_EQ(user.messages.size(), 1);
    // Never written back: it is the administrator's.
    EXPECT_FALSE(readFile(userFolder() + "/Orbworks/OrbPixStudio.conf").contains("NeedASkin"));
}

TEST_F(StudioAppTest, MissingResourceLibraryIsFatal) {
    ASSERT_TRUE(QFile::remove(programFolder() + "/OrbPixRes.rcc"));
    User user;
    EXPECT_EQ(run({"-OrbLocal", "a.jpg"}), 1);
    ASSERT_EQ(user.messages.size(), 1);
    EXPECT_TRUE(user.messages[0].endsWith("Fatal error: Unable to find the resource library..."));
    EXPECT_FALSE(QFileInfo::exists(userFolder() + "/Orbworks/OrbPixStudio.conf"));
}

TEST_F(StudioAppTest, SkinPackageWithEscapingEntriesInstallsOnlyInside) {
    ASSERT_TRUE(QFile::remove(programFolder() + "/Skins/Default"));
    const QString package = m_temp.path("pictures/Blue Sky.osz");
    ASSERT_TRUE(test::writeZip(package, {{"../../outside.txt", "no"}, {"info.txt", "yes"}}));
    User user;
    // No skin is installed, but installing one is exactly what this start is for.
    EXPECT_EQ(run({"-OrbSkin", package}), 0);
    ASSERT_EQ(user.messages.size(), 1);
    EXPECT_TRUE(user.messages[0].startsWith("Unzip error: Zip error 2:\n../../outside.txt"))
        << user.messages[0].toStdString();
    EXPECT_EQ(readFile(programFolder() + "/Skins/Blue Sky/info.txt"), "yes");
    EXPECT_FALSE(QFileInfo::exists(programFolder() + "/outside.txt"));
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("outside.txt")));
    EXPECT_EQ(readText("Settings", "Skin", ""), "Blue Sky");

    // A package that yields nothing changes nothing and says so with the exit status.
    EXPECT_EQ(run({"-OrbSkin", m_temp.path("pictures/Missing.osz")}), 1);
    EXPECT_EQ(user.messages.size(), 2);
    EXPECT_FALSE(QFileInfo::exists(programFolder() + "/Skins/Missing"));
    EXPECT_EQ(readText("Settings", "Skin", ""), "Blue Sky");
}

TEST_F(StudioAppTest, HelpNeedsNoDisplayAndTouchesNothing) {
    QProcess help;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.insert("QT_QPA_PLATFORM", "none-such");  // a window system would be fatal
    help.setProcessEnvironment(env);
    for (const char* option : {"--help", "-h"}) {
        help.start(ORBPIX_PROGRAM_DIR "/OrbPixStudio", {"-OrbLocal", option});
        ASSERT_TRUE(help.waitForFinished(20000));
        EXPECT_EQ(help.exitCode(), 0) << option;
        EXPECT_TRUE(help.readAllStandardOutput().contains("-OrbSkin PACKAGE.osz"));
    }
    EXPECT_FALSE(QFileInfo::exists(userFolder() + "/Orbworks/OrbPixStudio.conf"));
    EXPECT_FALSE(QFileInfo::exists(m_temp.path("data/applications")));
}

TEST_F(StudioAppTest, HelpAboutAndTheMakersPagesFromTheMenu) {
    const QString help = programFolder() + "/Help/index.html";
    ASSERT_TRUE(QDir().mkpath(programFolder() + "/Help"));
    ASSERT_TRUE(test::writeFile(help, "<html></html>"));
    QStringList opened;
    const UrlOpener desktop = setUrlOpener([&](const QString& address) {
        opened << address;
        return true;
    });
    User user;
    bool aboutWasModal = false;
    QWidget* aboutOwner = nullptr;
    ASSERT_EQ(run({},
                  [&](CMainFrame& frame) {
                      frame.action(kHelpCommand)->trigger();
                      frame.action(kHomePageCommand)->trigger();
                      frame.action(kSkinsPageCommand)->trigger();
                      QTimer::singleShot(0, &frame, [&] {
                          auto* about =
                              qobject_cast<AboutWindow*>(QApplication::activeModalWidget());
                          ASSERT_TRUE(about);
                          aboutWasModal = about->isModal();
                          aboutOwner = about->parentWidget();
                          about->findChild<SkinButton*>("1")->click();
                      });
                      frame.action(kAboutCommand)->trigger();
                      EXPECT_EQ(aboutOwner, &frame);
                      // Without its pages the help says where they should be.
                      ASSERT_TRUE(QFile::remove(help));
                      frame.action(kHelpCommand)->trigger();
                  }),
              0);
    (void)setUrlOpener(desktop);
    EXPECT_TRUE(aboutWasModal);
    EXPECT_EQ(opened.join(' '), QUrl::fromLocalFile(help).toString() +
                                    " https://www.orbworks.example/"
                                    " https://www.orbworks.example/skins/");
    ASSERT_EQ(user.messages.size(), 1);
    EXPECT_TRUE(user.messages[0].contains(QDir::toNativeSeparators(help)));
}

class TwoInstances : public StudioAppTest {
protected:
    TwoInstances() { m_programs = {"OrbPixStudio"}; }
};

// Hears the skin change the way every skinned window does, noting the stored skin setting
// at that moment.
class SettingAtSkinChange : public QObject {
public:
    QString setting = "(not noticed)";
    bool event(QEvent* e) override {
        if (e->type() != SkinChangedEvent::kType)
            return QObject::event(e);
        setting = readText("Settings", "Skin", "");
        return true;
    }
};

// A skin package "Blue Sky.osz" in a downloads folder whose dialog and window backgrounds are
// plain blue; its folder.
QString writeBlueSkyPackage(const QString& downloads) {
    EXPECT_TRUE(QDir().mkpath(downloads));
    QImage blue(8, 8, QImage::Format_RGB32);
    blue.fill(qRgb(0, 60, 200));
    QByteArray bitmap;
    QBuffer buffer(&bitmap);
    EXPECT_TRUE(buffer.open(QIODevice::WriteOnly) && blue.save(&buffer, "BMP"));
    EXPECT_TRUE(
        test::writeZip(downloads + "/Blue Sky.osz", {{"info.txt", "[Color]\nPI_COL=1,2,3\n"},
                                                     {"buttons/", ""},
                                                     {"BKG_ALBPROP.bmp", bitmap},
                                                     {"MAIN_BKG.bmp", bitmap}}));
    return downloads;
}

// Runs the real program in another process to install "Blue Sky.osz", handling this
// process's events meanwhile; its exit code.
int installBlueSky(const QString& program, const QString& downloads) {
    QProcess installer;
    installer.setWorkingDirectory(downloads);
    QEventLoop loop;
    QObject::connect(&installer, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    installer.start(program, {"-OrbSkin", "Blue Sky.osz"});
    if (!installer.waitForStarted())
        return -1;
    loop.exec();
    if (installer.state() != QProcess::NotRunning)
        return -1;
    if (installer.exitCode() != 0)
        ADD_FAILURE() << installer.readAllStandardError().toStdString();
    return installer.exitCode();
}

TEST_F(TwoInstances, InstallingASkinSwitchesTheRunningInstanceFirst) {
    const QString downloads = writeBlueSkyPackage(m_temp.path("downloads"));

    // This process is the running album program, showing a skinned dialog.
    SkinManager running;
    ASSERT_TRUE(running.initialise(programFolder() + "/Skins", "Default", ""));
    ASSERT_EQ(running.getCurrentSkin(), "Default");
    setProgramSkins(&running);
    SettingAtSkinChange recorder;
    ASSERT_TRUE(running.addWindow(&recorder));
    SkinFollower follower(running);
    ASSERT_TRUE(follower.listen());
    SkinDialog dialog("BKG_ALBPROP");
    dialog.setClientSize(QSize(40, 30));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_NE(dialog.grab().toImage().pixel(20, 20), qRgb(0, 60, 200));

    ASSERT_EQ(installBlueSky(programFile(), downloads), 0);

    setProgramSkins(nullptr);
    EXPECT_EQ(running.getCurrentSkin(), "Blue Sky");
    // Switched before the installer stored the setting, and redrawn in the new skin.
    EXPECT_NE(recorder.setting, "Blue Sky");
    EXPECT_NE(recorder.setting, "(not noticed)");
    EXPECT_EQ(readText("Settings", "Skin", ""), "Blue Sky");
    EXPECT_EQ(dialog.grab().toImage().pixel(20, 20), qRgb(0, 60, 200));
    EXPECT_EQ(running.getSkinColor("PI_COL", 0), qRgb(1, 2, 3));
    // The installer registered the package type for double-clicks.
    EXPECT_TRUE(readFile(m_temp.path("data/applications/orbpix-skin-install.desktop"))
                    .contains(("Exec=\"" + programFile() + "\" -OrbSkin %f").toUtf8()));
}

// The album window of a running program is redrawn in a skin another instance installs.
TEST_F(TwoInstances, TheRunningAlbumWindowTakesOnAnInstalledSkin) {
    const QString downloads = writeBlueSkyPackage(m_temp.path("downloads"));
    const QRgb blue = qRgb(0, 60, 200) & RGB_MASK;
    bool looked = false;
    ASSERT_EQ(run({},
                  [&](CMainFrame& frame) {
                      MainPanel* panel = frame.panel();
                      const QPoint open(panel->width() / 2, panel->height() - 5);
                      EXPECT_NE(panel->grab().toImage().pixel(open) & RGB_MASK, blue);
                      ASSERT_EQ(installBlueSky(programFile(), downloads), 0);
                      EXPECT_TRUE(QTest::qWaitFor(
                          [&] { return (panel->grab().toImage().pixel(open) & RGB_MASK) == blue; },
                          20000));
                      EXPECT_EQ(programSkins().getCurrentSkin(), "Blue Sky");
                      looked = true;
                  }),
              0);
    EXPECT_TRUE(looked);
}

// The light skin that ships as a package installs with the real program and then supplies its
// own pictures, colours and tour skin.
TEST_F(TwoInstances, TheShippedDaylightPackageInstallsWithTheProgram) {
    const QString package = QStringLiteral(ORBPIX_PROGRAM_DIR) + "/Skins/Daylight.osz";
    ASSERT_TRUE(QFileInfo::exists(package));
    QProcess installer;
    installer.start(programFile(), {"-OrbSkin", package});
    ASSERT_TRUE(installer.waitForFinished(60000));
    EXPECT_EQ(installer.exitCode(), 0) << installer.readAllStandardError().toStdString();
    EXPECT_EQ(readText("Settings", "Skin", ""), "Daylight");

    const QString folder = programFolder() + "/Skins/Daylight/";
    // Its web page templates came along: its own colours for the album page.
    EXPECT_TRUE(readFile(folder + "Html/skin.css").contains("--orb-bar: #f6f8fb"));
    SkinManager skins;
    ASSERT_TRUE(skins.initialise(programFolder() + "/Skins", "Default", "Daylight"));
    ASSERT_EQ(skins.getCurrentSkin(), "Daylight");
    SkinManager dark;
    ASSERT_TRUE(dark.initialise(programFolder() + "/Skins", "Default", "Default"));

    SkinBitmap ground, darkGround;
    ASSERT_TRUE(ground.load(skins, "MAIN_BKG"));
    ASSERT_TRUE(darkGround.load(dark, "MAIN_BKG"));
    EXPECT_EQ(ground.picture().pixel(0, 0) & RGB_MASK, qRgb(233, 235, 238) & RGB_MASK);
    EXPECT_GT(qGray(ground.picture().pixel(0, 0)), qGray(darkGround.picture().pixel(0, 0)) + 100);
    SkinBitmap ok, darkOk;
    ASSERT_TRUE(skins.loadElement("BTN_OK", ok));
    ASSERT_TRUE(dark.loadElement("BTN_OK", darkOk));
    EXPECT_EQ(ok.size(), darkOk.size());
    EXPECT_NE(ok.picture(), darkOk.picture());
    ASSERT_TRUE(ok.transparentColour());
    EXPECT_EQ(*ok.transparentColour() & RGB_MASK, ok.picture().pixel(0, 0) & RGB_MASK);
    EXPECT_NE(skins.getSkinColor("DONUTS_BKG", 0), dark.getSkinColor("DONUTS_BKG", 0));
    EXPECT_TRUE(QFileInfo(folder + "BKG_ABOUT.bmp").isFile());

    // Tours made while the skin is in use take their window from the skin's folder.
    EXPECT_FALSE(readFile(folder + "skin.ski").isEmpty());
    EXPECT_EQ(readFile(folder + "skin.ski"), readFile(programFolder() + "/Skins/Default/skin.ski"));
    for (const char* picture : {"background.gif", "mask.gif", "close.gif", "logo.gif"})
        EXPECT_TRUE(QFileInfo(folder + picture).isFile()) << picture;
}

}  // namespace
}  // namespace orbpix
