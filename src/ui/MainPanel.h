#pragma once

#include <QImage>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "album/Album.h"
#include "album/EditSteps.h"
#include "imaging/ColourAdjuster.h"
#include "imaging/UnwrapWorker.h"
#include "shell/ResourceTemplates.h"
#include "ui/PanelBackground.h"
#include "ui/PanelLayout.h"

class QComboBox;
class QDialog;

namespace orbpix {

class AlbumLibrary;
class AlbumStrip;
class EditHistory;
class ExportUi;
class PanoramaView;
class SkinButton;
class SkinProgress;
class SkinSlider;
struct AppSettings;

// Commands of the main window's menu that the panel carries out; the buttons share them.
namespace command {
inline constexpr int kPublishEmail = 40006;
inline constexpr int kPublishTour = 40007;
inline constexpr int kPublishHtml = 40008;
inline constexpr int kSaveAlbum = 40002;
inline constexpr int kOpenAlbum = 40003;
inline constexpr int kUndo = 40015;
inline constexpr int kRedo = 40016;
inline constexpr int kCut = 40017;
inline constexpr int kCopy = 40018;
inline constexpr int kPaste = 40019;
inline constexpr int kDelete = 40027;
inline constexpr int kAddPictures = 40028;
inline constexpr int kAlbumProperties = 40029;
inline constexpr int kSelectAll = 40030;
inline constexpr int kDeleteAlbum = 40031;
inline constexpr int kNewAlbum = 40032;
inline constexpr int kAcquire = 40033;
inline constexpr int kSelectSource = 40034;
inline constexpr int kAcquireSeries = 40035;
inline constexpr int kRefreshAlbum = 40036;
}  // namespace command

// Texts of the panel besides the step labels.
namespace paneltext {
inline constexpr int kOpenAlbumTitle = 211;
inline constexpr int kNewAlbumEntry = 225;
inline constexpr int kSeparatorEntry = 230;
inline constexpr int kDeleteAlbumQuestion = 235;
inline constexpr int kAddPicturesTitle = 850;
inline constexpr int kAlbumCreationFailed = 880;
inline constexpr int kNoCircles = 881;
inline constexpr int kPictureUnreadable = 886;
inline constexpr int kAlbumNameTaken = 887;
inline constexpr int kAlbumRenameFailed = 888;
}  // namespace paneltext

// The file dialog's filter ("Description (*.a *.b);;…") for the "description|patterns|…||"
// pairs of the picture formats.
QString qtFileFilter(const QString& pairs);

// What the panel needs from the program around it.
struct PanelContext {
    QString programFolder;
    // The program's settings: "LastAlbum" is read at start and written when the panel goes;
    // the exports read the user's texts and qualities. Null: defaults, nothing written.
    AppSettings* settings = nullptr;
    // Shows a message to the user; tests record them instead.
    std::function<void(const QString& text, bool warning)> message;
    // Asks an OK/Cancel question.
    std::function<bool(const QString& text)> confirm;
    // The files chosen to add, and the album folder chosen to open (empty: cancelled).
    std::function<QStringList(const QString& title, const QString& filter)> choosePictures;
    std::function<QString(const QString& title, const QString& start)> chooseAlbumFolder;
    // The scanner source chosen (empty: cancelled); null: the program's own dialog.
    std::function<std::optional<QString>(const QString& current)> chooseScanSource;
    // The dialogs of a tour export (not owned); null: the program's own windows.
    ExportUi* exportUi = nullptr;
    // Runs a modal dialog of the window (the album properties, the preferences) and answers
    // its result; tests fill the real dialog in instead. Null: the dialog's own exec().
    std::function<int(QDialog& dialog)> execDialog;
    // Writes all of the program's settings at once (the preferences' OK); null: nothing.
    std::function<bool()> saveSettings;
};

// The main window's one child: the album list, the strip, the panorama of the picture shown
// with its colour controls, the trash and the publishing buttons, all drawn from the skin.
// Every change goes through the edit history, and the panel follows the album's changes the
// same way whether they come from a command, the strip, undo or redo.
class MainPanel : public QWidget,
                  public EditObserver,
                  private UnwrapListener,
                  private AlbumObserver {
    Q_OBJECT
public:
    MainPanel(QWidget* parent, PanelContext context);
    ~MainPanel() override;

    // Opens the album named by "LastAlbum" (or a new one) and shows its first picture; the
    // frame calls it once it has placed itself.
    void openStartAlbum();

    // Carries out a command of the menu or a button; false when the panel has no such command.
    bool runCommand(int id);
    // Whether the command can run now (the menu and the buttons follow this).
    bool isCommandEnabled(int id) const;
    // Why a command that is not part of this version does nothing (empty for the others).
    QString unavailableReason(int id) const;
    // The undo or redo menu text: the label, then the next step's name.
    QString undoRedoText(int id, const QString& label) const;

    // Stops the preview, then shows the item: its circles (from "CIRCLES", else found), the
    // background unwrap with progress, then the panorama.
    void showItem(int index);
    // Closing is refused while the preview of the picture is being made.
    bool isBusy() const { return m_busy; }

    Album* album() const { return m_album; }
    AlbumStrip* strip() const { return m_strip; }
    PanoramaView* view() const { return m_view; }
    QComboBox* albumList() const { return m_albumList; }
    int shownItem() const { return m_shown; }
    ColourCorrection correction() const { return m_cc; }
    ColourCorrection automatic() const { return m_automatic; }
    const PanelAnchoring& anchoring() const { return m_anchoring; }
    // The background as last composed (for the client size), and how often it was composed.
    const QImage& background() const { return m_background; }
    int backgroundBuilds() const { return m_backgroundBuilds; }
    // The size the layout was made for: the smallest client the window should offer.
    QSize layoutSize() const { return m_layoutSize; }
    // The control of a layout id (buttons, sliders, list, view, progress), or null.
    QWidget* control(int id) const;

    // Chooses an entry of the album list as the user would.
    void chooseListEntry(int row);
    // Refreshes the album list's names from the library, keeping the selection.
    void refreshAlbumList();
    // Follows the library to its new folder: the album on show is saved and left for the
    // first album there (or a new one), and albums of the old folder leave the list.
    void followLibrary();

signals:
    // The panorama of the item is on the view.
    void panoramaShown(int index);
    // Enabled states or labels of commands may have changed.
    void commandsChanged();
    void busyChanged(bool busy);
    // Another album is on show (empty name: none), or the one on show was renamed.
    void albumShown(const QString& name);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

public:
    // EditObserver: steps of the panel and of the strip report here.
    void itemsInserted(Album& album, const std::vector<std::size_t>& indexes) override;
    void itemsRemoved(Album& album, const std::vector<std::size_t>& indexes) override;
    void itemsMoved(Album& album,
                    const std::vector<std::pair<std::size_t, std::size_t>>& moves) override;
    void itemChanged(Album& album, std::size_t index) override;
    void albumRenamed(Album& album) override;

private:
    // UnwrapListener, on the worker thread: everything is posted to the panel.
    void unwrapProgress() override;
    void unwrapDone(std::unique_ptr<PanoramaResult> result, const std::string& key) override;
    void unwrapStopped() override;
    void unwrapImpossible() override;
    void postUnwrapEvent(int type);
    void unwrapEvent(QEvent* event);
    // AlbumObserver: a refresh from the folder.
    void itemAdded(Album& album, std::size_t index) override;
    void itemRemoved(Album& album, std::size_t index, const std::string& path,
                     const std::string& fileName) override;
    void folderGone(Album& album, const std::string& albumName) override;

    void createControls(const DialogTemplate& layout);
    void loadSkin();
    void centreTopBar();
    void applyAnchoring();
    void rebuildBackground();

    // Albums and the list.
    void fillAlbumList();
    void listActivated(int row);
    bool showAlbumByFolder(const QString& folder, const QString& name);
    void setAlbum(Album* album);
    void leaveAlbum();
    void showNeighbourAfterRemoval(int row);
    int rowOfFolder(const QString& folder) const;
    QString libraryRoot() const;
    void newAlbum();
    void deleteAlbum();
    void openAlbumFromDialog();
    // The album properties; a new name given there renames the album as one change.
    void albumProperties();
    void renameAlbum(const QString& name);
    void saveAlbum();
    void refreshAlbum();
    void addPictures();
    // Publishes the album as a tour, a web page or by e-mail (the command's id).
    void publish(int command);
    // The scanner commands: the source chosen is remembered in the settings; the pictures of
    // a scan join the album at its end as one change.
    // Adds the files at the album's end as one change; an album that was empty shows them.
    void appendPictures(const QStringList& files, InsertCircles circles);
    void selectScanSource();
    void scan(bool series);

    // The picture shown.
    void stopPreview();
    void clearPicture();
    void showReadFailure(const QString& path, const QString& error);
    void showNoCircles();
    void showNothing();
    void setSliders(const ColourCorrection& cc);
    void applyColourToView();
    void sliderMoved(int id, int value);
    void stepButton(int id);
    void scheduleCommit();
    enum class Commit { OnlyChanges, Always };
    void commitCorrection(Commit rule);
    void setCorrection(const ColourCorrection& cc);
    void toggleLens();
    void showLens(bool reversed);
    void followShownProperties();
    void zoom(int step);

    // Progress bar.
    void progressRange(int maximum);
    void progressTo(int value);
    void progressEnd();

    void updateControls();
    QString text(int id, const QString& fallback = {}) const;
    void message(const QString& text, bool warning);
    EditLabels labels() const;

    PanelContext m_context;
    EditHistory& m_history;
    bool m_editingCircles = false;  // the image properties dialog is open from showItem
    AlbumLibrary& m_library;

    QSize m_layoutSize;
    PanelAnchoring m_anchoring;
    std::map<int, QWidget*> m_controls;
    SkinButton* m_lens = nullptr;
    SkinSlider* m_brightness = nullptr;
    SkinSlider* m_contrast = nullptr;
    SkinSlider* m_saturation = nullptr;
    SkinProgress* m_progress = nullptr;
    PanoramaView* m_view = nullptr;
    QComboBox* m_albumList = nullptr;
    AlbumStrip* m_strip = nullptr;

    PanelSkin m_skin;
    QImage m_background;
    QRect m_backgroundRect;
    int m_backgroundBuilds = 0;
    bool m_initialised = false;

    // Albums loaded from the list, by folder; they stay until the panel goes.
    std::map<QString, std::unique_ptr<Album>> m_albums;
    Album* m_album = nullptr;
    int m_previousRow = -1;

    BackgroundUnwrap m_unwrap;
    // Tells the events of an abandoned preview from those of the current one. Written only
    // while no worker runs.
    int m_jobGeneration = 0;
    // The worker leaves its result here and posts a wake-up; the panel takes it.
    std::mutex m_resultLock;
    std::unique_ptr<PanoramaResult> m_result;
    int m_resultGeneration = 0;
    // Rows the worker has made, and whether a progress event is on its way: one at a time, so
    // that the result is never queued behind a backlog of progress.
    std::atomic<int> m_rowsDone{0};
    std::atomic<bool> m_progressPosted{false};
    bool m_busy = false;
    int m_shown = -1;
    std::string m_shownPath;
    std::optional<std::string> m_shownCircles;
    bool m_shownReversed = false;
    ColourCorrection m_cc;
    ColourCorrection m_automatic;
    bool m_settingSliders = false;
    bool m_commitPending = false;

    int m_refreshTimer = 0;
    bool m_scanning = false;
    int m_ticks = 0;
    QTimer m_idleUpdate;
};

}  // namespace orbpix
