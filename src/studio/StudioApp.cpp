#include "studio/StudioApp.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QMetaObject>
#include <QPixmap>
#include <QScreen>

#include "album/AlbumLibrary.h"
#include "album/FilePatternList.h"
#include "export/ExportManager.h"
#include "shell/Browser.h"
#include "shell/ResourceLibrary.h"
#include "skins/InstanceNotice.h"
#include "skins/SkinAccess.h"
#include "skins/SkinManager.h"
#include "studio/MainFrame.h"
#include "ui/SplashWindow.h"
#include "ui/WidgetExportUi.h"

namespace orbpix {

namespace {

QString titleText() {
    return resourceLibrary().text(StudioApp::kTitleText, QStringLiteral("OrbPix Studio"));
}

void showUnzipError(int code, const QString& message) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Unzip error"),
                    zipErrorText(code, message), QMessageBox::Ok);
    box.setObjectName(QStringLiteral("unzipError"));
    box.exec();
}

}  // namespace

void showStudioMessage(const QString& text, bool warning) {
    QMessageBox box(warning ? QMessageBox::Warning : QMessageBox::Information, titleText(), text,
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("studioMessage"));
    box.exec();
}

StudioApp::StudioApp(QString programFile)
    : m_programFile(std::move(programFile)), m_splashMs(SplashWindow::kDisplayMs) {
    SkinManager::Hooks hooks;
    hooks.zipError = showUnzipError;
    hooks.broadcastInstalled = [] {
        (void)broadcastNotice(QString::fromLatin1(kSkinInstalledNotice));
    };
    m_skins = std::make_unique<SkinManager>(std::move(hooks));
    // Skinned windows reach the program's manager without being handed it.
    setProgramSkins(m_skins.get());
}

StudioApp::~StudioApp() {
    setProgramSkins(nullptr);
}

QString StudioApp::usageText() {
    return QStringLiteral(
        "Usage: OrbPixStudio                     open the album window on the album library\n"
        "       OrbPixStudio -OrbLocal PICTURE...  publish the pictures as a tour program\n"
        "       OrbPixStudio -OrbHTML PICTURE...   publish the pictures as a web page\n"
        "       OrbPixStudio -OrbEmail PICTURE...  send the pictures by e-mail\n"
        "       OrbPixStudio -OrbSkin PACKAGE.osz  install a skin package and switch to it\n"
        "       OrbPixStudio -OrbArgs FILE         take the switch and the pictures from the\n"
        "                                          first line of FILE: -OrbLocal \"A.jpg\" "
        "\"B.jpg\"\n"
        "\n"
        "A switch may also start with '/'. Relative picture names are taken from the folder\n"
        "the program is started in.\n");
}

bool StudioApp::asksForHelp(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"));
}

int StudioApp::run(const QStringList& arguments) {
    if (!startUp(arguments)) {
        exitPath();
        return 1;
    }
    const int status = runMode();
    exitPath();
    return status;
}

void StudioApp::showSplashText(int control, int textId) {
    if (m_splash)
        m_splash->setControlText(control, resourceLibrary().text(textId));
}

bool StudioApp::startUp(const QStringList& arguments) {
    // The program folder is known from the program file; the library sits beside it. There
    // is no component system to initialise first on this platform.
    const QFileInfo program(m_programFile);
    m_programFolder = program.absolutePath();
    if (!resourceLibrary().load(m_programFolder)) {
        QMessageBox::critical(nullptr, QStringLiteral("OrbPix Studio"),
                              QString::fromLatin1(ResourceLibrary::kMissingMessage));
        return false;
    }
    QApplication::setApplicationDisplayName(titleText());

    LibraryConfig config;
    config.size = LibraryConfig::kFullSize;
    config.folderName = resourceLibrary().text(
        kLibraryFolderText, QString::fromLatin1(AlbumLibrary::kDefaultFolderName));
    config.examplesFolder = m_programFolder + QStringLiteral("/Examples");
    config.registryKey = QString::fromLatin1(AlbumLibrary::kDefaultRegistryKey);
    (void)albumLibrary().configure(config);

    m_commandLine.parseArguments(arguments);
    m_commandLine.resolveFiles(QDir::currentPath());

    if (m_commandLine.showSplash()) {
        m_splash = std::make_unique<SplashWindow>(
            QPixmap(ResourceLibrary::bitmapPath(SplashWindow::kBitmapId)), m_splashMs);
        showSplashText(SplashWindow::kUpperText, kSplashStartingText);
        showSplashText(SplashWindow::kLowerText, kSplashFormatsText);
        m_splash->show();
        QCoreApplication::processEvents();
    }

    addImagingPatterns(filePatternList());

    showSplashText(SplashWindow::kLowerText, kSplashSettingsText);
    SettingsHooks hooks;
    hooks.resolveLibraryRoot = [](QString* root) {
        return albumLibrary().getRoot(*root, RootCreation::No);
    };
    loadSettings(m_settings, hooks);
    m_settingsLoaded = true;

    (void)writeProgramFile(program.absoluteFilePath());
    m_helpPath = helpStartPage(
        m_programFolder, resourceLibrary().text(kHelpFileText, QStringLiteral("OrbHelp.chm")));

    m_defaultSkin = resourceLibrary().text(kDefaultSkinText, QStringLiteral("Default"));
    m_skins->registerFileType(program.absoluteFilePath(), QStringLiteral(".osz"), 0);
    const bool skinFound = m_skins->initialise(m_programFolder + QStringLiteral("/Skins"),
                                               m_defaultSkin, m_settings.skin);

    if (m_settings.needASkin != 0 && !skinFound && m_commandLine.mode() != RunMode::InstallSkins) {
        m_splash.reset();
        showStudioMessage(resourceLibrary().text(kNoSkinText), /*warning=*/true);
        return false;
    }
    return true;
}

int StudioApp::runExport(RunMode mode, const QStringList& files) {
    WidgetExportUi ui;
    ExportSettings settings{m_settings.userName,         m_settings.userAddress,
                            m_settings.userHomepage,     m_settings.userPrivate,
                            m_settings.compressionLocal, m_skins->getCurrentSkin(),
                            m_settings.compressionHtml};
    ExportManager manager(ui, settings, m_programFolder);
    manager.setThreads(m_exportThreads);
    const QString name = QStringLiteral("Tour");
    bool ok = false;
    bool generated = true;
    switch (mode) {
        case RunMode::Html:
            ok = manager.exportWebPage(name, files, albumLibrary());
            break;
        case RunMode::Email:
            ok = manager.exportEmail(name, files, albumLibrary());
            break;
        default: {
            QEventLoop waiting;
            manager.setGeneratorFinished([&](bool done, const QString&) {
                generated = done;
                waiting.quit();
            });
            ok = manager.exportLocalTour(name, files, albumLibrary());
            // Without a window of our own left, the program stays until the generator has
            // answered, so that its failure can still be shown.
            if (ok && manager.generatorRunning())
                waiting.exec();
            break;
        }
    }
    return ok && generated ? 0 : 1;
}

int StudioApp::runMode() {
    const QStringList& files = m_commandLine.files();
    switch (m_commandLine.mode()) {
        case RunMode::LocalTour:
        case RunMode::Html:
        case RunMode::Email:
            return runExport(m_commandLine.mode(), files);
        case RunMode::InstallSkins: {
            bool ok = true;
            for (const QString& file : files)
                ok = m_skins->installPackage(file, 1) && ok;
            return ok ? 0 : 1;
        }
        case RunMode::Normal:
        case RunMode::ArgumentFile:
            break;
    }
    return runMainWindow();
}

int StudioApp::runMainWindow() {
    // The window at its smallest must fit the screen's usable area.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen && !CMainFrame::screenIsLargeEnough(screen->availableGeometry().size())) {
        m_splash.reset();
        showStudioMessage(resourceLibrary().text(kScreenTooSmallText), /*warning=*/true);
        return 1;
    }
    ++m_settings.launchCounter;
    showSplashText(SplashWindow::kLowerText, kSplashWindowText);

    PanelContext context;
    context.programFolder = m_programFolder;
    context.settings = &m_settings;
    context.saveSettings = [this] { return writeSettings(); };
    CMainFrame frame(*m_skins, context);
    m_frame = &frame;
    frame.setHelpFile(m_helpPath);
    (void)frame.restoreStoredPlacement();
    frame.panel()->openStartAlbum();
    frame.show();
    showSplashText(SplashWindow::kUpperText, kSplashReadyText);
    if (m_splash)
        m_splash->setControlText(SplashWindow::kLowerText, QString());

    QEventLoop loop;
    QObject::connect(&frame, &CMainFrame::closed, &loop, &QEventLoop::quit);
    if (m_frameShown)
        QMetaObject::invokeMethod(
            &frame, [this, &frame] { m_frameShown(frame); }, Qt::QueuedConnection);
    loop.exec();
    m_splash.reset();
    m_frame = nullptr;
    return 0;
}

bool StudioApp::writeSettings() {
    SettingsHooks hooks;
    hooks.currentSkinName = [this] { return m_skins->getCurrentSkin(); };
    return saveSettings(m_settings, hooks);
}

void StudioApp::exitPath() {
    m_splash.reset();
    if (m_settingsLoaded)
        (void)writeSettings();
    resourceLibrary().unload();
}

}  // namespace orbpix
