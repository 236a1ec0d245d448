#pragma once

#include <QString>
#include <optional>

#include "export/TourAlbumExport.h"

namespace orbpix {

// The export's message to its progress window: the name of the picture being written.
inline constexpr int kExportPictureMessage = 0x810;

// The dialogs an export shows. The album program answers with its windows; tests and the
// command-line tool answer without any.
class ExportUi {
public:
    enum class Icon { Information, Exclamation };

    virtual ~ExportUi() = default;

    // The file a tour is written to; nothing when the user cancels.
    virtual std::optional<QString> askTourDestination(const QString& proposedName,
                                                      const QString& fileTypeText) = 0;
    // The folder in which a web page's folder is made; nothing when the user cancels.
    virtual std::optional<QString> askPageFolder(const QString& title) = 0;
    // Opens a finished web page in the user's browser; false when that could not be started.
    [[nodiscard]] virtual bool openPage(const QString& path) = 0;
    // The progress window: a bar over 0 … maximum, the current picture's name and Cancel.
    virtual void showProgress(int maximum) = 0;
    virtual void progressPicture(const QString& name) = 0;
    virtual void progressPosition(int position) = 0;
    [[nodiscard]] virtual bool progressCancelled() = 0;
    virtual void hideProgress() = 0;
    // Lets the windows react while the export waits.
    virtual void processEvents() = 0;

    virtual void message(const QString& text, Icon icon) = 0;
    [[nodiscard]] virtual bool askOkCancel(const QString& text) = 0;
    // The circle dialog for a picture whose circles are missing or invalid: the confirmed
    // circles, or nothing when it was cancelled.
    virtual std::optional<RingCircles> editCircles(const ExportPicture& picture) = 0;
};

}  // namespace orbpix
