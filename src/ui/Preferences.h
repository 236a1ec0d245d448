#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <map>

#include "ui/PreferencesRules.h"

class QTabWidget;

namespace orbpix {

class AlbumLibrary;
struct AppSettings;

namespace preferences {
inline constexpr int kUserPage = 124;
inline constexpr int kLibraryPage = 125;
inline constexpr int kCompressionPage = 126;

inline constexpr int kUserName = 1002;
inline constexpr int kUserAddress = 1076;
inline constexpr int kUserHomepage = 1012;
inline constexpr int kUserPrivate = 1067;
inline constexpr int kLibraryFolder = 1006;
inline constexpr int kBrowseFolder = 1007;
inline constexpr int kLocalCompression = 1066;
inline constexpr int kHtmlCompression = 1065;
inline constexpr int kResetCompression = 1000;
// The figures under the two sliders.
inline constexpr int kLocalFigure = 65534;
inline constexpr int kHtmlFigure = 65532;

inline constexpr int kChooseFolderText = 210;
inline constexpr int kFolderUnusableText = 889;
}  // namespace preferences

// What the preferences need from the program around them; tests answer instead.
struct PreferencesHooks {
    // The folder chosen in the folder chooser (empty: cancelled); null: the program's own.
    std::function<QString(const QString& title, const QString& start)> chooseFolder;
    // Tells the user why OK did not close the dialog; null: a message box.
    std::function<void(const QString& text)> message;
};

// The user's details for publishing, the library folder and the publishing qualities on
// three pages. Nothing changes until OK, which writes the pages into the settings and moves
// the library to the folder chosen; Cancel leaves everything as it was.
class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    PreferencesDialog(AppSettings& settings, AlbumLibrary& library, PreferencesHooks hooks = {},
                      QWidget* parent = nullptr);

    // False when a page layout could not be read; the dialog must not be shown.
    bool isReady() const { return m_ready; }
    QTabWidget* pages() const { return m_pages; }
    // The control of a page by its id, or null.
    QWidget* control(int id) const;
    template <class T>
    T* control(int id) const {
        return qobject_cast<T*>(control(id));
    }
    // What the pages show now.
    PreferenceValues values() const;
    // After OK: whether the library now lies in another folder.
    bool libraryMoved() const { return m_libraryMoved; }

public slots:
    // Applies the pages; a library folder that cannot be used keeps the dialog open on its
    // page and changes nothing.
    void accept() override;

private:
    bool addPage(int templateId, const QString& title);
    void connectPages();
    void browse();
    void resetCompression();
    void showFigure(int sliderId, int figureId);
    bool moveLibrary(const QString& folder);
    void refuse(const QString& text);

    AppSettings& m_settings;
    AlbumLibrary& m_library;
    PreferencesHooks m_hooks;
    PreferenceValues m_opened;
    QTabWidget* m_pages = nullptr;
    std::map<int, QWidget*> m_controls;
    bool m_ready = false;
    bool m_libraryMoved = false;
};

}  // namespace orbpix
