#pragma once

#include <QMainWindow>
#include <QMap>
#include <QString>
#include <memory>

#include "shell/ResourceTemplates.h"
#include "shell/WindowPlacement.h"
#include "ui/MainPanel.h"

class QAction;
class QMenu;

namespace orbpix {

class SkinFollower;
class SkinManager;

// Commands the frame itself carries out.
inline constexpr int kExitCommand = 57665;
inline constexpr int kHelpCommand = 40011;
inline constexpr int kAboutCommand = 40012;
inline constexpr int kHomePageCommand = 40013;
inline constexpr int kHomePageText = 200;
inline constexpr int kPreferencesCommand = 40010;
// The menu of the main window in the resource library.
inline constexpr int kMainMenu = 101;
// The frame's smallest size, menu included.
inline constexpr QSize kMinimumFrameSize{800, 580};
// The size it opens at before it has a stored placement, where the screen allows.
inline constexpr QSize kPreferredFrameSize{1024, 720};
inline constexpr const char* kMainWindowPlacement = "MainWindow";

// The album program's main window: the menu of the resource library over the panel, which
// gets every command first. It keeps its place on the screen between runs, refuses to close
// while the panel is busy, and follows skins installed by other instances.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame(SkinManager& skins, PanelContext context);
    ~CMainFrame() override;

    MainPanel* panel() const { return m_panel; }
    // The action of a command in the menu, or null.
    QAction* action(int id) const { return m_actions.value(id); }
    // Brings the menu's enabled states and undo and redo texts up to date.
    void updateMenu();
    // The help start page the help command opens in the browser.
    void setHelpFile(const QString& path) { m_helpFile = path; }

    // The stored placement for the window, applied when there is one. False otherwise.
    bool restoreStoredPlacement();
    // The placement as stored: the restored rectangle (right and bottom exclusive) and the
    // show state (1 normal, 2 minimised, 3 maximised).
    WindowPlacement placement() const;

    // Whether the available screen area can hold the frame at its smallest.
    static bool screenIsLargeEnough(QSize available);

signals:
    // The window closed (closing was not refused).
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    void buildMenu(const MenuTemplate& menu);
    void fillMenu(QMenu& menu, const std::vector<MenuEntry>& entries);
    void triggered(int id);
    void openHelp();
    // The preferences: on OK every setting is written at once and the panel follows the
    // library to its new folder.
    void openPreferences();
    void savePlacementNow();

    SkinManager& m_skins;
    // What the frame's own dialogs need of the program; the panel has its own copy.
    PanelContext m_context;
    MainPanel* m_panel = nullptr;
    QMap<int, QAction*> m_actions;
    // Undo and redo labels as the menu gives them, without their shortcuts.
    QMap<int, QString> m_labels;
    std::unique_ptr<SkinFollower> m_follower;
    bool m_placementSaved = false;
    QString m_helpFile;
};

}  // namespace orbpix
