#pragma once

#include <QDateTime>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "export/ExportUi.h"

namespace orbpix {

class Album;
class AlbumLibrary;

// What an export takes from the settings.
struct ExportSettings {
    QString userName;
    QString userAddress;
    QString userHomepage;
    std::uint32_t userPrivate = 0;
    std::uint32_t compressionLocal = 400;
    QString skin;  // the current skin; "Default" when empty
    std::uint32_t compressionHtml = 100;
};

// Where the files of a local tour come from and go to.
struct TourPaths {
    QString skinDescription;
    QString tourAlbum;
    QString viewer;
    QString generator;
    QString destination;
};
TourPaths tourPaths(const QString& programFolder, const QString& skin, const QString& workFolder,
                    const QString& destination);

// The generator's arguments: each switch and each path a separate argument, so that paths
// with blanks arrive whole without any quoting.
QStringList generatorArguments(const TourPaths& paths);

// The skins of the program folder that carry a tour skin ("skin.ski"), sorted by name.
QStringList tourSkinsIn(const QString& programFolder);
// The tour skin an export uses for a skin setting: the skin itself when it carries a tour
// skin, else "Default". usable tells which.
QString tourSkinFor(const QString& programFolder, const QString& skin, bool* usable = nullptr);

// Why a tour cannot be written at the destination ("cannot write PATH: reason"), found by
// making a file beside it before any work starts; nothing when it can.
std::optional<QString> destinationProblem(const QString& destination);

// A fresh folder of this user's own for one export's tour album file, readable by nobody
// else: under $XDG_RUNTIME_DIR when that is a private folder, else in the temporary folder.
// A fixed name in a shared folder could be made beforehand by someone else. Empty when none
// can be made.
QString exportWorkFolder();
// Deletes the folders of e-mailed messages last changed before the given time; answers how
// many went.
int sweepSentMail(const QDateTime& before);

// Fills the first "%s" of a resource text, or appends the value when there is none.
QString fillText(const QString& format, const QString& value);

// The names of a web page's page file and of its tour album file, from the resource library.
QString pageFileName();
QString tourAlbumFileName();

// The pictures of an album in album order, with the item properties the export reads.
std::vector<ExportPicture> exportPicturesOf(const Album& album);

// The information texts of the tour unless the user keeps them private.
std::optional<TourInfo> tourInfoOf(const ExportSettings& settings);

// Publishes albums as tours: asks for the destination, writes the tour album file in the
// work folder and starts the generator, which it watches without blocking.
class ExportManager : public QObject {
public:
    ExportManager(ExportUi& ui, ExportSettings settings, QString programFolder,
                  QObject* parent = nullptr);
    ~ExportManager() override;

    // Exports loose picture files through a temporary album ("_Album", "_Album1", …) of the
    // library, removed again at the end.
    [[nodiscard]] bool exportLocalTour(const QString& name, const QStringList& files,
                                       AlbumLibrary& library);
    // Exports an open album under its name.
    [[nodiscard]] bool exportLocalTour(Album& album, const QString& name);

    // Publishes loose picture files, or an open album, as a web page: a folder of the
    // album's name in a folder the user chooses, holding the tour album file and the pages
    // made from the templates; the page is then opened in the browser.
    [[nodiscard]] bool exportWebPage(const QString& name, const QStringList& files,
                                     AlbumLibrary& library);
    [[nodiscard]] bool exportWebPage(Album& album, const QString& name);
    // Web page export without questions: into outputFolder itself, which must exist; the
    // page is not opened. The files written are listed in generated.
    [[nodiscard]] bool writeWebPage(Album& album, const QString& name, const QString& outputFolder,
                                    QStringList* generated = nullptr);

    // Sends loose picture files, or an open album, by e-mail: the page's files and the tour
    // album file as attachments of a message that the mail program shows. An open album is
    // sent on a thread of its own, which deletes the files once the mail program has taken
    // them; loose files wait for the mail program.
    [[nodiscard]] bool exportEmail(const QString& name, const QStringList& files,
                                   AlbumLibrary& library);
    [[nodiscard]] bool exportEmail(Album& album, const QString& name, bool asynchronous);

    // Writes the tour album file of an album at a picture height; the pictures left out are
    // listed to the user, and appended to failed.
    [[nodiscard]] bool writeTourAlbum(Album& album, const QString& title, const QString& path,
                                      int height, std::vector<std::string>* failed = nullptr);

    // Pictures unwrapped at the same time (0: one per processor).
    void setThreads(int threads) { m_threads = threads; }

    bool generatorRunning() const;
    // Called once the generator has ended: whether it made the tour and its message.
    void setGeneratorFinished(std::function<void(bool ok, const QString& message)> done) {
        m_generatorFinished = std::move(done);
    }
    // The last export's work folder; it is removed once the generator has read it.
    const QString& workFolder() const { return m_workFolder; }

private:
    void removeWorkFolder();
    // Runs an export on a temporary album ("_Album", "_Album1", …) made from loose files and
    // removed again afterwards.
    [[nodiscard]] bool withTemporaryAlbum(const QStringList& files, AlbumLibrary& library,
                                          const std::function<bool(Album&)>& run);
    // The tour album file and the pages of an album in a folder; the files written, pages
    // first, the album script last but one and the tour album file last.
    [[nodiscard]] bool writePublication(Album& album, const QString& name, const QString& folder,
                                        QStringList* files);

    [[nodiscard]] bool startGenerator(const TourPaths& paths);
    void generatorEnded(bool ok, const QString& message);

    ExportUi& m_ui;
    ExportSettings m_settings;
    QString m_programFolder;
    QString m_workFolder;
    int m_threads = 0;
    std::unique_ptr<QProcess> m_generator;
    std::function<void(bool, const QString&)> m_generatorFinished;
};

}  // namespace orbpix
