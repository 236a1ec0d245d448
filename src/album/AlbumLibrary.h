#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace orbpix {

class FolderAlbum;

// How the program sets up its album library, handed over once at start-up. The size says how
// much of the record the caller filled, counted in the slots of the original record: 8 covers
// the folder name, 12 the examples folder, 16 (the full record) the registry key.
struct LibraryConfig {
    static constexpr std::uint32_t kFolderNameEnd = 8;
    static constexpr std::uint32_t kExamplesFolderEnd = 12;
    static constexpr std::uint32_t kRegistryKeyEnd = 16;
    static constexpr std::uint32_t kFullSize = 16;

    std::uint32_t size = kFullSize;
    std::optional<QString> folderName;   // nothing: "My ORB Albums"
    QString examplesFolder;              // seeds a newly created library; empty: none
    std::optional<QString> registryKey;  // nothing: "Software\Orbworks\Albums"
};

// What the library needs from its surroundings; the defaults are the real ones, tests fix the
// clock and the folders.
struct LibraryPlaces {
    std::function<QString()> documentsFolder;  // empty text: not available
    std::function<QString()> programFolder;
    std::function<QDateTime()> nowUtc;
    std::function<std::uint32_t()> tickCount;  // milliseconds since the system started

    static LibraryPlaces system();
};

enum class RootCreation { No, Yes };
enum class NewAlbumRule { ReuseEmpty, MustBeNew };

// The names a new album is offered under: the first, then the numbered form with its one
// integer placeholder. The program passes the texts of its text table (225 and 226).
struct NewAlbumNames {
    static constexpr int kFirstText = 225;
    static constexpr int kNumberedText = 226;

    QString first = QStringLiteral("New album");
    QString numbered = QStringLiteral("New album %d");
};

struct NewAlbumChoice {
    QString name;
    bool created = false;  // false: an existing empty album was taken
};

// The album library: one root folder whose subfolders are the albums, remembered in the user's
// settings, and the deletion of albums through the trash.
//
// Album names are single folder names: empty names, "." and "..", and names with a slash or a
// zero character are refused by every operation, so no name can reach outside the root.
class AlbumLibrary {
public:
    static constexpr const char* kDefaultFolderName = "My ORB Albums";
    static constexpr const char* kDefaultRegistryKey = "Software\\Orbworks\\Albums";
    static constexpr int kNewAlbumCandidates = 4096;

    explicit AlbumLibrary(LibraryPlaces places = LibraryPlaces::system());

    // Applies the members the size covers; true when at least one was applied and the size
    // does not exceed the full record.
    [[nodiscard]] bool configure(const LibraryConfig& config);
    const QString& folderName() const { return m_folderName; }
    const QString& examplesFolder() const { return m_examplesFolder; }
    const QString& registryKey() const { return m_registryKey; }

    // Finds the root: the stored "path", else the documents folder (else the program folder)
    // plus the folder name. A missing root is created only when asked, and then seeded from
    // the examples folder. On success the root is stored as "path". root is set even when the
    // lookup fails.
    [[nodiscard]] bool getRoot(QString& root, RootCreation create);
    // Stores the root; creates the folder (one level) when it is missing and creation is asked.
    [[nodiscard]] bool setRoot(const QString& path, RootCreation create);

    // Every subfolder of the root, in the order the file system lists them.
    void listAlbums(const std::function<void(const QString& name)>& visit);
    QStringList albumNames();
    bool albumExists(const QString& name);

    // Opens the album of an existing folder, writable and renamable. Nothing when the folder
    // is missing or the album cannot be opened; the root is never created for it.
    std::unique_ptr<FolderAlbum> openAlbum(const QString& name);
    // Makes the folder of a new album (and the root when needed) and opens it. Nothing when
    // the name is taken or the album cannot be made; folder receives its path on success.
    std::unique_ptr<FolderAlbum> createAlbum(const QString& name, QString* folder = nullptr);
    // Opens a fresh album under the first candidate name that is free. With ReuseEmpty an
    // existing album of a candidate name that holds no item is opened instead. name receives
    // the album's name on success.
    std::unique_ptr<FolderAlbum> newAlbum(NewAlbumRule rule, QString* name = nullptr);

    // The folder halves of opening and creating an album.
    // Opening needs an existing album folder and never creates the root.
    std::optional<QString> folderForOpen(const QString& name);
    // Creates the root if needed (trying once more by hand when that fails) and then the album
    // folder, which must not exist yet.
    std::optional<QString> createAlbumFolder(const QString& name);

    void setNewAlbumNames(NewAlbumNames names) { m_newAlbumNames = std::move(names); }
    // The n-th candidate name for a new album: the first name, then the numbered one with n.
    QString newAlbumCandidate(int n) const;
    // Picks a fresh album among the candidates. With ReuseEmpty an existing album for which
    // holdsNoItem answers true is taken as it is. create makes a new album (by default only
    // its folder); when it fails the next candidate is tried.
    std::optional<NewAlbumChoice> chooseNewAlbum(
        NewAlbumRule rule, const std::function<bool(const QString& name)>& holdsNoItem,
        const std::function<bool(const QString& name)>& create = {});

    // Renames the album to its rescue name and moves it to the trash; when the trash cannot
    // take it, deletes it for good. recycled tells which happened.
    [[nodiscard]] bool deleteAlbum(const QString& name, bool* recycled = nullptr);

    // The rescue name for an album deleted now; advances the machine-wide deletion counter of
    // the day, or uses the tick count when that counter cannot be written.
    QString nextRescueName(const QString& albumName);

    static bool isValidAlbumName(const QString& name);
    // The date as the picture "d-M-y": day and month without leading zeros, the year's last
    // digit.
    static QString rescueDateText(const QDate& date);
    static QString rescueName(const QString& albumName, const QString& dateText,
                              std::uint32_t number);

private:
    QString trashedKey() const { return m_registryKey + QStringLiteral("\\Trashed"); }
    QString rootOrEmpty();

    LibraryPlaces m_places;
    QString m_folderName = QString::fromLatin1(kDefaultFolderName);
    QString m_examplesFolder;
    QString m_registryKey = QString::fromLatin1(kDefaultRegistryKey);
    NewAlbumNames m_newAlbumNames;
};

// The program's library.
AlbumLibrary& albumLibrary();

// Fills a text's one integer placeholder (%d, %i or %u, with an optional zero flag and width;
// "%%" is a percent sign) without handing the text to printf: texts come from a resource file
// and any other placeholder is kept as it stands. A text without a placeholder gets the
// number appended after a space, so that the candidates stay distinct.
QString formatWithInteger(const QString& format, int number);

}  // namespace orbpix
