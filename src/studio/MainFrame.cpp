#include "studio/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QUrl>

#include "album/AlbumLibrary.h"
#include "shell/Browser.h"
#include "shell/ResourceLibrary.h"
#include "shell/Settings.h"
#include "skins/SkinFollower.h"
#include "skins/SkinManager.h"
#include "skins/SkinsMenu.h"
#include "ui/AboutWindow.h"
#include "ui/AlbumStrip.h"
#include "ui/Preferences.h"

namespace orbpix {

namespace {

// Show states of a stored placement.
constexpr int kShowNormal = 1;
constexpr int kShowMinimized = 2;
constexpr int kShowMaximized = 3;

// The frame's own commands, which do not depend on the album and are always on.
bool isFrameCommand(int id) {
    return id == kExitCommand || id == kHelpCommand || id == kAboutCommand ||
           id == kHomePageCommand || id == kPreferencesCommand;
}

bool belongsToSkinsMenu(int id) {
    return id == kNoSkinCommand || id == kSkinsPageCommand ||
           (id >= kFirstSkinCommand && id <= kLastSkinCommand);
}

}  // namespace

CMainFrame::CMainFrame(SkinManager& skins, PanelContext context)
    : m_skins(skins), m_context(context) {
    setObjectName(QStringLiteral("MainFrame"));
    setWindowTitle(resourceLibrary().text(57344, QStringLiteral("OrbPix Studio")));
    m_panel = new MainPanel(this, std::move(context));
    setCentralWidget(m_panel);
    setFocusProxy(m_panel);
    QString error;
    if (const auto menu = loadMenuTemplate(kMainMenu, &error))
        buildMenu(*menu);
    setMinimumSize(kMinimumFrameSize);
    // Until the user places it, the window takes a comfortable share of the screen, so
    // that the panorama is larger than the layout's own picture.
    QSize size = (m_panel->layoutSize() + QSize(0, menuBar()->sizeHint().height()))
                     .expandedTo(kMinimumFrameSize);
    if (const QScreen* s = screen())
        size = size.expandedTo(kPreferredFrameSize.boundedTo(s->availableGeometry().size() * 0.85));
    resize(size);
    connect(m_panel, &MainPanel::commandsChanged, this, &CMainFrame::updateMenu);
    connect(m_panel, &MainPanel::albumShown, this, [this](const QString& album) {
        const QString title = resourceLibrary().text(57344, QStringLiteral("OrbPix Studio"));
        setWindowTitle(album.isEmpty() ? title : album + QStringLiteral(" - ") + title);
    });
    m_follower = std::make_unique<SkinFollower>(skins, this);
    // Without the socket, skins that other instances install show at the next start.
    (void)m_follower->listen();
    updateMenu();
}

CMainFrame::~CMainFrame() {
    // The menu goes before the panel does; the panel must not update it on its way out.
    disconnect(m_panel, nullptr, this, nullptr);
    savePlacementNow();
    // Copies handed to the clipboard are of no use once the window that made them is gone.
    (void)AlbumStrip::deleteTemporaryCopies();
}

void CMainFrame::buildMenu(const MenuTemplate& menu) {
    for (const MenuEntry& popup : menu.popups) {
        if (popup.kind != MenuEntry::Kind::Popup)
            continue;
        QMenu* sub = menuBar()->addMenu(popup.text);
        fillMenu(*sub, popup.children);
    }
}

void CMainFrame::fillMenu(QMenu& menu, const std::vector<MenuEntry>& entries) {
    // Commands that come with a later version say so where the pointer rests.
    menu.setToolTipsVisible(true);
    bool holdsSkins = false;
    for (const MenuEntry& entry : entries) {
        switch (entry.kind) {
            case MenuEntry::Kind::Separator:
                menu.addSeparator();
                break;
            case MenuEntry::Kind::Popup:
                fillMenu(*menu.addMenu(entry.text), entry.children);
                break;
            case MenuEntry::Kind::Command: {
                const MenuText text = splitMenuText(entry.text);
                auto* action = menu.addAction(text.label);
                action->setObjectName(QString::number(entry.id));
                action->setData(entry.id);
                if (!text.shortcut.isEmpty())
                    action->setShortcut(QKeySequence(text.shortcut));
                m_actions.insert(entry.id, action);
                m_labels.insert(entry.id, text.label);
                holdsSkins = holdsSkins || belongsToSkinsMenu(entry.id);
                const int id = entry.id;
                if (!belongsToSkinsMenu(id))
                    connect(action, &QAction::triggered, this, [this, id] { triggered(id); });
                break;
            }
        }
    }
    if (holdsSkins)
        new SkinsMenu(menu, m_skins);
    connect(&menu, &QMenu::aboutToShow, this, &CMainFrame::updateMenu);
}

void CMainFrame::triggered(int id) {
    if (m_panel->runCommand(id))
        return;
    switch (id) {
        case kExitCommand:
            close();
            return;
        case kHelpCommand:
            openHelp();
            return;
        case kAboutCommand:
            showAboutWindow(this);
            return;
        case kHomePageCommand:
            (void)openUrl(resourceLibrary().text(kHomePageText,
                                                 QStringLiteral("https://www.orbworks.example/")));
            return;
        case kPreferencesCommand:
            openPreferences();
            return;
        default:
            break;
    }
}

void CMainFrame::openHelp() {
    // A browser would only say that the page is missing, without saying where it looked.
    if (!QFileInfo::exists(m_helpFile)) {
        QMessageBox box(QMessageBox::Warning, windowTitle(),
                        tr("The help pages are missing. They belong in %1.")
                            .arg(QDir::toNativeSeparators(m_helpFile)),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("helpMissing"));
        box.exec();
        return;
    }
    (void)openUrl(QUrl::fromLocalFile(m_helpFile).toString());
}

void CMainFrame::openPreferences() {
    // Without the program's settings (a frame of its own in a test) the preferences edit a
    // copy that goes with them.
    AppSettings unshared;
    PreferencesHooks hooks;
    hooks.chooseFolder = m_context.chooseAlbumFolder;
    if (m_context.message)
        hooks.message = [this](const QString& text) { m_context.message(text, true); };
    PreferencesDialog dialog(m_context.settings ? *m_context.settings : unshared, albumLibrary(),
                             std::move(hooks), this);
    if (!dialog.isReady())
        return;
    if ((m_context.execDialog ? m_context.execDialog(dialog) : dialog.exec()) != QDialog::Accepted)
        return;
    if (m_context.saveSettings)
        (void)m_context.saveSettings();
    if (dialog.libraryMoved())
        m_panel->followLibrary();
}

void CMainFrame::updateMenu() {
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const int id = it.key();
        QAction* action = it.value();
        if (belongsToSkinsMenu(id))
            continue;
        if (isFrameCommand(id)) {
            action->setEnabled(true);
            continue;
        }
        const bool enabled = m_panel->isCommandEnabled(id);
        if (action->isEnabled() != enabled)
            action->setEnabled(enabled);
        action->setToolTip(m_panel->unavailableReason(id));
        if (id == command::kUndo || id == command::kRedo) {
            const QString text = m_panel->undoRedoText(id, m_labels.value(id));
            if (action->text() != text)
                action->setText(text);
        }
    }
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_panel->isBusy()) {
        QApplication::beep();
        event->ignore();
        return;
    }
    savePlacementNow();
    QMainWindow::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

void CMainFrame::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMaximized())
        return;
    // A screen too small for the window at its smallest would cut it off when maximised.
    const QScreen* s = screen();
    if (s && !screenIsLargeEnough(s->availableGeometry().size()))
        showNormal();
}

void CMainFrame::focusInEvent(QFocusEvent* event) {
    QMainWindow::focusInEvent(event);
    m_panel->setFocus();
}

bool CMainFrame::screenIsLargeEnough(QSize available) {
    return available.width() >= kMinimumFrameSize.width() &&
           available.height() >= kMinimumFrameSize.height();
}

WindowPlacement CMainFrame::placement() const {
    const QRect r = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    const int state = isMaximized() ? kShowMaximized : isMinimized() ? kShowMinimized : kShowNormal;
    return WindowPlacement::of(r, state);
}

bool CMainFrame::restoreStoredPlacement() {
    WindowPlacement p = placement();
    if (!restorePlacement(QString::fromLatin1(kMainWindowPlacement), p))
        return false;
    const QSize size(std::max(p.right - p.left, kMinimumFrameSize.width()),
                     std::max(p.bottom - p.top, kMinimumFrameSize.height()));
    setGeometry(QRect(QPoint(p.left, p.top), size));
    if (p.showState == kShowMaximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    else
        setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized));
    return true;
}

void CMainFrame::savePlacementNow() {
    if (m_placementSaved)
        return;
    m_placementSaved = true;
    (void)savePlacement(QString::fromLatin1(kMainWindowPlacement), placement());
}

}  // namespace orbpix
