#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "shell/CommandLine.h"
#include "shell/Settings.h"

namespace orbpix {

class CMainFrame;
class SkinManager;
class SplashWindow;

// The album program's application object: start-up in its fixed order, the run modes and
// the exit path. The process's QApplication must exist.
class StudioApp {
public:
    static constexpr int kTitleText = 57344;
    static constexpr int kLibraryFolderText = 102;
    static constexpr int kHelpFileText = 201;
    static constexpr int kDefaultSkinText = 800;
    static constexpr int kNoSkinText = 805;
    static constexpr int kSplashStartingText = 815;
    static constexpr int kSplashFormatsText = 820;
    static constexpr int kSplashSettingsText = 825;
    static constexpr int kScreenTooSmallText = 810;
    static constexpr int kSplashWindowText = 830;
    static constexpr int kSplashReadyText = 835;

    // programFile: the full path of the running program (tests name another program folder).
    explicit StudioApp(QString programFile);
    ~StudioApp();
    StudioApp(const StudioApp&) = delete;
    StudioApp& operator=(const StudioApp&) = delete;

    // What --help prints; the program answers it before anything else happens.
    static QString usageText();
    // Whether the arguments ask for that help (--help or -h anywhere).
    static bool asksForHelp(const QStringList& arguments);

    // Runs the program for the arguments (without the program name) and answers the exit
    // status: 0 when the job was done.
    int run(const QStringList& arguments);

    // How long the splash stays (tests shorten it).
    void setSplashMs(int ms) { m_splashMs = ms; }
    // Pictures unwrapped at the same time by an export (0: one per processor).
    void setExportThreads(int threads) { m_exportThreads = threads; }

    const CommandLineParser& commandLine() const { return m_commandLine; }
    const AppSettings& settings() const { return m_settings; }
    const QString& programFolder() const { return m_programFolder; }
    const QString& helpPath() const { return m_helpPath; }
    const QString& defaultSkin() const { return m_defaultSkin; }
    SkinManager& skinManager() { return *m_skins; }
    SplashWindow* splash() const { return m_splash.get(); }
    // The main window while a normal start runs, else null.
    CMainFrame* mainFrame() const { return m_frame; }
    // Called once the main window is shown and the album opened, before the program waits
    // for the user (tests drive the window from here).
    void setMainWindowShown(std::function<void(CMainFrame&)> shown) {
        m_frameShown = std::move(shown);
    }

private:
    // Start-up up to the run mode; false when the program must end.
    bool startUp(const QStringList& arguments);
    int runMode();
    // The three publishing modes: the export of the loose files, without a main window.
    int runExport(RunMode mode, const QStringList& files);
    int runMainWindow();
    void exitPath();
    // Writes every setting, as at exit.
    bool writeSettings();
    void showSplashText(int control, int textId);

    QString m_programFile;
    QString m_programFolder;
    QString m_helpPath;
    QString m_defaultSkin;
    CommandLineParser m_commandLine;
    AppSettings m_settings;
    bool m_settingsLoaded = false;
    std::unique_ptr<SkinManager> m_skins;
    std::unique_ptr<SplashWindow> m_splash;
    int m_splashMs;
    int m_exportThreads = 0;
    CMainFrame* m_frame = nullptr;
    std::function<void(CMainFrame&)> m_frameShown;
};

// Shows a message box titled with the program's name.
void showStudioMessage(const QString& text, bool warning);

}  // namespace orbpix
